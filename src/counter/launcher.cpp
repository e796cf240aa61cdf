#include "counter/launcher.h"

#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <exception>

#include "counter/command_line.h"
#include "platform/x11_windows.h"

namespace chronolin {

namespace {

std::string DisplayName() {
  const char* display = std::getenv("DISPLAY");
  return display ? display : "";
}

}  // namespace

std::uint32_t Launcher::RunProgram(const std::string& cmdLine, std::int32_t windowState,
                                   HeldProgram& held) {
  held = {};
  const auto command = ResolveCommandLine(cmdLine, ProgramSearchPath());
  if (!command) return 0;
  auto process = ProcessHandle::StartHeld(command->path, command->args);
  if (!process) return 0;
  const auto pid = static_cast<std::uint32_t>(process->Pid());
  held.process = std::move(process);
  held.windowState = windowState;
  held.display = DisplayName();
  return pid;
}

void Launcher::LaunchApplis() {
  if (!applis_) return;
  const auto origin = std::chrono::steady_clock::now();
  for (auto& appli : *applis_) {
    try {
      HeldProgram held;
      appli.ProcessId = RunProgram(appli.CmdLine, appli.WindowState, held);
      if (appli.ProcessId == 0) continue;
      launched_[appli.ProcessId] = held.process;
      TExecThread::Start(std::move(held), appli.Delay, origin);
    } catch (const std::exception&) {
      // Whatever stops one application from starting, the others still start.
      appli.ProcessId = 0;
    }
  }
  Forget();
}

void Launcher::CloseApplis() {
  if (!applis_) return;
  for (auto& appli : *applis_) {
    if (!appli.CloseOnDisconnect) continue;
    CloseProgram(appli.ProcessId, kCloseTimeoutMs);
    appli.ProcessId = 0;
  }
  Forget();
}

int Launcher::CloseProgram(std::uint32_t processId, std::uint32_t timeoutMs) {
  const auto process = Process(processId);
  // An id this launcher did not start (or has forgotten) could name anybody's process.
  if (!process || process->Exited()) return kNotClosed;

  const auto timeout = std::chrono::milliseconds(timeoutMs);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  bool windowsAsked = false;
  if (const auto x11 = X11Windows::Open(DisplayName())) {
    const auto windows = x11->WindowsOf(process->Pid());
    // Checked after the lookup: while the process lives its id and windows are its own.
    if (!process->Exited()) windowsAsked = x11->RequestClose(windows) > 0;
  }
  // SIGTERM ends most programs without their own closing (saving, asking the user), so the
  // window request is given half the time on its own.
  if (windowsAsked && process->WaitExit(timeout / 2)) return kEnded;
  // The whole group: a wrapper script's children close with it.
  if (process->SignalGroup(SIGTERM)) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (process->WaitExit(std::max(left, decltype(left)::zero()))) return kEnded;
  }
  // Refused only once the process has gone, possibly a moment before the reaper says so.
  if (!process->SignalGroup(SIGKILL)) {
    return process->WaitExit(std::chrono::milliseconds(100)) ? kEnded : kNotClosed;
  }
  // Collected by the reaper within moments; a process stuck in the kernel still counts as
  // terminated, the signal having been delivered.
  process->WaitExit(std::chrono::seconds(1));
  return kTerminated;
}

std::shared_ptr<ProcessHandle> Launcher::Process(std::uint32_t processId) const {
  const auto it = launched_.find(processId);
  return it == launched_.end() ? nullptr : it->second;
}

void Launcher::Forget() {
  std::erase_if(launched_, [&](const auto& entry) {
    const bool referenced =
        applis_ && std::any_of(applis_->begin(), applis_->end(),
                               [&](const TAppli& appli) { return appli.ProcessId == entry.first; });
    return !referenced || entry.second->Exited();
  });
}

std::unique_ptr<Launcher> MakeAppLauncher() {
  return std::make_unique<Launcher>();
}

std::unique_ptr<Launcher> MakeAppLauncher(TAppliList& applis) {
  return std::make_unique<Launcher>(applis);
}

}  // namespace chronolin
