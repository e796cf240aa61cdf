#pragma once
// Keeping formula and name references right when rows are inserted, copied or deleted and when
// sheets are copied. The walks edit a token array in place; each returns the id of the first
// token it cannot step over (the tokens before it are already changed), or nothing.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>

namespace chronolin {

class TReferences;

namespace tokens {

// Rows [first, first - delta) were deleted (delta < 0) or delta rows inserted at `first`, in
// sheet `changed_sheet`. The array belongs to `own_sheet`: its references without a sheet part
// name it; 3-D references name a sheet through the EXTERNSHEET table.
struct TRowShift {
  int first = 0;
  int delta = 0;
  int changed_sheet = 0;
  int own_sheet = 0;
  const TReferences* references = nullptr;
};

std::optional<std::uint8_t> ShiftRows(std::uint8_t* data, std::size_t size, const TRowShift& shift);

// A formula copied `delta` rows down (or up): the rows marked relative follow it, and so does
// the first cell an array formula's cell names (its array is copied with it).
std::optional<std::uint8_t> MoveRows(std::uint8_t* data, std::size_t size, int delta);

// 3-D references whose EXTERNSHEET entry names `from_sheet` are pointed at entry `to_ref`
// (a name cloned with its sheet).
std::optional<std::uint8_t> RedirectSheet(std::uint8_t* data, std::size_t size, int from_sheet,
                                          std::uint16_t to_ref, const TReferences& references);

// Name tokens whose (1-based) NAME index is a key of `renumbered` take its value (a sheet
// copied with its local names refers to its own copies).
std::optional<std::uint8_t> RenumberNames(std::uint8_t* data, std::size_t size,
                                          const std::map<std::uint16_t, std::uint16_t>& renumbered);

// The first token the edits cannot step over, or nothing.
std::optional<std::uint8_t> FirstUnwalkable(const std::uint8_t* data, std::size_t size);

}  // namespace tokens
}  // namespace chronolin
