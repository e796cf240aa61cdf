#pragma once
#include <cstdint>
#include <string>

#include "common/date_time.h"
#include "platform/ras_provider.h"

namespace chronolin {

// Start events: the connection state from which counting may begin.
inline constexpr std::uint8_t kStartNumbering = 0;
inline constexpr std::uint8_t kStartAuthentication = 1;
inline constexpr std::uint8_t kStartConnection = 2;

// The followed connection and its counters. Copied whole into the journal writer.
struct TConnexion {
  HRASCONN Handle = 0;
  TDateTime StartDate = 0;
  TDateTime StartTime = 0;
  std::string Name;
  std::uint8_t StartEvent = kStartConnection;
  std::int32_t StartDelay = 0;
  std::uint32_t StartTick = 0;
  std::string Duree;
  bool Connected = false;
  bool AppsLaunched = false;
};

}  // namespace chronolin
