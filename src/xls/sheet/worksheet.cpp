#include "xls/sheet/worksheet.h"

#include <algorithm>

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/globals/workbook_globals.h"
#include "xls/records/record_ids.h"

namespace chronolin {

namespace {

template <class T>
std::unique_ptr<T> Downcast(std::unique_ptr<TBaseRecord>& record) {
  return std::unique_ptr<T>(static_cast<T*>(record.release()));
}

}  // namespace

TWorkSheet::TWorkSheet(TWorkbookGlobals& globals) : TSheet(globals) {
  cells_.CellList().SetStringTable(&globals.SST());
}

void TWorkSheet::AddToCurrentList(std::unique_ptr<TBaseRecord> record) {
  (in_tail_ ? tail_ : head_).Add(std::move(record));
}

void TWorkSheet::Route(TBiffReader& reader, std::unique_ptr<TBaseRecord> record) {
  TBaseRecord* r = record.get();
  if (auto* window2 = dynamic_cast<TWindow2Record*>(r)) {
    in_tail_ = true;
    SetWindow2(window2);
  }
  if (r->Id() != rid::kCf) last_cond_fmt_ = nullptr;
  switch (r->Id()) {
    case rid::kDefColWidth:
      default_column_width_ =
          static_cast<std::uint32_t>(static_cast<TDefColWidthRecord*>(r)->Width()) * 290;
      break;
    case rid::kDefRowHeight:
      default_row_height_ = static_cast<TDefRowHeightRecord*>(r)->Height();
      break;
    case rid::kMsoDrawing:
      drawing_->Load(reader, std::move(record), Globals(), Globals().SST());
      return;
    case rid::kNote: {
      const std::uint16_t row = static_cast<TNoteRecord*>(r)->Row();
      notes_.Add(std::move(record), row);
      return;
    }
    case rid::kColInfo:
      col_info_.Load(*r);
      return;
    case rid::kMulRk:
      for (auto& cell : static_cast<TMulRKRecord*>(r)->Expand()) cells_.AddCell(std::move(cell));
      return;
    case rid::kMulBlank:
      for (auto& cell : static_cast<TMulBlankRecord*>(r)->Expand()) cells_.AddCell(std::move(cell));
      return;
    case rid::kRow:
      cells_.AddRow(Downcast<TRowRecord>(record));
      return;
    case rid::kCondFmt: {
      auto block = std::make_unique<TRangeBlock>(Downcast<TCondFmtRecord>(record));
      last_cond_fmt_ = block.get();
      ranges_.Add(std::move(block));
      return;
    }
    case rid::kCf:
      if (last_cond_fmt_ != nullptr) {
        last_cond_fmt_->AddRule(std::move(record));
        return;
      }
      break;
    case rid::kMergedCells:
      ranges_.Add(std::make_unique<TRangeBlock>(Downcast<TCellMergingRecord>(record)));
      return;
    case rid::kShrFmla:
      shared_formulas_.push_back(Downcast<TShrFmlaRecord>(record));
      return;
    case rid::kHPageBreak:
      page_breaks_.Load(*r);
      return;
    case rid::kArray:
      // Kept with the formula of its first cell, so that it is written right after it.
      if (last_formula_ != nullptr && !last_formula_->Array()) {
        last_formula_->AttachArray(Downcast<TArrayRecord>(record));
        return;
      }
      break;
    case rid::kString:
      if (last_formula_ == nullptr) throw XlsError(msg::kFileInvalid);
      last_formula_->SetCachedText(static_cast<TStringRecord*>(r)->Text());
      return;
    default:
      break;
  }
  if (auto* cell = dynamic_cast<TCellRecord*>(r)) {
    if (auto* formula = dynamic_cast<TFormulaRecord*>(cell)) last_formula_ = formula;
    if (auto* label = dynamic_cast<TLabelSSTRecord*>(cell)) label->LinkToSST(Globals().SST());
    cells_.AddCell(Downcast<TCellRecord>(record));
    return;
  }
  AddToCurrentList(std::move(record));
}

bool TWorkSheet::RouteBody(std::uint16_t id, std::span<const std::uint8_t> body) {
  // The plain cells, by far the most records of a sheet, go to their slots without a record
  // object; anything of an unusual shape is left to Route.
  const std::uint8_t* p = body.data();
  switch (id) {
    case rid::kBlank:
    case rid::kNumber:
    case rid::kRk:
    case rid::kBoolErr:
    case rid::kLabelSst: {
      TCellSlot slot;
      if (!TCellSlot::FromBody(id, body, Globals().SST(), slot)) return false;
      cells_.AddCell(std::move(slot), biff::Get16(p));
      break;
    }
    case rid::kMulRk: {
      if (body.size() < 6) return false;
      const std::uint16_t row = biff::Get16(p);
      const std::uint16_t column = biff::Get16(p + 2);
      // Exactly the entries the body holds: 6 bytes each between row/column and the last column.
      for (std::size_t i = 0; 6 * i + 10 < body.size(); ++i) {
        cells_.AddCell(TCellSlot::Rk(static_cast<std::uint16_t>(column + i),
                                     biff::Get16(p + 4 + 6 * i), biff::Get32(p + 6 + 6 * i)),
                       row);
      }
      break;
    }
    case rid::kMulBlank: {
      if (body.size() < 6) return false;
      const std::uint16_t row = biff::Get16(p);
      const std::uint16_t column = biff::Get16(p + 2);
      for (std::size_t i = 0; 2 * i + 6 < body.size(); ++i) {
        cells_.AddCell(
            TCellSlot::Blank(static_cast<std::uint16_t>(column + i), biff::Get16(p + 4 + 2 * i)),
            row);
      }
      break;
    }
    default:
      return false;
  }
  last_cond_fmt_ = nullptr;
  return true;
}

void TWorkSheet::EndLoad() {
  ExpandSharedFormulas();
  // A file may leave rows without ROW records; they are written back the same way.
  cells_.PadRowSlots();
  last_formula_ = nullptr;
  last_cond_fmt_ = nullptr;
}

bool TWorkSheet::IsArrayAnchor(std::uint16_t row, std::uint16_t column) const {
  const TCellSlot* slot = cells_.CellList().FindSlot(row, column);
  auto* formula = dynamic_cast<TFormulaRecord*>(slot != nullptr ? slot->Record() : nullptr);
  return formula != nullptr && formula->Array() != nullptr && formula->Array()->FirstRow() == row &&
         formula->Array()->FirstColumn() == column;
}

void TWorkSheet::ExpandSharedFormulas() {
  auto key_less = [](const auto& a, const auto& b) {
    return a->FirstRow() != b->FirstRow() ? a->FirstRow() < b->FirstRow()
                                          : a->FirstColumn() < b->FirstColumn();
  };
  std::stable_sort(shared_formulas_.begin(), shared_formulas_.end(), key_less);
  const TCellList& cells = cells_.CellList();
  for (std::size_t r = 0; r < cells.RowCount(); ++r) {
    TCellRow* row = cells.Row(r);
    if (row == nullptr) continue;
    row->SortByColumn();  // look-ups below must not reorder the row being walked
    for (std::size_t i = 0; i < row->Count(); ++i) {
      auto* formula = dynamic_cast<TFormulaRecord*>((*row)[i].Record());
      if (formula == nullptr || !formula->IsSharedReference()) continue;
      const std::uint16_t key_row = formula->SharedRow();
      const std::uint16_t key_col = formula->SharedColumn();
      auto it = std::lower_bound(
          shared_formulas_.begin(), shared_formulas_.end(), std::make_pair(key_row, key_col),
          [](const auto& s, const std::pair<std::uint16_t, std::uint16_t>& k) {
            return s->FirstRow() != k.first ? s->FirstRow() < k.first : s->FirstColumn() < k.second;
          });
      if (it != shared_formulas_.end() && (*it)->FirstRow() == key_row &&
          (*it)->FirstColumn() == key_col) {
        formula->ExpandShared(**it);
        continue;
      }
      // The cells of an array formula point at their ARRAY record the same way: they keep the
      // reference, which stays valid with the ARRAY record written beside its formula.
      if (!IsArrayAnchor(key_row, key_col)) throw XlsError(msg::kNoSharedFormula);
    }
  }
  shared_formulas_.clear();
}

void TWorkSheet::SaveBody(TOutStream& out) const {
  head_.SaveToStream(out);
  page_breaks_.SaveToStream(out);
  col_info_.SaveToStream(out);
  cells_.SaveToStream(out);
  drawing_->SaveToStream(out);
  notes_.SaveToStream(out);
  tail_.SaveToStream(out);
  ranges_.SaveToStream(out);
}

std::int64_t TWorkSheet::BodySize() const {
  return head_.TotalSize() + page_breaks_.TotalSize() + col_info_.TotalSize() + cells_.TotalSize() +
         drawing_->TotalSize() + notes_.TotalSize() + tail_.TotalSize() + ranges_.TotalSize();
}

void TWorkSheet::Clear() {
  TSheet::Clear();
  head_.Clear();
  tail_.Clear();
  in_tail_ = false;
  page_breaks_.Clear();
  drawing_ = std::make_unique<TDrawing>();
  notes_.Clear();
  cells_.RowList().Clear();
  cells_.CellList().Clear();
  ranges_.Clear();
  col_info_.Clear();
  default_row_height_ = kDefaultRowHeight;
  default_column_width_ = kDefaultColumnWidth;
  SetWindow2(nullptr);
}

std::unique_ptr<TSheet> TWorkSheet::Clone() const {
  auto copy = std::make_unique<TWorkSheet>(Globals());
  copy->CopyEnds(*this);
  copy->head_.CloneFrom(head_);
  copy->tail_.CloneFrom(tail_);
  copy->in_tail_ = in_tail_;
  for (std::size_t i = 0; i < copy->tail_.Count(); ++i) {
    if (auto* window2 = dynamic_cast<TWindow2Record*>(copy->tail_[i])) {
      copy->SetWindow2(window2);
      break;
    }
  }
  copy->page_breaks_ = page_breaks_;
  copy->drawing_ = drawing_->Clone();
  copy->cells_.RowList().CloneFrom(cells_.RowList());
  copy->cells_.CellList().CloneFrom(cells_.CellList());
  for (std::size_t r = 0; r < notes_.RowCount(); ++r) {
    if (TRowColRecordList* row = notes_.Row(r)) copy->notes_.EnsureRow(r).CloneFrom(*row);
  }
  for (std::size_t i = 0; i < ranges_.Count(); ++i) copy->ranges_.Add(ranges_[i].Clone());
  copy->col_info_ = col_info_;
  copy->default_row_height_ = default_row_height_;
  copy->default_column_width_ = default_column_width_;
  return copy;
}

}  // namespace chronolin
