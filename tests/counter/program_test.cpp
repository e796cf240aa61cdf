// The program without its window (--console), on the simulated line driven by chronolin-ras.
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

TEST_F(ProgramTest, EmptyPhonebookEndsTheProgram) {
  const auto out = dir.path() / "empty.txt";
  EXPECT_EQ(Run({CHRONOLIN_PROGRAM, "--console"}, out), 1);
  EXPECT_NE(ReadFile(out).find("Aucune connexion installée !"), std::string::npos);
}

}  // namespace
}  // namespace chronolin::testing
