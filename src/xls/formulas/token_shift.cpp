#include "xls/formulas/token_shift.h"

#include <algorithm>

#include "xls/formulas/formula_tokens.h"
#include "xls/formulas/references.h"
#include "xls/records/biff_bytes.h"

namespace chronolin::tokens {

namespace {

constexpr int kMaxRow = 0xFFFF;

// kAnchor: the first cell of the array (0x01) or table (0x02) a cell belongs to.
enum class Kind { kOther, kRef, kArea, kAnchor };

struct TokenView {
  Kind kind = Kind::kOther;
  bool three_d = false;
  std::uint8_t* loc = nullptr;  // first row field
};

TokenView View(std::uint8_t* t) {
  TokenView v;
  if (t[0] == 0x01 || t[0] == 0x02) return {Kind::kAnchor, false, t + 1};
  if (t[0] < 0x20 || t[0] >= 0x80) return v;
  switch (BaseId(t[0])) {
    case 0x24:
    case 0x2A:
      return {Kind::kRef, false, t + 1};
    case 0x25:
    case 0x2B:
      return {Kind::kArea, false, t + 1};
    case 0x3A:
    case 0x3C:
      return {Kind::kRef, true, t + 3};
    case 0x3B:
    case 0x3D:
      return {Kind::kArea, true, t + 3};
    default:
      return v;
  }
}

// 0x24 -> 0x2A, 0x25 -> 0x2B, 0x3A -> 0x3C, 0x3B -> 0x3D, in every class.
void MakeError(std::uint8_t* t) {
  const std::uint8_t base = BaseId(t[0]);
  if (base == 0x24 || base == 0x25) t[0] = static_cast<std::uint8_t>(t[0] + 6);
  if (base == 0x3A || base == 0x3B) t[0] = static_cast<std::uint8_t>(t[0] + 2);
}

// Steps through the array, calling f(token) for each; stops at an unknown token.
template <class F>
std::optional<std::uint8_t> Walk(std::uint8_t* data, std::size_t size, F&& f) {
  std::size_t pos = 0;
  while (pos < size) {
    const std::size_t n = EditableTokenSize(data, size, pos);
    if (n == 0) return data[pos];
    f(data + pos);
    pos += n;
  }
  return std::nullopt;
}

int SheetOf(const std::uint8_t* t, const TokenView& v, const TRowShift& s) {
  if (!v.three_d) return s.own_sheet;
  return s.references == nullptr ? -1 : s.references->SheetOfExternRef(biff::Get16(t + 1));
}

}  // namespace

std::optional<std::uint8_t> ShiftRows(std::uint8_t* data, std::size_t size, const TRowShift& s) {
  const int first = s.first;
  const int end_deleted = s.delta < 0 ? first - s.delta : first;  // past the deleted rows
  auto shifted = [&](int v) { return v + s.delta > kMaxRow ? kMaxRow : v + s.delta; };
  return Walk(data, size, [&](std::uint8_t* t) {
    const TokenView v = View(t);
    if (v.kind == Kind::kOther) return;
    if (v.kind == Kind::kAnchor) {
      if (s.own_sheet != s.changed_sheet) return;
      const int row = biff::Get16(v.loc);
      if (row >= first && !(row < end_deleted)) {
        biff::Set16(v.loc, static_cast<std::uint16_t>(shifted(row)));
      }
      return;
    }
    if (SheetOf(t, v, s) != s.changed_sheet) return;
    if (v.kind == Kind::kRef) {
      const int row = biff::Get16(v.loc);
      if (row < first) return;
      if (row < end_deleted) {
        MakeError(t);
        return;
      }
      biff::Set16(v.loc, static_cast<std::uint16_t>(shifted(row)));
      return;
    }
    int r1 = biff::Get16(v.loc);
    int r2 = biff::Get16(v.loc + 2);
    if (r1 == 0 && r2 == kMaxRow) return;  // whole columns stay whole
    if (s.delta < 0) {
      // An area only partly deleted shrinks to the rows that are left, as a spreadsheet
      // program does; only an area lying wholly in the deleted rows is lost.
      if (r1 >= first && r2 < end_deleted) {
        MakeError(t);
        return;
      }
      if (r1 >= end_deleted) {
        r1 += s.delta;
      } else if (r1 >= first) {
        r1 = first;
      }
      if (r2 >= end_deleted) {
        r2 += s.delta;
      } else if (r2 >= first) {
        r2 = first - 1;
      }
    } else {
      if (r1 >= first) r1 = shifted(r1);
      if (r2 >= first) r2 = shifted(r2);
    }
    biff::Set16(v.loc, static_cast<std::uint16_t>(r1));
    biff::Set16(v.loc + 2, static_cast<std::uint16_t>(r2));
  });
}

std::optional<std::uint8_t> MoveRows(std::uint8_t* data, std::size_t size, int delta) {
  return Walk(data, size, [&](std::uint8_t* t) {
    const TokenView v = View(t);
    if (t[0] == 0x01) {
      // A cell of an array formula names the array's first cell, copied with it.
      biff::Set16(v.loc, static_cast<std::uint16_t>(std::clamp(biff::Get16(v.loc) + delta, 0, kMaxRow)));
      return;
    }
    if (v.kind != Kind::kRef && v.kind != Kind::kArea) return;
    const int fields = v.kind == Kind::kRef ? 1 : 2;
    // A reference's column word follows its row; an area's two column words follow both rows.
    const std::size_t column_at = v.kind == Kind::kRef ? 2 : 4;
    bool error = false;
    for (int i = 0; i < fields; ++i) {
      std::uint8_t* row_field = v.loc + 2 * i;
      if (!(biff::Get16(v.loc + column_at + 2 * i) & 0x8000)) continue;
      int row = biff::Get16(row_field) + delta;
      if (row > kMaxRow) row = kMaxRow;
      if (row < 0) {
        error = true;
        row = 0;
      }
      biff::Set16(row_field, static_cast<std::uint16_t>(row));
    }
    if (error) MakeError(t);
  });
}

std::optional<std::uint8_t> RedirectSheet(std::uint8_t* data, std::size_t size, int from_sheet,
                                          std::uint16_t to_ref, const TReferences& references) {
  return Walk(data, size, [&](std::uint8_t* t) {
    const TokenView v = View(t);
    if (!v.three_d) return;
    if (references.SheetOfExternRef(biff::Get16(t + 1)) == from_sheet) biff::Set16(t + 1, to_ref);
  });
}

std::optional<std::uint8_t> RenumberNames(std::uint8_t* data, std::size_t size,
                                          const std::map<std::uint16_t, std::uint16_t>& renumbered) {
  return Walk(data, size, [&](std::uint8_t* t) {
    if (t[0] < 0x20 || t[0] >= 0x80 || BaseId(t[0]) != 0x23) return;
    const auto it = renumbered.find(biff::Get16(t + 1));
    if (it != renumbered.end()) biff::Set16(t + 1, it->second);
  });
}

std::optional<std::uint8_t> FirstUnwalkable(const std::uint8_t* data, std::size_t size) {
  for (std::size_t pos = 0; pos < size;) {
    const std::size_t n = EditableTokenSize(data, size, pos);
    if (n == 0) return data[pos];
    pos += n;
  }
  return std::nullopt;
}

}  // namespace chronolin::tokens
