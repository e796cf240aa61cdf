#pragma once
// Locale-independent number text and rounding, shared by the variant conversions and the
// report engine.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace chronolin {

// Decimal text: optional surrounding ASCII blanks, optional sign, digits with at most one
// decimal separator ('.' or ',', the latter being the French habit), optional exponent
// ("1,5e3"). At least one digit is required. Nullopt for anything else and for values beyond
// the range of a double (either way); no thousands separators, no "inf"/"nan".
std::optional<double> ParseNumber(std::string_view text);
// Same blanks and sign rules but digits only; nullopt when the value does not fit.
std::optional<std::int64_t> ParseInteger(std::string_view text);

// Shortest text that reads back as the same value, limited to 15 significant digits (so
// 0.1 + 0.2 prints "0.3"). Plain notation for decimal exponents -5 < e < 15, otherwise
// scientific with an explicit exponent sign: "1E+20", "1.5E-7". No trailing ".0", "-0" is
// "0", and the non-finite values are "NaN", "INF" and "-INF".
std::string FormatDouble(double value);
// The shortest text that reads back as the same float (at most 9 digits), same layout.
std::string FormatSingle(float value);

// Nearest integer, ties to even (banker's rounding), independent of the FPU rounding mode.
double RoundHalfEven(double value);

}  // namespace chronolin
