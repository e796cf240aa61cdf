#include "settings/appli.h"

#include <limits>
#include <optional>
#include <stdexcept>

namespace chronolin {

namespace {

// A delay is a plain non-negative count of milliseconds; blanks around it are tolerated.
std::optional<std::int32_t> ParseDelay(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace

// The record is read by position: "CmdLine,Delay,W,C" where W and C are single characters.
// A hand-edited value is read as far as it makes sense: a field that does not (a delay that is
// not a non-negative number, a window state other than 0/1/2, a close flag that is not a digit,
// a field cut short) keeps the record's default, and nothing is read past the end of the text.
TAppli ParseAppliValue(std::string_view value) {
  TAppli appli;
  const auto comma = value.find(',');
  if (comma == std::string_view::npos) {
    appli.CmdLine = value;
    return appli;
  }
  appli.CmdLine = value.substr(0, comma);
  const auto rest = value.substr(comma + 1);
  const auto next = rest.find(',');
  if (next == std::string_view::npos) return appli;

  if (const auto delay = ParseDelay(rest.substr(0, next))) appli.Delay = *delay;
  if (next + 1 < rest.size()) {
    const char state = rest[next + 1];
    if (state >= '0' && state <= '2') appli.WindowState = state - '0';
  }
  if (next + 3 < rest.size()) {
    const char close = rest[next + 3];
    if (close >= '0' && close <= '9') appli.CloseOnDisconnect = close != '0';
  }
  return appli;
}

// Only what ParseAppliValue reads back unchanged is written: a comma would cut the command
// line short and a wider window state would shift the close flag.
std::string FormatAppliValue(const TAppli& appli) {
  if (appli.CmdLine.find_first_of(",\r\n") != std::string::npos) {
    throw std::invalid_argument(
        "La ligne de commande ne peut contenir ni virgule ni saut de ligne : \"" + appli.CmdLine +
        "\"");
  }
  if (appli.Delay < 0) {
    throw std::invalid_argument("Délai négatif pour \"" + appli.CmdLine + "\"");
  }
  if (appli.WindowState < 0 || appli.WindowState > 2) {
    throw std::invalid_argument("État de fenêtre invalide pour \"" + appli.CmdLine + "\"");
  }
  return appli.CmdLine + "," + std::to_string(appli.Delay) + "," +
         std::to_string(appli.WindowState) + "," + (appli.CloseOnDisconnect ? "1" : "0");
}

}  // namespace chronolin
