// What we write is read back the same by our reader and an independent one, keeps a valid
// red-black tree in every storage and grows a DIFAT past 109 FAT sectors.
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cfb_test_support.h"
#include "xls/compound_file/cfb_format.h"
#include "xls/compound_file/cfb_writer.h"
#include "xls/compound_file/xls_error.h"

namespace chronolin {
namespace {

using namespace cfbtest;

Bytes Pattern(size_t size, uint8_t seed) {
  Bytes data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
  return data;
}

// Both readers, on the document written to a file.
void ExpectStreams(const Bytes& document, const StreamMap& expected) {
  TXlsStorageList ours;
  ours.LoadFromMemory(document, "doc.xls");
  EXPECT_EQ(Flatten(ours), expected);
  if (!HaveOlefile()) GTEST_SKIP() << "python3-olefile is not installed";
  ScratchDir dir;
  WriteBytes(dir / "doc.xls", document);
  const auto theirs = OlefileStreams(dir / "doc.xls");
  ASSERT_TRUE(theirs.has_value()) << "olefile rejected the document";
  EXPECT_EQ(ToMap(*theirs), expected);
}

TEST(CfbWriter, EveryStorageTreeIsAValidRedBlackSearchTree) {
  for (int count = 1; count <= 40; ++count) {
    TCfbWriter writer;
    for (int i = 0; i < count; ++i) {  // mixed lengths and cases
      writer.AddStream(TCfbWriter::kRootId,
                       (i % 3 ? u"Name" : u"n") + Utf8ToUtf16(std::to_string(i * 37 % 101)));
    }
    const Bytes d = writer.Serialize();
    const auto entry = [&](uint32_t id) { return (Get32(d, 0x30) + 1) * 512 + id * 128; };
    const auto name = [&](uint32_t id) {
      std::u16string s;
      for (size_t i = 0; i + 2 < d[entry(id) + 0x40]; i += 2)
        s += char16_t(d[entry(id) + i] | d[entry(id) + i + 1] << 8);
      return s;
    };
    std::vector<std::u16string> in_order;
    std::set<int> black_heights;
    std::function<void(uint32_t, bool, int)> walk = [&](uint32_t id, bool parent_red, int blacks) {
      if (id == cfb::kNoStream) return void(black_heights.insert(blacks));
      const bool red = d[entry(id) + 0x43] == 0;
      EXPECT_FALSE(parent_red && red) << "red node with a red child, " << count << " children";
      walk(Get32(d, entry(id) + 0x44), red, blacks + !red);
      in_order.push_back(name(id));
      walk(Get32(d, entry(id) + 0x48), red, blacks + !red);
    };
    const uint32_t root = Get32(d, entry(0) + 0x4C);
    EXPECT_EQ(d[entry(root) + 0x43], 1) << "the tree's root is black";
    walk(root, false, 0);
    ASSERT_EQ(in_order.size(), static_cast<size_t>(count));
    for (size_t i = 1; i < in_order.size(); ++i)
      EXPECT_LT(cfb::CompareNames(in_order[i - 1], in_order[i]), 0);
    EXPECT_EQ(black_heights.size(), 1u) << "unequal black heights, " << count << " children";
  }
}

// Sizes on each side of a mini sector, a sector and the mini stream cutoff.
TEST(CfbWriter, StreamSizesAroundEveryBoundary) {
  const size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 100000};
  TCfbWriter writer;
  const uint32_t sub = writer.AddStorage(TCfbWriter::kRootId, u"Storage");
  StreamMap expected;
  for (size_t i = 0; i < std::size(sizes); ++i) {
    const std::string name = "S" + std::to_string(sizes[i]);
    writer.StreamData(writer.AddStream(i % 2 ? sub : TCfbWriter::kRootId, Utf8ToUtf16(name))) =
        Pattern(sizes[i], i);
    expected[(i % 2 ? "Storage/" : "") + name] = SizeCrc(Pattern(sizes[i], i));
  }
  ExpectStreams(writer.Serialize(), expected);
}

TEST(CfbWriter, LargeDocumentGetsADifat) {
  TCfbWriter writer;  // 7.5 MB: a FAT sector maps 64 KB, so more than the header's 109
  writer.StreamData(writer.AddStream(TCfbWriter::kRootId, u"Big")) = Pattern(7'500'000, 3);
  writer.StreamData(writer.AddStream(TCfbWriter::kRootId, u"Small")) = Pattern(10, 1);
  const Bytes document = writer.Serialize();
  EXPECT_GT(Get32(document, 0x2C), 109u);
  EXPECT_GE(Get32(document, 0x48), 1u);
  ExpectStreams(document,
                {{"Big", SizeCrc(Pattern(7'500'000, 3))}, {"Small", SizeCrc(Pattern(10, 1))}});
}

// A stream produced straight into the document, written in pieces: under the cutoff it goes
// to the mini stream; past 109 FAT sectors the FAT placed after it still gets its DIFAT.
TEST(CfbWriter, StreamedStreamReadsBackBesideTheOthers) {
  struct Memory final : TCfbSink {
    Bytes bytes;
    void Write(const uint8_t* d, size_t n) override { bytes.insert(bytes.end(), d, d + n); }
    void WriteAt(uint64_t at, const uint8_t* d, size_t n) override {
      std::copy(d, d + n, bytes.begin() + static_cast<std::ptrdiff_t>(at));
    }
    uint64_t Position() const override { return bytes.size(); }
  };
  for (const size_t size : {size_t{100}, size_t{4095}, size_t{4096}, size_t{7'500'000}}) {
    TCfbWriter writer;
    const uint32_t sub = writer.AddStorage(TCfbWriter::kRootId, u"Storage");
    writer.StreamData(writer.AddStream(sub, u"Small")) = Pattern(10, 1);
    writer.StreamData(writer.AddStream(TCfbWriter::kRootId, u"Big")) = Pattern(5000, 2);
    const uint32_t streamed = writer.AddStream(TCfbWriter::kRootId, u"Workbook");
    Memory out;
    out.bytes = Pattern(3, 9);  // a document need not start the sink
    const Bytes content = Pattern(size, 5);
    writer.SerializeTo(out, streamed, [&](TCfbSink& sink) {
      for (size_t at = 0; at < size; at += 1000) {
        EXPECT_EQ(sink.Position(), at);
        sink.Write(content.data() + at, std::min<size_t>(1000, size - at));
      }
    });
    const Bytes document(out.bytes.begin() + 3, out.bytes.end());
    ExpectStreams(document, {{"Storage/Small", SizeCrc(Pattern(10, 1))},
                             {"Big", SizeCrc(Pattern(5000, 2))},
                             {"Workbook", SizeCrc(content)}});
  }
}

TEST(CfbWriter, NamesMustBeValidAndUniqueIgnoringCase) {
  TCfbWriter writer;
  writer.AddStream(TCfbWriter::kRootId, u"Workbook");
  writer.AddStream(TCfbWriter::kRootId, std::u16string(31, u'x'));
  EXPECT_THAT(
      [&] { writer.AddStorage(TCfbWriter::kRootId, u"WORKBOOK"); },
      ::testing::ThrowsMessage<XlsError>(::testing::StrEq("Element \"WORKBOOK\" already exists")));
  for (std::u16string bad : {u"", u"a/b", u"a!b", u"a:b"})
    EXPECT_THROW(writer.AddStream(0, bad), XlsError);
  EXPECT_THROW(writer.AddStream(0, std::u16string(32, u'y')), XlsError);
  EXPECT_NO_THROW(writer.AddStream(writer.AddStorage(0, u"Sub"), u"Workbook"));  // another storage
}

}  // namespace
}  // namespace chronolin
