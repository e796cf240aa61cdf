#include "xls/formulas/formula_tokens.h"

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/biff_bytes.h"

namespace chronolin::tokens {

namespace {

std::size_t Need(std::size_t size, std::size_t pos, std::size_t n) {
  if (pos + n > size) throw XlsError(msg::kFileInvalid);
  return n;
}

}  // namespace

std::size_t TokenSize(const std::uint8_t* data, std::size_t size, std::size_t pos,
                      bool memory_tokens) {
  const std::uint8_t id = data[pos];
  if (id >= 0x03 && id <= 0x16) return 1;
  switch (id) {
    case 0x01:  // shared or array formula reference
    case 0x02:  // table
      return Need(size, pos, 5);
    case 0x17: {  // string: 8-bit count, option byte, characters
      Need(size, pos, 3);
      const std::size_t chars = data[pos + 1] * ((data[pos + 2] & 1) ? 2u : 1u);
      return Need(size, pos, 3 + chars);
    }
    case 0x19: {  // attribute; a choose carries a jump table
      Need(size, pos, 4);
      std::size_t n = 4;
      if (data[pos + 1] & 0x04) n += 2 * (std::size_t{biff::Get16(data + pos + 2)} + 1);
      return Need(size, pos, n);
    }
    case 0x1C:
    case 0x1D:
      return Need(size, pos, 2);
    case 0x1E:
      return Need(size, pos, 3);
    case 0x1F:
      return Need(size, pos, 9);
    default:
      break;
  }
  if (id < 0x20 || id >= 0x80) return 0;
  switch (BaseId(id)) {
    case 0x20:
      return Need(size, pos, 8);  // array (its values follow the tokens)
    case 0x21:
      return Need(size, pos, 3);  // function
    case 0x22:
      return Need(size, pos, 4);  // function with argument count
    case 0x23:
      return Need(size, pos, 5);  // name
    case 0x24:
    case 0x2A:
    case 0x2C:
      return Need(size, pos, 5);  // references
    case 0x25:
    case 0x2B:
    case 0x2D:
      return Need(size, pos, 9);  // areas
    case 0x39:
      return Need(size, pos, 7);  // external name
    case 0x3A:
    case 0x3C:
      return Need(size, pos, 7);  // 3-D references
    case 0x3B:
    case 0x3D:
      return Need(size, pos, 11);  // 3-D areas
    case 0x26:
    case 0x27:
    case 0x28:
      return memory_tokens ? Need(size, pos, 7) : 0;
    case 0x29:
    case 0x2E:
    case 0x2F:
      return memory_tokens ? Need(size, pos, 3) : 0;
    default:
      return 0;
  }
}

std::size_t EditableTokenSize(const std::uint8_t* data, std::size_t size, std::size_t pos) {
  if (BaseId(data[pos]) == 0x26) return 0;
  return TokenSize(data, size, pos, true);
}

namespace {

void RelativeRow(std::uint8_t* row_field, std::uint16_t column_word, std::uint16_t row) {
  if (column_word & 0x8000) {
    biff::Set16(row_field, static_cast<std::uint16_t>(biff::Get16(row_field) + row));
  }
}

void RelativeColumn(std::uint8_t* column_field, std::uint16_t column) {
  const std::uint16_t word = biff::Get16(column_field);
  if (!(word & 0x4000)) return;
  const int offset = static_cast<std::int8_t>(word & 0xFF);
  const auto absolute = static_cast<std::uint16_t>((offset + column) & 0xFF);
  biff::Set16(column_field, static_cast<std::uint16_t>((word & 0xC000) | absolute));
}

}  // namespace

void MakeSharedTokensAbsolute(std::uint8_t* data, std::size_t size, std::uint16_t row,
                              std::uint16_t column) {
  std::size_t pos = 0;
  while (pos < size) {
    const std::size_t n = TokenSize(data, size, pos, true);
    if (n == 0) throw XlsError(Format(msg::kToken, data[pos]));
    std::uint8_t* t = data + pos;
    std::uint8_t base = BaseId(t[0]);
    if (base == 0x2C || base == 0x2D) {
      t[0] = static_cast<std::uint8_t>(t[0] - 8);
      base = static_cast<std::uint8_t>(base - 8);
    }
    // 3-D tokens carry their EXTERNSHEET index first.
    std::uint8_t* loc = (base >= 0x3A && base <= 0x3D) ? t + 3 : t + 1;
    if (base == 0x24 || base == 0x2A || base == 0x3A || base == 0x3C) {
      const std::uint16_t col_word = biff::Get16(loc + 2);
      RelativeRow(loc, col_word, row);
      RelativeColumn(loc + 2, column);
    } else if (base == 0x25 || base == 0x2B || base == 0x3B || base == 0x3D) {
      const std::uint16_t first_col = biff::Get16(loc + 4);
      const std::uint16_t last_col = biff::Get16(loc + 6);
      RelativeRow(loc, first_col, row);
      RelativeRow(loc + 2, last_col, row);
      RelativeColumn(loc + 4, column);
      RelativeColumn(loc + 6, column);
    }
    pos += n;
  }
}

}  // namespace chronolin::tokens
