#include "counter/exec_thread.h"

#include <algorithm>
#include <system_error>
#include <thread>

#include "platform/x11_windows.h"

namespace chronolin {

void TExecThread::Start(HeldProgram program, std::int32_t delayMs,
                        std::chrono::steady_clock::time_point origin) {
  if (!program.process) return;
  // A negative delay (a hand-edited file) is no delay, not an endless one.
  const auto start = origin + std::chrono::milliseconds(std::max<std::int32_t>(delayMs, 0));
  try {
    std::thread([program, start] { Execute(program, start); }).detach();
  } catch (const std::system_error&) {
    program.process->Resume();
  }
}

void TExecThread::Execute(const HeldProgram& program, std::chrono::steady_clock::time_point start) {
  // Every delay counts from the same moment, however long the other processes took to create.
  std::this_thread::sleep_until(start);
  if (!program.process->Resume()) return;
  if (program.windowState == kWindowMaximised || program.windowState == kWindowMinimised) {
    const auto& process = program.process;
    ApplyInitialWindowState(program.display, process->Pid(), program.windowState, kWindowStateWait,
                            [&process] { return !process->Exited(); });
  }
}

}  // namespace chronolin
