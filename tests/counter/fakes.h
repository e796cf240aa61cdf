#pragma once
// Stand-ins for the services the counter uses, driven by the tests.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <memory>

#include "counter/app_launcher.h"
#include "counter/counter.h"
#include "counter/counter_view.h"
#include "counter/journal.h"
#include "platform/clock.h"
#include "platform/ras_provider.h"
#include "platform/regional.h"
#include "settings/settings_file.h"
#include "support/files.h"
#include "support/scratch_dir.h"

namespace chronolin::testing {

class FakeRas : public RasProvider {
 public:
  struct Line {
    HRASCONN handle;
    std::string name;
    std::int32_t state;
  };
  std::vector<std::string> entries;
  std::vector<Line> lines;
  std::uint32_t enumResult = 0;
  std::uint32_t entriesResult = 0;
  int offline = 0;
  std::vector<HRASCONN> hungUp;
  bool slowHangUp = false;  // a hung-up line stays listed, connected, until dropped
  std::vector<std::string> dialled;

  HRASCONN Connect(const std::string& name, std::int32_t state) {
    lines.push_back({nextHandle, name, state});
    return nextHandle++;
  }
  void SetState(HRASCONN handle, std::int32_t state) {
    for (auto& l : lines)
      if (l.handle == handle) l.state = state;
  }
  void Drop(HRASCONN handle) {
    std::erase_if(lines, [&](const Line& l) { return l.handle == handle; });
  }

  std::uint32_t RasEnumEntriesA(std::vector<std::string>& out) override {
    if (entriesResult != 0) return entriesResult;
    out = entries;
    return 0;
  }
  std::uint32_t RasEnumConnectionsA(RASCONNA& c, std::uint32_t& count) override {
    if (enumResult != 0) return enumResult;
    count = static_cast<std::uint32_t>(lines.size());
    if (lines.size() > 1) return ERROR_BUFFER_TOO_SMALL;
    if (count == 1) {
      c.hrasconn = lines[0].handle;
      c.szEntryName = lines[0].name;
    }
    return 0;
  }
  std::uint32_t RasGetConnectStatusA(HRASCONN h, RASCONNSTATUSA& s) override {
    for (const auto& l : lines)
      if (l.handle == h) {
        s.rasconnstate = l.state;
        return 0;
      }
    return ERROR_INVALID_HANDLE;
  }
  std::uint32_t RasHangUpA(HRASCONN h) override {
    hungUp.push_back(h);
    if (!slowHangUp) Drop(h);
    return 0;
  }
  std::uint32_t Dial(const std::string& entry) override {
    dialled.push_back(entry);
    return 0;
  }
  void SetOffLine() override { ++offline; }
  std::string Name() const override { return "fake"; }

 private:
  HRASCONN nextHandle = 100;
};

class FakeClock : public Clock {
 public:
  std::uint32_t tick = 5000;
  TDateTime now = 46363.5;  // 07/12/2026 12:00:00
  std::uint32_t GetTickCount() override { return tick; }
  TDateTime Now() override { return now; }
  void Advance(std::uint32_t ms) {
    tick += ms;
    now += ms / 86400000.0;
  }
};

class FakeView : public CounterView {
 public:
  struct Box {
    std::string text, title;
    MsgIcon icon;
    MsgButtons buttons;
  };
  std::vector<Box> boxes;
  std::vector<std::string> errors;
  MsgResult answer = MsgResult::Yes;
  std::function<void()> duringBox;  // runs inside a box, as a modal loop would run ticks
  bool visible = false;
  std::string hint;
  int paints = 0;
  WindowPos pos{-1, -1};

  void PaintCounter() override { ++paints; }
  void SetWindowVisible(bool v) override { visible = v; }
  void SetHint(const std::string& h) override { hint = h; }
  void ConnexionMenuChanged() override {}
  WindowPos GetWindowPos() const override { return pos; }
  void SetWindowPos(WindowPos p) override { pos = p; }
  WindowPos DefaultWindowPos() const override { return {1803, 1031}; }
  MsgResult MessageBox(const std::string& text, const std::string& title, MsgIcon icon,
                       MsgButtons buttons) override {
    boxes.push_back({text, title, icon, buttons});
    if (duringBox) duringBox();
    return buttons == MsgButtons::YesNo ? answer : MsgResult::Ok;
  }
  void ShowError(const std::string& message) override { errors.push_back(message); }
  std::vector<std::string> quotaWarnings;
  std::vector<std::string> notices;
  int noticesEnded = 0;
  void QuotaWarning(const std::string& text) override { quotaWarnings.push_back(text); }
  void QuotaHangUpNotice(const std::string& text, int) override { notices.push_back(text); }
  void QuotaHangUpNoticeEnded() override { ++noticesEnded; }
};

class FakeLauncher : public AppLauncher {
 public:
  int launched = 0;
  int closed = 0;
  void LaunchApplis() override { ++launched; }
  void CloseApplis() override { ++closed; }
};

// A counter over the fakes, with its settings and journal in a fresh directory.
class CounterFixture : public ::testing::Test {
 protected:
  bool Start() {
    counter =
        std::make_unique<TCounter>(CounterServices{ras, clock, settings, journal, view, &launcher});
    return counter->Start();
  }
  void Tick(std::uint32_t ms = 1000) {
    clock.Advance(ms);
    counter->TimerTimer();
  }
  std::string JournalText() const { return ReadFile(dir.path() / "Connexions.txt"); }
  bool JournalExists() const { return std::filesystem::exists(dir.path() / "Connexions.txt"); }

  TempDir dir;
  Regional regional = Regional::French();
  FakeRas ras;
  FakeClock clock;
  FakeView view;
  FakeLauncher launcher;
  SettingsFile settings{dir.path() / "Chronolin.ini", regional};
  Journal journal{dir.path() / "Connexions.txt", regional};
  std::unique_ptr<TCounter> counter;
};

}  // namespace chronolin::testing
