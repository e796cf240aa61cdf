#pragma once
#include "platform/ras_provider.h"

namespace chronolin {

// The system's "offline" switch, forced when a counted connection ends. Whatever stands behind
// it, the caller never sees a failure.
class InternetState {
 public:
  explicit InternetState(RasProvider& provider) : provider_(provider) {}
  void SetOffLine() noexcept;

 private:
  RasProvider& provider_;
};

}  // namespace chronolin
