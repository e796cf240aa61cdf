#pragma once
// External references: the SUPBOOK records (kept whole) and the EXTERNSHEET table through
// which 3-D references and global names name sheets.
#include <cstdint>
#include <memory>
#include <vector>

#include "xls/records/plain_record.h"
#include "xls/records/record_list.h"

namespace chronolin {

// SUPBOOK, with the records that belong to it and are written right after it: the names
// (EXTERNNAME) and cached cell values (XCT, CRN) of the file it stands for.
class TSupBookRecord final : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  TSupBookRecord(const TSupBookRecord& other);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  // The SUPBOOK of this workbook's own sheets: their count, then a marker (4 bytes in all).
  static std::unique_ptr<TSupBookRecord> Local(std::uint16_t sheet_count);
  bool IsLocal() const { return DataSize() == 4 && Get16(2) == kLocalMarker; }
  std::uint16_t SheetCount() const { return Get16(0); }
  void SetSheetCount(std::uint16_t count) { Set16(0, count); }

  void AddFollower(std::unique_ptr<TBaseRecord> record);
  std::size_t FollowerCount() const { return followers_.size(); }

  void SaveToStream(TOutStream& out) const override;
  std::int64_t TotalSize() const override;

 private:
  static constexpr std::uint16_t kLocalMarker = 0x0401;

  std::vector<std::unique_ptr<TBaseRecord>> followers_;
};
// Read into TReferences on load, then freed; the save writes a fresh one.
CHRONOLIN_PLAIN_RECORD(TExternSheetRecord);

struct TExternRef {
  std::uint16_t sup_book = 0;
  std::uint16_t first_sheet = 0;
  std::uint16_t last_sheet = 0;
};

class TReferences {
 public:
  void Clear();
  void AddSupBook(std::unique_ptr<TBaseRecord> record);
  // An EXTERNNAME, XCT or CRN record, kept with the last SUPBOOK; false (record untouched)
  // before any SUPBOOK.
  bool AddToLastSupBook(std::unique_ptr<TBaseRecord>& record);
  // Entries are read across the record's CONTINUE chain; the count is checked against it.
  void LoadExternSheet(const TBaseRecord& record);

  const TBaseRecordList& SupBooks() const { return sup_books_; }
  int LocalSupBook() const { return local_sup_book_; }
  const std::vector<TExternRef>& ExternRefs() const { return refs_; }
  // The sheet an EXTERNSHEET entry names when it is one sheet of this workbook, else -1.
  int SheetOfExternRef(std::size_t index) const;
  // The first entry naming exactly this sheet, else a new one; a workbook without a local
  // SUPBOOK gets one (for `sheet_count` sheets) first.
  std::uint16_t ExternRefOfSheet(int sheet, std::size_t sheet_count);
  // n sheets inserted at p: entries at or after p follow them, the local SUPBOOK counts them.
  // Sheet numbers stay below 251 ("Too many entries for this kind of record ...").
  void InsertSheets(int p, int n);
  // Raises what InsertSheets would refuse, changing nothing.
  void CheckInsertSheets(int p, int n) const;

  void SaveToStream(TOutStream& out) const;
  std::int64_t TotalSize() const;

 private:
  bool WritesExternSheet() const { return !refs_.empty() || !sup_books_.Empty(); }
  void SaveExternSheet(TOutStream& out) const;

  TBaseRecordList sup_books_;
  int local_sup_book_ = -1;
  std::vector<TExternRef> refs_;
};

}  // namespace chronolin
