// The real program with its window, on a virtual X display with a tray host, as a user runs it.
#include <poll.h>

#include <regex>
#include <sstream>

#include "counter/duree.h"
#include "program_fixture.h"

namespace chronolin::testing {
namespace {

using namespace std::chrono_literals;

class GuiProgramTest : public ProgramFixture {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "trayer", "xdotool", "xwininfo"})
      if (::access((std::string("/usr/bin/") + tool).c_str(), X_OK) != 0)
        GTEST_SKIP() << tool << " is not installed";
    ProgramFixture::SetUp();
    // Xvfb picks a free display and writes its number to the descriptor it is given.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    Spawn({"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1024x768x24",
           "-nolisten", "tcp"},
          dir.path() / "xvfb.txt", true);
    ::close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (::poll(&p, 1, 20000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    ASSERT_FALSE(number.empty()) << ReadFile(dir.path() / "xvfb.txt");
    // No session bus: the tray icon embeds itself in the tray host's window.
    env_.push_back("DISPLAY=:" + number);
    env_.push_back("QT_QPA_PLATFORM=xcb");
    tray_ = StartTray();
  }

  pid_t StartTray() {
    return Spawn({"/usr/bin/trayer", "--edge", "bottom", "--align", "left", "--widthtype", "pixel",
                  "--width", "60", "--height", "22"},
                 dir.path() / "trayer.txt", true);
  }

  // The id of the window with exactly this title, or "".
  std::string Window(const std::string& title) {
    std::istringstream ids(Capture({"/usr/bin/xdotool", "search", "--name", "^" + title + "$"}));
    std::string id;
    ids >> id;
    return id;
  }

  // "WIDTHxHEIGHT+X+Y" of a window.
  std::string Geometry(const std::string& id) {
    const std::string info = Capture({"/usr/bin/xwininfo", "-id", id});
    auto field = [&](const char* name) {
      std::smatch m;
      return std::regex_search(info, m, std::regex(std::string(name) + R"(:\s+(-?\d+))"))
                 ? m[1].str()
                 : "?";
    };
    return field("Width") + "x" + field("Height") + "+" + field("Absolute upper-left X") + "+" +
           field("Absolute upper-left Y");
  }

  // Whether our icon sits in the tray host's panel.
  bool IconInTray() {
    const std::string tree = Capture({"/usr/bin/xwininfo", "-root", "-tree"});
    std::smatch m;
    if (!std::regex_search(tree, m,
                           std::regex(R"re((0x[0-9a-f]+) "panel": \("panel" "trayer"\))re")))
      return false;
    const std::string below = Capture({"/usr/bin/xwininfo", "-tree", "-id", m[1]});
    return below.find("\"chronolin\"") != std::string::npos;
  }

  pid_t tray_ = 0;
};

TEST_F(GuiProgramTest, WindowTrayIconAndASingleInstance) {
  Ras({"add", "Fournisseur"});
  const pid_t program = Spawn({CHRONOLIN_PROGRAM}, dir.path() / "first.txt", true);
  std::string window;
  ASSERT_TRUE(WaitFor([&] { return !(window = Window("Chronolin")).empty(); }, 20s))
      << ReadFile(dir.path() / "first.txt");
  // 1024 x 768: the bottom right corner, 30 pixels above the bottom edge.
  EXPECT_EQ(Geometry(window), "117x19+907+719");
  EXPECT_TRUE(WaitFor([&] { return IconInTray(); }, 10s));

  // The tray host restarts: the icon comes back.
  Stop(tray_, SIGTERM);
  EXPECT_TRUE(WaitFor([&] { return !IconInTray(); }, 5s));
  tray_ = StartTray();
  EXPECT_TRUE(WaitFor([&] { return IconInTray(); }, 10s));

  // A second start says so and ends once the message is acknowledged; the first goes on.
  const pid_t second = Spawn({CHRONOLIN_PROGRAM}, dir.path() / "second.txt", true);
  std::string box;
  ASSERT_TRUE(WaitFor([&] { return !(box = Window("Erreur !")).empty(); }, 20s))
      << ReadFile(dir.path() / "second.txt");
  EXPECT_NE(ReadFile(dir.path() / "second.txt").find("Chrono-lin déjà actif !"), std::string::npos);
  Capture({"/usr/bin/xdotool", "windowfocus", "--sync", box});
  Capture({"/usr/bin/xdotool", "key", "Return"});
  EXPECT_EQ(WaitExit(second, 10s), 1);
  EXPECT_EQ(::waitpid(program, nullptr, WNOHANG), 0);  // still running
}

TEST_F(GuiProgramTest, EndOfSessionDuringACountedConnexion) {
  Ras({"add", "Fournisseur"});
  const pid_t program = Spawn({CHRONOLIN_PROGRAM}, dir.path() / "out.txt", true);
  ASSERT_TRUE(WaitFor([&] { return !Window("Chronolin").empty(); }, 20s))
      << ReadFile(dir.path() / "out.txt");
  Ras({"dial", "Fournisseur", "--auth-after", "0", "--connect-after", "0"});
  // Seen at the next tick, counted from the one after: a few seconds make a counted second.
  std::this_thread::sleep_for(5s);
  EXPECT_EQ(Stop(program, SIGTERM), 0) << ReadFile(dir.path() / "out.txt");

  EXPECT_TRUE(std::regex_match(
      JournalText(), std::regex(R"(^\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d - Fournisseur - 00:00:0[1-9] )"
                                R"(\(Conn\.\)\r\n$)")))
      << JournalText();
  EXPECT_GE(DureeToSeconds(Ini("Fournisseur", "Durée")), 1);
  EXPECT_EQ(Ini("Paramètres", "Cnx"), "Fournisseur");
  EXPECT_EQ(Ini("WindowPos", "X") + "," + Ini("WindowPos", "Y"), "907,719");
  EXPECT_EQ(Capture({CHRONOLIN_RAS_TOOL, "status"}), "");  // hung up
}

}  // namespace
}  // namespace chronolin::testing
