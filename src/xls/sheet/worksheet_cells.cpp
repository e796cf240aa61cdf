// Cell values, row and column formats and sizes of a worksheet.
#include <cmath>
#include <optional>

#include "common/format.h"
#include "xls/cells/rk_value.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/globals/workbook_globals.h"
#include "xls/records/record_ids.h"
#include "xls/sheet/worksheet.h"

namespace chronolin {

void TWorkSheet::CheckRow(int row) const {
  if (row < 0 || row > kMaxRow) throw XlsError(Format(msg::kInvalidRow, row));
}

void TWorkSheet::CheckColumn(int column) const {
  if (column < 0 || column > kMaxColumn) throw XlsError(Format(msg::kInvalidColumn, column));
}

TCellInfo TWorkSheet::GetCell(int row, int column) const {
  CheckRow(row);
  CheckColumn(column);
  TCellInfo info;
  const TCellSlot* cell = cells_.CellList().FindSlot(static_cast<std::uint16_t>(row),
                                                     static_cast<std::uint16_t>(column));
  if (cell == nullptr) return info;
  info.value = cell->GetValue();
  info.xf = cell->XF();
  info.formula = cell->Id() == rid::kFormula;
  return info;
}

std::uint16_t TWorkSheet::DefaultXF(std::uint16_t row, std::uint16_t column) const {
  const TRowRecord* record = cells_.FindRow(row);
  std::uint16_t xf = record != nullptr ? record->Format() : 0;
  if (xf == 0) {
    if (const TColInfo* info = col_info_.Find(column)) xf = info->xf;
  }
  return xf;
}

TRowRecord& TWorkSheet::EnsureRowRecord(std::uint16_t row) {
  if (TRowRecord* record = cells_.FindRow(row)) return *record;
  cells_.RowList().SetSlot(row, std::make_unique<TRowRecord>(row));
  // Every row with cells keeps a slot in the row list, so that the save finds them all.
  cells_.PadRowSlots();
  return *cells_.FindRow(row);
}

void TWorkSheet::RemoveCell(std::uint16_t row, std::uint16_t column) {
  TCellRow* cells = cells_.CellList().Row(row);
  if (cells == nullptr) return;
  const std::ptrdiff_t i = cells->Find(column);
  if (i >= 0) cells->Delete(static_cast<std::size_t>(i));
}

void TWorkSheet::SetCell(int row, int column, const Variant& value, int xf) {
  CheckRow(row);
  CheckColumn(column);
  const auto r = static_cast<std::uint16_t>(row);
  const auto c = static_cast<std::uint16_t>(column);
  const std::uint16_t default_xf = DefaultXF(r, c);
  std::uint16_t use_xf = default_xf;
  if (const TCellSlot* old = cells_.CellList().FindSlot(r, c)) use_xf = old->XF();
  if (xf >= 0) use_xf = static_cast<std::uint16_t>(xf);

  // The new cell is made in full (its text's reference taken) before anything changes.
  TCellSlot cell;
  bool has_cell = true;
  const VarType type = value.Type();
  if (type == VarType::Boolean) {
    cell = TCellSlot::BoolErr(c, use_xf, value.ToBool() ? 1 : 0, 0);
  } else if (value.IsNumeric()) {
    // A 64-bit integer is stored as the nearest double rather than dropped.
    const double number = value.ToDouble();
    if (const std::optional<std::uint32_t> rk = EncodeRK(number)) {
      cell = TCellSlot::Rk(c, use_xf, *rk);
    } else {
      cell = TCellSlot::Number(c, use_xf, number);
    }
  } else if (type == VarType::Date || (value.IsText() && !value.ToWideString().empty())) {
    cell = TCellSlot::Text(c, use_xf, Globals().SST().AddString(value.ToWideString()));
  } else if (value.IsText() || value.IsEmpty() || value.IsNull()) {
    cell = TCellSlot::Blank(c, use_xf);
    has_cell = use_xf != default_xf;
  } else {
    has_cell = false;
  }

  TRowRecord& row_record = EnsureRowRecord(r);
  RemoveCell(r, c);
  if (!has_cell) return;
  if (row_record.LastColumnPlus1() < c + 1 || row_record.LastColumnPlus1() == 0) {
    row_record.SetColumnSpan(row_record.FirstColumn(), static_cast<std::uint16_t>(c + 1));
  }
  if (c < row_record.FirstColumn()) row_record.SetColumnSpan(c, row_record.LastColumnPlus1());
  cells_.AddCell(std::move(cell), r);
}

std::uint32_t TWorkSheet::ColumnWidth(int column) const {
  CheckColumn(column);
  const TColInfo* info = col_info_.Find(static_cast<std::uint16_t>(column));
  return info != nullptr ? info->width : default_column_width_;
}

void TWorkSheet::SetColumnWidth(int column, std::uint16_t width) {
  CheckColumn(column);
  col_info_.Ensure(static_cast<std::uint16_t>(column)).width = width;
}

std::uint16_t TWorkSheet::ColumnFormat(int column) const {
  CheckColumn(column);
  const TColInfo* info = col_info_.Find(static_cast<std::uint16_t>(column));
  return info != nullptr ? info->xf : 0;
}

void TWorkSheet::SetColumnFormat(int column, std::uint16_t xf) {
  CheckColumn(column);
  const auto c = static_cast<std::uint16_t>(column);
  if (col_info_.Find(c) == nullptr) {
    col_info_.Ensure(c).width =
        static_cast<std::uint16_t>(std::min<std::uint32_t>(default_column_width_, 0xFFFF));
  }
  col_info_.Ensure(c).xf = xf;
  const TCellList& cells = cells_.CellList();
  for (std::size_t r = 0; r < cells.RowCount(); ++r) {
    if (TCellSlot* cell = cells.FindSlot(static_cast<std::uint16_t>(r), c)) cell->SetXF(xf);
  }
}

std::uint16_t TWorkSheet::RowHeight(int row) const {
  CheckRow(row);
  const TRowRecord* record = cells_.FindRow(static_cast<std::uint16_t>(row));
  return record != nullptr ? record->Height() : default_row_height_;
}

void TWorkSheet::SetRowHeight(int row, std::uint16_t height) {
  CheckRow(row);
  EnsureRowRecord(static_cast<std::uint16_t>(row)).SetHeight(height);
}

std::uint16_t TWorkSheet::RowFormat(int row) const {
  CheckRow(row);
  const TRowRecord* record = cells_.FindRow(static_cast<std::uint16_t>(row));
  return record != nullptr ? record->Format() : 0;
}

void TWorkSheet::SetRowFormat(int row, std::uint16_t xf) {
  CheckRow(row);
  EnsureRowRecord(static_cast<std::uint16_t>(row)).SetFormat(xf);
  if (TCellRow* cells = cells_.CellList().Row(static_cast<std::size_t>(row))) {
    for (std::size_t i = 0; i < cells->Count(); ++i) (*cells)[i].SetXF(xf);
  }
}

bool TWorkSheet::RowAutoHeight(int row) const {
  CheckRow(row);
  const TRowRecord* record = cells_.FindRow(static_cast<std::uint16_t>(row));
  return record == nullptr || !record->HasCustomHeight();
}

void TWorkSheet::SetRowAutoHeight(int row, bool automatic) {
  CheckRow(row);
  if (TRowRecord* record = cells_.FindRow(static_cast<std::uint16_t>(row))) {
    record->SetCustomHeight(!automatic);
  }
}

int TWorkSheet::LastColumn(int row) const {
  CheckRow(row);
  TCellRow* cells = cells_.CellList().Row(static_cast<std::size_t>(row));
  if (cells == nullptr || cells->Empty()) return 0;
  cells->SortByColumn();
  return cells->Column(cells->Count() - 1);
}

TCellRange TWorkSheet::MergedRange(int row, int column) const {
  CheckRow(row);
  CheckColumn(column);
  const auto r = static_cast<std::uint16_t>(row);
  const auto c = static_cast<std::uint16_t>(column);
  if (const TCellRange* merged = ranges_.FindMerged(r, c)) return *merged;
  return TCellRange{r, r, c, c};
}

}  // namespace chronolin
