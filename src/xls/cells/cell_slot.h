#pragma once
// One cell of a row in 16 bytes: column, XF, kind and an 8-byte value. Plain numbers, texts,
// Booleans, errors and blanks stay in this form; formulas and cells of unusual shape keep their
// record object, owned by the slot. A record object for a plain cell is made only when a caller
// asks for one (the slot then holds it from that point on).
#include <cstdint>
#include <memory>
#include <span>

#include "common/variant.h"
#include "xls/cells/cell_records.h"

namespace chronolin {

class TCellSlot {
 public:
  enum class Kind : std::uint8_t { kBlank, kNumber, kRk, kBoolErr, kText, kRecord };

  static TCellSlot Blank(std::uint16_t column, std::uint16_t xf);
  static TCellSlot Number(std::uint16_t column, std::uint16_t xf, double value);
  static TCellSlot Rk(std::uint16_t column, std::uint16_t xf, std::uint32_t rk);
  // The two bytes of a BOOLERR value: the value or error code, then 1 for an error.
  static TCellSlot BoolErr(std::uint16_t column, std::uint16_t xf, std::uint8_t value,
                           std::uint8_t is_error);
  // Takes over one reference the caller holds on the entry.
  static TCellSlot Text(std::uint16_t column, std::uint16_t xf, TSSTEntry* entry);
  // A record keeps its object unless it is a plain cell of the usual size without
  // continuation, which the slot holds by value.
  static TCellSlot FromRecord(std::unique_ptr<TCellRecord> record);
  // A plain cell from the body of a record of that id, or false when the body is not one of
  // the usual shape (the caller then reads it as a record). A LABELSST index is looked up in
  // the table: an index past its end raises "File invalid".
  static bool FromBody(std::uint16_t id, std::span<const std::uint8_t> body, const TSST& sst,
                       TCellSlot& slot);

  TCellSlot() = default;
  ~TCellSlot() { Reset(); }
  TCellSlot(TCellSlot&& other) noexcept;
  TCellSlot& operator=(TCellSlot&& other) noexcept;
  TCellSlot(const TCellSlot&) = delete;
  TCellSlot& operator=(const TCellSlot&) = delete;
  // Text cells share the entry; records are cloned.
  TCellSlot Clone() const;

  Kind GetKind() const { return kind_; }
  bool IsRecord() const { return kind_ == Kind::kRecord; }
  TCellRecord* Record() const { return kind_ == Kind::kRecord ? value_.record : nullptr; }
  std::uint16_t Id() const;
  std::uint16_t Column() const {
    return kind_ == Kind::kRecord ? value_.record->Column() : column_;
  }
  std::uint16_t XF() const { return kind_ == Kind::kRecord ? value_.record->XF() : xf_; }
  void SetXF(std::uint16_t xf);
  Variant GetValue() const;

  // The record object for the cell, made now for a plain cell of the given row.
  TCellRecord& Materialize(std::uint16_t row, TSST* sst);

  // The most a plain cell takes, header included.
  static constexpr std::size_t kMaxPlainSize = 18;
  std::int64_t TotalSize() const;
  void SaveToStream(std::uint16_t row, TOutStream& out) const;
  // A plain cell written at `to` (kMaxPlainSize bytes of room): returns the bytes written.
  std::size_t Encode(std::uint16_t row, std::uint8_t* to) const;

 private:
  void Reset() noexcept;

  union Value {
    std::uint64_t number_bits;
    std::uint32_t rk;
    std::uint8_t bool_err[2];
    TSSTEntry* text;
    TCellRecord* record;
  };
  Value value_{};
  std::uint16_t column_ = 0;
  std::uint16_t xf_ = 0;
  Kind kind_ = Kind::kBlank;
};

static_assert(sizeof(TCellSlot) == 16, "a cell costs 16 bytes in its row");

}  // namespace chronolin
