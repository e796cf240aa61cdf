// The storage tree: every fixture survives read → write around a fresh "Workbook" as our reader
// and an independent one see it; the copy rules and the top-level look-up.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cfb_test_support.h"
#include "xls/compound_file/ole2_storage.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_storage.h"

namespace chronolin {
namespace {

using namespace cfbtest;

TEST(XlsStorage, FixturesRoundTripThroughTheTree) {
  const std::vector<std::string> fixtures = FixturePaths();
  ASSERT_GE(fixtures.size(), 4u);
  const bool olefile = HaveOlefile();
  ScratchDir dir;
  for (const std::string& in : fixtures) {
    SCOPED_TRACE(in);
    TXlsStorageList tree;
    tree.LoadFromFile(in);
    const std::string out = dir / std::filesystem::path(in).filename().string();
    tree.SaveToFile(out, tree.FindStream(kWorkbookStreamName));
    TXlsStorageList again;
    again.LoadFromFile(out);
    EXPECT_EQ(Flatten(again), Flatten(tree));
    Bytes second;  // saving what we wrote gives the same bytes
    again.SaveToBuffer(second, again.FindStream(kWorkbookStreamName));
    EXPECT_TRUE(second == ReadBytes(out));
    if (!olefile) continue;
    const auto theirs_in = OlefileStreams(in), theirs_out = OlefileStreams(out);
    ASSERT_TRUE(theirs_in && theirs_out);
    EXPECT_EQ(ToMap(*theirs_in), Flatten(tree));
    EXPECT_EQ(ToMap(*theirs_out), ToMap(*theirs_in));
    EXPECT_EQ(theirs_out->back().first, "Workbook");  // created after the template's streams
  }
  if (!olefile) GTEST_SKIP() << "python3-olefile is not installed: checked by our reader only";
}

TEST(XlsStorage, SaveCopiesTheTemplateInOrderAndDropsWhatIsEmpty) {
  TXlsStorageList tree;
  tree.Add(u"Workbook").Data().assign(10, 'o');  // replaced, not copied
  tree.Add(u"\x05SummaryInformation").Data().assign(200, 's');
  tree.Add(u"Empty");   // zero-length stream
  tree.Add(u"Hollow");  // storage without elements
  TXlsStorage& kept = tree.Add(u"Kept");
  kept.Children().Add(u"Gone");
  kept.Children().Add(u"Nested").Children().Add(u"Deep").Data().assign(1, 'y');
  tree.Add(u"\x05DocumentSummaryInformation").Data().assign(300, 'd');
  Bytes bytes;
  tree.SaveToBuffer(bytes, Bytes(5000, 'n'));

  TXlsStorageList saved;
  saved.LoadFromMemory(bytes, "saved");
  EXPECT_EQ(saved.Count(), 4u);
  EXPECT_EQ(Flatten(saved), (StreamMap{{"\x05SummaryInformation", SizeCrc(Bytes(200, 's'))},
                                       {"\x05DocumentSummaryInformation", SizeCrc(Bytes(300, 'd'))},
                                       {"Kept/Nested/Deep", SizeCrc({'y'})},
                                       {"Workbook", SizeCrc(Bytes(5000, 'n'))}}));
  if (!HaveOlefile()) GTEST_SKIP() << "python3-olefile is not installed";
  ScratchDir dir;
  WriteBytes(dir / "saved.xls", bytes);
  const auto theirs = OlefileStreams(dir / "saved.xls");  // in creation order
  ASSERT_TRUE(theirs && theirs->size() == 4u);
  EXPECT_EQ((*theirs)[0].first, "\x05SummaryInformation");
  EXPECT_EQ((*theirs)[2].first, "\x05DocumentSummaryInformation");
  EXPECT_EQ((*theirs)[3].first, "Workbook");
}

TEST(XlsStorage, WorkbookIsFoundByExactNameAtTheTopOnly) {
  TXlsStorageList tree;
  tree.Add(u"WORKBOOK").Data().assign(4, 1);
  tree.Add(u"Sub").Children().Add(u"Workbook").Data().assign(4, 3);
  tree.Add(u"Book").Data().assign(4, 4);  // an older file's stream is no substitute
  Bytes bytes;
  {
    TOle2Storage storage(bytes);
    for (size_t i = 0; i < tree.Count(); ++i) tree.Item(i).Save(storage);
    storage.Finish();
  }
  tree.Add(u"Stale");
  tree.LoadFromMemory(bytes, "case.xls");  // replaces what the list held
  ASSERT_EQ(tree.Count(), 3u);
  EXPECT_THAT(
      [&] { tree.FindStream(kWorkbookStreamName); },
      ::testing::ThrowsMessage<XlsError>(::testing::StrEq("Can't open Stream \"Workbook\"")));
  EXPECT_EQ(tree.FindStream(u"WORKBOOK"), Bytes(4, 1));
  EXPECT_THAT([&] { tree.Item(3); },
              ::testing::ThrowsMessage<XlsError>(::testing::StrEq("List index out of bounds (3)")));
}

}  // namespace
}  // namespace chronolin
