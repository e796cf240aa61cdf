#pragma once
// The spreadsheet file interface: everything the report engine does to a template and its
// result goes through a TExcelFile, made by a TExcelAdapter. The engine never sees the file
// format behind it.
//
// Coordinates: sheets, rows, named ranges, comments (notes) and pictures count from 1; a
// comment or picture index inside a row counts from 0. Operations taking an absolute column
// count it from 1; the band operations take a 0-based offset from the first band column (set
// by SetBandColumns), so absolute column c and band offset c - BandFirstColumn() reach the
// same cell.
//
// A worksheet operation acts only when the active sheet is a worksheet; on a chart sheet it
// does nothing and a reading operation returns the default given in its comment (kChart*).
//
// The order of the virtual operations below is the interface's slot order; keep it.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

#include "common/variant.h"
#include "report/component.h"

namespace chronolin {

// A cell as read or written with its format. XF -1: no cell when read; keep the cell's
// existing format when written.
struct TXlsCellValue {
  Variant Value;
  std::int32_t XF = -1;
  bool IsFormula = false;
};

// 1-based bounds of a merged range (or of a single cell).
struct TXlsCellRange {
  std::int32_t Top = 0;
  std::int32_t Left = 0;
  std::int32_t Bottom = 0;
  std::int32_t Right = 0;
};

// Where a picture is anchored: columns and rows with their offsets inside the cell.
struct TXlsAnchor {
  std::int32_t Col1 = 0;
  std::int32_t Dx1 = 0;
  std::int32_t Row1 = 0;
  std::int32_t Dy1 = 0;
  std::int32_t Col2 = 0;
  std::int32_t Dx2 = 0;
  std::int32_t Row2 = 0;
  std::int32_t Dy2 = 0;
};

// Picture data types of AssignPicture.
enum class TXlsImgTypes : std::int32_t { xli_Emf = 0, xli_Wmf = 1, xli_Jpeg = 2, xli_Png = 3 };

// Colours are 0x00BBGGRR.
using TXlsColor = std::uint32_t;

enum class TXlsBorderStyle : std::uint8_t {
  None,
  Thin,
  Medium,
  Dashed,
  Dotted,
  Thick,
  Double,
  Hair,
  MediumDashed,
  DashDot,
  MediumDashDot,
  DashDotDot,
  MediumDashDotDot,
  SlantedDashDot
};

struct TXlsBorder {
  TXlsBorderStyle Style = TXlsBorderStyle::None;
  std::int32_t ColorIndex = 0;  // palette index
};

// The description of a cell format that GetFormatDescription decodes from the format's XF
// record with its font and number format.
struct TXlsFormatDescription {
  std::u16string FontName;
  std::int32_t FontHeight = 0;  // twentieths of a point
  std::int32_t FontColorIndex = 0;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  TXlsBorder Left, Right, Top, Bottom;
  std::int32_t FillPattern = 0;
  std::int32_t FillForeColorIndex = 0;
  std::int32_t FillBackColorIndex = 0;
  std::u16string NumberFormat;
  std::int32_t HAlignment = 0;  // as stored: 0 general, 1 left, 2 centre, 3 right, ...
  std::int32_t VAlignment = 0;  // 0 top, 1 centre, 2 bottom, ...
  bool WrapText = false;
  std::int32_t Rotation = 0;
  std::int32_t Indent = 0;
  bool Locked = true;
  bool Hidden = false;
};

// Save events. Sender is the file object; FileFormat is always 0.
using TOnGetFileNameEvent =
    std::function<void(TObject* sender, std::int32_t fileFormat, std::string& fileName)>;
using TOnGetOutStreamEvent =
    std::function<void(TObject* sender, std::int32_t fileFormat, std::ostream*& outStream)>;

// What reading operations return on a chart sheet.
inline constexpr std::int32_t kChartColumnWidth = 0;
inline constexpr std::int32_t kChartRowHeight = 0;
inline constexpr std::int32_t kChartDefaultColumnWidth = 10;
inline constexpr std::int32_t kChartDefaultRowHeight = 255;
inline constexpr bool kChartRowAutoHeight = true;
inline constexpr std::int32_t kChartFormat = 0;  // column and row formats
inline constexpr bool kChartShowGridLines = true;
inline constexpr std::int32_t kChartCount = 0;  // MaxRow, MaxCol, ColIndexCount, ColIndex...
inline constexpr bool kChartIsEmptyRow = true;

class TExcelFile : public TObject {
 public:
  ~TExcelFile() override = default;

  // 0-3. Absolute columns. Reading a cell that does not exist gives an empty value (XF -1).
  virtual Variant GetCellValue(std::int32_t row, std::int32_t col) = 0;
  // Writes the value keeping the cell's format.
  virtual void SetCellValue(std::int32_t row, std::int32_t col, const Variant& value) = 0;
  virtual TXlsCellValue GetCellValueX(std::int32_t row, std::int32_t col) = 0;
  virtual void SetCellValueX(std::int32_t row, std::int32_t col, const TXlsCellValue& value) = 0;

  // 4-7. Notes and pictures of a row. A picture row of 0 or less makes the index a drawing
  // index over the whole sheet (and PictureCount the sheet's count of drawing objects).
  virtual std::int32_t CommentCount(std::int32_t row) = 0;  // 0 beyond the last row with notes
  virtual std::u16string GetComment(std::int32_t row, std::int32_t index) = 0;
  virtual std::u16string GetPictureName(std::int32_t row, std::int32_t index) = 0;
  virtual std::int32_t PictureCount(std::int32_t row) = 0;

  // 8-14. Defined names of the workbook, 1-based.
  virtual std::int32_t NamedRangeCount() = 0;
  virtual std::u16string GetNamedRangeName(std::int32_t index) = 0;
  virtual std::int32_t NamedRangeFirstRow(std::int32_t index) = 0;
  virtual std::int32_t NamedRangeLastRow(std::int32_t index) = 0;
  virtual std::int32_t NamedRangeFirstCol(std::int32_t index) = 0;
  virtual std::int32_t NamedRangeLastCol(std::int32_t index) = 0;
  virtual std::int32_t NamedRangeSheet(std::int32_t index) = 0;

  // 15-18. The sheet every sheet operation acts on (no check when setting).
  virtual std::int32_t GetActiveSheet() = 0;
  virtual void SetActiveSheet(std::int32_t sheet) = 0;
  virtual std::u16string GetActiveSheetName() = 0;
  virtual void SetActiveSheetName(const std::u16string& name) = 0;

  // 19-24. Sizes; a column or row without its own gives the sheet's default.
  virtual std::int32_t GetColumnWidth(std::int32_t col) = 0;  // kChartColumnWidth
  virtual std::int32_t GetRowHeight(std::int32_t row) = 0;    // kChartRowHeight
  virtual void SetColumnWidth(std::int32_t col, std::int32_t width) = 0;
  virtual void SetRowHeight(std::int32_t row, std::int32_t height) = 0;
  virtual std::int32_t DefaultColumnWidth() = 0;  // kChartDefaultColumnWidth
  virtual std::int32_t DefaultRowHeight() = 0;    // kChartDefaultRowHeight

  // 25-30.
  virtual bool GetRowAutoHeight(std::int32_t row) = 0;  // kChartRowAutoHeight
  virtual void SetRowAutoHeight(std::int32_t row, bool autoHeight) = 0;
  virtual std::int32_t GetColumnFormat(std::int32_t col) = 0;  // kChartFormat
  virtual std::int32_t GetRowFormat(std::int32_t row) = 0;     // kChartFormat
  virtual void SetColumnFormat(std::int32_t col, std::int32_t xf) = 0;
  virtual void SetRowFormat(std::int32_t row, std::int32_t xf) = 0;

  // 31-36.
  virtual TXlsColor GetPaletteColor(std::int32_t index) = 0;
  virtual void SetPaletteColor(std::int32_t index, TXlsColor color) = 0;
  virtual void GetFormatDescription(std::int32_t xf, TXlsFormatDescription& format) = 0;
  virtual bool GetShowGridLines() = 0;  // kChartShowGridLines
  virtual void SetShowGridLines(bool value) = 0;
  virtual void GetMergedBounds(std::int32_t row, std::int32_t col, TXlsCellRange& range) = 0;

  // 37-40. Connect makes an empty workbook, OpenFile loads the template into it.
  virtual void Connect() = 0;
  virtual void Disconnect() = 0;
  virtual void OpenFile(const std::string& fileName) = 0;
  virtual void CloseFile() = 0;

  // 41-48. Copies of sheet `source` go before sheet `position`; the count is taken as an
  // unsigned 8-bit number.
  virtual void InsertAndCopySheets(std::int32_t source, std::int32_t position,
                                   std::int32_t count) = 0;
  virtual std::int32_t SheetCount() = 0;
  virtual void SelectSheet(std::int32_t sheet) = 0;
  // Rows whose first-column value, as text, equals `mark`: deleted, or given a page break and
  // emptied. An error on one row is ignored.
  virtual void DeleteMarkedRows(const std::u16string& mark) = 0;
  virtual void MakePageBreaks(const std::u16string& mark) = 0;
  virtual void FinishPage() = 0;
  virtual void FinishPageTags(const std::u16string& tagMarker) = 0;
  // Target: `outStream` when given, else the stream OnGetOutStream gives, else the file
  // (OnGetFilename may change its name). An existing file is never overwritten.
  virtual void Save(bool autoClose, const std::string& fileName, std::ostream* outStream,
                    const TOnGetOutStreamEvent& onGetOutStream,
                    const TOnGetFileNameEvent& onGetFilename) = 0;

  // 49-56. Rows 1-based. Copies of rows first..last, `count` times, inserted at `destRow`;
  // with onlyFormulas the copies carry only the formula cells (formats, notes and pictures
  // always). A count of 0 changes nothing.
  virtual void InsertAndCopyRows(std::int32_t firstRow, std::int32_t lastRow, std::int32_t destRow,
                                 std::int32_t count, bool onlyFormulas) = 0;
  virtual void DeleteRows(std::int32_t row, std::int32_t count) = 0;
  // Indexes the active sheet's pictures by row; the row-based picture operations use it.
  virtual void BeginSheet() = 0;
  virtual void EndSheet(std::int32_t rowIndex) = 0;
  virtual bool CanOptimizeRead() = 0;
  virtual void AssignPicture(std::int32_t row, std::int32_t index, TXlsImgTypes pictureType,
                             const std::string& data) = 0;
  virtual void AssignPictureFromStream(std::int32_t row, std::int32_t index,
                                       TXlsImgTypes pictureType, std::istream& stream,
                                       TXlsAnchor& anchor) = 0;
  // Non-empty text replaces note `index` of the row; empty text deletes it.
  virtual void SetComment(std::int32_t row, std::int32_t index, const std::u16string& text) = 0;

  // 57-61. Band cells, column as an offset from the first band column.
  virtual std::int32_t BandRowCellCount(std::int32_t row) = 0;
  virtual Variant GetBandCellValue(std::int32_t row, std::int32_t offset) = 0;
  virtual TXlsCellValue GetBandCellValueX(std::int32_t row, std::int32_t offset) = 0;
  virtual void SetBandCellValue(std::int32_t row, std::int32_t offset, const Variant& value) = 0;
  virtual void SetBandCellValueX(std::int32_t row, std::int32_t offset,
                                 const TXlsCellValue& value) = 0;

  // 62-67. Sheet extent and the cells of a row (kChartCount, kChartIsEmptyRow).
  virtual std::int32_t MaxRow() = 0;
  virtual std::int32_t MaxCol() = 0;
  virtual bool IsEmptyRow(std::int32_t row) = 0;
  virtual std::int32_t ColByIndex(std::int32_t row, std::int32_t index) = 0;
  virtual std::int32_t ColIndexCount(std::int32_t row) = 0;
  virtual std::int32_t ColIndex(std::int32_t row, std::int32_t col) = 0;

  // 68-74.
  virtual void SetBandColumns(std::int32_t namedRange) = 0;
  virtual std::int32_t BandFirstColumn() = 0;  // 1-based
  virtual void BeginFullTable(std::int32_t tagRow, std::int32_t firstCol, std::int32_t lastCol,
                              std::int32_t lastRow) = 0;
  virtual void SetTableCellValue(std::int32_t row, std::int32_t offset, const Variant& value) = 0;
  virtual void EndFullTable() = 0;
  virtual bool IsWorksheet(std::int32_t sheet) = 0;
  virtual std::int32_t FormatCount() = 0;
};

// Makes the file objects of a report.
class TExcelAdapter : public TComponent {
 public:
  using TComponent::TComponent;
  virtual std::unique_ptr<TExcelFile> CreateExcelFile() = 0;
};

}  // namespace chronolin
