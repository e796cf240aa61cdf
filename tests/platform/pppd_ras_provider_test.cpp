// The pppd provider over a made-up /proc, run directory and interface table; only the hang-up
// and dial cases touch real processes (children of the test).
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/pppd_ras_provider.h"

extern char** environ;

namespace chronolin {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class FakeProbe final : public PppdInterfaceProbe {
 public:
  PppdInterfaceInfo Probe(const std::string& ifname) override { return interfaces[ifname]; }
  std::map<std::string, PppdInterfaceInfo> interfaces;
};

void Write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string Slurp(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

class PppdRasProviderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/chronolin-pppd-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    paths_.peersDir = dir_ / "peers";
    paths_.runDir = dir_ / "run";
    paths_.procRoot = dir_ / "proc";
    for (const auto& p : {paths_.peersDir, paths_.runDir, paths_.procRoot})
      fs::create_directories(p);
    for (const char* peer : {"isp", "office", "work"}) Write(paths_.peersDir / peer, "");
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A process as /proc shows it: NUL-separated arguments, and a stat line with the program's
  // name in parentheses.
  void Process(int pid, const std::vector<std::string>& args, unsigned long long start,
               char state = 'S', const std::string& name = "") {
    std::string cmdline;
    for (const std::string& a : args) cmdline += a + '\0';
    Write(paths_.procRoot / std::to_string(pid) / "cmdline", cmdline);
    std::string stat = std::to_string(pid) + " (" +
                       (name.empty() ? fs::path(args.front()).filename().string() : name) + ") " +
                       state;
    for (int field = 4; field <= 21; ++field) stat += " 0";
    stat += " " + std::to_string(start) + " 0 0\n";
    Write(paths_.procRoot / std::to_string(pid) / "stat", stat);
  }

  RASCONNA Only(PppdRasProvider& ras) {
    RASCONNA connection;
    std::uint32_t count = 9;
    EXPECT_EQ(ras.RasEnumConnectionsA(connection, count), ERROR_SUCCESS_RAS);
    EXPECT_EQ(count, 1u);
    return connection;
  }
  std::uint32_t Count(PppdRasProvider& ras, std::uint32_t expectedResult) {
    RASCONNA connection;
    std::uint32_t count = 9;
    EXPECT_EQ(ras.RasEnumConnectionsA(connection, count), expectedResult);
    return count;
  }
  std::int32_t State(PppdRasProvider& ras, HRASCONN handle) {
    RASCONNSTATUSA status;
    return ras.RasGetConnectStatusA(handle, status) == ERROR_SUCCESS_RAS ? status.rasconnstate : -1;
  }

  fs::path dir_;
  PppdPaths paths_;
  std::shared_ptr<FakeProbe> probe_ = std::make_shared<FakeProbe>();
};

TEST_F(PppdRasProviderTest, PhonebookIsThePeerFilesSortedWithoutBackups) {
  for (const char* junk : {"isp~", "isp.dpkg-old", "isp.ucf-dist", "isp.bak", ".hidden"})
    Write(paths_.peersDir / junk, "");
  fs::create_directories(paths_.peersDir / "adir");
  fs::create_symlink(paths_.peersDir / "isp", paths_.peersDir / "alias");
  // The ppp package's template still holds its placeholder number: no peer until filled in.
  const std::string provider = Slurp(CHRONOLIN_TEST_DATA "/ppp/provider.peer");
  Write(paths_.peersDir / "provider", provider);
  std::string filled = provider;
  filled.replace(filled.find("-T ********"), 11, "-T 0123456789");
  Write(paths_.peersDir / "filled", filled);
  PppdRasProvider ras(paths_, probe_);
  std::vector<std::string> entries{"stale"};
  ASSERT_EQ(ras.RasEnumEntriesA(entries), ERROR_SUCCESS_RAS);
  EXPECT_THAT(entries, ElementsAre("alias", "filled", "isp", "office", "work"));

  paths_.peersDir = dir_ / "missing";
  PppdRasProvider none(paths_, probe_);
  EXPECT_EQ(none.RasEnumEntriesA(entries), ERROR_CANNOT_OPEN_PHONEBOOK);
  EXPECT_EQ(Count(none, ERROR_CANNOT_OPEN_PHONEBOOK), 0u);
  EXPECT_EQ(none.Dial("isp"), ERROR_CANNOT_OPEN_PHONEBOOK);
}

TEST_F(PppdRasProviderTest, FindsPppdsByCallFileOrLinkname) {
  Process(100, {"/usr/sbin/pppd", "call", "isp"}, 5000);
  Process(101, {"bash", "call", "work"}, 5000);                     // not pppd
  Process(102, {"pppd", "call", "elsewhere"}, 5000);                // not a peer
  Process(103, {"pppd", "call", "work"}, 5000, 'Z');                // gone
  Process(107, {"pppd", "call", "work"}, 5000, 'S', "pppd) S (x");  // a name with ") "
  Write(paths_.procRoot / "104" / "stat", "104 (pppd");             // unreadable
  Write(paths_.procRoot / "104" / "cmdline", std::string("pppd\0call\0work", 14));
  Write(paths_.procRoot / "self" / "stat", "x");
  Write(paths_.runDir / "ppp-junk.pid", "-5\n");
  Write(paths_.runDir / "ppp0.pid", "99999999999\n");
  PppdRasProvider ras(paths_, probe_);
  EXPECT_EQ(Only(ras).szEntryName, "isp");

  Process(105, {"pppd", "file", (paths_.peersDir / "work").string()}, 6000);
  EXPECT_EQ(Count(ras, ERROR_BUFFER_TOO_SMALL), 2u);
  fs::remove_all(paths_.procRoot / "100");
  EXPECT_EQ(Only(ras).szEntryName, "work");
  fs::remove_all(paths_.procRoot / "105");

  // Started without "call": known by the pid file of the link name its peer file sets.
  Write(paths_.peersDir / "office", "# office line\nlinkname \"dsl\" # named\nnoauth\n");
  Process(106, {"/usr/sbin/pppd", "nodetach"}, 7000);
  Write(paths_.runDir / "ppp-dsl.pid", "106\nppp1\n");
  const RASCONNA office = Only(ras);
  EXPECT_EQ(office.szEntryName, "office");
  EXPECT_EQ(office.szDeviceName, "ppp1");
  Write(paths_.runDir / "ppp-dsl.pid", "106\n../etc\n");  // not an interface name
  EXPECT_EQ(Only(ras).szDeviceName, "");
}

TEST_F(PppdRasProviderTest, StatesFollowTheInterface) {
  Process(100, {"pppd", "call", "isp"}, 5000);
  PppdRasProvider ras(paths_, probe_);
  const HRASCONN handle = Only(ras).hrasconn;
  ASSERT_GT(handle, 0u);
  EXPECT_EQ(State(ras, handle), RASCS_ConnectDevice);
  // pppd writes the interface's pid file as soon as the unit exists, before authenticating.
  Write(paths_.runDir / "ppp0.pid", "100\n");
  EXPECT_EQ(State(ras, handle), RASCS_ConnectDevice);
  PppdInterfaceInfo& ppp0 = probe_->interfaces["ppp0"];
  ppp0.exists = true;
  EXPECT_EQ(State(ras, handle), RASCS_Authenticate);
  ppp0.up = ppp0.running = true;
  EXPECT_EQ(State(ras, handle), RASCS_Authenticate);
  ppp0.hasIpv4 = true;
  RASCONNSTATUSA status;
  ASSERT_EQ(ras.RasGetConnectStatusA(handle, status), ERROR_SUCCESS_RAS);
  EXPECT_EQ(status.rasconnstate, RASCS_Connected);
  EXPECT_EQ(status.szDeviceName, "ppp0");
  ppp0.running = false;
  EXPECT_EQ(State(ras, handle), RASCS_Authenticate);
}

TEST_F(PppdRasProviderTest, HandlesAreBoundToPidAndStartTime) {
  Process(100, {"pppd", "call", "isp"}, 5000);
  PppdRasProvider ras(paths_, probe_);
  const HRASCONN first = Only(ras).hrasconn;
  EXPECT_EQ(Only(ras).hrasconn, first);
  Process(100, {"pppd", "call", "isp"}, 5001);  // the pid was recycled
  EXPECT_EQ(State(ras, first), -1);
  const HRASCONN second = Only(ras).hrasconn;
  EXPECT_NE(second, first);
  Process(100, {"pppd", "call", "isp"}, 5000);  // the first one cannot come back
  EXPECT_EQ(State(ras, second), -1);
  EXPECT_EQ(State(ras, first), -1);
  EXPECT_NE(Only(ras).hrasconn, first);
  EXPECT_EQ(State(ras, 0), -1);
}

TEST_F(PppdRasProviderTest, HangUpSignalsOnlyTheSameProcess) {
  pid_t child = 0;
  char sleep[] = "sleep", seconds[] = "30";
  char* argv[] = {sleep, seconds, nullptr};
  ASSERT_EQ(posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ), 0);
  Process(child, {"pppd", "call", "isp"}, 5000);
  PppdRasProvider ras(paths_, probe_);
  const HRASCONN stale = Only(ras).hrasconn;
  Process(child, {"pppd", "call", "isp"}, 5001);
  EXPECT_EQ(ras.RasHangUpA(stale), ERROR_INVALID_HANDLE);
  EXPECT_EQ(waitpid(child, nullptr, WNOHANG), 0) << "a different process was signalled";

  const HRASCONN handle = Only(ras).hrasconn;
  EXPECT_EQ(ras.RasHangUpA(handle), ERROR_SUCCESS_RAS);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  // The made-up process stays listed, as a real pppd would while it winds down.
  EXPECT_EQ(State(ras, handle), -1);
  EXPECT_EQ(Count(ras, ERROR_SUCCESS_RAS), 0u);
  EXPECT_EQ(ras.RasHangUpA(handle), ERROR_INVALID_HANDLE);
}

bool HasZombieChild() {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::istringstream stat(Slurp(entry.path() / "stat"));
    std::string pid, name, state;
    int ppid = 0;
    // Test children have plain names.
    if (stat >> pid >> name >> state >> ppid && ppid == getpid() && state == "Z") return true;
  }
  return false;
}

TEST_F(PppdRasProviderTest, DialStartsPppdForThePeerAndLeavesNoZombie) {
  const fs::path args = dir_ / "args";
  paths_.pppdProgram = (dir_ / "fake-pppd").string();
  Write(paths_.pppdProgram, "#!/bin/sh\n[ -t 0 ] && echo tty >\"" + args.string() +
                                "\"; echo \"$@\" >>\"" + args.string() + "\"\n");
  fs::permissions(paths_.pppdProgram, fs::perms::owner_all);
  PppdRasProvider ras(paths_, probe_);
  EXPECT_EQ(ras.Dial("nowhere"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  EXPECT_EQ(ras.Dial("../isp"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  ASSERT_EQ(ras.Dial("isp"), ERROR_SUCCESS_RAS);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while ((Slurp(args).empty() || HasZombieChild()) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(Slurp(args), "call isp\n");
  EXPECT_FALSE(HasZombieChild());

  Process(100, {"pppd", "call", "work"}, 5000);
  EXPECT_EQ(ras.Dial("work"), ERROR_SUCCESS_RAS);  // already up: no second pppd
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Slurp(args), "call isp\n");

  paths_.pppdProgram = (dir_ / "missing").string();
  PppdRasProvider broken(paths_, probe_);
  testing::internal::CaptureStderr();
  EXPECT_EQ(broken.Dial("isp"), PppdRasProvider::kErrorDialFailed);
  broken.SetOffLine();
  const std::string logged = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 2) << logged;
  EXPECT_EQ(broken.OffLineCount(), 1);
}

}  // namespace
}  // namespace chronolin
