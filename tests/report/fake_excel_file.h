#pragma once
// An in-memory stand-in for the spreadsheet file: sheets of cells, notes, named pictures and
// defined names, with row insertion and deletion that move everything below, and a log of
// what the engine asked for.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "report/excel_file.h"

namespace chronolin::test {

struct FakePicture {
  std::int32_t Row = 0;
  std::u16string Name;
  std::string Data;
  TXlsImgTypes Type = TXlsImgTypes::xli_Jpeg;
  bool Assigned = false;
};

struct FakeSheet {
  std::u16string Name;
  bool Worksheet = true;
  std::map<std::int32_t, std::map<std::int32_t, TXlsCellValue>> Cells;  // row, column (1-based)
  std::map<std::int32_t, std::vector<std::u16string>> Comments;
  std::vector<FakePicture> Pictures;
  std::vector<std::int32_t> PageBreaks;

  void Set(std::int32_t row, std::int32_t col, Variant value, std::int32_t xf = 15,
           bool formula = false) {
    Cells[row][col] = TXlsCellValue{std::move(value), xf, formula};
  }
  void Set(std::int32_t row, std::int32_t col, const char* text, std::int32_t xf = 15) {
    Set(row, col, Variant::FromString(text), xf);
  }
  const TXlsCellValue* Cell(std::int32_t row, std::int32_t col) const;
  // The sheet as text: one line per row up to the last used one, cells joined by '|', empty
  // cells as nothing, trailing empties dropped.
  std::vector<std::string> Dump() const;
};

struct FakeName {
  std::u16string Name;
  std::int32_t Sheet = 1;
  std::int32_t FirstRow = 0, LastRow = 0, FirstCol = 1, LastCol = 1;
};

struct FakeWorkbook {
  std::vector<FakeSheet> Sheets;
  std::vector<FakeName> Names;
  std::int32_t ActiveSheet = 1;
  std::int32_t SelectedSheet = 1;
};

struct FakeLog {
  std::vector<std::string> InsertRows;  // "first-last@dest*count" (+" f" formulas only)
  std::vector<std::string> DeleteRows;  // "row*count"
  int Saves = 0;
  int Connects = 0;
  int Disconnects = 0;
  int CloseFiles = 0;
  std::string SavedName;
  std::string OpenedName;
};

class FakeAdapter;

class FakeExcelFile : public TExcelFile {
 public:
  explicit FakeExcelFile(FakeAdapter& adapter) : adapter_(adapter) {}

  Variant GetCellValue(std::int32_t row, std::int32_t col) override;
  void SetCellValue(std::int32_t row, std::int32_t col, const Variant& value) override;
  TXlsCellValue GetCellValueX(std::int32_t row, std::int32_t col) override;
  void SetCellValueX(std::int32_t row, std::int32_t col, const TXlsCellValue& value) override;
  std::int32_t CommentCount(std::int32_t row) override;
  std::u16string GetComment(std::int32_t row, std::int32_t index) override;
  std::u16string GetPictureName(std::int32_t row, std::int32_t index) override;
  std::int32_t PictureCount(std::int32_t row) override;
  std::int32_t NamedRangeCount() override;
  std::u16string GetNamedRangeName(std::int32_t index) override;
  std::int32_t NamedRangeFirstRow(std::int32_t index) override;
  std::int32_t NamedRangeLastRow(std::int32_t index) override;
  std::int32_t NamedRangeFirstCol(std::int32_t index) override;
  std::int32_t NamedRangeLastCol(std::int32_t index) override;
  std::int32_t NamedRangeSheet(std::int32_t index) override;
  std::int32_t GetActiveSheet() override { return wb().ActiveSheet; }
  void SetActiveSheet(std::int32_t sheet) override { wb().ActiveSheet = sheet; }
  std::u16string GetActiveSheetName() override { return Active().Name; }
  void SetActiveSheetName(const std::u16string& name) override { Active().Name = name; }
  std::int32_t GetColumnWidth(std::int32_t) override { return 0; }
  std::int32_t GetRowHeight(std::int32_t) override { return 0; }
  void SetColumnWidth(std::int32_t, std::int32_t) override {}
  void SetRowHeight(std::int32_t, std::int32_t) override {}
  std::int32_t DefaultColumnWidth() override { return kChartDefaultColumnWidth; }
  std::int32_t DefaultRowHeight() override { return kChartDefaultRowHeight; }
  bool GetRowAutoHeight(std::int32_t) override { return true; }
  void SetRowAutoHeight(std::int32_t, bool) override {}
  std::int32_t GetColumnFormat(std::int32_t) override { return 0; }
  std::int32_t GetRowFormat(std::int32_t) override { return 0; }
  void SetColumnFormat(std::int32_t, std::int32_t) override {}
  void SetRowFormat(std::int32_t, std::int32_t) override {}
  TXlsColor GetPaletteColor(std::int32_t) override { return 0; }
  void SetPaletteColor(std::int32_t, TXlsColor) override {}
  void GetFormatDescription(std::int32_t, TXlsFormatDescription&) override {}
  bool GetShowGridLines() override { return true; }
  void SetShowGridLines(bool) override {}
  void GetMergedBounds(std::int32_t row, std::int32_t col, TXlsCellRange& range) override {
    range = {row, col, row, col};
  }
  void Connect() override;
  void Disconnect() override;
  void OpenFile(const std::string& fileName) override;
  void CloseFile() override;
  void InsertAndCopySheets(std::int32_t source, std::int32_t position, std::int32_t count) override;
  std::int32_t SheetCount() override { return static_cast<std::int32_t>(wb().Sheets.size()); }
  void SelectSheet(std::int32_t sheet) override { wb().SelectedSheet = sheet; }
  void DeleteMarkedRows(const std::u16string& mark) override;
  void MakePageBreaks(const std::u16string& mark) override;
  void FinishPage() override {}
  void FinishPageTags(const std::u16string&) override {}
  void Save(bool autoClose, const std::string& fileName, std::ostream* outStream,
            const TOnGetOutStreamEvent& onGetOutStream,
            const TOnGetFileNameEvent& onGetFilename) override;
  void InsertAndCopyRows(std::int32_t firstRow, std::int32_t lastRow, std::int32_t destRow,
                         std::int32_t count, bool onlyFormulas) override;
  void DeleteRows(std::int32_t row, std::int32_t count) override;
  void BeginSheet() override {}
  void EndSheet(std::int32_t) override {}
  bool CanOptimizeRead() override;
  void AssignPicture(std::int32_t row, std::int32_t index, TXlsImgTypes pictureType,
                     const std::string& data) override;
  void AssignPictureFromStream(std::int32_t, std::int32_t, TXlsImgTypes, std::istream&,
                               TXlsAnchor&) override {}
  void SetComment(std::int32_t row, std::int32_t index, const std::u16string& text) override;
  std::int32_t BandRowCellCount(std::int32_t row) override;
  Variant GetBandCellValue(std::int32_t row, std::int32_t offset) override {
    return GetBandCellValueX(row, offset).Value;
  }
  TXlsCellValue GetBandCellValueX(std::int32_t row, std::int32_t offset) override {
    return GetCellValueX(row, band_first_col_ + offset + 1);
  }
  void SetBandCellValue(std::int32_t row, std::int32_t offset, const Variant& value) override {
    SetCellValue(row, band_first_col_ + offset + 1, value);
  }
  void SetBandCellValueX(std::int32_t row, std::int32_t offset,
                         const TXlsCellValue& value) override {
    SetCellValueX(row, band_first_col_ + offset + 1, value);
  }
  std::int32_t MaxRow() override;
  std::int32_t MaxCol() override { return 0; }
  bool IsEmptyRow(std::int32_t row) override { return Active().Cells.count(row) == 0; }
  std::int32_t ColByIndex(std::int32_t, std::int32_t) override { return 0; }
  std::int32_t ColIndexCount(std::int32_t) override { return 0; }
  std::int32_t ColIndex(std::int32_t, std::int32_t) override { return 0; }
  void SetBandColumns(std::int32_t namedRange) override;
  std::int32_t BandFirstColumn() override { return band_first_col_ + 1; }
  void BeginFullTable(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
  void SetTableCellValue(std::int32_t row, std::int32_t offset, const Variant& value) override {
    SetBandCellValue(row, offset, value);
  }
  void EndFullTable() override {}
  bool IsWorksheet(std::int32_t sheet) override;
  std::int32_t FormatCount() override { return 100; }

 private:
  FakeWorkbook& wb();
  FakeSheet& Active();
  // Moves rows from `from` on by `delta` (negative: up, dropping rows from+delta..from-1).
  void ShiftRows(std::int32_t from, std::int32_t delta);
  // Rows whose first cell holds `mark`, from the bottom up.
  void ForMarkedRows(const std::u16string& mark, const std::function<void(std::int32_t)>& action);

  FakeAdapter& adapter_;
  std::unique_ptr<FakeWorkbook> workbook_;
  std::int32_t band_first_col_ = 0;
  std::int32_t band_last_col_ = 0;
};

class FakeAdapter : public TExcelAdapter {
 public:
  using TExcelAdapter::TExcelAdapter;
  std::unique_ptr<TExcelFile> CreateExcelFile() override {
    return std::make_unique<FakeExcelFile>(*this);
  }

  FakeWorkbook Template;                // what OpenFile loads
  std::unique_ptr<FakeWorkbook> Saved;  // what the last Save wrote
  FakeLog Log;
  bool OptimizeRead = true;
  bool FailSave = false;
};

}  // namespace chronolin::test
