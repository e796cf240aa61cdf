#pragma once
// The value a CSV field or a --value option stands for: empty text is an empty value, a decimal
// number ("-12", "3.25", "1e3") a floating-point value, "YYYY-MM-DD", "HH:MM:SS" or
// "YYYY-MM-DD HH:MM:SS" a date-time, anything else text.
#include <string_view>

#include "common/variant.h"

namespace chronolin::cli {

Variant TypedValue(std::string_view text);

}  // namespace chronolin::cli
