#include "report/mem_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "cnx_tables.h"
#include "report/data_module.h"
#include "report/prop_list.h"
#include "report/report_error.h"
#include "report/sheet_name.h"

namespace chronolin {
namespace {

using test::CnxTables;
using test::S;

std::string Text(IXlsDataSet& table, const char* field) {
  return table.FieldByName(field)->Value().ToString();
}

std::string ThrownBy(const std::function<void()>& action) {
  try {
    action();
  } catch (const ReportError& error) {
    return error.what();
  }
  return "no error";
}

TEST_F(CnxTables, DetailShowsTheMastersGroupAndKeepsEachGroupsCursor) {
  for (const char* name : {"A", "a", "B"}) list.AddRecord({S(name)});
  cnx.AddRecord({S("A"), S("1")});
  cnx.AddRecord({S("B"), S("2")});
  cnx.AddRecord({S("A"), S("3")});
  cnx.AddRecord({S("a"), S("4")});

  list.First();  // A
  EXPECT_EQ(cnx.RecordCount(), 2);
  EXPECT_EQ(Text(cnx, "Duree"), "1");
  cnx.Next();
  EXPECT_EQ(Text(cnx, "Duree"), "3");

  list.Next();  // a: keys are case-sensitive, and this group starts at its own first record
  EXPECT_EQ(cnx.RecordCount(), 1);
  EXPECT_EQ(Text(cnx, "Duree"), "4");
  list.Next();  // B
  cnx.Next();
  EXPECT_TRUE(cnx.Eof());
  EXPECT_TRUE(cnx.FieldByName("Duree")->Value().IsEmpty());

  list.First();  // back to A, where it was left
  EXPECT_EQ(Text(cnx, "Duree"), "3");

  // The master past its end has an empty key: the group of records without a name.
  cnx.AddRecord({Variant(), S("5")});
  while (!list.Eof()) list.Next();
  EXPECT_EQ(cnx.RecordCount(), 1);
  EXPECT_EQ(Text(cnx, "Duree"), "5");
}

TEST_F(CnxTables, KeyWithoutRecordsAndTableWithoutMaster) {
  list.AddRecord({S("Z")});
  list.First();
  cnx.AddRecord({S("A"), S("1")});
  cnx.First();  // no records for Z: nothing moves
  EXPECT_TRUE(cnx.Eof());
  EXPECT_EQ(cnx.RecordCount(), 0);

  // Grouped but without a master: only the records with an empty key are seen.
  cnx.SetMasterTable(nullptr);
  EXPECT_EQ(cnx.RecordCount(), 0);
  cnx.AddRecord({S(""), S("2")});
  EXPECT_EQ(cnx.RecordCount(), 1);
  EXPECT_EQ(Text(cnx, "Duree"), "2");
}

TEST_F(CnxTables, RefusedChangesLeaveTheTableAsItWas) {
  cnx.AddRecord({S("A"), S("1")});
  EXPECT_EQ(ThrownBy([&] { cnx.AddRecord({S("A")}); }), "Invalid column count");
  EXPECT_EQ(ThrownBy([&] { cnx.FieldByName("Nope"); }), "Field not found: \"Nope\"");
  EXPECT_EQ(ThrownBy([&] { cnx.SetMasterField("Nope"); }), "Field not found: \"Nope\"");
  EXPECT_EQ(ThrownBy([&] { cnx.Columns()[1].SetName("NAME"); }), "Duplicated Field Name: \"NAME\"");
  EXPECT_EQ(ThrownBy([&] { list.SetMasterTable(&cnx); }),
            "Table \"CnxList\" can't be its own master, directly or through other tables");
  EXPECT_EQ(cnx.MasterField(), "Name");
  EXPECT_EQ(list.MasterTable(), nullptr);
  cnx.Columns()[1].SetName("duree");  // renaming keeps the records
  EXPECT_EQ(cnx.FieldByName("DUREE")->FieldName(), "duree");
  list.AddRecord({S("A")});
  list.First();
  EXPECT_EQ(cnx.RecordCount(), 1);

  cnx.SetMasterField("duree");  // another grouping drops the records
  EXPECT_EQ(ThrownBy([&] { cnx.RecordCount(); }), "Field not found: \"duree\"");  // in the master
  cnx.SetMasterField("Name");
  EXPECT_EQ(cnx.RecordCount(), 0);
  cnx.AddRecord({S("A"), S("1")});
  cnx.Columns().Add("Ajustement");  // so does a column change
  EXPECT_EQ(cnx.RecordCount(), 0);
}

TEST_F(CnxTables, EveryKindOfValueReadsBackAsAddedInEachGroupAcrossBlocks) {
  VariantArray array({{1, 2}});
  array.At({2}) = S("inner");
  const std::string bytes("\0\xFF\r\n\"x", 6);
  const std::vector<Variant> kinds = {
      Variant(),
      Variant::Null(),
      Variant::FromSmallInt(-32768),
      Variant::FromInt32(-2147483647 - 1),
      Variant::FromInt64(std::numeric_limits<std::int64_t>::max()),
      Variant::FromByte(255),
      Variant::FromSingle(-1.5e-3F),
      Variant::FromDouble(-0.0),
      Variant::FromDouble(1e300),
      Variant::FromCurrency(Currency::FromScaled(-922337203685477580)),
      Variant::FromDate(45382.999988),
      Variant::FromBool(true),
      Variant::FromBool(false),
      S(""),
      Variant::FromString(bytes),
      Variant::FromString(std::string(70000, 'L')),
      Variant::FromWideString(std::u16string(u"\u00e9t\u00e9\0\xD83D")),
      Variant::FromArray(array),
  };
  list.AddRecord({S("A")});
  list.AddRecord({S("B")});
  // Two groups of more than a block each, their records added in turn.
  constexpr int kEach = 1100;
  for (int i = 0; i < 2 * kEach; ++i) {
    cnx.AddRecord(
        {S(i % 2 == 0 ? "A" : "B"), kinds[static_cast<std::size_t>(i / 2) % kinds.size()]});
  }
  for (list.First(); !list.Eof(); list.Next()) {
    ASSERT_EQ(cnx.RecordCount(), kEach);
    int i = 0;
    for (cnx.First(); !cnx.Eof(); cnx.Next(), ++i) {
      const Variant value = cnx.FieldByName("Duree")->Value();
      const Variant& expected = kinds[static_cast<std::size_t>(i) % kinds.size()];
      ASSERT_EQ(value, expected) << "record " << i << " of " << Text(list, "Name");
      if (expected.Type() == VarType::Double) {
        ASSERT_EQ(std::signbit(value.ToDouble()), std::signbit(expected.ToDouble()));
      }
    }
  }
  cnx.ClearRecords();
  cnx.AddRecord({S("A"), S("again")});
  list.First();
  EXPECT_EQ(Text(cnx, "Duree"), "again");
}

TEST(MemTable, MasterGoneLeavesTheDetailAlone) {
  TMemTable detail;
  detail.Columns().Add("Name");
  {
    TMemTable master;
    master.Columns().Add("Name");
    detail.SetMasterField("Name");
    detail.SetMasterTable(&master);
  }
  EXPECT_EQ(detail.MasterTable(), nullptr);
  detail.AddRecord({Variant()});
  EXPECT_EQ(detail.RecordCount(), 1);
}

TEST(MemTable, VirtualModeAsksItsEvents) {
  TMemTable table;
  table.Columns().Add("N");
  std::vector<std::string> calls;
  table.OnVirtualRecordCount = [](TObject*, std::int32_t& count) { count = 3; };
  table.OnGetData = [&](TObject*, const std::string& field, std::int32_t pos, Variant& value) {
    value = Variant::FromString(field + std::to_string(pos));
  };
  table.OnNext = [&](TObject*) { calls.push_back("next"); };
  table.OnLast = [&](TObject*) { calls.push_back("last"); };
  EXPECT_EQ(table.RecordCount(), 3);
  table.Next();
  EXPECT_EQ(Text(table, "N"), "N1");
  table.Last();
  EXPECT_EQ(Text(table, "N"), "N2");
  table.Next();
  EXPECT_TRUE(table.Eof());
  table.Open();  // opening rewinds the virtual position
  EXPECT_EQ(Text(table, "N"), "N0");
  EXPECT_EQ(calls, (std::vector<std::string>{"next", "last", "next"}));
}

TEST(PropList, NamesIgnoreCaseAndEmptyDeletes) {
  TPropList values;
  values.SetValue("Month", S("mai"));
  values.SetValue("dureeT", S("01:00:00"));
  values.SetValue("MONTH", S("juin"));
  EXPECT_EQ(values.Value("month").ToString(), "juin");
  EXPECT_EQ(values.Count(), 2u);
  values.SetValue("Month", Variant());
  values.SetValue("Other", Variant());
  EXPECT_FALSE(values.Contains("Month"));
  EXPECT_EQ(values.Count(), 1u);
  EXPECT_EQ(values.Value("DUREET").ToString(), "01:00:00");
}

TEST(SheetName, MadeAcceptableAndUnique) {
  const std::vector<std::u16string> taken = {u"Orange", u"\u00c9t\u00e9 (2)",
                                             u"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"};
  EXPECT_EQ(ValidSheetName(u"Orange [3G]: a/b\\c*?", taken), u"Orange _3G__ a_b_c__");
  EXPECT_EQ(ValidSheetName(u"", taken), u"Sheet");
  EXPECT_EQ(ValidSheetName(u"ORANGE", taken), u"ORANGE (2)");
  EXPECT_EQ(ValidSheetName(u"\u00e9t\u00e9 (2)", taken), u"\u00e9t\u00e9 (2) (2)");
  // 40 characters: cut to 31, then the suffix makes room for itself.
  const std::u16string longName(40, u'a');
  EXPECT_EQ(ValidSheetName(longName, taken), std::u16string(27, u'a') + u" (2)");
  EXPECT_EQ(ValidSheetName(longName, {}), std::u16string(31, u'a'));
}

}  // namespace
}  // namespace chronolin
