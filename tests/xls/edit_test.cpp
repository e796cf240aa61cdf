// Editing the workbook model: cell values by type, rows inserted, copied and deleted with the
// references that follow them, sheets copied with their names, and the edits of the tool
// checked on a real file by an independent reader.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>

#include "biff_builder.h"
#include "support/run_tool.h"
#include "xls/cells/formula_record.h"
#include "xls/cells/rk_value.h"
#include "xls/compound_file/xls_error.h"
#include "xls/drawing/md5.h"
#include "xls/records/record_ids.h"
#include "xls/workbook_file.h"

namespace chronolin {
namespace {

using namespace bifftest;

Bytes Formula(std::uint16_t row, std::uint16_t col, const Bytes& tokens) {
  return Rec(0x0006, Cat({W({row, col, 15}), Bytes(8), W({0}), D(0),
                          W({static_cast<std::uint16_t>(tokens.size())}), tokens}));
}
// ptgRef / ptgArea (reference class) with relative-row flags in the column words.
Bytes Ref(std::uint16_t row, std::uint16_t col, bool relative_row = false) {
  return Cat(
      {Bytes{0x44}, W({row, static_cast<std::uint16_t>(col | (relative_row ? 0xC000 : 0))})});
}
Bytes Area(std::uint16_t r1, std::uint16_t r2, std::uint16_t col) {
  return Cat({Bytes{0x25}, W({r1, r2, col, col})});
}
Bytes Ref3d(std::uint16_t ref, std::uint16_t row, std::uint16_t col) {
  return Cat({Bytes{0x5A}, W({ref, row, col})});
}
// A local SUPBOOK for two sheets and EXTERNSHEET entries naming sheets 0 and 1.
Bytes ExternRefs() {
  return Cat({Rec(0x01AE, W({2, 0x0401})), Rec(0x0017, W({2, 0, 0, 0, 0, 1, 1}))});
}

Bytes TokensAt(TWorkbook& workbook, std::size_t sheet, std::uint16_t row, std::uint16_t col) {
  auto* f =
      dynamic_cast<TFormulaRecord*>(workbook.WorkSheet(sheet)->Cells().CellList().Find(row, col));
  if (f == nullptr) return {};
  return Bytes(f->Tokens(), f->Tokens() + f->TokenLength());
}

std::uint16_t CellId(TWorkSheet& sheet, int row, int col) {
  const TCellRecord* cell = sheet.Cells().CellList().Find(static_cast<std::uint16_t>(row),
                                                          static_cast<std::uint16_t>(col));
  return cell == nullptr ? 0 : cell->Id();
}

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const XlsError& e) {
    return e.what();
  }
  return "no error";
}

TEST(CellValues, NumbersTakeTheRkFormWhenTheyHaveOne) {
  EXPECT_EQ(EncodeRK(3), 0x40080000u);
  EXPECT_EQ(EncodeRK(0.5), 0x3FE00000u);
  EXPECT_EQ(EncodeRK(1.23), 0x405EC001u);
  EXPECT_EQ(EncodeRK(1000001), 4000006u);
  EXPECT_EQ(EncodeRK(-536870911), static_cast<std::uint32_t>(-536870911 * 4 + 2));
  EXPECT_FALSE(EncodeRK(1.0 / 3));
  EXPECT_FALSE(EncodeRK(536870913));
  EXPECT_FALSE(EncodeRK(-536870913));

  TWorkbook workbook;
  workbook.Load(Workbook({Row(0)}));
  TWorkSheet& sheet = *workbook.WorkSheet(0);
  const struct {
    Variant value;
    std::uint16_t id;
  } cases[] = {{Variant::FromInt32(3), rid::kRk},
               {Variant::FromDouble(1.23), rid::kRk},
               {Variant::FromDouble(1.0 / 3), rid::kNumber},
               {Variant::FromInt32(536870913), rid::kNumber},
               {Variant::FromInt32(-536870913), rid::kNumber},
               {Variant::FromInt32(-536870911), rid::kRk},
               {Variant::FromInt32(536870912), rid::kRk},
               {Variant::FromBool(true), rid::kBoolErr},
               {Variant::FromString("abc"), rid::kLabelSst}};
  int col = 0;
  for (const auto& c : cases) {
    sheet.SetCell(2, col, c.value);
    EXPECT_EQ(CellId(sheet, 2, col), c.id) << col;
    EXPECT_EQ(sheet.GetCell(2, col).value.ToString(), c.value.ToString()) << col;
    ++col;
  }
  // Written and read back: the values survive a save.
  TWorkbook again;
  again.Load(Save(workbook));
  EXPECT_EQ(again.WorkSheet(0)->GetCell(2, 3).value, Variant::FromDouble(536870913));
  EXPECT_EQ(again.WorkSheet(0)->GetCell(2, 8).value, Variant::FromWideString(u"abc"));
}

TEST(CellValues, EmptyValuesAndRefusals) {
  TWorkbook workbook;
  workbook.Load(Workbook({Row(0)}));
  TWorkSheet& sheet = *workbook.WorkSheet(0);
  sheet.SetCell(1, 1, Variant::FromDouble(2));
  sheet.SetCell(1, 1, Variant::FromString(""));
  EXPECT_EQ(CellId(sheet, 1, 1), 0) << "the row's default format: no cell";
  sheet.SetCell(1, 2, Variant::FromDouble(2), 21);
  sheet.SetCell(1, 2, Variant::FromString(""));
  EXPECT_EQ(CellId(sheet, 1, 2), rid::kBlank);
  EXPECT_EQ(sheet.GetCell(1, 2).xf, 21);
  // A 64-bit integer is kept as a number rather than silently dropped.
  sheet.SetCell(1, 3, Variant::FromInt64(7));
  EXPECT_EQ(sheet.GetCell(1, 3).value, Variant::FromDouble(7));

  EXPECT_EQ(Message([&] { sheet.SetCell(65536, 0, Variant::FromInt32(1)); }),
            "Invalid Row (65536)");
  EXPECT_EQ(Message([&] { sheet.SetCell(0, 256, Variant::FromInt32(1)); }), "Invalid Column (256)");
  TBoolErrRecord boolerr(rid::kBoolErr, TCellRecord::NewBody(8, 0, 0, 15));
  boolerr.SetValue(Variant::FromString("#N/A"));
  EXPECT_EQ(boolerr.GetValue(), Variant::FromString("#N/A"));
  EXPECT_EQ(Message([&] { boolerr.SetValue(Variant::FromString("#n/a")); }),
            "Invalid cell error code: \"#n/a\"");
  EXPECT_EQ(Message([&] { boolerr.SetValue(Variant::Null()); }), "Invalid cell value: \"\"");
}

TEST(RowsAndColumns, FormatsSizesAndTheSavedRecords) {
  TWorkbook workbook;
  workbook.Load(Workbook({Row(0)}));
  TWorkSheet& sheet = *workbook.WorkSheet(0);
  sheet.SetColumnWidth(2, 3000);
  sheet.SetColumnWidth(5, 3000);
  sheet.SetCell(4, 2, Variant::FromInt32(1));
  sheet.SetColumnFormat(2, 30);
  EXPECT_EQ(sheet.GetCell(4, 2).xf, 30);
  sheet.SetColumnFormat(2, 0);
  sheet.SetRowHeight(4, 500);
  EXPECT_EQ(sheet.RowHeight(4), 500);
  EXPECT_FALSE(sheet.RowAutoHeight(4));
  EXPECT_TRUE(sheet.RowAutoHeight(9));
  sheet.SetRowFormat(4, 22);
  EXPECT_EQ(sheet.RowFormat(4), 22);
  EXPECT_EQ(sheet.GetCell(4, 2).xf, 22);
  EXPECT_EQ(sheet.LastColumn(4), 2);
  const Bytes out = Save(workbook);
  EXPECT_EQ(CountId(out, rid::kColInfo), 2u) << "columns 2 and 5 are not neighbours";

  // Cells beyond the last ROW slot (a caller bypassing SetCell) cannot be saved.
  sheet.Cells().AddCell(
      std::make_unique<TBlankRecord>(rid::kBlank, TCellRecord::NewBody(6, 40, 0, 15)));
  EXPECT_EQ(Message([&] { Save(workbook); }),
            "Number of ROW record is not the same that the cell count");
}

TEST(InsertRows, CopiesMovesBreaksAndFollowingReferences) {
  // Sheet 1: values in rows 5 and 6, a relative reference to the row above in row 6, references
  // to rows 9 and 12 and a sum over 4-12 in row 20. Sheet 2 refers to sheet 1 in 3-D.
  Bytes one = Cat({Row(5), Number(5, 0, 5), Row(6), Number(6, 0, 6), Formula(6, 1, Ref(5, 0, true)),
                   Row(20), Formula(20, 0, Ref(9, 0)), Formula(20, 1, Ref(12, 0)),
                   Formula(20, 2, Area(4, 12, 0)), Rec(0x001B, W({1, 12, 0, 255}))});
  Bytes two = Cat({Row(0), Formula(0, 0, Ref3d(0, 12, 0)), Formula(0, 1, Ref3d(0, 9, 0))});
  TWorkbook workbook;
  workbook.Load(Workbook({one, two}, ExternRefs()));
  workbook.InsertAndCopyRows(0, 5, 6, 10, 2, false);
  TWorkSheet& sheet = *workbook.WorkSheet(0);
  for (const int r : {10, 12}) {
    EXPECT_EQ(sheet.GetCell(r, 0).value, Variant::FromDouble(5)) << r;
    EXPECT_EQ(sheet.GetCell(r + 1, 0).value, Variant::FromDouble(6)) << r;
    // The copy's relative reference names the row above the copy.
    EXPECT_EQ(TokensAt(workbook, 0, static_cast<std::uint16_t>(r + 1), 1), Ref(r, 0, true));
  }
  EXPECT_EQ(sheet.PageBreaks().Breaks().at(0).row, 16);
  EXPECT_EQ(TokensAt(workbook, 0, 24, 0), Ref(9, 0));
  EXPECT_EQ(TokensAt(workbook, 0, 24, 1), Ref(16, 0));
  EXPECT_EQ(TokensAt(workbook, 0, 24, 2), Area(4, 16, 0));
  EXPECT_EQ(TokensAt(workbook, 1, 0, 0), Ref3d(0, 16, 0));
  EXPECT_EQ(TokensAt(workbook, 1, 0, 1), Ref3d(0, 9, 0));

  // Row 12 -> 15 and row 9 unchanged for 3 rows inserted at 10.
  TWorkbook small;
  small.Load(Workbook({Cat(
      {Row(0), Formula(0, 0, Ref(12, 0)), Formula(0, 1, Ref(9, 0)), Row(10), Number(10, 0, 1)})}));
  small.InsertAndCopyRows(0, 10, 10, 10, 3, false);
  EXPECT_EQ(TokensAt(small, 0, 0, 0), Ref(15, 0));
  EXPECT_EQ(TokensAt(small, 0, 0, 1), Ref(9, 0));

  // Copies into rows the sheet did not have yet: the row table grows under the copy.
  TWorkbook band;
  band.Load(Workbook({Cat({Row(0), Number(0, 0, 7)})}));
  band.InsertAndCopyRows(0, 0, 0, 1, 300, false);
  for (int r = 1; r <= 300; ++r) {
    ASSERT_EQ(band.WorkSheet(0)->GetCell(r, 0).value, Variant::FromDouble(7)) << r;
  }
}

TEST(InsertRows, RefusedCallsChangeNothing) {
  TWorkbook workbook;
  workbook.Load(Workbook(
      {Cat({Row(1), Number(1, 0, 1), Row(3), Formula(3, 2, Cat({Bytes{0x26}, W({0, 0, 0})}))})}));
  const Bytes before = Save(workbook);
  for (const auto& args : std::vector<std::array<int, 4>>{{5, 4, 8, 1},
                                                          {-1, 2, 8, 1},
                                                          {1, 65536, 8, 1},
                                                          {1, 3, 2, 1},
                                                          {1, 2, 65530, 3},
                                                          {1, 2, -1, 1}}) {
    EXPECT_EQ(
        Message([&] { workbook.InsertAndCopyRows(0, args[0], args[1], args[2], args[3], false); }),
        "Ivalid arguments to call InsertAndCopyRows");
  }
  EXPECT_EQ(Message([&] { workbook.InsertAndCopyRows(1, 1, 1, 2, 1, false); }),
            "Sheet number \"1\" invalid. Must be between 0 and 0");
  // A memory token the walker cannot adjust names its cell (1-based) and its id.
  EXPECT_EQ(Message([&] { workbook.InsertAndCopyRows(0, 1, 1, 2, 1, false); }),
            "Formula at Row 4, column 3 is not supported. Token Id: 0x26");
  EXPECT_EQ(Save(workbook), before);
}

TEST(DeleteRows, ReferencesIntoDeletedRowsBecomeErrors) {
  TWorkbook workbook;
  workbook.Load(Workbook({Cat({Row(0), Formula(0, 0, Ref(10, 0)), Formula(0, 1, Ref(12, 0)),
                               Formula(0, 2, Ref(20, 0)), Formula(0, 3, Area(10, 12, 0)),
                               Formula(0, 4, Area(5, 11, 0)), Row(11), Number(11, 0, 1), Row(14),
                               Number(14, 0, 2), Rec(0x001B, W({2, 11, 0, 255, 15, 0, 255}))})}));
  workbook.DeleteRows(0, 10, 3);
  EXPECT_EQ(TokensAt(workbook, 0, 0, 0)[0], 0x4A);
  EXPECT_EQ(TokensAt(workbook, 0, 0, 1)[0], 0x4A);
  EXPECT_EQ(TokensAt(workbook, 0, 0, 2), Ref(17, 0));
  EXPECT_EQ(TokensAt(workbook, 0, 0, 3)[0], 0x2B);
  // Partly deleted, an area keeps the rows that are left.
  EXPECT_EQ(TokensAt(workbook, 0, 0, 4), Area(5, 9, 0));
  TWorkSheet& sheet = *workbook.WorkSheet(0);
  EXPECT_TRUE(sheet.GetCell(10, 0).value.IsEmpty());
  EXPECT_EQ(sheet.GetCell(11, 0).value, Variant::FromDouble(2));
  ASSERT_EQ(sheet.PageBreaks().Breaks().size(), 1u);
  EXPECT_EQ(sheet.PageBreaks().Breaks()[0].row, 12);
}

TEST(InsertSheets, CopiesAreNamedFromSheetAndGetTheirPrintArea) {
  // A print area local to sheet 0: NAME, built-in code 6, one 3-D area through entry 0.
  const Bytes area = Cat({Bytes{0x3B}, W({0, 0, 9, 0, 3})});
  const Bytes print_area = Rec(0x0018, Cat({W({0x0020}), Bytes{0, 1}, W({11, 0, 1}),
                                            Bytes{0, 0, 0, 0}, Bytes{0}, Bytes{6}, area}));
  TWorkbook workbook;
  workbook.Load(Workbook({Row(0), Row(0)}, Cat({ExternRefs(), print_area})));
  workbook.InsertSheets(0, 1, 2);
  ASSERT_EQ(workbook.SheetCount(), 4u);
  EXPECT_EQ(workbook.SheetName(1), u"Sheet");
  EXPECT_EQ(workbook.SheetName(2), u"Sheet3");  // "Sheet1" and "Sheet2" are taken
  const TWorkbookGlobals& globals = workbook.Globals();
  ASSERT_EQ(globals.Names().Count(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(globals.Names().Name(i)->SheetIndex(), i + 1);
    EXPECT_EQ(globals.Names().Name(i)->Range(globals.References()).sheet, static_cast<int>(i));
  }
  // The old second sheet is now the fourth, its references with it.
  EXPECT_EQ(globals.References().SheetOfExternRef(1), 3);
  EXPECT_EQ(Message([&] { workbook.InsertSheets(4, 0, 1); }),
            "Sheet number \"4\" invalid. Must be between 0 and 3");
  TWorkbook again;
  again.Load(Save(workbook));
  EXPECT_EQ(again.SheetName(2), u"Sheet3");
}

TEST(Drawings, CommentTextsAndPicturesOfARealFile) {
  const std::array<std::uint8_t, 3> abc{'a', 'b', 'c'};
  const auto digest = Md5(abc);
  EXPECT_EQ(Bytes(digest.begin(), digest.end()),
            (Bytes{0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0, 0xd6, 0x96, 0x3f, 0x7d, 0x28,
                   0xe1, 0x7f, 0x72}));
  TXlsStorageList storages;
  TWorkbook workbook;
  LoadWorkbookFile(std::string(CHRONOLIN_TEST_DATA) + "/xls/lo_report.xls", storages, workbook);
  TWorkSheet& sheet = *workbook.WorkSheet(0);
  EXPECT_EQ(sheet.CommentText(1, 0), u"Première connexion du mois");
  sheet.SetCommentText(1, 0, u"Ωμέγα long enough");
  EXPECT_EQ(Message([&] { sheet.CommentText(1, 1); }),
            "The index \"1\" of the property \"Comment index\" is not in the range 0-0");
  // The same bytes for both pictures: two new entries with one identifier.
  ASSERT_EQ(sheet.Drawing().Pictures().size(), 2u);
  const Bytes picture{1, 2, 3, 4, 5};
  TDrawingGroup& group = workbook.Globals().DrawingGroup();
  const std::size_t entries = group.SortedBlips().size();
  sheet.Drawing().ReplacePicture(0, picture, TPictureType::kPng, group);
  sheet.Drawing().ReplacePicture(1, picture, TPictureType::kPng, group);
  ASSERT_EQ(group.SortedBlips().size(), entries + 2);
  std::vector<Bytes> uids;
  for (const auto* bse : group.SortedBlips()) {
    if (bse->Get32(24) > 0) uids.emplace_back(bse->Data().begin() + 2, bse->Data().begin() + 18);
  }
  ASSERT_EQ(uids.size(), 2u) << "the replaced entries lose their references";
  EXPECT_EQ(uids[0], uids[1]);
  const auto picture_digest = Md5(picture);
  EXPECT_EQ(uids[0], Bytes(picture_digest.begin(), picture_digest.end()));

  TWorkbook again;
  again.Load(SaveWorkbookStream(workbook));
  EXPECT_EQ(again.WorkSheet(0)->CommentText(1, 0), u"Ωμέγα long enough");
  // Deleting the commented row takes its comment's shape with it.
  const std::size_t shapes = again.WorkSheet(0)->Drawing().Shapes().size();
  again.DeleteRows(0, 1, 1);
  EXPECT_EQ(again.WorkSheet(0)->Drawing().Shapes().size(), shapes - 1);
  EXPECT_EQ(again.WorkSheet(0)->CommentText(5, 0), u"Ligne coupée deux fois");
}

// Copies of a note share its records: changing one copy's text, or giving each its own
// object, changes no other copy.
TEST(Drawings, CopiedNotesKeepTheirOwnTextsAndObjects) {
  TXlsStorageList storages;
  TWorkbook workbook;
  LoadWorkbookFile(std::string(CHRONOLIN_TEST_DATA) + "/xls/lo_report.xls", storages, workbook);
  workbook.InsertAndCopyRows(0, 1, 1, 2, 3, false);
  workbook.WorkSheet(0)->SetCommentText(3, 0, u"Seulement la deuxième copie");
  TWorkbook again;
  again.Load(SaveWorkbookStream(workbook));
  const TWorkSheet& sheet = *again.WorkSheet(0);
  std::set<std::uint16_t> objects;
  for (const int row : {1, 2, 3, 4}) {
    EXPECT_EQ(sheet.CommentText(row, 0),
              row == 3 ? u"Seulement la deuxième copie" : u"Première connexion du mois")
        << row;
    const auto* note = static_cast<const TNoteRecord*>((*sheet.Notes().Row(row))[0]);
    ASSERT_NE(sheet.Drawing().FindObject(note->ObjectId()), nullptr) << row;
    objects.insert(note->ObjectId());
  }
  EXPECT_EQ(objects.size(), 4u);
}

// The tool's edits on a real file, read back by an independent reader.
std::string RunShell(const std::string& command) {
  const testing::ToolRun run = testing::RunCommand(command);
  return run.status == 0 ? "" : run.output + "(failed)";
}

TEST(EditedFixture, RowsCopiedUnderATotalAndSheetsCopiedWithTheirShapes) {
  if (RunShell("/usr/bin/python3 -c 'import xlrd, olefile'") != "") {
    GTEST_SKIP() << "python3-xlrd or python3-olefile is not installed";
  }
  const std::string data = CHRONOLIN_TEST_DATA;
  const std::string checks = data + "/../xls/edit_checks.py";
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("chronolin-edit-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string rows = (dir / "rows.xls").string();
  const std::string sheets = (dir / "sheets.xls").string();
  const std::string tool = CHRONOLIN_XLS_TOOL;
  EXPECT_EQ(RunShell(tool + " insert-copy-rows '" + data + "/xls/lo_report.xls' '" + rows +
                     "' 1 6 7 13 2"),
            "");
  EXPECT_EQ(RunShell("/usr/bin/python3 '" + checks + "' rows '" + rows + "'"), "");
  EXPECT_EQ(RunShell(tool + " copy-sheet '" + data + "/xls/lo_report.xls' '" + sheets + "' 1 2 3"),
            "");
  EXPECT_EQ(RunShell("/usr/bin/python3 '" + checks + "' shapes '" + sheets + "'"), "");
  std::filesystem::remove_all(dir);
}

// The tool's --formulas-only copy of rows 6-7 (with a comment in row 7) set against the full
// copy of the same rows: the copies keep their row formats, formulas and comments and lose
// every constant cell, which the report writes itself afterwards.
TEST(EditedFixture, FormulasOnlyCopiesLeaveOutTheConstantCells) {
  const std::string data = CHRONOLIN_TEST_DATA;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("chronolin-formulas-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string tool = CHRONOLIN_XLS_TOOL;
  const std::string base = tool + " insert-copy-rows '" + data + "/xls/lo_report.xls' '";
  const std::string all_path = (dir / "all.xls").string();
  const std::string formulas_path = (dir / "formulas.xls").string();
  ASSERT_EQ(RunShell(base + all_path + "' 1 6 7 13 2"), "");
  ASSERT_EQ(RunShell(base + formulas_path + "' 1 6 7 13 2 --formulas-only"), "");
  EXPECT_NE(RunShell(base + formulas_path + "' 1 6 7 13 2 --formulas"), "");
  TXlsStorageList all_storages;
  TXlsStorageList formulas_storages;
  TWorkbook all;
  TWorkbook formulas;
  LoadWorkbookFile(all_path, all_storages, all);
  LoadWorkbookFile(formulas_path, formulas_storages, formulas);
  std::filesystem::remove_all(dir);
  TWorkSheet& full = *all.WorkSheet(0);
  TWorkSheet& sheet = *formulas.WorkSheet(0);
  int formula_cells = 0;
  for (int row = 12; row < 16; ++row) {
    EXPECT_NE(sheet.Cells().FindRow(static_cast<std::uint16_t>(row)), nullptr) << row;
    for (int col = 0; col < 6; ++col) {
      const auto r = static_cast<std::uint16_t>(row);
      const auto c = static_cast<std::uint16_t>(col);
      if (CellId(full, row, col) == rid::kFormula) {
        ++formula_cells;
        // The same tokens as the full copy: relative references follow the copy either way.
        EXPECT_EQ(TokensAt(formulas, 0, r, c), TokensAt(all, 0, r, c)) << row << "," << col;
      } else {
        EXPECT_EQ(CellId(sheet, row, col), 0) << row << "," << col;
      }
    }
  }
  EXPECT_GE(formula_cells, 4) << "the copied rows of the fixture hold formulas";
  EXPECT_EQ(sheet.CommentText(13, 0), u"Ligne coupée deux fois");
  EXPECT_EQ(sheet.CommentText(15, 0), u"Ligne coupée deux fois");
  // The source rows and the rows pushed down keep all their cells.
  for (const int row : {5, 6, 16, 20}) {
    for (int col = 0; col < 6; ++col) {
      EXPECT_EQ(CellId(sheet, row, col), CellId(full, row, col)) << row << "," << col;
    }
  }
}

}  // namespace
}  // namespace chronolin
