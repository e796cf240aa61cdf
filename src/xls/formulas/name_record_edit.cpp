// Defined names kept right when rows are inserted or deleted and when sheets are copied.
#include <set>

#include "common/format.h"
#include "common/text_codec.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/formulas/formula_tokens.h"
#include "xls/formulas/name_record.h"

namespace chronolin {

void TNameRecord::ThrowToken(std::uint8_t id) const {
  throw XlsError(Format(msg::kNameToken, Utf16ToUtf8(Name()).c_str(), id));
}

void TNameRecord::ShiftRows(const tokens::TRowShift& shift) {
  // A name has no sheet of its own: references without a sheet part name the changed sheet.
  tokens::TRowShift own = shift;
  own.own_sheet = shift.changed_sheet;
  const std::size_t length = std::min<std::size_t>(TokenLength(), DataSize() - TokensOffset());
  if (auto bad = tokens::ShiftRows(MutableData() + TokensOffset(), length, own)) ThrowToken(*bad);
}

void TNameRecord::CheckTokens() const {
  const std::size_t length = std::min<std::size_t>(TokenLength(), DataSize() - TokensOffset());
  const std::uint8_t* t = Data().data() + TokensOffset();
  for (std::size_t pos = 0; pos < length;) {
    const std::size_t n = tokens::TokenSize(t, length, pos, false);
    if (n == 0) ThrowToken(t[pos]);
    pos += n;
  }
}

void TNameRecord::RedirectSheet(int from_sheet, std::uint16_t to_ref,
                                const TReferences& references) {
  const std::size_t length = std::min<std::size_t>(TokenLength(), DataSize() - TokensOffset());
  if (auto bad = tokens::RedirectSheet(MutableData() + TokensOffset(), length, from_sheet, to_ref,
                                       references)) {
    ThrowToken(*bad);
  }
}

bool TNameRecord::IsAreaOnSheet(int sheet, const TReferences& references) const {
  return TokenLength() == 11 && Range(references).sheet == sheet;
}

void TNameRecordList::ShiftRows(const tokens::TRowShift& shift) {
  for (std::size_t i = 0; i < Count(); ++i) Name(i)->ShiftRows(shift);
}

void TNameRecordList::CheckTokens() const {
  for (std::size_t i = 0; i < Count(); ++i) Name(i)->CheckTokens();
}

void TNameRecordList::InsertSheets(int s, int p, int n, TReferences& references,
                                   std::size_t sheet_count) {
  constexpr int kMaxSheetIndex = 251;
  // The names to copy, chosen before anything moves. A global name is not copied when the
  // sheet has a local name of the same text: the copy would have two.
  std::set<std::u16string> local_texts;
  for (std::size_t i = 0; i < Count(); ++i) {
    if (Name(i)->SheetIndex() == s + 1) local_texts.insert(Name(i)->Name());
  }
  std::vector<std::size_t> to_copy;
  for (std::size_t i = 0; i < Count(); ++i) {
    const TNameRecord& name = *Name(i);
    if (name.SheetIndex() == s + 1 ||
        (name.SheetIndex() == 0 && name.IsAreaOnSheet(s, references) &&
         !local_texts.contains(name.Name()))) {
      to_copy.push_back(i);
    }
  }
  for (std::size_t i = 0; i < Count(); ++i) {
    const int index = Name(i)->SheetIndex();
    if (index != 0 && index - 1 >= p && index + n > kMaxSheetIndex) {
      throw XlsError(Format(msg::kTooManyEntries, index + n, kMaxSheetIndex));
    }
  }
  references.InsertSheets(p, n);
  for (std::size_t i = 0; i < Count(); ++i) {
    TNameRecord& name = *Name(i);
    if (name.SheetIndex() != 0 && name.SheetIndex() - 1 >= p) {
      name.SetSheetIndex(static_cast<std::uint16_t>(name.SheetIndex() + n));
    }
  }
  const int source = s >= p ? s + n : s;
  for (int k = 0; k < n; ++k) {
    const std::uint16_t ref = references.ExternRefOfSheet(p + k, sheet_count + n);
    for (const std::size_t i : to_copy) {
      std::unique_ptr<TBaseRecord> clone = Name(i)->Clone();
      auto& copy = static_cast<TNameRecord&>(*clone);
      copy.SetSheetIndex(static_cast<std::uint16_t>(p + k + 1));
      copy.RedirectSheet(source, ref, references);
      Add(std::move(clone));
    }
  }
}

}  // namespace chronolin
