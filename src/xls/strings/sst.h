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
  std::uint32_t stream_position = 0;  // absolute, in the workbook stream, at the last save
  std::uint16_t record_offset = 0;    // from the start (header included) of its record
  std::uint32_t save_index = 0;

  void AddRef() { ++ref_count; }
  void Release() { --ref_count; }
};

// SST record (0x00FC); the table reads it and its CONTINUE chain.
class TSSTRecord final : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
};

class TSST {
 public:
  std::size_t Count() const { return entries_.size(); }
  // Cells share ownership so that no cell ever points at a freed entry. In table order: strings
  // added since the last look take their sorted places first.
  const std::shared_ptr<TSSTEntry>& operator[](std::size_t i) const {
    PlaceAdded();
    return entries_[i];
  }

  // Appends the record's strings in file order, each with no reference.
  void Load(const TBaseRecord& sst);
  // Sorts by the string order (stable: equal strings keep their file order).
  void Sort();
  void Clear();

  // Finds the entry equal to the text's plain form, or adds a new one (its sorted place is
  // taken before the table is next read or saved); either way it gains one reference.
  std::shared_ptr<TSSTEntry> AddString(std::u16string_view text);

  // Drops every entry no cell references.
  void PrepareForSave();
  // Numbers the entries, writes SST + CONTINUE + EXTSST, and records where each string went.
  void SaveToStream(TOutStream& out);
  std::int64_t TotalSize() const;

 private:
  std::size_t BucketSize() const;
  std::size_t BucketCount() const;
  // Sorts the entries added since the last call into the sorted ones before them.
  void PlaceAdded() const;
  void BuildIndex();

  // Finds entries by their text in constant time; the order the file needs is kept by the
  // vector, sorted on demand (a sorted insert per new string made a large fill quadratic).
  // Open addressing with the hash kept beside each entry: a probe touches an entry's text only
  // when the hashes agree.
  struct Slot {
    std::size_t hash = 0;
    std::shared_ptr<TSSTEntry> entry;
  };
  Slot* FindSlot(const TExcelString& s, std::size_t hash);
  void Insert(std::shared_ptr<TSSTEntry> entry, std::size_t hash);

  mutable std::vector<std::shared_ptr<TSSTEntry>> entries_;
  mutable std::size_t sorted_count_ = 0;  // entries_[0, sorted_count_) are in table order
  std::vector<Slot> index_;               // a power of two in size, at most half full
  std::size_t indexed_count_ = 0;
  bool indexed_ = false;  // index_ covers every entry
};

}  // namespace chronolin
