#pragma once
// FORMULA cells with their cached result and attached TABLE, the STRING record that carries a
// text result, and the SHRFMLA records expanded into their cells on load.
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "xls/cells/cell_records.h"
#include "xls/formulas/token_shift.h"

namespace chronolin {

class TTableRecord final : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
};

// ARRAY: the range (rows 16-bit at 0 and 2, columns byte at 4 and 5), options, 4 reserved
// bytes, the token length at 12 and the tokens of an array formula from 14; it follows the
// formula of the range's first cell and stays with it.
class TArrayRecord final : public TBaseRecord {
 public:
  // Throws "Record with ID 0x%x is invalid" when the tokens run past the body.
  TArrayRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::uint16_t FirstRow() const { return Get16(0); }
  std::uint16_t LastRow() const { return Get16(2); }
  std::uint8_t FirstColumn() const { return Data()[4]; }
  void SetRows(std::uint16_t first, std::uint16_t last) {
    Set16(0, first);
    Set16(2, last);
  }
  std::uint16_t TokenLength() const { return Get16(12); }
  std::uint8_t* MutableTokens() { return MutableData() + 14; }
};

// The text result of the formula before it.
class TStringRecord final : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::u16string Text() const;
};

// SHRFMLA: range (rows 16-bit at 0 and 2, columns byte at 4 and 5), then the token length at
// 8 and the tokens. Keyed by its first row and column.
class TShrFmlaRecord final : public TBaseRecord {
 public:
  TShrFmlaRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::uint16_t FirstRow() const { return Get16(0); }
  std::uint8_t FirstColumn() const { return Data()[4]; }
};

// Body: row, column, XF, cached result (8 bytes at 6), options (16-bit at 14), 4 reserved
// bytes, token length (16-bit at 20), tokens from 22, then any extra data.
class TFormulaRecord final : public TCellRecord {
 public:
  // Reads the cached result into the value, then stores the placeholder result (an error) with
  // the calculate-on-load bit: the file's consumer recalculates.
  TFormulaRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  TFormulaRecord(const TFormulaRecord& other);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }

  Variant GetValue() const override { return value_; }
  void SetCachedText(std::u16string text) { value_ = Variant::FromWideString(std::move(text)); }

  std::uint16_t TokenLength() const { return Get16(20); }
  const std::uint8_t* Tokens() const { return Data().data() + 22; }

  TTableRecord* Table() const { return table_.get(); }
  // Throws the file-invalid error when a TABLE is already attached.
  void AttachTable(std::unique_ptr<TTableRecord> table);
  TArrayRecord* Array() const { return array_.get(); }
  // Throws the file-invalid error when an ARRAY is already attached.
  void AttachArray(std::unique_ptr<TArrayRecord> array);

  // The token array is a single reference to a shared or array formula.
  bool IsSharedReference() const;
  std::uint16_t SharedRow() const { return Get16(23); }
  std::uint16_t SharedColumn() const { return Get16(25); }
  // Takes the shared formula's tokens as this cell's own.
  void ExpandShared(const TShrFmlaRecord& shared);

  // References follow rows inserted or deleted (the cell's own row is moved by its sheet); an
  // unknown token raises "Formula at Row %d, column %d is not supported. Token Id: 0x%2x".
  void ShiftRows(const tokens::TRowShift& shift);
  // The formula copied to `row`: its row-relative references follow it.
  void MoveToRow(std::uint16_t row);
  // The message above when the walker cannot adjust this formula.
  void CheckTokens() const;
  // Name tokens follow the names' new numbers (see tokens::RenumberNames); never refuses.
  void RenumberNames(const std::map<std::uint16_t, std::uint16_t>& renumbered);

  void SaveToStream(TOutStream& out) const override;
  std::int64_t TotalSize() const override;

 private:
  [[noreturn]] void ThrowToken(std::uint8_t id) const;

  Variant value_;
  std::unique_ptr<TArrayRecord> array_;
  std::unique_ptr<TTableRecord> table_;
};

}  // namespace chronolin
