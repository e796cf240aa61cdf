// Drawings: the sheet's shape tree spread over MSODRAWING records with the OBJ and TXO records
// of its client atoms, embedded charts, notes linked to their shapes, and the workbook's
// drawing group cut into records of the BIFF8 size.
#include <gtest/gtest.h>

#include <set>

#include "band_drawing.h"
#include "biff_builder.h"
#include "xls/compound_file/xls_error.h"
#include "xls/drawing/escher_record.h"
#include "xls/drawing/note.h"
#include "xls/records/record_ids.h"

namespace chronolin {
namespace {

using namespace bifftest;

TEST(Drawing, CommentShapesKeepTheirObjTxoAndNoteInPlace) {
  const CommentDrawing c = MakeComment();
  TWorkbook workbook;
  workbook.Load(Workbook({Cat({Row(2), Number(2, 1, 1), c.records, c.note})}));
  const TWorkSheet& sheet = *workbook.WorkSheet(0);
  const TDrawing& drawing = sheet.Drawing();
  ASSERT_TRUE(drawing.Loaded());
  ASSERT_EQ(drawing.Objects().size(), 1u);
  EXPECT_EQ(drawing.Objects()[0]->Obj()->Kind(), 0x19);
  ASSERT_EQ(drawing.Anchors().size(), 1u);
  EXPECT_EQ(drawing.Anchors()[0]->FirstRow(), 2);
  EXPECT_EQ(drawing.Anchors()[0]->LastRow(), 5);
  ASSERT_EQ(drawing.Shapes().size(), 2u);
  EXPECT_EQ(drawing.Shapes()[1]->ShapeId(), 1025u);
  ASSERT_NE(sheet.Notes().Row(2), nullptr);
  const auto* note = static_cast<const TNoteRecord*>((*sheet.Notes().Row(2))[0]);
  EXPECT_EQ(drawing.FindObject(note->ObjectId()), drawing.Objects()[0]);

  const Bytes out = Save(workbook);
  const Bytes expected = Cat({c.records, c.note});
  EXPECT_NE(std::search(out.begin(), out.end(), expected.begin(), expected.end()), out.end());
  // Saved after the cells and before WINDOW2.
  const auto ids = Ids(out);
  const auto at = [&](std::uint16_t id) {
    return std::find(ids.begin(), ids.end(), id) - ids.begin();
  };
  EXPECT_LT(at(rid::kNumber), at(rid::kMsoDrawing));
  EXPECT_LT(at(rid::kNote), at(rid::kWindow2));
}

TEST(Drawing, EmbeddedChartsTravelWithTheirObject) {
  const Bytes dg =
      Container(0xF002, Cat({Atom(0x0010, 0xF008, Cat({D(1), D(1024)})),
                             Container(0xF004, Cat({Anchor(0, 9), Atom(0, 0xF011, {})}))}));
  const Bytes chart = Cat({Bof(0x0020), Rec(0x1001, W({0})), Rec(0x1051, Bytes(8)), Eof()});
  const Bytes drawing = Cat({Rec(0x00EC, dg), Obj(5, 1), chart});
  TWorkbook workbook;
  workbook.Load(Workbook({drawing}));
  const auto* object = workbook.WorkSheet(0)->Drawing().Objects().at(0);
  ASSERT_NE(object->Obj()->Chart(), nullptr);
  EXPECT_EQ(object->Obj()->Chart()->Records().Count(), 2u);
  const Bytes out = Save(workbook);
  EXPECT_NE(std::search(out.begin(), out.end(), drawing.begin(), drawing.end()), out.end());
  EXPECT_EQ(Save(workbook), out);
}

TEST(Drawing, MalformedDrawingsAreRefused) {
  const Bytes client =
      Container(0xF002, Cat({Atom(0x0010, 0xF008, Bytes(8)), Atom(0, 0xF011, {})}));
  // The client data's OBJ is missing.
  ExpectLoadError(Workbook({Cat({Rec(0x00EC, client), Row(0)})}),
                  "The file has an usupported drawing record");
  // The container claims more than the records hold.
  Bytes cut = client;
  biff::Set32(cut.data() + 4, 400);
  ExpectLoadError(Workbook({Cat({Rec(0x00EC, cut), Obj(0x19, 1), Row(0)})}),
                  "Error reading Excel records. File invalid");
  // Two Dg atoms in one container; an align rule.
  ExpectLoadError(Workbook({Rec(0x00EC, Container(0xF002, Cat({Atom(0x10, 0xF008, Bytes(8)),
                                                               Atom(0x10, 0xF008, Bytes(8))})))}),
                  "Error loading Escher record. Duplicated Dg");
  ExpectLoadError(Workbook({Rec(0x00EC, Container(0xF005, Atom(0, 0xF013, Bytes(8))))}),
                  "This file has a not implemented kind of record: AlignRule");
  // Containers nested deeper than any drawing: refused, not a stack overflow.
  Bytes nested = Atom(0, 0xF00B, {});
  for (int i = 0; i < 2000; ++i) nested = Container(0xF004, nested);
  ExpectLoadError(Workbook({Rec(0x00EC, Bytes(nested.begin(), nested.begin() + 8000)),
                            Rec(0x00EC, Bytes(nested.begin() + 8000, nested.end()))}),
                  "Error reading Excel records. File invalid");
}

TEST(Drawing, TheDrawingGroupIsCutIntoRecordsOfTheBiffLimit) {
  Bytes blip(20000);
  for (std::size_t i = 0; i < blip.size(); ++i) blip[i] = static_cast<std::uint8_t>(i * 7);
  Bytes bse_body = Cat(
      {Bytes{6, 6}, Bytes(16, 0xAB), W({0}), D(static_cast<std::uint32_t>(blip.size()) + 25), D(1),
       D(0), Bytes{0, 0, 0, 0}, Atom(0x6E00, 0xF01E, Cat({Bytes(16, 0xAB), Bytes{0xFF}, blip}))});
  const Bytes dgg =
      Container(0xF000, Cat({Atom(0, 0xF006, Cat({D(1026), D(2), D(2), D(1), D(1), D(2)})),
                             Container(0xF001, Atom(0x0062, 0xF007, bse_body))}));
  // As two MSODRAWINGGROUP records: the model reads them as one and writes the BIFF8 form.
  const std::size_t half = dgg.size() / 2;
  const Bytes globals =
      Cat({Rec(0x00EB, Bytes(dgg.begin(), dgg.begin() + static_cast<std::ptrdiff_t>(half))),
           Rec(0x00EB, Bytes(dgg.begin() + static_cast<std::ptrdiff_t>(half), dgg.end()))});
  TWorkbook workbook;
  workbook.Load(Workbook({Bytes{}}, globals));
  ASSERT_EQ(workbook.Globals().DrawingGroup().SortedBlips().size(), 1u);
  const Bytes out = Save(workbook);
  Bytes joined;
  std::vector<std::uint16_t> ids;
  for (const auto& r : Records(out)) {
    if (r.id == rid::kMsoDrawingGroup ||
        (!ids.empty() && r.id == rid::kContinue && ids.back() != rid::kSst)) {
      if (r.id == rid::kMsoDrawingGroup || ids.back() == rid::kMsoDrawingGroup ||
          ids.back() == rid::kContinue) {
        Append(joined, r.body);
        EXPECT_LE(r.body.size(), 8224u);
      }
    }
    ids.push_back(r.id);
  }
  EXPECT_EQ(joined, dgg);
  EXPECT_EQ(CountId(out, rid::kMsoDrawingGroup), 1u);
  TWorkbook again;
  again.Load(out);
  EXPECT_EQ(Save(again), out);
  // A drawing group that stops short of its length.
  ExpectLoadError(Workbook({Bytes{}}, Rec(0x00EB, Bytes(dgg.begin(), dgg.begin() + 100))),
                  "Error reading Excel records. File invalid");
}

TEST(Drawing, CopiedAndDeletedBandsKeepTheirShapesNumberedAndCounted) {
  const BandWorkbook band = BandWithNoteAndPicture();
  TWorkbook workbook;
  workbook.Load(Workbook({band.sheet}, band.globals));
  workbook.InsertAndCopyRows(0, 1, 1, 2, 3, false);
  const TWorkSheet& sheet = *workbook.WorkSheet(0);
  const TDrawing& drawing = sheet.Drawing();
  ASSERT_EQ(drawing.ObjectTotal(), 8u);
  ASSERT_EQ(drawing.Pictures().size(), 4u);
  for (std::size_t i = 0; i < drawing.Pictures().size(); ++i) {
    EXPECT_EQ(drawing.PictureRow(i), static_cast<int>(i) + 1);
  }
  for (std::uint16_t row = 1; row <= 4; ++row) EXPECT_EQ(sheet.CommentText(row, 0), u"hello");
  const auto* bse = workbook.Globals().DrawingGroup().SortedBlips().at(0);
  EXPECT_EQ(bse->Get32(24), 4u);
  TWorkbook again;
  again.Load(Save(workbook));
  EXPECT_EQ(Save(again), Save(workbook));
  // As written: every object numbered once, each copied note naming the comment shape
  // anchored in its own row.
  const TWorkSheet& read = *again.WorkSheet(0);
  ASSERT_EQ(read.Drawing().Objects().size(), 8u);
  std::set<std::uint16_t> ids;
  for (const auto* object : read.Drawing().Objects()) ids.insert(object->Obj()->ObjectId());
  EXPECT_EQ(ids, (std::set<std::uint16_t>{1, 2, 3, 4, 5, 6, 7, 8}));
  std::set<std::uint32_t> shape_ids;
  for (const auto* shape : read.Drawing().Shapes()) shape_ids.insert(shape->ShapeId());
  EXPECT_EQ(shape_ids.size(), read.Drawing().Shapes().size());
  for (std::uint16_t row = 1; row <= 4; ++row) {
    ASSERT_NE(read.Notes().Row(row), nullptr) << row;
    const auto* note = static_cast<const TNoteRecord*>((*read.Notes().Row(row))[0]);
    const TEscherClientDataRecord* object = read.Drawing().FindObject(note->ObjectId());
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->Obj()->Kind(), 0x19);
    const TEscherClientAnchorRecord* anchor = nullptr;
    for (const auto* a : read.Drawing().Anchors()) {
      if (a->FirstRow() == row && a->FirstColumn() >= 1) anchor = a;
    }
    EXPECT_NE(anchor, nullptr) << row;
  }
  // Deleting two of the rows takes their notes' and pictures' shapes, in one pass.
  again.DeleteRows(0, 2, 2);
  const TDrawing& left = again.WorkSheet(0)->Drawing();
  EXPECT_EQ(left.Objects().size(), 4u);
  EXPECT_EQ(left.Shapes().size(), 5u);  // with the group's own shape
  EXPECT_EQ(again.Globals().DrawingGroup().SortedBlips().at(0)->Get32(24), 2u);
  EXPECT_EQ(again.WorkSheet(0)->CommentText(2, 0), u"hello");
  EXPECT_EQ(left.PictureRow(1), 2);
}

// Copied notes share one shape until one is edited: each must still read, move, copy and save
// as a shape of its own.
TEST(Drawing, SharedNoteCopiesEditMoveAndCopyApart) {
  const BandWorkbook band = BandWithNoteAndPicture();
  TWorkbook workbook;
  workbook.Load(Workbook({band.sheet}, band.globals));
  workbook.InsertAndCopyRows(0, 1, 1, 2, 3, false);  // notes in rows 1..4
  TWorkSheet& sheet = *workbook.WorkSheet(0);
  sheet.SetCommentText(3, 0, u"third");
  // Rows 2..3 again (one copy still shared, one edited) after row 4, then rows 1..2 deleted
  // (the band's own note and a shared copy).
  workbook.InsertAndCopyRows(0, 2, 3, 5, 1, false);
  workbook.DeleteRows(0, 1, 2);
  const std::u16string texts[] = {u"", u"third", u"hello", u"hello", u"third"};
  auto check = [&](const TWorkbook& book, std::size_t index) {
    const TWorkSheet& s = *book.WorkSheet(index);
    SCOPED_TRACE(index);
    EXPECT_EQ(s.Drawing().ObjectTotal(), 8u);
    for (std::uint16_t row = 1; row <= 4; ++row) EXPECT_EQ(s.CommentText(row, 0), texts[row]);
  };
  check(workbook, 0);
  workbook.InsertSheets(0, 1, 1);
  check(workbook, 1);
  TWorkbook again;
  again.Load(Save(workbook));
  EXPECT_EQ(Save(again), Save(workbook));
  std::set<std::uint32_t> all_shape_ids;
  for (std::size_t index = 0; index < 2; ++index) {
    check(again, index);
    const TWorkSheet& read = *again.WorkSheet(index);
    // As written: one object and one shape id each, every comment anchored in its note's row.
    std::set<std::uint16_t> ids;
    for (const auto* object : read.Drawing().Objects()) ids.insert(object->Obj()->ObjectId());
    EXPECT_EQ(ids.size(), 8u);
    std::set<std::uint32_t> shape_ids;
    for (const auto* shape : read.Drawing().Shapes()) shape_ids.insert(shape->ShapeId());
    EXPECT_EQ(shape_ids.size(), 9u);  // with the group's own shape
    all_shape_ids.insert(shape_ids.begin(), shape_ids.end());
    std::multiset<int> comment_rows;
    for (const auto* a : read.Drawing().Anchors()) {
      if (a->FirstColumn() == 2) comment_rows.insert(a->FirstRow());
    }
    EXPECT_EQ(comment_rows, (std::multiset<int>{1, 2, 3, 4}));
  }
  EXPECT_EQ(all_shape_ids.size(), 18u);  // the sheet's copy numbers its shapes anew
  EXPECT_EQ(again.Globals().DrawingGroup().SortedBlips().at(0)->Get32(24), 8u);
}

TEST(Drawing, ACopyNeedingMoreObjectIdsThanASheetNumbersChangesNothing) {
  const BandWorkbook band = BandWithNoteAndPicture();
  TWorkbook workbook;
  workbook.Load(Workbook({band.sheet}, band.globals));
  const Bytes before = Save(workbook);
  // Two objects per copy after the band's own two: 2 + 2 * 32767 ids.
  std::string message;
  try {
    workbook.InsertAndCopyRows(0, 1, 1, 2, 32767, false);
  } catch (const XlsError& e) {
    message = e.what();
  }
  EXPECT_EQ(message, "Too many entries for this kind of record (65536 out of a maximum of 65535)");
  EXPECT_EQ(Save(workbook), before);
}

}  // namespace
}  // namespace chronolin
