#pragma once
// The named values of a report ("#." tags): names compared ignoring case. An empty value never
// stays in the list: setting one deletes the name.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/variant.h"

namespace chronolin {

struct TProp {
  std::string Name;
  Variant Value;
};

class TPropList {
 public:
  // Empty when the name is not there.
  Variant Value(std::string_view name);
  // An existing name: an empty value deletes it, another value replaces the old one. A new
  // name: an empty value does nothing, another value is appended.
  void SetValue(std::string_view name, const Variant& value);
  const TProp* Find(std::string_view name);
  bool Contains(std::string_view name) { return Find(name) != nullptr; }

  std::size_t Count() const { return items_.size(); }
  const TProp& Items(std::size_t index) const { return *items_[index]; }
  void Clear() { items_.clear(); }

 private:
  // Sorts by upper-cased name when needed; the index of the name or -1.
  std::ptrdiff_t IndexOf(std::string_view name);

  std::vector<std::unique_ptr<TProp>> items_;
  std::vector<std::string> keys_;  // upper-cased names, same order as items_ once sorted
  bool sorted_ = true;
};

}  // namespace chronolin
