#pragma once
// The colour palette: a workbook's PALETTE record when it has one, else the 56 standard
// colours of colour indexes 8 to 63. Colours are 0x00BBGGRR.
#include <array>
#include <cstdint>

namespace chronolin {

extern const std::array<std::uint32_t, 56> kDefaultPalette;

}  // namespace chronolin
