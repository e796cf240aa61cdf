#pragma once
// The rows and cells of a worksheet: ROW records by row number, and per row its cells as
// compact slots. Saved in blocks of 32 ROW records, each block followed by the cells of its
// rows; no index or DBCELL records are written (readers do without them).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "xls/cells/cell_records.h"
#include "xls/cells/cell_slot.h"
#include "xls/records/record_list.h"

namespace chronolin {

// The cells of one row, sorted by column on demand (a load appends them as they come).
class TCellRow {
 public:
  std::size_t Count() const { return slots_.size(); }
  bool Empty() const { return slots_.empty(); }
  void SortByColumn();
  // Index of the first cell at the column after sorting, or -1.
  std::ptrdiff_t Find(std::uint16_t column);
  TCellSlot& operator[](std::size_t i) { return slots_[i]; }
  const TCellSlot& operator[](std::size_t i) const { return slots_[i]; }
  std::uint16_t Column(std::size_t i) const { return slots_[i].Column(); }

  void Add(TCellSlot slot);
  void Delete(std::size_t i) { slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(i)); }
  void Reserve(std::size_t count) { slots_.reserve(count); }

 private:
  friend class TCellList;
  std::vector<TCellSlot> slots_;
  bool sorted_ = true;
  bool used_ = false;  // the row has held cells (a row list slot exists for it)
};

class TCellList {
 public:
  TCellList() = default;
  TCellList(const TCellList&) = delete;
  TCellList& operator=(const TCellList&) = delete;

  // The table text cells take their strings from when a caller asks for their record.
  void SetStringTable(TSST* sst) { sst_ = sst; }

  std::size_t RowCount() const { return rows_.size(); }
  // Null for a row that never held cells. Rows live in one vector: a pointer holds until rows
  // are added, inserted or removed.
  TCellRow* Row(std::size_t row) const {
    return row < rows_.size() && rows_[row].used_ ? &rows_[row] : nullptr;
  }
  TCellRow& EnsureRow(std::size_t row);
  void Add(TCellSlot slot, std::uint16_t row) { EnsureRow(row).Add(std::move(slot)); }

  // The cell at (row, column) without making a record of it, or null.
  TCellSlot* FindSlot(std::uint16_t row, std::uint16_t column) const;
  // The cell's record object, made now for a plain cell (which keeps it from then on), or
  // null.
  TCellRecord* Find(std::uint16_t row, std::uint16_t column) const;

  void Clear() { rows_.clear(); }
  // Rows inserted at `row` (nothing past the end) or removed with their cells. Record cells
  // keep their row fields: the caller renumbers them.
  void InsertRows(std::size_t row, std::size_t count);
  void RemoveRows(std::size_t row, std::size_t count);
  std::size_t RecordCount() const;
  // The cells held as record objects, from row `from` on, with their row.
  template <class F>
  void ForEachRecord(std::size_t from, F&& f) const {
    for (std::size_t r = from; r < rows_.size(); ++r) {
      for (const TCellSlot& slot : rows_[r].slots_) {
        if (TCellRecord* record = slot.Record()) f(record, r);
      }
    }
  }
  // Every row's cells cloned into an empty list.
  void CloneFrom(const TCellList& other);

  void SaveRow(std::size_t row, TOutStream& out) const;
  std::int64_t TotalSize() const;

 private:
  mutable std::vector<TCellRow> rows_;  // sorting on demand does not change the cells
  TSST* sst_ = nullptr;
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
  void AddCell(TCellSlot slot, std::uint16_t row);
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
