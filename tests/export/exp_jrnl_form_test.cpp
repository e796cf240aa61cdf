#include "export/exp_jrnl_form.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace chronolin {
namespace {

namespace fs = std::filesystem;

class ExpJrnlFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // ctest runs each case in a process of its own, side by side.
    journal =
        fs::path(::testing::TempDir()) / ("Connexions-form-" + std::to_string(::getpid()) + ".txt");
    Write({
        "15/12/2003 - 10:00:00 - Ancien - 00:05:00 (Conn.)",
        "01/02/2005 - 10:00:00 - Fournisseur - 00:10:00 (Conn.)",
        "01/03/2005 - 08:00:00 - Secours - 00:00:30 (Num.)",
        "02/03/2005 - 09:00:00 - Fournisseur - 01:00:00 (Conn.)",
        "",
        " ------------ Durées mensuelles ------------",
        "Fournisseur - 01:10:00",
    });
  }
  void TearDown() override { fs::remove(journal); }

  void Write(const std::vector<std::string>& lines) {
    std::ofstream out(journal, std::ios::binary);
    for (const auto& line : lines) out << line << "\r\n";
  }

  ExpJrnlContext Context() {
    ExpJrnlContext c{journal, Regional::French(), {2026, 7, 9}, {}, {}, {}, {}};
    c.writeWorkbook = [this](const MonthData& data, const fs::path& target) {
      written.push_back(data);
      targets.push_back(target);
    };
    c.saveDialog = [this](QWidget*, const QString& proposed) -> std::optional<fs::path> {
      proposals.push_back(proposed);
      return answer;
    };
    c.errorBox = [this](const std::string& text) { boxes.push_back(text); };
    c.showError = [this](const std::string& text) { errors.push_back(text); };
    return c;
  }

  fs::path journal;
  std::vector<MonthData> written;
  std::vector<fs::path> targets;
  std::vector<QString> proposals;
  std::optional<fs::path> answer;
  std::vector<std::string> boxes;
  std::vector<std::string> errors;
};

TEST_F(ExpJrnlFormTest, MissingOrEmptyJournalIsNotShown) {
  fs::remove(journal);
  {
    TExpJrnlForm form(nullptr, Context());
    EXPECT_FALSE(form.JournalReady());
  }
  Write({"", " ------------ Durées mensuelles ------------", "Fournisseur - 01:10:00", ""});
  {
    TExpJrnlForm form(nullptr, Context());
    EXPECT_FALSE(form.JournalReady());
  }
  EXPECT_EQ(boxes, (std::vector<std::string>{"Impossible d'ouvrir le fichier Connexions.txt !",
                                             "Aucune connexion n'est enregistrée !"}));
}

TEST_F(ExpJrnlFormTest, OpensOnTheLastJournalledYearAndItsMonths) {
  TExpJrnlForm form(nullptr, Context());
  ASSERT_TRUE(form.JournalReady());
  EXPECT_EQ(form.windowTitle(), QStringLiteral(" Exporter ..."));
  EXPECT_EQ(form.size(), QSize(180, 154));
  EXPECT_TRUE(form.windowFlags().testFlag(Qt::Tool));
  TMonthPicker& picker = form.MonthPicker();
  // Today (2026) lies after every journalled year: December 2005 has nothing, so its first month.
  EXPECT_EQ(picker.Year(), 2005);
  EXPECT_EQ(picker.Month(), 2);
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(picker.MonthEnabled(m), m == 2 || m == 3) << m;
  EXPECT_TRUE(picker.PrevYearButton().isEnabled());
  EXPECT_FALSE(picker.NextYearButton().isEnabled());

  // A year without connections: every month grey, nothing to export.
  QTest::mouseClick(&picker.PrevYearButton(), Qt::LeftButton);
  EXPECT_EQ(picker.Year(), 2004);
  for (int m = 1; m <= 12; ++m) EXPECT_FALSE(picker.MonthEnabled(m)) << m;
  EXPECT_FALSE(form.OKButton().isEnabled());
  // The next year back: the month shown has no connection, December replaces it.
  QTest::mouseClick(&picker.PrevYearButton(), Qt::LeftButton);
  EXPECT_EQ(picker.Year(), 2003);
  EXPECT_EQ(picker.Month(), 12);
  EXPECT_TRUE(form.OKButton().isEnabled());
  EXPECT_FALSE(picker.PrevYearButton().isEnabled());

  // The journal gone: the year still changes, the error is shown once.
  fs::remove(journal);
  QTest::mouseClick(&picker.NextYearButton(), Qt::LeftButton);
  EXPECT_EQ(picker.Year(), 2004);
  EXPECT_EQ(errors.size(), 1u);
}

TEST_F(ExpJrnlFormTest, CancelledSaveKeepsTheDialogOpenThenExports) {
  TExpJrnlForm form(nullptr, Context());
  form.show();
  form.MonthPicker().SetMonth(3);
  if (const char* dir = std::getenv("CHRONOLIN_SCREENSHOTS"))
    form.grab().save(QString::fromUtf8(dir) + QStringLiteral("/export-dialog.png"));
  QTest::mouseClick(&form.OKButton(), Qt::LeftButton);
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.MonthPicker().Month(), 3);
  EXPECT_TRUE(written.empty());
  ASSERT_EQ(proposals.size(), 1u);
  EXPECT_EQ(proposals[0], QStringLiteral("mars05"));

  answer = fs::path("/tmp/mars05.xls");
  QTest::mouseClick(&form.OKButton(), Qt::LeftButton);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Accepted);
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(targets[0], fs::path("/tmp/mars05.xls"));
  ASSERT_EQ(written[0].Totals.size(), 2u);
  EXPECT_EQ(written[0].Totals[0].Name, "Secours");
  EXPECT_EQ(written[0].Totals[1].Name, "Fournisseur");
}

TEST_F(ExpJrnlFormTest, AFailedReportIsShownAndClosesTheDialog) {
  ExpJrnlContext context = Context();
  context.writeWorkbook = [](const MonthData&, const fs::path&) {
    throw std::runtime_error("Can't find the file \"cnx.xls\"");
  };
  answer = fs::path("/tmp/fevr05.xls");
  TExpJrnlForm form(nullptr, std::move(context));
  form.show();
  form.MonthPicker().SetMonth(2);
  form.OKClick();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_EQ(errors, (std::vector<std::string>{"Can't find the file \"cnx.xls\""}));
}

}  // namespace
}  // namespace chronolin
