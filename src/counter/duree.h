#pragma once
// Duration texts: hours, minutes and seconds joined by ":".
#include <cstdint>
#include <string>
#include <string_view>

namespace chronolin {

inline constexpr std::string_view kOverflowDuree = "-- : -- : --";

// Two digits a field; "-- : -- : --" from 100 hours on. What the window and the journal show.
std::string SecondsToDuree(std::int32_t seconds);

// As SecondsToDuree, but with as many hour digits as needed (123:04:05): what the settings file
// stores, so that a total of 100 hours or more survives the next start.
std::string SecondsToStoredDuree(std::int32_t seconds);

// "h:m:s", any number of digits a field, signed; text after a third ":" is ignored. Text that
// cannot be read counts as 0.
std::int32_t DureeToSeconds(std::string_view text);

}  // namespace chronolin
