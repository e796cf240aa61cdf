// Every workbook edit is all or nothing: each source of refusal, met in the middle of an edit
// that could otherwise change things first, leaves the saved stream identical.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "biff_builder.h"
#include "xls/compound_file/xls_error.h"
#include "xls/workbook_file.h"

namespace chronolin {
namespace {

using namespace bifftest;

using Edit = std::function<void(TWorkbook&)>;

// A workbook whose sheet has a comment (note on row 2, shape anchored on rows 2-5) but no
// drawing group in its globals: no new shape can be numbered.
void CommentWithoutGroup(TWorkbook& workbook) {
  const CommentDrawing c = MakeComment();
  workbook.Load(Workbook({Cat({Row(2), Number(2, 1, 1), c.records, c.note})}));
}

void Fixture(TWorkbook& workbook, const std::string& name) {
  static TXlsStorageList storages;
  LoadWorkbookFile(std::string(CHRONOLIN_TEST_DATA) + "/xls/" + name, storages, workbook);
}

// The first worksheet holding pictures, and the last row its shapes reach.
std::pair<int, int> PictureSheet(TWorkbook& workbook) {
  for (std::size_t i = 0; i < workbook.SheetCount(); ++i) {
    const TWorkSheet* sheet = workbook.WorkSheet(i);
    if (sheet == nullptr || sheet->Drawing().Pictures().empty()) continue;
    int last = 0;
    for (const auto* anchor : sheet->Drawing().Anchors())
      last = std::max<int>(last, anchor->LastRow());
    return {static_cast<int>(i), last};
  }
  return {-1, -1};
}

// A name local to the first sheet whose tokens the walker cannot step over.
Bytes LocalName(const std::string& name, const Bytes& tokens) {
  return Rec(0x0018, Cat({W({0}), Bytes{0, static_cast<std::uint8_t>(name.size())},
                          W({static_cast<std::uint16_t>(tokens.size()), 0, 1}), Bytes(4), Bytes{0},
                          Latin1(name), tokens}));
}

TEST(Refusals, LeaveTheSavedStreamIdentical) {
  const struct {
    const char* what;
    Edit load;
    Edit edit;
    std::string message;
  } cases[] = {
      {"an embedded object among the copied shapes",
       [](TWorkbook& w) { Fixture(w, "refusals/embedded_object.xls"); },
       [](TWorkbook& w) {
         const auto [sheet, last] = PictureSheet(w);
         w.InsertAndCopyRows(sheet, 0, last, last + 1, 2, false);
       },
       "Can't copy OLE objects embedded on a sheet"},
      {"a copied comment without a drawing group", CommentWithoutGroup,
       [](TWorkbook& w) { w.InsertAndCopyRows(0, 2, 2, 3, 1, false); },
       "Error processing Escher record"},
      {"a deleted comment without a drawing group", CommentWithoutGroup,
       [](TWorkbook& w) { w.DeleteRows(0, 2, 1); }, "Error processing Escher record"},
      {"a copied sheet without a drawing group", CommentWithoutGroup,
       [](TWorkbook& w) { w.InsertSheets(0, 1, 1); }, "Error processing Escher record"},
      {"rows pushed past the last row",
       [](TWorkbook& w) {
         w.Load(Workbook({Cat({Row(0), Row(65535), Number(65535, 0, 1)})}));
       },
       [](TWorkbook& w) { w.InsertAndCopyRows(0, 0, 0, 1, 1, false); },
       "Too many entries for this kind of record (65536 out of a maximum of 65535)"},
      {"a copied sheet's name the walker cannot adjust",
       [](TWorkbook& w) { w.Load(Workbook({Row(0)}, LocalName("Local", Bytes{0xFF}))); },
       [](TWorkbook& w) { w.InsertSheets(0, 1, 1); },
       "Error in Worksheet name: \"Local\". Token Id: 0xff"},
      {"a palette entry past the standard palette",
       [](TWorkbook& w) { w.Load(Workbook({Row(0)})); },
       [](TWorkbook& w) { w.Globals().SetPaletteColor(56, 0x123456); },
       "Too many entries for this kind of record (56 out of a maximum of 55)"},
      {"a comment index past the row's notes", [](TWorkbook& w) { Fixture(w, "lo_report.xls"); },
       [](TWorkbook& w) { w.WorkSheet(0)->SetCommentText(0, 3, u"x"); },
       "The index \"3\" of the property \"Comment index\" is not in the range 0--1"},
      {"a picture index past the sheet's pictures",
       [](TWorkbook& w) { Fixture(w, "lo_report.xls"); },
       [](TWorkbook& w) {
         const auto [sheet, last] = PictureSheet(w);
         TWorkSheet& work = *w.WorkSheet(static_cast<std::size_t>(sheet));
         const std::uint8_t png[] = {0x89, 'P', 'N', 'G'};
         work.Drawing().ReplacePicture(work.Drawing().Pictures().size(), png, TPictureType::kPng,
                                       w.Globals().DrawingGroup());
       },
       "The index \"2\" of the property \"Picture index\" is not in the range 0-1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TWorkbook workbook;
    c.load(workbook);
    const Bytes before = Save(workbook);
    std::string message = "no error";
    try {
      c.edit(workbook);
    } catch (const XlsError& e) {
      message = e.what();
    }
    EXPECT_EQ(message, c.message);
    EXPECT_TRUE(Save(workbook) == before) << "the saved stream changed";
  }
}

}  // namespace
}  // namespace chronolin
