// The real program with its window, on a virtual X display with a tray host, as a user runs it.
#include <poll.h>

#include <array>
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

  // Width, height, left and top of a window on the screen ("?" when unknown).
  std::array<std::string, 4> Place(const std::string& id) {
    const std::string info = Capture({"/usr/bin/xwininfo", "-id", id});
    auto field = [&](const char* name) {
      std::smatch m;
      return std::regex_search(info, m, std::regex(std::string(name) + R"(:\s+(-?\d+))"))
                 ? m[1].str()
                 : "?";
    };
    return {field("Width"), field("Height"), field("Absolute upper-left X"),
            field("Absolute upper-left Y")};
  }

  // "WIDTHxHEIGHT+X+Y" of a window.
  std::string Geometry(const std::string& id) {
    const auto [width, height, left, top] = Place(id);
    return width + "x" + height + "+" + left + "+" + top;
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

  // The share of a window's place that is not black in a capture of the whole screen (xwd), as
  // a screenshot shows it: not from what the program believes it drew, nor from the window
  // alone, which reads right even where a capture of the screen shows it black.
  double LitShare(const std::string& id) {
    const auto place = Place(id);
    std::array<long, 4> r{};  // width, height, left, top
    for (std::size_t i = 0; i < r.size(); ++i)
      if (place[i] == "?" || (r[i] = std::stol(place[i])) < 0 || (i < 2 && r[i] == 0)) return -1;
    const auto file = dir.path() / "screen.xwd";
    std::filesystem::remove(file);
    Run({"/usr/bin/xwd", "-silent", "-root"}, file);
    const std::string data = ReadFile(file);
    const auto field = [&](int i) -> std::uint32_t {
      if (data.size() < 100) return 0;
      const auto* b = reinterpret_cast<const unsigned char*>(data.data()) + 4 * i;
      return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 |
             b[3];
    };
    const std::uint32_t header = field(0), width = field(4), height = field(5),
                        bitsPerPixel = field(11), bytesPerLine = field(12), colours = field(19);
    const std::size_t start = header + 12u * colours;
    // 24 bits a pixel come packed or in four bytes, depending on how xwd read the screen.
    const std::size_t step = bitsPerPixel == 32 || bytesPerLine >= 4 * width ? 4 : 3;
    if ((bitsPerPixel != 32 && bitsPerPixel != 24) || r[2] + r[0] > long{width} ||
        r[3] + r[1] > long{height} || data.size() < start + std::size_t{bytesPerLine} * height)
      return -1;
    std::size_t lit = 0;
    for (long y = r[3]; y < r[3] + r[1]; ++y)
      for (long x = r[2]; x < r[2] + r[0]; ++x) {
        const char* p = data.data() + start + std::size_t(y) * bytesPerLine + step * std::size_t(x);
        if ((p[0] | p[1] | p[2] | (step == 4 ? p[3] : 0)) != 0) ++lit;
      }
    return double(lit) / (double(r[0]) * double(r[1]));
  }

  std::string Property(const std::string& id, const char* name) {
    return Capture({"/usr/bin/xprop", "-id", id, name});
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

// Hundreds of menus and boxes opened and closed while counting and while the tray host restarts:
// each box must still be drawn, not left black, in a capture of the screen, over the journal
// viewer left open beneath them as in a long session. The boxes have no minimise or maximise
// button and the counter window stays out of taskbars, each time it is shown.
TEST_F(GuiProgramTest, BoxesAndMenusStayDrawnUnderStress) {
  for (const char* tool : {"xwd", "xprop"})
    if (::access((std::string("/usr/bin/") + tool).c_str(), X_OK) != 0)
      GTEST_SKIP() << tool << " is not installed";
  Ras({"add", "Fournisseur"});
  Ras({"add", "Secours"});
  WriteFile(Home() / "Connexions.txt", "01/12/2026 - 10:00:00 - Secours - 00:01:00 (Conn.)\r\n");
  const pid_t program = Spawn({CHRONOLIN_PROGRAM}, dir.path() / "out.txt", true);
  std::string window;
  ASSERT_TRUE(WaitFor([&] { return !(window = Window("Chronolin")).empty(); }, 20s))
      << ReadFile(dir.path() / "out.txt");
  const std::string states = Property(window, "_NET_WM_STATE");
  EXPECT_NE(states.find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos) << states;
  EXPECT_NE(states.find("_NET_WM_STATE_SKIP_PAGER"), std::string::npos) << states;
  Ras({"dial", "Fournisseur", "--auth-after", "0", "--connect-after", "0"});
  std::this_thread::sleep_for(2500ms);  // counting

  const auto xdotool = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "/usr/bin/xdotool");
    Capture(args);
  };
  const auto checkBox = [&](const std::string& title, const char* answer, int round) {
    std::string box;
    ASSERT_TRUE(WaitFor([&] { return !(box = Window(title)).empty(); }, 10s)) << round;
    std::this_thread::sleep_for(150ms);  // drawn
    EXPECT_GT(LitShare(box), 0.5) << title << ", round " << round;
    if (round == 0) {
      // Functions and decorations (fields 2 and 3): neither minimise (8, 32) nor maximise (16, 64).
      std::smatch m;
      const std::string hints = Property(box, "_MOTIF_WM_HINTS");
      ASSERT_TRUE(std::regex_search(hints, m, std::regex(R"(= (\w+), (\w+), (\w+))"))) << hints;
      EXPECT_EQ(std::stoul(m[2], nullptr, 16) & 0x18, 0u) << hints;
      EXPECT_EQ(std::stoul(m[3], nullptr, 16) & 0x60, 0u) << hints;
    }
    xdotool({"windowfocus", "--sync", box});
    xdotool({"key", answer});
    EXPECT_TRUE(WaitFor([&] { return Window(title).empty(); }, 5s)) << round;
  };
  // Keys typed before the menu shows (and takes the keyboard) would go astray. Two clicks in
  // the same place in quick succession make a double click, which opens no menu: the place
  // alternates, and a click that opened none is made again.
  int clicks = 0;
  const auto openMenu = [&] {
    const auto shown = [&] {
      return Capture({"/usr/bin/xdotool", "search", "--onlyvisible", "--class", "^Chrono-lin$"});
    };
    const std::string before = shown();
    for (int attempt = 0; attempt < 3; ++attempt) {
      const std::string x = ++clicks % 2 ? "20" : "80";
      xdotool({"mousemove", "--window", window, x, "10", "click", "3"});
      if (WaitFor([&] { return shown() != before; }, 2s)) return true;
    }
    return false;
  };
  ASSERT_TRUE(openMenu());
  xdotool({"key", "j"});
  xdotool({"key", "v"});
  ASSERT_TRUE(WaitFor([&] { return !Window("Connexions.txt - Chronolin").empty(); }, 10s));
  for (int round = 0; round < 24; ++round) {
    EXPECT_TRUE(openMenu()) << round;
    if (round % 6 == 2) {  // never right after the tray host restarts: its icon shows late
      xdotool({"key", "j"});
      xdotool({"key", "e"});  // clearing the journal, answered No
      checkBox("Confirmation", "n", round);
    } else {
      xdotool({"key", "Escape"});
    }
    if (round % 3 == 0) {
      ::kill(program, SIGINT);  // the quit question, answered No
      checkBox("Confirmation", "n", round);
    }
    if (round % 8 == 4) {
      Stop(tray_, SIGTERM);
      tray_ = StartTray();
      EXPECT_TRUE(WaitFor([&] { return IconInTray(); }, 10s)) << round;
    }
  }
  EXPECT_EQ(::waitpid(program, nullptr, WNOHANG), 0);  // still running and counting
  EXPECT_NE(Capture({CHRONOLIN_RAS_TOOL, "status"}), "");
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
