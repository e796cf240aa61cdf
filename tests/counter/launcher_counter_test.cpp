// The counter, the simulated dial-up line and the real launcher together: the application
// configured in "Chronolin.ini" starts with the connected state and ends with the connection.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "counter/counter.h"
#include "counter/launcher.h"
#include "fakes.h"
#include "platform/sim_ras_provider.h"

namespace chronolin::testing {
namespace {

using namespace std::chrono_literals;

TEST(LauncherCounterTest, ApplicationRunsFromConnectedStateToTheEndOfTheCountedConnection) {
  TempDir dir;
  double wall = 1000.0;  // the line's clock, in seconds
  SimRasProvider ras(dir.path() / "ras", [&] { return wall; });
  ASSERT_EQ(ras.AddEntry("Fournisseur"), 0u);

  // Counted from numbering, so counting is well under way before the line is connected.
  const auto stamp = dir.path() / "started";
  WriteFile(dir.path() / "Chronolin.ini",
            "[Fournisseur]\r\nStartEvent=0\r\n[Appli]\r\n1=" + std::string(LAUNCHER_HELPER) +
                " stamp " + stamp.string() + ",0,0,1\r\n");
  Regional regional = Regional::French();
  SettingsFile settings(dir.path() / "Chronolin.ini", regional);
  Journal journal(dir.path() / "Connexions.txt", regional);
  FakeClock clock;
  FakeView view;
  Launcher launcher;
  TCounter counter({ras, clock, settings, journal, view, &launcher});
  launcher.Bind(counter.Applis());
  ASSERT_TRUE(counter.Start());
  ASSERT_EQ(counter.Applis().size(), 1u);

  const auto tick = [&] {
    wall += 1;
    clock.Advance(1000);
    counter.TimerTimer();
  };
  HRASCONN handle = 0;
  ASSERT_EQ(ras.Dial("Fournisseur", 1.5, 3.5, &handle), 0u);
  for (int i = 0; i < 3; ++i) tick();  // numbering, then authentication
  ASSERT_TRUE(counter.Counting());
  EXPECT_EQ(counter.Applis()[0].ProcessId, 0u);

  tick();  // connected
  const std::uint32_t pid = counter.Applis()[0].ProcessId;
  ASSERT_NE(pid, 0u);
  const auto process = launcher.Process(pid);
  for (int i = 0; i < 50 && !std::filesystem::exists(stamp); ++i) std::this_thread::sleep_for(20ms);
  EXPECT_TRUE(std::filesystem::exists(stamp));
  tick();
  tick();
  EXPECT_EQ(counter.Applis()[0].ProcessId, pid) << "launched once per connection";

  ASSERT_EQ(ras.Drop("Fournisseur"), 0u);
  tick();
  EXPECT_FALSE(counter.Counting());
  EXPECT_EQ(counter.Applis()[0].ProcessId, 0u);
  EXPECT_TRUE(process->Exited());
  EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(pid))) << "left a zombie";
  EXPECT_NE(ReadFile(dir.path() / "Connexions.txt").find("Fournisseur"), std::string::npos);
  process->Signal(SIGKILL);
}

}  // namespace
}  // namespace chronolin::testing
