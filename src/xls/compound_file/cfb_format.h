#pragma once
// Layout constants and name rules of the compound file format (version 3: 512-byte sectors,
// 64-byte mini sectors; version 4 files with 4096-byte sectors are read as well).
#include <cstdint>
#include <string_view>

namespace chronolin::cfb {

inline constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
inline constexpr std::uint32_t kHeaderSize = 512;
inline constexpr std::uint32_t kHeaderDifatCount = 109;  // FAT sector numbers held by the header
inline constexpr std::uint32_t kMiniSectorSize = 64;
inline constexpr std::uint32_t kMiniStreamCutoff = 4096;  // smaller streams live in the mini stream
inline constexpr std::uint32_t kDirEntrySize = 128;
inline constexpr std::uint32_t kMaxNameLength = 31;  // UTF-16 code units, without the terminator
inline constexpr std::u16string_view kRootEntryName = u"Root Entry";

// Special sector numbers.
inline constexpr std::uint32_t kMaxRegSect = 0xFFFFFFFA;
inline constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
inline constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
inline constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
inline constexpr std::uint32_t kNoStream = 0xFFFFFFFF;  // absent sibling / child link

// Directory entry object types.
inline constexpr std::uint8_t kTypeEmpty = 0;
inline constexpr std::uint8_t kTypeStorage = 1;
inline constexpr std::uint8_t kTypeStream = 2;
inline constexpr std::uint8_t kTypeRoot = 5;

// The order of siblings in a storage's tree: shorter names first, then code unit by code unit
// after upper-casing. Element names are case-insensitive, so 0 also means "same name".
int CompareNames(std::u16string_view a, std::u16string_view b);

// 1 to 31 code units, none of them '/', '\\', ':', '!' or NUL.
bool IsValidName(std::u16string_view name);

}  // namespace chronolin::cfb
