// A launched X11 program (xlogo) on a display of the test's own, with and without a window
// manager, checked with the standard X utilities.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <random>
#include <thread>

#include "counter/launcher.h"
#include "fakes.h"

namespace chronolin::testing {
namespace {

using namespace std::chrono_literals;

std::string Capture(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
    for (char buffer[512]; std::fgets(buffer, sizeof buffer, pipe);) out += buffer;
    ::pclose(pipe);
  }
  return out;
}

// Generous limits: on a loaded machine a new window manager can take seconds to settle.
bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds limit = 20s) {
  for (const auto end = std::chrono::steady_clock::now() + limit; !condition();
       std::this_thread::sleep_for(50ms))
    if (std::chrono::steady_clock::now() > end) return false;
  return true;
}

class LauncherX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    // These tests take turns: two of them started at once (ctest -j) lose the window requests
    // now and then, each on its own display.
    lock_ = ::open("/tmp/chronolin-launcher-x11-tests.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lock_ >= 0) ::flock(lock_, LOCK_EX);
    for (const char* tool :
         {"/usr/bin/Xvfb", "/usr/bin/openbox", "/usr/bin/xlogo", "/usr/bin/xprop"})
      if (::access(tool, X_OK) != 0) GTEST_SKIP() << tool << " is not installed";
  }
  void TearDown() override {
    for (const auto& appli : applis)
      if (const auto process = launcher.Process(appli.ProcessId)) process->Signal(SIGKILL);
    for (auto it = servers_.rbegin(); it != servers_.rend(); ++it) {
      ::kill(*it, SIGTERM);
      ::waitpid(*it, nullptr, 0);
    }
    ::unsetenv("DISPLAY");
    if (lock_ >= 0) ::close(lock_);
  }

  pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, int fd3) {
    std::vector<char*> argv, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (fd3 >= 0) posix_spawn_file_actions_adddup2(&actions, fd3, 3);
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0)
      servers_.push_back(pid);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  // An Xvfb, on a number drawn far from the low ones other tests' servers take, that never
  // resets (a reset drops every client that connects meanwhile); a window manager if asked.
  void StartDisplay(bool windowManager) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const std::string number = std::to_string(100 + std::random_device()() % 800);
    Spawn({"/usr/bin/Xvfb", ":" + number, "-displayfd", "3", "-screen", "0", "1024x768x24",
           "-nolisten", "tcp", "-noreset"},
          {}, fds[1]);
    ::close(fds[1]);
    std::string ready;
    pollfd pipe{fds[0], POLLIN, 0};
    for (char c = 0; ::poll(&pipe, 1, 20000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n';)
      ready += c;
    ::close(fds[0]);
    ASSERT_EQ(ready, number) << "Xvfb did not start";
    display_ = ":" + number;
    ::setenv("DISPLAY", display_.c_str(), 1);
    if (!windowManager) return;
    const auto home = dir.path().string();
    Spawn({"/usr/bin/openbox", "--sm-disable"},
          {"DISPLAY=" + display_, "HOME=" + home, "XDG_CONFIG_HOME=" + home + "/config",
           "XDG_CACHE_HOME=" + home + "/cache", "PATH=/usr/bin:/bin"},
          -1);
    // The window manager names itself on the root a moment before it takes windows in hand:
    // a window mapped in between is never managed (a plain xlogo shows it too). It is ready once
    // it manages a probe; a probe it missed is started again.
    ASSERT_TRUE(WaitFor([&] {
      const pid_t probe = Spawn({"/usr/bin/xlogo", "-name", "probe"}, {"DISPLAY=" + display_}, -1);
      const bool managed = WaitFor(
          [&] { return Xprop("-root _NET_CLIENT_LIST").find("0x") != std::string::npos; }, 2s);
      ::kill(probe, SIGTERM);
      ::waitpid(probe, nullptr, 0);
      std::erase(servers_, probe);
      return managed;
    }));
  }

  std::string Xprop(const std::string& args) const {
    return Capture("/usr/bin/xprop -display " + display_ + " " + args);
  }

  // The launched xlogo's top-level window (not the probe's), through the window manager's list or
  // the root's children.
  std::string XlogoWindow() const {
    std::string ids = Xprop("-root _NET_CLIENT_LIST");
    if (ids.find('#') == std::string::npos)
      ids = Capture("/usr/bin/xwininfo -display " + display_ + " -root -children");
    for (auto at = ids.find("0x"); at != std::string::npos; at = ids.find("0x", at + 2)) {
      const auto id = ids.substr(at, ids.find_first_not_of("0123456789abcdefx", at) - at);
      if (Xprop("-id " + id + " WM_CLASS").find("\"xlogo\", \"XLogo\"") != std::string::npos)
        return id;
    }
    return "";
  }

  // Launched in the window state; back once it takes part in the close protocol, as a program
  // long up does.
  std::string LaunchXlogo(std::int32_t state) {
    applis = {{0, "xlogo -geometry 100x100", 0, state, true}};
    launcher.LaunchApplis();
    std::string window;
    EXPECT_TRUE(WaitFor([&] {
      return Xprop("-id " + (window = XlogoWindow()) + " WM_PROTOCOLS").find("WM_DELETE_WINDOW") !=
             std::string::npos;
    })) << Xprop("-root _NET_CLIENT_LIST");
    return window;
  }

  void ExpectClosedThroughItsWindow() {
    const auto process = launcher.Process(applis[0].ProcessId);
    ASSERT_TRUE(process);
    // A long time-out, so that even a loaded machine closes it before any SIGTERM.
    EXPECT_EQ(launcher.CloseProgram(applis[0].ProcessId, 20000), Launcher::kEnded);
    ASSERT_TRUE(process->Exit());
    EXPECT_FALSE(process->Exit()->signalled) << "ended by a signal, not through its window";
    EXPECT_EQ(process->Exit()->code, 0);
  }

  TempDir dir;
  TAppliList applis;
  Launcher launcher{applis};
  std::string display_;
  std::vector<pid_t> servers_;
  int lock_ = -1;
};

TEST_F(LauncherX11Test, StartedMaximisedAndClosedThroughItsWindow) {
  StartDisplay(true);
  const std::string window = LaunchXlogo(1);
  EXPECT_TRUE(WaitFor([&] {
    const auto state = Xprop("-id " + window + " _NET_WM_STATE");
    return state.find("_NET_WM_STATE_MAXIMIZED_VERT") != std::string::npos &&
           state.find("_NET_WM_STATE_MAXIMIZED_HORZ") != std::string::npos;
  })) << Xprop("-id " + window + " _NET_WM_STATE");
  ExpectClosedThroughItsWindow();
}

TEST_F(LauncherX11Test, StartedMinimised) {
  StartDisplay(true);
  const std::string window = LaunchXlogo(2);
  EXPECT_TRUE(WaitFor([&] {
    return Xprop("-id " + window + " WM_STATE").find("Iconic") != std::string::npos;
  })) << Xprop("-id " + window + " WM_STATE");
}

// Without a window manager the window is a child of the root, and xlogo does not name its
// process on it: the server tells whose it is. Nobody maximises it: the request is not made.
TEST_F(LauncherX11Test, ClosedThroughItsWindowWithoutWindowManager) {
  StartDisplay(false);
  LaunchXlogo(1);
  ExpectClosedThroughItsWindow();
}

}  // namespace
}  // namespace chronolin::testing
