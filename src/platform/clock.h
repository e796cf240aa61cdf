#pragma once
#include <cstdint>
#include <memory>

#include "common/date_time.h"

namespace chronolin {

// The tick count and the wall clock. The tick count is milliseconds from an arbitrary origin,
// unsigned 32-bit, wrapping: durations are always unsigned differences of two readings.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t GetTickCount() = 0;
  // Local date and time of day.
  virtual TDateTime Now() = 0;
};

// Milliseconds since boot, suspend included (truncated to 32 bits), and local time.
std::unique_ptr<Clock> MakeSystemClock();

}  // namespace chronolin
