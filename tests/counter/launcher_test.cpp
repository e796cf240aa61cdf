// The launcher with real processes: held creation, delays, closing, reaping.
#include "counter/launcher.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <thread>

#include "fakes.h"

namespace chronolin::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  for (const auto end = Clock::now() + limit; !condition(); std::this_thread::sleep_for(10ms))
    if (Clock::now() > end) return false;
  return true;
}

// Gone from /proc: ended and reaped, no zombie.
bool Gone(std::uint32_t pid) {
  return !std::filesystem::exists("/proc/" + std::to_string(pid));
}

std::string Exe(std::uint32_t pid) {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec).string();
}

class LauncherTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const auto& appli : applis)
      if (const auto process = launcher.Process(appli.ProcessId)) process->Signal(SIGKILL);
  }

  // The helper notes in `stamp` the moment it really starts.
  TAppli Helper(const std::string& stamp, std::int32_t delay, bool close, const char* extra = "") {
    return {0, std::string(LAUNCHER_HELPER) + " stamp " + Path(stamp) + " " + extra, delay, 0,
            close};
  }
  std::string Path(const std::string& name) const { return (dir.path() / name).string(); }
  // Milliseconds from `origin` to the helper's start, waiting for it at most `limit`.
  std::optional<double> Started(const std::string& stamp, Clock::time_point origin,
                                std::chrono::milliseconds limit = 0ms) const {
    std::string text;
    WaitFor([&] { return !(text = ReadFile(Path(stamp))).empty(); }, limit);
    if (text.empty()) return std::nullopt;
    const auto started = Clock::time_point(std::chrono::nanoseconds(std::stoll(text)));
    return std::chrono::duration<double, std::milli>(started - origin).count();
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
  EXPECT_FALSE(Gone(first));
  // The second process exists but is still this program's copy: not one instruction of its own.
  EXPECT_EQ(Exe(second), Exe(::getpid()));

  const auto firstStart = Started("first", origin, 2s);
  ASSERT_TRUE(firstStart);
  EXPECT_LT(*firstStart, 300);
  std::this_thread::sleep_for(2500ms - (Clock::now() - origin));
  EXPECT_FALSE(Started("second", origin));
  const auto secondStart = Started("second", origin, 5s);
  ASSERT_TRUE(secondStart);
  EXPECT_GE(*secondStart, 3000);
  EXPECT_LT(*secondStart, 3300);
  std::printf("[ delay ] requested 0 ms, started after %.1f ms; 3000 ms, after %.1f ms\n",
              *firstStart, *secondStart);

  launcher.CloseApplis();
  EXPECT_EQ(applis[0].ProcessId, 0u);
  EXPECT_TRUE(WaitFor([&] { return Gone(first); }, 1s));
  EXPECT_EQ(applis[1].ProcessId, second);  // not marked: left running
  EXPECT_FALSE(Gone(second));
}

TEST_F(LauncherTest, ProgramDeafToTheCloseRequestIsKilledAtTheTimeOut) {
  applis = {Helper("deaf", 0, true, "ignore-term")};
  launcher.LaunchApplis();
  const auto process = launcher.Process(applis[0].ProcessId);
  ASSERT_TRUE(Started("deaf", Clock::now(), 2s));
  const auto before = Clock::now();
  EXPECT_EQ(launcher.CloseProgram(applis[0].ProcessId, 5000), Launcher::kTerminated);
  EXPECT_GE(Clock::now() - before, 5000ms);
  EXPECT_LT(Clock::now() - before, 6500ms);
  EXPECT_EQ(process->Exit()->code, SIGKILL);
  EXPECT_TRUE(Gone(process->Pid()));
}

TEST_F(LauncherTest, AWrapperScriptsChildIsClosedWithIt) {
  const std::string script = Path("wrapper.sh");
  WriteFile(script, "#!/bin/sh\nsleep 300 &\necho $! > " + Path("child") + "\nwait\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  applis = {{0, script, 0, 0, true}};
  launcher.LaunchApplis();
  std::string child;
  ASSERT_TRUE(WaitFor([&] { return !(child = ReadFile(Path("child"))).empty(); }, 5s));
  const std::string stat = "/proc/" + std::to_string(std::stoi(child)) + "/stat";
  launcher.CloseApplis();
  EXPECT_TRUE(WaitFor([&] {
    const std::string text = ReadFile(stat);
    return text.empty() || text.find(") Z") != std::string::npos;  // gone or being reaped
  }, 3s)) << "the script's child still runs";
  ::kill(std::stoi(child), SIGKILL);
}

TEST_F(LauncherTest, NothingToCloseGivesZeroAtOnceAndTouchesNoStranger) {
  applis = {{0, "/bin/true", 0, 0, true}};
  launcher.LaunchApplis();
  const auto pid = applis[0].ProcessId;
  ASSERT_NE(pid, 0u);
  // The launcher forgets a process that ended before it finished launching.
  if (const auto process = launcher.Process(pid)) {
    ASSERT_TRUE(process->WaitExit(2s));
  }
  EXPECT_TRUE(WaitFor([&] { return Gone(pid); }, 2s)) << "ended by itself and reaped";

  // A process this launcher did not start: its id alone is never trusted.
  pid_t stranger = 0;
  char sleepArg[] = "sleep", seconds[] = "30";
  char* argv[] = {sleepArg, seconds, nullptr};
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

TEST_F(LauncherTest, UnstartableIsSkippedAFullNameWithBlanksRuns) {
  std::filesystem::create_directories(dir.path() / "My Apps");
  const auto spaced = dir.path() / "My Apps" / "stamp helper";
  std::filesystem::create_symlink(LAUNCHER_HELPER, spaced);
  applis = {{0, "/nonexistent/program", 0, 0, true}, {0, spaced.string(), 0, 0, true}};
  launcher.LaunchApplis();
  EXPECT_EQ(applis[0].ProcessId, 0u);
  ASSERT_NE(applis[1].ProcessId, 0u);
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(spaced.string() + ".started"); }, 2s));
}

TEST_F(LauncherTest, ClosedDuringItsDelayTheProgramNeverRuns) {
  applis = {Helper("late", 2000, true)};
  launcher.LaunchApplis();
  const auto pid = applis[0].ProcessId;
  const auto before = Clock::now();
  EXPECT_EQ(launcher.CloseProgram(pid, 5000), Launcher::kEnded);
  EXPECT_LT(Clock::now() - before, 1s);
  std::this_thread::sleep_for(2500ms);  // past the delay: the thread finds nothing to let run
  EXPECT_FALSE(Started("late", before));
  EXPECT_TRUE(Gone(pid));
}

TEST_F(LauncherTest, ProgramOutlivingTheLauncherIsStillReaped) {
  std::shared_ptr<ProcessHandle> process;
  {
    TAppliList own = {Helper("orphan", 0, false)};
    Launcher gone(own);
    gone.LaunchApplis();
    process = gone.Process(own[0].ProcessId);
    ASSERT_TRUE(Started("orphan", Clock::now(), 2s));
  }
  process->Signal(SIGTERM);
  EXPECT_TRUE(WaitFor([&] { return Gone(process->Pid()); }, 2s)) << "left a zombie";
}

}  // namespace
}  // namespace chronolin::testing
