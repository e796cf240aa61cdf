#pragma once
// Records grouped by row: slot r holds the records of row r (or nothing). Cells and notes are
// kept this way so that rows can be inserted, copied and deleted as wholes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "xls/records/record_list.h"

namespace chronolin {

// The records of one row, sorted by column on demand.
class TRowColRecordList : public TBaseRecordList {
 public:
  void SortByColumn();
  // Index of the record at the column after sorting, or -1.
  std::ptrdiff_t Find(std::uint16_t column);

 private:
  bool sorted_ = true;
  friend class TBaseRowColList;
};

class TBaseRowColList {
 public:
  TBaseRowColList() = default;
  TBaseRowColList(const TBaseRowColList&) = delete;
  TBaseRowColList& operator=(const TBaseRowColList&) = delete;

  std::size_t RowCount() const { return rows_.size(); }
  // Null for a row without records.
  TRowColRecordList* Row(std::size_t row) const {
    return row < rows_.size() ? rows_[row].get() : nullptr;
  }
  TRowColRecordList& EnsureRow(std::size_t row);
  // Appends to the record's row, in arrival order (sorted at save).
  void Add(std::unique_ptr<TBaseRecord> record, std::uint16_t row);
  void Clear() { rows_.clear(); }
  // Row slots inserted at `row` (nothing past the end) or removed with their records. The
  // records keep their row fields: the caller renumbers them.
  void InsertRows(std::size_t row, std::size_t count);
  void RemoveRows(std::size_t row, std::size_t count);
  std::size_t RecordCount() const;

  void SaveRow(std::size_t row, TOutStream& out) const;
  void SaveToStream(TOutStream& out) const;
  std::int64_t TotalSize() const;

 private:
  std::vector<std::unique_ptr<TRowColRecordList>> rows_;
};

}  // namespace chronolin
