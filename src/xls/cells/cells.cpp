#include "xls/cells/cells.h"

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"

namespace chronolin {

TCellRecord* TCellList::Find(std::uint16_t row, std::uint16_t column) const {
  TRowColRecordList* list = Row(row);
  if (list == nullptr) return nullptr;
  const std::ptrdiff_t i = list->Find(column);
  return i < 0 ? nullptr : static_cast<TCellRecord*>((*list)[static_cast<std::size_t>(i)]);
}

void TCells::AddRow(std::unique_ptr<TRowRecord> row) {
  const std::uint16_t r = row->Row();
  if (r < rows_.Count() && rows_[r] != nullptr) throw XlsError(msg::kDuplicatedRow);
  rows_.SetSlot(r, std::move(row));
}

void TCells::AddCell(std::unique_ptr<TCellRecord> cell) {
  const std::uint16_t r = cell->Row();
  cells_.Add(std::move(cell), r);
}

TRowRecord* TCells::FindRow(std::uint16_t row) const {
  return row < rows_.Count() ? static_cast<TRowRecord*>(rows_[row]) : nullptr;
}

TRowRecord& TCells::GetRow(std::uint16_t row) const {
  TRowRecord* record = FindRow(row);
  if (record == nullptr) throw XlsError(Format(msg::kMissingRow, row));
  return *record;
}

void TCells::PadRowSlots() {
  if (rows_.Count() < cells_.RowCount()) rows_.Resize(cells_.RowCount());
}

void TCells::SaveToStream(TOutStream& out) const {
  if (rows_.Count() < cells_.RowCount()) throw XlsError(msg::kRowCountMismatch);
  std::size_t row = 0;
  while (row < rows_.Count()) {
    std::size_t end = row;
    std::size_t met = 0;
    while (end < rows_.Count() && met < kRowsPerBlock) {
      if (rows_[end] != nullptr) ++met;
      ++end;
    }
    for (std::size_t r = row; r < end; ++r) {
      if (rows_[r] != nullptr) rows_[r]->SaveToStream(out);
    }
    for (std::size_t r = row; r < end; ++r) cells_.SaveRow(r, out);
    row = end;
  }
}

}  // namespace chronolin
