#pragma once
// A worksheet sub-stream. Records the model edits are parsed into their members (cells, rows,
// column information, page breaks, merged and conditional ranges, drawing, notes); every other
// record is kept in order in the head list (before WINDOW2) or the tail list (from WINDOW2 on).
#include <cstdint>
#include <memory>

#include "xls/cells.h"
#include "xls/colinfo.h"
#include "xls/drawing.h"
#include "xls/formula_record.h"
#include "xls/note.h"
#include "xls/page_breaks.h"
#include "xls/range_list.h"
#include "xls/record_list.h"
#include "xls/sheet.h"

namespace chronolin {

class TWorkSheet final : public TSheet {
 public:
  static constexpr std::uint16_t kDefaultRowHeight = 255;
  static constexpr std::uint32_t kDefaultColumnWidth = 2900;  // 10 characters of 290

  using TSheet::TSheet;
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
  std::uint16_t DefaultRowHeight() const { return default_row_height_; }
  std::uint32_t DefaultColumnWidth() const { return default_column_width_; }

 protected:
  void Route(TBiffReader& reader, std::unique_ptr<TBaseRecord> record) override;
  void EndLoad() override;
  void SaveBody(TOutStream& out) const override;
  std::int64_t BodySize() const override;

 private:
  void AddToCurrentList(std::unique_ptr<TBaseRecord> record);
  void LinkNotes();
  void ExpandSharedFormulas();
  bool IsArrayAnchor(std::uint16_t row, std::uint16_t column) const;

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
