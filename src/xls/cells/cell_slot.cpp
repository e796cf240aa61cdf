#include "xls/cells/cell_slot.h"

#include <cstring>
#include <utility>

#include "xls/cells/rk_value.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/record_ids.h"

namespace chronolin {

namespace {

// Body sizes of the plain cells: row, column, XF, then the value.
constexpr std::size_t kBlankSize = 6;
constexpr std::size_t kBoolErrSize = 8;
constexpr std::size_t kRkSize = 10;
constexpr std::size_t kLabelSstSize = 10;
constexpr std::size_t kNumberSize = 14;

std::uint64_t DoubleBits(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

double BitsDouble(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace

TCellSlot TCellSlot::Blank(std::uint16_t column, std::uint16_t xf) {
  TCellSlot slot;
  slot.column_ = column;
  slot.xf_ = xf;
  return slot;
}

TCellSlot TCellSlot::Number(std::uint16_t column, std::uint16_t xf, double value) {
  TCellSlot slot = Blank(column, xf);
  slot.kind_ = Kind::kNumber;
  slot.value_.number_bits = DoubleBits(value);
  return slot;
}

TCellSlot TCellSlot::Rk(std::uint16_t column, std::uint16_t xf, std::uint32_t rk) {
  TCellSlot slot = Blank(column, xf);
  slot.kind_ = Kind::kRk;
  slot.value_.rk = rk;
  return slot;
}

TCellSlot TCellSlot::BoolErr(std::uint16_t column, std::uint16_t xf, std::uint8_t value,
                             std::uint8_t is_error) {
  TCellSlot slot = Blank(column, xf);
  slot.kind_ = Kind::kBoolErr;
  slot.value_.bool_err[0] = value;
  slot.value_.bool_err[1] = is_error;
  return slot;
}

TCellSlot TCellSlot::Text(std::uint16_t column, std::uint16_t xf, TSSTEntry* entry) {
  TCellSlot slot = Blank(column, xf);
  slot.kind_ = Kind::kText;
  slot.value_.text = entry;
  return slot;
}

TCellSlot TCellSlot::FromRecord(std::unique_ptr<TCellRecord> record) {
  const std::size_t size = record->DataSize();
  const std::uint8_t* body = record->Data().data();
  if (record->Continue() == nullptr) {
    const std::uint16_t column = record->Column();
    const std::uint16_t xf = record->XF();
    switch (record->Id()) {
      case rid::kBlank:
        if (size == kBlankSize) return Blank(column, xf);
        break;
      case rid::kNumber:
        if (size == kNumberSize) return Number(column, xf, biff::GetDouble(body + 6));
        break;
      case rid::kRk:
        if (size == kRkSize) return Rk(column, xf, biff::Get32(body + 6));
        break;
      case rid::kBoolErr:
        if (size == kBoolErrSize) return BoolErr(column, xf, body[6], body[7]);
        break;
      case rid::kLabelSst:
        if (auto* label = dynamic_cast<TLabelSSTRecord*>(record.get());
            label != nullptr && size == kLabelSstSize && label->Entry() != nullptr) {
          return Text(column, xf, label->TakeEntry());
        }
        break;
      default:
        break;
    }
  }
  TCellSlot slot;
  slot.kind_ = Kind::kRecord;
  slot.value_.record = record.release();
  return slot;
}

bool TCellSlot::FromBody(std::uint16_t id, std::span<const std::uint8_t> body, const TSST& sst,
                         TCellSlot& slot) {
  if (body.size() < kBlankSize) return false;
  const std::uint8_t* p = body.data();
  const std::uint16_t column = biff::Get16(p + 2);
  const std::uint16_t xf = biff::Get16(p + 4);
  switch (id) {
    case rid::kBlank:
      if (body.size() != kBlankSize) return false;
      slot = Blank(column, xf);
      return true;
    case rid::kNumber:
      if (body.size() != kNumberSize) return false;
      slot = Number(column, xf, biff::GetDouble(p + 6));
      return true;
    case rid::kRk:
      if (body.size() != kRkSize) return false;
      slot = Rk(column, xf, biff::Get32(p + 6));
      return true;
    case rid::kBoolErr:
      if (body.size() != kBoolErrSize) return false;
      slot = BoolErr(column, xf, p[6], p[7]);
      return true;
    case rid::kLabelSst: {
      if (body.size() != kLabelSstSize) return false;
      const std::uint32_t index = biff::Get32(p + 6);
      if (index >= sst.Count()) throw XlsError(msg::kFileInvalid);
      TSSTEntry* entry = sst[index];
      entry->AddRef();
      slot = Text(column, xf, entry);
      return true;
    }
    default:
      return false;
  }
}

TCellSlot::TCellSlot(TCellSlot&& other) noexcept
    : value_(other.value_), column_(other.column_), xf_(other.xf_), kind_(other.kind_) {
  other.kind_ = Kind::kBlank;
}

TCellSlot& TCellSlot::operator=(TCellSlot&& other) noexcept {
  if (this != &other) {
    Reset();
    value_ = other.value_;
    column_ = other.column_;
    xf_ = other.xf_;
    kind_ = other.kind_;
    other.kind_ = Kind::kBlank;
  }
  return *this;
}

void TCellSlot::Reset() noexcept {
  if (kind_ == Kind::kRecord) {
    delete value_.record;
  } else if (kind_ == Kind::kText && value_.text != nullptr) {
    value_.text->Release();
  }
  kind_ = Kind::kBlank;
}

TCellSlot TCellSlot::Clone() const {
  TCellSlot copy;
  copy.value_ = value_;
  copy.column_ = column_;
  copy.xf_ = xf_;
  if (kind_ == Kind::kRecord) {
    copy.value_.record = static_cast<TCellRecord*>(value_.record->Clone().release());
  } else if (kind_ == Kind::kText && value_.text != nullptr) {
    value_.text->AddRef();
  }
  copy.kind_ = kind_;
  return copy;
}

std::uint16_t TCellSlot::Id() const {
  switch (kind_) {
    case Kind::kBlank:
      return rid::kBlank;
    case Kind::kNumber:
      return rid::kNumber;
    case Kind::kRk:
      return rid::kRk;
    case Kind::kBoolErr:
      return rid::kBoolErr;
    case Kind::kText:
      return rid::kLabelSst;
    case Kind::kRecord:
      break;
  }
  return value_.record->Id();
}

void TCellSlot::SetXF(std::uint16_t xf) {
  if (kind_ == Kind::kRecord) {
    value_.record->SetXF(xf);
  } else {
    xf_ = xf;
  }
}

Variant TCellSlot::GetValue() const {
  switch (kind_) {
    case Kind::kBlank:
      return Variant();
    case Kind::kNumber:
      return Variant::FromDouble(BitsDouble(value_.number_bits));
    case Kind::kRk:
      return Variant::FromDouble(DecodeRK(value_.rk));
    case Kind::kBoolErr:
      if (value_.bool_err[1] != 0) {
        return Variant::FromString(TBoolErrRecord::ErrorText(value_.bool_err[0]));
      }
      return Variant::FromBool(value_.bool_err[0] != 0);
    case Kind::kText:
      return Variant::FromWideString(value_.text->string.Text());
    case Kind::kRecord:
      break;
  }
  return value_.record->GetValue();
}

TCellRecord& TCellSlot::Materialize(std::uint16_t row, TSST* sst) {
  if (kind_ == Kind::kRecord) return *value_.record;
  std::unique_ptr<TCellRecord> record;
  switch (kind_) {
    case Kind::kBlank:
      record = std::make_unique<TBlankRecord>(rid::kBlank,
                                              TCellRecord::NewBody(kBlankSize, row, column_, xf_));
      break;
    case Kind::kNumber: {
      auto body = TCellRecord::NewBody(kNumberSize, row, column_, xf_);
      biff::SetDouble(body.data() + 6, BitsDouble(value_.number_bits));
      record = std::make_unique<TNumberRecord>(rid::kNumber, std::move(body));
      break;
    }
    case Kind::kRk: {
      auto body = TCellRecord::NewBody(kRkSize, row, column_, xf_);
      biff::Set32(body.data() + 6, value_.rk);
      record = std::make_unique<TRKRecord>(rid::kRk, std::move(body));
      break;
    }
    case Kind::kBoolErr: {
      auto body = TCellRecord::NewBody(kBoolErrSize, row, column_, xf_);
      body[6] = value_.bool_err[0];
      body[7] = value_.bool_err[1];
      record = std::make_unique<TBoolErrRecord>(rid::kBoolErr, std::move(body));
      break;
    }
    case Kind::kText:
      // The record takes the slot's reference over.
      record = std::make_unique<TLabelSSTRecord>(row, column_, xf_, sst, value_.text);
      break;
    case Kind::kRecord:
      break;
  }
  value_.record = record.release();
  kind_ = Kind::kRecord;
  return *value_.record;
}

std::int64_t TCellSlot::TotalSize() const {
  switch (kind_) {
    case Kind::kBlank:
      return 4 + kBlankSize;
    case Kind::kNumber:
      return 4 + kNumberSize;
    case Kind::kRk:
      return 4 + kRkSize;
    case Kind::kBoolErr:
      return 4 + kBoolErrSize;
    case Kind::kText:
      return 4 + kLabelSstSize;
    case Kind::kRecord:
      break;
  }
  return value_.record->TotalSize();
}

void TCellSlot::SaveToStream(std::uint16_t row, TOutStream& out) const {
  if (kind_ == Kind::kRecord) {
    value_.record->SaveToStream(out);
    return;
  }
  std::uint8_t bytes[kMaxPlainSize];
  out.Write(bytes, Encode(row, bytes));
}

std::size_t TCellSlot::Encode(std::uint16_t row, std::uint8_t* bytes) const {
  static_assert(kMaxPlainSize == 4 + kNumberSize);
  std::size_t size = kBlankSize;
  std::uint8_t* body = bytes + 4;
  switch (kind_) {
    case Kind::kNumber:
      size = kNumberSize;
      biff::SetDouble(body + 6, BitsDouble(value_.number_bits));
      break;
    case Kind::kRk:
      size = kRkSize;
      biff::Set32(body + 6, value_.rk);
      break;
    case Kind::kBoolErr:
      size = kBoolErrSize;
      body[6] = value_.bool_err[0];
      body[7] = value_.bool_err[1];
      break;
    case Kind::kText:
      size = kLabelSstSize;
      biff::Set32(body + 6, value_.text->save_index);
      break;
    default:
      break;
  }
  biff::Set16(bytes, Id());
  biff::Set16(bytes + 2, static_cast<std::uint16_t>(size));
  biff::Set16(body, row);
  biff::Set16(body + 2, column_);
  biff::Set16(body + 4, xf_);
  return 4 + size;
}

}  // namespace chronolin
