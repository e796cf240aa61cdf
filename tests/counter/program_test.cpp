// The program without its window (--console), on the simulated line driven by chronolin-ras.
#include <algorithm>
#include <cstdlib>
#include <regex>

#include "counter/duree.h"
#include "program_fixture.h"

namespace chronolin::testing {
namespace {

using namespace std::chrono_literals;

class ProgramTest : public ProgramFixture {
 protected:
  std::filesystem::path Out() const { return dir.path() / "out.txt"; }
  pid_t StartProgram() { return Spawn({CHRONOLIN_PROGRAM, "--console"}, Out(), true); }
  std::int32_t StoredSeconds() const { return DureeToSeconds(Ini("Fournisseur", "Durée")); }
};

TEST_F(ProgramTest, DroppedLineIsStoredAndJournalled) {
  Ras({"add", "Fournisseur"});
  const pid_t program = StartProgram();
  ASSERT_TRUE(WaitFor([&] { return ReadFile(Out()).find("inactif") != std::string::npos; }, 10s))
      << ReadFile(Out());
  Ras({"dial", "Fournisseur", "--auth-after", "0.2", "--connect-after", "0.4"});
  ASSERT_TRUE(WaitFor([&] { return ReadFile(Out()).find("comptage") != std::string::npos; }, 10s))
      << ReadFile(Out());
  std::this_thread::sleep_for(3s);
  Ras({"drop", "Fournisseur"});

  const std::regex line(
      R"(^\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d - Fournisseur - \d\d:\d\d:\d\d \(Conn\.\)\r\n$)");
  ASSERT_TRUE(WaitFor([&] { return std::regex_match(JournalText(), line); }, 2s))
      << JournalText() << "\n"
      << ReadFile(Out());
  EXPECT_GE(StoredSeconds(), 3);
  EXPECT_EQ(Stop(program, SIGTERM), 0);
  // No window, no window position: one made up here would lose the next window.
  EXPECT_EQ(Ini("WindowPos", "X"), "<none>");
  EXPECT_EQ(Ini("Paramètres", "Cnx"), "Fournisseur");
}

TEST_F(ProgramTest, SecondInstanceIsRefused) {
  Ras({"add", "Fournisseur"});
  const pid_t program = StartProgram();
  ASSERT_TRUE(WaitFor([&] { return ReadFile(Out()).find("inactif") != std::string::npos; }, 10s));
  const auto second = dir.path() / "second.txt";
  EXPECT_EQ(Run({CHRONOLIN_PROGRAM, "--console"}, second), 1);
  EXPECT_NE(ReadFile(second).find("Chrono-lin déjà actif !"), std::string::npos);
  Stop(program, SIGTERM);
}

TEST_F(ProgramTest, SessionEndHangsUpTheCountedConnection) {
  Ras({"add", "Fournisseur"});
  const pid_t program = StartProgram();
  Ras({"dial", "Fournisseur", "--auth-after", "0", "--connect-after", "0"});
  ASSERT_TRUE(WaitFor([&] { return ReadFile(Out()).find("comptage") != std::string::npos; }, 10s))
      << ReadFile(Out());
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(Stop(program, SIGTERM), 0);
  EXPECT_NE(JournalText().find(" - Fournisseur - 00:00:0"), std::string::npos) << JournalText();
  EXPECT_EQ(JournalText().find("arrêté"), std::string::npos);
  const auto status = dir.path() / "status.txt";
  Run({CHRONOLIN_RAS_TOOL, "status"}, status);
  EXPECT_EQ(ReadFile(status), "");
}

// The same on NetworkManager: the project's stand-in daemon on a private bus plays the line.
TEST_F(ProgramTest, NetworkManagerConnectionIsStoredAndJournalled) {
  if (std::system("test -x /usr/bin/dbus-daemon -a -x /usr/bin/dbus-send && "
                  "/usr/bin/python3 -c 'import dbus, gi.repository.GLib' 2>/dev/null") != 0)
    GTEST_SKIP() << "needs dbus-daemon, dbus-send, python3-dbus and python3-gi";
  const std::string data = CHRONOLIN_TEST_DATA "/nm";
  const auto busOut = dir.path() / "bus.txt";
  Spawn({"/usr/bin/dbus-daemon", "--config-file=" + data + "/bus.conf", "--nofork",
         "--print-address=1"},
        busOut, true);
  std::string address;
  ASSERT_TRUE(WaitFor([&] {
    address = ReadFile(busOut);
    return address.find('\n') != std::string::npos;
  }, 10s));
  address.erase(address.find('\n'));
  WriteFile(dir.path() / "scenario.json", R"({"profiles": [{"id": "Fournisseur", "type": "gsm"}]})");
  const auto nmOut = dir.path() / "nm.txt";
  Spawn({"/usr/bin/python3", data + "/fake_nm.py", address, (dir.path() / "scenario.json").string(),
         (dir.path() / "calls.log").string()},
        nmOut, true);
  ASSERT_TRUE(WaitFor([&] { return ReadFile(nmOut).starts_with("ready"); }, 10s)) << ReadFile(nmOut);
  std::replace(env_.begin(), env_.end(), std::string("CHRONOLIN_RAS=sim"),
               std::string("CHRONOLIN_RAS=nm"));
  env_.push_back("DBUS_SYSTEM_BUS_ADDRESS=" + address);
  const auto nm = [&](const std::string& args) {
    const std::string command = "DBUS_SESSION_BUS_ADDRESS='" + address +
                                "' /usr/bin/dbus-send --session --print-reply "
                                "--dest=org.freedesktop.NetworkManager " +
                                args + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << args;
  };

  const pid_t program = StartProgram();
  ASSERT_TRUE(WaitFor([&] { return ReadFile(Out()).find("inactif") != std::string::npos; }, 10s))
      << ReadFile(Out());
  // Dialled from outside the program: the daemon activates the profile, the modem connects.
  nm("/org/freedesktop/NetworkManager org.freedesktop.NetworkManager.ActivateConnection "
     "objpath:/org/freedesktop/NetworkManager/Settings/1 objpath:/ objpath:/");
  const std::string active = "objpath:/org/freedesktop/NetworkManager/ActiveConnection/1";
  nm("/org/chronolin/FakeNm org.chronolin.FakeNm.SetState " + active + " uint32:2 uint32:100");
  ASSERT_TRUE(WaitFor([&] { return ReadFile(Out()).find("comptage") != std::string::npos; }, 10s))
      << ReadFile(Out());
  std::this_thread::sleep_for(3s);
  nm("/org/chronolin/FakeNm org.chronolin.FakeNm.Drop " + active);

  const std::regex line(
      R"(^\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d - Fournisseur - \d\d:\d\d:\d\d \(Conn\.\)\r\n$)");
  ASSERT_TRUE(WaitFor([&] { return std::regex_match(JournalText(), line); }, 3s))
      << JournalText() << "\n"
      << ReadFile(Out());
  EXPECT_GE(StoredSeconds(), 3);
  EXPECT_LT(StoredSeconds(), 10);
  EXPECT_EQ(Stop(program, SIGTERM), 0);
}

TEST_F(ProgramTest, QuotaWarnsThenHangsUpAndJournalsWhy) {
  Ras({"add", "Fournisseur"});
  WriteFile(Home() / "Chronolin.ini", "[Fournisseur]\r\nQuota=00:00:05\r\nQuotaAction=1\r\n");
  const pid_t program = StartProgram();
  ASSERT_TRUE(WaitFor([&] { return ReadFile(Out()).find("inactif") != std::string::npos; }, 10s))
      << ReadFile(Out());
  Ras({"dial", "Fournisseur", "--auth-after", "0", "--connect-after", "0"});
  const auto dialled = std::chrono::steady_clock::now();
  // About 35 s (5 s of quota, the 30 s notice, the start delay); the journalled time below
  // holds the bound on the line itself, this one only catches a hang-up that never comes.
  ASSERT_TRUE(WaitFor([&] { return JournalText().find("quota") != std::string::npos; }, 55s))
      << ReadFile(Out());
  EXPECT_LT(std::chrono::steady_clock::now() - dialled, 55s);
  const std::regex line(
      R"(^\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d - Fournisseur - 00:00:3\d \(Conn\.\) \*\* quota atteint \*\*\r\n$)");
  EXPECT_TRUE(std::regex_match(JournalText(), line)) << JournalText();
  const auto status = dir.path() / "status.txt";
  Run({CHRONOLIN_RAS_TOOL, "status"}, status);
  EXPECT_EQ(ReadFile(status), "");
  // One line each, with the total of the tick that reached it (a busy machine may skip one).
  const std::string out = ReadFile(Out());
  std::smatch eighty, hundred;
  ASSERT_TRUE(std::regex_search(
      out, eighty, std::regex(R"(\nQuota de Fournisseur : 80 % atteint \(00:00:0[4-9] sur 00:00:05\)\n)")))
      << out;
  ASSERT_TRUE(std::regex_search(
      out, hundred, std::regex(R"(\nQuota de Fournisseur : 100 % atteint \(00:00:0[5-9] sur 00:00:05\)\n)")))
      << out;
  EXPECT_LT(eighty.position(), hundred.position());
  EXPECT_EQ(Stop(program, SIGTERM), 0);
  EXPECT_EQ(Ini("Fournisseur", "QuotaAvis"), "100");
}

TEST_F(ProgramTest, EmptyPhonebookEndsTheProgram) {
  const auto out = dir.path() / "empty.txt";
  EXPECT_EQ(Run({CHRONOLIN_PROGRAM, "--console"}, out), 1);
  EXPECT_NE(ReadFile(out).find("Aucune connexion installée !"), std::string::npos);
}

}  // namespace
}  // namespace chronolin::testing
