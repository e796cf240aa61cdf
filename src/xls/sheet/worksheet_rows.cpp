// Rows inserted, copied and deleted in a worksheet, with every row-based record that follows
// them: ROW records, cells, notes, merged and conditional ranges, drawing anchors, page breaks
// and the formulas' references.
#include <algorithm>

#include "common/format.h"
#include "xls/cells/formula_record.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/formulas/token_shift.h"
#include "xls/globals/workbook_globals.h"
#include "xls/records/biff_bytes.h"
#include "xls/records/record_ids.h"
#include "xls/records/sheet_records.h"
#include "xls/sheet/worksheet.h"

namespace chronolin {

namespace {

template <class F>
void ForEachRecord(const TBaseRowColList& list, std::size_t from, F&& f) {
  for (std::size_t r = from; r < list.RowCount(); ++r) {
    if (TRowColRecordList* row = list.Row(r)) {
      for (std::size_t i = 0; i < row->Count(); ++i) f((*row)[i], r);
    }
  }
}

template <class List>
int LastUsedRow(const List& list) {
  for (std::size_t r = list.RowCount(); r-- > 0;) {
    if (list.Row(r) != nullptr && !list.Row(r)->Empty()) return static_cast<int>(r);
  }
  return -1;
}

// The ranges of a MERGEDCELLS or CONDFMT record, rewritten by `edit`, which returns false to
// drop one. Returns how many are left.
template <class F>
std::size_t EditRanges(TRangesRecord& head, F&& edit) {
  std::vector<TCellRange> kept;
  for (TCellRange r : head.Ranges()) {
    if (edit(r)) kept.push_back(r);
  }
  head.SetRanges(kept);
  return kept.size();
}

// Rows moved down: `count` rows inserted at `from`.
void InsertRowsInto(TCellRange& r, int from, int count) {
  auto moved = [&](int row) {
    return static_cast<std::uint16_t>(row >= from ? std::min(row + count, 0xFFFF) : row);
  };
  r.first_row = moved(r.first_row);
  r.last_row = moved(r.last_row);
}

// Rows [first, first + count) deleted: a range keeps the rows that are left; false when none is.
bool DeleteRowsFrom(TCellRange& r, int first, int count) {
  const int end = first + count;
  if (r.first_row >= first && r.last_row < end) return false;
  auto moved = [&](int row, int inside) {
    return static_cast<std::uint16_t>(row >= end ? row - count : row >= first ? inside : row);
  };
  r.first_row = moved(r.first_row, first);
  r.last_row = moved(r.last_row, first - 1);
  return r.first_row <= r.last_row;
}

bool Inside(const TCellRange& r, int first, int last) {
  return r.first_row >= first && r.last_row <= last;
}

// Tokens the walk can step over are shifted; others are left as written (a rule's formula
// does not stop an edit).
void ShiftRuleTokens(TTokenSpan t, const tokens::TRowShift& shift) {
  if (!tokens::FirstUnwalkable(t.data, t.size)) (void)tokens::ShiftRows(t.data, t.size, shift);
}

// The validation and hyperlink records of a list, their ranges rewritten by `edit` (which
// returns false to drop a range); a DV or hyperlink left without range goes, and the DVAL's
// count with it.
template <class F>
void EditLinkedRanges(TBaseRecordList& list, F&& edit) {
  TDValRecord* dval = nullptr;
  for (std::size_t i = 0; i < list.Count(); ++i) {
    if (list[i]->Id() == rid::kDVal) dval = static_cast<TDValRecord*>(list[i]);
  }
  for (std::size_t i = list.Count(); i-- > 0;) {
    TBaseRecord* record = list[i];
    if (record->Id() == rid::kDv) {
      auto* dv = static_cast<TDvRecord*>(record);
      std::vector<TCellRange> kept;
      for (TCellRange r : dv->Ranges()) {
        if (edit(r)) kept.push_back(r);
      }
      if (kept.empty()) {
        list.Delete(i);
        if (dval != nullptr && dval->DvCount() > 0) dval->SetDvCount(dval->DvCount() - 1);
      } else {
        dv->SetRanges(kept);
      }
    } else if (record->Id() == rid::kHLink || record->Id() == rid::kHLinkTooltip) {
      auto* link = static_cast<THLinkRecord*>(record);
      TCellRange r = link->Range();
      if (edit(r)) {
        link->SetRows(r.first_row, r.last_row);
      } else {
        list.Delete(i);
      }
    }
  }
}

// Validation ranges and hyperlinks lying wholly in rows [first, last] are copied `count`
// times, the k-th copy `delta(k)` rows away. A DV keeps its copies in its own range list, as
// many as its record holds.
template <class D>
void CopyLinkedRanges(TBaseRecordList& list, int first, int last, int count, D&& delta) {
  for (std::size_t i = 0; i < list.Count(); ++i) {
    TBaseRecord* record = list[i];
    if (record->Id() == rid::kDv) {
      auto* dv = static_cast<TDvRecord*>(record);
      std::vector<TCellRange> ranges = dv->Ranges();
      const std::size_t room = dv->MaxRanges();
      const std::size_t before = ranges.size();
      for (int k = 0; k < count; ++k) {
        for (std::size_t r = 0; r < before && ranges.size() < room; ++r) {
          if (!Inside(ranges[r], first, last)) continue;
          TCellRange copy = ranges[r];
          copy.first_row = static_cast<std::uint16_t>(copy.first_row + delta(k));
          copy.last_row = static_cast<std::uint16_t>(copy.last_row + delta(k));
          ranges.push_back(copy);
        }
      }
      if (ranges.size() != before) dv->SetRanges(ranges);
    } else if (record->Id() == rid::kHLink) {
      auto* link = static_cast<THLinkRecord*>(record);
      if (!Inside(link->Range(), first, last)) continue;
      // The link and its tooltip, copied together.
      std::size_t group = 1;
      if (i + 1 < list.Count() && list[i + 1]->Id() == rid::kHLinkTooltip) group = 2;
      std::size_t at = i + group;
      for (int k = 0; k < count; ++k) {
        for (std::size_t g = 0; g < group; ++g) {
          std::unique_ptr<TBaseRecord> clone = list[i + g]->Clone();
          auto* copy = static_cast<THLinkRecord*>(clone.get());
          const TCellRange r = copy->Range();
          copy->SetRows(static_cast<std::uint16_t>(r.first_row + delta(k)),
                        static_cast<std::uint16_t>(r.last_row + delta(k)));
          list.Insert(at++, std::move(clone));
        }
      }
      i = at - 1;
    }
  }
}

bool IsOpaqueCell(const TBaseRecord& record) {
  return record.Id() == rid::kLabel || record.Id() == rid::kRString;
}

// The opaque cells of a list follow rows inserted (count > 0) at `first` or deleted
// (count < 0) from it; those in deleted rows go.
void MoveOpaqueCells(TBaseRecordList& list, int first, int count) {
  for (std::size_t i = list.Count(); i-- > 0;) {
    if (!IsOpaqueCell(*list[i])) continue;
    auto* cell = static_cast<TBaseRowColRecord*>(list[i]);
    const int row = cell->Row();
    if (row < first) continue;
    if (count < 0 && row < first - count) {
      list.Delete(i);
    } else {
      cell->SetRow(static_cast<std::uint16_t>(std::min(row + count, 0xFFFF)));
    }
  }
}

}  // namespace

std::uint16_t TWorkSheet::MaxUsedRow() const {
  int last = std::max(LastUsedRow(cells_.CellList()), LastUsedRow(notes_));
  for (std::size_t r = cells_.RowList().Count(); r-- > 0;) {
    if (cells_.RowList()[r] != nullptr) {
      last = std::max(last, static_cast<int>(r));
      break;
    }
  }
  for (std::size_t i = 0; i < ranges_.Count(); ++i) {
    const TRangesRecord& head = ranges_[i].Head();
    for (std::size_t k = 0; k < head.RangeCount(); ++k) {
      last = std::max<int>(last, head.Range(k).last_row);
    }
  }
  last = std::max(last, drawing_->LastAnchorRow());
  if (!page_breaks_.Breaks().empty()) last = std::max<int>(last, page_breaks_.Breaks().back().row);
  return static_cast<std::uint16_t>(std::max(last, 0));
}

void TWorkSheet::CheckInsertAndCopyRows(int first, int last, int dest, int count) const {
  const int inserted = count * (last - first + 1);
  const int used = MaxUsedRow();
  if (used >= dest && used + inserted > kMaxRow) {
    throw XlsError(Format(msg::kTooManyEntries, used + inserted, kMaxRow));
  }
  if (count == 0) return;
  CheckArrayAnchors(first, last, false);
  const TDrawingGroup& group = Globals().DrawingGroup();
  drawing_->CheckCopyRows(first, last, group);
  // Every copy numbers new objects for the block's comments and other shapes.
  std::size_t objects = TDrawing::ObjectCount(drawing_->ShapesInRows(first, last));
  for (int r = first; r <= last; ++r) {
    if (TRowColRecordList* notes = notes_.Row(static_cast<std::size_t>(r))) {
      for (std::size_t i = 0; i < notes->Count(); ++i) {
        const std::uint16_t id = static_cast<TNoteRecord*>((*notes)[i])->ObjectId();
        drawing_->CheckCloneObject(id, group);
        objects += drawing_->HasObject(id);
      }
    }
  }
  drawing_->CheckNewObjects(static_cast<std::size_t>(count) * objects, group);
}

void TWorkSheet::CheckArrayAnchors(int first, int last, bool deleting) const {
  const TCellList& cells = cells_.CellList();
  const auto end = std::min<std::size_t>(cells.RowCount(), static_cast<std::size_t>(last) + 1);
  for (auto r = static_cast<std::size_t>(std::max(first, 0)); r < end; ++r) {
    const TCellRow* row = cells.Row(r);
    if (row == nullptr) continue;
    for (std::size_t i = 0; i < row->Count(); ++i) {
      const auto* formula = dynamic_cast<const TFormulaRecord*>((*row)[i].Record());
      if (formula == nullptr) continue;
      bool cut = false;
      if (deleting) {
        const TArrayRecord* array = formula->Array();
        cut = array != nullptr && array->LastRow() > last;
      } else if (formula->Array() == nullptr && formula->TokenLength() == 5 &&
                 formula->Tokens()[0] == 0x01) {
        // A cell of an array names its first cell.
        const int anchor_row = biff::Get16(formula->Tokens() + 1);
        cut = (anchor_row < first || anchor_row > last) &&
              IsArrayAnchor(static_cast<std::uint16_t>(anchor_row),
                            biff::Get16(formula->Tokens() + 3));
      }
      if (cut) {
        throw XlsError(Format(msg::kPartOfArray, static_cast<int>(r) + 1, row->Column(i) + 1));
      }
    }
  }
}

void TWorkSheet::CheckDeleteRows(int first, int count) const {
  if (count > 0) CheckArrayAnchors(first, first + count - 1, true);
  const TDrawingGroup& group = Globals().DrawingGroup();
  const auto at = static_cast<std::size_t>(first);
  for (std::size_t r = at; r < std::min(notes_.RowCount(), at + static_cast<std::size_t>(count));
       ++r) {
    if (TRowColRecordList* row = notes_.Row(r)) {
      for (std::size_t i = 0; i < row->Count(); ++i) {
        drawing_->CheckRemoveObject(static_cast<TNoteRecord*>((*row)[i])->ObjectId(), group);
      }
    }
  }
  drawing_->CheckDeleteRows(first, count, group);
}

void TWorkSheet::MoveRowsDown(int from, int count) {
  const int last = MaxUsedRow();
  if (last >= from && last + count > kMaxRow) {
    throw XlsError(Format(msg::kTooManyEntries, last + count, kMaxRow));
  }
  const auto at = static_cast<std::size_t>(from);
  const auto n = static_cast<std::size_t>(count);
  cells_.RowList().InsertSlots(at, n);
  cells_.CellList().InsertRows(at, n);
  notes_.InsertRows(at, n);
  for (std::size_t r = at + n; r < cells_.RowList().Count(); ++r) {
    if (auto* row = static_cast<TRowRecord*>(cells_.RowList()[r])) {
      row->SetRow(static_cast<std::uint16_t>(r));
    }
  }
  auto renumber = [](TBaseRecord* record, std::size_t r) {
    static_cast<TBaseRowColRecord*>(record)->TBaseRowColRecord::SetRow(
        static_cast<std::uint16_t>(r));
  };
  cells_.CellList().ForEachRecord(at + n, renumber);
  ForEachRecord(notes_, at + n, renumber);
  auto inserted = [&](TCellRange& r) {
    InsertRowsInto(r, from, count);
    return true;
  };
  for (std::size_t i = 0; i < ranges_.Count(); ++i) EditRanges(ranges_[i].Head(), inserted);
  EditLinkedRanges(head_, inserted);
  EditLinkedRanges(tail_, inserted);
  MoveOpaqueCells(head_, from, count);
  MoveOpaqueCells(tail_, from, count);
  drawing_->ShiftAnchors(from, count);
  page_breaks_.ShiftRows(from, count);
}

void TWorkSheet::RemoveRows(int first, int count) {
  const auto at = static_cast<std::size_t>(first);
  const auto n = static_cast<std::size_t>(count);
  // Comments go with their notes, other shapes with the rows they lie in: all in one pass.
  std::vector<std::uint16_t> comments;
  for (std::size_t r = at; r < std::min(notes_.RowCount(), at + n); ++r) {
    if (TRowColRecordList* row = notes_.Row(r)) {
      for (std::size_t i = 0; i < row->Count(); ++i) {
        comments.push_back(static_cast<TNoteRecord*>((*row)[i])->ObjectId());
      }
    }
  }
  drawing_->DeleteRows(first, count, comments, Globals().DrawingGroup());
  cells_.RowList().RemoveSlots(at, n);
  cells_.CellList().RemoveRows(at, n);
  notes_.RemoveRows(at, n);
  for (std::size_t r = at; r < cells_.RowList().Count(); ++r) {
    if (auto* row = static_cast<TRowRecord*>(cells_.RowList()[r])) {
      row->SetRow(static_cast<std::uint16_t>(r));
    }
  }
  auto renumber = [](TBaseRecord* record, std::size_t r) {
    static_cast<TBaseRowColRecord*>(record)->TBaseRowColRecord::SetRow(
        static_cast<std::uint16_t>(r));
  };
  cells_.CellList().ForEachRecord(at, renumber);
  ForEachRecord(notes_, at, renumber);
  auto deleted = [&](TCellRange& r) { return DeleteRowsFrom(r, first, count); };
  for (std::size_t i = ranges_.Count(); i-- > 0;) {
    if (EditRanges(ranges_[i].Head(), deleted) == 0) ranges_.Remove(i);
  }
  EditLinkedRanges(head_, deleted);
  EditLinkedRanges(tail_, deleted);
  MoveOpaqueCells(head_, first, -count);
  MoveOpaqueCells(tail_, first, -count);
  page_breaks_.ShiftRows(first, -count);
}

void TWorkSheet::CopyRow(int source, int dest, bool formulas_only) {
  const auto s = static_cast<std::size_t>(source);
  const auto d = static_cast<std::uint16_t>(dest);
  if (const auto* row = cells_.FindRow(static_cast<std::uint16_t>(source))) {
    auto clone = std::unique_ptr<TRowRecord>(static_cast<TRowRecord*>(row->Clone().release()));
    clone->SetRow(d);
    cells_.RowList().SetSlot(d, std::move(clone));
  }
  if (cells_.CellList().Row(s) != nullptr) {
    // The target row first: making it may move the others, the source among them.
    TCellRow& target = cells_.CellList().EnsureRow(d);
    const TCellRow* cells = cells_.CellList().Row(s);
    for (std::size_t i = 0; i < cells->Count(); ++i) {
      const TCellSlot& cell = (*cells)[i];
      const bool formula = cell.Id() == rid::kFormula;
      if (formulas_only && !formula) continue;
      TCellSlot clone = cell.Clone();
      // Plain cells take their row from the row that holds them; records carry their own.
      if (formula) {
        static_cast<TFormulaRecord*>(clone.Record())->MoveToRow(d);
      } else if (TCellRecord* record = clone.Record()) {
        record->SetRow(d);
      }
      target.Add(std::move(clone));
    }
  }
  if (!formulas_only) {
    // Opaque text cells of the row, copied beside the others of their list.
    for (TBaseRecordList* list : {&head_, &tail_}) {
      const std::size_t count = list->Count();
      for (std::size_t i = 0; i < count; ++i) {
        if (!IsOpaqueCell(*(*list)[i]) ||
            static_cast<TBaseRowColRecord*>((*list)[i])->Row() != source) {
          continue;
        }
        std::unique_ptr<TBaseRecord> clone = (*list)[i]->Clone();
        static_cast<TBaseRowColRecord*>(clone.get())->SetRow(d);
        list->Add(std::move(clone));
      }
    }
  }
  if (TRowColRecordList* notes = notes_.Row(s)) {
    TRowColRecordList& target = notes_.EnsureRow(d);
    for (std::size_t i = 0; i < notes->Count(); ++i) {
      auto* note = static_cast<TNoteRecord*>((*notes)[i]);
      std::unique_ptr<TBaseRecord> clone = note->Clone();
      auto* copy = static_cast<TNoteRecord*>(clone.get());
      copy->SetRow(d);
      const std::uint16_t object_id =
          drawing_->CloneObject(note->ObjectId(), dest - source, Globals().DrawingGroup());
      if (object_id != 0) copy->SetObjectId(object_id);
      target.Add(std::move(clone));
    }
  }
  cells_.PadRowSlots();
}

void TWorkSheet::InsertAndCopyRows(int first, int last, int dest, int count, bool formulas_only,
                                   const tokens::TRowShift& shift) {
  const int block = last - first + 1;
  const int inserted = count * block;
  // The block's shapes are found once: moving the rows below keeps them the same shapes.
  const std::vector<const TEscherRecord*> shapes = drawing_->ShapesInRows(first, last);
  MoveRowsDown(dest, inserted);
  ShiftFormulas(shift);
  // The source block, where step one left it.
  const int source = first >= dest ? first + inserted : first;
  for (int k = 0; k < count; ++k) {
    for (int r = 0; r < block; ++r) CopyRow(source + r, dest + k * block + r, formulas_only);
    drawing_->CopyShapes(shapes, dest + k * block - source, Globals().DrawingGroup());
  }
  auto delta = [&](int k) { return dest + k * block - source; };
  CopyLinkedRanges(head_, source, source + block - 1, count, delta);
  CopyLinkedRanges(tail_, source, source + block - 1, count, delta);
  // Merged and conditional ranges lying wholly in the source block are copied with it.
  const std::size_t blocks = ranges_.Count();
  for (std::size_t i = 0; i < blocks; ++i) {
    TRangeBlock& range = ranges_[i];
    std::vector<TCellRange> copies;
    for (const TCellRange& r : range.Head().Ranges()) {
      if (r.first_row < source || r.last_row >= source + block) continue;
      for (int k = 0; k < count; ++k) {
        copies.push_back({static_cast<std::uint16_t>(r.first_row + delta(k)),
                          static_cast<std::uint16_t>(r.last_row + delta(k)), r.first_column,
                          r.last_column});
      }
    }
    if (copies.empty()) continue;
    // Further blocks of the same kind hold the copies (a CONDFMT's rules cloned with it), a
    // bounded number per record so that each stays within a record's size.
    for (std::size_t from = 0; from < copies.size(); from += TRangesRecord::kMaxRanges) {
      const std::size_t to = std::min(copies.size(), from + TRangesRecord::kMaxRanges);
      std::unique_ptr<TRangeBlock> clone = range.Clone();
      clone->Head().SetRanges(
          std::vector<TCellRange>(copies.begin() + static_cast<std::ptrdiff_t>(from),
                                  copies.begin() + static_cast<std::ptrdiff_t>(to)));
      ranges_.Add(std::move(clone));
    }
  }
}

void TWorkSheet::DeleteRows(int first, int count, const tokens::TRowShift& shift) {
  RemoveRows(first, count);
  ShiftFormulas(shift);
}

void TWorkSheet::ShiftFormulas(const tokens::TRowShift& shift) {
  cells_.CellList().ForEachRecord(0, [&](TCellRecord* cell, std::size_t) {
    if (cell->Id() == rid::kFormula) static_cast<TFormulaRecord*>(cell)->ShiftRows(shift);
  });
  // The formulas of conditional formats and validations refer like the sheet's cells.
  for (std::size_t i = 0; i < ranges_.Count(); ++i) {
    const TBaseRecordList& records = ranges_[i].Records();
    for (std::size_t r = 0; r < records.Count(); ++r) {
      if (records[r]->Id() != rid::kCf) continue;
      auto* cf = static_cast<TCFRecord*>(records[r]);
      for (const int k : {0, 1}) ShiftRuleTokens(cf->Formula(k), shift);
    }
  }
  for (const TBaseRecordList* list : {&head_, &tail_}) {
    for (std::size_t r = 0; r < list->Count(); ++r) {
      if ((*list)[r]->Id() != rid::kDv) continue;
      auto* dv = static_cast<TDvRecord*>((*list)[r]);
      for (const int k : {0, 1}) ShiftRuleTokens(dv->Formula(k), shift);
    }
  }
}

void TWorkSheet::RenumberNames(const std::map<std::uint16_t, std::uint16_t>& renumbered) {
  if (renumbered.empty()) return;
  cells_.CellList().ForEachRecord(0, [&](TCellRecord* cell, std::size_t) {
    if (cell->Id() == rid::kFormula) static_cast<TFormulaRecord*>(cell)->RenumberNames(renumbered);
  });
}

void TWorkSheet::CheckFormulas() const {
  cells_.CellList().ForEachRecord(0, [&](TCellRecord* cell, std::size_t) {
    if (cell->Id() == rid::kFormula) static_cast<TFormulaRecord*>(cell)->CheckTokens();
  });
}

}  // namespace chronolin
