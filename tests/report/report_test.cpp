#include <gtest/gtest.h>

#include <map>

#include "cnx_tables.h"
#include "fake_excel_file.h"
#include "report/data_module.h"
#include "report/mem_table.h"
#include "report/report_error.h"
#include "report/report_no_db.h"

namespace chronolin {
namespace {

using test::FakeAdapter;
using test::FakeName;
using test::FakePicture;
using test::FakeSheet;
using test::CnxTables;
using test::S;
using Lines = std::vector<std::string>;

FakePicture Picture(std::int32_t row, std::u16string name) {
  FakePicture picture;
  picture.Row = row;
  picture.Name = std::move(name);
  return picture;
}

// A data module like the export's: entries (CnxList) and their connections (Cnx), a report
// over the in-memory file.
struct Report : CnxTables {
  Report() {
    report.SetAdapter(&adapter);
    report.SetTemplate("template.xls");
    report.SetFileName("out.xls");
    adapter.Template.Sheets.emplace_back().Name = u"Feuil1";
  }

  FakeSheet& Template(std::size_t i = 0) { return adapter.Template.Sheets[i]; }
  void Band(const char16_t* name, std::int32_t first, std::int32_t last, std::int32_t sheet = 1) {
    adapter.Template.Names.push_back(FakeName{name, sheet, first, last, 1, 3});
  }
  void Entries(std::initializer_list<const char*> names) {
    for (const char* name : names) list.AddRecord({S(name)});
    list.First();
  }
  void Connection(const char* name, const char* duree) { cnx.AddRecord({S(name), S(duree)}); }
  // Cnx as a table of its own, all its records in one group.
  void Standalone() {
    cnx.SetMasterTable(nullptr);
    cnx.SetMasterField("");
  }
  const FakeSheet& Result(std::size_t i = 0) { return adapter.Saved->Sheets.at(i); }
  static std::string ErrorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const std::exception& error) {
      return error.what();
    }
    return "no error";
  }
  std::string RunError() {
    return ErrorOf([this] { report.Run(); });
  }

  FakeAdapter adapter;
  TReportNoDB report{&module};
};

TEST_F(Report, SheetWithoutBandsIsCopiedUnchanged) {
  Template().Set(1, 1, "##Cnx##Name");
  Template().Set(2, 2, "#.Nothing");
  report.Run();
  EXPECT_EQ(Result().Dump(), (Lines{"##Cnx##Name", "|#.Nothing"}));
  EXPECT_TRUE(adapter.Log.InsertRows.empty());
  EXPECT_EQ(adapter.Log.SavedName, "out.xls");
  EXPECT_EQ(adapter.Log.Disconnects, 1);
}

TEST_F(Report, BandWithoutRecordsDisappears) {
  Standalone();
  Template().Set(1, 1, "Head");
  Template().Set(2, 1, "##Cnx##Name");
  Template().Set(3, 1, "second band row");
  Template().Set(4, 1, "Total");
  Band(u"__Cnx__", 2, 3);
  report.Run();
  EXPECT_EQ(Result().Dump(), (Lines{"Head", "Total"}));
  EXPECT_EQ(adapter.Log.DeleteRows, (Lines{"2*2"}));
}

TEST_F(Report, MainBandWithoutDataSetIsProducedOnceAroundItsNestedBands) {
  Standalone();
  Connection("A", "1");
  Connection("B", "2");
  Connection("C", "3");
  report.SetValue("Month", S("mai 2026"));
  Template().Set(1, 1, "#.Month");
  Template().Set(2, 1, "##Cnx##Name");
  Template().Set(2, 2, "##Cnx##Duree");
  Template().Set(3, 1, "Total");
  Template().Set(4, 1, "after");
  Band(u"__Main__", 1, 3);
  Band(u"__Cnx__", 2, 2);
  report.Run();
  EXPECT_EQ(Result().Dump(), (Lines{"mai 2026", "A|1", "B|2", "C|3", "Total", "after"}));
  // One insertion for the whole band, copying formulas only: the values come from the cache.
  EXPECT_EQ(adapter.Log.InsertRows, (Lines{"2-2@3*2 f"}));
}

// Two bands starting on one row: the longer is the outer one, whatever the name order. The
// detail shows each entry's connections and keeps its cursor per entry.
TEST_F(Report, NestedMasterDetailBands) {
  Entries({"A", "B", "b"});
  Connection("A", "1");
  Connection("B", "2");
  Connection("A", "3");
  Connection("b", "4");
  Template().Set(2, 1, "##Cnx##Duree");
  Template().Set(3, 1, "##CnxList##Name");
  Template().Set(4, 1, "end");
  Band(u"__Cnx__", 2, 2);
  Band(u"__CnxList__", 2, 3);
  for (bool cache : {true, false}) {
    SCOPED_TRACE(cache ? "cached band" : "band read from the copies");
    adapter.OptimizeRead = cache;
    report.Run();  // a second run finds the tables where the first left them
    EXPECT_EQ(Result().Dump(), (Lines{"", "1", "3", "A", "2", "B", "4", "b", "end"}));
  }
}

TEST_F(Report, NestedBandFillingTheRestOfItsParentAfterAnother) {
  Standalone();
  Connection("A", "1");
  Connection("B", "2");
  Template().Set(1, 1, "##Cnx##Name");
  Template().Set(2, 1, "##Cnx##Duree");
  Template().Set(3, 1, "total");
  Band(u"__Main__", 1, 3);
  Band(u"__Cnx__", 1, 1);
  // The same data set again, and a band that fills the rest of its parent after another; one
  // data set (a trailing name without "__" is ignored).
  Band(u"__Cnx__x", 2, 3);
  report.Run();
  EXPECT_EQ(Result().Dump(), (Lines{"A", "B", "1", "total", "2", "total"}));
}

TEST_F(Report, BandOverAnEmptyAndAMissingDataSetIsProducedOnce) {
  Standalone();
  Template().Set(1, 1, "##Cnx##Name");
  Template().Set(1, 2, "kept");
  Template().Set(2, 1, "sub");
  Template().Set(3, 1, "after");
  Band(u"__Nope__Cnx__", 1, 2);
  Band(u"__Sub__", 2, 2);
  report.Run();
  EXPECT_EQ(Result().Dump(), (Lines{"|kept", "sub", "after"}));
}

TEST_F(Report, PagesDataSetGivesOneNamedSheetPerRecord) {
  Entries({"Orange [3G]", "b", "B"});
  Connection("b", "7");
  report.SetPagesDataSet(&list);
  report.SetPagesDataField("Name");
  Template().Set(1, 1, "##CnxList##Name");
  Template().Set(2, 1, "##Cnx##Duree");
  Band(u"__Main__", 1, 2);
  Band(u"__Cnx__", 2, 2);
  report.Run();
  ASSERT_EQ(adapter.Saved->Sheets.size(), 3u);
  EXPECT_EQ(Result(0).Name, u"Orange _3G_");
  EXPECT_EQ(Result(1).Name, u"b");
  EXPECT_EQ(Result(2).Name, u"B (2)");
  EXPECT_EQ(Result(0).Dump(), (Lines{"Orange [3G]"}));
  EXPECT_EQ(Result(1).Dump(), (Lines{"b", "7"}));
  EXPECT_EQ(adapter.Saved->SelectedSheet, 1);
}

TEST_F(Report, EmptyPagesDataSetKeepsTheSheet) {
  report.SetPagesDataSet(&list);
  report.SetPagesDataField("Name");
  Template().Set(1, 1, "##CnxList##Name");
  Template().Set(1, 2, "x");
  Band(u"__Main__", 1, 1);
  report.Run();
  ASSERT_EQ(adapter.Saved->Sheets.size(), 1u);
  EXPECT_EQ(Result().Name, u"Feuil1");
  EXPECT_EQ(Result().Dump(), (Lines{"|x"}));
}

TEST_F(Report, FieldValuesAsWritten) {
  Standalone();
  cnx.AddRecord({S("Orange"), Variant::FromDate(0.5)});
  Template().Set(1, 1, "##Cnx##Name", 20);
  Template().Set(1, 2, "##Cnx##Duree", 42);
  Template().Set(1, 3, Variant(), 43);  // formatted blank
  Band(u"__Cnx__", 1, 1);
  std::vector<std::string> seen;
  report.OnGetCellValue = [&](TObject*, const std::string& tag, Variant& value) {
    seen.push_back(tag);
    if (value.IsText()) value = Variant::FromString(value.ToString() + "!");
  };
  report.Run();
  const TXlsCellValue* duree = Result().Cell(1, 2);
  ASSERT_NE(duree, nullptr);
  EXPECT_EQ(duree->Value.Type(), VarType::Double);  // a number the cell's format shows
  EXPECT_EQ(duree->Value.ToDouble(), 0.5);
  EXPECT_EQ(duree->XF, 42);
  EXPECT_EQ(Result().Cell(1, 1)->Value, S("Orange!"));
  EXPECT_EQ(Result().Cell(1, 3)->XF, 43);
  EXPECT_EQ(seen, (Lines{"##Cnx##Name", "##Cnx##Duree"}));
}

// A data set whose one field is a memo.
class MemoDataSet : public TComponent, public IXlsDataSet, public IXlsField {
 public:
  using TComponent::TComponent;
  IXlsDataSet* AsXlsDataSet() override { return this; }
  std::shared_ptr<IXlsField> GetField(std::int32_t) override {
    return std::shared_ptr<IXlsField>(std::shared_ptr<IXlsField>(), this);
  }
  bool IsActive() override { return true; }
  void Open() override {}
  void Close() override {}
  std::int32_t RecordCount() override { return 1; }
  void First() override { eof_ = false; }
  void Next() override { eof_ = true; }
  void Last() override {}
  bool Eof() override { return eof_; }
  std::string DataSetName() override { return Name(); }
  std::shared_ptr<IXlsField> FieldByName(const std::string&) override { return GetField(0); }
  std::int32_t FieldCount() override { return 1; }
  Variant Value() override { return eof_ ? Variant() : S("line one\r\nline two"); }
  IXlsDataSet* DataSet() override { return this; }
  bool IsDateTime() override { return false; }
  bool IsMemo() override { return true; }
  double AsFloat() override { return 0; }
  std::string FieldName() override { return "Remark"; }

 private:
  bool eof_ = false;
};

TEST_F(Report, MemoLineBreaksBecomeLineFeeds) {
  MemoDataSet memo(&module);
  memo.SetName("Memo");
  Template().Set(1, 1, "##Memo##Remark");
  Template().Set(3, 1, "##Memo##*");
  Band(u"__Memo__", 1, 1);
  Band(u"__Main__", 1, 3);
  report.Run();
  EXPECT_EQ(Result().Dump(), (Lines{"line one\nline two", "", "Remark", "line one\nline two"}));
}

TEST_F(Report, FullDataSets) {
  Standalone();
  TMemTable none(&module);
  none.SetName("None");
  none.Columns().Add("X");
  TMemTable one(&module);
  one.SetName("One");
  one.Columns().Add("Y");
  one.AddRecord({S("y")});
  Connection("A", "1");
  Connection("B", "2");
  Connection("C", "3");
  Template().Set(1, 1, "##Cnx##*");
  Template().Set(2, 1, "row format");
  Template().Set(3, 1, "##None##*");
  Template().Set(4, 1, "deleted");
  Template().Set(5, 2, "##One##*");
  Template().Set(6, 1, "end");
  Band(u"__Main__", 1, 6);
  report.Run();
  EXPECT_EQ(Result().Dump(), (Lines{"Name|Duree", "A|1", "B|2", "C|3", "X", "|Y", "end|y"}));
  // Only the three-record table inserted rows; one record needs none.
  EXPECT_EQ(adapter.Log.InsertRows, (Lines{"2-2@3*2"}));
}

TEST_F(Report, MarkerRowsAreDeletedOrBreakThePage) {
  Template().Set(1, 1, "one");
  Template().Set(2, 1, "...delete row...");
  Template().Set(3, 1, "...delete row...");
  Template().Set(4, 1, "...page break...");
  Template().Set(4, 2, "kept");
  Template().Set(5, 1, "two");
  Band(u"__Main__", 1, 5);
  report.Run();
  EXPECT_EQ(Result().Dump(), (Lines{"one", "|kept", "two"}));
  EXPECT_EQ(Result().PageBreaks, (std::vector<std::int32_t>{2}));
}

TEST_F(Report, NamedValuesAndProperties) {
  VariantArray list1({{1, 3}});
  for (std::int32_t i = 1; i <= 3; ++i) list1.At({i}) = Variant::FromInt32(i * 10);
  VariantArray grid({{0, 1}, {1, 2}});
  grid.At({1, 2}) = S("g12");
  module.PublishValue("Tab", Variant::FromArray(list1));
  module.PublishValue("Grid", Variant::FromArray(grid));
  module.PublishValue("When", Variant::FromDate(1.25));
  module.PublishProperty("Broken", []() -> Variant { throw std::runtime_error("x"); });
  report.SetValue("Month", S("mai"));

  struct Case {
    const char* tag;
    const char* expected;
  };
  const Case cases[] = {
      {"#.month", "mai"},
      {"#.Tab#.2", "20"},
      {"#.Tab#.3#.", "30"},
      {"#.Grid#.1#.2", "g12"},
      {"#.When", "1.25"},
      {"#.Missing", "Property \"Missing\" has not been defined or is not published"},
      {"#.Tab#.4", "The index \"4\" of the property \"Tab\" is not in the range 1-3"},
      {"#.Grid#.1#.3", "The index \"3\" of the property \"Grid\" is not in the range 1-2"},
      {"#.Grid#.1#.1#.1", "The property \"Grid\" has only 2 dimensions"},
      {"#.Broken", "Error trying to retrieve property \"Broken\". Verify it is a variant"},
      {"##Nope##X", "Can\u00b4t find the dataset Nope"},
      {"##Cnx##Nope", "Field not found: \"Nope\""},
  };
  Band(u"__Main__", 1, 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    Template().Set(1, 1, c.tag);
    const std::string error = RunError();
    if (error == "no error") {
      EXPECT_EQ(Result().Cell(1, 1)->Value.ToString(), c.expected);
    } else {
      EXPECT_EQ(error, c.expected);
    }
  }
  EXPECT_EQ(adapter.Log.Disconnects, adapter.Log.Connects);
}

TEST_F(Report, NotesAndPicturesNamedByTags) {
  Standalone();
  Connection("A", "png-bytes");
  Connection("B", "");
  Template().Set(1, 1, "##Cnx##Name");
  Template().Comments[1] = {u"plain", u"##Cnx##Name"};
  Template().Pictures.push_back(Picture(1, u"##Cnx##Duree##png"));
  Template().Pictures.push_back(Picture(1, u"Logo"));
  Band(u"__Cnx__", 1, 1);
  report.Run();
  EXPECT_EQ(Result().Comments.at(1), (std::vector<std::u16string>{u"plain", u"A"}));
  EXPECT_EQ(Result().Comments.at(2), (std::vector<std::u16string>{u"plain", u"B"}));
  const auto& pictures = Result().Pictures;
  ASSERT_EQ(pictures.size(), 4u);
  EXPECT_EQ(pictures[0].Data, "png-bytes");
  EXPECT_EQ(pictures[0].Type, TXlsImgTypes::xli_Png);
  EXPECT_FALSE(pictures[1].Assigned);  // an ordinary name
  EXPECT_EQ(pictures[2].Row, 2);
  EXPECT_TRUE(pictures[2].Assigned);  // an empty string is data too

  Template().Pictures[0].Name = u"##Cnx##Duree##gif";
  EXPECT_EQ(RunError(), "Drawing type \"GIF\" invalid");
}

TEST_F(Report, FailuresReachTheCallerAfterCleanUp) {
  Template().Set(1, 1, "x");
  Band(u"__Main__", 1, 1);
  adapter.FailSave = true;
  EXPECT_EQ(RunError(), "disk full");
  EXPECT_EQ(adapter.Log.CloseFiles, 1);
  EXPECT_EQ(adapter.Log.Disconnects, 1);

  report.SetTemplate("other.xls");
  EXPECT_EQ(RunError(), "Can't find the file \"other.xls\"");
  EXPECT_EQ(adapter.Log.Disconnects, 2);

  report.SetTemplate("template.xls");
  adapter.FailSave = false;
  for (int i = 0; i < 251; ++i) list.AddRecord({S("x")});
  report.SetPagesDataSet(&list);
  EXPECT_EQ(RunError(), "Trying to insert more sheets than the maximum allowed");

  TComponent plain(&module);
  plain.SetName("Plain");
  EXPECT_EQ(ErrorOf([&] { report.SetPagesDataSet(&plain); }),
            "Component \"Plain\" does not supports interface IXlsDataSet");
  EXPECT_EQ(report.PagesDataSet(), &list);

  report.SetAdapter(nullptr);
  EXPECT_EQ(RunError(), "There is no Adapter linked to the report");
  EXPECT_EQ(adapter.Log.Saves, 0);
}

TEST_F(Report, ComponentsGoneAreForgotten) {
  {
    FakeAdapter gone;
    TMemTable pages(&module);
    report.SetAdapter(&gone);
    report.SetPagesDataSet(&pages);
  }
  EXPECT_EQ(report.Adapter(), nullptr);
  EXPECT_EQ(report.PagesDataSet(), nullptr);
  EXPECT_EQ(report.DataModule(), &module);

  auto owner = std::make_unique<TDataModule>();
  TReportNoDB orphan(owner.get());
  EXPECT_EQ(orphan.DataModule(), owner.get());
  owner.reset();
  EXPECT_EQ(orphan.DataModule(), nullptr);
}

enum class Event { BeforeWorkbook, BeforePage, AfterPage, AfterWorkbook, CellValue, DataSetMove };

class CancelFrom : public Report, public ::testing::WithParamInterface<Event> {};

TEST_P(CancelFrom, StopsTheRunWithNothingSaved) {
  Entries({"A", "B"});
  Connection("A", "1");
  report.SetPagesDataSet(&list);
  Template().Set(1, 1, "##Cnx##Duree");
  Band(u"__Cnx__", 1, 1);
  auto cancel = [this](TObject*, TExcelFile&) { report.SetCanceled(true); };
  int events = 0;
  auto count = [&events](TObject*, TExcelFile&) { ++events; };
  report.OnBeforeGenerateWorkbook = report.OnBeforeGeneratePage = report.OnAfterGeneratePage =
      report.OnAfterGenerateWorkbook = count;
  switch (GetParam()) {
    case Event::BeforeWorkbook:
      report.OnBeforeGenerateWorkbook = cancel;
      break;
    case Event::BeforePage:
      report.OnBeforeGeneratePage = cancel;
      break;
    case Event::AfterPage:
      report.OnAfterGeneratePage = cancel;
      break;
    case Event::AfterWorkbook:
      report.OnAfterGenerateWorkbook = cancel;
      break;
    case Event::CellValue:
      report.OnGetCellValue = [this](TObject*, const std::string&, Variant&) {
        report.SetCanceled(true);
      };
      break;
    case Event::DataSetMove:
      cnx.OnFirst = [this](TObject*) { report.SetCanceled(true); };
      break;
  }
  report.Run();
  EXPECT_EQ(adapter.Log.Saves, 0);
  EXPECT_EQ(adapter.Log.Disconnects, 1);
  EXPECT_EQ(adapter.Log.CloseFiles, 0);
  // Events before the cancel only: one for the workbook, two per page.
  const std::map<Event, int> expected = {{Event::BeforeWorkbook, 0}, {Event::BeforePage, 1},
                                         {Event::AfterPage, 2},      {Event::AfterWorkbook, 5},
                                         {Event::CellValue, 2},      {Event::DataSetMove, 2}};
  EXPECT_EQ(events, expected.at(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(EachEvent, CancelFrom,
                         ::testing::Values(Event::BeforeWorkbook, Event::BeforePage,
                                           Event::AfterPage, Event::AfterWorkbook, Event::CellValue,
                                           Event::DataSetMove));

TEST_F(Report, ManyRecordsOneInsertion) {
  Standalone();
  for (int i = 0; i < 5000; ++i) cnx.AddRecord({S("n"), Variant::FromInt32(i)});
  Template().Set(1, 1, "##Cnx##Duree");
  Template().Set(2, 1, "total");
  Band(u"__Cnx__", 1, 1);
  report.Run();
  EXPECT_EQ(adapter.Log.InsertRows, (Lines{"1-1@2*4999 f"}));
  EXPECT_EQ(Result().Cell(5000, 1)->Value.ToString(), "4999");
  EXPECT_EQ(Result().Cell(5001, 1)->Value.ToString(), "total");
}

}  // namespace
}  // namespace chronolin
