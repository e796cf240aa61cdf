#include "report/sheet_name.h"

#include <algorithm>
#include <string>

namespace chronolin {
namespace {

constexpr std::size_t kMaxSheetName = 31;

// Cut to at most `length` code units without splitting a surrogate pair.
std::u16string Cut(std::u16string text, std::size_t length) {
  if (text.size() <= length) return text;
  if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
  text.resize(length);
  return text;
}

char16_t Fold(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  // Latin Extended-A: upper case at even code points, except in the 0x139-0x148 and
  // 0x179-0x17E runs where it sits at odd ones. 0x130 and 0x131 (dotted/dotless i) and 0x138
  // have no pair here.
  if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
    return static_cast<char16_t>(c | 1);
  }
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
    return (c & 1) ? static_cast<char16_t>(c + 1) : c;
  }
  if (c == 0x178) return 0xFF;
  return c;
}

}  // namespace

std::u16string FoldSheetName(std::u16string_view name) {
  std::u16string folded(name);
  std::transform(folded.begin(), folded.end(), folded.begin(), Fold);
  return folded;
}

std::u16string ValidSheetName(std::u16string_view wanted,
                              const std::vector<std::u16string>& taken) {
  std::u16string base(wanted);
  for (char16_t& c : base) {
    if (c == u'[' || c == u']' || c == u':' || c == u'*' || c == u'?' || c == u'/' || c == u'\\') {
      c = u'_';
    }
  }
  base = Cut(std::move(base), kMaxSheetName);
  if (base.empty()) base = u"Sheet";

  std::vector<std::u16string> folded;
  folded.reserve(taken.size());
  for (const auto& name : taken) folded.push_back(FoldSheetName(name));
  auto isTaken = [&folded](const std::u16string& name) {
    return std::find(folded.begin(), folded.end(), FoldSheetName(name)) != folded.end();
  };

  if (!isTaken(base)) return base;
  for (std::size_t n = 2;; ++n) {
    std::string digits = " (" + std::to_string(n) + ")";
    std::u16string suffix(digits.begin(), digits.end());
    std::u16string candidate = Cut(base, kMaxSheetName - suffix.size()) + suffix;
    if (!isTaken(candidate)) return candidate;
  }
}

}  // namespace chronolin
