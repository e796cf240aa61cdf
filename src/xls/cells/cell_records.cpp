#include "xls/cells/cell_records.h"

#include <utility>

#include "common/format.h"
#include "xls/cells/rk_value.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/record_ids.h"

namespace chronolin {

TCellRecord::TCellRecord(std::uint16_t id, std::vector<std::uint8_t> data, std::size_t min_size)
    : TBaseRowColRecord(id, std::move(data), min_size < 6 ? 6 : min_size) {}

std::vector<std::uint8_t> TCellRecord::NewBody(std::size_t size, std::uint16_t row,
                                               std::uint16_t column, std::uint16_t xf) {
  std::vector<std::uint8_t> body(size < 6 ? 6 : size);
  biff::Set16(body.data(), row);
  biff::Set16(body.data() + 2, column);
  biff::Set16(body.data() + 4, xf);
  return body;
}

TBlankRecord::TBlankRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TCellRecord(id, std::move(data), 6) {}

TNumberRecord::TNumberRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TCellRecord(id, std::move(data), 14) {}

Variant TNumberRecord::GetValue() const {
  return Variant::FromDouble(biff::GetDouble(Data().data() + 6));
}

void TNumberRecord::SetValue(const Variant& value) {
  biff::SetDouble(MutableData() + 6, value.ToDouble());
}

TRKRecord::TRKRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TCellRecord(id, std::move(data), 10) {}

Variant TRKRecord::GetValue() const {
  return Variant::FromDouble(DecodeRK(Get32(6)));
}

void TRKRecord::SetValue(const Variant& value) {
  const std::optional<std::uint32_t> rk = EncodeRK(value.ToDouble());
  if (!rk) throw XlsError(Format(msg::kInvalidCellValue, value.ToString().c_str()));
  Set32(6, *rk);
}

TBoolErrRecord::TBoolErrRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TCellRecord(id, std::move(data), 8) {}

const char* TBoolErrRecord::ErrorText(std::uint8_t code) {
  switch (code) {
    case 7:
      return "#DIV/0!";
    case 15:
      return "#VALUE!";
    case 23:
      return "#REF!";
    case 29:
      return "#NAME?";
    case 36:
      return "#NUM!";
    case 42:
      return "#N/A";
    default:
      return "#NULL!";
  }
}

void TBoolErrRecord::SetValue(const Variant& value) {
  std::uint8_t* body = MutableData();
  if (value.Type() == VarType::Boolean) {
    body[6] = value.ToBool() ? 1 : 0;
    body[7] = 0;
    return;
  }
  if (value.IsText()) {
    const std::string text = value.ToString();
    for (const std::uint8_t code : {0, 7, 15, 23, 29, 36, 42}) {
      if (text == ErrorText(code)) {
        body[6] = code;
        body[7] = 1;
        return;
      }
    }
    throw XlsError(Format(msg::kInvalidErrorCode, text.c_str()));
  }
  const std::string shown = value.IsNull() ? std::string() : value.ToString();
  throw XlsError(Format(msg::kInvalidCellValue, shown.c_str()));
}

Variant TBoolErrRecord::GetValue() const {
  if (Data()[7] != 0) return Variant::FromString(ErrorText(Data()[6]));
  return Variant::FromBool(Data()[6] != 0);
}

TLabelSSTRecord::TLabelSSTRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TCellRecord(id, std::move(data), 10) {}

TLabelRecord::TLabelRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRowColRecord(id, std::move(data), 6) {}

TLabelSSTRecord::TLabelSSTRecord(std::uint16_t row, std::uint16_t column, std::uint16_t xf,
                                 TSST& sst)
    : TCellRecord(rid::kLabelSst, NewBody(10, row, column, xf), 10), sst_(&sst) {}

void TLabelSSTRecord::SetValue(const Variant& value) {
  if (sst_ == nullptr) throw XlsError(msg::kFileInvalid);
  TSSTEntry* entry = sst_->AddString(value.ToWideString());
  if (entry_ != nullptr) entry_->Release();
  entry_ = entry;
}

TLabelSSTRecord::TLabelSSTRecord(const TLabelSSTRecord& other)
    : TCellRecord(other), entry_(other.entry_), sst_(other.sst_) {
  if (entry_ != nullptr) entry_->AddRef();
}

TLabelSSTRecord::TLabelSSTRecord(std::uint16_t row, std::uint16_t column, std::uint16_t xf,
                                 TSST* sst, TSSTEntry* entry)
    : TCellRecord(rid::kLabelSst, NewBody(10, row, column, xf), 10), entry_(entry), sst_(sst) {}

TLabelSSTRecord::~TLabelSSTRecord() {
  if (entry_ != nullptr) entry_->Release();
}

TSSTEntry* TLabelSSTRecord::TakeEntry() {
  return std::exchange(entry_, nullptr);
}

void TLabelSSTRecord::LinkToSST(TSST& sst) {
  const std::uint32_t index = Get32(6);
  if (index >= sst.Count()) throw XlsError(msg::kFileInvalid);
  sst_ = &sst;
  if (entry_ != nullptr) entry_->Release();
  entry_ = sst[index];
  entry_->AddRef();
}

Variant TLabelSSTRecord::GetValue() const {
  if (entry_ == nullptr) return Variant();
  return Variant::FromWideString(entry_->string.Text());
}

void TLabelSSTRecord::SaveToStream(TOutStream& out) const {
  std::vector<std::uint8_t> body = Data();
  if (entry_ != nullptr) biff::Set32(body.data() + 6, entry_->save_index);
  out.WriteHeader(Id(), DataSize());
  out.Write(body.data(), body.size());
  if (Continue() != nullptr) Continue()->SaveToStream(out);
}

TMulRKRecord::TMulRKRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRowColRecord(id, std::move(data), 6) {}

std::vector<std::unique_ptr<TCellRecord>> TMulRKRecord::Expand() const {
  std::vector<std::unique_ptr<TCellRecord>> cells;
  const std::uint8_t* p = Data().data();
  // Exactly the entries the body holds: 6 bytes each between row/column and the last column.
  for (std::size_t i = 0; 6 * i + 10 < DataSize(); ++i) {
    const auto column = static_cast<std::uint16_t>(Column() + i);
    auto body = TCellRecord::NewBody(10, Row(), column, biff::Get16(p + 4 + 6 * i));
    biff::Set32(body.data() + 6, biff::Get32(p + 6 + 6 * i));
    cells.push_back(std::make_unique<TRKRecord>(rid::kRk, std::move(body)));
  }
  return cells;
}

TMulBlankRecord::TMulBlankRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRowColRecord(id, std::move(data), 6) {}

std::vector<std::unique_ptr<TCellRecord>> TMulBlankRecord::Expand() const {
  std::vector<std::unique_ptr<TCellRecord>> cells;
  const std::uint8_t* p = Data().data();
  for (std::size_t i = 0; 2 * i + 6 < DataSize(); ++i) {
    const auto column = static_cast<std::uint16_t>(Column() + i);
    cells.push_back(std::make_unique<TBlankRecord>(
        rid::kBlank, TCellRecord::NewBody(6, Row(), column, biff::Get16(p + 4 + 2 * i))));
  }
  return cells;
}

TRowRecord::TRowRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), 16);
  Set16(8, 0);  // the first reserved word: readers treat it as an index offset
}

TRowRecord::TRowRecord(std::uint16_t row) : TBaseRecord(rid::kRow, std::vector<std::uint8_t>(16)) {
  Set16(0, row);
  Set16(6, 255);
}

}  // namespace chronolin
