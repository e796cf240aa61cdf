#include "fake_excel_file.h"

#include <algorithm>
#include <stdexcept>

namespace chronolin::test {
namespace {

template <typename Map>
Map ShiftedKeys(Map& map, std::int32_t from, std::int32_t delta) {
  Map result;
  for (auto& [row, value] : map) {
    if (row >= from) {
      result.emplace(row + delta, std::move(value));
    } else if (delta >= 0 || row < from + delta) {
      result.emplace(row, std::move(value));
    }
  }
  return result;
}

}  // namespace

const TXlsCellValue* FakeSheet::Cell(std::int32_t row, std::int32_t col) const {
  auto r = Cells.find(row);
  if (r == Cells.end()) return nullptr;
  auto c = r->second.find(col);
  return c == r->second.end() ? nullptr : &c->second;
}

std::vector<std::string> FakeSheet::Dump() const {
  std::vector<std::string> lines;
  if (Cells.empty()) return lines;
  for (std::int32_t row = 1; row <= Cells.rbegin()->first; ++row) {
    std::string line;
    auto r = Cells.find(row);
    if (r != Cells.end()) {
      std::int32_t col = 1;
      for (const auto& [c, cell] : r->second) {
        for (; col < c; ++col) line += '|';
        line += cell.Value.IsNull() ? "<null>" : cell.Value.ToString();
      }
      while (!line.empty() && line.back() == '|') line.pop_back();
    }
    lines.push_back(line);
  }
  return lines;
}

FakeWorkbook& FakeExcelFile::wb() {
  if (!workbook_) throw std::logic_error("no workbook");
  return *workbook_;
}

FakeSheet& FakeExcelFile::Active() {
  return wb().Sheets.at(static_cast<std::size_t>(wb().ActiveSheet - 1));
}

Variant FakeExcelFile::GetCellValue(std::int32_t row, std::int32_t col) {
  return GetCellValueX(row, col).Value;
}

void FakeExcelFile::SetCellValue(std::int32_t row, std::int32_t col, const Variant& value) {
  SetCellValueX(row, col, TXlsCellValue{value, -1, false});
}

TXlsCellValue FakeExcelFile::GetCellValueX(std::int32_t row, std::int32_t col) {
  const TXlsCellValue* cell = Active().Cell(row, col);
  return cell == nullptr ? TXlsCellValue{} : *cell;
}

void FakeExcelFile::SetCellValueX(std::int32_t row, std::int32_t col, const TXlsCellValue& value) {
  if (col < 1 || col > 256) throw std::out_of_range("Invalid Column");
  TXlsCellValue& cell = Active().Cells[row][col];
  const std::int32_t xf = value.XF == -1 ? (cell.XF == -1 ? 15 : cell.XF) : value.XF;
  cell = TXlsCellValue{value.Value, xf, false};
}

std::int32_t FakeExcelFile::CommentCount(std::int32_t row) {
  auto it = Active().Comments.find(row);
  return it == Active().Comments.end() ? 0 : static_cast<std::int32_t>(it->second.size());
}

std::u16string FakeExcelFile::GetComment(std::int32_t row, std::int32_t index) {
  return Active().Comments.at(row).at(static_cast<std::size_t>(index));
}

void FakeExcelFile::SetComment(std::int32_t row, std::int32_t index, const std::u16string& text) {
  auto& notes = Active().Comments.at(row);
  if (text.empty()) {
    notes.erase(notes.begin() + index);
  } else {
    notes.at(static_cast<std::size_t>(index)) = text;
  }
}

std::int32_t FakeExcelFile::PictureCount(std::int32_t row) {
  return static_cast<std::int32_t>(std::count_if(Active().Pictures.begin(), Active().Pictures.end(),
                                                 [row](const auto& p) { return p.Row == row; }));
}

std::u16string FakeExcelFile::GetPictureName(std::int32_t row, std::int32_t index) {
  for (const auto& picture : Active().Pictures) {
    if (picture.Row == row && index-- == 0) return picture.Name;
  }
  throw std::out_of_range("picture");
}

void FakeExcelFile::AssignPicture(std::int32_t row, std::int32_t index, TXlsImgTypes pictureType,
                                  const std::string& data) {
  for (auto& picture : Active().Pictures) {
    if (picture.Row == row && index-- == 0) {
      picture.Data = data;
      picture.Type = pictureType;
      picture.Assigned = true;
      return;
    }
  }
  throw std::out_of_range("picture");
}

std::int32_t FakeExcelFile::NamedRangeCount() {
  return static_cast<std::int32_t>(wb().Names.size());
}
std::u16string FakeExcelFile::GetNamedRangeName(std::int32_t i) {
  return wb().Names.at(i - 1).Name;
}
std::int32_t FakeExcelFile::NamedRangeFirstRow(std::int32_t i) {
  return wb().Names.at(i - 1).FirstRow;
}
std::int32_t FakeExcelFile::NamedRangeLastRow(std::int32_t i) {
  return wb().Names.at(i - 1).LastRow;
}
std::int32_t FakeExcelFile::NamedRangeFirstCol(std::int32_t i) {
  return wb().Names.at(i - 1).FirstCol;
}
std::int32_t FakeExcelFile::NamedRangeLastCol(std::int32_t i) {
  return wb().Names.at(i - 1).LastCol;
}
std::int32_t FakeExcelFile::NamedRangeSheet(std::int32_t i) {
  return wb().Names.at(i - 1).Sheet;
}

void FakeExcelFile::Connect() {
  workbook_ = std::make_unique<FakeWorkbook>();
  ++adapter_.Log.Connects;
}

void FakeExcelFile::Disconnect() {
  workbook_.reset();
  ++adapter_.Log.Disconnects;
}

void FakeExcelFile::OpenFile(const std::string& fileName) {
  if (fileName != "template.xls")
    throw std::runtime_error("Can't find the file \"" + fileName + "\"");
  adapter_.Log.OpenedName = fileName;
  *workbook_ = adapter_.Template;
}

void FakeExcelFile::CloseFile() {
  ++adapter_.Log.CloseFiles;
}

void FakeExcelFile::InsertAndCopySheets(std::int32_t source, std::int32_t position,
                                        std::int32_t count) {
  FakeWorkbook& book = wb();
  const FakeSheet copy = book.Sheets.at(static_cast<std::size_t>(source - 1));
  std::vector<FakeName> names;
  for (FakeName name : book.Names) {
    if (name.Sheet >= position) name.Sheet += count;
    names.push_back(name);
  }
  for (std::int32_t k = 0; k < count; ++k) {
    FakeSheet sheet = copy;
    sheet.Name = u"Sheet" + std::u16string(1, static_cast<char16_t>(u'a' + k));
    book.Sheets.insert(book.Sheets.begin() + position - 1 + k, sheet);
    for (const FakeName& name : book.Names) {
      if (name.Sheet != source) continue;
      FakeName added = name;
      added.Sheet = position + k;
      names.push_back(added);
    }
  }
  book.Names = names;
}

bool FakeExcelFile::IsWorksheet(std::int32_t sheet) {
  return wb().Sheets.at(static_cast<std::size_t>(sheet - 1)).Worksheet;
}

void FakeExcelFile::ShiftRows(std::int32_t from, std::int32_t delta) {
  FakeSheet& sheet = Active();
  sheet.Cells = ShiftedKeys(sheet.Cells, from, delta);
  sheet.Comments = ShiftedKeys(sheet.Comments, from, delta);
  std::vector<FakePicture> pictures;
  for (FakePicture picture : sheet.Pictures) {
    if (picture.Row >= from) {
      picture.Row += delta;
    } else if (delta < 0 && picture.Row >= from + delta) {
      continue;
    }
    pictures.push_back(picture);
  }
  sheet.Pictures = pictures;
  for (auto& row : sheet.PageBreaks) {
    if (row >= from) row += delta;
  }
  for (FakeName& name : wb().Names) {
    if (name.Sheet != wb().ActiveSheet) continue;
    if (name.FirstRow >= from) name.FirstRow = std::max(from, name.FirstRow + delta);
    if (name.LastRow >= from) name.LastRow = std::max(from - 1, name.LastRow + delta);
  }
}

void FakeExcelFile::InsertAndCopyRows(std::int32_t firstRow, std::int32_t lastRow,
                                      std::int32_t destRow, std::int32_t count, bool onlyFormulas) {
  adapter_.Log.InsertRows.push_back(std::to_string(firstRow) + "-" + std::to_string(lastRow) + "@" +
                                    std::to_string(destRow) + "*" + std::to_string(count) +
                                    (onlyFormulas ? " f" : ""));
  if (count <= 0 || destRow <= lastRow) throw std::invalid_argument("Ivalid arguments");
  FakeSheet& sheet = Active();
  const std::int32_t height = lastRow - firstRow + 1;
  const FakeSheet source = sheet;
  ShiftRows(destRow, height * count);
  for (std::int32_t k = 0; k < count; ++k) {
    for (std::int32_t r = firstRow; r <= lastRow; ++r) {
      const std::int32_t to = destRow + k * height + (r - firstRow);
      if (auto it = source.Cells.find(r); it != source.Cells.end()) {
        for (const auto& [col, cell] : it->second) {
          if (onlyFormulas && !cell.IsFormula) continue;
          sheet.Cells[to][col] = cell;
        }
      }
      if (auto it = source.Comments.find(r); it != source.Comments.end())
        sheet.Comments[to] = it->second;
      for (const FakePicture& picture : source.Pictures) {
        if (picture.Row != r) continue;
        FakePicture copy = picture;
        copy.Row = to;
        sheet.Pictures.push_back(copy);
      }
    }
  }
}

void FakeExcelFile::DeleteRows(std::int32_t row, std::int32_t count) {
  adapter_.Log.DeleteRows.push_back(std::to_string(row) + "*" + std::to_string(count));
  ShiftRows(row + count, -count);
}

void FakeExcelFile::ForMarkedRows(const std::u16string& mark,
                                  const std::function<void(std::int32_t)>& action) {
  for (std::int32_t row = MaxRow(); row >= 1; --row) {
    const TXlsCellValue* cell = Active().Cell(row, 1);
    if (cell != nullptr && cell->Value.IsText() && cell->Value.ToWideString() == mark) action(row);
  }
}

void FakeExcelFile::DeleteMarkedRows(const std::u16string& mark) {
  ForMarkedRows(mark, [this](std::int32_t row) { ShiftRows(row + 1, -1); });
}

void FakeExcelFile::MakePageBreaks(const std::u16string& mark) {
  ForMarkedRows(mark, [this](std::int32_t row) {
    Active().PageBreaks.push_back(row);
    SetCellValue(row, 1, Variant());
  });
}

void FakeExcelFile::Save(bool, const std::string& fileName, std::ostream*,
                         const TOnGetOutStreamEvent&, const TOnGetFileNameEvent& onGetFilename) {
  std::string name = fileName;
  if (onGetFilename) onGetFilename(this, 0, name);
  if (adapter_.FailSave) throw std::runtime_error("disk full");
  ++adapter_.Log.Saves;
  adapter_.Log.SavedName = name;
  adapter_.Saved = std::make_unique<FakeWorkbook>(wb());
}

bool FakeExcelFile::CanOptimizeRead() {
  return adapter_.OptimizeRead;
}

std::int32_t FakeExcelFile::BandRowCellCount(std::int32_t row) {
  return Active().Cells.count(row) == 0 ? 0 : band_last_col_ - band_first_col_ + 1;
}

std::int32_t FakeExcelFile::MaxRow() {
  return Active().Cells.empty() ? 0 : Active().Cells.rbegin()->first;
}

void FakeExcelFile::SetBandColumns(std::int32_t namedRange) {
  band_first_col_ = wb().Names.at(namedRange - 1).FirstCol - 1;
  band_last_col_ = wb().Names.at(namedRange - 1).LastCol - 1;
}

}  // namespace chronolin::test
