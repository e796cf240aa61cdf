// Defined names kept right when rows are inserted or deleted and when sheets are copied.
#include <algorithm>
#include <map>
#include <set>

#include "common/format.h"
#include "common/text_codec.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/formulas/formula_tokens.h"
#include "xls/formulas/name_record.h"
#include "xls/formulas/token_shift.h"

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
    const std::size_t n = tokens::EditableTokenSize(t, length, pos);
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

void TNameRecord::RenumberNames(const std::map<std::uint16_t, std::uint16_t>& renumbered) {
  const std::size_t length = std::min<std::size_t>(TokenLength(), DataSize() - TokensOffset());
  (void)tokens::RenumberNames(MutableData() + TokensOffset(), length, renumbered);
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

namespace {

constexpr int kMaxSheetIndex = 251;

}  // namespace

std::vector<std::size_t> TNameRecordList::NamesToCopy(int s, const TReferences& references) const {
  // A global name is not copied when the sheet has a local name of the same text: the copy
  // would have two.
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
  return to_copy;
}

void TNameRecordList::CheckInsertSheets(int s, int p, int n, const TReferences& references) const {
  for (std::size_t i = 0; i < Count(); ++i) {
    const int index = Name(i)->SheetIndex();
    if (index != 0 && index - 1 >= p && index + n > kMaxSheetIndex) {
      throw XlsError(Format(msg::kTooManyEntries, index + n, kMaxSheetIndex));
    }
  }
  references.CheckInsertSheets(p, n);
  for (const std::size_t i : NamesToCopy(s, references)) Name(i)->CheckTokens();
}

std::vector<std::map<std::uint16_t, std::uint16_t>> TNameRecordList::InsertSheets(
    int s, int p, int n, TReferences& references, std::size_t sheet_count) {
  // The names to copy, chosen before anything moves; nothing changes on a refusal.
  const std::vector<std::size_t> to_copy = NamesToCopy(s, references);
  CheckInsertSheets(s, p, n, references);
  references.InsertSheets(p, n);
  for (std::size_t i = 0; i < Count(); ++i) {
    TNameRecord& name = *Name(i);
    if (name.SheetIndex() != 0 && name.SheetIndex() - 1 >= p) {
      name.SetSheetIndex(static_cast<std::uint16_t>(name.SheetIndex() + n));
    }
  }
  const int source = s >= p ? s + n : s;
  std::vector<std::map<std::uint16_t, std::uint16_t>> renumbered(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    const std::uint16_t ref = references.ExternRefOfSheet(p + k, sheet_count + n);
    auto& numbers = renumbered[static_cast<std::size_t>(k)];
    const std::size_t first_copy = Count();
    for (const std::size_t i : to_copy) {
      std::unique_ptr<TBaseRecord> clone = Name(i)->Clone();
      auto& copy = static_cast<TNameRecord&>(*clone);
      copy.SetSheetIndex(static_cast<std::uint16_t>(p + k + 1));
      copy.RedirectSheet(source, ref, references);
      // Only the copied sheet's local names are its own; a global name stays the one used.
      if (Name(i)->SheetIndex() != 0) {
        numbers[static_cast<std::uint16_t>(i + 1)] = static_cast<std::uint16_t>(Count() + 1);
      }
      Add(std::move(clone));
    }
    // A local name defined through another of the sheet's local names uses its copy too.
    for (std::size_t i = first_copy; i < Count(); ++i) Name(i)->RenumberNames(numbers);
  }
  return renumbered;
}

}  // namespace chronolin
