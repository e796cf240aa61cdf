#pragma once
// One application to start when a connection comes up, as the "Appli" section keeps it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace chronolin {

struct TAppli {
  std::uint32_t ProcessId = 0;
  std::string CmdLine;
  std::int32_t Delay = 0;        // milliseconds
  std::int32_t WindowState = 0;  // 0 normal, 1 maximised, 2 minimised
  bool CloseOnDisconnect = true;

  bool operator==(const TAppli&) const = default;
};

using TAppliList = std::vector<TAppli>;

inline constexpr std::size_t kMaxApplis = 10;

// Parses one "Appli" value (the text after the first "=").
TAppli ParseAppliValue(std::string_view value);
// The value written for an application: CmdLine,Delay,WindowState,CloseOnDisconnect.
std::string FormatAppliValue(const TAppli& appli);

}  // namespace chronolin
