// Drives the built chronolin-ras tool as a separate process over the same state directory the
// in-process provider reads, as the program and the tool share it in real use.
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <fcntl.h>
#include <algorithm>
#include <chrono>
#include <filesystem>

#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "platform/sim_ras_provider.h"

extern char** environ;

namespace chronolin {
namespace {

namespace fs = std::filesystem;

struct ToolResult {
  int status = -1;
  std::string out;
  std::string err;
};

class SimRasToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/sim_ras_tool_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    dir_ = root_ / "state";
    if (const char* previous = getenv("CHRONOLIN_RAS_DIR")) saved_ = previous;
    setenv("CHRONOLIN_RAS_DIR", dir_.c_str(), 1);  // inherited by the tool
  }
  void TearDown() override {
    if (saved_)
      setenv("CHRONOLIN_RAS_DIR", saved_->c_str(), 1);
    else
      unsetenv("CHRONOLIN_RAS_DIR");
    fs::remove_all(root_);
  }

  pid_t Spawn(const std::vector<std::string>& args, int id) {
    std::vector<std::string> argv{CHRONOLIN_RAS_TOOL};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp;
    for (auto& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    const std::string out = Output(id, "out"), err = Output(id, "err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }
  ToolResult Wait(pid_t pid, int id) {
    ToolResult result;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
      result.status = WEXITSTATUS(status);
    }
    result.out = Slurp(Output(id, "out"));
    result.err = Slurp(Output(id, "err"));
    return result;
  }
  ToolResult Run(const std::vector<std::string>& args) { return Wait(Spawn(args, 0), 0); }

  std::string Output(int id, const char* kind) {
    return (root_ / (kind + std::to_string(id))).string();
  }
  static std::string Slurp(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
  }

  fs::path root_;
  fs::path dir_;
  std::optional<std::string> saved_;
};

TEST_F(SimRasToolTest, SharesStateWithTheProviderAndKeepsNamesIntact) {
  const std::vector<std::string> names = {"Zèbre net - 56k", "tab\tinside", "[x] = y"};
  for (const auto& name : names) ASSERT_EQ(Run({"add", name}).status, 0) << name;
  ASSERT_EQ(Run({"add", "--", "-dash"}).status, 0);
  EXPECT_EQ(Run({"list"}).out, "Zèbre net - 56k\ntab\tinside\n[x] = y\n-dash\n");

  const ToolResult dial = Run({"dial", "tab\tinside", "--auth-after=0", "--connect-after", "0"});
  ASSERT_EQ(dial.status, 0) << dial.err;
  const HRASCONN handle = static_cast<HRASCONN>(std::stoul(dial.out));
  EXPECT_EQ(Run({"status"}).out, std::to_string(handle) + "\t8192\ttab\tinside\n");

  SimRasProvider ras(dir_);
  RASCONNSTATUSA status;
  ASSERT_EQ(ras.RasGetConnectStatusA(handle, status), 0u);
  EXPECT_EQ(status.rasconnstate, RASCS_Connected);
  ASSERT_EQ(Run({"drop", "tab\tinside"}).status, 0);
  EXPECT_EQ(ras.RasGetConnectStatusA(handle, status), ERROR_INVALID_HANDLE);
  EXPECT_EQ(Run({"status"}).out, "");

  ASSERT_EQ(Run({"dial", "-dash"}).status, 2);  // options only before "--"
  ASSERT_EQ(Run({"dial", "--", "-dash"}).status, 0);
  ASSERT_EQ(Run({"hangup", "--", "-dash"}).status, 0);
  ASSERT_EQ(Run({"remove", "[x] = y"}).status, 0);
  EXPECT_EQ(Run({"list"}).out, "Zèbre net - 56k\ntab\tinside\n-dash\n");
}

TEST_F(SimRasToolTest, DialScheduleRunsInRealTime) {
  ASSERT_EQ(Run({"add", "Ligne"}).status, 0);
  ASSERT_EQ(Run({"dial", "Ligne", "--auth-after", "0.2", "--connect-after", "0.4"}).status, 0);
  SimRasProvider ras(dir_);
  std::vector<SimRasProvider::ActiveConnection> list;
  ASSERT_EQ(ras.ListConnections(list), 0u);
  ASSERT_EQ(list.size(), 1u);
  const auto& c = list[0];
  EXPECT_NEAR(c.authTime - c.dialTime, 0.2, 1e-6);
  EXPECT_NEAR(c.connectTime - c.dialTime, 0.4, 1e-6);

  // The tool and this process must agree on the wall clock. Each state is checked inside its
  // window; a read that a loaded machine delayed past the window proves nothing and is skipped.
  const auto check = [&](double from, double to, std::int32_t expected) {
    using namespace std::chrono;
    std::this_thread::sleep_until(system_clock::time_point(
        duration_cast<system_clock::duration>(duration<double>(c.dialTime + from))));
    RASCONNSTATUSA status;
    ASSERT_EQ(ras.RasGetConnectStatusA(c.handle, status), 0u);
    const double late = duration<double>(system_clock::now().time_since_epoch()).count();
    if (late < c.dialTime + to) {
      EXPECT_EQ(status.rasconnstate, expected) << from;
    }
  };
  check(0.0, 0.2, RASCS_ConnectDevice);
  check(0.25, 0.4, RASCS_Authenticate);
  check(0.45, 1e9, RASCS_Connected);
  EXPECT_EQ(Run({"status"}).out, std::to_string(c.handle) + "\t8192\tLigne\n");
}

TEST_F(SimRasToolTest, BadCommandsFailWithStatus2AndOneLine) {
  ASSERT_EQ(Run({"add", "Known"}).status, 0);
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"bogus"},
      {"add"},
      {"add", "Known"},
      {"add", "two\nlines"},
      {"add", ""},
      {"list", "x"},
      {"status", "--auth-after", "1"},
      {"remove", "Nope"},
      {"dial", "Nope"},
      {"dial", "Known", "--auth-after", "nan"},
      {"dial", "Known", "--auth-after", "0.5s"},
      {"dial", "Known", "--auth-after", "-1"},
      {"dial", "Known", "--auth-after", "1", "--connect-after", "0.5"},
      {"dial", "Known", "--connect-after"},
      {"dial", "Known", "--bogus", "1"},
      {"drop", "Known"},
      {"hangup", "Known"},
      {"hangup", "Nope\nmore"},
  };
  for (const auto& args : bad) {
    std::string shown;
    for (const auto& a : args) shown += "[" + a + "] ";
    const ToolResult r = Run(args);
    EXPECT_EQ(r.status, 2) << shown;
    EXPECT_EQ(r.out, "") << shown;
    EXPECT_EQ(r.err.rfind("chronolin-ras: ", 0), 0u) << shown << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << shown << r.err;
  }
  EXPECT_EQ(Run({"list"}).out, "Known\n");
  EXPECT_EQ(Run({"status"}).out, "");

  const ToolResult help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("chronolin-ras dial NAME"), std::string::npos);
}

TEST_F(SimRasToolTest, ConcurrentProcessesAllLand) {
  constexpr int kProcesses = 16;
  std::vector<pid_t> pids;
  for (int i = 0; i < kProcesses; ++i) pids.push_back(Spawn({"add", "P " + std::to_string(i)}, i));
  for (int i = 0; i < kProcesses; ++i) EXPECT_EQ(Wait(pids[i], i).status, 0);
  for (int i = 0; i < kProcesses; ++i) pids[i] = Spawn({"dial", "P " + std::to_string(i)}, i);
  std::set<std::string> handles;
  for (int i = 0; i < kProcesses; ++i) handles.insert(Wait(pids[i], i).out);
  EXPECT_EQ(handles.size(), std::size_t{kProcesses});

  std::vector<std::string> entries;
  ASSERT_EQ(SimRasProvider(dir_).RasEnumEntriesA(entries), 0u);
  EXPECT_EQ(entries.size(), std::size_t{kProcesses});
}

}  // namespace
}  // namespace chronolin
