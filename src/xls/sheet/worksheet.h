#pragma once
// A worksheet sub-stream. Records the model edits are parsed into their members (cells, rows,
// column information, page breaks, merged and conditional ranges, drawing, notes); every other
// record is kept in order in the head list (before WINDOW2) or the tail list (from WINDOW2 on).
#include <cstdint>
#include <memory>

#include "xls/cells/cells.h"
#include "xls/cells/formula_record.h"
#include "xls/drawing/drawing.h"
#include "xls/drawing/note.h"
#include "xls/formulas/token_shift.h"
#include "xls/records/record_list.h"
#include "xls/records/sheet_section.h"
#include "xls/sheet/colinfo.h"
#include "xls/sheet/page_breaks.h"
#include "xls/sheet/range_list.h"

namespace chronolin {

// A cell's value as the report engine reads it: an absent cell has an empty value, XF -1.
struct TCellInfo {
  Variant value;
  int xf = -1;
  bool formula = false;
};

class TWorkSheet final : public TSheet {
 public:
  static constexpr int kMaxRow = 65535;
  static constexpr int kMaxColumn = 255;

  static constexpr std::uint16_t kDefaultRowHeight = 255;
  static constexpr std::uint32_t kDefaultColumnWidth = 2900;  // 10 characters of 290

  explicit TWorkSheet(TWorkbookGlobals& globals);
  bool IsWorksheet() const override { return true; }
  std::unique_ptr<TSheet> Clone() const override;
  void Clear() override;

  const TBaseRecordList& HeadRecords() const { return head_; }
  const TBaseRecordList& TailRecords() const { return tail_; }
  TCells& Cells() { return cells_; }
  const TCells& Cells() const { return cells_; }
  TColInfoList& ColInfo() { return col_info_; }
  const TColInfoList& ColInfo() const { return col_info_; }
  TPageBreakList& PageBreaks() { return page_breaks_; }
  const TPageBreakList& PageBreaks() const { return page_breaks_; }
  const TRangeList& Ranges() const { return ranges_; }
  const TNoteList& Notes() const { return notes_; }
  const TDrawing& Drawing() const { return *drawing_; }
  TRangeList& Ranges() { return ranges_; }
  TNoteList& Notes() { return notes_; }
  TDrawing& Drawing() { return *drawing_; }
  std::uint16_t DefaultRowHeight() const { return default_row_height_; }
  std::uint32_t DefaultColumnWidth() const { return default_column_width_; }

  // Cells, rows and columns; 0-based. A row outside 0-65535 raises "Invalid Row (%d)", a
  // column outside 0-255 "Invalid Column (%d)", before anything changes.
  TCellInfo GetCell(int row, int column) const;
  // xf < 0 keeps the cell's format (or the row's, else the column's, for a new cell).
  void SetCell(int row, int column, const Variant& value, int xf = -1);
  std::uint32_t ColumnWidth(int column) const;
  void SetColumnWidth(int column, std::uint16_t width);
  std::uint16_t ColumnFormat(int column) const;
  void SetColumnFormat(int column, std::uint16_t xf);
  std::uint16_t RowHeight(int row) const;
  void SetRowHeight(int row, std::uint16_t height);
  std::uint16_t RowFormat(int row) const;
  void SetRowFormat(int row, std::uint16_t xf);
  bool RowAutoHeight(int row) const;
  void SetRowAutoHeight(int row, bool automatic);
  // Column of the row's last cell, 0 without cells.
  int LastColumn(int row) const;
  // The merged range holding the cell, else the cell itself.
  TCellRange MergedRange(int row, int column) const;
  void AddPageBreak(int row) { page_breaks_.Add(static_cast<std::uint16_t>(row)); }

  // Row operations, arguments already checked by the workbook. `shift` tells the sheet's own
  // index and the references; the sheet moves and copies its own records and formulas.
  void InsertAndCopyRows(int first, int last, int dest, int count, bool formulas_only,
                         const tokens::TRowShift& shift);
  // Raise what the row operations would refuse (rows pushed past the last row, objects that
  // cannot be copied, a drawing group that cannot number new shapes), before any change.
  void CheckInsertAndCopyRows(int first, int last, int dest, int count) const;
  void CheckDeleteRows(int first, int count) const;
  void DeleteRows(int first, int count, const tokens::TRowShift& shift);
  // Formulas of this sheet follow rows inserted or deleted in any sheet.
  void ShiftFormulas(const tokens::TRowShift& shift);
  // Throws the formula message for the first formula the walker cannot adjust.
  void CheckFormulas() const;
  // The sheet's formulas follow the names' new numbers (a copy using its own local names).
  void RenumberNames(const std::map<std::uint16_t, std::uint16_t>& renumbered);

  // Comments by row and index in the row (0-based): the text of the note's text box.
  std::u16string CommentText(int row, int index) const;
  void SetCommentText(int row, int index, std::u16string_view text);
  // The sheet's drawing is a copy: it gets a drawing id and shape ids of its own.
  void TakeNewDrawingIdentity();
  void CheckNewDrawingIdentity() const;

 protected:
  void Route(TBiffReader& reader, std::unique_ptr<TBaseRecord> record) override;
  bool RouteBody(std::uint16_t id, std::span<const std::uint8_t> body) override;
  void EndLoad() override;
  void SaveBody(TOutStream& out) const override;
  std::int64_t BodySize() const override;

 private:
  void AddToCurrentList(std::unique_ptr<TBaseRecord> record);
  void ExpandSharedFormulas();
  bool IsArrayAnchor(std::uint16_t row, std::uint16_t column) const;
  // Refuses rows [first, last] copied or deleted as a block when an array formula's cells
  // would be left naming a first cell that is not there: a copy holding cells of an array but
  // not its first cell, a deletion taking an array's first cell but not all its rows.
  void CheckArrayAnchors(int first, int last, bool deleting) const;
  void CheckRow(int row) const;
  void CheckColumn(int column) const;
  std::uint16_t DefaultXF(std::uint16_t row, std::uint16_t column) const;
  TRowRecord& EnsureRowRecord(std::uint16_t row);
  void RemoveCell(std::uint16_t row, std::uint16_t column);
  void MoveRowsDown(int from, int count);
  void RemoveRows(int first, int count);
  void CopyRow(int source, int dest, bool formulas_only);
  std::uint16_t MaxUsedRow() const;
  class TNoteRecord* FindNote(int row, int index) const;

  TBaseRecordList head_;
  TBaseRecordList tail_;
  bool in_tail_ = false;
  TPageBreakList page_breaks_;
  std::unique_ptr<TDrawing> drawing_ = std::make_unique<TDrawing>();
  TCells cells_;
  TRangeList ranges_;
  TNoteList notes_;
  TColInfoList col_info_;
  std::uint16_t default_row_height_ = kDefaultRowHeight;
  std::uint32_t default_column_width_ = kDefaultColumnWidth;

  // Load-time state.
  TFormulaRecord* last_formula_ = nullptr;
  TRangeBlock* last_cond_fmt_ = nullptr;
  std::vector<std::unique_ptr<TShrFmlaRecord>> shared_formulas_;
};

}  // namespace chronolin
