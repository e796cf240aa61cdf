#pragma once

namespace chronolin {

// Starts the configured applications when a connection is fully up, closes the ones marked for
// it when a counted connection ends.
class AppLauncher {
 public:
  virtual ~AppLauncher() = default;
  virtual void LaunchApplis() = 0;
  virtual void CloseApplis() = 0;
};

}  // namespace chronolin
