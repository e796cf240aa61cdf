#pragma once
// The compact form of the values a memory table keeps. A table of many records holds each
// value in a 16-byte cell: numbers, dates and booleans inline, texts as a place in a character
// arena, and the rare array aside as a whole Variant. Reading a cell back gives exactly the
// Variant that was stored, type included.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "common/variant.h"

namespace chronolin {

struct TMemCell {
  // The value's bits, or for a text the place of its bytes in the arena (chunk in the high
  // half, offset in the low), or for a value kept whole its index among those Variants.
  std::uint64_t bits = 0;
  // A text's length in bytes.
  std::uint32_t size = 0;
  // The value's type; Array stands for any value kept whole.
  VarType type = VarType::Empty;
};
static_assert(sizeof(TMemCell) <= 16, "a cell must stay small: tables hold one per value");

// The bytes of many texts in chunks that are never moved: growing adds a chunk, so adding a
// text never copies those already there.
class TMemTextArena {
 public:
  // The place of the copy, for View.
  std::uint64_t Add(std::string_view bytes);
  std::string_view View(std::uint64_t at, std::size_t size) const;
  void Clear();

 private:
  struct Chunk {
    std::unique_ptr<char[]> data;
    std::size_t capacity = 0;
    std::size_t used = 0;
  };
  static constexpr std::size_t kNoChunk = static_cast<std::size_t>(-1);
  std::vector<Chunk> chunks_;
  // The chunk that small texts fill; a large text gets a chunk of its own.
  std::size_t filling_ = kNoChunk;
};

// What the cells of one table refer to: the texts' bytes and the values kept whole.
class TMemValueStore {
 public:
  TMemCell Store(const Variant& value);
  Variant Load(const TMemCell& cell) const;
  void Clear();

 private:
  TMemTextArena texts_;
  std::vector<Variant> whole_;
};

}  // namespace chronolin
