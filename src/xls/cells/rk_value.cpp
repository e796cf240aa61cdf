#include "xls/cells/rk_value.h"

#include <cmath>
#include <cstring>

namespace chronolin {

double DecodeRK(std::uint32_t rk) {
  double value;
  if (rk & 0x2) {
    value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
  } else {
    const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&value, &bits, sizeof value);
  }
  return (rk & 0x1) ? value / 100 : value;
}

std::optional<std::uint32_t> EncodeRK(double x) {
  for (const std::uint32_t flag : {0u, 1u}) {
    const double y = flag ? x * 100 : x;
    std::uint64_t bits;
    std::memcpy(&bits, &y, sizeof bits);
    const auto upper = static_cast<std::uint32_t>(bits >> 32);
    if (static_cast<std::uint32_t>(bits) == 0 && (upper & 0x3) == 0) return upper + flag;
    if (std::isfinite(y) && y == std::trunc(y) && y >= -536870912.0 && y <= 536870911.0) {
      return static_cast<std::uint32_t>(static_cast<std::int32_t>(y) * 4) + 2 + flag;
    }
  }
  return std::nullopt;
}

}  // namespace chronolin
