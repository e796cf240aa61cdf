#pragma once
// What the counter needs of the window that shows it. The Qt window implements it; the console
// runner and the tests have their own.
#include <string>
#include <vector>

namespace chronolin {

enum class MsgIcon { Error, Question, Information };
enum class MsgButtons { Ok, YesNo };
enum class MsgResult { Ok, Yes, No };

// The connection items of the popup menu: the selected entry and the "Autres connexions"
// submenu, one sub-item per phonebook entry.
struct ConnexionMenuItem {
  std::string Caption;
  bool Visible = true;
};

struct ConnexionMenu {
  std::string SelectedCaption;  // MISelectedCnx
  std::vector<ConnexionMenuItem> Items;
  bool ConnexionsVisible = false;  // MIConnexions
  // A hang-up at the quota is announced and may still be cancelled.
  bool CancelHangUpVisible = false;
};

struct WindowPos {
  int X = 0;
  int Y = 0;
};

class CounterView {
 public:
  virtual ~CounterView() = default;

  virtual void PaintCounter() = 0;
  virtual void SetWindowVisible(bool visible) = 0;
  virtual void SetHint(const std::string& hint) = 0;
  // The menu model changed (captions or visibility); the view rebuilds what it shows.
  virtual void ConnexionMenuChanged() = 0;

  // Whether there is a window at all. Without one (the console) nothing of "WindowPos" is
  // read or written: a position made up for no screen would lose the next window.
  virtual bool HasWindow() const { return true; }
  virtual WindowPos GetWindowPos() const = 0;
  virtual void SetWindowPos(WindowPos pos) = 0;
  // Bottom right of the screen, 30 pixels above its lower edge.
  virtual WindowPos DefaultWindowPos() const = 0;

  // A modal message box; ticks go on while it is open.
  virtual MsgResult MessageBox(const std::string& text, const std::string& title, MsgIcon icon,
                               MsgButtons buttons) = 0;
  // The application's standard error box for an error that escaped a handler.
  virtual void ShowError(const std::string& message) = 0;

  // A quota warning, given once per month and entry.
  virtual void QuotaWarning(const std::string& /*text*/) {}
  // The counted line is hung up in `seconds` unless the user cancels (TCounter::CancelHangUp).
  virtual void QuotaHangUpNotice(const std::string& /*text*/, int /*seconds*/) {}
  // The notice is over: cancelled, carried out, or the line ended by itself.
  virtual void QuotaHangUpNoticeEnded() {}
};

}  // namespace chronolin
