#include "xls/compound_file/cfb_format.h"

namespace chronolin::cfb {
namespace {

// The simple upper-case mapping of the scripts element names are written in here (Latin,
// Greek, Cyrillic). Other code units compare as they are; the order only has to be the same
// for the writer and the readers that search the tree.
char16_t Upper(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c < 0xE0) return c;
  if (c <= 0xFE) return c == 0xF7 ? c : static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  return c;
}

}  // namespace

int CompareNames(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char16_t ua = Upper(a[i]);
    const char16_t ub = Upper(b[i]);
    if (ua != ub) return ua < ub ? -1 : 1;
  }
  return 0;
}

bool IsValidName(std::u16string_view name) {
  if (name.empty() || name.size() > kMaxNameLength) return false;
  for (char16_t c : name) {
    if (c == 0 || c == u'/' || c == u'\\' || c == u':' || c == u'!') return false;
  }
  return true;
}

}  // namespace chronolin::cfb
