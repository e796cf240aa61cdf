#pragma once
// The shared string table: one entry per distinct text, counted by the LABELSST cells that use
// it. Entries unused at save time are dropped; the table is written as an SST record with as
// many CONTINUE records as it needs, followed by a fresh EXTSST index.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "xls/records/biff_record.h"
#include "xls/strings/excel_string.h"

namespace chronolin {

struct TSSTEntry {
  TExcelString string;
  std::int32_t ref_count = 0;
  std::uint32_t save_index = 0;  // the entry's index in the last save

  void AddRef() { ++ref_count; }
  void Release() { --ref_count; }
};

static_assert(sizeof(TSSTEntry) == 40, "an entry costs 40 bytes besides a long text");

// SST record (0x00FC); the table reads it and its CONTINUE chain.
class TSSTRecord final : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
};

class TSST {
 public:
  TSST() = default;
  TSST(TSST&&) noexcept = default;
  TSST& operator=(TSST&&) noexcept = default;

  std::size_t Count() const { return order_.size(); }
  // The table owns its entries and keeps each where it is until it is dropped, so a cell may
  // hold one by address with a reference counted. In table order: strings added since the
  // last look take their sorted places first.
  TSSTEntry* operator[](std::size_t i) const {
    PlaceAdded();
    return &At(order_[i]);
  }

  // Appends the record's strings in file order, each with no reference.
  void Load(const TBaseRecord& sst);
  // Sorts by the string order (stable: equal strings keep their file order).
  void Sort();
  void Clear();

  // Finds the entry equal to the text's plain form, or adds a new one (its sorted place is
  // taken before the table is next read or saved); either way it gains one reference.
  TSSTEntry* AddString(std::u16string_view text);

  // Drops every entry no cell references.
  void PrepareForSave();
  // Numbers the entries, writes SST + CONTINUE + EXTSST.
  void SaveToStream(TOutStream& out);
  std::int64_t TotalSize() const;

 private:
  // Entries live in blocks that never move; an entry is named by its number in them.
  static constexpr std::uint32_t kBlockBits = 9;
  static constexpr std::uint32_t kBlockSize = 1u << kBlockBits;
  TSSTEntry& At(std::uint32_t id) const { return blocks_[id >> kBlockBits][id & (kBlockSize - 1)]; }
  // A fresh entry holding `string`, in a dropped entry's place when there is one.
  std::uint32_t NewEntry(TExcelString string);

  std::size_t BucketSize() const;
  std::size_t BucketCount() const;
  // Where a string starts: in the workbook stream, and from the start (header included) of
  // its record. EXTSST gives it for the first string of each bucket.
  struct TStringPlace {
    std::uint32_t stream_position = 0;
    std::uint16_t record_offset = 0;
  };
  // The SST record and its CONTINUE records; with `places`, the place of each bucket's first
  // string is kept there.
  void WriteTable(std::uint32_t total_refs, TOutStream& out,
                  std::vector<TStringPlace>* places) const;
  // Sorts the entries added since the last call into the sorted ones before them.
  void PlaceAdded() const;
  void BuildIndex();

  // Finds entries by their text in constant time; the order the file needs is kept by
  // `order_`, sorted on demand (a sorted insert per new string made a large fill quadratic).
  // Open addressing with the hash kept beside each entry: a probe touches an entry's text only
  // when the hashes agree.
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t id = kNoEntry;
  };
  static constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;
  Slot* FindSlot(const TExcelString& s, std::uint32_t hash);
  void Insert(std::uint32_t id, std::uint32_t hash);
  bool Before(std::uint32_t a, std::uint32_t b) const;

  std::vector<std::unique_ptr<TSSTEntry[]>> blocks_;
  std::uint32_t used_ = 0;              // entries handed out from blocks_
  std::vector<std::uint32_t> dropped_;  // entries free for reuse
  mutable std::vector<std::uint32_t> order_;
  mutable std::size_t sorted_count_ = 0;  // order_[0, sorted_count_) are in table order
  std::vector<Slot> index_;               // a power of two in size, at most half full
  std::size_t indexed_count_ = 0;
  bool indexed_ = false;  // index_ covers every entry
};

}  // namespace chronolin
