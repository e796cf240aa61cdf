#pragma once
// The thread that lets one launched application run once its delay has passed.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/process_handle.h"

namespace chronolin {

// What RunProgram hands over: the process held before its first instruction and how its first
// window is to be shown.
struct HeldProgram {
  std::shared_ptr<ProcessHandle> process;
  std::int32_t windowState = 0;  // 0 normal, 1 maximised, 2 minimised
  std::string display;           // X display of the window state request; empty: none
};

// How long the thread waits for the first window of a program to be maximised or minimised.
inline constexpr std::chrono::seconds kWindowStateWait{20};

class TExecThread {
 public:
  // Starts the thread, which frees itself when it ends. It sleeps until `delayMs` after
  // `origin`, lets the process run and, for a maximised or minimised state, asks the window
  // manager for that state within kWindowStateWait. If no thread can be had the process is let
  // run at once rather than left held.
  static void Start(HeldProgram program, std::int32_t delayMs,
                    std::chrono::steady_clock::time_point origin);

 private:
  static void Execute(const HeldProgram& program, std::chrono::steady_clock::time_point start);
};

}  // namespace chronolin
