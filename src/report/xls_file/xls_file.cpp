// Cells, band cells, rows, names and sheets of the spreadsheet file. The interface counts rows,
// sheets and names from 1; the model counts them from 0.
#include "report/xls_file/xls_file.h"

#include <algorithm>

#include "common/format.h"
#include "report/report_error.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"

namespace chronolin {

TXLSFile::~TXLSFile() = default;

TWorkbook& TXLSFile::Book() const {
  if (!workbook_) throw ReportError("The spreadsheet file is not connected");
  return *workbook_;
}

std::size_t TXLSFile::SheetIndex(std::int32_t sheet) const {
  const auto count = static_cast<std::int32_t>(Book().SheetCount());
  if (sheet < 1 || sheet > count) {
    throw XlsError(Format(msg::kSheetNumberInvalid, sheet, 1, count));
  }
  return static_cast<std::size_t>(sheet - 1);
}

TWorkSheet* TXLSFile::Work() const {
  return Book().WorkSheet(SheetIndex(active_sheet_));
}

void TXLSFile::SetActiveSheet(std::int32_t sheet) {
  active_sheet_ = sheet;
  ShapesChanged();
}

// Cells ----------------------------------------------------------------------------------------

TXlsCellValue TXLSFile::ReadCell(std::int32_t row, std::int32_t column) {
  TXlsCellValue result;
  const TWorkSheet* sheet = Work();
  if (sheet == nullptr) return result;
  TCellInfo info = sheet->GetCell(row - 1, column);
  result.Value = std::move(info.value);
  result.XF = info.xf;
  result.IsFormula = info.formula;
  return result;
}

void TXLSFile::WriteCell(std::int32_t row, std::int32_t column, const Variant& value,
                         std::int32_t xf) {
  TWorkSheet* sheet = Work();
  if (sheet == nullptr) return;
  if (xf >= 0) CheckFormat(xf);
  sheet->SetCell(row - 1, column, value, xf < 0 ? -1 : xf);
}

Variant TXLSFile::GetCellValue(std::int32_t row, std::int32_t col) {
  return ReadCell(row, col - 1).Value;
}

void TXLSFile::SetCellValue(std::int32_t row, std::int32_t col, const Variant& value) {
  WriteCell(row, col - 1, value, -1);
}

TXlsCellValue TXLSFile::GetCellValueX(std::int32_t row, std::int32_t col) {
  return ReadCell(row, col - 1);
}

void TXLSFile::SetCellValueX(std::int32_t row, std::int32_t col, const TXlsCellValue& value) {
  WriteCell(row, col - 1, value.Value, value.XF);
}

std::int32_t TXLSFile::BandRowCellCount(std::int32_t row) {
  const TWorkSheet* sheet = Work();
  if (sheet == nullptr || row < 1) return 0;
  const auto r = static_cast<std::size_t>(row - 1);
  if (sheet->Cells().CellList().Row(r) == nullptr) return 0;
  return band_last_col_ - band_first_col_ + 1;
}

Variant TXLSFile::GetBandCellValue(std::int32_t row, std::int32_t offset) {
  return ReadCell(row, band_first_col_ + offset).Value;
}

TXlsCellValue TXLSFile::GetBandCellValueX(std::int32_t row, std::int32_t offset) {
  return ReadCell(row, band_first_col_ + offset);
}

void TXLSFile::SetBandCellValue(std::int32_t row, std::int32_t offset, const Variant& value) {
  WriteCell(row, band_first_col_ + offset, value, -1);
}

void TXLSFile::SetBandCellValueX(std::int32_t row, std::int32_t offset,
                                 const TXlsCellValue& value) {
  WriteCell(row, band_first_col_ + offset, value.Value, value.XF);
}

void TXLSFile::SetBandColumns(std::int32_t namedRange) {
  const TNamedRange range = Range(namedRange);
  band_first_col_ = range.first_column;
  band_last_col_ = range.last_column;
}

std::int32_t TXLSFile::MaxRow() {
  const TWorkSheet* sheet = Work();
  return sheet == nullptr ? 0 : static_cast<std::int32_t>(sheet->Cells().RowList().Count());
}

std::int32_t TXLSFile::MaxCol() {
  const TWorkSheet* sheet = Work();
  if (sheet == nullptr) return 0;
  const TCellList& cells = sheet->Cells().CellList();
  std::int32_t result = 0;
  for (std::size_t r = 0; r < cells.RowCount(); ++r) {
    const TCellRow* list = cells.Row(r);
    if (list == nullptr || list->Empty()) continue;
    result = std::max(result, sheet->LastColumn(static_cast<int>(r)) + 1);
  }
  return result;
}

bool TXLSFile::IsEmptyRow(std::int32_t row) {
  const TWorkSheet* sheet = Work();
  if (sheet == nullptr || row < 1 || row - 1 > TWorkSheet::kMaxRow) return true;
  return sheet->Cells().FindRow(static_cast<std::uint16_t>(row - 1)) == nullptr;
}

namespace {

// The cells of a row sorted by column, or null.
TCellRow* SortedRow(const TWorkSheet& sheet, std::int32_t row) {
  if (row < 1) return nullptr;
  TCellRow* list = sheet.Cells().CellList().Row(static_cast<std::size_t>(row - 1));
  if (list != nullptr) list->SortByColumn();
  return list;
}

}  // namespace

std::int32_t TXLSFile::ColByIndex(std::int32_t row, std::int32_t index) {
  const TWorkSheet* sheet = Work();
  if (sheet == nullptr) return 0;
  const TCellRow* list = SortedRow(*sheet, row);
  if (list == nullptr || index < 1 || static_cast<std::size_t>(index) > list->Count()) return 0;
  return list->Column(static_cast<std::size_t>(index - 1)) + 1;
}

std::int32_t TXLSFile::ColIndexCount(std::int32_t row) {
  const TWorkSheet* sheet = Work();
  if (sheet == nullptr) return 0;
  const TCellRow* list = SortedRow(*sheet, row);
  return list == nullptr ? 0 : static_cast<std::int32_t>(list->Count());
}

std::int32_t TXLSFile::ColIndex(std::int32_t row, std::int32_t col) {
  const TWorkSheet* sheet = Work();
  if (sheet == nullptr) return 0;
  const TCellRow* list = SortedRow(*sheet, row);
  if (list == nullptr) return 0;
  // The cell's place in the row, or where it would go.
  std::size_t low = 0;
  std::size_t high = list->Count();
  while (low < high) {
    const std::size_t mid = (low + high) / 2;
    if (list->Column(mid) < col - 1) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return static_cast<std::int32_t>(low) + 1;
}

// Rows -----------------------------------------------------------------------------------------

void TXLSFile::InsertAndCopyRows(std::int32_t firstRow, std::int32_t lastRow, std::int32_t destRow,
                                 std::int32_t count, bool onlyFormulas) {
  // No copies asked: nothing changes (a full table of one record, say).
  if (count == 0 || Work() == nullptr) return;
  const auto sheet = static_cast<int>(SheetIndex(active_sheet_));
  ShapesChanged();
  Book().InsertAndCopyRows(sheet, firstRow - 1, lastRow - 1, destRow - 1, count, onlyFormulas);
}

void TXLSFile::DeleteRows(std::int32_t row, std::int32_t count) {
  if (Work() == nullptr) return;
  const auto sheet = static_cast<int>(SheetIndex(active_sheet_));
  ShapesChanged();
  Book().DeleteRows(sheet, row - 1, count);
}

template <class F>
void TXLSFile::ForEachMarkedRow(const std::u16string& mark, F&& f) {
  TWorkSheet* sheet = Work();
  if (sheet == nullptr) return;
  const TCellList& cells = sheet->Cells().CellList();
  for (std::size_t r = cells.RowCount(); r-- > 0;) {
    // One row's failure (too many page breaks, say) leaves the others to be handled.
    try {
      const TCellInfo cell = sheet->GetCell(static_cast<int>(r), 0);
      if (cell.value.IsEmpty() || cell.value.ToWideString() != mark) continue;
      f(*sheet, static_cast<int>(r));
    } catch (const std::exception&) {
    }
  }
}

void TXLSFile::DeleteMarkedRows(const std::u16string& mark) {
  const auto index = static_cast<int>(SheetIndex(active_sheet_));
  ShapesChanged();
  ForEachMarkedRow(mark, [&](TWorkSheet&, int row) { Book().DeleteRows(index, row, 1); });
}

void TXLSFile::MakePageBreaks(const std::u16string& mark) {
  ForEachMarkedRow(mark, [](TWorkSheet& sheet, int row) {
    sheet.AddPageBreak(row);
    sheet.SetCell(row, 0, Variant(), -1);
  });
}

// Names ----------------------------------------------------------------------------------------

const TNameRecord& TXLSFile::Name(std::int32_t index) const {
  const TNameRecordList& names = Book().Globals().Names();
  if (index < 1 || static_cast<std::size_t>(index) > names.Count()) {
    throw XlsError(Format(msg::kIndexOutOfRange, index, "Named range index", 1,
                          static_cast<int>(names.Count())));
  }
  return *names.Name(static_cast<std::size_t>(index - 1));
}

TNamedRange TXLSFile::Range(std::int32_t index) const {
  return Name(index).Range(Book().Globals().References());
}

std::int32_t TXLSFile::NamedRangeCount() {
  return static_cast<std::int32_t>(Book().Globals().Names().Count());
}

std::u16string TXLSFile::GetNamedRangeName(std::int32_t index) {
  return Name(index).Name();
}

std::int32_t TXLSFile::NamedRangeFirstRow(std::int32_t index) {
  return Range(index).first_row + 1;
}

std::int32_t TXLSFile::NamedRangeLastRow(std::int32_t index) {
  return Range(index).last_row + 1;
}

std::int32_t TXLSFile::NamedRangeFirstCol(std::int32_t index) {
  return Range(index).first_column + 1;
}

std::int32_t TXLSFile::NamedRangeLastCol(std::int32_t index) {
  return Range(index).last_column + 1;
}

std::int32_t TXLSFile::NamedRangeSheet(std::int32_t index) {
  return Range(index).sheet + 1;
}

// Sheets ---------------------------------------------------------------------------------------

std::u16string TXLSFile::GetActiveSheetName() {
  return Book().SheetName(SheetIndex(active_sheet_));
}

void TXLSFile::SetActiveSheetName(const std::u16string& name) {
  Book().SetSheetName(SheetIndex(active_sheet_), name);
}

void TXLSFile::InsertAndCopySheets(std::int32_t source, std::int32_t position, std::int32_t count) {
  ShapesChanged();
  Book().InsertSheets(source - 1, position - 1, static_cast<std::uint8_t>(count));
}

std::int32_t TXLSFile::SheetCount() {
  return static_cast<std::int32_t>(Book().SheetCount());
}

void TXLSFile::SelectSheet(std::int32_t sheet) {
  Book().SelectSheet(SheetIndex(sheet));
}

bool TXLSFile::IsWorksheet(std::int32_t sheet) {
  return Book().IsWorksheet(SheetIndex(sheet));
}

std::int32_t TXLSFile::FormatCount() {
  return static_cast<std::int32_t>(Book().Globals().XFs().Count());
}

void TXLSFile::CheckFormat(std::int32_t xf) const {
  const std::size_t count = Book().Globals().XFs().Count();
  if (xf < 0 || static_cast<std::size_t>(xf) >= count) {
    throw XlsError(
        Format(msg::kIndexOutOfRange, xf, "Format index", 0, static_cast<int>(count) - 1));
  }
}

}  // namespace chronolin
