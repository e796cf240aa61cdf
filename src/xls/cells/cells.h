#pragma once
// The rows and cells of a worksheet: ROW records by row number, and per row its cell records.
// Saved in blocks of 32 ROW records, each block followed by the cells of its rows; no index or
// DBCELL records are written (readers do without them).
#include <cstdint>
#include <memory>

#include "xls/cells/cell_records.h"
#include "xls/records/record_list.h"
#include "xls/records/row_col_list.h"

namespace chronolin {

class TCellList : public TBaseRowColList {
 public:
  // The cell at (row, column), or null.
  TCellRecord* Find(std::uint16_t row, std::uint16_t column) const;
};

class TCells {
 public:
  static constexpr std::size_t kRowsPerBlock = 32;

  TBaseRecordList& RowList() { return rows_; }
  const TBaseRecordList& RowList() const { return rows_; }
  TCellList& CellList() { return cells_; }
  const TCellList& CellList() const { return cells_; }

  // Load: a second ROW record for a row raises "Duplicated ROW record".
  void AddRow(std::unique_ptr<TRowRecord> row);
  void AddCell(std::unique_ptr<TCellRecord> cell);
  // Throws "Missing ROW Record for row %d".
  TRowRecord& GetRow(std::uint16_t row) const;
  TRowRecord* FindRow(std::uint16_t row) const;
  // Gives the row list a slot for every row of the cell list, so that rows a file left
  // without ROW records are saved as they came.
  void PadRowSlots();

  // Throws "Number of ROW record is not the same that the cell count" when rows have cells but
  // no slot in the row list.
  void SaveToStream(TOutStream& out) const;
  std::int64_t TotalSize() const { return rows_.TotalSize() + cells_.TotalSize(); }

 private:
  TBaseRecordList rows_;
  TCellList cells_;
};

}  // namespace chronolin
