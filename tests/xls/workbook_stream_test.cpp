// Loading and saving whole workbook streams: section routing, the records the save drops,
// BOUNDSHEET offsets, and the refusals of malformed or unsupported streams.
#include <gtest/gtest.h>

#include <algorithm>

#include "biff_builder.h"
#include "xls/compound_file/xls_error.h"
#include "xls/records/record_ids.h"

namespace chronolin {
namespace {

using namespace bifftest;

TEST(WorkbookStream, SavesDropsIndexRecordsAndPointsBoundSheetsAtTheirBof) {
  const Bytes dims = Rec(0x0200, Cat({D(0), D(2), W({0, 2, 0})}));
  const Bytes sheet1 = Cat({Rec(0x020B, Bytes(16)), dims, Row(0), Number(0, 0, 1.5),
                            Number(0, 1, 2.5), Rec(0x00D7, D(20))});
  const Bytes sheet2 = Cat({dims, Row(1), LabelSst(1, 1, 0)});
  const Bytes globals = Cat({Rec(0x01C1, D(0)), Rec(0x003D, Bytes(18))});
  TWorkbook workbook;
  workbook.Load(Workbook({sheet1, sheet2}, globals, {"hello"}));
  ASSERT_EQ(workbook.SheetCount(), 2u);
  EXPECT_EQ(workbook.SheetName(1), u"Sheet2");

  const Bytes out = Save(workbook);
  for (const std::uint16_t dropped :
       {rid::kDimensions, rid::kIndex, rid::kDbCell, rid::kRecalcId}) {
    EXPECT_EQ(CountId(out, dropped), 0u) << std::hex << dropped;
  }
  EXPECT_EQ(CountId(out, rid::kExtSst), 1u);  // written fresh
  std::vector<std::uint32_t> offsets;
  std::vector<std::size_t> sheet_bofs;
  for (const auto& r : Records(out)) {
    if (r.id == rid::kBoundSheet) offsets.push_back(biff::Get32(r.body.data()));
    if (r.id == rid::kBof && biff::Get16(r.body.data() + 2) == rid::kBofWorksheet)
      sheet_bofs.push_back(r.offset);
  }
  ASSERT_EQ(offsets.size(), 2u);
  EXPECT_EQ(offsets[0], sheet_bofs.at(0));
  EXPECT_EQ(offsets[1], sheet_bofs.at(1));

  // What was saved loads again and saves to the same bytes.
  TWorkbook again;
  again.Load(out);
  EXPECT_EQ(Save(again), out);
  EXPECT_EQ(again.WorkSheet(1)->Cells().CellList().Find(1, 1)->GetValue().ToString(), "hello");
}

TEST(WorkbookStream, ZeroPaddingAfterTheLastEofEndsTheStream) {
  Bytes stream = Workbook({Cat({Row(0), Number(0, 0, 7)})});
  const std::size_t size = stream.size();
  stream.resize(size + 512, 0);
  TWorkbook workbook;
  workbook.Load(stream);
  const Bytes out = Save(workbook);
  EXPECT_EQ(Records(out).back().id, rid::kEof);
  TWorkbook plain;
  plain.Load(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(size)));
  EXPECT_EQ(Save(plain), out);
}

TEST(WorkbookStream, LabelRecordsAreKeptOpaque) {
  const Bytes label = Rec(0x0204, Cat({W({0, 0, 15, 3}), Bytes{0}, Latin1("abc")}));
  TWorkbook workbook;
  workbook.Load(Workbook({Cat({Row(0), label})}));
  const TWorkSheet& sheet = *workbook.WorkSheet(0);
  EXPECT_EQ(sheet.Cells().CellList().RecordCount(), 0u);
  ASSERT_EQ(sheet.HeadRecords().Count(), 1u);
  EXPECT_EQ(sheet.HeadRecords()[0]->Id(), rid::kLabel);
  const Bytes out = Save(workbook);
  EXPECT_NE(std::search(out.begin(), out.end(), label.begin(), label.end()), out.end());
}

TEST(WorkbookStream, ContinueRecordsStayWithTheirRecordInOrder) {
  const Bytes head = Rec(0x00EF, Bytes{1, 2});
  const Bytes chain = Cat({head, Rec(0x003C, Bytes{3}), Rec(0x003C, Bytes{4, 5})});
  TWorkbook workbook;
  workbook.Load(Workbook({chain}));
  const TBaseRecord& record = *workbook.WorkSheet(0)->HeadRecords()[0];
  EXPECT_EQ(record.DataSizeWithContinues(), 5);
  EXPECT_EQ(record.TotalSize(), 17);
  const Bytes out = Save(workbook);
  EXPECT_NE(std::search(out.begin(), out.end(), chain.begin(), chain.end()), out.end());
}

TEST(WorkbookStream, ChartSheetsKeepTheirRecordsInPlace) {
  Bytes stream = Bof(0x0005);
  Append(stream, BoundSheet("Data"));
  Append(stream, BoundSheet("Chart", 0x0200));
  Append(stream, BoundSheet("More"));
  Append(stream, Eof());
  Append(stream, Cat({Bof(0x0010), Row(0), Number(0, 0, 1), Window2(), Eof()}));
  const Bytes chart = Cat({Bof(0x0020), Rec(0x1001, W({0})), Rec(0x1051, Bytes(8)), Window2(),
                           Rec(0x1033, {}), Rec(0x1034, {}), Eof()});
  Append(stream, chart);
  Append(stream, Cat({Bof(0x0010), Window2(), Eof()}));
  TWorkbook workbook;
  workbook.Load(stream);
  ASSERT_EQ(workbook.SheetCount(), 3u);
  EXPECT_FALSE(workbook.IsWorksheet(1));
  EXPECT_NE(workbook.Sheet(1).Window2(), nullptr);
  const Bytes out = Save(workbook);
  EXPECT_NE(std::search(out.begin(), out.end(), chart.begin(), chart.end()), out.end());
}

TEST(WorkbookStream, RefusesMalformedAndUnsupportedStreams) {
  const std::string invalid = "Error reading Excel records. File invalid";
  const Bytes sheet = Cat({Row(0), Number(0, 0, 1)});
  // A BIFF5 workbook, and a password-protected one.
  ExpectLoadError(Cat({Bof(0x0005, 0x0500), Eof()}),
                  "Template file is saved with an invalid Excel version");
  ExpectLoadError(Workbook({sheet}, Rec(0x002F, Bytes(54))), "File is password protected");
  // Not a BOF first; an unknown sub-stream kind; a second globals section.
  ExpectLoadError(Cat({Row(0), Workbook({sheet})}), invalid);
  ExpectLoadError(Cat({Bof(0x0040), Eof()}), invalid);
  ExpectLoadError(Cat({Workbook({sheet}), Bof(0x0005), Eof()}), invalid);
  // A sheet cut short: in a header, in a body, or without its EOF.
  Bytes whole = Workbook({sheet});
  ExpectLoadError(Bytes(whole.begin(), whole.end() - 2), invalid);
  ExpectLoadError(Bytes(whole.begin(), whole.end() - 4), invalid);
  Bytes body_cut = Cat({Bof(0x0005), BoundSheet("S"), Eof(), Bof(0x0010), Row(0)});
  body_cut.resize(body_cut.size() - 3);
  ExpectLoadError(body_cut, invalid);
  // A BOF inside a worksheet.
  ExpectLoadError(Workbook({Cat({Bof(0x0010), Eof()})}), invalid);
  // STRING after a record that has no text result; TABLE after anything but a FORMULA.
  ExpectLoadError(
      Workbook({Cat({Row(0), Number(0, 0, 1), Rec(0x0207, Cat({W({1}), Bytes{0, 'x'}}))})}),
      invalid);
  ExpectLoadError(Workbook({Cat({Row(0), Number(0, 0, 1), Rec(0x0236, Bytes(16))})}), invalid);
  // Row/column records too short for their fields.
  ExpectLoadError(Workbook({Rec(0x0203, W({0, 0, 15}))}), "Record with ID 0x203 is invalid");
  ExpectLoadError(Workbook({Rec(0x001C, W({0}))}), "Record with ID 0x1c is invalid");
  // Two sheets of the same name.
  Bytes twice = Cat({Bof(0x0005), BoundSheet("A"), BoundSheet("A"), Eof()});
  ExpectLoadError(twice, "Sheet name already exist: A");
}

TEST(WorkbookStream, FreshSheetNamesCountUpPastNamesInUse) {
  TWorkbook workbook;
  workbook.Load(Workbook({Bytes{}, Bytes{}}));  // "Sheet1" and "Sheet2"
  TBoundSheetList& sheets = workbook.Globals().BoundSheets();
  EXPECT_EQ(sheets.FreshName(u"Sheet"), u"Sheet");
  EXPECT_EQ(sheets.FreshName(u"Sheet"), u"Sheet3");
  // Names differing only by case are the same name to spreadsheet programs.
  EXPECT_EQ(sheets.FreshName(u"sheet"), u"sheet4");
  EXPECT_EQ(sheets.FreshName(u"Sheet"), u"Sheet5");
}

TEST(WorkbookStream, SelectingAndRenamingSheets) {
  const Bytes window1 = Rec(0x003D, W({0, 0, 0x4000, 0x2000, 0x38, 1, 3, 2, 0x258}));
  TWorkbook workbook;
  workbook.Load(Workbook({Bytes{}, Bytes{}, Bytes{}}, window1));
  EXPECT_EQ(workbook.ActiveSheet(), 1u);
  auto selected = [&](std::size_t i) {
    return (workbook.Sheet(i).Window2()->Options() & 0x0200) != 0;
  };
  workbook.Sheet(1).Window2()->SetOptions(workbook.Sheet(1).Window2()->Options() | 0x0200);
  workbook.SelectSheet(2);
  EXPECT_EQ(workbook.ActiveSheet(), 2u);
  EXPECT_FALSE(selected(1));
  EXPECT_TRUE(selected(2));
  EXPECT_EQ(workbook.Globals().Window1()->Get16(12), 0);
  EXPECT_EQ(workbook.Globals().Window1()->Get16(14), 1);
  EXPECT_THROW(workbook.SelectSheet(3), XlsError);

  workbook.SetSheetName(0, u"\u0421\u0432\u043e\u0434\u043a\u0430");
  EXPECT_EQ(workbook.SheetName(0), u"\u0421\u0432\u043e\u0434\u043a\u0430");
  EXPECT_EQ(workbook.Globals().BoundSheets()[0].DataSize(), 6u + 2 + 12);
  try {
    workbook.SetSheetName(1, u"Sheet3");
    FAIL();
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(), "Sheet name already exist: Sheet3");
  }
  // The old name is free again; the saved directory still points at each BOF.
  workbook.SetSheetName(2, u"Sheet1");
  TWorkbook again;
  again.Load(Save(workbook));
  EXPECT_EQ(again.SheetName(2), u"Sheet1");
  EXPECT_EQ(again.ActiveSheet(), 2u);
}

TEST(WorkbookStream, PaletteColoursFromTheRecordOrTheStandardTable) {
  TWorkbook plain;
  plain.Load(Workbook({Bytes{}}, Rec(0x00E0, Bytes(20))));
  const TWorkbookGlobals& globals = plain.Globals();
  EXPECT_EQ(globals.PaletteColor(0), 0x000000u);
  EXPECT_EQ(globals.PaletteColor(1), 0xFFFFFFu);
  EXPECT_EQ(globals.PaletteColor(2), 0x0000FFu);
  EXPECT_EQ(globals.PaletteColor(3), 0x00FF00u);
  EXPECT_EQ(globals.PaletteColor(55), 0x333333u);
  try {
    globals.PaletteColor(56);
    FAIL();
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(),
                 "The index \"56\" of the property \"Palette index\" is not in the range 0-55");
  }
  // Setting a colour creates the PALETTE record after the XF records.
  plain.Globals().SetPaletteColor(4, 0x123456);
  EXPECT_EQ(globals.PaletteColor(4), 0x123456u);
  EXPECT_EQ(globals.PaletteColor(5), 0x00FFFFu);
  try {
    plain.Globals().SetPaletteColor(56, 0);
    FAIL();
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(), "Too many entries for this kind of record (56 out of a maximum of 55)");
  }
  const auto ids = Ids(Save(plain));
  EXPECT_EQ(ids[1], 0x00E0);
  EXPECT_EQ(ids[2], 0x0092);

  TWorkbook custom;
  custom.Load(Workbook({Bytes{}}, Rec(0x0092, Cat({W({2}), D(0xAABBCC), D(0x010203)}))));
  EXPECT_EQ(custom.Globals().PaletteColor(1), 0x010203u);
  try {
    custom.Globals().PaletteColor(2);
    FAIL();
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(),
                 "The index \"2\" of the property \"Palette Color Index\" is not in the range 0-1");
  }
}

TEST(WorkbookStream, CountsAndRangesFromTheFileAreCheckedAgainstItsData) {
  // Column ranges reaching past the last column cost no more than the columns there are.
  Bytes wide;
  for (int i = 0; i < 2000; ++i) Append(wide, Rec(0x007D, W({0, 0xFFFF, 256, 15, 0, 0})));
  TWorkbook workbook;
  workbook.Load(Workbook({wide}));
  EXPECT_EQ(workbook.WorkSheet(0)->ColInfo().Count(), 256u);
  // Counts larger than their record.
  ExpectLoadError(Workbook({Bytes{}}, Rec(0x0017, Cat({W({0xFFFF}), W({0, 0, 0})}))),
                  "Error reading record");
  ExpectLoadError(Workbook({Rec(0x00E5, Cat({W({3}), W({0, 1, 0, 1})}))}),
                  "Record with ID 0xe5 is invalid");
  ExpectLoadError(Workbook({Rec(0x01B0, Cat({W({1, 0, 0, 1, 0, 1, 50}), W({0, 1, 0, 1})}))}),
                  "Record with ID 0x1b0 is invalid");
  // A NAME whose characters run past its body.
  ExpectLoadError(
      Workbook({Bytes{}}, Rec(0x0018, Cat({W({0, 0xFF00, 0, 0, 0, 0, 0}), Bytes{0, 'a'}}))),
      "Record with ID 0x18 is invalid");
  // A shared string table spread over thousands of one-byte CONTINUE records reads in one pass.
  Bytes sst = Rec(0x00FC, Cat({D(3000), D(3000)}));
  for (int i = 0; i < 3000; ++i) {
    Append(sst, Cat({Rec(0x003C, W({1})), Rec(0x003C, Bytes{0}), Rec(0x003C, Latin1("x"))}));
  }
  Bytes stream = Cat({Bof(0x0005), BoundSheet("S"), sst, Eof(), Bof(0x0010), Window2(), Eof()});
  TWorkbook strings;
  strings.Load(stream);
  EXPECT_EQ(strings.Globals().SST().Count(), 3000u);
}

TEST(WorkbookStream, SaveNeedsEverySectionAndOneBoundSheetPerSheet) {
  TWorkbook empty;
  try {
    Save(empty);
    FAIL();
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(), "A section of the workbook is not loaded");
  }
  // Three BOUNDSHEET records for two sheets.
  Bytes stream = Cat({Bof(0x0005), BoundSheet("A"), BoundSheet("B"), BoundSheet("C"), Eof(),
                      Bof(0x0010), Window2(), Eof(), Bof(0x0010), Window2(), Eof()});
  TWorkbook workbook;
  workbook.Load(stream);
  try {
    Save(workbook);
    FAIL();
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(), "Error reading Excel records. File invalid");
  }
}

TEST(WorkbookStream, GlobalsWriteFormatTablesWhereTheyStoodAndReferencesAfterTheSheets) {
  const Bytes font =
      Rec(0x0031, Cat({W({200, 0, 0x7FFF, 400, 0, 0}), Bytes{5, 0}, Latin1("Arial")}));
  const Bytes xf = Rec(0x00E0, Bytes(20));
  const Bytes globals = Cat({Rec(0x0042, W({1252})), font, font, Rec(0x00E1, {}), xf, xf,
                             Rec(0x0293, Cat({W({0x8000}), Bytes{0, 0xFF}})),
                             Rec(0x01AE, W({1, 0x0401})), Rec(0x0017, Cat({W({1}), W({0, 0, 0})})),
                             Rec(0x0018, Cat({W({0x20, 0x0100, 11, 0, 1, 0, 0}), Bytes{0}, Bytes{6},
                                              Bytes{0x3B}, W({0, 0, 4, 0, 2})}))});
  TWorkbook workbook;
  workbook.Load(Workbook({Bytes{}}, globals));
  const auto& names = workbook.Globals().Names();
  ASSERT_EQ(names.Count(), 1u);
  const TNamedRange range = names.Name(0)->Range(workbook.Globals().References());
  EXPECT_EQ(range.sheet, 0);
  EXPECT_EQ(range.last_row, 4);
  EXPECT_EQ(range.last_column, 2);
  const auto ids = Ids(Save(workbook));
  const std::vector<std::uint16_t> expected = {0x0809, 0x0042, 0x0031, 0x0031, 0x00E1,
                                               0x00E0, 0x00E0, 0x0293, 0x0085, 0x01AE,
                                               0x0017, 0x0018, 0x00FC, 0x00FF, 0x000A};
  EXPECT_EQ(std::vector<std::uint16_t>(ids.begin(),
                                       ids.begin() + static_cast<std::ptrdiff_t>(expected.size())),
            expected);
}

TEST(WorkbookStream, LongExternSheetTablesAreWrittenInRecordsOfWholeEntries) {
  // 3,000 entries (18,002 bytes) cut mid-entry by the writer of the file.
  Bytes table = W({3000});
  for (std::uint16_t i = 0; i < 3000; ++i)
    Append(table, W({0, 0, static_cast<std::uint16_t>(i % 2)}));
  const Bytes globals =
      Cat({Rec(0x01AE, W({2, 0x0401})), Rec(0x0017, Bytes(table.begin(), table.begin() + 5001)),
           Rec(0x003C, Bytes(table.begin() + 5001, table.begin() + 10000)),
           Rec(0x003C, Bytes(table.begin() + 10000, table.end()))});
  TWorkbook workbook;
  workbook.Load(Workbook({Bytes{}, Bytes{}}, globals));
  const Bytes saved = Save(workbook);
  const auto records = Records(saved);
  auto at =
      std::find_if(records.begin(), records.end(), [](const auto& r) { return r.id == 0x0017; });
  std::vector<std::size_t> sizes;
  for (; at != records.end() && (sizes.empty() || at->id == 0x003C); ++at) {
    sizes.push_back(at->body.size());
  }
  EXPECT_EQ(sizes, (std::vector<std::size_t>{8222, 8220, 1560}));
  TWorkbook reloaded;
  reloaded.Load(saved);
  EXPECT_EQ(reloaded.Globals().References().ExternRefs().size(), 3000u);
  EXPECT_EQ(Save(reloaded), saved);
}

}  // namespace
}  // namespace chronolin
