// The counter's tick against a scripted line, clock and window.
#include "counter/counter.h"

#include <gtest/gtest.h>

#include <memory>

#include "fakes.h"
#include "platform/sim_ras_provider.h"

namespace chronolin::testing {
namespace {

class CounterTest : public CounterFixture {
 protected:
  void SetUp() override { ras.entries = {"Fournisseur", "Secours"}; }
  void StartCounter() { ASSERT_TRUE(Start()); }
};

TEST_F(CounterTest, FirstStartSelectsTheFirstEntryAndSavesTheWindowSettings) {
  StartCounter();
  EXPECT_EQ(counter->Connexion().Name, "Fournisseur");
  EXPECT_EQ(counter->Connexion().StartEvent, kStartConnection);
  EXPECT_EQ(counter->Connexion().StartDelay, 0);
  EXPECT_TRUE(view.visible);
  EXPECT_EQ(view.hint, "Fournisseur");
  EXPECT_EQ(view.pos.X, 1803);
  EXPECT_EQ(view.pos.Y, 1031);
  EXPECT_TRUE(counter->SetOffLineState());
  EXPECT_EQ(settings.ReadCnx(), "Fournisseur");
  EXPECT_EQ(settings.ReadWindowX(0), 1803);
  EXPECT_EQ(settings.ReadLastRun(0), 46363);
  // The selected entry is reached through its own item; the other one stays in the submenu.
  ASSERT_EQ(counter->Menu().Items.size(), 2u);
  EXPECT_FALSE(counter->Menu().Items[0].Visible);
  EXPECT_TRUE(counter->Menu().Items[1].Visible);
  EXPECT_TRUE(counter->Menu().ConnexionsVisible);
}

TEST_F(CounterTest, EmptyPhonebookEndsBeforeTouchingTheSettings) {
  ras.entries.clear();
  settings.WriteDuree("Fournisseur", "05:00:00");
  settings.WriteRazAuto("Fournisseur", true);
  settings.WriteLastRun(46000);
  const std::string before = ReadFile(settings.Path());
  TCounter c({ras, clock, settings, journal, view, &launcher});
  EXPECT_FALSE(c.Start());
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text, "Aucune connexion installée !");
  EXPECT_EQ(view.boxes[0].title, "Erreur !");
  EXPECT_EQ(ReadFile(settings.Path()), before);
}

TEST_F(CounterTest, ConnectionCountedFromConnectedStateIsStoredAndJournalled) {
  settings.WriteDuree("Fournisseur", "01:00:00");
  StartCounter();
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_ConnectDevice);
  Tick();
  EXPECT_FALSE(counter->Counting());
  EXPECT_EQ(counter->Connexion().Handle, h);
  EXPECT_FALSE(counter->Menu().ConnexionsVisible);
  ras.SetState(h, RASCS_Connected);
  Tick();  // start event first seen: the delay of 0 must be exceeded, not just reached
  EXPECT_FALSE(counter->Counting());
  EXPECT_EQ(launcher.launched, 1);
  Tick();
  EXPECT_TRUE(counter->Counting());
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_EQ(counter->Current(), 5);
  EXPECT_EQ(counter->DisplayTotal(), 3605);
  EXPECT_EQ(launcher.launched, 1);  // once per connection

  ras.Drop(h);
  Tick();
  EXPECT_FALSE(counter->Counting());
  EXPECT_EQ(counter->Connexion().Handle, 0u);
  // The tick that finds the line gone still counts the second before it.
  EXPECT_EQ(counter->MonthTotal(), 3606);
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "01:00:06");
  EXPECT_EQ(JournalText(), "07/12/2026 - 12:00:03 - Fournisseur - 00:00:06 (Conn.)\r\n");
  EXPECT_EQ(launcher.closed, 1);
  EXPECT_EQ(ras.offline, 1);
  EXPECT_TRUE(counter->Menu().ConnexionsVisible);
  Tick();
  EXPECT_FALSE(counter->Connexion().AppsLaunched);
}

TEST_F(CounterTest, StartDelayIsWaitedOutAndNotCounted) {
  settings.WriteStartEvent("Fournisseur", kStartNumbering);
  settings.WriteStartDelay("Fournisseur", 3);
  StartCounter();
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_ConnectDevice);
  Tick();  // event seen, StartTick set
  Tick(1000);
  Tick(1000);
  Tick(1000);  // exactly 3000 ms: not yet
  EXPECT_FALSE(counter->Counting());
  Tick(1);
  EXPECT_TRUE(counter->Counting());
  ras.SetState(h, RASCS_Connected);
  Tick(2000);
  EXPECT_EQ(counter->Current(), 2);
  ras.Drop(h);
  Tick(500);
  EXPECT_EQ(JournalText().substr(0, 13), "07/12/2026 - ");
  EXPECT_NE(JournalText().find(" - Fournisseur - 00:00:02 (Num. + 3 s)\r\n"), std::string::npos);
}

TEST_F(CounterTest, TickCountWrapDuringAConnectionLosesNothing) {
  clock.tick = 0xFFFFF000u;
  StartCounter();
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  ASSERT_TRUE(counter->Counting());
  for (int i = 0; i < 10; ++i) Tick();  // passes 2^32 on the way
  EXPECT_LT(clock.tick, 0x10000u);
  EXPECT_EQ(counter->Current(), 10);
  ras.Drop(h);
  Tick();
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:11");
}

TEST_F(CounterTest, DropBeforeConnectedIsWorthNothingButStillClosesAndGoesOffline) {
  settings.WriteStartEvent("Fournisseur", kStartNumbering);
  StartCounter();
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Authenticate);
  Tick();
  Tick();
  ASSERT_TRUE(counter->Counting());
  Tick(30000);
  ras.Drop(h);
  Tick();
  EXPECT_FALSE(counter->Counting());
  EXPECT_EQ(counter->Current(), 0);
  EXPECT_FALSE(settings.HasDuree("Fournisseur"));
  EXPECT_FALSE(JournalExists());
  EXPECT_EQ(launcher.launched, 0);
  EXPECT_EQ(launcher.closed, 1);
  EXPECT_EQ(ras.offline, 1);
}

TEST_F(CounterTest, OfflineSwitchFollowsTheSetting) {
  settings.Profile().WriteBool("Paramètres", "SetOffLineState", false);
  StartCounter();
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  ras.Drop(h);
  Tick();
  EXPECT_EQ(ras.offline, 0);
}

TEST_F(CounterTest, TwoConnectionsLeaveTheCounterIdleAndASecondOneIsIgnoredWhileCounting) {
  StartCounter();
  ras.Connect("Fournisseur", RASCS_Connected);
  ras.Connect("Secours", RASCS_Connected);
  Tick();
  Tick();
  EXPECT_FALSE(counter->Counting());
  EXPECT_EQ(counter->Connexion().Handle, 0u);
  EXPECT_EQ(launcher.launched, 0);

  ras.lines.clear();
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  ASSERT_TRUE(counter->Counting());
  ras.Connect("Secours", RASCS_Connected);
  Tick();
  Tick();
  EXPECT_TRUE(counter->Counting());
  EXPECT_EQ(counter->Connexion().Handle, h);
  EXPECT_EQ(counter->Connexion().Name, "Fournisseur");
  EXPECT_EQ(counter->Current(), 2);
}

TEST_F(CounterTest, ConnectionOfAnotherListedEntrySwitchesTheSelection) {
  settings.WriteDuree("Secours", "00:10:00");
  settings.WriteStartEvent("Secours", kStartAuthentication);
  settings.WriteStartDelay("Secours", 2);
  StartCounter();
  ras.Connect("Secours", RASCS_ConnectDevice);
  Tick();
  EXPECT_EQ(counter->Connexion().Name, "Secours");
  EXPECT_EQ(view.hint, "Secours");
  EXPECT_EQ(counter->Menu().SelectedCaption, "Secours");
  EXPECT_EQ(counter->MonthTotal(), 600);
  EXPECT_EQ(counter->Connexion().StartEvent, kStartAuthentication);
  EXPECT_EQ(counter->Connexion().StartDelay, 2);
  EXPECT_TRUE(counter->Menu().Items[0].Visible);
  EXPECT_FALSE(counter->Menu().Items[1].Visible);
  EXPECT_TRUE(view.boxes.empty());
}

TEST_F(CounterTest, UnlistedConnectionIsReportedWithoutPilingUpBoxes) {
  StartCounter();
  ras.Connect("Inconnue", RASCS_Connected);
  int nested = 0;
  view.duringBox = [&] {
    // The box's own loop delivers more ticks while it is open.
    ++nested;
    Tick();
    Tick();
  };
  Tick();
  EXPECT_EQ(nested, 1);
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].text,
            "La connexion détectée n'est pas recensée !\rQuittez puis relancez Chronolin.");
  EXPECT_EQ(view.boxes[0].title, "Erreur !");
  EXPECT_EQ(view.boxes[0].icon, MsgIcon::Error);
  EXPECT_EQ(counter->Connexion().Handle, 0u);
  view.duringBox = nullptr;
  Tick();  // checked again while the connection is up
  EXPECT_EQ(view.boxes.size(), 2u);
}

TEST_F(CounterTest, TotalsOfAHundredHoursSurviveStorage) {
  settings.WriteDuree("Fournisseur", "99:59:58");
  StartCounter();
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  Tick(5000);
  ras.Drop(h);
  Tick();
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "100:00:04");
  EXPECT_EQ(counter->MonthTotal(), 360004);
  // Read back at the next start instead of falling to zero.
  TCounter again({ras, clock, settings, journal, view, &launcher});
  ASSERT_TRUE(again.Start());
  EXPECT_EQ(again.MonthTotal(), 360004);
}

TEST_F(CounterTest, JournalFailureIsReportedAndTheEndStillCompletes) {
  StartCounter();
  std::filesystem::create_directory(dir.path() / "Connexions.txt");  // cannot be opened as a file
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  Tick(4000);
  ras.Drop(h);
  Tick();
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0], "Impossible d'écrire dans " + (dir.path() / "Connexions.txt").string());
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:05");
  EXPECT_EQ(launcher.closed, 1);
  EXPECT_EQ(ras.offline, 1);
  EXPECT_FALSE(counter->Counting());
}

TEST_F(CounterTest, ApplicationsStartAtConnectedWhateverTheStartEvent) {
  settings.WriteStartEvent("Fournisseur", kStartNumbering);
  settings.WriteStartDelay("Fournisseur", 60);
  StartCounter();
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_ConnectDevice);
  Tick();
  EXPECT_EQ(launcher.launched, 0);
  ras.SetState(h, RASCS_Connected);
  Tick();
  EXPECT_EQ(launcher.launched, 1);  // still waiting out the delay
  EXPECT_FALSE(counter->Counting());
  Tick();
  EXPECT_EQ(launcher.launched, 1);
}

TEST_F(CounterTest, UnknownStartEventNeverCounts) {
  settings.WriteStartEvent("Fournisseur", 258);  // must not wrap to 2
  StartCounter();
  ras.Connect("Fournisseur", RASCS_Connected);
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_FALSE(counter->Counting());
}

TEST_F(CounterTest, QuittingDuringAConnection) {
  StartCounter();
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  Tick(7000);
  view.answer = MsgResult::No;
  EXPECT_FALSE(counter->FormClose());
  EXPECT_TRUE(counter->Counting());
  EXPECT_FALSE(JournalExists());
  EXPECT_EQ(view.boxes.back().text, "Connexion en cours !\rQuitter ?");
  EXPECT_EQ(view.boxes.back().title, "Confirmation");

  view.answer = MsgResult::Yes;
  clock.Advance(1000);
  EXPECT_TRUE(counter->FormClose());
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:08");
  EXPECT_EQ(JournalText(),
            "07/12/2026 - 12:00:02 - Fournisseur - 00:00:08 (Conn.) ** Chronolin arrêté en cours "
            "de connexion **\r\n");
  EXPECT_TRUE(ras.hungUp.empty());  // the line stays up
  EXPECT_EQ(launcher.closed, 0);
  EXPECT_EQ(ras.offline, 0);
  (void)h;
}

TEST_F(CounterTest, QuittingWithinTheFirstSecondWritesNothing) {
  StartCounter();
  ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  clock.Advance(999);
  EXPECT_TRUE(counter->FormClose());
  EXPECT_FALSE(JournalExists());
  EXPECT_FALSE(settings.HasDuree("Fournisseur"));
}

TEST_F(CounterTest, SessionEndHangsUpAndClosesTheConnection) {
  StartCounter();
  ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  clock.Advance(3000);
  counter->SessionEnd();
  EXPECT_EQ(ras.hungUp.size(), 1u);
  EXPECT_FALSE(counter->Counting());
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:03");
  EXPECT_EQ(JournalText(), "07/12/2026 - 12:00:02 - Fournisseur - 00:00:03 (Conn.)\r\n");
  EXPECT_EQ(launcher.closed, 1);
}

TEST_F(CounterTest, ResettingTheCurrentDurationDropsTheTimeCountedSoFar) {
  settings.WriteDuree("Fournisseur", "00:01:00");
  StartCounter();
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  Tick(10000);
  EXPECT_EQ(counter->DisplayTotal(), 70);
  counter->RaZDCClick();
  EXPECT_EQ(view.boxes.back().text, "Mettre à zéro la durée courante ?");
  Tick(2000);
  EXPECT_EQ(counter->Current(), 2);
  EXPECT_EQ(counter->DisplayTotal(), 62);
  ras.Drop(h);
  Tick();
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:01:03");
}

TEST_F(CounterTest, MenuCommandsDialAndHangUp) {
  StartCounter();
  counter->SelectedCnxClick();
  EXPECT_EQ(ras.dialled, std::vector<std::string>{"Fournisseur"});
  counter->CnxClick("Secours");
  EXPECT_EQ(ras.dialled.back(), "Secours");
  EXPECT_EQ(settings.ReadCnx(), "Secours");
  const HRASCONN h = ras.Connect("Secours", RASCS_Connected);
  Tick();
  Tick();
  counter->SelectedCnxClick();
  EXPECT_EQ(ras.hungUp, std::vector<HRASCONN>{h});
}

TEST_F(CounterTest, ARefusedDialIsReportedWithTheProvidersReason) {
  // The simulated line: the selected entry leaves its phonebook after the start.
  SimRasProvider sim(dir.path() / "ras");
  sim.AddEntry("Fournisseur");
  sim.AddEntry("Secours");
  TCounter c({sim, clock, settings, journal, view, &launcher});
  ASSERT_TRUE(c.Start());
  sim.RemoveEntry("Fournisseur");
  c.SelectedCnxClick();
  ASSERT_EQ(view.boxes.size(), 1u);
  EXPECT_EQ(view.boxes[0].title, "Erreur");
  EXPECT_EQ(view.boxes[0].icon, MsgIcon::Error);
  EXPECT_EQ(view.boxes[0].text,
            "Impossible de numéroter « Fournisseur » :\rCette connexion ne figure plus dans "
            "l'annuaire. (erreur 623)");
  // A dial that starts says nothing.
  c.CnxClick("Secours");
  EXPECT_EQ(view.boxes.size(), 1u);
}

TEST_F(CounterTest, VisibilityWhileCounting) {
  settings.WriteVisible(kVisibleWhileCounting);
  StartCounter();
  EXPECT_FALSE(view.visible);
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  EXPECT_FALSE(view.visible);
  Tick();
  EXPECT_TRUE(view.visible);
  ras.Drop(h);
  Tick();
  EXPECT_FALSE(view.visible);
}

TEST_F(CounterTest, QuitAnsweredAfterTheLineDroppedUnderTheBoxBooksNothingMore) {
  clock.tick = 86400000;  // a day since boot
  StartCounter();
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  Tick(5000);
  view.duringBox = [&] {  // the box's own loop runs the tick that sees the line fall
    ras.Drop(h);
    Tick();
  };
  EXPECT_TRUE(counter->FormClose());
  EXPECT_EQ(JournalText(), "07/12/2026 - 12:00:02 - Fournisseur - 00:00:06 (Conn.)\r\n");
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:06");

  // "Remise à zéro" answered once a connection began under the box: that one is not touched.
  view.duringBox = [&] {
    ras.Connect("Fournisseur", RASCS_Connected);
    Tick();
    Tick();
    Tick(3000);
  };
  counter->RaZDCClick();
  view.duringBox = nullptr;
  Tick();
  EXPECT_EQ(counter->Current(), 4);
}

TEST_F(CounterTest, NoOtherEntryIsChosenWhileCounting) {
  StartCounter();
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  Tick(4000);
  counter->CnxClick("Secours");  // from a submenu opened before counting began
  EXPECT_EQ(counter->Connexion().Name, "Fournisseur");
  EXPECT_TRUE(ras.hungUp.empty());
  EXPECT_TRUE(ras.dialled.empty());
  ras.Drop(h);
  Tick();
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:05");
  EXPECT_FALSE(settings.HasDuree("Secours"));
}

TEST_F(CounterTest, EntryNamesTheSettingsFileMustHold) {
  ras.entries = {"Orange [3G]", "Ligne\nbrisée"};
  StartCounter();
  HRASCONN h = ras.Connect("Orange [3G]", RASCS_Connected);
  Tick();
  Tick();
  Tick(4000);
  ras.Drop(h);
  Tick();
  TCounter again({ras, clock, settings, journal, view, &launcher});
  ASSERT_TRUE(again.Start());
  EXPECT_EQ(again.Connexion().Name, "Orange [3G]");
  EXPECT_EQ(again.MonthTotal(), 5);

  // A name no section can hold: said once, and the count goes on in memory.
  for (int i = 0; i < 2; ++i) {
    h = ras.Connect("Ligne\nbrisée", RASCS_Connected);
    Tick();
    Tick();
    Tick(2000);
    ras.Drop(h);
    Tick();
  }
  EXPECT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(counter->MonthTotal(), 6);
  EXPECT_EQ(settings.ReadDuree("Orange [3G]"), "00:00:05");
}

TEST_F(CounterTest, StateAboveConnectedEndsTheCountWithItsTime) {
  StartCounter();
  const HRASCONN h = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  Tick(3000);
  ras.SetState(h, RASCS_Disconnected);
  Tick();
  EXPECT_FALSE(counter->Counting());
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:04");
}

TEST_F(CounterTest, AWaitingConnectionThatVanishesLeavesTheNextOneItsOwnDelayAndApplications) {
  settings.WriteStartDelay("Fournisseur", 5);
  StartCounter();
  const HRASCONN first = ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  EXPECT_EQ(launcher.launched, 1);
  ras.Drop(first);
  Tick(10000);
  EXPECT_FALSE(counter->Counting());
  EXPECT_FALSE(JournalExists());
  EXPECT_EQ(launcher.closed, 0);

  ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  EXPECT_FALSE(counter->Counting());  // the delay is waited out again
  EXPECT_EQ(launcher.launched, 2);
  // The session ends while waiting: nothing to hang up or journal, the settings saved.
  view.pos = {7, 8};
  counter->SessionEnd();
  EXPECT_TRUE(ras.hungUp.empty());
  EXPECT_FALSE(JournalExists());
  EXPECT_EQ(settings.ReadWindowX(0), 7);
}

TEST_F(CounterTest, NeverVisibleStaysHiddenWhileCounting) {
  settings.WriteVisible(kVisibleNever);
  StartCounter();
  EXPECT_FALSE(view.visible);
  ras.Connect("Fournisseur", RASCS_Connected);
  Tick();
  Tick();
  ASSERT_TRUE(counter->Counting());
  EXPECT_FALSE(view.visible);
}

}  // namespace
}  // namespace chronolin::testing
