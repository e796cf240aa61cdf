#include "export/month_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace chronolin {
namespace {

const Regional kFrench = Regional::French();

TDateTime Hms(int h, int m, int s) {
  return (h * 3600.0 + m * 60.0 + s) / 86400.0;
}

TEST(ParseConnexionLine, PartsOfALine) {
  const auto rec = ParseConnexionLine(
      "08/03/2005 - 09:00:12 - Fournisseur - 00:42:00 (Auth.) ** Chronolin arrêté en cours de "
      "connexion **",
      kFrench);
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->Date, EncodeDate(2005, 3, 8));
  EXPECT_DOUBLE_EQ(rec->Heure, Hms(9, 0, 12));
  EXPECT_EQ(rec->Name, "Fournisseur");
  EXPECT_DOUBLE_EQ(rec->Duree, Hms(0, 42, 0));
  EXPECT_EQ(rec->Ajustement, "(Auth.) ** Chronolin arrêté en cours de connexion **");
  // An unknown start event leaves the marker empty after the duration's space.
  const auto bare = ParseConnexionLine("08/03/2005 - 09:00:12 - F - 00:00:01 ", kFrench);
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->Ajustement, "");
}

TEST(ParseConnexionLine, HyphenatedNamesAndLongDurationsAreKept) {
  const auto hyphen =
      ParseConnexionLine("01/03/2005 - 10:00:00 - Wanadoo-Pro - 01:00:00 (Conn.)", kFrench);
  ASSERT_TRUE(hyphen);
  EXPECT_EQ(hyphen->Name, "Wanadoo-Pro");
  const auto spaced = ParseConnexionLine(
      "01/03/2005 - 10:00:00 - Maison - Secours - 00:00:05 (Num. + 15 s)", kFrench);
  ASSERT_TRUE(spaced);
  EXPECT_EQ(spaced->Name, "Maison - Secours");
  EXPECT_EQ(spaced->Ajustement, "(Num. + 15 s)");
  const auto day =
      ParseConnexionLine("01/03/2005 - 10:00:00 - Fournisseur - 99:59:59 (Conn.)", kFrench);
  ASSERT_TRUE(day);
  EXPECT_DOUBLE_EQ(day->Duree, Hms(99, 59, 59));
  // Unknown durations, bad times and other lines stay out.
  for (const char* line : {"01/03/2005 - 10:00:00 - Fournisseur - -- : -- : -- (Conn.)",
                           "01/03/2005 - 24:00:00 - Fournisseur - 00:00:05 (Conn.)",
                           "01/03/2005 - 10:00:00 - Fournisseur - 00:60:05 (Conn.)",
                           "01/03/2005 - 10:00:00 - - 00:00:05 (Conn.)",
                           "01/03/2005 - 10:00:00 - Fournisseur - 00:00:05(Conn.)",
                           "Fournisseur - 12:34:56", "", "32/03/2005 - 10:00:00 - F - 00:00:05 "})
    EXPECT_FALSE(ParseConnexionLine(line, kFrench)) << line;
}

std::vector<std::string> Journal() {
  return {
      "28/02/2005 - 23:59:00 - Fournisseur - 00:10:00 (Conn.)",
      "",
      " ------------ Durées mensuelles ------------",
      "Fournisseur - 12:34:56",
      "",
      "01/03/2005 - 08:00:00 - Secours - 00:00:30 (Num.)",
      "02/03/2005 - 09:00:00 - Fournisseur - 25:00:00 (Conn.)",
      "03/03/2005 - 10:00:00 - secours - 00:01:00 (Conn.)",
      "04/03/2005 - 11:00:00 - Secours - 00:00:30 (Conn.) ** Chronolin arrêté en cours de "
      "connexion **",
      "05/03/2005 - 12:00:00 - Secours - -- : -- : -- (Conn.)",
      "01/03/2006 - 08:00:00 - Secours - 00:00:30 (Num.)",
      "01/12/2003 - 08:00:00 - Ancien - 00:00:30 (Num.)",
  };
}

TEST(CollectMonth, EntriesInFirstOccurrenceOrderWithCaseSensitiveTotals) {
  const MonthData data = CollectMonth(Journal(), 2005, 3, kFrench);
  ASSERT_EQ(data.Rows.size(), 4u);
  EXPECT_EQ(data.Rows[0].Name, "Secours");
  EXPECT_EQ(data.Rows[1].Name, "Fournisseur");
  ASSERT_EQ(data.Totals.size(), 3u);
  EXPECT_EQ(data.Totals[0].Name, "Secours");
  EXPECT_EQ(data.Totals[1].Name, "Fournisseur");
  EXPECT_EQ(data.Totals[2].Name, "secours");
  EXPECT_DOUBLE_EQ(static_cast<double>(data.Totals[0].Duree), Hms(0, 1, 0));
  EXPECT_DOUBLE_EQ(static_cast<double>(data.Totals[1].Duree), Hms(25, 0, 0));
  EXPECT_DOUBLE_EQ(static_cast<double>(data.DureeT), Hms(25, 2, 0));
  EXPECT_TRUE(CollectMonth(Journal(), 2005, 4, kFrench).Rows.empty());
}

TEST(JournalCalendar, YearsMonthsAndStartingMonth) {
  const auto years = JournalYears(Journal(), kFrench);
  EXPECT_EQ(years, (std::vector<int>{2003, 2005, 2006}));
  const auto months2005 = AvailableMonths(Journal(), 2005, kFrench);
  EXPECT_EQ(months2005, (std::array<bool, 12>{false, true, true}));
  EXPECT_EQ(FirstAvailableMonth(months2005), 2);
  EXPECT_EQ(FirstAvailableMonth(AvailableMonths(Journal(), 2004, kFrench)), std::nullopt);

  // Today after every journalled year: December of the last one.
  const CalendarStart late = StartingMonth(years, {2026, 7, 1});
  EXPECT_EQ(late.Year, 2006);
  EXPECT_EQ(late.Month, 12);
  EXPECT_EQ(late.MinYear, 2003);
  EXPECT_EQ(late.MaxYear, 2006);
  const CalendarStart within = StartingMonth(years, {2004, 7, 1});
  EXPECT_EQ(within.Year, 2004);
  EXPECT_EQ(within.Month, 7);
}

TEST(JournalNames, TitleAndProposedFileName) {
  EXPECT_EQ(MonthTitle(2005, 3, kFrench), "Mars 2005");
  EXPECT_EQ(MonthTitle(2010, 8, kFrench), "Août 2010");
  EXPECT_EQ(ProposedFileName(2005, 3, kFrench), "mars05");
  EXPECT_EQ(ProposedFileName(2005, 1, kFrench), "janv05");
  EXPECT_EQ(ProposedFileName(2000, 12, kFrench), "déc00");
}

TEST(ReadJournalLines, LineEndsAndInvalidText) {
  const auto path = std::filesystem::path(::testing::TempDir()) / "Connexions-read.txt";
  {
    std::ofstream out(path, std::ios::binary);
    out << "01/03/2005 - a\r\n"
        << "02/03/2005 - caf\xe9\r\n"  // Latin-1, not UTF-8
        << "03/03/2005 - café\n"
        << "last";
  }
  const auto lines = ReadJournalLines(path);
  ASSERT_TRUE(lines);
  EXPECT_EQ(*lines, (std::vector<std::string>{"01/03/2005 - a", "03/03/2005 - café", "last"}));
  std::filesystem::remove(path);
  EXPECT_FALSE(ReadJournalLines(path));
}

}  // namespace
}  // namespace chronolin
