#pragma once
// MD5 message digest (RFC 1321): the identifier of a picture in the drawing group's blip store.
#include <array>
#include <cstdint>
#include <span>

namespace chronolin {

std::array<std::uint8_t, 16> Md5(std::span<const std::uint8_t> data);

}  // namespace chronolin
