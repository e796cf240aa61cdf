// Workbook-level edits: rows inserted, copied or deleted in one sheet with every formula and
// name of the workbook following, and sheets copied.
#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/workbook.h"

namespace chronolin {

namespace {

constexpr std::uint16_t kSelected = 0x0200;

}  // namespace

TWorkSheet& TWorkbook::CheckedWorkSheet(int sheet) const {
  const int count = static_cast<int>(sheets_.size());
  if (sheet < 0 || sheet >= count || !sheets_[static_cast<std::size_t>(sheet)]->IsWorksheet()) {
    throw XlsError(Format(msg::kSheetNumberInvalid, sheet, 0, count - 1));
  }
  return static_cast<TWorkSheet&>(*sheets_[static_cast<std::size_t>(sheet)]);
}

void TWorkbook::CheckAllFormulas() const {
  for (const auto& sheet : sheets_) {
    if (const auto* work = dynamic_cast<const TWorkSheet*>(sheet.get())) work->CheckFormulas();
  }
  globals_.Names().CheckTokens();
}

void TWorkbook::ShiftAllFormulas(int sheet, int first, int delta) {
  tokens::TRowShift shift{first, delta, sheet, 0, &globals_.References()};
  for (std::size_t i = 0; i < sheets_.size(); ++i) {
    if (static_cast<int>(i) == sheet) continue;
    if (auto* work = dynamic_cast<TWorkSheet*>(sheets_[i].get())) {
      shift.own_sheet = static_cast<int>(i);
      work->ShiftFormulas(shift);
    }
  }
  shift.own_sheet = sheet;
  globals_.Names().ShiftRows(shift);
}

void TWorkbook::InsertAndCopyRows(int sheet, int first, int last, int dest, int count,
                                  bool formulas_only) {
  const long long block = static_cast<long long>(last) - first + 1;
  if (last < first || first < 0 || last > TWorkSheet::kMaxRow || (first < dest && dest <= last) ||
      dest + count * block > TWorkSheet::kMaxRow || dest < 0 || count < 0) {
    throw XlsError(msg::kInsertRowsArguments);
  }
  TWorkSheet& target = CheckedWorkSheet(sheet);
  if (count == 0) return;
  // Everything that can refuse the edit is asked first: a refusal changes nothing.
  CheckAllFormulas();
  target.CheckInsertAndCopyRows(first, last, dest, count);
  const tokens::TRowShift shift{dest, count * static_cast<int>(block), sheet, sheet,
                                &globals_.References()};
  target.InsertAndCopyRows(first, last, dest, count, formulas_only, shift);
  ShiftAllFormulas(sheet, dest, shift.delta);
}

void TWorkbook::DeleteRows(int sheet, int first, int count) {
  TWorkSheet& target = CheckedWorkSheet(sheet);
  if (first < 0 || first > TWorkSheet::kMaxRow) throw XlsError(Format(msg::kInvalidRow, first));
  if (count < 0 || first + count > TWorkSheet::kMaxRow + 1) {
    throw XlsError(Format(msg::kInvalidRow, first + count));
  }
  if (count == 0) return;
  CheckAllFormulas();
  target.CheckDeleteRows(first, count);
  const tokens::TRowShift shift{first, -count, sheet, sheet, &globals_.References()};
  target.DeleteRows(first, count, shift);
  ShiftAllFormulas(sheet, first, -count);
}

void TWorkbook::InsertSheets(int source, int position, int count) {
  const int sheets = static_cast<int>(sheets_.size());
  if (source < 0 || source >= sheets) {
    throw XlsError(Format(msg::kSheetNumberInvalid, source, 0, sheets - 1));
  }
  if (position < 0 || position > sheets) {
    throw XlsError(Format(msg::kSheetNumberInvalid, position, 0, sheets - 1));
  }
  if (count <= 0) return;
  // Each sheet needs its BOUNDSHEET; a file may claim fewer than it holds.
  if (globals_.BoundSheets().Count() != sheets_.size()) throw XlsError(msg::kFileInvalid);
  globals_.Names().CheckInsertSheets(source, position, count, globals_.References());
  if (const auto* work =
          dynamic_cast<const TWorkSheet*>(sheets_[static_cast<std::size_t>(source)].get())) {
    work->CheckNewDrawingIdentity();
  }
  const auto renumbered = globals_.Names().InsertSheets(source, position, count,
                                                       globals_.References(), sheets_.size());
  const std::uint16_t options = globals_.BoundSheets()[static_cast<std::size_t>(source)].Options();
  const std::unique_ptr<TSheet>& original = sheets_[static_cast<std::size_t>(source)];
  std::vector<std::unique_ptr<TSheet>> copies;
  for (int k = 0; k < count; ++k) {
    std::unique_ptr<TSheet> copy = original->Clone();
    if (TWindow2Record* window2 = copy->Window2()) {
      window2->SetOptions(static_cast<std::uint16_t>(window2->Options() & ~kSelected));
    }
    if (auto* work = dynamic_cast<TWorkSheet*>(copy.get())) {
      work->TakeNewDrawingIdentity();
      work->RenumberNames(renumbered[static_cast<std::size_t>(k)]);
    }
    copies.push_back(std::move(copy));
  }
  for (int k = 0; k < count; ++k) {
    globals_.BoundSheets().InsertNew(static_cast<std::size_t>(position + k), u"Sheet", options);
  }
  sheets_.insert(sheets_.begin() + position, std::make_move_iterator(copies.begin()),
                 std::make_move_iterator(copies.end()));
  // The active tab names the same sheet as before.
  if (TWindow1Record* window1 = globals_.Window1()) {
    if (window1->ActiveSheet() >= position) {
      window1->SetActiveSheet(static_cast<std::uint16_t>(window1->ActiveSheet() + count));
    }
  }
}

}  // namespace chronolin
