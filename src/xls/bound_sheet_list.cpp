#include "xls/bound_sheet_list.h"

#include <algorithm>

#include "common/format.h"
#include "common/text_codec.h"
#include "xls/xls_error.h"
#include "xls/xls_messages.h"

namespace chronolin {

std::u16string TBoundSheetList::NameEntry::FullName() const {
  if (number == 0) return base;
  std::u16string full = base;
  for (const char c : std::to_string(number)) full.push_back(static_cast<char16_t>(c));
  return full;
}

bool TBoundSheetList::Less(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

bool TBoundSheetList::Contains(std::u16string_view name) const {
  auto it = std::lower_bound(names_.begin(), names_.end(), name, [](const NameEntry& e, std::u16string_view n) {
    return Less(e.FullName(), n);
  });
  return it != names_.end() && it->FullName() == name;
}

void TBoundSheetList::InsertName(NameEntry entry) {
  const std::u16string full = entry.FullName();
  auto it = std::lower_bound(names_.begin(), names_.end(), full, [](const NameEntry& e, const std::u16string& n) {
    return Less(e.FullName(), n);
  });
  names_.insert(it, std::move(entry));
}

void TBoundSheetList::Add(std::unique_ptr<TBoundSheetRecord> record) {
  std::u16string name = record->Name();
  if (Contains(name)) throw XlsError(Format(msg::kSheetNameExists, Utf16ToUtf8(name).c_str()));
  InsertName({std::move(name), 0});
  records_.Add(std::move(record));
}

std::u16string TBoundSheetList::FreshName(std::u16string_view base) {
  auto same_base = std::find_if(names_.begin(), names_.end(), [&](const NameEntry& e) { return e.base == base; });
  NameEntry entry{std::u16string(base), 0};
  if (same_base != names_.end()) {
    entry.number = same_base->number + 1;
    while (Contains(entry.FullName())) ++entry.number;
  }
  std::u16string full = entry.FullName();
  InsertName(std::move(entry));
  return full;
}

void TBoundSheetList::Clear() {
  records_.Clear();
  names_.clear();
}

}  // namespace chronolin
