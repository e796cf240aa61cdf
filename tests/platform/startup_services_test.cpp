// The services the program picks at start: the tick count, the instance lock's directory, the
// files' directory and the remote-access provider.
#include <sched.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "platform/app_paths.h"
#include "platform/clock.h"
#include "platform/instance_lock.h"
#include "platform/ras_provider.h"

namespace chronolin {
namespace {

namespace fs = std::filesystem;

class StartupServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "chronolin-startup-XXXXXX").string();
    ASSERT_NE(::mkdtemp(name.data()), nullptr);
    dir_ = name;
    for (const char* var : {"XDG_RUNTIME_DIR", "TMPDIR", "HOME", "XDG_CONFIG_HOME", "CHRONOLIN_HOME",
                            "CHRONOLIN_RAS", "CHRONOLIN_RAS_DIR", "DBUS_SYSTEM_BUS_ADDRESS"}) {
      const char* old = ::getenv(var);
      saved_[var] = old ? std::optional<std::string>(old) : std::nullopt;
      ::unsetenv(var);
    }
    ::setenv("HOME", (dir_ / "home").c_str(), 1);
    ::setenv("TMPDIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    for (const auto& [var, old] : saved_) {
      if (old)
        ::setenv(var.c_str(), old->c_str(), 1);
      else
        ::unsetenv(var.c_str());
    }
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  fs::path dir_;
  std::map<std::string, std::optional<std::string>> saved_;
};

// Run in a time namespace whose boot-time clock is a day ahead of its monotonic clock, as after
// a day of suspend: the tick count must follow the boot-time clock.
TEST_F(StartupServicesTest, TickCountGoesOnDuringSuspend) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    std::string report = "no time namespace";
    if (::unshare(CLONE_NEWUSER | CLONE_NEWTIME) == 0 &&
        std::ofstream("/proc/self/timens_offsets") << "boottime 86400 0\n") {
      const pid_t inner = ::fork();  // only children enter the new namespace
      if (inner == 0) {
        timespec monotonic{};
        ::clock_gettime(CLOCK_MONOTONIC, &monotonic);
        const std::uint32_t tick = MakeSystemClock()->GetTickCount();
        const auto monotonicMs = static_cast<std::uint32_t>(monotonic.tv_sec * 1000 +
                                                            monotonic.tv_nsec / 1'000'000);
        const std::uint32_t ahead = tick - monotonicMs;
        const std::string result = ahead >= 86'400'000u && ahead < 86'410'000u
                                       ? "ok"
                                       : "ahead by " + std::to_string(ahead) + " ms";
        [[maybe_unused]] auto n = ::write(fds[1], result.data(), result.size());
        ::_exit(0);
      }
      ::waitpid(inner, nullptr, 0);
      ::_exit(0);
    }
    [[maybe_unused]] auto n = ::write(fds[1], report.data(), report.size());
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string report;
  char buffer[128];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, n);
  ::close(fds[0]);
  ::waitpid(child, nullptr, 0);
  if (report == "no time namespace") GTEST_SKIP() << report;
  EXPECT_EQ(report, "ok");
}

TEST_F(StartupServicesTest, WithoutRuntimeDirectoryTheLockIsInAPrivateDirectory) {
  const fs::path mine = dir_ / ("chronolin-" + std::to_string(::getuid()));
  EXPECT_EQ(InstanceLock::DefaultPath(), mine / "Chrono-lin.lock");
  struct stat st {};
  ASSERT_EQ(::lstat(mine.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(st.st_uid, ::getuid());
  {
    InstanceLock first;
    EXPECT_TRUE(first.Acquired());
    InstanceLock second;
    EXPECT_FALSE(second.Acquired());
  }

  // Made first by someone else (here: left open to everybody): not taken.
  fs::remove_all(mine);
  ASSERT_EQ(::mkdir(mine.c_str(), 0777), 0);
  ::chmod(mine.c_str(), 0777);
  EXPECT_EQ(InstanceLock::LockDirectory(), dir_ / "home" / ".config" / "chronolin");

  ::setenv("XDG_RUNTIME_DIR", (dir_ / "run").c_str(), 1);
  EXPECT_EQ(InstanceLock::DefaultPath(), dir_ / "run" / "Chrono-lin.lock");
}

TEST_F(StartupServicesTest, FilesOfAnInstalledProgramGoToTheUserConfiguration) {
  const fs::path config = dir_ / "home" / ".config" / "chronolin";
  // Even for root, who may write there.
  for (const char* installed : {"/usr/lib", "/usr/local/lib", "/opt"}) {
    if (!fs::exists(fs::path(installed) / "Chronolin.ini")) {
      EXPECT_EQ(ProgramDirectoryFor(installed), config) << installed;
    }
  }
  const fs::path portable = dir_ / "portable";
  fs::create_directories(portable);
  EXPECT_EQ(ProgramDirectoryFor(portable), portable);  // writable, not a system prefix

  // A copy that brought its settings keeps them beside it, even where it cannot write.
  std::ofstream(portable / "Chronolin.ini") << "[Paramètres]\n";
  ::chmod(portable.c_str(), 0555);
  EXPECT_EQ(ProgramDirectoryFor(portable), portable);
  ::chmod(portable.c_str(), 0755);
  fs::remove(portable / "Chronolin.ini");
  ::chmod(portable.c_str(), 0555);
  if (::access(portable.c_str(), W_OK) != 0) {
    EXPECT_EQ(ProgramDirectoryFor(portable), config);
  }
  ::chmod(portable.c_str(), 0755);
}

TEST_F(StartupServicesTest, TheRememberedProviderIsWaitedForAndTheEnvironmentStillWins) {
  ::setenv("CHRONOLIN_RAS_DIR", (dir_ / "ras").c_str(), 1);
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + (dir_ / "nobus").string()).c_str(), 1);
  RasSelection late = SelectRasProvider("nm");
  EXPECT_EQ(late.provider->Name(), "nm");
  EXPECT_FALSE(late.remember);
  std::vector<std::string> entries;
  EXPECT_EQ(late.provider->RasEnumEntriesA(entries), ERROR_RASMAN_CANNOT_INITIALIZE);
  RASCONNA connection;
  std::uint32_t count = 9;
  EXPECT_EQ(late.provider->RasEnumConnectionsA(connection, count), ERROR_RASMAN_CANNOT_INITIALIZE);

  EXPECT_TRUE(SelectRasProvider("").remember);  // looked around: to be remembered
  ::setenv("CHRONOLIN_RAS", "sim", 1);
  RasSelection forced = SelectRasProvider("nm");
  EXPECT_EQ(forced.provider->Name(), "sim");
  EXPECT_FALSE(forced.remember);
}

}  // namespace
}  // namespace chronolin
