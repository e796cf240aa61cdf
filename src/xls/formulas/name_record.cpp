#include "xls/formulas/name_record.h"

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/formulas/formula_tokens.h"

namespace chronolin {

TNameRecord::TNameRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), 15);
  if (TokensOffset() > DataSize()) throw XlsError(Format(msg::kRecordInvalid, id));
}

std::size_t TNameRecord::TokensOffset() const {
  return 15 + std::size_t{Data()[3]} * ((Data()[14] & 1) ? 2 : 1);
}

std::u16string TNameRecord::Name() const {
  const std::size_t count = Data()[3];
  std::u16string name;
  const std::uint8_t* p = Data().data() + 15;
  for (std::size_t i = 0; i < count; ++i) {
    name.push_back((Data()[14] & 1) ? static_cast<char16_t>(biff::Get16(p + 2 * i)) : p[i]);
  }
  return name;
}

TNamedRange TNameRecord::Range(const TReferences& references) const {
  TNamedRange range;
  const std::size_t pos = TokensOffset();
  if (TokenLength() < 11 || pos + 11 > DataSize()) return range;
  const std::uint8_t* t = Data().data() + pos;
  if (tokens::BaseId(t[0]) != 0x3B) return range;
  range.sheet = references.SheetOfExternRef(biff::Get16(t + 1));
  range.first_row = biff::Get16(t + 3);
  range.last_row = biff::Get16(t + 5);
  range.first_column = biff::Get16(t + 7) & 0x00FF;
  range.last_column = biff::Get16(t + 9) & 0x00FF;
  return range;
}

}  // namespace chronolin
