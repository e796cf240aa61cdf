#pragma once
// Little-endian field access inside record bodies. Callers check bounds before they read;
// these helpers only assemble bytes.
#include <cstdint>
#include <cstring>
#include <vector>

namespace chronolin::biff {

inline std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline double GetDouble(const std::uint8_t* p) {
  const std::uint64_t bits =
      static_cast<std::uint64_t>(Get32(p)) | (static_cast<std::uint64_t>(Get32(p + 4)) << 32);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
inline void Set16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Set32(std::uint8_t* p, std::uint32_t v) {
  Set16(p, static_cast<std::uint16_t>(v));
  Set16(p + 2, static_cast<std::uint16_t>(v >> 16));
}
inline void SetDouble(std::uint8_t* p, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  Set32(p, static_cast<std::uint32_t>(bits));
  Set32(p + 4, static_cast<std::uint32_t>(bits >> 32));
}

inline void Put8(std::vector<std::uint8_t>& out, std::uint8_t v) {
  out.push_back(v);
}
inline void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, static_cast<std::uint16_t>(v));
  Put16(out, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace chronolin::biff
