// The launcher with real processes: held creation, delays, closing, reaping.
#include "counter/launcher.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <thread>

#include "fakes.h"

namespace chronolin::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  while (Clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(10ms);
  }
  return condition();
}

// The state letter of /proc/<pid>/stat; 0 when the process is gone (and reaped).
char ProcState(std::uint32_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return 0;
  const auto paren = line.rfind(')');
  return paren + 2 < line.size() ? line[paren + 2] : 0;
}

std::string Exe(std::uint32_t pid) {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec).string();
}

class LauncherTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& appli : applis) {
      if (const auto process = launcher.Process(appli.ProcessId)) process->Signal(SIGKILL);
    }
  }

  TAppli Helper(const std::string& stamp, std::int32_t delay, bool close,
                const std::string& extra = "") {
    TAppli appli;
    appli.CmdLine = std::string(LAUNCHER_HELPER) + " stamp '" + Stamp(stamp) + "' " + extra;
    appli.Delay = delay;
    appli.CloseOnDisconnect = close;
    return appli;
  }
  std::string Stamp(const std::string& name) const { return (dir.path() / name).string(); }
  // Milliseconds from `origin` to the moment the helper noted, once it has.
  std::optional<double> StartedAfter(const std::string& name, Clock::time_point origin) const {
    const std::string text = ReadFile(Stamp(name));
    if (text.empty()) return std::nullopt;
    const auto started = Clock::time_point(std::chrono::nanoseconds(std::stoll(text)));
    return std::chrono::duration<double, std::milli>(started - origin).count();
  }
  std::optional<double> WaitStarted(const std::string& name, Clock::time_point origin,
                                    std::chrono::milliseconds limit) {
    WaitFor([&] { return StartedAfter(name, origin).has_value(); }, limit);
    return StartedAfter(name, origin);
  }

  TempDir dir;
  TAppliList applis;
  Launcher launcher{applis};
};

TEST_F(LauncherTest, AllProcessesExistAtOnceEachRunsAfterItsOwnDelay) {
  applis = {Helper("first", 0, true), Helper("second", 3000, false)};
  const auto origin = Clock::now();
  launcher.LaunchApplis();
  const std::uint32_t first = applis[0].ProcessId, second = applis[1].ProcessId;
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  EXPECT_NE(ProcState(first), 0);
  EXPECT_NE(ProcState(second), 0);
  // The second process exists but is still this program's copy: not one instruction of its own.
  EXPECT_EQ(Exe(second), Exe(::getpid()));

  const auto firstStart = WaitStarted("first", origin, 2s);
  ASSERT_TRUE(firstStart);
  EXPECT_LT(*firstStart, 300);
  std::this_thread::sleep_for(2500ms - (Clock::now() - origin));
  EXPECT_FALSE(StartedAfter("second", origin));
  const auto secondStart = WaitStarted("second", origin, 5s);
  ASSERT_TRUE(secondStart);
  EXPECT_GE(*secondStart, 3000);
  EXPECT_LT(*secondStart, 3300);
  EXPECT_EQ(Exe(second), std::filesystem::canonical(LAUNCHER_HELPER).string());
  std::printf("[ delay ] requested 0 ms, started after %.1f ms; requested 3000 ms, after %.1f ms\n",
              *firstStart, *secondStart);

  launcher.CloseApplis();
  EXPECT_EQ(applis[0].ProcessId, 0u);
  EXPECT_TRUE(WaitFor([&] { return ProcState(first) == 0; }, 1s)) << "closed and reaped";
  EXPECT_EQ(applis[1].ProcessId, second);
  EXPECT_EQ(ProcState(second), 'S');
}

TEST_F(LauncherTest, ProgramDeafToTheCloseRequestIsKilledAtTheTimeOut) {
  applis = {Helper("deaf", 0, true, "ignore-term")};
  launcher.LaunchApplis();
  const auto pid = applis[0].ProcessId;
  ASSERT_TRUE(WaitStarted("deaf", Clock::now(), 2s));
  const auto process = launcher.Process(pid);
  ASSERT_TRUE(process);
  const auto before = Clock::now();
  EXPECT_EQ(launcher.CloseProgram(pid, Launcher::kCloseTimeoutMs), Launcher::kTerminated);
  const auto took = Clock::now() - before;
  EXPECT_GE(took, 5000ms);
  EXPECT_LT(took, 6500ms);
  ASSERT_TRUE(process->Exit());
  EXPECT_TRUE(process->Exit()->signalled);
  EXPECT_EQ(process->Exit()->code, SIGKILL);
  EXPECT_EQ(ProcState(pid), 0);
}

TEST_F(LauncherTest, NothingToCloseGivesZeroAtOnceAndTouchesNoStranger) {
  applis = {{0, "/bin/true", 0, 0, true}};
  launcher.LaunchApplis();
  const auto pid = applis[0].ProcessId;
  ASSERT_NE(pid, 0u);
  ASSERT_TRUE(launcher.Process(pid)->WaitExit(2s));
  EXPECT_EQ(ProcState(pid), 0) << "ended by itself and reaped";

  // A process this launcher did not start: its id alone is never trusted.
  pid_t stranger = 0;
  char sleepArg[] = "sleep", secondsArg[] = "30";
  char* argv[] = {sleepArg, secondsArg, nullptr};
  ASSERT_EQ(::posix_spawn(&stranger, "/bin/sleep", nullptr, nullptr, argv, environ), 0);

  const auto before = Clock::now();
  EXPECT_EQ(launcher.CloseProgram(pid, 5000), Launcher::kNotClosed);
  EXPECT_EQ(launcher.CloseProgram(0, 5000), Launcher::kNotClosed);
  EXPECT_EQ(launcher.CloseProgram(static_cast<std::uint32_t>(stranger), 5000),
            Launcher::kNotClosed);
  EXPECT_LT(Clock::now() - before, 100ms);
  EXPECT_EQ(::waitpid(stranger, nullptr, WNOHANG), 0) << "still running";
  ::kill(stranger, SIGKILL);
  ::waitpid(stranger, nullptr, 0);
}

TEST_F(LauncherTest, UnstartableCommandLinesAreSkipped) {
  std::filesystem::create_directories(dir.path() / "My Apps");
  const auto spaced = dir.path() / "My Apps" / "stamp helper";
  std::filesystem::create_symlink(LAUNCHER_HELPER, spaced);
  applis = {{0, "/nonexistent/program", 0, 0, true},
            {0, "", 0, 0, true},
            {0, "'unclosed quote", 0, 0, true},
            {0, spaced.string(), 0, 0, true}};
  launcher.LaunchApplis();
  EXPECT_EQ(applis[0].ProcessId, 0u);
  EXPECT_EQ(applis[1].ProcessId, 0u);
  EXPECT_EQ(applis[2].ProcessId, 0u);
  ASSERT_NE(applis[3].ProcessId, 0u) << "a full file name with blanks, run as it is";
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(spaced.string() + ".started"); }, 2s));
  launcher.CloseApplis();  // zero ids are passed over
}

TEST_F(LauncherTest, ClosedDuringItsDelayTheProgramNeverRuns) {
  applis = {Helper("late", 2000, true)};
  launcher.LaunchApplis();
  const auto pid = applis[0].ProcessId;
  const auto before = Clock::now();
  EXPECT_EQ(launcher.CloseProgram(pid, 5000), Launcher::kEnded);
  EXPECT_LT(Clock::now() - before, 1s);
  std::this_thread::sleep_for(2500ms);  // past the delay: the thread finds nothing to let run
  EXPECT_FALSE(std::filesystem::exists(Stamp("late")));
  EXPECT_EQ(ProcState(pid), 0);
}

TEST_F(LauncherTest, ProgramOutlivingTheLauncherIsStillReaped) {
  std::uint32_t pid = 0;
  {
    TAppliList own = {Helper("orphan", 0, false)};
    Launcher gone(own);
    gone.LaunchApplis();
    pid = own[0].ProcessId;
    ASSERT_TRUE(WaitStarted("orphan", Clock::now(), 2s));
  }
  ASSERT_EQ(ProcState(pid), 'S');
  ::kill(static_cast<pid_t>(pid), SIGTERM);
  EXPECT_TRUE(WaitFor([&] { return ProcState(pid) == 0; }, 2s)) << "left a zombie";
}

}  // namespace
}  // namespace chronolin::testing
