// The real program with its window, on a virtual X display with a tray host, as a user runs it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "counter/duree.h"
#include "fakes.h"
#include "platform/profile_file.h"

extern char** environ;

namespace chronolin::testing {
namespace {

using namespace std::chrono_literals;

bool OnPath(const std::string& tool) {
  for (const char* dir : {"/usr/bin", "/bin", "/usr/local/bin"})
    if (::access((std::string(dir) + "/" + tool).c_str(), X_OK) == 0) return true;
  return false;
}

struct Rect {
  int x, y, width, height;
  bool operator==(const Rect&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << r.width << "x" << r.height << "+" << r.x << "+" << r.y;
}

class GuiProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "trayer", "xdotool", "xwininfo"})
      if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed";
    std::filesystem::create_directories(Home());
    std::filesystem::create_directories(Runtime());
    std::filesystem::permissions(Runtime(), std::filesystem::perms::owner_all);
    StartDisplay();
    env_ = {"DISPLAY=" + display_,
            "HOME=" + dir.path().string(),
            "CHRONOLIN_HOME=" + Home().string(),
            "CHRONOLIN_RAS_DIR=" + (dir.path() / "ras").string(),
            "XDG_RUNTIME_DIR=" + Runtime().string(),
            "CHRONOLIN_RAS=sim",
            "QT_QPA_PLATFORM=xcb",
            "LC_ALL=C",
            "PATH=/usr/bin:/bin"};
    tray_ = StartTray();
  }

  void TearDown() override {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
      ::kill(*it, SIGKILL);
      ::waitpid(*it, nullptr, 0);
    }
  }

  std::filesystem::path Home() const { return dir.path() / "home"; }
  std::filesystem::path Runtime() const { return dir.path() / "run"; }

  // Xvfb picks a free display and writes its number to the descriptor it is given.
  void StartDisplay() {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const pid_t xvfb = Spawn({"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                              "1024x768x24", "-nolisten", "tcp"},
                             dir.path() / "xvfb.txt", /*withEnv=*/false);
    ::close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (::poll(&p, 1, 20000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    ASSERT_FALSE(number.empty()) << ReadFile(dir.path() / "xvfb.txt");
    display_ = ":" + number;
    children_.push_back(xvfb);
  }

  pid_t StartTray() {
    const pid_t pid = Spawn({"/usr/bin/trayer", "--edge", "bottom", "--align", "left",
                             "--widthtype", "pixel", "--width", "60", "--height", "22"},
                            dir.path() / "trayer.txt");
    children_.push_back(pid);
    return pid;
  }

  pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& output,
              bool withEnv = true) {
    std::vector<char*> argv, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : env_) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int rc =
        posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), withEnv ? envp.data() : environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(rc, 0) << args[0];
    return pid;
  }

  // Runs a tool to its end; its standard output.
  std::string Capture(const std::vector<std::string>& args, int* status = nullptr) {
    const auto out = dir.path() / "capture.txt";
    std::filesystem::remove(out);
    const pid_t pid = Spawn(args, out);
    int s = 0;
    ::waitpid(pid, &s, 0);
    if (status) *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return ReadFile(out);
  }

  void Ras(const std::vector<std::string>& args) {
    std::vector<std::string> all{CHRONOLIN_RAS_TOOL};
    all.insert(all.end(), args.begin(), args.end());
    int status = -1;
    const std::string out = Capture(all, &status);
    ASSERT_EQ(status, 0) << out;
  }

  pid_t StartProgram(const std::filesystem::path& output) {
    const pid_t pid = Spawn({CHRONOLIN_PROGRAM}, output);
    children_.push_back(pid);
    return pid;
  }

  // Waits for the end of a child; its exit code, or -1 when it did not end in time.
  int WaitExit(pid_t pid, std::chrono::milliseconds limit) {
    int status = 0;
    const bool ended = WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, limit);
    if (!ended) return -1;
    std::erase(children_, pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  static bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      if (condition()) return true;
      std::this_thread::sleep_for(100ms);
    }
    return condition();
  }

  // The id of the window with this exact title, or "".
  std::string Window(const std::string& title) {
    std::istringstream ids(Capture({"/usr/bin/xdotool", "search", "--name", "^" + title + "$"}));
    std::string id;
    ids >> id;
    return id;
  }

  Rect Geometry(const std::string& id) {
    const std::string info = Capture({"/usr/bin/xwininfo", "-id", id});
    auto field = [&](const char* name) {
      std::smatch m;
      const std::regex re(std::string(name) + R"(:\s+(-?\d+))");
      return std::regex_search(info, m, re) ? std::stoi(m[1]) : -1;
    };
    return {field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
            field("Height")};
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

  std::string Ini(const char* section, const char* key) const {
    return ProfileFile(Home() / "Chronolin.ini").ReadString(section, key, "<none>");
  }

  TempDir dir;
  std::string display_;
  std::vector<std::string> env_;
  std::vector<pid_t> children_;
  pid_t tray_ = 0;
};

TEST_F(GuiProgramTest, WindowTrayIconAndASingleInstance) {
  Ras({"add", "Fournisseur"});
  const pid_t program = StartProgram(dir.path() / "first.txt");
  std::string window;
  ASSERT_TRUE(WaitFor([&] { return !(window = Window("Chronolin")).empty(); }, 20s))
      << ReadFile(dir.path() / "first.txt");
  // 1024 x 768: the bottom right corner, 30 pixels above the bottom edge.
  EXPECT_EQ(Geometry(window), (Rect{1024 - 117, 768 - 19 - 30, 117, 19}));
  EXPECT_TRUE(WaitFor([&] { return IconInTray(); }, 10s));

  // The tray host restarts: the icon comes back.
  ::kill(tray_, SIGTERM);
  WaitExit(tray_, 5s);
  EXPECT_TRUE(WaitFor([&] { return !IconInTray(); }, 5s));
  tray_ = StartTray();
  EXPECT_TRUE(WaitFor([&] { return IconInTray(); }, 10s));

  // A second start says so and ends once the message is acknowledged; the first goes on.
  const pid_t second = StartProgram(dir.path() / "second.txt");
  std::string box;
  ASSERT_TRUE(WaitFor([&] { return !(box = Window("Erreur !")).empty(); }, 20s))
      << ReadFile(dir.path() / "second.txt");
  EXPECT_NE(ReadFile(dir.path() / "second.txt").find("Chrono-lin déjà actif !"), std::string::npos);
  Capture({"/usr/bin/xdotool", "windowfocus", "--sync", box});
  Capture({"/usr/bin/xdotool", "key", "Return"});
  EXPECT_EQ(WaitExit(second, 10s), 1);
  EXPECT_EQ(::waitpid(program, nullptr, WNOHANG), 0);  // still running
  EXPECT_FALSE(Window("Chronolin").empty());
}

TEST_F(GuiProgramTest, EndOfSessionDuringACountedConnexion) {
  Ras({"add", "Fournisseur"});
  const pid_t program = StartProgram(dir.path() / "out.txt");
  ASSERT_TRUE(WaitFor([&] { return !Window("Chronolin").empty(); }, 20s))
      << ReadFile(dir.path() / "out.txt");
  Ras({"dial", "Fournisseur", "--auth-after", "0", "--connect-after", "0"});
  // Seen at the next tick, counted from the one after: a few seconds make a counted second.
  std::this_thread::sleep_for(5s);
  ::kill(program, SIGTERM);
  EXPECT_EQ(WaitExit(program, 10s), 0) << ReadFile(dir.path() / "out.txt");

  const std::string journal = ReadFile(Home() / "Connexions.txt");
  EXPECT_TRUE(std::regex_match(
      journal, std::regex(R"(^\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d - Fournisseur - 00:00:0[1-9] )"
                          R"(\(Conn\.\)\r\n$)")))
      << journal;
  EXPECT_GE(DureeToSeconds(Ini("Fournisseur", "Durée")), 1);
  EXPECT_EQ(Ini("Paramètres", "Cnx"), "Fournisseur");
  EXPECT_EQ(Ini("WindowPos", "X"), "907");
  EXPECT_EQ(Ini("WindowPos", "Y"), "719");
  EXPECT_EQ(Capture({CHRONOLIN_RAS_TOOL, "status"}), "");  // hung up
}

}  // namespace
}  // namespace chronolin::testing
