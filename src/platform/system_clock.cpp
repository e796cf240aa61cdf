#include <time.h>

#include <algorithm>

#include "platform/clock.h"

namespace chronolin {

namespace {

class SystemClock final : public Clock {
 public:
  std::uint32_t GetTickCount() override {
    // The boot-time clock goes on while the machine sleeps: a connection that stays up across
    // a suspend is counted whole.
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    // Unsigned arithmetic: the count wraps every 49.7 days, as callers expect.
    const auto ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                    static_cast<std::uint64_t>(ts.tv_nsec) / 1'000'000u;
    return static_cast<std::uint32_t>(ms);
  }

  TDateTime Now() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    // A leap second (tm_sec 60) has no place in a TDateTime.
    const int second = std::min(local.tm_sec, 59);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           EncodeTime(local.tm_hour, local.tm_min, second,
                      static_cast<int>(ts.tv_nsec / 1'000'000));
  }
};

}  // namespace

std::unique_ptr<Clock> MakeSystemClock() {
  return std::make_unique<SystemClock>();
}

}  // namespace chronolin
