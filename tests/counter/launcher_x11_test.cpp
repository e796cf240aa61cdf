// A launched X11 program on a display of the test's own (Xvfb), with and without a window
// manager, checked with the standard X utilities.
#include "counter/launcher.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <thread>

#include "fakes.h"

namespace chronolin::testing {
namespace {

using namespace std::chrono_literals;

bool Executable(const char* path) {
  return ::access(path, X_OK) == 0;
}

std::string Capture(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    ::pclose(pipe);
  }
  return out;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(50ms);
  }
  return condition();
}

class LauncherX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool :
         {"/usr/bin/Xvfb", "/usr/bin/openbox", "/usr/bin/xlogo", "/usr/bin/xprop"})
      if (!Executable(tool)) GTEST_SKIP() << tool << " is not installed";
    if (const char* display = std::getenv("DISPLAY")) previousDisplay_ = display;
  }

  void TearDown() override {
    for (const auto& appli : applis)
      if (const auto process = launcher.Process(appli.ProcessId)) process->Signal(SIGKILL);
    while (!servers_.empty()) Stop(servers_.back());
    if (previousDisplay_)
      ::setenv("DISPLAY", previousDisplay_->c_str(), 1);
    else
      ::unsetenv("DISPLAY");
  }

  pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
              int displayFd = -1, const std::string& log = "/dev/null") {
    std::vector<char*> argv, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (displayFd >= 0) posix_spawn_file_actions_adddup2(&actions, displayFd, 3);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return 0;
    servers_.push_back(pid);
    return pid;
  }

  // An Xvfb on a free display and, when asked, a window manager.
  void StartDisplay(bool windowManager) {
    // Other test programs start their own servers from display 0 up, at the same time: a number
    // drawn far from theirs, and another one should it be taken or its server vanish.
    std::random_device random;
    for (int attempt = 0; attempt < 5 && display_.empty(); ++attempt) {
      const auto [server, number] = StartXvfb(std::to_string(100 + random() % 800));
      if (number.empty()) continue;
      if (WaitFor([&] { return !Capture("/usr/bin/xprop -display :" + number + " -root").empty(); },
                  3s)) {
        display_ = ":" + number;
      } else {
        Stop(server);
      }
    }
    ASSERT_FALSE(display_.empty()) << "Xvfb did not start";
    ::setenv("DISPLAY", display_.c_str(), 1);
    if (!windowManager) return;

    const auto home = dir.path().string();
    ASSERT_NE(Spawn({"/usr/bin/openbox", "--sm-disable"},
                    {"DISPLAY=" + display_, "HOME=" + home, "XDG_CONFIG_HOME=" + home + "/config",
                     "XDG_CACHE_HOME=" + home + "/cache", "PATH=/usr/bin:/bin"},
                    -1, home + "/openbox.log"),
              0);
    ASSERT_TRUE(WaitFor(
        [&] {
          return Xprop("-root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos;
        },
        30s))
        << ReadFile(home + "/openbox.log");
  }

  // The display number once the server is ready (it writes it to fd 3), empty if it failed.
  std::pair<pid_t, std::string> StartXvfb(const std::string& number) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {0, ""};
    const pid_t server = Spawn({"/usr/bin/Xvfb", ":" + number, "-displayfd", "3", "-screen", "0",
                                "1024x768x24", "-nolisten", "tcp", "-noreset"},
                               {}, fds[1]);
    ::close(fds[1]);
    std::string ready;
    pollfd pipe{fds[0], POLLIN, 0};
    char c = 0;
    while (server && ::poll(&pipe, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n')
      ready += c;
    ::close(fds[0]);
    if (ready != number && server) Stop(server);
    return {server, ready == number ? number : ""};
  }

  void Stop(pid_t server) {
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    std::erase(servers_, server);
  }

  std::string Xprop(const std::string& args) const {
    return Capture("/usr/bin/xprop -display " + display_ + " " + args);
  }

  // The top-level window whose class is xlogo's, found through the window manager's list or
  // the root's children: "0x…", empty while there is none.
  std::string XlogoWindow() const {
    std::string ids = Xprop("-root _NET_CLIENT_LIST");
    if (ids.find('#') == std::string::npos)
      ids = Capture("/usr/bin/xwininfo -display " + display_ + " -root -children");
    for (std::size_t at = ids.find("0x"); at != std::string::npos; at = ids.find("0x", at + 2)) {
      const std::string id = ids.substr(at, ids.find_first_not_of("0123456789abcdefx", at) - at);
      if (Xprop("-id " + id + " WM_CLASS").find("\"XLogo\"") != std::string::npos) return id;
    }
    return "";
  }

  void LaunchXlogo(std::int32_t state) {
    applis = {{0, "xlogo -geometry 100x100", 0, state, true}};
    launcher.LaunchApplis();
    ASSERT_NE(applis[0].ProcessId, 0u);
    // Generous waits: on a loaded machine a new window manager can take seconds to settle.
    ASSERT_TRUE(WaitFor([&] { return !XlogoWindow().empty(); }, 30s)) << State();
  }

  // Closed once it takes part in the close protocol, as any program long up does.
  void WaitXlogoListens() {
    ASSERT_TRUE(WaitFor(
        [&] {
          return Xprop("-id " + XlogoWindow() + " WM_PROTOCOLS").find("WM_DELETE_WINDOW") !=
                 std::string::npos;
        },
        20s))
        << State();
  }

  // What a failed wait needs to be understood.
  std::string State() const {
    const auto process = launcher.Process(applis.empty() ? 0 : applis[0].ProcessId);
    return "\nprogram " + std::string(process && !process->Exited() ? "running" : "ended") +
           ", display " + (Xprop("-root _NET_SUPPORTING_WM_CHECK").empty() ? "gone" : "up") +
           ", window manager's list: " + Xprop("-root _NET_CLIENT_LIST");
  }

  TempDir dir;
  TAppliList applis;
  Launcher launcher{applis};
  std::string display_;

 private:
  std::vector<pid_t> servers_;
  std::optional<std::string> previousDisplay_;
};

TEST_F(LauncherX11Test, StartedMaximisedAndClosedThroughItsWindow) {
  StartDisplay(true);
  LaunchXlogo(1);
  const std::string window = XlogoWindow();
  EXPECT_TRUE(WaitFor(
      [&] {
        const auto state = Xprop("-id " + window + " _NET_WM_STATE");
        return state.find("_NET_WM_STATE_MAXIMIZED_VERT") != std::string::npos &&
               state.find("_NET_WM_STATE_MAXIMIZED_HORZ") != std::string::npos;
      },
      20s))
      << Xprop("-id " + window + " _NET_WM_STATE") << State();

  WaitXlogoListens();
  const auto process = launcher.Process(applis[0].ProcessId);
  // A long time-out, so that even a loaded machine closes it before any SIGTERM.
  EXPECT_EQ(launcher.CloseProgram(applis[0].ProcessId, 20000), Launcher::kEnded);
  ASSERT_TRUE(process->Exit());
  EXPECT_FALSE(process->Exit()->signalled) << "ended by a signal, not through its window";
  EXPECT_EQ(process->Exit()->code, 0);
}

TEST_F(LauncherX11Test, StartedMinimised) {
  StartDisplay(true);
  LaunchXlogo(2);
  const std::string window = XlogoWindow();
  EXPECT_TRUE(WaitFor(
      [&] { return Xprop("-id " + window + " WM_STATE").find("Iconic") != std::string::npos; },
      20s))
      << Xprop("-id " + window + " WM_STATE _NET_WM_STATE") << State();
}

// Without a window manager the window is a child of the root, and xlogo does not name its
// process on it: the server tells whose it is.
TEST_F(LauncherX11Test, ClosedThroughItsWindowWithoutWindowManager) {
  StartDisplay(false);
  LaunchXlogo(1);  // nobody to maximise it: the request is simply not made
  WaitXlogoListens();
  const auto process = launcher.Process(applis[0].ProcessId);
  EXPECT_EQ(launcher.CloseProgram(applis[0].ProcessId, 20000), Launcher::kEnded);
  ASSERT_TRUE(process->Exit());
  EXPECT_FALSE(process->Exit()->signalled) << "ended by a signal, not through its window";
  EXPECT_EQ(process->Exit()->code, 0);
}

}  // namespace
}  // namespace chronolin::testing
