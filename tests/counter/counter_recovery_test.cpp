// What the counter does when the month, the machine or the files change under it: a month
// ending while it runs, a crash during a count, a settings file that refuses writes, a
// remote-access service that is late.
#include <gtest/gtest.h>

#include <algorithm>

#include "counter/counter.h"
#include "fakes.h"

namespace chronolin::testing {
namespace {

constexpr TDateTime kJan31 = 46053;  // 31/01/2026
constexpr TDateTime kFeb01 = 46054;

class RecoveryTest : public CounterFixture {
 protected:
  void SetUp() override {
    ras.entries = {"Fournisseur", "Secours"};
    settings.WriteRazAuto("Fournisseur", true);
    settings.WriteDuree("Fournisseur", "01:00:00");
  }
  std::filesystem::path Ini() const { return dir.path() / "Chronolin.ini"; }
  static constexpr const char* kBlock = "\r\n ------------ Durées mensuelles ------------\r\n";
};

TEST_F(RecoveryTest, MonthEndingWhileIdleResetsAtTheFirstTickOfTheNewMonth) {
  clock.now = kFeb01 - 10.5 / 86400;  // 31/01 23:59:49.5
  ASSERT_TRUE(Start());
  for (int i = 0; i < 10; ++i) Tick();
  EXPECT_EQ(counter->MonthTotal(), 3600);
  EXPECT_FALSE(JournalExists());
  Tick();
  EXPECT_EQ(counter->MonthTotal(), 0);
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:00");
  EXPECT_EQ(JournalText(), std::string(kBlock) + "Fournisseur - 01:00:00\r\n\r\n");
  EXPECT_EQ(settings.ReadLastRun(0), kFeb01);
}

TEST_F(RecoveryTest, ConnectionCountedAcrossTheMonthEndGoesToTheOldMonthThenTheResetFollows) {
  clock.now = kFeb01 - 10.5 / 86400;
  ASSERT_TRUE(Start());
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();  // counting from 23:59:51
  for (int i = 0; i < 20; ++i) Tick();
  counter->SaveSettings();  // a window move in the new month keeps the old month's last run
  EXPECT_EQ(settings.ReadLastRun(0), kJan31);
  EXPECT_FALSE(JournalExists());
  ras.Drop(h);
  Tick();
  EXPECT_EQ(JournalText(), "31/01/2026 - 23:59:51 - Fournisseur - 00:00:21 (Conn.)\r\n" +
                               std::string(kBlock) + "Fournisseur - 01:00:21\r\n\r\n");
  EXPECT_EQ(counter->MonthTotal(), 0);
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:00");
  EXPECT_FALSE(settings.ReadCheckpoint());
}

TEST_F(RecoveryTest, ACountLeftByACrashIsBookedAtTheNextStartBeforeTheMonthlyReset) {
  ASSERT_TRUE(Start());
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();  // counting from 12:00:02
  for (int i = 0; i < 70; ++i) Tick();
  ASSERT_TRUE(settings.ReadCheckpoint());
  EXPECT_EQ(settings.ReadCheckpoint()->Seconds, 60);  // every minute
  counter->SaveSettings();                            // and at every save
  EXPECT_EQ(settings.ReadCheckpoint()->Seconds, 70);
  for (int i = 0; i < 10; ++i) Tick();
  counter.reset();  // kill -9: nothing of the end runs
  ras.Drop(h);

  clock.now = 46388.5;  // 01/01/2027: the next start is in a new month
  ASSERT_TRUE(Start());
  EXPECT_EQ(JournalText(),
            "07/12/2026 - 12:00:02 - Fournisseur - 00:01:10 (Conn.) ** Chronolin interrompu **\r\n" +
                std::string(kBlock) + "Fournisseur - 01:01:10\r\n\r\n");
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:00");
  EXPECT_FALSE(settings.ReadCheckpoint());
  counter.reset();
  ASSERT_TRUE(Start());  // booked once
  const std::string journalText = JournalText();
  EXPECT_EQ(std::count(journalText.begin(), journalText.end(), '*'), 4);
}

TEST_F(RecoveryTest, ASettingsFileThatRefusesWritesStopsNothingAndIsWrittenOnceItAccepts) {
  std::filesystem::remove(Ini());
  std::filesystem::create_directory(Ini());  // cannot be replaced by a file
  ASSERT_TRUE(Start());
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0], "Impossible d'écrire dans " + Ini().string());
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  Tick(4000);
  ras.Drop(h);
  Tick();
  EXPECT_EQ(counter->MonthTotal(), 5);
  EXPECT_EQ(view.errors.size(), 1u);
  EXPECT_NE(JournalText().find(" - Fournisseur - 00:00:05 (Conn.)"), std::string::npos);

  std::filesystem::remove(Ini());
  Tick();
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:05");
  EXPECT_EQ(settings.ReadCnx(), "Fournisseur");
  EXPECT_FALSE(settings.ReadCheckpoint());
}

TEST_F(RecoveryTest, AServiceNotUpYetIsWaitedForBeforeTheResetAndTheChoiceOfEntry) {
  settings.WriteDuree("Secours", "00:10:00");
  settings.WriteCnx("Secours");
  settings.WriteLastRun(46340);  // November
  ras.entriesResult = ERROR_RASMAN_CANNOT_INITIALIZE;
  ras.enumResult = ERROR_RASMAN_CANNOT_INITIALIZE;
  ASSERT_TRUE(Start());
  EXPECT_TRUE(view.boxes.empty());
  Tick();
  view.pos = {3, 4};
  counter->SaveSettings();
  EXPECT_TRUE(counter->WaitingForRas());
  EXPECT_EQ(counter->Connexion().Name, "Secours");
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "01:00:00");
  EXPECT_EQ(settings.ReadLastRun(0), 46340);  // the reset is still due

  ras.entriesResult = 0;
  ras.enumResult = 0;
  Tick();
  EXPECT_FALSE(counter->WaitingForRas());
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:00");
  EXPECT_EQ(settings.ReadDuree("Secours"), "00:10:00");
  EXPECT_EQ(counter->MonthTotal(), 600);
  EXPECT_EQ(settings.ReadLastRun(0), 46363);
}

}  // namespace
}  // namespace chronolin::testing
