#pragma once
// Walking BIFF8 formula token arrays (parsed expressions). The load only needs to step over
// tokens and to turn the relative tokens of a shared formula into the tokens of one cell;
// the row and sheet adjustments of editing build on the same walk.
#include <cstddef>
#include <cstdint>

namespace chronolin::tokens {

// The class-independent id: 0x44 and 0x64 are 0x24 in another class.
inline std::uint8_t BaseId(std::uint8_t id) {
  return id >= 0x20 && id < 0x80 ? static_cast<std::uint8_t>((id & 0x1F) | 0x20) : id;
}

// Bytes taken by the token at pos (its id included), or 0 for an id the walker does not know.
// The memory tokens (0x26-0x29, 0x2E, 0x2F) are known only when `memory_tokens` is set: the
// load steps over them, while reference fixing refuses them. Throws the file-invalid error
// when the token runs past `size`.
std::size_t TokenSize(const std::uint8_t* data, std::size_t size, std::size_t pos,
                      bool memory_tokens);

// TokenSize for the edits: the memory tokens are stepped over by their own length (the
// tokens of their sub-expression follow them and are walked in turn), except the memory area
// (0x26), whose cached rectangles lie past the tokens where no edit can reach them: 0 for it.
std::size_t EditableTokenSize(const std::uint8_t* data, std::size_t size, std::size_t pos);

// Shared-formula expansion for the cell (row, column): relative reference and area tokens
// become plain ones, and every row or column marked relative gets the cell's position added
// (BIFF8 offsets: a signed 16-bit row, a signed 8-bit column). Throws "Error reading formula,
// Token Id: 0x%2x is not supported" for an unknown token.
void MakeSharedTokensAbsolute(std::uint8_t* data, std::size_t size, std::uint16_t row,
                              std::uint16_t column);

}  // namespace chronolin::tokens
