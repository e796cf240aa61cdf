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

namespace {

constexpr std::size_t kMaxNameLength = 31;

// Case folding for the alphabets sheet names are usually written in: ASCII, Latin-1, Latin
// Extended-A, Greek and Cyrillic capitals.
char16_t Fold(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149) {
    const bool odd_lower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (odd_lower ? (c % 2 == 1) : (c % 2 == 0)) return c + 1;
    return c;
  }
  if ((c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
           return Fold(x) == Fold(y);
         });
}

}  // namespace

TBoundSheetRecord& TBoundSheetList::operator[](std::size_t i) const {
  if (i >= records_.Count()) throw XlsError(msg::kFileInvalid);
  return static_cast<TBoundSheetRecord&>(*records_[i]);
}

bool TBoundSheetList::Taken(std::u16string_view name, std::u16string_view except) const {
  return std::any_of(names_.begin(), names_.end(), [&](const NameEntry& e) {
    return e.full != except && EqualIgnoringCase(e.full, name);
  });
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
  if (name.empty() || name.size() > kMaxNameLength ||
      name.find_first_of(u"[]:*?/\\") != std::u16string_view::npos) {
    throw XlsError(Format(msg::kInvalidSheetName, Utf16ToUtf8(name).c_str()));
  }
  if (Taken(name, old)) throw XlsError(Format(msg::kSheetNameExists, Utf16ToUtf8(name).c_str()));
  std::vector<std::uint8_t> body(record.Data().begin(), record.Data().begin() + 6);
  TExcelString::FromText(name, 1).Write(body);
  record.SetData(std::move(body));
  auto it = names_.find(std::u16string_view(old));
  if (it != names_.end()) names_.erase(it);
  names_.insert(MakeEntry(std::u16string(name), 0));
}

std::u16string TBoundSheetList::FreshName(std::u16string_view base) {
  const NameEntry* same_base = nullptr;
  for (const NameEntry& e : names_) {
    if (EqualIgnoringCase(e.base, base) && (same_base == nullptr || e.number < same_base->number)) {
      same_base = &e;
    }
  }
  std::uint32_t number = 0;
  if (same_base != nullptr || Taken(base)) {
    number = (same_base != nullptr ? same_base->number : 0) + 1;
    while (Taken(MakeEntry(std::u16string(base), number).full)) ++number;
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
