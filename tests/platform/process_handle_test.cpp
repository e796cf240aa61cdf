// A held child: what it inherits, when it runs, and that it is collected.
#include "platform/process_handle.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace chronolin {
namespace {

using namespace std::chrono_literals;

std::string ProcFile(pid_t pid, const std::string& name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + name);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string StatusLine(pid_t pid, const std::string& key) {
  std::istringstream status(ProcFile(pid, "status"));
  for (std::string line; std::getline(status, line);)
    if (line.rfind(key + ":", 0) == 0)
      return line.substr(line.find_first_not_of(" \t", key.size() + 1));
  return "";
}

std::string Exe(pid_t pid) {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec).string();
}

bool WaitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 200 && !condition(); ++i) std::this_thread::sleep_for(10ms);
  return condition();
}

TEST(ProcessHandleTest, HeldChildRunsItsProgramOnlyOnceResumedAndCleanly) {
  // What this process has that a program must not receive: an inheritable descriptor, an
  // ignored and a blocked signal.
  const int inheritable = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(inheritable, 0);
  ::signal(SIGUSR1, SIG_IGN);
  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR2);
  ::pthread_sigmask(SIG_BLOCK, &blocked, nullptr);

  const auto process = ProcessHandle::StartHeld("/bin/sleep", {"sleep", "30"});
  ::close(inheritable);
  ::signal(SIGUSR1, SIG_DFL);
  ::pthread_sigmask(SIG_UNBLOCK, &blocked, nullptr);
  ASSERT_TRUE(process);
  const pid_t pid = process->Pid();

  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(Exe(pid), Exe(::getpid())) << "ran before being let";
  EXPECT_TRUE(process->Resume());
  EXPECT_FALSE(process->Resume());
  ASSERT_TRUE(WaitFor([&] { return Exe(pid) == std::filesystem::canonical("/bin/sleep"); }))
      << Exe(pid);

  std::vector<std::string> fds;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd"))
    fds.push_back(entry.path().filename().string());
  std::sort(fds.begin(), fds.end());
  EXPECT_EQ(fds, (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_EQ(StatusLine(pid, "SigIgn"), "0000000000000000");
  EXPECT_EQ(StatusLine(pid, "SigBlk"), "0000000000000000");
  // Its own session: field 6 of stat.
  std::istringstream stat(ProcFile(pid, "stat").substr(ProcFile(pid, "stat").rfind(')') + 2));
  std::string state, ppid, pgrp, session;
  stat >> state >> ppid >> pgrp >> session;
  EXPECT_EQ(session, std::to_string(pid));

  EXPECT_FALSE(process->Exited());
  EXPECT_TRUE(process->Signal(SIGTERM));
  ASSERT_TRUE(process->WaitExit(2s));
  EXPECT_TRUE(process->Exit()->signalled);
  EXPECT_EQ(process->Exit()->code, SIGTERM);
  EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(pid))) << "left a zombie";
  EXPECT_FALSE(process->Signal(SIGTERM)) << "an ended process is never signalled again";
}

TEST(ProcessHandleTest, ExitCodeOfAProgramThatCannotRunIsCollected) {
  const auto process = ProcessHandle::StartHeld("/nonexistent/program", {"program"});
  ASSERT_TRUE(process);
  process->Resume();
  ASSERT_TRUE(process->WaitExit(2s));
  EXPECT_FALSE(process->Exit()->signalled);
  EXPECT_EQ(process->Exit()->code, 127);
}

}  // namespace
}  // namespace chronolin
