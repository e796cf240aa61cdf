#include "xls/records/record_list.h"

#include <algorithm>
#include <utility>

namespace chronolin {

TBaseRecordList::~TBaseRecordList() = default;

void TBaseRecordList::Adopt(TBaseRecord* record) {
  if (record == nullptr) return;
  record->SetOwner(this);
  total_size_ += record->TotalSize();
}

void TBaseRecordList::Release(TBaseRecord* record) {
  if (record == nullptr) return;
  total_size_ -= record->TotalSize();
  record->SetOwner(nullptr);
}

TBaseRecord* TBaseRecordList::Add(std::unique_ptr<TBaseRecord> record) {
  Adopt(record.get());
  items_.push_back(std::move(record));
  return items_.back().get();
}

TBaseRecord* TBaseRecordList::Insert(std::size_t index, std::unique_ptr<TBaseRecord> record) {
  Adopt(record.get());
  if (index > items_.size()) index = items_.size();
  return items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(record))
      ->get();
}

void TBaseRecordList::SetSlot(std::size_t index, std::unique_ptr<TBaseRecord> record) {
  if (index >= items_.size()) items_.resize(index + 1);
  Release(items_[index].get());
  Adopt(record.get());
  items_[index] = std::move(record);
}

std::unique_ptr<TBaseRecord> TBaseRecordList::Extract(std::size_t index) {
  std::unique_ptr<TBaseRecord> record = std::move(items_[index]);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
  Release(record.get());
  return record;
}

void TBaseRecordList::Resize(std::size_t count) {
  for (std::size_t i = count; i < items_.size(); ++i) Release(items_[i].get());
  items_.resize(count);
}

void TBaseRecordList::InsertSlots(std::size_t index, std::size_t count) {
  if (index >= items_.size()) return;
  std::vector<std::unique_ptr<TBaseRecord>> empty(count);
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index),
                std::make_move_iterator(empty.begin()), std::make_move_iterator(empty.end()));
}

void TBaseRecordList::RemoveSlots(std::size_t index, std::size_t count) {
  if (index >= items_.size()) return;
  const std::size_t end = std::min(items_.size(), index + count);
  for (std::size_t i = index; i < end; ++i) Release(items_[i].get());
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index),
               items_.begin() + static_cast<std::ptrdiff_t>(end));
}

void TBaseRecordList::Clear() {
  Resize(0);
}

void TBaseRecordList::CloneFrom(const TBaseRecordList& other) {
  for (const auto& record : other.items_) {
    if (record) {
      Add(record->Clone());
    } else {
      items_.emplace_back();
    }
  }
}

void TBaseRecordList::SaveToStream(TOutStream& out) const {
  for (const auto& record : items_) {
    if (record) record->SaveToStream(out);
  }
}

std::unique_ptr<TBaseRecord> TSubListRecord::Clone() const {
  return std::make_unique<TSubListRecord>(list_);
}

}  // namespace chronolin
