// A program for the launcher tests to start. The first thing it does is note the monotonic
// time in a file, so a test can tell when it really began to run; then it waits to be closed.
//   launcher_helper stamp FILE             note the time in FILE
//   launcher_helper stamp FILE ignore-term the same, deaf to SIGTERM
//   launcher_helper window FILE            show an X window (on $DISPLAY) that takes part in
//                                          WM_DELETE_WINDOW, note the time once it is shown and
//                                          listened to, end with status 0 when asked to close
//   launcher_helper                        note the time in "<argv[0]>.started"
#include <signal.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Stamp(const std::string& file, const timespec& at) {
  const std::string partial = file + ".part";
  // Written aside then renamed, so the test never reads half a number.
  if (FILE* out = std::fopen(partial.c_str(), "w")) {
    std::fprintf(out, "%lld\n", static_cast<long long>(at.tv_sec) * 1000000000LL + at.tv_nsec);
    std::fclose(out);
    std::rename(partial.c_str(), file.c_str());
  }
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : 0;
  std::free(reply);
  return atom;
}

int Window(const std::string& file) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 2;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t window = xcb_generate_id(c);
  const std::uint32_t events = XCB_EVENT_MASK_EXPOSURE;
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 100, 100, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK, &events);
  const xcb_atom_t protocols = Atom(c, "WM_PROTOCOLS"), deleteWindow = Atom(c, "WM_DELETE_WINDOW");
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, protocols, XCB_ATOM_ATOM, 32, 1,
                      &deleteWindow);
  xcb_map_window(c, window);
  xcb_flush(c);
  bool stamped = false;
  while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
    const auto type = event->response_type & 0x7f;
    if (type == XCB_EXPOSE && !stamped) {
      timespec now{};
      clock_gettime(CLOCK_MONOTONIC, &now);
      Stamp(file, now);
      stamped = true;
    } else if (type == XCB_CLIENT_MESSAGE) {
      const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
      if (message->type == protocols && message->data.data32[0] == deleteWindow) {
        std::free(event);
        xcb_disconnect(c);
        return 0;
      }
    }
    std::free(event);
  }
  return 3;  // display lost
}

}  // namespace

int main(int argc, char** argv) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  if (argc > 2 && std::strcmp(argv[1], "window") == 0) return Window(argv[2]);
  if (argc > 3 && std::strcmp(argv[3], "ignore-term") == 0) signal(SIGTERM, SIG_IGN);
  Stamp(argc > 2 ? argv[2] : std::string(argv[0]) + ".started", now);
  for (;;) pause();
}
