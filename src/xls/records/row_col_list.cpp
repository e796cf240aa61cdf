#include "xls/records/row_col_list.h"

#include <algorithm>
#include <iterator>

namespace chronolin {

namespace {

std::uint16_t ColumnOf(const TBaseRecord* record) {
  return record->Get16(2);
}

}  // namespace

void TRowColRecordList::SortByColumn() {
  if (sorted_) return;
  auto& items = Items();
  std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
    return ColumnOf(a.get()) < ColumnOf(b.get());
  });
  sorted_ = true;
}

std::ptrdiff_t TRowColRecordList::Find(std::uint16_t column) {
  SortByColumn();
  const auto& items = Items();
  auto it = std::lower_bound(items.begin(), items.end(), column,
                             [](const auto& r, std::uint16_t c) { return ColumnOf(r.get()) < c; });
  if (it == items.end() || ColumnOf(it->get()) != column) return -1;
  return it - items.begin();
}

TRowColRecordList& TBaseRowColList::EnsureRow(std::size_t row) {
  if (row >= rows_.size()) rows_.resize(row + 1);
  if (!rows_[row]) rows_[row] = std::make_unique<TRowColRecordList>();
  return *rows_[row];
}

void TBaseRowColList::Add(std::unique_ptr<TBaseRecord> record, std::uint16_t row) {
  TRowColRecordList& list = EnsureRow(row);
  if (list.Last() != nullptr && ColumnOf(list.Last()) > ColumnOf(record.get())) {
    list.sorted_ = false;
  }
  list.Add(std::move(record));
}

void TBaseRowColList::InsertRows(std::size_t row, std::size_t count) {
  if (row >= rows_.size()) return;
  std::vector<std::unique_ptr<TRowColRecordList>> empty(count);
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(row),
               std::make_move_iterator(empty.begin()), std::make_move_iterator(empty.end()));
}

void TBaseRowColList::RemoveRows(std::size_t row, std::size_t count) {
  if (row >= rows_.size()) return;
  const std::size_t end = std::min(rows_.size(), row + count);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row),
              rows_.begin() + static_cast<std::ptrdiff_t>(end));
}

std::size_t TBaseRowColList::RecordCount() const {
  std::size_t n = 0;
  for (const auto& row : rows_) n += row ? row->Count() : 0;
  return n;
}

void TBaseRowColList::SaveRow(std::size_t row, TOutStream& out) const {
  if (row < rows_.size() && rows_[row]) {
    rows_[row]->SortByColumn();
    rows_[row]->SaveToStream(out);
  }
}

void TBaseRowColList::SaveToStream(TOutStream& out) const {
  for (std::size_t r = 0; r < rows_.size(); ++r) SaveRow(r, out);
}

std::int64_t TBaseRowColList::TotalSize() const {
  std::int64_t total = 0;
  for (const auto& row : rows_) total += row ? row->TotalSize() : 0;
  return total;
}

}  // namespace chronolin
