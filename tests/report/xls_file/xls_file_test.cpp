// The spreadsheet file on templates written by LibreOffice, checked through the interface and,
// once saved, by xlrd and olefile.
#include "report/xls_file/xls_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "report/report_error.h"
#include "report/xls_file/template_search.h"
#include "support.h"
#include "xls/compound_file/xls_error.h"

namespace chronolin {
namespace {

using test::Data;
using test::Dump;
using test::ScratchDir;
using ::testing::HasSubstr;
using ::testing::Not;

class XlsFileTest : public ::testing::Test {
 protected:
  std::unique_ptr<TExcelFile> Open(const std::string& name) {
    std::unique_ptr<TExcelFile> file = adapter_.CreateExcelFile();
    file->Connect();
    file->OpenFile(Data(name));
    return file;
  }
  static std::int32_t NameIndex(TExcelFile& file, const std::u16string& name) {
    for (std::int32_t i = 1; i <= file.NamedRangeCount(); ++i) {
      if (file.GetNamedRangeName(i) == name) return i;
    }
    return 0;
  }
  static void Save(TExcelFile& file, const std::string& path) {
    file.Save(false, path, nullptr, nullptr, nullptr);
  }

  TXLSAdapter adapter_;
};

TEST_F(XlsFileTest, ReadsNamesCellsFormatsNotesAndPicturesOfATemplate) {
  auto file = Open("master_detail.xls");
  EXPECT_EQ(file->GetActiveSheet(), 1);
  EXPECT_EQ(file->GetActiveSheetName(), u"Clients");
  const std::int32_t orders = NameIndex(*file, u"__Orders__");
  ASSERT_GT(orders, 0);
  EXPECT_EQ(file->NamedRangeFirstRow(orders), 4);
  EXPECT_EQ(file->NamedRangeLastRow(orders), 4);
  EXPECT_EQ(file->NamedRangeFirstCol(orders), 1);
  EXPECT_EQ(file->NamedRangeLastCol(orders), 4);
  EXPECT_EQ(file->NamedRangeSheet(orders), 1);

  const TXlsCellValue since = file->GetCellValueX(3, 4);
  EXPECT_EQ(since.Value.ToWideString(), u"##Clients##Since");
  EXPECT_FALSE(since.IsFormula);
  TXlsFormatDescription format;
  file->GetFormatDescription(since.XF, format);
  EXPECT_EQ(format.NumberFormat, u"dd/mm/yyyy");
  file->GetFormatDescription(file->GetCellValueX(3, 1).XF, format);
  EXPECT_TRUE(format.Bold);
  EXPECT_FALSE(format.FontName.empty());
  EXPECT_EQ(file->GetCellValueX(20, 1).XF, -1);  // no cell

  // Band operations reach the same cells through the band's first column.
  file->SetBandColumns(orders);
  EXPECT_EQ(file->BandFirstColumn(), 1);
  EXPECT_EQ(file->BandRowCellCount(4), 4);
  EXPECT_EQ(file->BandRowCellCount(40), 0);
  EXPECT_EQ(file->GetBandCellValue(4, 1).ToWideString(), u"##Orders##Item");
  EXPECT_EQ(file->ColIndexCount(4), 3);  // B to D: A4 holds nothing
  EXPECT_EQ(file->ColByIndex(4, 1), 2);
  EXPECT_EQ(file->ColByIndex(4, 4), 0);
  EXPECT_EQ(file->ColIndex(4, 3), 2);
  EXPECT_EQ(file->ColIndex(4, 1), 1);
  try {
    file->GetBandCellValueX(4, 256);
    FAIL() << "column 256 read";
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(), "Invalid Column (256)");
  }

  auto pages = Open("pages.xls");
  EXPECT_EQ(pages->CommentCount(2), 1);
  EXPECT_EQ(pages->GetComment(2, 0), u"##Entries##Name");
  EXPECT_EQ(pages->CommentCount(500), 0);

  auto pictures = Open("pictures.xls");
  pictures->BeginSheet();
  EXPECT_EQ(pictures->PictureCount(0), 2);
  ASSERT_EQ(pictures->PictureCount(1), 1);
  EXPECT_EQ(pictures->GetPictureName(1, 0), u"Logo");
  ASSERT_EQ(pictures->PictureCount(3), 1);
  EXPECT_EQ(pictures->GetPictureName(3, 0), u"##Pics##Image##PNG");
  EXPECT_EQ(pictures->PictureCount(2), 0);
  EXPECT_THROW(pictures->GetPictureName(2, 0), XlsError);
}

TEST_F(XlsFileTest, EditsReachTheSavedFile) {
  ScratchDir dir;
  auto file = Open("master_detail.xls");
  file->InsertAndCopyRows(4, 4, 5, 2, false);  // two more order rows: 5 and 6
  file->InsertAndCopyRows(4, 4, 5, 0, false);  // no copies, no change
  EXPECT_EQ(file->GetCellValue(6, 2).ToWideString(), u"##Orders##Item");
  file->SetCellValue(5, 2, Variant::FromString("Modem"));
  file->SetCellValueX(6, 3, TXlsCellValue{Variant::FromDouble(2.5), -1, false});
  // Two more page-break marks (the template has one in row 8), and two adjacent rows to delete
  // besides the template's row 7.
  file->SetCellValue(1, 1, Variant::FromString("...page break..."));
  file->SetCellValue(9, 1, Variant::FromString("...page break..."));
  file->SetCellValue(3, 1, Variant::FromString("...delete row..."));
  file->SetCellValue(4, 1, Variant::FromString("...delete row..."));
  file->MakePageBreaks(u"...page break...");
  file->DeleteMarkedRows(u"...delete row...");
  file->SetActiveSheetName(u"Commandes");
  file->SelectSheet(1);

  auto pages = Open("pages.xls");
  pages->SetComment(6, 0, u"Changée");
  pages->SetComment(2, 0, u"");  // deleted with its shape
  EXPECT_EQ(pages->CommentCount(2), 0);

  Save(*file, dir / "md.xls");
  Save(*pages, dir / "pages.xls");
  const std::string md = Dump(dir / "md.xls");
  EXPECT_THAT(md, HasSubstr("sheet Commandes\n"));
  // Rows 3 and 4 are gone: the copies of the order row are now rows 3 and 4.
  EXPECT_THAT(md, HasSubstr("cell Commandes!B3 text 'Modem' | General\n"));
  EXPECT_THAT(md, HasSubstr("cell Commandes!C4 number 2.5 | 0.00\n"));
  // Rows 1, 8 and 9 broken, then rows 3, 4 and 7 deleted.
  EXPECT_THAT(md, HasSubstr("break Commandes 1\nbreak Commandes 5\nbreak Commandes 6\n"));
  EXPECT_THAT(md, Not(HasSubstr("...")));
  EXPECT_THAT(md, Not(HasSubstr("Dupont")));
  const std::string notes = Dump(dir / "pages.xls");
  EXPECT_THAT(notes, HasSubstr("note Modèle!B6 'Changée'\n"));
  EXPECT_THAT(notes, Not(HasSubstr("note Modèle!A2")));
}

TEST_F(XlsFileTest, SaveKeepsOtherStreamsAndNeverReplacesAFile) {
  ScratchDir dir;
  auto file = Open("pages.xls");
  test::WriteText(dir / "taken.xls", "precious");
  try {
    Save(*file, dir / "taken.xls");
    FAIL() << "an existing file was replaced";
  } catch (const ReportError& e) {
    EXPECT_EQ(std::string(e.what()), "Can't write to file \"" + (dir / "taken.xls") +
                                         "\". Check it is not in use by another user");
  }
  EXPECT_EQ(test::ReadText(dir / "taken.xls"), "precious");

  // A file name event may move the result elsewhere; the name written is the one checked.
  file->Save(false, dir / "taken.xls", nullptr, nullptr,
             [&](TObject*, std::int32_t format, std::string& name) {
               EXPECT_EQ(format, 0);
               name = dir / "moved.xls";
             });
  const auto streams = [](const std::string& dump) {
    std::string lines;
    std::istringstream in(dump);
    for (std::string line; std::getline(in, line);) {
      if (line.starts_with("stream ") && !line.starts_with("stream 'Workbook'"))
        lines += line + "\n";
    }
    return lines;
  };
  const std::string saved = Dump(dir / "moved.xls");
  EXPECT_THAT(saved, HasSubstr("stream '\\x05SummaryInformation'"));
  EXPECT_EQ(streams(saved), streams(Dump(Data("pages.xls"))));
  // Nothing but the result is left in the directory.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST_F(XlsFileTest, ChartSheetsGiveTheDefaultsAndIgnoreWrites) {
  std::unique_ptr<TExcelFile> file = adapter_.CreateExcelFile();
  file->Connect();
  file->OpenFile(std::string(CHRONOLIN_DATA_ROOT) + "/xls/gnm_charts.xls");
  std::int32_t chart = 0;
  for (std::int32_t i = 1; i <= file->SheetCount(); ++i) {
    if (!file->IsWorksheet(i)) chart = i;
  }
  ASSERT_GT(chart, 0);
  file->SetActiveSheet(chart);
  file->SetCellValue(1, 1, Variant::FromString("ignored"));
  EXPECT_TRUE(file->GetCellValue(1, 1).IsEmpty());
  EXPECT_EQ(file->GetBandCellValueX(1, 0).XF, -1);
  EXPECT_EQ(file->GetColumnWidth(1), 0);
  EXPECT_EQ(file->GetRowHeight(1), 0);
  EXPECT_EQ(file->DefaultColumnWidth(), 10);
  EXPECT_EQ(file->DefaultRowHeight(), 255);
  EXPECT_TRUE(file->GetRowAutoHeight(1));
  EXPECT_EQ(file->GetColumnFormat(1), 0);
  EXPECT_EQ(file->GetRowFormat(1), 0);
  EXPECT_TRUE(file->GetShowGridLines());
  EXPECT_EQ(file->MaxRow(), 0);
  EXPECT_EQ(file->MaxCol(), 0);
  EXPECT_TRUE(file->IsEmptyRow(1));
  EXPECT_EQ(file->PictureCount(0), 0);
  file->SetActiveSheet(file->SheetCount() + 1);
  EXPECT_THROW(file->GetCellValue(1, 1), XlsError);  // no such sheet: said, not ignored
}

TEST(TemplateSearch, BareNamesAreSoughtInOrderWithTheExtensionAdded) {
  ScratchDir first, second;
  test::WriteText(second / "cnx.xls", "x");
  test::WriteText(first / "cnx.xls.xls", "x");
  std::filesystem::create_directory(first / "dir.xls");
  const std::vector<std::filesystem::path> dirs{first.path(), second.path()};
  EXPECT_EQ(FindTemplateFile("cnx", dirs), second.path() / "cnx.xls");
  EXPECT_EQ(FindTemplateFile("cnx.xls", dirs), second.path() / "cnx.xls");
  EXPECT_EQ(FindTemplateFile("dir", dirs), std::nullopt);  // directories never match
  test::WriteText(first / "cnx.xls", "x");
  EXPECT_EQ(FindTemplateFile("cnx", dirs), first.path() / "cnx.xls");
  // A directory part is taken as given, never sought elsewhere.
  EXPECT_EQ(FindTemplateFile("nowhere/cnx", dirs), std::nullopt);
  EXPECT_EQ(FindTemplateFile(second / "cnx", dirs), second.path() / "cnx.xls");
}

TEST_F(XlsFileTest, OpensATemplateFoundInTheCurrentDirectoryOrSaysItIsMissing) {
  ScratchDir dir;
  std::filesystem::copy_file(Data("pages.xls"), dir / "modele.xls");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  std::unique_ptr<TExcelFile> file = adapter_.CreateExcelFile();
  file->Connect();
  EXPECT_NO_THROW(file->OpenFile("modele"));
  try {
    file->OpenFile("absent-template");
    ADD_FAILURE() << "a missing template opened";
  } catch (const ReportError& e) {
    EXPECT_STREQ(e.what(), "Can't find the file \"absent-template\"");
  }
  std::filesystem::current_path(before);
}

TEST_F(XlsFileTest, TemplatesComeFromTheStoreWhileItLives) {
  auto store = std::make_unique<TXlsTemplateStore>();
  const std::string bytes = test::ReadText(Data("pages.xls"));
  store->AddTemplate("memory", std::vector<uint8_t>(bytes.begin(), bytes.end()));
  adapter_.SetTemplateStore(store.get());
  std::unique_ptr<TExcelFile> file = adapter_.CreateExcelFile();
  file->Connect();
  file->OpenFile("memory");
  EXPECT_EQ(file->GetActiveSheetName(), u"Modèle");
  store.reset();
  EXPECT_EQ(adapter_.TemplateStore(), nullptr);
}

}  // namespace
}  // namespace chronolin
