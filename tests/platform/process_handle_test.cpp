// A held child runs its program only once let, and takes nothing of this process along.
#include "platform/process_handle.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

namespace chronolin {
namespace {

using namespace std::chrono_literals;

std::string Proc(pid_t pid, const std::string& name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + name);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Exe(pid_t pid) {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec).string();
}

TEST(ProcessHandleTest, HeldChildRunsItsProgramOnlyOnceLetAndCleanly) {
  // What this process has that a program must not receive: an inheritable descriptor, an
  // ignored and a blocked signal.
  const int inheritable = ::open("/dev/null", O_RDONLY);
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
  const auto sleep = std::filesystem::canonical("/bin/sleep");
  for (int i = 0; i < 200 && Exe(pid) != sleep; ++i) std::this_thread::sleep_for(10ms);
  ASSERT_EQ(Exe(pid), sleep);

  std::set<std::string> fds;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd"))
    fds.insert(fd.path().filename());
  EXPECT_EQ(fds, (std::set<std::string>{"0", "1", "2"}));
  const std::string status = Proc(pid, "status");
  EXPECT_NE(status.find("SigIgn:\t0000000000000000"), std::string::npos) << status;
  EXPECT_NE(status.find("SigBlk:\t0000000000000000"), std::string::npos) << status;
  // A session of its own: the sixth field of stat.
  std::istringstream stat(Proc(pid, "stat").substr(Proc(pid, "stat").rfind(')') + 2));
  std::string state, parent, group, session;
  stat >> state >> parent >> group >> session;
  EXPECT_EQ(session, std::to_string(pid));

  EXPECT_TRUE(process->Signal(SIGTERM));
  ASSERT_TRUE(process->WaitExit(2s));
  EXPECT_TRUE(process->Exit()->signalled);
  EXPECT_EQ(process->Exit()->code, SIGTERM);
  EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(pid))) << "left a zombie";
  EXPECT_FALSE(process->Signal(SIGTERM)) << "an ended process is never signalled again";
}

}  // namespace
}  // namespace chronolin
