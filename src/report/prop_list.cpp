#include "report/prop_list.h"

#include <algorithm>
#include <numeric>

#include "common/text_codec.h"

namespace chronolin {

std::ptrdiff_t TPropList::IndexOf(std::string_view name) {
  if (!sorted_) {
    std::vector<std::size_t> order(items_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [this](std::size_t a, std::size_t b) { return keys_[a] < keys_[b]; });
    std::vector<std::unique_ptr<TProp>> items;
    std::vector<std::string> keys;
    items.reserve(order.size());
    keys.reserve(order.size());
    for (std::size_t i : order) {
      items.push_back(std::move(items_[i]));
      keys.push_back(std::move(keys_[i]));
    }
    items_.swap(items);
    keys_.swap(keys);
    sorted_ = true;
  }
  const std::string key = ToUpperAscii(name);
  auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
  if (it == keys_.end() || *it != key) return -1;
  return it - keys_.begin();
}

const TProp* TPropList::Find(std::string_view name) {
  const std::ptrdiff_t index = IndexOf(name);
  return index < 0 ? nullptr : items_[static_cast<std::size_t>(index)].get();
}

Variant TPropList::Value(std::string_view name) {
  const TProp* prop = Find(name);
  return prop == nullptr ? Variant() : prop->Value;
}

void TPropList::SetValue(std::string_view name, const Variant& value) {
  const std::ptrdiff_t index = IndexOf(name);
  if (index >= 0) {
    if (value.IsEmpty()) {
      items_.erase(items_.begin() + index);
      keys_.erase(keys_.begin() + index);
    } else {
      items_[static_cast<std::size_t>(index)]->Value = value;
    }
    return;
  }
  if (value.IsEmpty()) return;
  items_.push_back(std::make_unique<TProp>(TProp{std::string(name), value}));
  keys_.push_back(ToUpperAscii(name));
  sorted_ = false;
}

}  // namespace chronolin
