#include "report/mem_columns.h"

#include "common/format.h"
#include "common/text_codec.h"
#include "report/report_error.h"

namespace chronolin {

void TMemColumn::SetName(std::string name) {
  list_->CheckUnique(this, name);
  name_ = std::move(name);
}

TMemColumn& TMemColumnList::Add(std::string name) {
  CheckUnique(nullptr, name);
  items_.push_back(std::make_unique<TMemColumn>(*this, std::move(name)));
  Changed();
  return *items_.back();
}

void TMemColumnList::Delete(std::size_t index) {
  if (index >= items_.size()) return;
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
  Changed();
}

void TMemColumnList::Move(std::size_t from, std::size_t to) {
  if (from >= items_.size() || to >= items_.size() || from == to) return;
  auto item = std::move(items_[from]);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(from));
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(to), std::move(item));
  Changed();
}

void TMemColumnList::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

std::int32_t TMemColumnList::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (EqualsIgnoreCase(items_[i]->Name(), name)) return static_cast<std::int32_t>(i);
  }
  return -1;
}

void TMemColumnList::CheckUnique(const TMemColumn* column, std::string_view name) const {
  // Unnamed columns are not yet named: several may wait for their names.
  if (name.empty()) return;
  for (const auto& item : items_) {
    if (item.get() != column && EqualsIgnoreCase(item->Name(), name)) {
      throw ReportError(Format(report_msg::kDuplicatedFieldName, std::string(name).c_str()));
    }
  }
}

}  // namespace chronolin
