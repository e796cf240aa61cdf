#pragma once
// A child process created held before its program's first instruction, then let run, signalled
// and waited for through a pidfd. The pidfd is taken while the child cannot yet have been reaped,
// so every later signal reaches this very process or nothing: a process id recycled by another
// program is never signalled. A process-wide reaper thread collects each child as soon as it
// ends, so none is left as a zombie whoever keeps a handle.
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace chronolin {

class ProcessHandle {
 public:
  // How the process ended, once it has been reaped.
  struct ExitInfo {
    bool signalled = false;  // killed by a signal
    int code = 0;            // exit status, or the signal number when signalled
  };

  // Creates the child of `path` with `args` (args[0] included) and the process's environment,
  // in a session of its own, with no descriptor inherited beyond 0-2 and default signal
  // dispositions. It waits before exec until Resume. Null when the child cannot be created.
  // Must not be given an empty `args`.
  static std::shared_ptr<ProcessHandle> StartHeld(const std::string& path,
                                                  const std::vector<std::string>& args);

  ~ProcessHandle();
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;

  pid_t Pid() const { return pid_; }

  // Lets the held child exec its program. False when already resumed or the child has gone.
  bool Resume();
  // Sends a signal to this process, never to another one holding the same id. False once the
  // process has ended (or the signal was refused).
  bool Signal(int signo);
  // Sends a signal to the process group the process leads (its session: whatever a wrapper
  // script started goes with it), while the process has not ended. False once it has.
  bool SignalGroup(int signo);
  // Waits at most `timeout` for the process to end and be reaped. True when it has ended.
  bool WaitExit(std::chrono::steady_clock::duration timeout);
  bool Exited() const;
  std::optional<ExitInfo> Exit() const;

 private:
  friend class ProcessReaper;
  ProcessHandle(pid_t pid, int pidfd, int resumeFd);

  const pid_t pid_;
  const int pidfd_;
  mutable std::mutex mutex_;
  std::condition_variable ended_;
  int resumeFd_;  // guarded by mutex_; -1 once resumed
  std::optional<ExitInfo> exit_;
};

}  // namespace chronolin
