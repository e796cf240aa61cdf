#pragma once
// The settings dialog's duration editor: its arrows change the field of "h:mm:ss" that holds the
// caret, one unit a click, with no wrap-around and no carry into the next field.
#include <stdexcept>
#include <string>
#include <string_view>

namespace chronolin {

// A duration text whose fields are not integers (the "-- : -- : --" of an overflowed total, a
// hand-edited value). The arrows refuse it; the text stays as it is.
class DureeConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Largest hour count whose total, with any minutes and seconds, still fits the counter's seconds.
inline constexpr int kMaxDureeHours = 596522;

struct DureeStep {
  std::string Text;
  int Caret = 0;
  bool Changed = false;
};

// One arrow click (step +1 or -1) with the caret at `caret` (0 before the first character).
// The hours field spans the caret positions from 0 to the end of its digits, the minutes field
// from just after the first ":" to its end, the seconds likewise; elsewhere nothing changes.
// Minutes and seconds accept 0 to 59. Hours accept 0 to 99 while written with two digits; a
// wider hour field (a stored total of 100 hours or more) moves within 0 to kMaxDureeHours. A
// value out of range changes nothing. The field is rewritten with at least two digits, the rest
// of the text is kept. Throws DureeConversionError when the text is not three ":"-separated
// groups of digits.
DureeStep StepDureeField(std::string_view text, int caret, int step);

// A quota as the dialog edits it: whole hours and minutes.
struct QuotaHoursMinutes {
  int Hours = 0;
  int Minutes = 0;
};

// "h:mm:ss" as stored (any number of hour digits); seconds round up to a minute. A missing or
// unreadable quota reads as none (0:00).
QuotaHoursMinutes ReadQuotaFields(std::string_view text);
// "HH:MM:00", with as many hour digits as needed.
std::string FormatQuota(const QuotaHoursMinutes& quota);

}  // namespace chronolin
