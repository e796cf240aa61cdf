#pragma once
// printf-style formatting into a std::string, mainly for exception texts. Uses the C library's
// formatting, so the results follow the "C" numeric locale unless the process changed it.
#include <cstdarg>
#include <string>

namespace chronolin {

// Any length. Throws std::invalid_argument when the C library rejects the format or an
// argument (for instance a wide string that cannot be converted).
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, va_list args) __attribute__((format(printf, 1, 0)));

}  // namespace chronolin
