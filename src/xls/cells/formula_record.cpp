#include "xls/cells/formula_record.h"

#include <algorithm>

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/formulas/formula_tokens.h"
#include "xls/records/record_chain_reader.h"
#include "xls/strings/excel_string.h"

namespace chronolin {

std::u16string TStringRecord::Text() const {
  TRecordChainReader reader(*this, 0);
  return TExcelString::Read(reader, 2).Text();
}

TShrFmlaRecord::TShrFmlaRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), 10);
  if (10u + Get16(8) > DataSize()) throw XlsError(Format(msg::kRecordInvalid, id));
}

TArrayRecord::TArrayRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), 14);
  if (14u + TokenLength() > DataSize()) throw XlsError(Format(msg::kRecordInvalid, id));
}

TFormulaRecord::TFormulaRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TCellRecord(id, std::move(data), 22) {
  if (22u + TokenLength() > DataSize()) throw XlsError(Format(msg::kRecordInvalid, id));
  const std::uint8_t* result = Data().data() + 6;
  if (biff::Get16(result + 6) == 0xFFFF) {
    if (result[0] == 0) {
      value_ = Variant::FromWideString(u"");  // the STRING record that follows fills it
    } else if (result[0] == 1) {
      value_ = Variant::FromBool(result[2] == 1);
    }
  } else {
    value_ = Variant::FromDouble(biff::GetDouble(result));
  }
  std::uint8_t* body = MutableData();
  for (int i = 6; i < 14; ++i) body[i] = 0;
  body[6] = 2;
  Set16(12, 0xFFFF);
  for (int i = 16; i < 20; ++i) body[i] = 0;
  body[14] |= 0x02;
}

TFormulaRecord::TFormulaRecord(const TFormulaRecord& other)
    : TCellRecord(other), value_(other.value_) {
  if (other.array_) {
    array_.reset(static_cast<TArrayRecord*>(other.array_->Clone().release()));
  }
  if (other.table_) {
    table_.reset(static_cast<TTableRecord*>(other.table_->Clone().release()));
  }
}

void TFormulaRecord::AttachTable(std::unique_ptr<TTableRecord> table) {
  if (table_) throw XlsError(msg::kFileInvalid);
  const std::int64_t size = table->TotalSize();
  table_ = std::move(table);
  NotifySizeChanged(size);
}

void TFormulaRecord::AttachArray(std::unique_ptr<TArrayRecord> array) {
  if (array_) throw XlsError(msg::kFileInvalid);
  const std::int64_t size = array->TotalSize();
  array_ = std::move(array);
  NotifySizeChanged(size);
}

bool TFormulaRecord::IsSharedReference() const {
  return TokenLength() == 5 && DataSize() >= 27 && Data()[22] == 0x01;
}

void TFormulaRecord::ExpandShared(const TShrFmlaRecord& shared) {
  std::vector<std::uint8_t> body(Data().begin(), Data().begin() + 20);
  body.insert(body.end(), shared.Data().begin() + 8, shared.Data().end());
  if (body.size() > 0xFFFF) throw XlsError(msg::kFileInvalid);
  // A formula that was shared no longer is.
  body[14] = static_cast<std::uint8_t>(body[14] & ~0x08);
  const std::uint16_t length = biff::Get16(body.data() + 20);
  tokens::MakeSharedTokensAbsolute(body.data() + 22, length, Row(), Column());
  SetData(std::move(body));
}

void TFormulaRecord::ThrowToken(std::uint8_t id) const {
  throw XlsError(Format(msg::kFormulaToken, Row() + 1, Column() + 1, id));
}

void TFormulaRecord::CheckTokens() const {
  if (auto bad = tokens::FirstUnwalkable(Tokens(), TokenLength())) ThrowToken(*bad);
  if (array_) {
    const std::uint8_t* t = array_->Data().data() + 14;
    if (auto bad = tokens::FirstUnwalkable(t, array_->TokenLength())) ThrowToken(*bad);
  }
}

void TFormulaRecord::RenumberNames(const std::map<std::uint16_t, std::uint16_t>& renumbered) {
  // Past a token the walk cannot step over, the names stay as they were: a sheet copy is not
  // refused for them.
  (void)tokens::RenumberNames(MutableData() + 22, TokenLength(), renumbered);
  if (array_) (void)tokens::RenumberNames(array_->MutableTokens(), array_->TokenLength(), renumbered);
}

void TFormulaRecord::ShiftRows(const tokens::TRowShift& shift) {
  if (auto bad = tokens::ShiftRows(MutableData() + 22, TokenLength(), shift)) ThrowToken(*bad);
  if (table_ && shift.own_sheet == shift.changed_sheet && table_->DataSize() >= 14) {
    // The table's range and input cells are rows of this sheet.
    for (const std::size_t at : {0, 2, 8, 12}) {
      const int row = table_->Get16(at);
      if (row < shift.first) continue;
      int moved = row + shift.delta;
      if (shift.delta < 0 && row < shift.first - shift.delta) moved = shift.first;
      table_->Set16(at, static_cast<std::uint16_t>(std::min(moved, 0xFFFF)));
    }
  }
  if (array_) {
    // The array's own tokens refer like the cell's; its range lies in this sheet.
    if (auto bad = tokens::ShiftRows(array_->MutableTokens(), array_->TokenLength(), shift)) {
      ThrowToken(*bad);
    }
    if (shift.own_sheet == shift.changed_sheet) {
      auto moved = [&](int row) {
        return static_cast<std::uint16_t>(
            row < shift.first ? row : std::clamp(row + shift.delta, shift.first, 0xFFFF));
      };
      array_->SetRows(moved(array_->FirstRow()), moved(array_->LastRow()));
    }
  }
}

void TFormulaRecord::MoveToRow(std::uint16_t row) {
  const int delta = static_cast<int>(row) - static_cast<int>(Row());
  if (auto bad = tokens::MoveRows(MutableData() + 22, TokenLength(), delta)) ThrowToken(*bad);
  if (array_) {
    // The array's range and relative references move with the formula of its first cell.
    if (auto bad = tokens::MoveRows(array_->MutableTokens(), array_->TokenLength(), delta)) {
      ThrowToken(*bad);
    }
    auto moved = [&](int row) { return static_cast<std::uint16_t>(std::clamp(row + delta, 0, 0xFFFF)); };
    array_->SetRows(moved(array_->FirstRow()), moved(array_->LastRow()));
  }
  SetRow(row);
}

void TFormulaRecord::SaveToStream(TOutStream& out) const {
  SaveChain(out);
  if (array_) array_->SaveToStream(out);
  if (table_) table_->SaveToStream(out);
}

std::int64_t TFormulaRecord::TotalSize() const {
  return TBaseRecord::TotalSize() + (array_ ? array_->TotalSize() : 0) +
         (table_ ? table_->TotalSize() : 0);
}

}  // namespace chronolin
