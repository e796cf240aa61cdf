#pragma once
// The tagged value the report engine and the workbook model use for cells, fields and named
// values. Construction goes through named factories so that no argument silently picks the
// wrong type through an implicit conversion.
//
// Conversions never fall back to a default: a value that cannot be represented in the target
// type throws VariantError. Rules shared by the To* conversions:
//  - Empty converts to 0, false or "", Null to nothing (it always throws), Arrays to nothing.
//  - Boolean true is -1 as a number (and false 0), the classic variant convention; as text it
//    is "True"/"False".
//  - Text is read as a decimal number; '.' or ',' may separate decimals (see ParseNumber).
//  - Floating values round to integers half to even; results outside the target range throw.
#include <compare>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "common/currency.h"
#include "common/date_time.h"

namespace chronolin {

enum class VarType {
  Empty,
  Null,
  SmallInt,  // int16
  Integer,   // int32
  Int64,
  Byte,    // uint8
  Single,  // float
  Double,
  Currency,  // fixed point, four decimals
  Date,      // TDateTime
  Boolean,
  String,      // UTF-8
  WideString,  // UTF-16
  Array,
};

// "Empty", "SmallInt", "WideString"...: the names used in conversion error messages.
const char* VarTypeName(VarType type);

class VariantError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A conversion whose source value is valid but does not fit the target type.
class VariantOverflowError : public VariantError {
 public:
  using VariantError::VariantError;
};

class VariantArray;

class Variant {
 public:
  Variant() = default;  // Empty

  static Variant Null();
  static Variant FromSmallInt(std::int16_t value);
  static Variant FromInt32(std::int32_t value);
  static Variant FromInt64(std::int64_t value);
  static Variant FromByte(std::uint8_t value);
  static Variant FromSingle(float value);
  static Variant FromDouble(double value);
  static Variant FromCurrency(Currency value);
  static Variant FromDate(TDateTime value);
  static Variant FromBool(bool value);
  static Variant FromString(std::string utf8);
  static Variant FromWideString(std::u16string utf16);
  static Variant FromArray(VariantArray array);

  VarType Type() const { return type_; }
  bool IsEmpty() const { return type_ == VarType::Empty; }
  bool IsNull() const { return type_ == VarType::Null; }
  // Integer, floating and Currency types. Date and Boolean convert to numbers but are not
  // numeric here, so a writer can still tell them apart.
  bool IsNumeric() const;
  bool IsText() const { return type_ == VarType::String || type_ == VarType::WideString; }
  bool IsArray() const { return type_ == VarType::Array; }

  // Direct access to the stored value without conversion; throws VariantError when the type
  // differs.
  const std::string& AsString() const;
  const std::u16string& AsWideString() const;
  const VariantArray& AsArray() const;
  VariantArray& AsArray();

  double ToDouble() const;
  std::int32_t ToInt32() const;
  std::int64_t ToInt64() const;
  Currency ToCurrency() const;
  // Numbers: non-zero is true. Text: "True"/"False" in any case, else a number.
  bool ToBool() const;
  // A Date as stored; numbers as days; text either a number or what DateTimeToString writes.
  TDateTime ToDateTime() const;
  // UTF-8. Integers in decimal, Single/Double as FormatSingle/FormatDouble, Currency exactly,
  // Date as DateTimeToString.
  std::string ToString() const;
  std::u16string ToWideString() const;

  // Same type and same value, without conversion: Integer 1 differs from Double 1.0. Arrays
  // compare bounds and elements. As with double, a NaN is unequal to itself.
  friend bool operator==(const Variant& a, const Variant& b);

 private:
  // Gives an Array value semantics: copies are deep.
  struct ArrayBox {
    explicit ArrayBox(VariantArray array);
    ArrayBox(const ArrayBox& other);
    ArrayBox(ArrayBox&& other) noexcept;
    ArrayBox& operator=(const ArrayBox& other);
    ArrayBox& operator=(ArrayBox&& other) noexcept;
    ~ArrayBox();
    bool operator==(const ArrayBox& other) const;
    std::unique_ptr<VariantArray> array;
  };
  // Empty and Null share monostate, Double and Date share double; type_ tells them apart.
  using Storage =
      std::variant<std::monostate, std::int16_t, std::int32_t, std::int64_t, std::uint8_t, float,
                   double, Currency, bool, std::string, std::u16string, ArrayBox>;

  Variant(VarType type, Storage value) : type_(type), value_(std::move(value)) {}
  [[noreturn]] void ThrowCannotConvert(VarType target) const;
  [[noreturn]] void ThrowOverflow(VarType target) const;
  std::int64_t RoundedToInt64(VarType target) const;

  VarType type_ = VarType::Empty;
  Storage value_;
};

// Inclusive bounds of one array dimension. high == low - 1 makes an empty dimension.
struct ArrayBound {
  std::int32_t low = 0;
  std::int32_t high = -1;
  friend bool operator==(const ArrayBound&, const ArrayBound&) = default;
};

// A rectangular array of Variants, each dimension with its own bounds ([1..3] x [0..1]).
// Elements are stored row-major (the last index varies fastest) and start out Empty.
class VariantArray {
 public:
  // Throws VariantError for no dimensions, a dimension with high < low - 1, or more than
  // kMaxElements elements in total.
  explicit VariantArray(std::vector<ArrayBound> bounds);

  static constexpr std::size_t kMaxElements = std::size_t{1} << 28;

  std::size_t DimensionCount() const { return bounds_.size(); }
  const std::vector<ArrayBound>& Bounds() const { return bounds_; }
  std::size_t ElementCount() const;

  // One index per dimension; throws VariantError on a wrong index count or an index out of
  // its dimension's bounds.
  const Variant& At(std::span<const std::int32_t> indices) const;
  Variant& At(std::span<const std::int32_t> indices);
  const Variant& At(std::initializer_list<std::int32_t> indices) const;
  Variant& At(std::initializer_list<std::int32_t> indices);

  // Row-major storage, for writers that walk every element.
  const std::vector<Variant>& Elements() const { return elements_; }

  friend bool operator==(const VariantArray& a, const VariantArray& b);

 private:
  std::size_t Offset(std::span<const std::int32_t> indices) const;

  std::vector<ArrayBound> bounds_;
  std::vector<Variant> elements_;
};

}  // namespace chronolin
