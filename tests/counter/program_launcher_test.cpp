// The program starts the configured applications when the line is up and closes them when the
// counted connection ends, whatever the start event.
#include <signal.h>

#include "fakes.h"
#include "program_fixture.h"

namespace chronolin::testing {
namespace {

using namespace std::chrono_literals;

bool Alive(pid_t pid) { return pid > 0 && ::kill(pid, 0) == 0; }

class ProgramLauncherTest : public ProgramFixture {};

TEST_F(ProgramLauncherTest, AppliStartsAtConnectedAndClosesAtTheEnd) {
  const auto stamp = dir.path() / "started";
  // Counted from numbering: counting begins well before the line is up.
  WriteFile(Home() / "Chronolin.ini",
            "[Fournisseur]\r\nStartEvent=0\r\n[Appli]\r\n1=" + std::string(LAUNCHER_HELPER) +
                " stamp " + stamp.string() + ",0,0,1\r\n");
  Ras({"add", "Fournisseur"});
  const auto out = dir.path() / "out.txt";
  Spawn({CHRONOLIN_PROGRAM, "--console"}, out, true);
  ASSERT_TRUE(WaitFor([&] { return ReadFile(out).find("inactif") != std::string::npos; }, 10s));

  Ras({"dial", "Fournisseur", "--auth-after", "1", "--connect-after", "3"});
  ASSERT_TRUE(WaitFor([&] { return ReadFile(out).find("comptage") != std::string::npos; }, 10s))
      << ReadFile(out);
  EXPECT_FALSE(std::filesystem::exists(stamp)) << "started before the line was up";
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(stamp); }, 8s)) << ReadFile(out);

  // The helper writes its stamp first thing; find it by its command line.
  pid_t helper = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string cmdline = ReadFile(entry.path() / "cmdline");
    if (cmdline.find(stamp.string()) != std::string::npos &&
        cmdline.rfind(LAUNCHER_HELPER, 0) == 0)
      helper = static_cast<pid_t>(std::stol(entry.path().filename().string()));
  }
  ASSERT_TRUE(Alive(helper));

  Ras({"drop", "Fournisseur"});
  EXPECT_TRUE(WaitFor([&] {
    const std::string stat = ReadFile("/proc/" + std::to_string(helper) + "/stat");
    return stat.empty() || stat.find(") Z") != std::string::npos;  // gone or being reaped
  }, 8s));
  EXPECT_NE(JournalText().find("(Num.)"), std::string::npos);
}

}  // namespace
}  // namespace chronolin::testing
