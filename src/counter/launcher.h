#pragma once
// The application launcher: starts every configured application when the connection is fully
// up, each held until its own delay has passed, and closes the ones marked for it when the
// counted connection ends. Processes are told apart by their pidfd, not by their id alone: an
// id left in a record after its program ended is never used to signal another program.
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "counter/app_launcher.h"
#include "counter/exec_thread.h"
#include "platform/process_handle.h"
#include "settings/appli.h"

namespace chronolin {

class Launcher final : public AppLauncher {
 public:
  static constexpr std::uint32_t kCloseTimeoutMs = 5000;
  // Results of CloseProgram.
  static constexpr int kNotClosed = 0;   // unknown, never started or already ended
  static constexpr int kEnded = 1;       // ended after the close request
  static constexpr int kTerminated = 2;  // killed at the end of the time-out

  // Unbound, the launcher starts and closes nothing until Bind.
  Launcher() = default;
  explicit Launcher(TAppliList& applis) : applis_(&applis) {}

  // The list the launcher works on: the process-wide one, which lives in the counter.
  void Bind(TAppliList& applis) { applis_ = &applis; }

  // Creates every application's process at once, each held until its delay (counted from this
  // call) has passed; ProcessId is 0 for a command line that cannot be started.
  void LaunchApplis() override;
  // Closes each application marked CloseOnDisconnect (up to kCloseTimeoutMs each) and clears
  // its ProcessId.
  void CloseApplis() override;

  // Creates the process of a command line, held before its first instruction; `held` receives
  // what the delay thread needs to let it run. The process id, 0 when it cannot be started.
  std::uint32_t RunProgram(const std::string& cmdLine, std::int32_t windowState, HeldProgram& held);
  // Asks the process launched under this id to close (its windows first, then SIGTERM), waits
  // at most `timeoutMs` for its end, then kills it. kNotClosed, kEnded or kTerminated.
  int CloseProgram(std::uint32_t processId, std::uint32_t timeoutMs);

  // The process launched under this id, while the launcher still knows it.
  std::shared_ptr<ProcessHandle> Process(std::uint32_t processId) const;

 private:
  // Drops the processes that have ended or that no record refers to any more.
  void Forget();

  TAppliList* applis_ = nullptr;
  std::map<std::uint32_t, std::shared_ptr<ProcessHandle>> launched_;
};

std::unique_ptr<Launcher> MakeAppLauncher();
std::unique_ptr<Launcher> MakeAppLauncher(TAppliList& applis);

}  // namespace chronolin
