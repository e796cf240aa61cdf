#pragma once
// RK numbers: a 32-bit packed form of a double (its upper word) or of a 30-bit integer,
// either optionally divided by 100.
#include <cstdint>
#include <optional>

namespace chronolin {

double DecodeRK(std::uint32_t rk);
// The floating form is tried before the integer form, first for x and then for x * 100.
std::optional<std::uint32_t> EncodeRK(double x);

}  // namespace chronolin
