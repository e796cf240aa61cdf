#include "platform/x11_windows.h"

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

namespace chronolin {

namespace {

constexpr std::uint32_t kNormalState = 1;  // ICCCM WM_STATE
constexpr std::uint32_t kIconicState = 3;
constexpr std::uint32_t kNetWmStateAdd = 1;      // EWMH _NET_WM_STATE action
constexpr std::uint32_t kSourceApplication = 1;  // EWMH source indication

// xcb replies are malloc'ed and freed by the caller.
template <typename T>
struct Reply {
  T* p;
  explicit Reply(T* reply) : p(reply) {}
  ~Reply() { std::free(p); }
  Reply(const Reply&) = delete;
  Reply& operator=(const Reply&) = delete;
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

}  // namespace

std::unique_ptr<X11Windows> X11Windows::Open(const std::string& display) {
  if (display.empty()) return nullptr;
  int screenNumber = 0;
  xcb_connection_t* connection = xcb_connect(display.c_str(), &screenNumber);
  if (xcb_connection_has_error(connection)) {
    xcb_disconnect(connection);
    return nullptr;
  }
  auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
  if (screens.rem == 0) {
    xcb_disconnect(connection);
    return nullptr;
  }
  return std::unique_ptr<X11Windows>(new X11Windows(connection, screens.data->root));
}

X11Windows::X11Windows(xcb_connection_t* connection, std::uint32_t root)
    : connection_(connection), root_(root) {}

X11Windows::~X11Windows() {
  xcb_disconnect(connection_);
}

// A round trip: the server has handled every request sent before, so nothing is lost with a
// connection closed right after.
void X11Windows::Sync() {
  std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

std::uint32_t X11Windows::Atom(const char* name) {
  const auto found = atoms_.find(name);
  if (found != atoms_.end()) return found->second;
  Reply reply(xcb_intern_atom_reply(
      connection_,
      xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
      nullptr));
  const std::uint32_t atom = reply ? reply->atom : std::uint32_t{XCB_ATOM_NONE};
  if (atom != XCB_ATOM_NONE) atoms_.emplace(name, atom);
  return atom;
}

std::vector<std::uint32_t> X11Windows::Property32(std::uint32_t window, std::uint32_t property,
                                                  std::uint32_t type) {
  std::vector<std::uint32_t> values;
  Reply reply(xcb_get_property_reply(
      connection_, xcb_get_property(connection_, 0, window, property, type, 0, 4096), nullptr));
  if (!reply || reply->format != 32 || reply->type != type) return values;
  const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.p));
  values.assign(data, data + xcb_get_property_value_length(reply.p) / 4);
  return values;
}

std::vector<std::uint32_t> X11Windows::ManagedWindows() {
  return Property32(root_, Atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
}

bool X11Windows::HasResourceExtension() {
  if (resourceExtension_ < 0) {
    resourceExtension_ = 0;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection_, &xcb_res_id);
    if (extension && extension->present) {
      // Client ids (and so process ids) came with version 1.2.
      Reply version(xcb_res_query_version_reply(connection_,
                                                xcb_res_query_version(connection_, 1, 2), nullptr));
      resourceExtension_ = version && (version->server_major > 1 ||
                                       (version->server_major == 1 && version->server_minor >= 2));
    }
  }
  return resourceExtension_ == 1;
}

// Requests are pipelined: all cookies first, then the replies, so a desktop with many windows
// costs a few round trips, not one per window.
std::vector<std::uint32_t> X11Windows::OwnedBy(const std::vector<std::uint32_t>& windows,
                                               pid_t pid) {
  const std::uint32_t wmPid = Atom("_NET_WM_PID");
  std::vector<xcb_get_property_cookie_t> pidCookies;
  pidCookies.reserve(windows.size());
  for (const auto window : windows) {
    pidCookies.push_back(xcb_get_property(connection_, 0, window, wmPid, XCB_ATOM_CARDINAL, 0, 1));
  }
  std::vector<int> owner(windows.size(), -1);  // -1 unknown
  for (std::size_t i = 0; i < windows.size(); ++i) {
    Reply reply(xcb_get_property_reply(connection_, pidCookies[i], nullptr));
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_CARDINAL &&
        xcb_get_property_value_length(reply.p) >= 4) {
      owner[i] =
          static_cast<int>(*static_cast<const std::uint32_t*>(xcb_get_property_value(reply.p)));
    }
  }

  if (HasResourceExtension()) {
    std::vector<std::pair<std::size_t, xcb_res_query_client_ids_cookie_t>> idCookies;
    for (std::size_t i = 0; i < windows.size(); ++i) {
      if (owner[i] >= 0) continue;
      xcb_res_client_id_spec_t wanted{windows[i], XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
      idCookies.emplace_back(i, xcb_res_query_client_ids(connection_, 1, &wanted));
    }
    for (const auto& [i, cookie] : idCookies) {
      Reply reply(xcb_res_query_client_ids_reply(connection_, cookie, nullptr));
      if (!reply) continue;
      for (auto it = xcb_res_query_client_ids_ids_iterator(reply.p); it.rem > 0;
           xcb_res_client_id_value_next(&it)) {
        // The value starts with the client-id description it answers.
        const auto* answered = reinterpret_cast<const xcb_res_client_id_spec_t*>(it.data);
        if ((answered->mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
            xcb_res_client_id_value_value_length(it.data) >= 1) {
          owner[i] = static_cast<int>(*xcb_res_client_id_value_value(it.data));
        }
      }
    }
  }

  std::vector<std::uint32_t> owned;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    if (owner[i] == pid) owned.push_back(windows[i]);
  }
  return owned;
}

std::vector<std::uint32_t> X11Windows::WindowsOf(pid_t pid) {
  std::vector<std::uint32_t> candidates = ManagedWindows();
  // Windows never shown, or shown with no window manager, are children of the root.
  Reply tree(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr));
  if (tree) {
    const xcb_window_t* children = xcb_query_tree_children(tree.p);
    for (int i = 0; i < xcb_query_tree_children_length(tree.p); ++i) {
      if (std::find(candidates.begin(), candidates.end(), children[i]) == candidates.end()) {
        candidates.push_back(children[i]);
      }
    }
  }
  return OwnedBy(candidates, pid);
}

std::uint32_t X11Windows::FirstShownWindowOf(pid_t pid) {
  const std::uint32_t wmState = Atom("WM_STATE");
  for (const auto window : OwnedBy(ManagedWindows(), pid)) {
    // Listed as soon as the window manager takes the window in hand, which it may still be
    // busy showing: a state asked before it is done would be lost.
    const auto state = Property32(window, wmState, wmState);
    if (state.empty() || state.front() != kNormalState) continue;
    Reply attributes(xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr));
    if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE) return window;
  }
  return 0;
}

int X11Windows::RequestClose(const std::vector<std::uint32_t>& windows) {
  const std::uint32_t protocols = Atom("WM_PROTOCOLS");
  const std::uint32_t deleteWindow = Atom("WM_DELETE_WINDOW");
  int asked = 0;
  for (const auto window : windows) {
    const auto accepted = Property32(window, protocols, XCB_ATOM_ATOM);
    // A window outside the protocol would take the message for something else.
    if (std::find(accepted.begin(), accepted.end(), deleteWindow) == accepted.end()) continue;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = protocols;
    event.data.data32[0] = deleteWindow;
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    ++asked;
  }
  Sync();
  return asked;
}

bool X11Windows::HasWindowManager() {
  const std::uint32_t check = Atom("_NET_SUPPORTING_WM_CHECK");
  const auto onRoot = Property32(root_, check, XCB_ATOM_WINDOW);
  if (onRoot.empty()) return false;
  // The property outlives a window manager that crashed; its window does not.
  const auto onChild = Property32(onRoot.front(), check, XCB_ATOM_WINDOW);
  return !onChild.empty() && onChild.front() == onRoot.front();
}

void X11Windows::SendToRoot(std::uint32_t window, std::uint32_t type,
                            const std::uint32_t (&data)[5]) {
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = type;
  std::copy(std::begin(data), std::end(data), event.data.data32);
  xcb_send_event(connection_, 0, root_,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
  Sync();
}

void X11Windows::RequestMaximised(std::uint32_t window) {
  SendToRoot(window, Atom("_NET_WM_STATE"),
             {kNetWmStateAdd, Atom("_NET_WM_STATE_MAXIMIZED_VERT"),
              Atom("_NET_WM_STATE_MAXIMIZED_HORZ"), kSourceApplication, 0});
}

void X11Windows::RequestMinimised(std::uint32_t window) {
  SendToRoot(window, Atom("WM_CHANGE_STATE"), {kIconicState, 0, 0, 0, 0});
}

bool X11Windows::InState(std::uint32_t window, int state) {
  if (state == kWindowMinimised) {
    const std::uint32_t wmState = Atom("WM_STATE");
    const auto value = Property32(window, wmState, wmState);
    return !value.empty() && value.front() == kIconicState;
  }
  const auto value = Property32(window, Atom("_NET_WM_STATE"), XCB_ATOM_ATOM);
  const auto has = [&](const char* name) {
    return std::find(value.begin(), value.end(), Atom(name)) != value.end();
  };
  return has("_NET_WM_STATE_MAXIMIZED_VERT") && has("_NET_WM_STATE_MAXIMIZED_HORZ");
}

bool X11Windows::Listed(std::uint32_t window) {
  const auto managed = ManagedWindows();
  return std::find(managed.begin(), managed.end(), window) != managed.end();
}

bool ApplyInitialWindowState(const std::string& display, pid_t pid, int state,
                             std::chrono::milliseconds limit,
                             const std::function<bool()>& running) {
  using namespace std::chrono_literals;
  using Clock = std::chrono::steady_clock;
  if (state != kWindowMaximised && state != kWindowMinimised) return false;
  const auto deadline = Clock::now() + limit;
  const auto windows = X11Windows::Open(display);
  // Without a window manager nobody would act on the request.
  if (!windows || !windows->HasWindowManager()) return false;

  std::uint32_t window = 0;
  while (!window) {
    if (!running() || Clock::now() >= deadline) return false;
    window = windows->FirstShownWindowOf(pid);
    if (!window) std::this_thread::sleep_for(50ms);
  }

  // A window manager may still undo the state while it finishes showing a new window (giving
  // it the focus restores it, say): the request is repeated, a few times at most, until the
  // state has held for a moment.
  constexpr int kAttempts = 5;
  constexpr auto kRetryAfter = 500ms;
  constexpr auto kSettled = 500ms;
  int attempts = 0;
  auto sentAt = Clock::now();
  // When the state was first seen to hold; `holding` false while it does not.
  bool holding = false;
  auto reachedAt = sentAt;
  // The window manager lists a new window a moment after it is shown: until then there is
  // nobody to ask; once listed, leaving the list means the window has closed.
  bool listed = false;
  for (;;) {
    if (!running()) return attempts > 0;
    const auto now = Clock::now();
    if (!windows->Listed(window)) {
      if (listed || now >= deadline) return attempts > 0;
      std::this_thread::sleep_for(50ms);
      continue;
    }
    listed = true;
    if (windows->InState(window, state)) {
      if (!holding) {
        holding = true;
        reachedAt = now;
      }
      if (now - reachedAt >= kSettled) return true;
    } else {
      holding = false;
      if (attempts == 0 || (attempts < kAttempts && now - sentAt >= kRetryAfter)) {
        if (state == kWindowMaximised)
          windows->RequestMaximised(window);
        else
          windows->RequestMinimised(window);
        ++attempts;
        sentAt = now;
      } else if (attempts >= kAttempts && now - sentAt >= kSettled) {
        return true;  // the window manager or the program will have it otherwise
      }
    }
    if (now >= deadline) return attempts > 0;
    std::this_thread::sleep_for(50ms);
  }
}

void SkipTaskbarAndPager(xcb_connection_t* connection, std::uint32_t window) {
  if (!connection || xcb_connection_has_error(connection) || window == 0) return;
  const auto atom = [connection](const char* name) {
    Reply reply(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : std::uint32_t{XCB_ATOM_NONE};
  };
  const std::uint32_t state = atom("_NET_WM_STATE");
  const std::uint32_t wanted[] = {atom("_NET_WM_STATE_SKIP_TASKBAR"),
                                  atom("_NET_WM_STATE_SKIP_PAGER")};
  if (state == XCB_ATOM_NONE || wanted[0] == XCB_ATOM_NONE || wanted[1] == XCB_ATOM_NONE) return;

  Reply attributes(xcb_get_window_attributes_reply(
      connection, xcb_get_window_attributes(connection, window), nullptr));
  if (!attributes) return;
  if (attributes->map_state == XCB_MAP_STATE_UNMAPPED) {
    std::vector<std::uint32_t> atoms;
    Reply reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, state, XCB_ATOM_ATOM, 0, 1024),
        nullptr));
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
      const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.p));
      atoms.assign(data, data + xcb_get_property_value_length(reply.p) / 4);
    }
    for (const std::uint32_t a : wanted)
      if (std::find(atoms.begin(), atoms.end(), a) == atoms.end()) atoms.push_back(a);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(atoms.size()), atoms.data());
  } else {
    const auto* setup = xcb_get_setup(connection);
    for (auto screens = xcb_setup_roots_iterator(setup); screens.rem > 0;
         xcb_screen_next(&screens)) {
      xcb_client_message_event_t event{};
      event.response_type = XCB_CLIENT_MESSAGE;
      event.format = 32;
      event.window = window;
      event.type = state;
      event.data.data32[0] = kNetWmStateAdd;
      event.data.data32[1] = wanted[0];
      event.data.data32[2] = wanted[1];
      event.data.data32[3] = kSourceApplication;
      xcb_send_event(connection, 0, screens.data->root,
                     XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                     reinterpret_cast<const char*>(&event));
    }
  }
  xcb_flush(connection);
}

void UseDefaultColormap(xcb_connection_t* connection, std::uint32_t window) {
  if (!connection || xcb_connection_has_error(connection) || window == 0) return;
  Reply attributes(xcb_get_window_attributes_reply(
      connection, xcb_get_window_attributes(connection, window), nullptr));
  Reply geometry(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
  if (!attributes || !geometry) return;
  for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection)); screens.rem > 0;
       xcb_screen_next(&screens)) {
    const xcb_screen_t& screen = *screens.data;
    if (screen.root != geometry->root) continue;
    if (attributes->visual != screen.root_visual || attributes->colormap == screen.default_colormap)
      return;
    const std::uint32_t colormap = screen.default_colormap;
    xcb_change_window_attributes(connection, window, XCB_CW_COLORMAP, &colormap);
    xcb_flush(connection);
    return;
  }
}

}  // namespace chronolin
