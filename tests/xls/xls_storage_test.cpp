// The storage tree: every fixture survives read → write around a fresh "Workbook", as our
// reader and an independent one see it; the copy rules and the top-level look-up.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cfb_test_support.h"
#include "xls/ole2_storage.h"
#include "xls/xls_error.h"
#include "xls/xls_storage.h"

namespace chronolin {
namespace {

using testing::StrEq;
using testing::ThrowsMessage;

TEST(XlsStorage, FixturesRoundTripThroughTheTree) {
  const std::vector<std::string> fixtures = cfbtest::FixturePaths();
  ASSERT_GE(fixtures.size(), 4u);
  const bool olefile = cfbtest::HaveOlefile();
  cfbtest::ScratchDir dir;
  for (const std::string& in : fixtures) {
    SCOPED_TRACE(in);
    TXlsStorageList tree;
    tree.LoadFromFile(in);
    const std::vector<uint8_t> workbook = tree.FindStream(kWorkbookStreamName);
    EXPECT_GT(workbook.size(), 1000u);

    const std::string out = dir / ("out-" + std::to_string(&in - fixtures.data()) + ".xls");
    tree.SaveToFile(out, workbook);
    TXlsStorageList again;
    again.LoadFromFile(out);
    EXPECT_EQ(cfbtest::Flatten(again), cfbtest::Flatten(tree));

    // Saving what we wrote gives the same bytes.
    std::vector<uint8_t> second;
    again.SaveToBuffer(second, again.FindStream(kWorkbookStreamName));
    EXPECT_TRUE(second == cfbtest::ReadBytes(out));

    if (!olefile) continue;
    const auto theirs_in = cfbtest::OlefileStreams(in);
    const auto theirs_out = cfbtest::OlefileStreams(out);
    ASSERT_TRUE(theirs_in && theirs_out);
    EXPECT_EQ(cfbtest::ToMap(*theirs_out), cfbtest::ToMap(*theirs_in));
    EXPECT_EQ(cfbtest::ToMap(*theirs_in), cfbtest::Flatten(tree));
    // The template's other streams come first, "Workbook" is created last.
    EXPECT_EQ(theirs_out->back().first, "Workbook");
  }
  if (!olefile) GTEST_SKIP() << "python3-olefile is not installed: checked by our reader only";
}

TEST(XlsStorage, SaveKeepsTemplateOrderAndPutsWorkbookLast) {
  TXlsStorageList tree;
  tree.Add(u"Workbook").Data().assign(10, 'o');  // the old records are not copied
  tree.Add(u"\x05SummaryInformation").Data().assign(200, 's');
  tree.Add(u"\x05DocumentSummaryInformation").Data().assign(300, 'd');
  std::vector<uint8_t> bytes;
  tree.SaveToBuffer(bytes, std::vector<uint8_t>(5000, 'n'));

  TXlsStorageList saved;
  saved.LoadFromMemory(bytes, "saved");
  EXPECT_EQ(saved.FindStream(u"Workbook"), std::vector<uint8_t>(5000, 'n'));
  if (!cfbtest::HaveOlefile()) GTEST_SKIP() << "python3-olefile is not installed";
  cfbtest::ScratchDir dir;
  cfbtest::WriteBytes(dir / "saved.xls", bytes);
  const auto theirs = cfbtest::OlefileStreams(dir / "saved.xls");
  ASSERT_TRUE(theirs);
  ASSERT_EQ(theirs->size(), 3u);  // in directory order, i.e. the order of creation
  EXPECT_EQ((*theirs)[0].first, "\x05SummaryInformation");
  EXPECT_EQ((*theirs)[1].first, "\x05DocumentSummaryInformation");
  EXPECT_EQ((*theirs)[2].first, "Workbook");
}

TEST(XlsStorage, EmptyStreamsAndEmptyStoragesAreDropped) {
  TXlsStorageList tree;
  tree.Add(u"Empty");   // zero-length stream
  tree.Add(u"Hollow");  // storage without elements
  TXlsStorage& kept = tree.Add(u"Kept");
  kept.Children().Add(u"Gone");  // empty, inside a storage
  kept.Children().Add(u"Data").Data().assign(70, 'x');
  TXlsStorage& nested = kept.Children().Add(u"Nested");
  nested.Children().Add(u"Deep").Data().assign(1, 'y');
  std::vector<uint8_t> bytes;
  tree.SaveToBuffer(bytes, std::vector<uint8_t>{1, 2});

  TXlsStorageList saved;
  saved.LoadFromMemory(bytes, "saved");
  EXPECT_THAT(cfbtest::Flatten(saved),
              testing::ElementsAre(testing::Key("Kept/Data"), testing::Key("Kept/Nested/Deep"),
                                   testing::Key("Workbook")));
  ASSERT_EQ(saved.Count(), 2u);
  EXPECT_EQ(saved.Item(0).Children().Count(), 2u);
}

TEST(XlsStorage, WorkbookIsFoundByExactNameAtTheTopOnly) {
  TXlsStorageList tree;
  tree.Add(u"WORKBOOK").Data().assign(4, 1);
  tree.Add(u"workbook ").Data().assign(4, 2);
  tree.Add(u"Sub").Children().Add(u"Workbook").Data().assign(4, 3);
  tree.Add(u"Book").Data().assign(4, 4);  // an older file's stream is no substitute
  std::vector<uint8_t> bytes;
  {
    TOle2Storage storage(bytes);
    for (size_t i = 0; i < tree.Count(); ++i) tree.Item(i).Save(storage);
  }
  TXlsStorageList loaded;
  loaded.LoadFromMemory(bytes, "case.xls");
  ASSERT_EQ(loaded.Count(), 4u);
  EXPECT_THAT([&] { loaded.FindStream(kWorkbookStreamName); },
              ThrowsMessage<XlsError>(StrEq("Can't open Stream \"Workbook\"")));
  EXPECT_EQ(loaded.FindStream(u"WORKBOOK"), std::vector<uint8_t>(4, 1));
}

TEST(XlsStorage, LoadingReplacesTheListAndIndexesAreChecked) {
  TXlsStorageList tree;
  tree.Add(u"Stale");
  tree.LoadFromFile(cfbtest::FixturePaths().front());
  for (size_t i = 0; i < tree.Count(); ++i) EXPECT_NE(tree.Item(i).Name(), u"Stale");
  EXPECT_THAT([&] { tree.Item(tree.Count()); },
              ThrowsMessage<XlsError>(
                  StrEq("List index out of bounds (" + std::to_string(tree.Count()) + ")")));
  tree.Clear();
  EXPECT_EQ(tree.Count(), 0u);
}

TEST(XlsStorage, SaveToAnExistingFileFails) {
  cfbtest::ScratchDir dir;
  const std::string path = dir / "taken.xls";
  cfbtest::WriteBytes(path, {'x'});
  TXlsStorageList tree;
  EXPECT_THROW(tree.SaveToFile(path, std::vector<uint8_t>{1}), XlsError);
  EXPECT_EQ(cfbtest::ReadBytes(path), std::vector<uint8_t>{'x'});
}

}  // namespace
}  // namespace chronolin
