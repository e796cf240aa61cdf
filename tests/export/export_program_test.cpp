// `chronolin --export` run as a user would, its workbook read back by xlrd.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace chronolin {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class ExportProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("chronolin-export-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // The program's exit status; its output goes to `out` and `err`.
  int Export(const std::string& month, const fs::path& file) {
    const std::string command = "CHRONOLIN_HOME='" + dir.string() + "' LC_ALL=C '" +
                                CHRONOLIN_PROGRAM + "' --export " + month + " '" + file.string() +
                                "' >'" + (dir / "out").string() + "' 2>'" + (dir / "err").string() +
                                "'";
    const int status = std::system(command.c_str());
    out = ReadFile(dir / "out");
    err = ReadFile(dir / "err");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void WriteJournal(const std::string& text) { std::ofstream(dir / "Connexions.txt") << text; }

  fs::path dir;
  std::string out;
  std::string err;
};

TEST_F(ExportProgramTest, AMonthOfSeveralEntriesReadByXlrd) {
  if (std::system("/usr/bin/python3 -c 'import xlrd' 2>/dev/null") != 0)
    GTEST_SKIP() << "python3-xlrd is not installed";
  WriteJournal(
      "28/02/2005 - 23:59:00 - Fournisseur - 00:10:00 (Conn.)\r\n"
      "\r\n ------------ Durées mensuelles ------------\r\nFournisseur - 00:10:00\r\n\r\n"
      "01/03/2005 - 08:00:00 - Secours - 00:00:30 (Num.)\r\n"
      "02/03/2005 - 09:00:00 - Wanadoo-Pro - 25:00:00 (Conn.)\r\n"
      "03/03/2005 - 10:00:00 - secours - 00:01:00 (Auth. + 15 s)\r\n"
      "05/03/2005 - 12:00:00 - Secours - -- : -- : -- (Conn.)\r\n"
      "31/03/2005 - 23:59:59 - Secours - 01:02:03 (Conn.) ** Chronolin arrêté en cours de "
      "connexion **\r\n"
      "01/04/2005 - 08:00:00 - Secours - 00:05:00 (Num.)\r\n");
  const fs::path file = dir / "mars05.xls";
  std::ofstream(file) << "an older file, replaced";

  ASSERT_EQ(Export("2005-03", file), 0) << err;
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "");
  const fs::path listing = dir / "listing";
  ASSERT_EQ(std::system(("/usr/bin/python3 '" + std::string(CHRONOLIN_TEST_DATA) +
                         "/../export/read_export.py' '" + file.string() + "' >'" +
                         listing.string() + "' 2>&1")
                            .c_str()),
            0)
      << ReadFile(listing);
  const std::string head = "head Date | Début | Durée | Remarque\n";
  const std::string formats = " | dd/mm/yyyy hh:mm:ss [hh]:mm:ss\n";
  const std::string month = "month Total du mois 26:03:33 [hh]:mm:ss\n";
  EXPECT_EQ(ReadFile(listing),
            "sheet Secours\ntitle Mars 2005\nentry Secours\n" + head +
                "row 01/03/2005 08:00:00 00:00:30 | (Num.)" + formats +
                "row 31/03/2005 23:59:59 01:02:03 | (Conn.) ** Chronolin arrêté en cours de "
                "connexion **" +
                formats + "total Total de la connexion 01:02:33 [hh]:mm:ss\n" + month +
                "rows 8\n"
                "sheet Wanadoo-Pro\ntitle Mars 2005\nentry Wanadoo-Pro\n" +
                head + "row 02/03/2005 09:00:00 25:00:00 | (Conn.)" + formats +
                "total Total de la connexion 25:00:00 [hh]:mm:ss\n" + month +
                "rows 7\n"
                "sheet secours (2)\ntitle Mars 2005\nentry secours\n" +
                head + "row 03/03/2005 10:00:00 00:01:00 | (Auth. + 15 s)" + formats +
                "total Total de la connexion 00:01:00 [hh]:mm:ss\n" + month + "rows 7\n");
}

TEST_F(ExportProgramTest, FailuresSayWhyAndWriteNothing) {
  const fs::path file = dir / "avr05.xls";
  EXPECT_EQ(Export("2005-04", file), 1);
  EXPECT_EQ(err, "[Chrono-lin] Impossible d'ouvrir le fichier " +
                     (dir / "Connexions.txt").string() + " !\n");
  WriteJournal("01/03/2005 - 08:00:00 - Secours - 00:00:30 (Num.)\r\n");
  EXPECT_EQ(Export("2005-04", file), 1);
  EXPECT_EQ(err, "[Chrono-lin] Aucune connexion à exporter en avril 2005 !\n");
  EXPECT_FALSE(fs::exists(file));
  // A file that cannot be written: the message names it, nothing is left behind.
  const fs::path nowhere = dir / "missing" / "mars05.xls";
  EXPECT_EQ(Export("2005-03", nowhere), 1);
  EXPECT_EQ(err.rfind("[Chrono-lin] Échec de l'export vers " + nowhere.string() + " : ", 0), 0u)
      << err;
  EXPECT_FALSE(fs::exists(dir / "missing"));
  EXPECT_EQ(Export("2005-3", file), 2);
  EXPECT_EQ(err, "Usage : chronolin --export AAAA-MM FICHIER\n");
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace chronolin
