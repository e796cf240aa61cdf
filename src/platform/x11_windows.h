#pragma once
// Requests to the top-level windows of one process on an X display: the polite close
// (WM_DELETE_WINDOW) and the maximised or minimised state asked of the window manager (EWMH).
// A window belongs to the process whose id is its _NET_WM_PID or, for programs that do not set
// it, whose X connection the server reports (X-Resource extension) as that process.
// Built on xcb rather than Xlib: no process-wide error handler to share with the window toolkit,
// and a lost display is an error to read, not an exit.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace chronolin {

// The window states of an application entry: 1 maximised, 2 minimised (0 leaves it alone).
inline constexpr int kWindowMaximised = 1;
inline constexpr int kWindowMinimised = 2;

class X11Windows {
 public:
  // Connects to `display` (a name such as ":1"). Null when it is empty or cannot be reached.
  static std::unique_ptr<X11Windows> Open(const std::string& display);
  ~X11Windows();
  X11Windows(const X11Windows&) = delete;
  X11Windows& operator=(const X11Windows&) = delete;

  // The process's top-level windows: those the window manager lists first, in the order they
  // were first shown, then the other children of the root window.
  std::vector<std::uint32_t> WindowsOf(pid_t pid);
  // The first window of the process that the window manager has shown; 0 while none.
  std::uint32_t FirstShownWindowOf(pid_t pid);
  // Sends WM_DELETE_WINDOW to each window of the list that takes part in that protocol.
  // Gives the number of windows asked.
  int RequestClose(const std::vector<std::uint32_t>& windows);
  // True while a window manager following the EWMH runs on the display.
  bool HasWindowManager();
  // Whether the window is maximised (kWindowMaximised) or minimised (kWindowMinimised).
  bool InState(std::uint32_t window, int state);
  // Whether the window manager still lists the window.
  bool Listed(std::uint32_t window);
  void RequestMaximised(std::uint32_t window);
  void RequestMinimised(std::uint32_t window);

 private:
  X11Windows(xcb_connection_t* connection, std::uint32_t root);
  void Sync();
  std::uint32_t Atom(const char* name);
  std::vector<std::uint32_t> Property32(std::uint32_t window, std::uint32_t property,
                                        std::uint32_t type);
  std::vector<std::uint32_t> ManagedWindows();
  std::vector<std::uint32_t> OwnedBy(const std::vector<std::uint32_t>& windows, pid_t pid);
  bool HasResourceExtension();
  void SendToRoot(std::uint32_t window, std::uint32_t type, const std::uint32_t (&data)[5]);

  xcb_connection_t* connection_;
  std::uint32_t root_;
  std::map<std::string, std::uint32_t> atoms_;
  int resourceExtension_ = -1;  // unknown yet
};

// Keeps a top-level window out of taskbars and pagers (_NET_WM_STATE_SKIP_TASKBAR and
// _SKIP_PAGER) on `connection`, which stays the caller's (the toolkit's own, so that the request
// is ordered with its map). An unmapped window gets the states in its property, which the window
// manager reads when it maps it and which is emptied again when it is withdrawn; a mapped one
// has them asked of the window manager.
void SkipTaskbarAndPager(xcb_connection_t* connection, std::uint32_t window);

// Gives a window of the screen's default visual the screen's default colormap. Tools that read a
// screen window by window (xwd, for one) treat each window with a colormap of its own apart and
// return a window covered by another such window of the same program as solid black, although
// the screen shows it drawn. Windows of any other visual (with an alpha channel, say) keep theirs.
void UseDefaultColormap(xcb_connection_t* connection, std::uint32_t window);

// Waits at most `limit` for the process's first window to be shown by the window manager, then
// asks it for `state` until the state holds. Gives up at once without a display or window
// manager, and as soon as `running` turns false. True when the request was sent.
bool ApplyInitialWindowState(const std::string& display, pid_t pid, int state,
                             std::chrono::milliseconds limit, const std::function<bool()>& running);

}  // namespace chronolin
