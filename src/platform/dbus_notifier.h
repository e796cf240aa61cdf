#pragma once
// Notifications through the freedesktop notification service on the session bus.
#include <memory>
#include <string>

#include "platform/desktop_notifier.h"

namespace chronolin {

class DbusNotifier final : public DesktopNotifier {
 public:
  // An empty `busAddress` means the session bus; otherwise a D-Bus address (tests run a
  // stand-in service on a private bus). Action presses arrive through the Qt event loop.
  explicit DbusNotifier(const std::string& busAddress = {});
  ~DbusNotifier() override;
  DbusNotifier(const DbusNotifier&) = delete;
  DbusNotifier& operator=(const DbusNotifier&) = delete;

  std::uint32_t Notify(const DesktopNotification& notification) override;
  void Close(std::uint32_t id) override;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace chronolin
