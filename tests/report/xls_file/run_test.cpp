// A whole run over the spreadsheet file: cancelled from an event, the run saves nothing.
#include <gtest/gtest.h>

#include "report/data_module.h"
#include "report/mem_table.h"
#include "report/report_no_db.h"
#include "report/xls_file/xls_file.h"
#include "support.h"

namespace chronolin {
namespace {

TEST(ReportRun, ACancelledRunLeavesNoFile) {
  test::ScratchDir dir;
  TDataModule module;
  TMemTable pics(&module);
  pics.SetName("Pics");
  pics.Columns().Add("Name");
  pics.Columns().Add("Image");
  pics.AddRecord({Variant::FromString("Vert"), Variant::FromString("IMAGE")});
  TXLSAdapter adapter(&module);
  TReportNoDB report(&module);
  report.SetAdapter(&adapter);
  report.SetTemplate(test::Data("pictures.xls"));

  int pages = 0;
  report.OnAfterGeneratePage = [&](TObject*, TExcelFile&) {
    ++pages;
    report.SetCanceled(true);
  };
  report.SetFileName(dir / "cancelled.xls");
  report.Run();
  EXPECT_EQ(pages, 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "cancelled.xls"));

  // The same report, not cancelled, saves.
  report.SetCanceled(false);
  report.OnAfterGeneratePage = nullptr;
  report.SetFileName(dir / "saved.xls");
  report.Run();
  EXPECT_TRUE(std::filesystem::exists(dir / "saved.xls"));
}

}  // namespace
}  // namespace chronolin
