#include "export/export_command.h"

#include "export/data_mod.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

namespace chronolin {
namespace {

TEST(ExportCommand, MonthArgument) {
  const auto request = ParseExportArguments("2005-03", "out.xls");
  ASSERT_TRUE(request);
  EXPECT_EQ(request->Year, 2005);
  EXPECT_EQ(request->Month, 3);
  EXPECT_EQ(request->File, "out.xls");
  for (const char* bad : {"2005-13", "2005-00", "2005-3", "05-03", "2005/03", "2005-03x", ""})
    EXPECT_FALSE(ParseExportArguments(bad, "out.xls")) << bad;
  EXPECT_FALSE(ParseExportArguments("2005-03", ""));
}

TEST(ExportCommand, EachFailureHasItsMessage) {
  const auto journal = std::filesystem::path(::testing::TempDir()) / "Connexions-cmd.txt";
  const ExportRequest march{2005, 3, "mars05.xls"};
  int writes = 0;
  const MonthWorkbookWriter count = [&](const MonthData&, const std::filesystem::path&) {
    ++writes;
  };
  std::filesystem::remove(journal);
  EXPECT_EQ(ExportMonth(journal, march, Regional::French(), count),
            "Impossible d'ouvrir le fichier " + journal.string() + " !");
  {
    std::ofstream out(journal);
    out << "01/03/2005 - 10:00:00 - F - -- : -- : -- (Conn.)\r\n"
        << "01/04/2005 - 10:00:00 - F - 00:00:05 (Conn.)\r\n";
  }
  EXPECT_EQ(ExportMonth(journal, march, Regional::French(), count),
            "Aucune connexion à exporter en mars 2005 !");
  EXPECT_EQ(writes, 0);
  EXPECT_EQ(ExportMonth(journal, {2005, 4, "avr05.xls"}, Regional::French(), count), "");
  EXPECT_EQ(writes, 1);
  const MonthWorkbookWriter fail = [](const MonthData&, const std::filesystem::path&) {
    throw std::runtime_error("Can't find the file \"cnx.xls\"");
  };
  EXPECT_EQ(ExportMonth(journal, {2005, 4, "avr05.xls"}, Regional::French(), fail),
            "Échec de l'export vers avr05.xls : Can't find the file \"cnx.xls\"");
  std::filesystem::remove(journal);
}

TEST(WriteMonthWorkbook, AFailedReportKeepsTheOldFile) {
  const auto target = std::filesystem::path(::testing::TempDir()) / "kept.xls";
  std::ofstream(target) << "last month's workbook";
  MonthData data;
  data.Year = 2005;
  data.Month = 3;
  data.Rows.push_back({EncodeDate(2005, 3, 1), 0.5, "F", 0.25, "(Conn.)"});
  data.Totals.push_back({"F", 0.25});
  EXPECT_THROW(WriteMonthWorkbook(data, Regional::French(), target, "no-such-template"),
               std::runtime_error);
  std::ifstream in(target);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "last month's workbook");
  std::filesystem::remove(target);
}

}  // namespace
}  // namespace chronolin
