#include "xls/globals/bound_sheet_list.h"

#include <algorithm>

#include "common/format.h"
#include "common/text_codec.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/biff_bytes.h"
#include "xls/records/record_ids.h"

namespace chronolin {

TBoundSheetList::NameEntry TBoundSheetList::MakeEntry(std::u16string base, std::uint32_t number) {
  NameEntry entry{std::move(base), number, {}};
  entry.full = entry.base;
  if (number != 0) {
    for (const char c : std::to_string(number)) entry.full.push_back(static_cast<char16_t>(c));
  }
  return entry;
}

bool TBoundSheetList::Less::Before(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

void TBoundSheetList::Add(std::unique_ptr<TBoundSheetRecord> record) {
  std::u16string name = record->Name();
  if (names_.contains(std::u16string_view(name))) {
    throw XlsError(Format(msg::kSheetNameExists, Utf16ToUtf8(name).c_str()));
  }
  names_.insert(MakeEntry(std::move(name), 0));
  records_.Add(std::move(record));
}

void TBoundSheetList::Rename(std::size_t i, std::u16string_view name) {
  TBoundSheetRecord& record = (*this)[i];
  const std::u16string old = record.Name();
  if (old == name) return;
  if (names_.contains(name)) {
    throw XlsError(Format(msg::kSheetNameExists, Utf16ToUtf8(name).c_str()));
  }
  std::vector<std::uint8_t> body(record.Data().begin(), record.Data().begin() + 6);
  TExcelString::FromText(name, 1).Write(body);
  record.SetData(std::move(body));
  auto it = names_.find(std::u16string_view(old));
  if (it != names_.end()) names_.erase(it);
  names_.insert(MakeEntry(std::u16string(name), 0));
}

std::u16string TBoundSheetList::FreshName(std::u16string_view base) {
  auto same_base = std::find_if(names_.begin(), names_.end(),
                                [&](const NameEntry& e) { return e.base == base; });
  std::uint32_t number = 0;
  if (same_base != names_.end()) {
    number = same_base->number + 1;
    while (names_.contains(std::u16string_view(MakeEntry(std::u16string(base), number).full)))
      ++number;
  }
  NameEntry entry = MakeEntry(std::u16string(base), number);
  std::u16string full = entry.full;
  names_.insert(std::move(entry));
  return full;
}

void TBoundSheetList::InsertNew(std::size_t index, std::u16string_view base,
                                std::uint16_t options) {
  std::vector<std::uint8_t> body(6);
  biff::Set16(body.data() + 4, options);
  TExcelString::FromText(FreshName(base), 1).Write(body);
  records_.Insert(index, std::make_unique<TBoundSheetRecord>(rid::kBoundSheet, std::move(body)));
}

void TBoundSheetList::Clear() {
  records_.Clear();
  names_.clear();
}

}  // namespace chronolin
