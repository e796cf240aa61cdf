#include "xls/cells/cells.h"

#include <algorithm>
#include <iterator>

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"

namespace chronolin {

void TCellRow::SortByColumn() {
  if (sorted_) return;
  std::stable_sort(slots_.begin(), slots_.end(),
                   [](const TCellSlot& a, const TCellSlot& b) { return a.Column() < b.Column(); });
  sorted_ = true;
}

std::ptrdiff_t TCellRow::Find(std::uint16_t column) {
  SortByColumn();
  auto it = std::lower_bound(slots_.begin(), slots_.end(), column,
                             [](const TCellSlot& s, std::uint16_t c) { return s.Column() < c; });
  if (it == slots_.end() || it->Column() != column) return -1;
  return it - slots_.begin();
}

void TCellRow::Add(TCellSlot slot) {
  if (!slots_.empty() && slots_.back().Column() > slot.Column()) sorted_ = false;
  slots_.push_back(std::move(slot));
}

TCellRow& TCellList::EnsureRow(std::size_t row) {
  if (row >= rows_.size()) rows_.resize(row + 1);
  rows_[row].used_ = true;
  return rows_[row];
}

TCellSlot* TCellList::FindSlot(std::uint16_t row, std::uint16_t column) const {
  TCellRow* cells = Row(row);
  if (cells == nullptr) return nullptr;
  const std::ptrdiff_t i = cells->Find(column);
  return i < 0 ? nullptr : &(*cells)[static_cast<std::size_t>(i)];
}

TCellRecord* TCellList::Find(std::uint16_t row, std::uint16_t column) const {
  TCellSlot* slot = FindSlot(row, column);
  return slot == nullptr ? nullptr : &slot->Materialize(row, sst_);
}

void TCellList::InsertRows(std::size_t row, std::size_t count) {
  if (row >= rows_.size()) return;
  std::vector<TCellRow> empty(count);
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(row),
               std::make_move_iterator(empty.begin()), std::make_move_iterator(empty.end()));
}

void TCellList::RemoveRows(std::size_t row, std::size_t count) {
  if (row >= rows_.size()) return;
  const std::size_t end = std::min(rows_.size(), row + count);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row),
              rows_.begin() + static_cast<std::ptrdiff_t>(end));
}

std::size_t TCellList::RecordCount() const {
  std::size_t n = 0;
  for (const TCellRow& row : rows_) n += row.Count();
  return n;
}

void TCellList::CloneFrom(const TCellList& other) {
  rows_.clear();
  rows_.resize(other.rows_.size());
  for (std::size_t r = 0; r < other.rows_.size(); ++r) {
    const TCellRow& from = other.rows_[r];
    TCellRow& to = rows_[r];
    to.used_ = from.used_;
    to.sorted_ = from.sorted_;
    to.slots_.reserve(from.slots_.size());
    for (const TCellSlot& slot : from.slots_) to.slots_.push_back(slot.Clone());
  }
}

void TCellList::SaveRow(std::size_t row, TOutStream& out) const {
  if (row >= rows_.size()) return;
  TCellRow& cells = rows_[row];
  cells.SortByColumn();
  const auto r = static_cast<std::uint16_t>(row);
  // Plain cells are gathered and written a run at a time: a sheet holds hundreds of
  // thousands of them.
  std::uint8_t run[4096];
  std::size_t used = 0;
  auto flush = [&] {
    if (used > 0) out.Write(run, used);
    used = 0;
  };
  for (const TCellSlot& slot : cells.slots_) {
    if (slot.IsRecord()) {
      flush();
      slot.SaveToStream(r, out);
      continue;
    }
    if (used + TCellSlot::kMaxPlainSize > sizeof run) flush();
    used += slot.Encode(r, run + used);
  }
  flush();
}

std::int64_t TCellList::TotalSize() const {
  std::int64_t total = 0;
  for (const TCellRow& row : rows_) {
    for (const TCellSlot& slot : row.slots_) total += slot.TotalSize();
  }
  return total;
}

void TCells::AddRow(std::unique_ptr<TRowRecord> row) {
  const std::uint16_t r = row->Row();
  if (r < rows_.Count() && rows_[r] != nullptr) throw XlsError(msg::kDuplicatedRow);
  rows_.SetSlot(r, std::move(row));
}

void TCells::AddCell(std::unique_ptr<TCellRecord> cell) {
  const std::uint16_t r = cell->Row();
  cells_.Add(TCellSlot::FromRecord(std::move(cell)), r);
}

void TCells::AddCell(TCellSlot slot, std::uint16_t row) {
  TCellRow& cells = cells_.EnsureRow(row);
  // A row's cells arrive together: room for the row's span at the first one spares the
  // vector's doubling.
  if (cells.Empty()) {
    if (const TRowRecord* record = FindRow(row)) {
      const std::uint16_t first = record->FirstColumn();
      const std::uint16_t last = record->LastColumnPlus1();
      if (last > first && last - first <= 256) cells.Reserve(last - first);
    }
  }
  cells.Add(std::move(slot));
}

TRowRecord* TCells::FindRow(std::uint16_t row) const {
  return row < rows_.Count() ? static_cast<TRowRecord*>(rows_[row]) : nullptr;
}

TRowRecord& TCells::GetRow(std::uint16_t row) const {
  TRowRecord* record = FindRow(row);
  if (record == nullptr) throw XlsError(Format(msg::kMissingRow, row));
  return *record;
}

void TCells::PadRowSlots() {
  if (rows_.Count() < cells_.RowCount()) rows_.Resize(cells_.RowCount());
}

void TCells::SaveToStream(TOutStream& out) const {
  if (rows_.Count() < cells_.RowCount()) throw XlsError(msg::kRowCountMismatch);
  std::size_t row = 0;
  while (row < rows_.Count()) {
    std::size_t end = row;
    std::size_t met = 0;
    while (end < rows_.Count() && met < kRowsPerBlock) {
      if (rows_[end] != nullptr) ++met;
      ++end;
    }
    for (std::size_t r = row; r < end; ++r) {
      if (rows_[r] != nullptr) rows_[r]->SaveToStream(out);
    }
    for (std::size_t r = row; r < end; ++r) cells_.SaveRow(r, out);
    row = end;
  }
}

}  // namespace chronolin
