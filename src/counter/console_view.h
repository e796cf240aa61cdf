#pragma once
// The counter without a window: what the window would show, one line a second, on standard
// output. Message boxes go to standard error; a question is answered Yes.
#include <cstdio>
#include <string>

#include "counter/counter_view.h"

namespace chronolin {

class TCounter;

class ConsoleView : public CounterView {
 public:
  explicit ConsoleView(std::FILE* out = stdout, std::FILE* err = stderr) : out_(out), err_(err) {}

  void Attach(const TCounter* counter) { counter_ = counter; }
  // The line the window would show now: total, current duration, state.
  std::string StatusLine() const;
  void PrintStatus();

  void PaintCounter() override {}
  void SetWindowVisible(bool visible) override { visible_ = visible; }
  void SetHint(const std::string& hint) override { hint_ = hint; }
  void ConnexionMenuChanged() override {}
  bool HasWindow() const override { return false; }
  WindowPos GetWindowPos() const override { return {}; }
  void SetWindowPos(WindowPos) override {}
  WindowPos DefaultWindowPos() const override { return {}; }
  MsgResult MessageBox(const std::string& text, const std::string& title, MsgIcon icon,
                       MsgButtons buttons) override;
  void ShowError(const std::string& message) override;
  // One line each on standard output, among the status lines.
  void QuotaWarning(const std::string& text) override;
  void QuotaHangUpNotice(const std::string& text, int seconds) override;

 private:
  std::FILE* out_;
  std::FILE* err_;
  const TCounter* counter_ = nullptr;
  bool visible_ = false;
  std::string hint_;
};

}  // namespace chronolin
