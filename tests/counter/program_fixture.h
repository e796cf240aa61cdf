#pragma once
// Runs the real program and tools in a private home, runtime folder and simulated line.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "fakes.h"
#include "platform/profile_file.h"

namespace chronolin::testing {

class ProgramFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(Home());
    std::filesystem::create_directories(Runtime());
    std::filesystem::permissions(Runtime(), std::filesystem::perms::owner_all);
    env_ = {"CHRONOLIN_HOME=" + Home().string(),
            "CHRONOLIN_RAS_DIR=" + (dir.path() / "ras").string(),
            "XDG_RUNTIME_DIR=" + Runtime().string(),
            "HOME=" + dir.path().string(),
            "CHRONOLIN_RAS=sim",
            "LC_ALL=C",
            "PATH=/usr/bin:/bin"};
  }
  void TearDown() override {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
      ::kill(*it, SIGKILL);
      ::waitpid(*it, nullptr, 0);
    }
  }

  std::filesystem::path Home() const { return dir.path() / "home"; }
  std::filesystem::path Runtime() const { return dir.path() / "run"; }

  // Starts a process with the fixture's environment, its output to `output`. Kept: killed at
  // the end of the test unless waited for.
  pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& output,
              bool keep = false) {
    std::vector<char*> argv, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : env_) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0) << args[0];
    if (keep) children_.push_back(pid);
    return pid;
  }

  // Runs to the end: the exit code (-1 when killed).
  int Run(const std::vector<std::string>& args, const std::filesystem::path& output) {
    return Wait(Spawn(args, output));
  }

  // Runs to the end: what it printed.
  std::string Capture(const std::vector<std::string>& args) {
    const auto out = dir.path() / "capture.txt";
    std::filesystem::remove(out);
    Run(args, out);
    return ReadFile(out);
  }

  void Ras(std::vector<std::string> args) {
    args.insert(args.begin(), CHRONOLIN_RAS_TOOL);
    ASSERT_EQ(Run(args, dir.path() / "ras.txt"), 0) << ReadFile(dir.path() / "ras.txt");
  }

  int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::erase(children_, pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  int Stop(pid_t pid, int signo) {
    ::kill(pid, signo);
    return Wait(pid);
  }

  // The exit code once the process has ended, -1 when it is still running after `limit`.
  int WaitExit(pid_t pid, std::chrono::milliseconds limit) {
    int status = 0;
    if (!WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, limit)) return -1;
    std::erase(children_, pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  static bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      if (condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
  }

  std::string JournalText() const { return ReadFile(Home() / "Connexions.txt"); }
  std::string Ini(const char* section, const char* key) const {
    return ProfileFile(Home() / "Chronolin.ini").ReadString(section, key, "<none>");
  }

  TempDir dir;
  std::vector<std::string> env_;
  std::vector<pid_t> children_;
};

}  // namespace chronolin::testing
