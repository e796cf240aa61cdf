// Documents we write must be read back the same by our reader and by an independent one, keep
// a valid red-black tree in every storage, and grow a DIFAT past 109 FAT sectors.
#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cfb_test_support.h"
#include "xls/cfb_format.h"
#include "xls/cfb_reader.h"
#include "xls/cfb_writer.h"
#include "xls/xls_error.h"

namespace chronolin {
namespace {

uint32_t Get32(const std::vector<uint8_t>& d, size_t at) {
  return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (static_cast<uint32_t>(d[at + 3]) << 24);
}

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
  return data;
}

TEST(CfbWriter, EveryStorageTreeIsAValidRedBlackSearchTree) {
  for (int count = 1; count <= 40; ++count) {
    cfb::Writer writer;
    std::vector<std::u16string> names;
    for (int i = 0; i < count; ++i) {
      // Mixed lengths and cases: the order is by length first, then upper-cased.
      std::u16string name =
          (i % 3 == 0 ? u"n" : u"Name") + Utf8ToUtf16(std::to_string(i * 37 % 101));
      names.push_back(name);
      writer.StreamData(writer.AddStream(cfb::Writer::kRootId, name)).assign(1, 'x');
    }
    const std::vector<uint8_t> d = writer.Serialize();
    const size_t dir =
        (static_cast<size_t>(Get32(d, 0x30)) + 1) * 512;  // directory sectors are consecutive here
    const auto entry = [&](uint32_t id) { return dir + static_cast<size_t>(id) * 128; };
    const auto name_of = [&](uint32_t id) {
      std::u16string name;
      for (size_t i = 0; d[entry(id) + 2 * i] != 0 || d[entry(id) + 2 * i + 1] != 0; ++i) {
        name.push_back(
            static_cast<char16_t>(d[entry(id) + 2 * i] | (d[entry(id) + 2 * i + 1] << 8)));
      }
      return name;
    };
    const uint32_t root = Get32(d, entry(0) + 0x4C);
    ASSERT_NE(root, cfb::kNoStream);
    EXPECT_EQ(d[entry(root) + 0x43], 1) << "the tree's root must be black";
    std::vector<std::u16string> in_order;
    std::vector<int> black_heights;
    std::function<void(uint32_t, bool, int)> walk = [&](uint32_t id, bool parent_red, int blacks) {
      if (id == cfb::kNoStream) {
        black_heights.push_back(blacks);
        return;
      }
      const bool red = d[entry(id) + 0x43] == 0;
      EXPECT_FALSE(parent_red && red) << "red node with a red child, " << count << " children";
      walk(Get32(d, entry(id) + 0x44), red, blacks + (red ? 0 : 1));
      in_order.push_back(name_of(id));
      walk(Get32(d, entry(id) + 0x48), red, blacks + (red ? 0 : 1));
    };
    walk(root, false, 0);
    ASSERT_EQ(in_order.size(), names.size());
    for (size_t i = 1; i < in_order.size(); ++i) {
      EXPECT_LT(cfb::CompareNames(in_order[i - 1], in_order[i]), 0) << count << " children";
    }
    EXPECT_EQ(std::count(black_heights.begin(), black_heights.end(), black_heights[0]),
              static_cast<long>(black_heights.size()))
        << "unequal black heights, " << count << " children";
  }
}

// Sizes around each boundary: mini sector, the mini stream cutoff, a regular sector.
TEST(CfbWriter, StreamSizesAroundEveryBoundaryReadBackTheSame) {
  const std::vector<size_t> sizes = {0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 100000};
  cfb::Writer writer;
  const uint32_t sub = writer.AddStorage(cfb::Writer::kRootId, u"Storage");
  cfbtest::StreamMap expected;
  for (size_t i = 0; i < sizes.size(); ++i) {
    const std::u16string name = u"S" + Utf8ToUtf16(std::to_string(sizes[i]));
    const uint32_t parent = i % 2 == 0 ? cfb::Writer::kRootId : sub;
    writer.StreamData(writer.AddStream(parent, name)) = Pattern(sizes[i], static_cast<uint8_t>(i));
    expected[(i % 2 == 0 ? "" : "Storage/") + Utf16ToUtf8(name)] =
        cfbtest::SizeCrc(Pattern(sizes[i], static_cast<uint8_t>(i)));
  }
  const std::vector<uint8_t> document = writer.Serialize();

  TXlsStorageList ours;
  ours.LoadFromMemory(document, "sizes.xls");
  cfbtest::StreamMap read;
  cfbtest::Flatten(ours, "", read);
  EXPECT_EQ(read, expected);

  if (!cfbtest::HaveOlefile()) GTEST_SKIP() << "python3-olefile is not installed";
  cfbtest::ScratchDir dir;
  cfbtest::WriteBytes(dir / "sizes.cfb", document);
  const auto theirs = cfbtest::OlefileStreams(dir / "sizes.cfb");
  ASSERT_TRUE(theirs.has_value()) << "olefile rejected the document";
  EXPECT_EQ(cfbtest::ToMap(*theirs), expected);
}

TEST(CfbWriter, LargeDocumentNeedsADifat) {
  // 7.5 MB: more than 109 FAT sectors (each maps 64 KB), so the header's list is not enough.
  cfb::Writer writer;
  const std::vector<uint8_t> big = Pattern(7'500'000, 3);
  writer.StreamData(writer.AddStream(cfb::Writer::kRootId, u"Big")) = big;
  writer.StreamData(writer.AddStream(cfb::Writer::kRootId, u"Small")) = Pattern(10, 1);
  const std::vector<uint8_t> document = writer.Serialize();
  EXPECT_GT(Get32(document, 0x2C), 109u);  // FAT sectors
  EXPECT_GE(Get32(document, 0x48), 1u);    // DIFAT sectors

  cfb::Reader reader(document);
  const auto id = reader.FindChild(cfb::Reader::kRootId, u"big");  // names ignore case
  ASSERT_TRUE(id.has_value());
  EXPECT_TRUE(reader.ReadStream(*id) == big);

  if (!cfbtest::HaveOlefile()) GTEST_SKIP() << "python3-olefile is not installed";
  cfbtest::ScratchDir dir;
  cfbtest::WriteBytes(dir / "big.cfb", document);
  const auto theirs = cfbtest::OlefileStreams(dir / "big.cfb");
  ASSERT_TRUE(theirs.has_value()) << "olefile rejected the document";
  EXPECT_EQ(cfbtest::ToMap(*theirs),
            (cfbtest::StreamMap{{"Big", cfbtest::SizeCrc(big)},
                                {"Small", cfbtest::SizeCrc(Pattern(10, 1))}}));
}

TEST(CfbWriter, NamesMustBeValidAndUniqueIgnoringCase) {
  cfb::Writer writer;
  writer.AddStream(cfb::Writer::kRootId, u"Workbook");
  writer.AddStream(cfb::Writer::kRootId, u"A234567890123456789012345678901");  // 31: the limit
  EXPECT_THAT(
      [&] { writer.AddStream(cfb::Writer::kRootId, u"WORKBOOK"); },
      testing::ThrowsMessage<XlsError>(testing::StrEq("Element \"WORKBOOK\" already exists")));
  EXPECT_THAT([&] { writer.AddStorage(cfb::Writer::kRootId, u"workbook"); },
              testing::Throws<XlsError>());
  for (const std::u16string& bad :
       {std::u16string(), std::u16string(32, u'x'), std::u16string(u"a/b"), std::u16string(u"a!b"),
        std::u16string(u"a\0b", 3)}) {
    EXPECT_THROW(writer.AddStream(cfb::Writer::kRootId, bad), XlsError);
  }
  // The same name is fine in another storage.
  const uint32_t sub = writer.AddStorage(cfb::Writer::kRootId, u"Sub");
  EXPECT_NO_THROW(writer.AddStream(sub, u"Workbook"));
}

}  // namespace
}  // namespace chronolin
