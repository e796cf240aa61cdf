// The compact cell store: plain cells kept by value come back byte for byte, cells of another
// shape keep their record, and text cells hold their string through copies, deletions and
// record requests.
#include <gtest/gtest.h>

#include "biff_builder.h"
#include "xls/records/record_ids.h"

namespace chronolin {
namespace {

using namespace bifftest;

bool IsCell(std::uint16_t id) {
  return id == rid::kNumber || id == rid::kRk || id == rid::kBoolErr || id == rid::kBlank ||
         id == rid::kLabelSst;
}

std::vector<RawRecord> CellRecords(const Bytes& stream) {
  std::vector<RawRecord> cells;
  for (auto& r : Records(stream)) {
    if (IsCell(r.id)) cells.push_back(std::move(r));
  }
  return cells;
}

TEST(CellStore, CellsSaveAsTheyCameWhateverTheirShape) {
  Bytes long_number = Cat({W({0, 1, 16}), D(0), D(0x40590000), W({0x1234})});  // 100, 2 extra
  const Bytes body =
      Cat({Row(0), Number(0, 0, -0.0, 21), Rec(rid::kNumber, long_number),
           Rec(rid::kRk, Cat({W({0, 2, 17}), D(0x405EC001)})),
           Rec(rid::kBoolErr, Cat({W({0, 3, 18}), Bytes{42, 1}})), Rec(rid::kBlank, W({0, 4, 19})),
           LabelSst(0, 5, 0), Rec(rid::kBoolErr, Cat({W({0, 6, 20}), Bytes{1, 0}}))});
  const Bytes in = Workbook({body}, {}, {"b"});
  TWorkbook workbook;
  workbook.Load(in);
  const TWorkSheet& sheet = *workbook.WorkSheet(0);
  EXPECT_EQ(sheet.GetCell(0, 1).value.ToDouble(), 100.0);
  EXPECT_EQ(sheet.GetCell(0, 3).value.ToString(), "#N/A");
  EXPECT_EQ(sheet.GetCell(0, 5).value.ToString(), "b");
  EXPECT_EQ(sheet.GetCell(0, 4).xf, 19);
  const Bytes out = Save(workbook);
  const auto before = CellRecords(in);
  const auto after = CellRecords(out);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(after[i].id, before[i].id) << i;
    EXPECT_EQ(after[i].body, before[i].body) << i;
  }
  // Asking for the record objects changes nothing in what is saved.
  for (std::uint16_t c = 0; c <= 6; ++c) ASSERT_NE(sheet.Cells().CellList().Find(0, c), nullptr);
  EXPECT_EQ(Save(workbook), out);
}

TEST(CellStore, TextCellsHoldTheirStringUntilTheLastUserGoes) {
  TWorkbook workbook;
  workbook.Load(Workbook({Cat({Row(0), LabelSst(0, 0, 0), Row(1), LabelSst(1, 0, 1)})}, {},
                         {"keep", "solo"}));
  TWorkSheet& sheet = *workbook.WorkSheet(0);
  workbook.InsertAndCopyRows(0, 1, 1, 2, 2, false);  // "solo" on rows 1 to 3
  workbook.DeleteRows(0, 1, 1);
  Save(workbook);
  EXPECT_EQ(workbook.Globals().SST().Count(), 2u);
  EXPECT_EQ(sheet.GetCell(2, 0).value.ToString(), "solo");
  workbook.DeleteRows(0, 1, 2);
  Save(workbook);
  EXPECT_EQ(workbook.Globals().SST().Count(), 1u);

  // A text cell's record takes new text from the workbook's table, and the old goes.
  TCellRecord* cell = sheet.Cells().CellList().Find(0, 0);
  ASSERT_NE(cell, nullptr);
  cell->SetValue(Variant::FromString("other"));
  sheet.SetCell(0, 1, Variant::FromString("other"));
  TWorkbook again;
  again.Load(Save(workbook));
  EXPECT_EQ(workbook.Globals().SST().Count(), 1u);
  EXPECT_EQ(again.WorkSheet(0)->GetCell(0, 0).value.ToString(), "other");
  EXPECT_EQ(again.WorkSheet(0)->GetCell(0, 1).value.ToString(), "other");
}

}  // namespace
}  // namespace chronolin
