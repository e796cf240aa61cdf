#pragma once
// The desktop's notification bubbles: a short text, optionally with buttons (actions) that come
// back to the program when the user presses one.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace chronolin {

struct DesktopNotification {
  std::string Summary;
  std::string Body;
  // (key, caption) of each button.
  std::vector<std::pair<std::string, std::string>> Actions;
  // Milliseconds; -1 leaves it to the desktop, 0 keeps it until it is closed.
  std::int32_t Timeout = -1;
};

class DesktopNotifier {
 public:
  // The notification's id and the key of the action pressed.
  using ActionHandler = std::function<void(std::uint32_t id, const std::string& key)>;

  virtual ~DesktopNotifier() = default;
  // The shown notification's id; 0 when no notification service took it, and the caller shows
  // the text some other way.
  virtual std::uint32_t Notify(const DesktopNotification& notification) = 0;
  // Takes a shown notification away; nothing happens for one already gone.
  virtual void Close(std::uint32_t id) = 0;

  void SetOnAction(ActionHandler handler) { onAction_ = std::move(handler); }

 protected:
  ActionHandler onAction_;
};

}  // namespace chronolin
