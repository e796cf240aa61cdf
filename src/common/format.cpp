#include "common/format.h"

#include <cstdio>
#include <stdexcept>

namespace chronolin {

std::string FormatV(const char* fmt, va_list args) {
  // Most messages fit the first try; longer ones need a second pass over a copy of the args.
  std::string out(256, '\0');
  va_list again;
  va_copy(again, args);
  const int len = std::vsnprintf(out.data(), out.size() + 1, fmt, args);
  if (len < 0) {
    va_end(again);
    throw std::invalid_argument(std::string("Could not format message: ") + fmt);
  }
  const auto size = static_cast<std::size_t>(len);
  if (size > out.size()) {
    out.resize(size);
    std::vsnprintf(out.data(), size + 1, fmt, again);
  }
  va_end(again);
  out.resize(size);
  return out;
}

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  try {
    std::string out = FormatV(fmt, args);
    va_end(args);
    return out;
  } catch (...) {
    va_end(args);
    throw;
  }
}

}  // namespace chronolin
