// The shared string table: reading strings split across CONTINUE records, reference counting,
// the record plan of the save (8222-byte bodies, EXTSST buckets), and strings too long for one
// record.
#include <gtest/gtest.h>

#include "biff_builder.h"
#include "xls/compound_file/xls_error.h"
#include "xls/records/record_ids.h"
#include "xls/strings/sst.h"

namespace chronolin {
namespace {

using namespace bifftest;

// The SST, CONTINUE and EXTSST records a table saves to.
std::vector<RawRecord> SaveTable(TSST& sst) {
  TMemoryOutStream out;
  sst.SaveToStream(out);
  EXPECT_EQ(static_cast<std::int64_t>(out.Bytes().size()), sst.TotalSize());
  return Records(out.Bytes());
}

// Loads a saved table back through the record factory's chain structure.
TSST Reload(const std::vector<RawRecord>& records) {
  TSSTRecord head(rid::kSst, records[0].body);
  for (std::size_t i = 1; i < records.size() && records[i].id == rid::kContinue; ++i) {
    head.AppendContinue(std::make_unique<TContinueRecord>(rid::kContinue, records[i].body));
  }
  TSST sst;
  sst.Load(head);
  return sst;
}

TEST(SST, TenThousandStringsSplitAt8222BytesWithTheirIndex) {
  TSST sst;
  // Strings of varied lengths, so that records end at different places.
  for (int i = 0; i < 10000; ++i) {
    const std::string text = "string " + std::to_string(i) + std::string(i % 37, 'x');
    sst.AddString(std::u16string(text.begin(), text.end()));
  }
  const std::size_t count = sst.Count();
  ASSERT_EQ(count, 10000u);
  const auto records = SaveTable(sst);
  ASSERT_GT(records.size(), 3u);
  EXPECT_EQ(records[0].id, rid::kSst);
  for (const auto& r : records) EXPECT_LE(r.body.size(), 8222u);
  EXPECT_EQ(biff::Get32(records[0].body.data() + 4), count);
  const RawRecord& ext = records.back();
  ASSERT_EQ(ext.id, rid::kExtSst);
  const std::size_t bucket = count / 128 + 1;
  EXPECT_EQ(biff::Get16(ext.body.data()), bucket);
  EXPECT_EQ(ext.body.size(), 2 + 8 * ((count - 1) / bucket + 1));
  // Each bucket points at its string's header: the stream position and the offset in its
  // record.
  TMemoryOutStream saved;
  sst.SaveToStream(saved);
  for (std::size_t b = 0; b * 8 + 2 < ext.body.size(); ++b) {
    const TExcelString& s = sst[b * bucket]->string;
    const std::uint32_t position = biff::Get32(ext.body.data() + 2 + 8 * b);
    std::vector<std::uint8_t> bytes;
    s.Write(bytes);
    ASSERT_LE(position + s.HeadSize(), saved.Bytes().size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(s.HeadSize()),
                           saved.Bytes().begin() + position));
    const RawRecord* holder = nullptr;
    for (const auto& r : records) {
      if (r.offset <= position) holder = &r;
    }
    EXPECT_EQ(position - holder->offset, biff::Get16(ext.body.data() + 6 + 8 * b));
  }
  TSST again = Reload(records);
  ASSERT_EQ(again.Count(), count);
  for (std::size_t i = 0; i < count; i += 997)
    EXPECT_EQ(again[i]->string.Text(), sst[i]->string.Text());
}

TEST(SST, ExtSstArithmeticForExactly10000Strings) {
  TSST sst;
  for (int i = 0; i < 10000; ++i)
    sst.AddString(u"s" + std::u16string(1, static_cast<char16_t>(0x100 + i)));
  ASSERT_EQ(sst.Count(), 10000u);
  const auto ext = SaveTable(sst).back();
  EXPECT_EQ(biff::Get16(ext.body.data()), 79);
  EXPECT_EQ((ext.body.size() - 2) / 8, 127u);
}

TEST(SST, EmptyTableWritesCountsAndAnEmptyIndex) {
  TSST sst;
  const auto records = SaveTable(sst);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].body, Cat({D(0), D(0)}));
  EXPECT_EQ(records[1].id, rid::kExtSst);
  EXPECT_EQ(records[1].body, W({8}));
}

TEST(SST, AStringContinuingSixteenBitAfterAnEightBitStartReadsAsOne) {
  // "abc" in the SST record, then "\u0416\u0436" in a CONTINUE that opens with option byte 1.
  TSSTRecord head(rid::kSst, Cat({D(1), D(1), W({5}), Bytes{0}, Latin1("abc")}));
  head.AppendContinue(
      std::make_unique<TContinueRecord>(rid::kContinue, Cat({Bytes{1}, W({0x0416, 0x0436})})));
  TSST sst;
  sst.Load(head);
  ASSERT_EQ(sst.Count(), 1u);
  EXPECT_EQ(sst[0]->string.Text(), u"abc\u0416\u0436");
  EXPECT_TRUE(sst[0]->string.IsWide());
  // And a 16-bit start continued with 8-bit characters.
  TSSTRecord wide(rid::kSst, Cat({D(1), D(1), W({3}), Bytes{1}, W({0x0416})}));
  wide.AppendContinue(
      std::make_unique<TContinueRecord>(rid::kContinue, Cat({Bytes{0}, Latin1("\xe9z")})));
  TSST sst2;
  sst2.Load(wide);
  EXPECT_EQ(sst2[0]->string.Text(), u"\u0416\u00e9z");
}

TEST(SST, CountsOfTheFileAreCheckedAgainstItsData) {
  TSSTRecord head(rid::kSst, Cat({D(5), D(4000000000u), W({2}), Bytes{0}, Latin1("ab")}));
  TSST sst;
  try {
    sst.Load(head);
    FAIL();
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(), "Error reading record");
  }
  // A far-east block claiming more than there is.
  TSSTRecord fareast(rid::kSst, Cat({D(1), D(1), W({1}), Bytes{4}, D(0xFFFFFFF0u), Latin1("a")}));
  TSST sst2;
  EXPECT_THROW(sst2.Load(fareast), XlsError);
}

TEST(SST, EqualTextsShareAnEntryThatGoesWhenUnused) {
  TSST sst;
  std::vector<TSSTEntry*> users;
  for (int i = 0; i < 100; ++i) users.push_back(sst.AddString(u"same"));
  sst.AddString(u"other");
  ASSERT_EQ(sst.Count(), 2u);
  EXPECT_EQ(users[0]->ref_count, 100);
  for (auto& user : users) user->Release();
  sst.PrepareForSave();
  ASSERT_EQ(sst.Count(), 1u);
  EXPECT_EQ(sst[0]->string.Text(), u"other");
}

TEST(SST, Latin1TextIsEightBitAndOneWideCharacterWidensTheString) {
  TSST sst;
  auto narrow = sst.AddString(u"caf\u00e9");
  auto wide = sst.AddString(u"caf\u00e9\u20ac");
  EXPECT_FALSE(narrow->string.IsWide());
  EXPECT_EQ(narrow->string.WrittenSize(), 3u + 4u);
  EXPECT_TRUE(wide->string.IsWide());
  EXPECT_EQ(wide->string.WrittenSize(), 3u + 10u);
}

TEST(SST, RichTextIsNeverMatchedByAPlainText) {
  TSSTRecord head(rid::kSst, Cat({D(1), D(1), W({2}), Bytes{8}, W({1}), Latin1("ab"), W({0, 1})}));
  TSST sst;
  sst.Load(head);
  sst.Sort();
  auto plain = sst.AddString(u"ab");
  EXPECT_EQ(sst.Count(), 2u);
  EXPECT_EQ(plain->string.Options(), 0);
  // The rich string's runs survive a save.
  plain->Release();
  for (std::size_t i = 0; i < sst.Count(); ++i) {
    if (sst[i]->string.Options() == 8) sst[i]->AddRef();
  }
  sst.PrepareForSave();
  TSST again = Reload(SaveTable(sst));
  ASSERT_EQ(again.Count(), 1u);
  EXPECT_EQ(again[0]->string.Options(), 8);
  EXPECT_EQ(again[0]->string.WrittenSize(), 3u + 2 + 2 + 4);
}

TEST(SST, RichAndFarEastStringsKeepTheirBytesThroughCopyAndSave) {
  // 8-bit "abc", then 20 16-bit characters in a CONTINUE, then two runs and 3 far-east bytes.
  Bytes wide_part{1};
  for (int i = 0; i < 20; ++i) Append(wide_part, W({static_cast<std::uint16_t>(0x0410 + i)}));
  TSSTRecord head(rid::kSst, Cat({D(1), D(1), W({23}), Bytes{0x0C}, W({2}), D(3), Latin1("abc")}));
  head.AppendContinue(std::make_unique<TContinueRecord>(
      rid::kContinue, Cat({wide_part, W({0, 1, 5, 2}), Bytes{7, 8, 9}})));
  TSST sst;
  sst.Load(head);
  ASSERT_EQ(sst.Count(), 1u);
  std::u16string text = u"abc";
  for (int i = 0; i < 20; ++i) text.push_back(static_cast<char16_t>(0x0410 + i));
  Bytes expected = Cat({W({23}), Bytes{0x0D}, W({2}), D(3)});
  for (const char16_t c : text) Append(expected, W({c}));
  Append(expected, Cat({W({0, 1, 5, 2}), Bytes{7, 8, 9}}));
  const TExcelString& read = sst[0]->string;
  EXPECT_EQ(read.Text(), text);
  Bytes bytes;
  read.Write(bytes);
  EXPECT_EQ(bytes, expected);
  // A copy owns its own block; the original survives the copy's end.
  {
    TExcelString copy = read;
    TExcelString moved = std::move(copy);
    bytes.clear();
    moved.Write(bytes);
    EXPECT_EQ(bytes, expected);
  }
  sst[0]->AddRef();
  sst.PrepareForSave();
  TSST again = Reload(SaveTable(sst));
  ASSERT_EQ(again.Count(), 1u);
  bytes.clear();
  again[0]->string.Write(bytes);
  EXPECT_EQ(bytes, expected);

  // Plain texts on both sides of the size kept inside the string object.
  for (std::size_t n : {0u, 21u, 22u, 23u, 300u}) {
    const std::u16string narrow(n, u'n');
    const std::u16string wide(n / 2, u'\u0416');
    EXPECT_EQ(TExcelString::FromText(narrow, 2).Text(), narrow);
    EXPECT_EQ(TExcelString::FromText(wide, 2).Text(), wide);
  }
}

TEST(SST, EntriesStayPutWhileOthersAreDroppedAndTheirPlacesReused) {
  TSST sst;
  std::vector<TSSTEntry*> kept;
  for (int i = 0; i < 3000; ++i) {
    TSSTEntry* entry =
        sst.AddString(u"text " + std::u16string(1, static_cast<char16_t>(0x100 + i)));
    if (i % 3 == 0) {
      kept.push_back(entry);
    } else {
      entry->Release();
    }
  }
  // Every text is found again through the grown index.
  EXPECT_EQ(sst.AddString(u"text " + std::u16string(1, u'\u0100')), kept[0]);
  EXPECT_EQ(kept[0]->ref_count, 2);
  kept[0]->Release();
  sst.PrepareForSave();
  ASSERT_EQ(sst.Count(), 1000u);
  // New strings take the dropped places; the kept entries neither move nor change.
  for (int i = 0; i < 3000; ++i) {
    sst.AddString(u"new " + std::u16string(1, static_cast<char16_t>(0x100 + i)));
  }
  EXPECT_EQ(sst.Count(), 4000u);
  for (std::size_t k = 0; k < kept.size(); ++k) {
    EXPECT_EQ(kept[k]->ref_count, 1);
    EXPECT_EQ(kept[k]->string.Text(),
              u"text " + std::u16string(1, static_cast<char16_t>(0x100 + 3 * k)));
  }
  // A dropped text added again is a fresh entry with one reference.
  TSSTEntry* back = sst.AddString(u"text " + std::u16string(1, u'\u0101'));
  EXPECT_EQ(back->ref_count, 1);
  EXPECT_EQ(sst.Count(), 4001u);
}

TEST(SST, StringsLongerThanARecordAreSplitAndReadBack) {
  TSST sst;
  const std::u16string eight(20000, u'e');
  std::u16string wide(9000, u'\u0416');
  wide[4500] = u'!';
  sst.AddString(u"short");
  sst.AddString(eight);
  sst.AddString(wide);
  const auto records = SaveTable(sst);
  for (const auto& r : records) EXPECT_LE(r.body.size(), 8222u);
  TSST again = Reload(records);
  ASSERT_EQ(again.Count(), 3u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(again[i]->string.Text(), sst[i]->string.Text());
}

TEST(SST, LabelCellsHoldTheirStringAcrossSortingAndSave) {
  TWorkbook workbook;
  workbook.Load(Workbook({Cat({Row(0), LabelSst(0, 0, 1), LabelSst(0, 1, 0), LabelSst(0, 2, 1)})},
                         {}, {"zebra", "apple", "unused"}));
  ASSERT_EQ(workbook.Globals().SST().Count(), 3u);
  const Bytes out = Save(workbook);
  // "unused" is gone; the sorted table puts "apple" first and the cells follow it.
  TWorkbook again;
  again.Load(out);
  ASSERT_EQ(again.Globals().SST().Count(), 2u);
  const TCellList& cells = again.WorkSheet(0)->Cells().CellList();
  EXPECT_EQ(cells.Find(0, 0)->GetValue().ToString(), "apple");
  EXPECT_EQ(cells.Find(0, 1)->GetValue().ToString(), "zebra");
  EXPECT_EQ(cells.Find(0, 2)->GetValue().ToString(), "apple");
  for (const auto& r : Records(out)) {
    if (r.id == rid::kLabelSst && biff::Get16(r.body.data() + 2) == 1) {
      EXPECT_EQ(biff::Get32(r.body.data() + 6), 1u);
    }
  }
  // An index beyond the table.
  TWorkbook bad;
  try {
    bad.Load(Workbook({Cat({Row(0), LabelSst(0, 0, 3)})}, {}, {"a", "b", "c"}));
    FAIL();
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(), "Error reading Excel records. File invalid");
  }
}

}  // namespace
}  // namespace chronolin
