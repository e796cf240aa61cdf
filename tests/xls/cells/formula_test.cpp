// FORMULA records on load and save: the cached result becomes the value and the saved result
// a placeholder; STRING, TABLE and ARRAY records stay with their formula; shared formulas are
// expanded into each cell.
#include <gtest/gtest.h>

#include "biff_builder.h"
#include "xls/cells/formula_record.h"
#include "xls/compound_file/xls_error.h"
#include "xls/records/record_ids.h"

namespace chronolin {
namespace {

using namespace bifftest;

Bytes Formula(std::uint16_t row, std::uint16_t col, const Bytes& result, const Bytes& tokens,
              std::uint16_t options = 0) {
  return Rec(0x0006, Cat({W({row, col, 15}), result, W({options}), D(0xDEADBEEF),
                          W({static_cast<std::uint16_t>(tokens.size())}), tokens}));
}
Bytes NumberResult(double v) {
  Bytes b(8);
  biff::SetDouble(b.data(), v);
  return b;
}
Bytes SpecialResult(std::uint8_t kind, std::uint8_t value) {
  return Bytes{kind, 0, value, 0, 0, 0, 0xFF, 0xFF};
}
Bytes Exp(std::uint16_t row, std::uint16_t col) {
  return Cat({Bytes{0x01}, W({row, col})});
}

TFormulaRecord* FormulaAt(TWorkbook& workbook, std::uint16_t row, std::uint16_t col) {
  return dynamic_cast<TFormulaRecord*>(workbook.WorkSheet(0)->Cells().CellList().Find(row, col));
}

TEST(Formula, CachedResultsAreReadAndAPlaceholderIsSaved) {
  const Bytes tokens = Bytes{0x1E, 1, 0};  // =1
  const Bytes string = Rec(0x0207, Cat({W({3}), Bytes{0}, Latin1("abc")}));
  TWorkbook workbook;
  workbook.Load(Workbook({Cat(
      {Row(0), Formula(0, 0, NumberResult(2.5), tokens), Formula(0, 1, SpecialResult(0, 0), tokens),
       string, Formula(0, 2, SpecialResult(1, 1), tokens),
       Formula(0, 3, SpecialResult(2, 7), tokens), Formula(0, 4, SpecialResult(3, 0), tokens)})}));
  EXPECT_EQ(FormulaAt(workbook, 0, 0)->GetValue(), Variant::FromDouble(2.5));
  EXPECT_EQ(FormulaAt(workbook, 0, 1)->GetValue(), Variant::FromWideString(u"abc"));
  EXPECT_EQ(FormulaAt(workbook, 0, 2)->GetValue(), Variant::FromBool(true));
  EXPECT_TRUE(FormulaAt(workbook, 0, 3)->GetValue().IsEmpty());
  EXPECT_TRUE(FormulaAt(workbook, 0, 4)->GetValue().IsEmpty());
  const Bytes out = Save(workbook);
  EXPECT_EQ(CountId(out, rid::kString), 0u);
  std::size_t formulas = 0;
  for (const auto& r : Records(out)) {
    if (r.id != rid::kFormula) continue;
    ++formulas;
    EXPECT_EQ(Bytes(r.body.begin() + 6, r.body.begin() + 14), SpecialResult(2, 0));
    EXPECT_EQ(r.body[14] & 0x02, 0x02);  // calculate on load
    EXPECT_EQ(biff::Get32(r.body.data() + 16), 0u);
    EXPECT_EQ(Bytes(r.body.begin() + 20, r.body.end()), Cat({W({3}), tokens}));
  }
  EXPECT_EQ(formulas, 5u);
  // A STRING with no formula before it in the sheet.
  TWorkbook bad;
  EXPECT_THROW(bad.Load(Workbook({Cat({Rec(0x04BC, Bytes(10)), string})})), XlsError);
}

TEST(Formula, SharedFormulasExpandIntoEachCellWithAbsoluteReferences) {
  // B6:B8 share "=B(row-1)*2 + $A$1 + A(row-1):A$1" written relative: ptgRefN (-1 row,
  // 0 column), an absolute ptgRef, and an area ptgAreaN one column to the left whose last row
  // is absolute.
  const Bytes shared_tokens =
      Cat({Bytes{0x2C}, W({0xFFFF, 0xC000}), Bytes{0x1E, 2, 0, 0x05}, Bytes{0x24}, W({0, 0}),
           Bytes{0x03}, Bytes{0x4D}, W({0xFFFF, 0, 0xC0FF, 0x40FF}), Bytes{0x03}});
  const Bytes shrfmla =
      Rec(0x04BC, Cat({W({5, 7}), Bytes{1, 1, 0, 3},
                       W({static_cast<std::uint16_t>(shared_tokens.size())}), shared_tokens}));
  Bytes body = Cat({Row(5), Row(6), Row(7), Formula(5, 1, NumberResult(1), Exp(5, 1), 0x08),
                    shrfmla, Formula(6, 1, NumberResult(1), Exp(5, 1), 0x08),
                    Formula(7, 1, NumberResult(1), Exp(5, 1), 0x08)});
  TWorkbook workbook;
  workbook.Load(Workbook({body}));
  for (std::uint16_t row = 5; row <= 7; ++row) {
    const TFormulaRecord& f = *FormulaAt(workbook, row, 1);
    ASSERT_EQ(f.TokenLength(), shared_tokens.size());
    const std::uint8_t* t = f.Tokens();
    EXPECT_EQ(t[0], 0x24);
    EXPECT_EQ(biff::Get16(t + 1), row - 1);
    EXPECT_EQ(biff::Get16(t + 3), 0xC001);  // column B, relative flags kept
    EXPECT_EQ(biff::Get16(t + 10), 0);      // $A$1 untouched
    EXPECT_EQ(t[15], 0x45);                 // area, value class
    EXPECT_EQ(biff::Get16(t + 16), row - 1);
    EXPECT_EQ(biff::Get16(t + 18), 0);       // absolute row: no offset added
    EXPECT_EQ(biff::Get16(t + 20), 0xC000);  // column A: one left of B
    EXPECT_EQ(biff::Get16(t + 22), 0x4000);
    EXPECT_EQ(f.Data()[14] & 0x08, 0);  // no longer shared
  }
  EXPECT_EQ(CountId(Save(workbook), rid::kShrFmla), 0u);

  TWorkbook missing;
  try {
    missing.Load(Workbook({Cat({Row(5), Formula(5, 1, NumberResult(1), Exp(4, 1))})}));
    FAIL();
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(), "Can't find Shared Formula");
  }
}

TEST(Formula, TableArrayAndTheirFormulaStayTogether) {
  const Bytes array =
      Rec(0x0221, Cat({W({1, 2}), Bytes{1, 1}, W({0}), D(0), W({3}), Bytes{0x1E, 4, 0}}));
  const Bytes table = Rec(0x0236, Cat({W({3, 4}), Bytes{2, 2}, W({0, 1, 2, 3, 4})}));
  const Bytes string = Rec(0x0207, Cat({W({1}), Bytes{0}, Latin1("z")}));
  Bytes body =
      Cat({Row(1), Row(2), Row(3), Formula(1, 1, SpecialResult(0, 0), Exp(1, 1)), array, string,
           Formula(2, 1, NumberResult(4), Exp(1, 1)),
           Formula(3, 2, NumberResult(4), Bytes{0x02, 3, 0, 2, 0}), table, Number(1, 0, 9)});
  TWorkbook workbook;
  workbook.Load(Workbook({body}));
  EXPECT_NE(FormulaAt(workbook, 1, 1)->Array(), nullptr);
  EXPECT_EQ(FormulaAt(workbook, 1, 1)->GetValue(), Variant::FromWideString(u"z"));
  EXPECT_NE(FormulaAt(workbook, 3, 2)->Table(), nullptr);
  const auto ids = Ids(Save(workbook));
  const auto after = [&](std::uint16_t id) {
    auto it = std::find(ids.begin(), ids.end(), id);
    return it == ids.begin() || it == ids.end() ? 0 : *(it - 1);
  };
  EXPECT_EQ(after(rid::kArray), rid::kFormula);
  EXPECT_EQ(after(rid::kTable), rid::kFormula);
}

TEST(Formula, TokenArraysThatLeaveTheirRecordAreRefused) {
  TWorkbook workbook;
  try {
    workbook.Load(Workbook(
        {Rec(0x0006, Cat({W({0, 0, 15}), NumberResult(0), W({0}), D(0), W({200}), Bytes{0x03}}))}));
    FAIL();
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(), "Record with ID 0x6 is invalid");
  }
  // A shared formula holding a token the walker cannot step over.
  const Bytes shrfmla = Rec(0x04BC, Cat({W({0, 0}), Bytes{0, 0, 0, 1}, W({2}), Bytes{0x18, 0x01}}));
  TWorkbook unknown;
  try {
    unknown.Load(Workbook({Cat({Row(0), Formula(0, 0, NumberResult(0), Exp(0, 0)), shrfmla})}));
    FAIL();
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(), "Error reading formula, Token Id: 0x18 is not supported");
  }
}

}  // namespace
}  // namespace chronolin
