#pragma once
// The settings dialog's application list: names shown for a command line, and the delay edits
// that keep the list in ascending order of delay (the order in which the applications start and
// are written to the file).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/appli.h"

namespace chronolin {

// Delay given to an application added as the n-th of the list (n from 1).
inline constexpr std::int32_t kAppliDelayStep = 500;

// The file name without its directory: what the list shows.
std::string AppliFileName(std::string_view cmdLine);
// The directory part without its trailing '/', except for the root itself ("/").
std::string AppliDirectory(std::string_view cmdLine);

// The delay typed in the delay field; nullopt for text that is not a decimal number (empty).
std::optional<std::int32_t> ParseDelayText(std::string_view text);

struct AppliMove {
  std::size_t Index = 0;  // where the entry now stands
  bool Sorted = false;    // whether the list was sorted again
};

// Sets the delay of applis[index] and, when it no longer lies between its neighbours' delays,
// sorts the list by delay (equal delays keep their order). The entry's new index lets the
// selection follow the entry itself, even among entries of the same file name.
AppliMove SetAppliDelay(TAppliList& applis, std::size_t index, std::int32_t delay);

}  // namespace chronolin
