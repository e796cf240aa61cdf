// Faults met on files written by other programs (the fixtures' sources say which): each edit
// must leave a file those programs and our own reader take back.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>

#include "biff_builder.h"
#include "xls/cells/formula_record.h"
#include "xls/records/record_ids.h"
#include "xls/records/sheet_records.h"
#include "xls/workbook_file.h"

namespace chronolin {
namespace {

using namespace bifftest;

struct Fixture {
  TXlsStorageList storages;
  TWorkbook workbook;
  explicit Fixture(const std::string& name) {
    LoadWorkbookFile(std::string(CHRONOLIN_TEST_DATA) + "/xls/" + name, storages, workbook);
  }
};

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const XlsError& e) {
    return e.what();
  }
  return "no error";
}

TFormulaRecord* FormulaAt(TWorkbook& workbook, std::size_t sheet, int row, int col) {
  return dynamic_cast<TFormulaRecord*>(workbook.WorkSheet(sheet)->Cells().CellList().Find(
      static_cast<std::uint16_t>(row), static_cast<std::uint16_t>(col)));
}

// The sheet's records of one id kept outside cells, ranges and drawing, in order.
template <class T>
std::vector<T*> RecordsOf(const TWorkSheet& sheet, std::uint16_t id) {
  std::vector<T*> found;
  for (const TBaseRecordList* list : {&sheet.HeadRecords(), &sheet.TailRecords()}) {
    for (std::size_t i = 0; i < list->Count(); ++i) {
      if ((*list)[i]->Id() == id) found.push_back(static_cast<T*>((*list)[i]));
    }
  }
  return found;
}

TEST(FileFaults, FewerBoundSheetsThanSheetsAreRefusedNotFollowed) {
  const Bytes stream = Cat({Bof(0x0005), BoundSheet("A"), Rec(0x00FC, SstBody({})), Eof(),
                            Bof(0x0010), Window2(), Eof(), Bof(0x0010), Window2(), Eof()});
  TWorkbook workbook;
  workbook.Load(stream);
  const std::string invalid = "Error reading Excel records. File invalid";
  EXPECT_EQ(Message([&] { workbook.SheetName(1); }), invalid);
  EXPECT_EQ(Message([&] { workbook.InsertSheets(1, 2, 1); }), invalid);
  EXPECT_EQ(workbook.SheetCount(), 2u);
}

TEST(FileFaults, ArrayFormulasMoveWithTheirCells) {
  Fixture f("lo_edits.xls");
  // A blank row copied above everything: {=SUM(A1:A6*B1:B6)} in G1, {=A1:A3*B1:B3} in E3:E5.
  f.workbook.InsertAndCopyRows(0, 6, 6, 0, 1, false);
  TArrayRecord* sum = FormulaAt(f.workbook, 0, 1, 6)->Array();
  ASSERT_NE(sum, nullptr);
  EXPECT_EQ(sum->FirstRow(), 1);
  EXPECT_EQ(sum->LastRow(), 1);
  const std::uint8_t* t = sum->Data().data() + 14;
  EXPECT_EQ(biff::Get16(t + 1), 1) << "A2:A7";
  EXPECT_EQ(biff::Get16(t + 3), 6);
  EXPECT_EQ(FormulaAt(f.workbook, 0, 3, 4)->Array()->LastRow(), 5);
  // The array's other cells name its first cell where it now is.
  const TFormulaRecord* last = FormulaAt(f.workbook, 0, 5, 4);
  EXPECT_EQ(Bytes(last->Tokens(), last->Tokens() + last->TokenLength()), (Bytes{0x01, 3, 0, 4, 0}));
  // Copied as a whole block, an array formula is copied with its range and references.
  f.workbook.InsertAndCopyRows(0, 1, 6, 7, 1, false);
  TArrayRecord* copy = FormulaAt(f.workbook, 0, 7, 6)->Array();
  EXPECT_EQ(copy->FirstRow(), 7);
  EXPECT_EQ(biff::Get16(copy->Data().data() + 14 + 1), 7);
  TWorkbook again;
  again.Load(SaveWorkbookStream(f.workbook));  // no "Can't find Shared Formula"
  EXPECT_EQ(FormulaAt(again, 0, 9, 4)->Array()->FirstRow(), 9);
}

// Cells of an array left naming a first cell that is not there made a file no reader opens.
TEST(FileFaults, EditsLeavingArrayCellsWithoutTheirFirstCellAreRefused) {
  Fixture f("lo_edits.xls");  // {=A1:A3*B1:B3} in E3:E5 (0-based rows 2-4)
  const auto before = SaveWorkbookStream(f.workbook);
  EXPECT_EQ(Message([&] { f.workbook.InsertAndCopyRows(0, 3, 4, 9, 1, false); }),
            "Can't change part of an array (Row 4, column 5)");
  EXPECT_EQ(Message([&] { f.workbook.InsertAndCopyRows(0, 4, 4, 0, 2, false); }),
            "Can't change part of an array (Row 5, column 5)");
  EXPECT_EQ(Message([&] { f.workbook.DeleteRows(0, 1, 2); }),
            "Can't change part of an array (Row 3, column 5)");
  EXPECT_EQ(SaveWorkbookStream(f.workbook), before);
  // The first cell copied with part of the rest, or a later row deleted, still go.
  f.workbook.InsertAndCopyRows(0, 2, 3, 9, 1, false);
  f.workbook.DeleteRows(0, 3, 1);
  TWorkbook again;
  again.Load(SaveWorkbookStream(f.workbook));
}

TEST(FileFaults, AnchorsCutByADeletionEndAfterTheirStart) {
  Fixture f("lo_edits.xls");
  // The note on A12 is anchored on rows 13-19 (1-based), the picture on 14-20; rows 13-21 go.
  f.workbook.DeleteRows(0, 12, 9);
  const auto& anchors = f.workbook.WorkSheet(0)->Drawing().Anchors();
  ASSERT_EQ(anchors.size(), 1u) << "the note stays, the picture inside the rows goes";
  const auto* a = anchors[0];
  EXPECT_EQ(a->FirstRow(), 12);
  EXPECT_EQ(a->FirstRowOffset(), 0);
  EXPECT_EQ(a->LastRow(), 18) << "the box keeps its height below the deleted rows";
  // Cut through their lower part, both end at the top of the row after the deleted ones.
  Fixture cut("lo_edits.xls");
  cut.workbook.DeleteRows(0, 16, 5);
  for (const auto* anchor : cut.workbook.WorkSheet(0)->Drawing().Anchors()) {
    EXPECT_EQ(anchor->LastRow(), 16);
    EXPECT_EQ(anchor->LastRowOffset(), 0);
    EXPECT_LT(anchor->FirstRow(), 16);
  }
}

TEST(FileFaults, CopiedSheetsUseTheirOwnLocalNames) {
  Fixture f("lo_edits.xls");
  f.workbook.InsertSheets(1, 2, 1);  // "Source", whose B1 is =SUM(LocalA), local to it
  const TFormulaRecord* sum = FormulaAt(f.workbook, 2, 0, 1);
  ASSERT_EQ(sum->Tokens()[0] & 0x1F, 0x03);
  const TNameRecord* name = f.workbook.Globals().Names().Name(biff::Get16(sum->Tokens() + 1) - 1);
  EXPECT_EQ(name->Name(), u"LocalA");
  EXPECT_EQ(name->SheetIndex(), 3);
}

TEST(FileFaults, SharedStringTableStartsWithAString) {
  Fixture f("xlwt_labels.xls");  // the first string is 8,218 characters long
  const Bytes out = SaveWorkbookStream(f.workbook);
  const auto records = Records(out);
  const auto sst = std::find_if(records.begin(), records.end(),
                                [](const RawRecord& r) { return r.id == rid::kSst; });
  ASSERT_NE(sst, records.end());
  EXPECT_GT(sst->body.size(), 8u + 3u);
  TWorkbook again;
  again.Load(out);
  EXPECT_EQ(again.WorkSheet(0)->GetCell(0, 0).value.ToWideString().size(), 8218u);
}

TEST(FileFaults, ExternalCachedValuesStayWithTheirSupBook) {
  Fixture f("lo_extref.xls");
  const auto ids = Ids(SaveWorkbookStream(f.workbook));
  const std::vector<std::uint16_t> cached{rid::kSupBook, rid::kXct, rid::kCrn, rid::kCrn};
  EXPECT_NE(std::search(ids.begin(), ids.end(), cached.begin(), cached.end()), ids.end());
}

TEST(FileFaults, LabelCellsMoveWithTheirRows) {
  Fixture f("xlwt_labels.xls");  // LABEL cells on rows 3, 4, 5 and 7 (1-based)
  auto label_rows = [&] {
    std::multiset<int> rows;
    for (auto* label : RecordsOf<TBaseRowColRecord>(*f.workbook.WorkSheet(0), rid::kLabel)) {
      rows.insert(label->Row());
    }
    return rows;
  };
  f.workbook.InsertAndCopyRows(0, 2, 3, 1, 2, false);
  EXPECT_EQ(label_rows(), (std::multiset<int>{1, 2, 3, 4, 6, 7, 8, 10}));
  f.workbook.DeleteRows(0, 6, 3);
  EXPECT_EQ(label_rows(), (std::multiset<int>{1, 2, 3, 4, 7}));
}

TEST(FileFaults, PrintTitlesFollowRowEditsAndSheetCopies) {
  Fixture f("lo_titles.xls");  // titles on rows 1-2 and column A: memory and list tokens
  f.workbook.InsertAndCopyRows(0, 3, 3, 0, 2, false);
  const TNameRecordList& names = f.workbook.Globals().Names();
  const TNameRecord* titles = nullptr;
  for (std::size_t i = 0; i < names.Count(); ++i) {
    if (names.Name(i)->Name() == u"\x07") titles = names.Name(i);
  }
  ASSERT_NE(titles, nullptr);
  const std::uint8_t* t = titles->Data().data() + titles->TokensOffset();
  ASSERT_EQ(t[0], 0x29);
  EXPECT_EQ(biff::Get16(t + 6), 0) << "column A stays whole";
  EXPECT_EQ(biff::Get16(t + 8), 0xFFFF);
  EXPECT_EQ(biff::Get16(t + 17), 2) << "rows 1-2 became 3-4";
  EXPECT_EQ(biff::Get16(t + 19), 3);
  f.workbook.InsertSheets(0, 1, 1);
  EXPECT_EQ(names.Count(), 4u);
}

TEST(FileFaults, ValidationsHyperlinksAndRuleFormulasFollowRows) {
  Fixture f("lo_edits.xls");
  // Rows 1-6 (validated C1:C6 up to $B$8, formatted D1:D6 against $B$9, a link in G3) copied
  // below themselves.
  f.workbook.InsertAndCopyRows(0, 0, 5, 6, 1, false);
  TWorkSheet& sheet = *f.workbook.WorkSheet(0);
  auto dvs = RecordsOf<TDvRecord>(sheet, rid::kDv);
  ASSERT_EQ(dvs.size(), 1u);
  auto ranges = dvs[0]->Ranges();
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_EQ(ranges[0].first_row, 0);
  EXPECT_EQ(ranges[1].first_row, 6);
  EXPECT_EQ(ranges[1].last_row, 11);
  const TTokenSpan limit = dvs[0]->Formula(1);
  EXPECT_EQ(biff::Get16(limit.data + 1), 13) << "$B$8 is now $B$14";
  auto links = RecordsOf<THLinkRecord>(sheet, rid::kHLink);
  ASSERT_EQ(links.size(), 2u);
  EXPECT_EQ(links[0]->Range().first_row, 2);
  EXPECT_EQ(links[1]->Range().first_row, 8);
  const TBaseRecordList& rules = sheet.Ranges()[0].Records();
  const TTokenSpan bound = static_cast<TCFRecord*>(rules[1])->Formula(0);
  EXPECT_EQ(biff::Get16(bound.data + 1), 14) << "$B$9 is now $B$15";

  f.workbook.DeleteRows(0, 0, 6);
  dvs = RecordsOf<TDvRecord>(sheet, rid::kDv);
  ASSERT_EQ(dvs[0]->Ranges().size(), 1u);
  EXPECT_EQ(dvs[0]->Ranges()[0].first_row, 0);
  EXPECT_EQ(biff::Get16(dvs[0]->Formula(1).data + 1), 7);
  links = RecordsOf<THLinkRecord>(sheet, rid::kHLink);
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(links[0]->Range().first_row, 2);
  TWorkbook again;
  again.Load(SaveWorkbookStream(f.workbook));
}

TEST(SheetNames, NamesSpreadsheetProgramsRefuseAreRefused) {
  TWorkbook workbook;
  workbook.Load(Workbook({Bytes{}, Bytes{}}));
  EXPECT_EQ(Message([&] { workbook.SetSheetName(0, u""); }), "Invalid sheet name: ");
  EXPECT_EQ(Message([&] { workbook.SetSheetName(0, std::u16string(32, u'x')); }),
            "Invalid sheet name: " + std::string(32, 'x'));
  for (const char16_t c : std::u16string(u"[]:*?/\\")) {
    EXPECT_EQ(Message([&] { workbook.SetSheetName(0, std::u16string(u"a") + c); }).substr(0, 20),
              "Invalid sheet name: ");
  }
  EXPECT_EQ(Message([&] { workbook.SetSheetName(0, u"SHEET2"); }),
            "Sheet name already exist: SHEET2");
  EXPECT_EQ(Message([&] { workbook.SetSheetName(0, u"Éé"); }), "no error");
  EXPECT_EQ(Message([&] { workbook.SetSheetName(1, u"éÉ"); }), "Sheet name already exist: éÉ");
  EXPECT_EQ(Message([&] { workbook.SetSheetName(0, u"ÉÉ"); }), "no error") << "its own name";
  EXPECT_EQ(Message([&] { workbook.SetSheetName(0, std::u16string(31, u'x')); }), "no error");

  // Loading refuses exact duplicates only; a copy beside "sheet" is not "Sheet".
  TWorkbook loaded;
  loaded.Load(Cat({Bof(0x0005), BoundSheet("sheet"), BoundSheet("SHEET1"), Rec(0x00FC, SstBody({})),
                   Eof(), Bof(0x0010), Window2(), Eof(), Bof(0x0010), Window2(), Eof()}));
  loaded.InsertSheets(0, 2, 1);
  EXPECT_EQ(loaded.SheetName(2), u"Sheet2");
}

}  // namespace
}  // namespace chronolin
