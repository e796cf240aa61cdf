#include "settings/param_applis.h"

#include <algorithm>
#include <charconv>
#include <numeric>
#include <vector>

namespace chronolin {

std::string AppliFileName(std::string_view cmdLine) {
  const auto slash = cmdLine.rfind('/');
  return std::string(slash == std::string_view::npos ? cmdLine : cmdLine.substr(slash + 1));
}

std::string AppliDirectory(std::string_view cmdLine) {
  const auto slash = cmdLine.rfind('/');
  if (slash == std::string_view::npos) return {};
  return std::string(cmdLine.substr(0, slash == 0 ? 1 : slash));
}

std::optional<std::int32_t> ParseDelayText(std::string_view text) {
  if (text.empty() ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

AppliMove SetAppliDelay(TAppliList& applis, std::size_t index, std::int32_t delay) {
  if (index >= applis.size()) return {index, false};
  applis[index].Delay = delay;
  const std::int32_t previous = index == 0 ? 0 : applis[index - 1].Delay;
  const std::int32_t next = index + 1 == applis.size() ? delay : applis[index + 1].Delay;
  if (previous <= delay && delay <= next) return {index, false};

  std::vector<std::size_t> order(applis.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&applis](std::size_t a, std::size_t b) {
    return applis[a].Delay < applis[b].Delay;
  });
  TAppliList sorted;
  sorted.reserve(applis.size());
  std::size_t newIndex = 0;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (order[i] == index) newIndex = i;
    sorted.push_back(std::move(applis[order[i]]));
  }
  applis = std::move(sorted);
  return {newIndex, true};
}

}  // namespace chronolin
