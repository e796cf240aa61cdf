#include "counter/journal.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace chronolin::testing {
namespace {

class JournalTest : public ::testing::Test {
 protected:
  TConnexion Sample() const {
    TConnexion c;
    c.Name = "Fournisseur";
    c.StartDate = 46363;                 // 07/12/2026
    c.StartTime = (14 * 3600 + 3 * 60 + 27) / 86400.0;
    c.Duree = "00:15:42";
    c.StartEvent = kStartConnection;
    return c;
  }
  std::filesystem::path Path() const { return dir.path() / "Connexions.txt"; }

  TempDir dir;
  Regional regional = Regional::French();
  Journal journal{Path(), regional};
};

TEST_F(JournalTest, MarkersFollowStartEventAndDelay) {
  EXPECT_EQ(StartMarker(0, 15), "(Num. + 15 s)");
  EXPECT_EQ(StartMarker(1, 0), "(Auth.)");
  EXPECT_EQ(StartMarker(2, 0), "(Conn.)");
  EXPECT_EQ(StartMarker(3, 5), "");
}

TEST_F(JournalTest, LinesAreAppendedWithCrLfAndKeepTheNameUnchanged) {
  TConnexion c = Sample();
  journal.WriteJournalEntry(c, false);
  c.Name = "Secours - bis";
  c.StartEvent = kStartNumbering;
  c.StartDelay = 15;
  c.Duree = "-- : -- : --";
  journal.WriteJournalEntry(c, false);
  c = Sample();
  c.StartEvent = kStartAuthentication;
  journal.WriteJournalEntry(c, true);
  EXPECT_EQ(ReadFile(Path()),
            "07/12/2026 - 14:03:27 - Fournisseur - 00:15:42 (Conn.)\r\n"
            "07/12/2026 - 14:03:27 - Secours - bis - -- : -- : -- (Num. + 15 s)\r\n"
            "07/12/2026 - 14:03:27 - Fournisseur - 00:15:42 (Auth.) ** Chronolin arrêté en cours "
            "de connexion **\r\n");
}

TEST_F(JournalTest, MonthlyBlockAndClearing) {
  journal.WriteJournalEntry(Sample(), false);
  journal.AppendMonthlyTotals({"Fournisseur - 12:34:56", "Secours - 00:05:10"});
  EXPECT_EQ(ReadFile(Path()),
            "07/12/2026 - 14:03:27 - Fournisseur - 00:15:42 (Conn.)\r\n"
            "\r\n ------------ Durées mensuelles ------------\r\n"
            "Fournisseur - 12:34:56\r\nSecours - 00:05:10\r\n\r\n");
  journal.Clear();
  EXPECT_TRUE(std::filesystem::exists(Path()));
  EXPECT_EQ(std::filesystem::file_size(Path()), 0u);
}

TEST_F(JournalTest, ALineCutShortIsEndedBeforeTheNextOne) {
  WriteFile(Path(), "07/12/2026 - 14:03:27 - Fourn");
  journal.WriteJournalEntry(Sample(), false);
  EXPECT_EQ(ReadFile(Path()),
            "07/12/2026 - 14:03:27 - Fourn\r\n"
            "07/12/2026 - 14:03:27 - Fournisseur - 00:15:42 (Conn.)\r\n");
  WriteFile(Path(), "07/12/2026\r");
  journal.AppendMonthlyTotals({"Fournisseur - 00:00:01"});
  EXPECT_EQ(ReadFile(Path()).substr(0, 15), "07/12/2026\r\n\r\n ");
}

TEST_F(JournalTest, RefusedWriteRaisesWithThePath) {
  const auto missing = dir.path() / "absent" / "Connexions.txt";
  Journal nowhere(missing, regional);
  try {
    nowhere.WriteJournalEntry(Sample(), false);
    FAIL() << "no error";
  } catch (const JournalError& e) {
    EXPECT_EQ(std::string(e.what()), "Impossible d'écrire dans " + missing.string());
  }
  EXPECT_THROW(nowhere.Clear(), JournalError);
}

}  // namespace
}  // namespace chronolin::testing
