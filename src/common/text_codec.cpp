#include "common/text_codec.h"

#include <cstdint>

namespace chronolin {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Calls emit(code point) for each scalar value in the UTF-8 text, U+FFFD for each maximal
// ill-formed subsequence. The byte that breaks a sequence is not consumed: it starts the next.
// Returns false when anything was replaced.
template <typename Emit>
bool DecodeUtf8(std::string_view s, Emit emit) {
  bool valid = true;
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    const auto b = static_cast<std::uint8_t>(s[i]);
    if (b < 0x80) {
      emit(char32_t{b});
      ++i;
      continue;
    }
    int need = 0;
    char32_t cp = 0;
    // Range of the second byte; narrower than 80..BF for leads that could otherwise encode
    // overlong forms, surrogates or values beyond U+10FFFF.
    std::uint8_t lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      need = 1;
      cp = b & 0x1Fu;
    } else if (b >= 0xE0 && b <= 0xEF) {
      need = 2;
      cp = b & 0x0Fu;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      need = 3;
      cp = b & 0x07u;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      emit(kReplacement);
      valid = false;
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    bool ok = true;
    for (int k = 0; k < need; ++k, ++j) {
      if (j >= n) {
        ok = false;
        break;
      }
      const auto c = static_cast<std::uint8_t>(s[j]);
      if (c < lo || c > hi) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (c & 0x3Fu);
      lo = 0x80;
      hi = 0xBF;
    }
    emit(ok ? cp : kReplacement);
    valid = valid && ok;
    i = j;
  }
  return valid;
}

bool IsHighSurrogate(char16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char16_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

// Calls emit(code point) for each character, U+FFFD for unpaired surrogates.
template <typename Emit>
void DecodeUtf16(std::u16string_view s, Emit emit) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char16_t u = s[i];
    if (IsHighSurrogate(u) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
      emit(0x10000 + ((char32_t{u} - 0xD800) << 10) + (char32_t{s[i + 1]} - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      emit(kReplacement);
    } else {
      emit(char32_t{u});
    }
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

char ToLatin1(char32_t cp) {
  return cp <= 0xFF ? static_cast<char>(cp) : '?';
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  DecodeUtf8(utf8, [&out](char32_t cp) { AppendUtf16(out, cp); });
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  DecodeUtf16(utf16, [&out](char32_t cp) { AppendUtf8(out, cp); });
  return out;
}

bool IsValidUtf8(std::string_view text) {
  return DecodeUtf8(text, [](char32_t) {});
}

std::u16string Latin1ToUtf16(std::string_view latin1) {
  std::u16string out;
  out.reserve(latin1.size());
  for (const char c : latin1) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

std::string Utf16ToLatin1(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  DecodeUtf16(utf16, [&out](char32_t cp) { out += ToLatin1(cp); });
  return out;
}

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (const char c : latin1) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::string Utf8ToLatin1(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  DecodeUtf8(utf8, [&out](char32_t cp) { out += ToLatin1(cp); });
  return out;
}

bool IsLatin1(std::u16string_view utf16) {
  for (const char16_t u : utf16) {
    if (u > 0xFF) return false;
  }
  return true;
}

char ToUpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char ToLowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToUpperAscii(c);
  return out;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = ToLowerAscii(c);
  return out;
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(ToLowerAscii(a[i]));
    const auto cb = static_cast<unsigned char>(ToLowerAscii(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareIgnoreCase(a, b) == 0;
}

}  // namespace chronolin
