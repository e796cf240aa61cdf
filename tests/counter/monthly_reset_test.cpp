// The monthly reset at start-up: which totals go, what the journal keeps of them.
#include <gtest/gtest.h>

#include <memory>

#include "counter/counter.h"
#include "fakes.h"

namespace chronolin::testing {
namespace {

class MonthlyResetTest : public CounterFixture {
 protected:
  void SetUp() override {
    ras.entries = {"Fournisseur", "Secours", "Sans clé", "Zéro"};
    clock.now = 46054.25;  // 01/02/2026 06:00
    Write("[Paramètres]\r\nLastRun=15/01/2026\r\nCnx=Fournisseur\r\nVisible=0\r\n"
          "[WindowPos]\r\nX=10\r\nY=20\r\n"
          "[Appli]\r\n1=/usr/bin/true\r\n"
          "[Fournisseur]\r\nRàZAuto=1\r\nDurée=12:34:56\r\n"
          "[Secours]\r\nRàZAuto=1\r\nDurée=00:05:10\r\n"
          "[Sans clé]\r\nDurée=03:00:00\r\n"
          "[Zéro]\r\nRàZAuto=1\r\nDurée=00:00:00\r\n"
          "[Ancienne]\r\nRàZAuto=0\r\nDurée=01:00:00\r\n");
  }
  void Write(const std::string& text) { WriteFile(dir.path() / "Chronolin.ini", text); }
  void SetLastRun(const std::string& date) {
    settings.Profile().WriteString("Paramètres", "LastRun", date);
  }
};

TEST_F(MonthlyResetTest, NewMonthResetsMarkedTotalsBeforeTheSelectedOneIsLoaded) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(counter->MonthTotal(), 0);  // the reset total, not 12:34:56
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:00");
  EXPECT_EQ(settings.ReadDuree("Secours"), "00:00:00");
  // No "RàZAuto" key: left alone by the reset.
  EXPECT_EQ(settings.ReadDuree("Sans clé"), "03:00:00");
  // An entry that left the phonebook loses its section, whatever its "RàZAuto".
  EXPECT_FALSE(settings.HasDuree("Ancienne"));
  const auto sections = settings.Sections();
  EXPECT_EQ(std::count(sections.begin(), sections.end(), "Ancienne"), 0);
  // Sections without a total are never touched.
  EXPECT_EQ(settings.ReadApplis().size(), 1u);
  EXPECT_EQ(settings.ReadWindowX(0), 10);
  EXPECT_EQ(JournalText(),
            "\r\n ------------ Durées mensuelles ------------\r\n"
            "Fournisseur - 12:34:56\r\nSecours - 00:05:10\r\n\r\n");
  EXPECT_EQ(settings.ReadLastRun(0), 46054);
}

TEST_F(MonthlyResetTest, MonthAndYearRules) {
  struct Case {
    const char* lastRun;
    TDateTime today;
    bool resets;
  };
  const Case cases[] = {
      {"15/01/2026", 46054.25, true},   // February after January
      {"31/12/2025", 46023.5, true},    // January after December
      {"01/02/2026", 46081.9, false},   // same month, later day
      {"01/02/2025", 46054.25, true},   // same month a year later
      {"15/03/2027", 46054.25, false},  // a clock once set in the future is no new month
      {"2026-01-15", 46054.25, false},  // another date format reads as today
  };
  for (const auto& c : cases) {
    SetUp();
    SetLastRun(c.lastRun);
    clock.now = c.today;
    std::filesystem::remove(dir.path() / "Connexions.txt");
    ASSERT_TRUE(Start());
    EXPECT_EQ(settings.ReadDuree("Fournisseur") == "00:00:00", c.resets) << c.lastRun;
  }
}

TEST_F(MonthlyResetTest, JournalFailureKeepsTheTotalsAndTheResetIsTriedAgain) {
  std::filesystem::create_directory(dir.path() / "Connexions.txt");
  ASSERT_TRUE(Start());  // start-up goes on
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "12:34:56");
  EXPECT_EQ(counter->MonthTotal(), 45296);
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(settings.ReadLastRun(0), 46037);  // 15/01/2026: still due
  Tick();
  EXPECT_EQ(view.errors.size(), 1u);

  std::filesystem::remove(dir.path() / "Connexions.txt");
  Tick();
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:00");
  EXPECT_EQ(counter->MonthTotal(), 0);
  EXPECT_EQ(settings.ReadLastRun(0), 46054);
}

TEST_F(MonthlyResetTest, SectionsSpelledAnotherWayAreStillTheEntries) {
  ras.entries = {" Fournisseur", "Secours"};
  Write("[Paramètres]\r\nLastRun=15/01/2026\r\n"
        "[FOURNISSEUR]\r\nRàZAuto=1\r\nDurée=01:00:00\r\nStartEvent=0\r\n"
        "[secours ]\r\nDurée=02:00:00\r\n");
  ASSERT_TRUE(Start());
  EXPECT_EQ(settings.ReadDuree("Fournisseur"), "00:00:00");
  EXPECT_EQ(settings.ReadStartEvent("Fournisseur"), 0);
  EXPECT_EQ(settings.ReadDuree("Secours"), "02:00:00");
}

TEST_F(MonthlyResetTest, NothingToResetWritesNoBlock) {
  Write("[Paramètres]\r\nLastRun=15/01/2026\r\n[Fournisseur]\r\nRàZAuto=1\r\nDurée=00:00:00\r\n");
  ASSERT_TRUE(Start());
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "Connexions.txt"));
}

TEST_F(MonthlyResetTest, StoredSelectionThatLeftThePhonebookFallsBackToTheFirstEntry) {
  ras.entries = {"Secours", "Fournisseur"};
  SetLastRun("01/02/2026");
  settings.WriteCnx("Disparue");
  ASSERT_TRUE(Start());
  EXPECT_EQ(counter->Connexion().Name, "Secours");
  EXPECT_EQ(settings.ReadCnx(), "Secours");
  EXPECT_EQ(counter->MonthTotal(), 310);
}

}  // namespace
}  // namespace chronolin::testing
