#pragma once
// The spreadsheet file over the workbook model: a template read from a compound document (from
// disk or from a template store), edited through the file interface, and saved as a new
// document that keeps the template's other streams.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "report/excel_file.h"
#include "report/xls_file/sheet_drawing_index.h"
#include "report/xls_file/template_store.h"
#include "xls/compound_file/xls_storage.h"
#include "xls/workbook.h"

namespace chronolin {

class TXLSAdapter;

class TXLSFile final : public TExcelFile {
 public:
  explicit TXLSFile(TXLSAdapter* adapter) : adapter_(adapter) {}
  ~TXLSFile() override;

  TXLSAdapter* Adapter() const { return adapter_; }
  // The model, for callers that need more than the interface; null outside Connect/Disconnect.
  TWorkbook* Workbook() const { return workbook_.get(); }

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

  std::int32_t GetActiveSheet() override { return active_sheet_; }
  void SetActiveSheet(std::int32_t sheet) override;
  std::u16string GetActiveSheetName() override;
  void SetActiveSheetName(const std::u16string& name) override;

  std::int32_t GetColumnWidth(std::int32_t col) override;
  std::int32_t GetRowHeight(std::int32_t row) override;
  void SetColumnWidth(std::int32_t col, std::int32_t width) override;
  void SetRowHeight(std::int32_t row, std::int32_t height) override;
  std::int32_t DefaultColumnWidth() override;
  std::int32_t DefaultRowHeight() override;

  bool GetRowAutoHeight(std::int32_t row) override;
  void SetRowAutoHeight(std::int32_t row, bool autoHeight) override;
  std::int32_t GetColumnFormat(std::int32_t col) override;
  std::int32_t GetRowFormat(std::int32_t row) override;
  void SetColumnFormat(std::int32_t col, std::int32_t xf) override;
  void SetRowFormat(std::int32_t row, std::int32_t xf) override;

  TXlsColor GetPaletteColor(std::int32_t index) override;
  void SetPaletteColor(std::int32_t index, TXlsColor color) override;
  void GetFormatDescription(std::int32_t xf, TXlsFormatDescription& format) override;
  bool GetShowGridLines() override;
  void SetShowGridLines(bool value) override;
  void GetMergedBounds(std::int32_t row, std::int32_t col, TXlsCellRange& range) override;

  void Connect() override;
  void Disconnect() override;
  void OpenFile(const std::string& fileName) override;
  void CloseFile() override {}

  void InsertAndCopySheets(std::int32_t source, std::int32_t position, std::int32_t count) override;
  std::int32_t SheetCount() override;
  void SelectSheet(std::int32_t sheet) override;
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
  void BeginSheet() override;
  void EndSheet(std::int32_t) override {}
  bool CanOptimizeRead() override { return true; }
  void AssignPicture(std::int32_t row, std::int32_t index, TXlsImgTypes pictureType,
                     const std::string& data) override;
  void AssignPictureFromStream(std::int32_t row, std::int32_t index, TXlsImgTypes pictureType,
                               std::istream& stream, TXlsAnchor& anchor) override;
  void SetComment(std::int32_t row, std::int32_t index, const std::u16string& text) override;

  std::int32_t BandRowCellCount(std::int32_t row) override;
  Variant GetBandCellValue(std::int32_t row, std::int32_t offset) override;
  TXlsCellValue GetBandCellValueX(std::int32_t row, std::int32_t offset) override;
  void SetBandCellValue(std::int32_t row, std::int32_t offset, const Variant& value) override;
  void SetBandCellValueX(std::int32_t row, std::int32_t offset,
                         const TXlsCellValue& value) override;

  std::int32_t MaxRow() override;
  std::int32_t MaxCol() override;
  bool IsEmptyRow(std::int32_t row) override;
  std::int32_t ColByIndex(std::int32_t row, std::int32_t index) override;
  std::int32_t ColIndexCount(std::int32_t row) override;
  std::int32_t ColIndex(std::int32_t row, std::int32_t col) override;

  void SetBandColumns(std::int32_t namedRange) override;
  std::int32_t BandFirstColumn() override { return band_first_col_ + 1; }
  void BeginFullTable(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
  void SetTableCellValue(std::int32_t row, std::int32_t offset, const Variant& value) override {
    SetBandCellValue(row, offset, value);
  }
  void EndFullTable() override {}
  bool IsWorksheet(std::int32_t sheet) override;
  std::int32_t FormatCount() override;

 private:
  TWorkbook& Book() const;
  // The active sheet as a worksheet, null for a chart sheet; "Sheet number ... invalid" for an
  // active sheet that does not exist.
  TWorkSheet* Work() const;
  std::size_t SheetIndex(std::int32_t sheet) const;   // 1-based, checked
  const TNameRecord& Name(std::int32_t index) const;  // 1-based, checked
  TNamedRange Range(std::int32_t index) const;
  // The drawing index of the active sheet, built on first use after a change of shapes.
  const TSheetDrawingIndex& DrawingIndex();
  void ShapesChanged() { drawing_index_sheet_ = -1; }
  // Picture `index` of a row (1-based; 0 or less: index is a drawing index) as a drawing index.
  std::size_t PictureIndex(std::int32_t row, std::int32_t index) const;
  TNoteRecord& Note(TWorkSheet& sheet, std::int32_t row, std::int32_t index);
  void CheckFormat(std::int32_t xf) const;
  // Cell at 0-based column `column` of 1-based `row`.
  TXlsCellValue ReadCell(std::int32_t row, std::int32_t column);
  void WriteCell(std::int32_t row, std::int32_t column, const Variant& value, std::int32_t xf);
  template <class F>
  void ForEachMarkedRow(const std::u16string& mark, F&& f);

  TXLSAdapter* adapter_;
  std::int32_t active_sheet_ = 1;
  std::unique_ptr<TWorkbook> workbook_;
  std::unique_ptr<TXlsStorageList> owned_streams_;
  const TXlsStorageList* streams_ = nullptr;
  std::int32_t band_first_col_ = 0;
  std::int32_t band_last_col_ = 0;
  // For each 1-based row, the drawing indexes of the pictures anchored in it, in drawing order.
  std::vector<std::vector<std::size_t>> picture_rows_;
  TSheetDrawingIndex drawing_index_;
  std::int32_t drawing_index_sheet_ = -1;
};

class TXLSAdapter : public TExcelAdapter {
 public:
  using TExcelAdapter::TExcelAdapter;
  ~TXLSAdapter() override;

  std::unique_ptr<TExcelFile> CreateExcelFile() override;

  TXlsBaseTemplateStore* TemplateStore() const { return template_store_; }
  // Cleared when the store is removed. Files borrow the store's streams from OpenFile to their
  // end: the store outlives the runs that use it.
  void SetTemplateStore(TXlsBaseTemplateStore* store);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TXlsBaseTemplateStore* template_store_ = nullptr;
};

}  // namespace chronolin
