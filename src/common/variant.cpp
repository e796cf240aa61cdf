#include "common/variant.h"

#include <cmath>
#include <limits>
#include <optional>
#include <type_traits>

#include "common/numeric.h"
#include "common/text_codec.h"

namespace chronolin {
namespace {

template <typename... Fs>
struct Overloaded : Fs... {
  using Fs::operator()...;
};
template <typename... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;

std::string Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

}  // namespace

const char* VarTypeName(VarType type) {
  switch (type) {
    case VarType::Empty:
      return "Empty";
    case VarType::Null:
      return "Null";
    case VarType::SmallInt:
      return "SmallInt";
    case VarType::Integer:
      return "Integer";
    case VarType::Int64:
      return "Int64";
    case VarType::Byte:
      return "Byte";
    case VarType::Single:
      return "Single";
    case VarType::Double:
      return "Double";
    case VarType::Currency:
      return "Currency";
    case VarType::Date:
      return "Date";
    case VarType::Boolean:
      return "Boolean";
    case VarType::String:
      return "String";
    case VarType::WideString:
      return "WideString";
    case VarType::Array:
      return "Array";
  }
  return "Unknown";
}

// --- ArrayBox ---------------------------------------------------------------------------------

Variant::ArrayBox::ArrayBox(VariantArray a) : array(std::make_unique<VariantArray>(std::move(a))) {}
Variant::ArrayBox::ArrayBox(const ArrayBox& other)
    : array(std::make_unique<VariantArray>(*other.array)) {}
Variant::ArrayBox::ArrayBox(ArrayBox&& other) noexcept = default;
Variant::ArrayBox& Variant::ArrayBox::operator=(const ArrayBox& other) {
  if (this != &other) array = std::make_unique<VariantArray>(*other.array);
  return *this;
}
Variant::ArrayBox& Variant::ArrayBox::operator=(ArrayBox&& other) noexcept = default;
Variant::ArrayBox::~ArrayBox() = default;
bool Variant::ArrayBox::operator==(const ArrayBox& other) const {
  return *array == *other.array;
}

// --- Construction -----------------------------------------------------------------------------

Variant Variant::Null() {
  return Variant(VarType::Null, Storage(std::in_place_type<std::monostate>));
}
Variant Variant::FromSmallInt(std::int16_t v) {
  return Variant(VarType::SmallInt, Storage(std::in_place_type<std::int16_t>, v));
}
Variant Variant::FromInt32(std::int32_t v) {
  return Variant(VarType::Integer, Storage(std::in_place_type<std::int32_t>, v));
}
Variant Variant::FromInt64(std::int64_t v) {
  return Variant(VarType::Int64, Storage(std::in_place_type<std::int64_t>, v));
}
Variant Variant::FromByte(std::uint8_t v) {
  return Variant(VarType::Byte, Storage(std::in_place_type<std::uint8_t>, v));
}
Variant Variant::FromSingle(float v) {
  return Variant(VarType::Single, Storage(std::in_place_type<float>, v));
}
Variant Variant::FromDouble(double v) {
  return Variant(VarType::Double, Storage(std::in_place_type<double>, v));
}
Variant Variant::FromCurrency(Currency v) {
  return Variant(VarType::Currency, Storage(std::in_place_type<Currency>, v));
}
Variant Variant::FromDate(TDateTime v) {
  return Variant(VarType::Date, Storage(std::in_place_type<double>, v));
}
Variant Variant::FromBool(bool v) {
  return Variant(VarType::Boolean, Storage(std::in_place_type<bool>, v));
}
Variant Variant::FromString(std::string utf8) {
  return Variant(VarType::String, Storage(std::in_place_type<std::string>, std::move(utf8)));
}
Variant Variant::FromWideString(std::u16string utf16) {
  return Variant(VarType::WideString,
                 Storage(std::in_place_type<std::u16string>, std::move(utf16)));
}
Variant Variant::FromArray(VariantArray array) {
  return Variant(VarType::Array, Storage(std::in_place_type<ArrayBox>, std::move(array)));
}

bool Variant::IsNumeric() const {
  switch (type_) {
    case VarType::SmallInt:
    case VarType::Integer:
    case VarType::Int64:
    case VarType::Byte:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
      return true;
    default:
      return false;
  }
}

const std::string& Variant::AsString() const {
  if (type_ != VarType::String) ThrowCannotConvert(VarType::String);
  return std::get<std::string>(value_);
}

const std::u16string& Variant::AsWideString() const {
  if (type_ != VarType::WideString) ThrowCannotConvert(VarType::WideString);
  return std::get<std::u16string>(value_);
}

const VariantArray& Variant::AsArray() const {
  if (type_ != VarType::Array) ThrowCannotConvert(VarType::Array);
  return *std::get<ArrayBox>(value_).array;
}

VariantArray& Variant::AsArray() {
  if (type_ != VarType::Array) ThrowCannotConvert(VarType::Array);
  return *std::get<ArrayBox>(value_).array;
}

bool operator==(const Variant& a, const Variant& b) {
  return a.type_ == b.type_ && a.value_ == b.value_;
}

// --- Errors -----------------------------------------------------------------------------------

void Variant::ThrowCannotConvert(VarType target) const {
  throw VariantError(std::string("Could not convert variant of type (") + VarTypeName(type_) +
                     ") into type (" + VarTypeName(target) + ")");
}

void Variant::ThrowOverflow(VarType target) const {
  throw VariantOverflowError(std::string("Overflow while converting variant of type (") +
                             VarTypeName(type_) + ") into type (" + VarTypeName(target) + ")");
}

// --- Numeric conversions ----------------------------------------------------------------------

double Variant::ToDouble() const {
  std::optional<double> result = std::visit(
      Overloaded{
          [](std::monostate) -> std::optional<double> { return 0.0; },  // Null: caught below
          [](bool b) -> std::optional<double> { return b ? -1.0 : 0.0; },
          [](Currency c) -> std::optional<double> { return c.ToDouble(); },
          [](const std::string& s) { return ParseNumber(s); },
          [](const std::u16string& s) { return ParseNumber(Utf16ToUtf8(s)); },
          [](const ArrayBox&) -> std::optional<double> { return std::nullopt; },
          [](auto n) -> std::optional<double> { return static_cast<double>(n); },
      },
      value_);
  if (type_ == VarType::Null || !result) ThrowCannotConvert(VarType::Double);
  return *result;
}

// Integer conversions share one path: exact for integer sources, half-even rounding for the
// rest, then a range check by the caller. Integer-looking text is read exactly so that large
// Int64 values survive the trip through text.
std::int64_t Variant::RoundedToInt64(VarType target) const {
  constexpr double kTwo63 = 9223372036854775808.0;
  const auto fromDouble = [&](double d) -> std::int64_t {
    if (std::isnan(d)) ThrowCannotConvert(target);
    const double r = RoundHalfEven(d);
    if (r >= kTwo63 || r < -kTwo63) ThrowOverflow(target);
    return static_cast<std::int64_t>(r);
  };
  const auto fromText = [&](const std::string& s) -> std::int64_t {
    if (const auto exact = ParseInteger(s)) return *exact;
    const auto parsed = ParseNumber(s);
    if (!parsed) ThrowCannotConvert(target);
    return fromDouble(*parsed);
  };
  switch (type_) {
    case VarType::Empty:
      return 0;
    case VarType::SmallInt:
      return std::get<std::int16_t>(value_);
    case VarType::Integer:
      return std::get<std::int32_t>(value_);
    case VarType::Int64:
      return std::get<std::int64_t>(value_);
    case VarType::Byte:
      return std::get<std::uint8_t>(value_);
    case VarType::Boolean:
      return std::get<bool>(value_) ? -1 : 0;
    case VarType::Currency:
      return std::get<Currency>(value_).RoundToInt64();
    case VarType::Single:
      return fromDouble(std::get<float>(value_));
    case VarType::Double:
    case VarType::Date:
      return fromDouble(std::get<double>(value_));
    case VarType::String:
      return fromText(std::get<std::string>(value_));
    case VarType::WideString:
      return fromText(Utf16ToUtf8(std::get<std::u16string>(value_)));
    case VarType::Null:
    case VarType::Array:
      break;
  }
  ThrowCannotConvert(target);
}

std::int64_t Variant::ToInt64() const {
  return RoundedToInt64(VarType::Int64);
}

std::int32_t Variant::ToInt32() const {
  const std::int64_t v = RoundedToInt64(VarType::Integer);
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    ThrowOverflow(VarType::Integer);
  return static_cast<std::int32_t>(v);
}

Currency Variant::ToCurrency() const {
  std::optional<Currency> result;
  switch (type_) {
    case VarType::Currency:
      return std::get<Currency>(value_);
    case VarType::Empty:
      return Currency();
    case VarType::SmallInt:
    case VarType::Integer:
    case VarType::Int64:
    case VarType::Byte:
    case VarType::Boolean:
      result = Currency::FromInt64(RoundedToInt64(VarType::Currency));
      break;
    case VarType::Null:
    case VarType::Array:
      ThrowCannotConvert(VarType::Currency);
    default: {
      const double d = ToDouble();
      if (std::isnan(d)) ThrowCannotConvert(VarType::Currency);
      result = Currency::FromDouble(d);
    }
  }
  if (!result) ThrowOverflow(VarType::Currency);
  return *result;
}

bool Variant::ToBool() const {
  switch (type_) {
    case VarType::Boolean:
      return std::get<bool>(value_);
    case VarType::Currency:
      return std::get<Currency>(value_).Scaled() != 0;
    case VarType::String:
    case VarType::WideString: {
      const std::string text = Trimmed(ToString());
      if (EqualsIgnoreCase(text, "true")) return true;
      if (EqualsIgnoreCase(text, "false")) return false;
      const auto parsed = ParseNumber(text);
      if (!parsed) ThrowCannotConvert(VarType::Boolean);
      return *parsed != 0;
    }
    case VarType::Null:
    case VarType::Array:
      ThrowCannotConvert(VarType::Boolean);
    default:
      return ToDouble() != 0;
  }
}

TDateTime Variant::ToDateTime() const {
  switch (type_) {
    case VarType::String:
    case VarType::WideString: {
      const std::string text = Trimmed(ToString());
      if (const auto parsed = ParseNumber(text)) return *parsed;
      TDateTime result = 0;
      if (!TryParseDateTime(text, result)) ThrowCannotConvert(VarType::Date);
      return result;
    }
    case VarType::Null:
    case VarType::Array:
      ThrowCannotConvert(VarType::Date);
    default:
      return ToDouble();
  }
}

// --- Text conversions -------------------------------------------------------------------------

std::string Variant::ToString() const {
  switch (type_) {
    case VarType::Empty:
      return {};
    case VarType::SmallInt:
      return std::to_string(std::get<std::int16_t>(value_));
    case VarType::Integer:
      return std::to_string(std::get<std::int32_t>(value_));
    case VarType::Int64:
      return std::to_string(std::get<std::int64_t>(value_));
    case VarType::Byte:
      return std::to_string(std::get<std::uint8_t>(value_));
    case VarType::Single:
      return FormatSingle(std::get<float>(value_));
    case VarType::Double:
      return FormatDouble(std::get<double>(value_));
    case VarType::Currency:
      return std::get<Currency>(value_).ToString();
    case VarType::Boolean:
      return std::get<bool>(value_) ? "True" : "False";
    case VarType::String:
      return std::get<std::string>(value_);
    case VarType::WideString:
      return Utf16ToUtf8(std::get<std::u16string>(value_));
    case VarType::Date:
      try {
        return DateTimeToString(std::get<double>(value_));
      } catch (const std::invalid_argument&) {
        ThrowCannotConvert(VarType::String);
      }
    case VarType::Null:
    case VarType::Array:
      break;
  }
  ThrowCannotConvert(VarType::String);
}

std::u16string Variant::ToWideString() const {
  if (type_ == VarType::WideString) return std::get<std::u16string>(value_);
  try {
    return Utf8ToUtf16(ToString());
  } catch (const VariantError&) {
    ThrowCannotConvert(VarType::WideString);
  }
}

}  // namespace chronolin
