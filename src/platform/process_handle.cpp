#include "platform/process_handle.h"

#include <signal.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
// This glibc's header lacks the C++ linkage wrapper.
extern "C" {
#include <sys/pidfd.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <map>
#include <system_error>
#include <thread>

namespace chronolin {

// Collects every child started here as soon as it ends, by waiting on the children's pidfds
// only: children that other code in the process starts (and waits for) are left alone.
class ProcessReaper {
 public:
  // Started on first use; throws when the thread or its descriptors cannot be had.
  static ProcessReaper& Instance() {
    static ProcessReaper reaper;
    return reaper;
  }

  bool Watch(const std::shared_ptr<ProcessHandle>& process) {
    std::lock_guard lock(mutex_);
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = process->pidfd_;
    if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, process->pidfd_, &event) != 0) return false;
    watched_[process->pidfd_] = process;
    return true;
  }

  ~ProcessReaper() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(wake_, &one, sizeof one);
    if (thread_.joinable()) thread_.join();
    ::close(wake_);
    ::close(epoll_);
  }

  ProcessReaper(const ProcessReaper&) = delete;
  ProcessReaper& operator=(const ProcessReaper&) = delete;

 private:
  ProcessReaper() {
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (epoll_ < 0 || wake_ < 0) {
      const int error = errno;
      if (epoll_ >= 0) ::close(epoll_);
      if (wake_ >= 0) ::close(wake_);
      throw std::system_error(error, std::generic_category(), "process reaper");
    }
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = wake_;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &event);
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (...) {
      ::close(wake_);
      ::close(epoll_);
      throw;
    }
  }

  void Run() {
    epoll_event events[16];
    for (;;) {
      const int count = ::epoll_wait(epoll_, events, 16, -1);
      if (count < 0) {
        if (errno == EINTR) continue;
        return;
      }
      for (int i = 0; i < count; ++i) {
        const int fd = events[i].data.fd;
        if (fd == wake_) {
          std::uint64_t value = 0;
          [[maybe_unused]] const auto n = ::read(wake_, &value, sizeof value);
          std::lock_guard lock(mutex_);
          if (stop_) return;
          continue;
        }
        Reap(fd);
      }
    }
  }

  void Reap(int pidfd) {
    std::shared_ptr<ProcessHandle> process;
    {
      std::lock_guard lock(mutex_);
      const auto it = watched_.find(pidfd);
      if (it == watched_.end()) {
        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, pidfd, nullptr);
        return;
      }
      process = it->second;
    }
    {
      // Reaped under the handle's lock: whoever holds it and sees no exit knows the process id
      // (and so its group's id) is still this process's.
      std::lock_guard processLock(process->mutex_);
      siginfo_t info{};
      ProcessHandle::ExitInfo exit;
      if (::waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(pidfd), &info,
                   WEXITED | WNOHANG) == 0) {
        if (info.si_pid == 0) return;  // not ended after all; keep watching
        exit.signalled = info.si_code != CLD_EXITED;
        exit.code = info.si_status;
      } else if (errno == EINTR) {
        return;  // level-triggered: comes back
      } else {
        // Waited for elsewhere in the process: it has ended all the same.
        exit.code = -1;
      }
      process->exit_ = exit;
    }
    process->ended_.notify_all();
    std::lock_guard lock(mutex_);
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, pidfd, nullptr);
    watched_.erase(pidfd);
  }

  int epoll_ = -1;
  int wake_ = -1;
  std::mutex mutex_;
  std::map<int, std::shared_ptr<ProcessHandle>> watched_;  // by pidfd
  bool stop_ = false;
  std::thread thread_;
};

namespace {

// Everything the child needs, prepared before fork: after it only async-signal-safe calls run.
struct ChildPlan {
  const char* path;
  char* const* argv;
  char* const* envp;
  int waitFd;
  int maxFd;
  struct sigaction defaults;
  sigset_t emptyMask;
};

void CloseRange(int first, int last, int maxFd) {
  if (first > last) return;
  if (::close_range(static_cast<unsigned>(first), static_cast<unsigned>(last), 0) == 0) return;
  for (int fd = first; fd <= std::min(last, maxFd); ++fd) ::close(fd);
}

[[noreturn]] void RunHeldChild(const ChildPlan& plan) {
  // Nothing of the launcher's signal handling may run here or reach the program.
  for (int signo = 1; signo < NSIG; ++signo) ::sigaction(signo, &plan.defaults, nullptr);
  ::sigprocmask(SIG_SETMASK, &plan.emptyMask, nullptr);
  // Its own session: a terminal's Ctrl+C meant for the launcher does not reach the program.
  ::setsid();
  CloseRange(3, plan.waitFd - 1, plan.maxFd);
  CloseRange(std::max(3, plan.waitFd + 1), INT32_MAX, plan.maxFd);

  // Held until the go byte. End of file means the launcher went away before the delay was up:
  // the program is not started at all.
  char go = 0;
  ssize_t n = 0;
  do {
    n = ::read(plan.waitFd, &go, 1);
  } while (n < 0 && errno == EINTR);
  if (n != 1) ::_exit(127);
  ::execve(plan.path, plan.argv, plan.envp);
  ::_exit(127);
}

}  // namespace

std::shared_ptr<ProcessHandle> ProcessHandle::StartHeld(const std::string& path,
                                                        const std::vector<std::string>& args) {
  if (args.empty()) return nullptr;
  ProcessReaper* reaper = nullptr;
  try {
    reaper = &ProcessReaper::Instance();
  } catch (const std::exception&) {
    return nullptr;
  }

  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return nullptr;

  ChildPlan plan{};
  plan.path = path.c_str();
  plan.argv = argv.data();
  plan.envp = environ;
  plan.waitFd = pair[1];
  const long openMax = ::sysconf(_SC_OPEN_MAX);
  plan.maxFd = static_cast<int>(std::clamp(openMax, 1024L, 65536L));
  plan.defaults.sa_handler = SIG_DFL;
  sigemptyset(&plan.defaults.sa_mask);
  sigemptyset(&plan.emptyMask);

  // Blocked across fork so that no handler of this process runs in the child before the
  // dispositions are reset there.
  sigset_t all, previous;
  sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &previous);
  const pid_t pid = ::fork();
  if (pid == 0) RunHeldChild(plan);
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  ::close(pair[1]);
  if (pid < 0) {
    ::close(pair[0]);
    return nullptr;
  }

  // The child is ours and nobody reaps it yet, so this pidfd is its own.
  const int pidfd = ::pidfd_open(pid, 0);
  if (pidfd < 0) {
    ::close(pair[0]);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return nullptr;
  }

  std::shared_ptr<ProcessHandle> handle;
  bool watched = false;
  try {
    handle.reset(new ProcessHandle(pid, pidfd, pair[0]));
    watched = reaper->Watch(handle);
  } catch (const std::exception&) {
  }
  if (!watched) {
    if (!handle) {
      ::close(pair[0]);
      ::close(pidfd);
    }
    ::kill(pid, SIGKILL);
    siginfo_t info{};
    ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED);
    return nullptr;
  }
  return handle;
}

ProcessHandle::ProcessHandle(pid_t pid, int pidfd, int resumeFd)
    : pid_(pid), pidfd_(pidfd), resumeFd_(resumeFd) {}

ProcessHandle::~ProcessHandle() {
  // Reached at the latest when the process ends: a child never let run then reads end of file
  // and ends without running its program.
  if (resumeFd_ >= 0) ::close(resumeFd_);
  ::close(pidfd_);
}

bool ProcessHandle::Resume() {
  int fd = -1;
  {
    std::lock_guard lock(mutex_);
    std::swap(fd, resumeFd_);
  }
  if (fd < 0) return false;
  const char go = 1;
  ssize_t n = 0;
  do {
    // No SIGPIPE when the child was closed before its delay was up.
    n = ::send(fd, &go, 1, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  return n == 1;
}

bool ProcessHandle::Signal(int signo) {
  if (Exited()) return false;
  return ::pidfd_send_signal(pidfd_, signo, nullptr, 0) == 0;
}

bool ProcessHandle::SignalGroup(int signo) {
  std::lock_guard lock(mutex_);
  if (exit_) return false;
  // Not reaped: the id is still this process's, and so is the group of that id it leads.
  if (::kill(-pid_, signo) == 0) return true;
  // No such group yet (the child has not made its session): the process alone.
  return ::pidfd_send_signal(pidfd_, signo, nullptr, 0) == 0;
}

bool ProcessHandle::WaitExit(std::chrono::steady_clock::duration timeout) {
  std::unique_lock lock(mutex_);
  return ended_.wait_for(lock, timeout, [&] { return exit_.has_value(); });
}

bool ProcessHandle::Exited() const {
  std::lock_guard lock(mutex_);
  return exit_.has_value();
}

std::optional<ProcessHandle::ExitInfo> ProcessHandle::Exit() const {
  std::lock_guard lock(mutex_);
  return exit_;
}

}  // namespace chronolin
