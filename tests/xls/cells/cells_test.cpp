// Rows, cells and column information as loaded and saved: RK numbers, MULRK/MULBLANK
// expansion, blocks of 32 rows, COLINFO runs, page breaks and cell values by type.
#include <array>
#include <cmath>

#include <gtest/gtest.h>

#include "biff_builder.h"
#include "xls/cells/rk_value.h"
#include "xls/compound_file/xls_error.h"
#include "xls/records/record_ids.h"

namespace chronolin {
namespace {

using namespace bifftest;

TEST(RK, DecodesBothFormsAndTheHundredthFlag) {
  EXPECT_EQ(DecodeRK(0x40080000), 3.0);
  EXPECT_EQ(DecodeRK(0x3FE00000), 0.5);
  EXPECT_DOUBLE_EQ(DecodeRK(0x405EC001), 1.23);
  EXPECT_EQ(DecodeRK(4000006), 1000001.0);
  EXPECT_EQ(DecodeRK(static_cast<std::uint32_t>(-536870911 * 4 + 2)), -536870911.0);
  EXPECT_DOUBLE_EQ(DecodeRK(static_cast<std::uint32_t>(-5 * 4 + 3)), -0.05);
}

TEST(RK, EncodesFloatingFormFirstThenIntegerThenHundredths) {
  EXPECT_EQ(EncodeRK(3), 0x40080000u);
  EXPECT_EQ(EncodeRK(0.5), 0x3FE00000u);
  EXPECT_EQ(EncodeRK(1.23), 0x405EC001u);
  EXPECT_EQ(EncodeRK(1000001), 4000006u);
  EXPECT_EQ(EncodeRK(-536870911), static_cast<std::uint32_t>(-536870911 * 4 + 2));
  EXPECT_EQ(EncodeRK(536870912), 0x41C00000u);
  EXPECT_FALSE(EncodeRK(1.0 / 3));
  EXPECT_FALSE(EncodeRK(536870913));
  EXPECT_FALSE(EncodeRK(-536870913));
  for (const double x : {0.0, -2.5, 12.34, 1e10, -7.0, 99.99}) {
    if (const auto rk = EncodeRK(x)) {
      EXPECT_DOUBLE_EQ(DecodeRK(*rk), x) << x;
    }
  }
}

TEST(Cells, ValuesByTypeAndMultipleRecordsExpanded) {
  const Bytes mulrk =
      Rec(0x00BD, Cat({W({2, 3}), W({21}), D(0x40080000), W({22}), D(4000006), W({4})}));
  const Bytes mulblank = Rec(0x00BE, Cat({W({2, 6, 30, 31, 32, 8})}));
  const Bytes boolerr = Rec(0x0205, Cat({W({2, 0, 15}), Bytes{1, 0}}));
  const Bytes error = Rec(0x0205, Cat({W({2, 1, 15}), Bytes{7, 1}}));
  const Bytes unknown_error = Rec(0x0205, Cat({W({2, 2, 15}), Bytes{99, 1}}));
  TWorkbook workbook;
  workbook.Load(Workbook(
      {Cat({Row(2), boolerr, error, unknown_error, mulrk, mulblank, Number(2, 9, -1.25)})}));
  const TCellList& cells = workbook.WorkSheet(0)->Cells().CellList();
  EXPECT_EQ(cells.Find(2, 0)->GetValue(), Variant::FromBool(true));
  EXPECT_EQ(cells.Find(2, 1)->GetValue().ToString(), "#DIV/0!");
  EXPECT_EQ(cells.Find(2, 2)->GetValue().ToString(), "#NULL!");
  EXPECT_EQ(cells.Find(2, 3)->GetValue().ToDouble(), 3.0);
  EXPECT_EQ(cells.Find(2, 3)->XF(), 21);
  EXPECT_EQ(cells.Find(2, 4)->GetValue().ToDouble(), 1000001.0);
  EXPECT_EQ(cells.Find(2, 4)->XF(), 22);
  EXPECT_EQ(cells.Find(2, 5), nullptr);
  for (std::uint16_t c = 6; c <= 8; ++c) {
    ASSERT_NE(cells.Find(2, c), nullptr);
    EXPECT_TRUE(cells.Find(2, c)->GetValue().IsEmpty());
    EXPECT_EQ(cells.Find(2, c)->XF(), 30 + c - 6);
  }
  EXPECT_EQ(cells.Find(2, 9)->GetValue().ToDouble(), -1.25);
  const Bytes out = Save(workbook);
  EXPECT_EQ(CountId(out, rid::kMulRk), 0u);
  EXPECT_EQ(CountId(out, rid::kMulBlank), 0u);
  EXPECT_EQ(CountId(out, rid::kRk), 2u);
  EXPECT_EQ(CountId(out, rid::kBlank), 3u);
}

TEST(Cells, RowsAreWrittenInBlocksOf32EachFollowedByItsCells) {
  Bytes body;
  // Rows 0..39 with a cell each, read in reverse column order within a row.
  for (std::uint16_t r = 0; r < 40; ++r) Append(body, Row(r));
  for (std::uint16_t r = 0; r < 40; ++r) {
    Append(body, Number(r, 5, r));
    Append(body, Number(r, 1, r));
  }
  TWorkbook workbook;
  workbook.Load(Workbook({body}));
  std::vector<std::pair<std::uint16_t, std::uint16_t>> order;  // (id, row or column)
  for (const auto& rec : Records(Save(workbook))) {
    if (rec.id == rid::kRow) order.emplace_back(rec.id, biff::Get16(rec.body.data()));
    if (rec.id == rid::kNumber)
      order.emplace_back(rec.id,
                         biff::Get16(rec.body.data()) * 10 + biff::Get16(rec.body.data() + 2) / 4);
  }
  ASSERT_EQ(order.size(), 120u);
  for (std::size_t i = 0; i < 32; ++i)
    EXPECT_EQ(order[i], std::make_pair(rid::kRow, static_cast<std::uint16_t>(i)));
  // Cells of row 0: column 1 before column 5.
  EXPECT_EQ(order[32], std::make_pair(rid::kNumber, std::uint16_t{0}));
  EXPECT_EQ(order[33], std::make_pair(rid::kNumber, std::uint16_t{1}));
  EXPECT_EQ(order[96], std::make_pair(rid::kRow, std::uint16_t{32}));
  EXPECT_EQ(order[104].first, rid::kNumber);
}

TEST(Cells, RowsWithoutRowRecordsAndDuplicatedRows) {
  // Cells past the last ROW record are saved as they came.
  TWorkbook workbook;
  workbook.Load(Workbook({Cat({Row(0), Number(0, 0, 1), Number(3, 0, 2)})}));
  const Bytes out = Save(workbook);
  EXPECT_EQ(CountId(out, rid::kRow), 1u);
  EXPECT_EQ(CountId(out, rid::kNumber), 2u);
  EXPECT_THROW(workbook.WorkSheet(0)->Cells().GetRow(3), XlsError);
  try {
    workbook.WorkSheet(0)->Cells().GetRow(3);
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(), "Missing ROW Record for row 3");
  }
  TWorkbook twice;
  try {
    twice.Load(Workbook({Cat({Row(4), Row(4)})}));
    FAIL();
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(), "Duplicated ROW record");
  }
}

TEST(Cells, ColumnInfoIsWrittenAsRunsOfEqualNeighbours) {
  const auto colinfo = [](std::uint16_t first, std::uint16_t last, std::uint16_t width) {
    return Rec(0x007D, W({first, last, width, 15, 0, 0}));
  };
  // 0-3 equal; 5 equal to them but not adjacent; 7-9 different width; 250-256 reaches past
  // the last column.
  TWorkbook workbook;
  workbook.Load(Workbook({Cat({colinfo(0, 1, 3000), colinfo(2, 3, 3000), colinfo(5, 5, 3000),
                               colinfo(7, 9, 4000), colinfo(250, 256, 500), colinfo(9, 8, 1)})}));
  EXPECT_EQ(workbook.WorkSheet(0)->ColInfo().Count(), 4u + 1 + 3 + 6);
  std::vector<std::array<std::uint16_t, 3>> runs;
  for (const auto& r : Records(Save(workbook))) {
    if (r.id == rid::kColInfo) {
      EXPECT_EQ(r.body.size(), 12u);
      runs.push_back({biff::Get16(r.body.data()), biff::Get16(r.body.data() + 2),
                      biff::Get16(r.body.data() + 4)});
    }
  }
  const std::vector<std::array<std::uint16_t, 3>> expected = {
      {0, 3, 3000}, {5, 5, 3000}, {7, 9, 4000}, {250, 255, 500}};
  EXPECT_EQ(runs, expected);
}

TEST(Cells, PageBreaksMergeDuplicatesAndStaySorted) {
  const Bytes breaks =
      Rec(0x001B, Cat({W({4}), W({12, 0, 255}), W({3, 0, 255}), W({12, 0, 100}), W({7, 0, 255})}));
  TWorkbook workbook;
  workbook.Load(Workbook({breaks}));
  const auto& list = workbook.WorkSheet(0)->PageBreaks().Breaks();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].row, 3);
  EXPECT_EQ(list[2].row, 12);
  EXPECT_EQ(list[2].last_column, 255);
  const Bytes out = Save(workbook);
  ASSERT_EQ(CountId(out, rid::kHPageBreak), 1u);
  for (const auto& r : Records(out)) {
    if (r.id == rid::kHPageBreak) {
      EXPECT_EQ(r.body.size(), 2u + 18u);
    }
  }
  TWorkbook none;
  none.Load(Workbook({Bytes{}}));
  EXPECT_EQ(CountId(Save(none), rid::kHPageBreak), 0u);
  // A count larger than the record.
  TWorkbook bad;
  EXPECT_THROW(bad.Load(Workbook({Rec(0x001B, Cat({W({400}), W({1, 0, 255})}))})), XlsError);
}

TEST(Cells, DefaultsComeFromTheirRecords) {
  TWorkbook workbook;
  workbook.Load(Workbook({Cat({Rec(0x0225, W({0, 300})), Rec(0x0055, W({12}))}), Bytes{}}));
  EXPECT_EQ(workbook.WorkSheet(0)->DefaultRowHeight(), 300);
  EXPECT_EQ(workbook.WorkSheet(0)->DefaultColumnWidth(), 12u * 290);
  EXPECT_EQ(workbook.WorkSheet(1)->DefaultRowHeight(), 255);
  EXPECT_EQ(workbook.WorkSheet(1)->DefaultColumnWidth(), 2900u);
}

}  // namespace
}  // namespace chronolin
