#pragma once
// Conversions between the three text encodings the program meets: UTF-8 (std::string, the
// internal form), UTF-16 (workbook strings) and Latin-1 (compressed workbook strings and
// legacy files). Nothing here depends on the process locale.
#include <string>
#include <string_view>

namespace chronolin {

// Malformed input never throws. Each maximal ill-formed UTF-8 subsequence (bad lead byte,
// truncated sequence, overlong form, encoded surrogate, value above U+10FFFF) becomes one
// U+FFFD; so does every unpaired UTF-16 surrogate.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
bool IsValidUtf8(std::string_view text);

// Characters above U+00FF become '?', one per character (a surrogate pair gives one '?').
std::u16string Latin1ToUtf16(std::string_view latin1);
std::string Utf16ToLatin1(std::u16string_view utf16);
std::string Latin1ToUtf8(std::string_view latin1);
std::string Utf8ToLatin1(std::string_view utf8);
// True when every code unit fits in one byte, i.e. Utf16ToLatin1 is lossless.
bool IsLatin1(std::u16string_view utf16);

// ASCII-only case folding: bytes outside A-Z / a-z (including all UTF-8 bytes) are compared
// and copied unchanged.
char ToUpperAscii(char c);
char ToLowerAscii(char c);
std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Negative, zero or positive; bytes compare unsigned, a proper prefix sorts first.
int CompareIgnoreCase(std::string_view a, std::string_view b);

}  // namespace chronolin
