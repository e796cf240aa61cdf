// The NetworkManager provider against a stand-in daemon (tests/data/nm/fake_nm.py) on a private
// bus, so neither a real daemon nor the system bus is needed.
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/nm_ras_provider.h"

namespace chronolin {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::string kData = CHRONOLIN_TEST_DATA "/nm";
const std::string kActive1 = "/org/freedesktop/NetworkManager/ActiveConnection/1";

// A background process whose first lines of output say where it is.
struct Child {
  FILE* out = nullptr;
  pid_t pid = 0;
};

std::string Line(FILE* out) {
  char buffer[512];
  if (!out || !std::fgets(buffer, sizeof buffer, out)) return {};
  std::string line = buffer;
  if (!line.empty() && line.back() == '\n') line.pop_back();
  return line;
}

void Stop(Child& child) {
  if (child.pid > 0) kill(child.pid, SIGTERM);
  if (child.out) pclose(child.out);
  child = Child{};
}

std::string Slurp(const fs::path& path) {
  std::ostringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

class NmRasProviderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (std::system("test -x /usr/bin/dbus-daemon -a -x /usr/bin/dbus-send && "
                    "/usr/bin/python3 -c 'import dbus, gi.repository.GLib' 2>/dev/null") != 0) {
      skipReason_ = "needs dbus-daemon, dbus-send, python3-dbus and python3-gi";
      return;
    }
    bus_.out = popen(("exec /usr/bin/dbus-daemon --config-file=" + kData +
                      "/bus.conf --nofork --print-address=1 --print-pid=1 2>/dev/null")
                         .c_str(),
                     "re");
    address_ = Line(bus_.out);
    bus_.pid = std::atoi(Line(bus_.out).c_str());
    if (address_.empty() || bus_.pid <= 0) skipReason_ = "dbus-daemon did not start";
  }
  static void TearDownTestSuite() { Stop(bus_); }

  void SetUp() override {
    if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;
    char pattern[] = "/tmp/chronolin-nm-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    Stop(fake_);
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // Starts the stand-in daemon with a scenario (see fake_nm.py).
  void Start(const std::string& scenario) {
    std::ofstream(dir_ / "scenario.json") << scenario;
    fake_.out = popen(("exec /usr/bin/python3 " + kData + "/fake_nm.py '" + address_ + "' " +
                       (dir_ / "scenario.json").string() + " " + (dir_ / "calls.log").string() +
                       " 2>>" + (dir_ / "fake.err").string())
                          .c_str(),
                      "re");
    const std::string ready = Line(fake_.out);
    ASSERT_EQ(ready.rfind("ready ", 0), 0u) << Slurp(dir_ / "fake.err");
    fake_.pid = std::atoi(ready.c_str() + 6);
  }
  void Control(const std::string& call) {
    // dbus-send only says hello to the bus when it finds it this way.
    const std::string command =
        "DBUS_SESSION_BUS_ADDRESS='" + address_ +
        "' /usr/bin/dbus-send --session --print-reply --dest=org.freedesktop.NetworkManager "
        "/org/chronolin/FakeNm org.chronolin.FakeNm." +
        call + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << call;
  }
  std::string Calls() const { return Slurp(dir_ / "calls.log"); }

  // The one active connection, asserting there is exactly one.
  RASCONNA Only(NmRasProvider& ras) {
    RASCONNA connection;
    std::uint32_t count = 9;
    EXPECT_EQ(ras.RasEnumConnectionsA(connection, count), ERROR_SUCCESS_RAS);
    EXPECT_EQ(count, 1u);
    return connection;
  }
  std::int32_t State(NmRasProvider& ras, HRASCONN handle) {
    RASCONNSTATUSA status;
    const std::uint32_t result = ras.RasGetConnectStatusA(handle, status);
    return result == ERROR_SUCCESS_RAS ? status.rasconnstate : -1;
  }

  static inline std::string skipReason_;
  static inline std::string address_;
  static inline Child bus_;
  fs::path dir_;
  Child fake_;
};

TEST_F(NmRasProviderTest, PhonebookKeepsDialUpAndUserMeteredProfilesInDaemonOrder) {
  ASSERT_NO_FATAL_FAILURE(Start(R"({"profiles": [
    {"id": "Mobile", "type": "gsm"},
    {"id": "Home", "type": "802-11-wireless"},
    {"id": "Hotspot", "type": "802-11-wireless", "metered": 1},
    {"id": "Guessed", "type": "802-3-ethernet", "metered": 3},
    {"id": "Phone", "type": "bluetooth", "bluetooth": "dun"},
    {"id": "Tether", "type": "bluetooth", "bluetooth": "panu"},
    {"odd": "signature"}, {"odd": "id-int", "type": "gsm"}, {"odd": "error"},
    {"id": "DSL", "type": "pppoe"},
    {"id": "Mobile", "type": "cdma"},
    {"id": "", "type": "gsm"},
    {"id": "EVDO", "type": "cdma"}]})"));
  NmRasProvider ras(address_);
  EXPECT_TRUE(ras.Present());
  EXPECT_TRUE(ras.HasDialUpProfiles());
  std::vector<std::string> entries{"stale"};
  ASSERT_EQ(ras.RasEnumEntriesA(entries), ERROR_SUCCESS_RAS);
  EXPECT_THAT(entries, ElementsAre("Mobile", "Hotspot", "Phone", "DSL", "EVDO"));
}

TEST_F(NmRasProviderTest, StatesFollowTheActiveConnectionAndItsDevice) {
  ASSERT_NO_FATAL_FAILURE(Start(R"({"profiles": [{"id": "Mobile", "type": "gsm"}],
            "active": [{"profile": 0, "state": 1, "device_state": 40}]})"));
  NmRasProvider ras(address_);
  const HRASCONN handle = Only(ras).hrasconn;
  ASSERT_GT(handle, 0u);
  const std::vector<std::pair<std::string, std::int32_t>> steps = {
      {"0 0", RASCS_ConnectDevice},
      {"1 50", RASCS_ConnectDevice},
      {"1 60", RASCS_Authenticate},
      {"1 70", RASCS_Authenticate},
      {"1 80", RASCS_Authenticate},
      {"1 100", RASCS_Connected},
      {"2 100", RASCS_Connected},
      {"3 110", -1},
      {"2 100", -1},  // once gone, a handle stays gone
  };
  for (const auto& [states, expected] : steps) {
    const auto space = states.find(' ');
    Control("SetState objpath:" + kActive1 + " uint32:" + states.substr(0, space) +
            " uint32:" + states.substr(space + 1));
    EXPECT_EQ(State(ras, handle), expected) << states;
  }
}

TEST_F(NmRasProviderTest, DialEnumerateAndHangUp) {
  ASSERT_NO_FATAL_FAILURE(Start(
      R"({"profiles": [{"id": "Mobile", "type": "gsm"}, {"id": "Home", "type": "802-3-ethernet"},
                         {"id": "DSL", "type": "pppoe"}, {"id": "Locked", "type": "gsm", "refuse": true}],
            "active": [{"profile": 1, "state": 2}]})"));
  NmRasProvider ras(address_);
  RASCONNA connection;
  std::uint32_t count = 9;
  ASSERT_EQ(ras.RasEnumConnectionsA(connection, count), ERROR_SUCCESS_RAS);
  EXPECT_EQ(count, 0u) << "the LAN is not a dial-up connection";

  EXPECT_EQ(ras.Dial("Nowhere"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  EXPECT_EQ(ras.Dial("Home"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ras.Dial("Locked"), NmRasProvider::kErrorServiceFailed);
  const std::string refused = testing::internal::GetCapturedStderr();
  EXPECT_THAT(refused, HasSubstr("PermissionDenied"));
  EXPECT_EQ(std::count(refused.begin(), refused.end(), '\n'), 1);

  ASSERT_EQ(ras.Dial("Mobile"), ERROR_SUCCESS_RAS);
  EXPECT_EQ(ras.Dial("Mobile"), ERROR_SUCCESS_RAS);  // already up: must not restart it
  const RASCONNA mobile = Only(ras);
  EXPECT_EQ(mobile.szEntryName, "Mobile");
  EXPECT_EQ(mobile.szDeviceType, "modem");
  EXPECT_EQ(mobile.szDeviceName, "ttyUSB0");
  EXPECT_EQ(State(ras, mobile.hrasconn), RASCS_ConnectDevice);
  EXPECT_EQ(Only(ras).hrasconn, mobile.hrasconn);

  ASSERT_EQ(ras.Dial("DSL"), ERROR_SUCCESS_RAS);
  EXPECT_EQ(ras.RasEnumConnectionsA(connection, count), ERROR_BUFFER_TOO_SMALL);
  EXPECT_EQ(count, 2u);

  EXPECT_EQ(ras.RasHangUpA(mobile.hrasconn), ERROR_SUCCESS_RAS);
  EXPECT_NE(State(ras, mobile.hrasconn), RASCS_Connected);
  EXPECT_EQ(ras.RasHangUpA(mobile.hrasconn), ERROR_INVALID_HANDLE);
  EXPECT_EQ(Only(ras).szEntryName, "DSL");
  EXPECT_EQ(Calls(),
            "activate /org/freedesktop/NetworkManager/Settings/4 / /\n"
            "activate /org/freedesktop/NetworkManager/Settings/1 / /\n"
            "activate /org/freedesktop/NetworkManager/Settings/3 / /\n"
            "deactivate /org/freedesktop/NetworkManager/ActiveConnection/2\n");
}

TEST_F(NmRasProviderTest, HandlesAreNeverReusedForALaterConnection) {
  const std::string scenario = R"({"profiles": [{"id": "Mobile", "type": "gsm"}],
                                   "active": [{"profile": 0, "state": 2}]})";
  ASSERT_NO_FATAL_FAILURE(Start(scenario));
  NmRasProvider ras(address_);
  const HRASCONN first = Only(ras).hrasconn;

  // A restarted daemon numbers its objects afresh: same path, different connection.
  Stop(fake_);
  ASSERT_NO_FATAL_FAILURE(Start(scenario));
  EXPECT_EQ(State(ras, first), -1);
  const HRASCONN second = Only(ras).hrasconn;
  EXPECT_NE(second, first);
  EXPECT_EQ(State(ras, second), RASCS_Connected);

  Control("Drop objpath:" + kActive1);  // the line falls
  EXPECT_EQ(State(ras, second), -1);
  ASSERT_EQ(ras.Dial("Mobile"), ERROR_SUCCESS_RAS);
  const HRASCONN third = Only(ras).hrasconn;
  EXPECT_NE(third, first);
  EXPECT_NE(third, second);
}

TEST_F(NmRasProviderTest, OddRepliesAreFailuresNotCrashes) {
  ASSERT_NO_FATAL_FAILURE(
      Start(R"({"profiles": [{"id": "Mobile", "type": "gsm"}, {"id": "Other", "type": "cdma"}],
            "active": [{"profile": 0, "state": 1, "device_state": 70, "odd": "dangling"},
                       {"profile": 1, "odd": "state-string"}]})"));
  NmRasProvider ras(address_);
  const HRASCONN handle = Only(ras).hrasconn;
  EXPECT_EQ(State(ras, handle), RASCS_ConnectDevice);  // device unreadable: not further yet

  Stop(fake_);
  ASSERT_NO_FATAL_FAILURE(
      Start(R"({"odd": "active-string", "profiles": [{"id": "Mobile", "type": "gsm"}]})"));
  RASCONNA connection;
  std::uint32_t count = 9;
  EXPECT_NE(ras.RasEnumConnectionsA(connection, count), ERROR_SUCCESS_RAS);
  EXPECT_EQ(count, 0u);

  Stop(fake_);
  ASSERT_NO_FATAL_FAILURE(Start(R"({"odd": "list-error"})"));
  std::vector<std::string> entries;
  EXPECT_EQ(ras.RasEnumEntriesA(entries), ERROR_CANNOT_OPEN_PHONEBOOK);
  EXPECT_EQ(ras.Dial("Mobile"), ERROR_CANNOT_OPEN_PHONEBOOK);
}

TEST_F(NmRasProviderTest, WithoutTheDaemonEveryCallFailsQuietly) {
  for (const std::string& address : {address_, std::string("unix:path=/nonexistent/bus")}) {
    NmRasProvider ras(address);
    EXPECT_FALSE(ras.Present());
    EXPECT_FALSE(ras.HasDialUpProfiles());
    std::vector<std::string> entries;
    EXPECT_EQ(ras.RasEnumEntriesA(entries), ERROR_CANNOT_OPEN_PHONEBOOK);
    RASCONNA connection;
    std::uint32_t count = 9;
    EXPECT_NE(ras.RasEnumConnectionsA(connection, count), ERROR_SUCCESS_RAS);
    EXPECT_EQ(count, 0u);
    RASCONNSTATUSA status;
    EXPECT_EQ(ras.RasGetConnectStatusA(1, status), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ras.RasHangUpA(1), ERROR_INVALID_HANDLE);
    EXPECT_NE(ras.Dial("Mobile"), ERROR_SUCCESS_RAS);
    testing::internal::CaptureStderr();
    ras.SetOffLine();
    const std::string logged = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 1) << logged;
    EXPECT_EQ(ras.OffLineCount(), 1);
  }
}

}  // namespace
}  // namespace chronolin
