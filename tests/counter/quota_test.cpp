// The monthly quota: warnings once per month, the hint, and the hang-up with its notice.
#include "counter/quota.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes.h"

namespace chronolin::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(QuotaThresholds, ReachedOnceEachInOrderAndWideHoursRead) {
  const std::int32_t ten = 10 * 3600;
  EXPECT_THAT(QuotaThresholdsReached(8 * 3600 - 1, ten, 0), IsEmpty());
  EXPECT_THAT(QuotaThresholdsReached(8 * 3600, ten, 0), ElementsAre(80));  // exactly at a tick
  EXPECT_THAT(QuotaThresholdsReached(ten, ten, 0), ElementsAre(80, 100));
  EXPECT_THAT(QuotaThresholdsReached(ten, ten, 80), ElementsAre(100));
  EXPECT_THAT(QuotaThresholdsReached(ten * 2, ten, 100), IsEmpty());
  EXPECT_THAT(QuotaThresholdsReached(5, 0, 0), IsEmpty());
  // 500 hours: times 100 no longer fits 32 bits.
  EXPECT_THAT(QuotaThresholdsReached(400 * 3600, 500 * 3600, 0), ElementsAre(80));
  EXPECT_EQ(QuotaWarningText("Fournisseur", 80, 400 * 3600, 500 * 3600),
            "Quota de Fournisseur : 80 % atteint (400:00:00 sur 500:00:00)");
  EXPECT_EQ(QuotaHint("Fournisseur", 60, 7200), "Fournisseur — reste 01:59:00");
  EXPECT_EQ(QuotaHint("Fournisseur", 9000, 7200), "Fournisseur — reste 00:00:00");
  EXPECT_EQ(QuotaHint("Fournisseur", 60, 0), "Fournisseur");
}

class QuotaTest : public CounterFixture {
 protected:
  void SetUp() override { ras.entries = {"Fournisseur", "Secours"}; }
  void Quota(const char* quota, int action = 0) {
    settings.WriteQuota("Fournisseur", quota);
    settings.WriteQuotaAction("Fournisseur", action);
  }
  // A line up and counted, `seconds` into the connection.
  HRASCONN CountFor(int seconds) {
    const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
    Tick();
    Tick();
    EXPECT_TRUE(counter->Counting());
    for (int i = 0; i < seconds; ++i) Tick();
    return h;
  }
};

TEST_F(QuotaTest, WarningsDuringAConnectionAreGivenOnceAcrossARestart) {
  settings.WriteDuree("Fournisseur", "00:01:00");
  Quota("00:01:40");
  ASSERT_TRUE(Start());
  EXPECT_EQ(view.hint, "Fournisseur — reste 00:00:40");
  const HRASCONN h = CountFor(19);
  EXPECT_THAT(view.quotaWarnings, IsEmpty());
  Tick();  // 80 s of 100: exactly the threshold
  EXPECT_THAT(view.quotaWarnings,
              ElementsAre("Quota de Fournisseur : 80 % atteint (00:01:20 sur 00:01:40)"));
  EXPECT_EQ(settings.ReadQuotaWarned("Fournisseur"), 80);
  EXPECT_EQ(view.hint, "Fournisseur — reste 00:00:20");
  ras.Drop(h);
  Tick();

  // Started again: the 80 % is not said twice; the 100 % comes in its turn.
  view.quotaWarnings.clear();
  ASSERT_TRUE(Start());
  CountFor(30);
  EXPECT_THAT(view.quotaWarnings,
              ElementsAre("Quota de Fournisseur : 100 % atteint (00:01:40 sur 00:01:40)"));
  EXPECT_TRUE(counter->OverQuota());
  EXPECT_THAT(view.notices, IsEmpty());  // warn only: the line stays up
  EXPECT_THAT(ras.hungUp, IsEmpty());
}

TEST_F(QuotaTest, AlreadyPastAtStartWarnsAtTheFirstTickAndTheNewMonthWarnsAgain) {
  settings.WriteDuree("Fournisseur", "09:00:00");
  settings.WriteRazAuto("Fournisseur", false);  // the total stays over the month's end
  settings.WriteLastRun(clock.now);
  Quota("10:00:00");
  ASSERT_TRUE(Start());
  Tick();
  EXPECT_THAT(view.quotaWarnings,
              ElementsAre("Quota de Fournisseur : 80 % atteint (09:00:00 sur 10:00:00)"));
  Tick();
  EXPECT_EQ(view.quotaWarnings.size(), 1u);

  clock.now += 31;  // January 2027
  Tick();
  EXPECT_EQ(settings.Profile().ReadString("Fournisseur", "QuotaAvis", "?"), "80");
  ASSERT_EQ(view.quotaWarnings.size(), 2u);
  EXPECT_EQ(view.quotaWarnings[1], view.quotaWarnings[0]);
  EXPECT_EQ(settings.ReadQuota("Fournisseur"), "10:00:00");  // the quota stays
}

TEST_F(QuotaTest, HangUpAfterTheNoticeIsJournalledWithTheRemark) {
  Quota("00:00:05", 1);
  ASSERT_TRUE(Start());
  const HRASCONN h = CountFor(5);
  EXPECT_EQ(view.quotaWarnings.size(), 2u);
  ASSERT_EQ(view.notices.size(), 1u);
  EXPECT_TRUE(counter->Menu().CancelHangUpVisible);
  for (int i = 0; i < 29; ++i) Tick();
  EXPECT_THAT(ras.hungUp, IsEmpty());
  ras.slowHangUp = true;
  Tick();
  EXPECT_THAT(ras.hungUp, ElementsAre(h));
  EXPECT_FALSE(counter->Menu().CancelHangUpVisible);
  EXPECT_EQ(view.noticesEnded, 1);
  EXPECT_FALSE(counter->Counting());
  const std::string line =
      "07/12/2026 - 12:00:02 - Fournisseur - 00:00:35 (Conn.) ** quota atteint **\r\n";
  EXPECT_EQ(JournalText(), line);
  // The line takes its time to go: not counted again meanwhile.
  for (int i = 0; i < 3; ++i) Tick();
  EXPECT_FALSE(counter->Counting());
  ras.Drop(h);
  ras.slowHangUp = false;

  // The next connection past the quota is announced anew; the user keeps this one.
  const HRASCONN next = CountFor(0);
  ASSERT_EQ(view.notices.size(), 2u);
  counter->CancelHangUp();
  EXPECT_FALSE(counter->Menu().CancelHangUpVisible);
  for (int i = 0; i < 40; ++i) Tick();
  EXPECT_EQ(view.notices.size(), 2u);
  EXPECT_THAT(ras.hungUp, ElementsAre(h));
  ras.Drop(next);
  Tick();
  EXPECT_EQ(JournalText().find("quota", JournalText().find("\n")), std::string::npos);
}

TEST_F(QuotaTest, WithoutTheKeysNothingChanges) {
  settings.WriteDuree("Fournisseur", "99:00:00");
  settings.WriteRazAuto("Fournisseur", true);
  settings.WriteLastRun(clock.now);
  ASSERT_TRUE(Start());
  const HRASCONN h = CountFor(3);
  ras.Drop(h);
  Tick();
  clock.now += 31;
  Tick();
  EXPECT_EQ(counter->Quota(), 0);
  EXPECT_EQ(view.hint, "Fournisseur");
  EXPECT_THAT(view.quotaWarnings, IsEmpty());
  EXPECT_EQ(ReadFile(settings.Path()).find("Quota"), std::string::npos);
}

}  // namespace
}  // namespace chronolin::testing
