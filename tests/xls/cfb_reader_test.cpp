// Damaged and hostile compound files: each must be refused with the file's message, quickly,
// and never crash, hang or allocate far beyond its size.
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cfb_test_support.h"
#include "xls/cfb_format.h"
#include "xls/cfb_writer.h"
#include "xls/xls_error.h"
#include "xls/xls_storage.h"

namespace chronolin {
namespace {

using cfbtest::FixturePaths;
using cfbtest::ReadBytes;

uint32_t Get32(const std::vector<uint8_t>& d, size_t at) {
  return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (static_cast<uint32_t>(d[at + 3]) << 24);
}
void Put32(std::vector<uint8_t>& d, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) d[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
size_t SectorAt(uint32_t sector) {
  return (static_cast<size_t>(sector) + 1) * 512;
}

// Directory ids follow creation order: 0 root, 1 "Small" (mini stream), 2 "Big", 3 "Sub",
// 4 "Inner" inside "Sub". Siblings at the top: "Sub" is the tree's root, "Big" on its left,
// "Small" on its right.
enum : uint32_t { kSmall = 1, kBig = 2, kSub = 3, kInner = 4 };

std::vector<uint8_t> BaseDocument(size_t big_size = 5000) {
  cfb::Writer writer;
  writer.StreamData(writer.AddStream(cfb::Writer::kRootId, u"Small")).assign(100, 's');
  writer.StreamData(writer.AddStream(cfb::Writer::kRootId, u"Big")).assign(big_size, 'b');
  const uint32_t sub = writer.AddStorage(cfb::Writer::kRootId, u"Sub");
  writer.StreamData(writer.AddStream(sub, u"Inner")).assign(10, 'i');
  return writer.Serialize();
}

size_t Entry(const std::vector<uint8_t>& d, uint32_t id) {
  return SectorAt(Get32(d, 0x30)) + static_cast<size_t>(id) * 128;
}
size_t FatSlot(const std::vector<uint8_t>& d, uint32_t sector) {
  return SectorAt(Get32(d, 0x4C)) + 4 * static_cast<size_t>(sector);
}

void ExpectInvalid(std::vector<uint8_t> bytes) {
  const auto start = std::chrono::steady_clock::now();
  TXlsStorageList list;
  try {
    list.LoadFromMemory(std::move(bytes), "bad.xls");
    ADD_FAILURE() << "a damaged document was accepted";
  } catch (const XlsError& e) {
    EXPECT_STREQ(e.what(), "The file \"bad.xls\" is invalid");
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(CfbReader, BaseDocumentLoads) {
  TXlsStorageList list;
  list.LoadFromMemory(BaseDocument(), "good.xls");
  EXPECT_THAT(
      cfbtest::Flatten(list),
      testing::ElementsAre(testing::Pair("Big", cfbtest::SizeCrc(std::vector<uint8_t>(5000, 'b'))),
                           testing::Pair("Small", testing::StartsWith("100:")),
                           testing::Pair("Sub/Inner", testing::StartsWith("10:"))));
}

TEST(CfbReader, BrokenSectorChains) {
  const std::vector<uint8_t> base = BaseDocument();
  const uint32_t big_start = Get32(base, Entry(base, kBig) + 0x74);
  {  // the stream's chain turns back on itself
    auto d = base;
    Put32(d, FatSlot(d, big_start + 1), big_start);
    ExpectInvalid(d);
  }
  {  // a sector of the chain points to itself
    auto d = base;
    Put32(d, FatSlot(d, big_start), big_start);
    ExpectInvalid(d);
  }
  {  // the chain runs into a free sector
    auto d = base;
    Put32(d, FatSlot(d, big_start + 3), cfb::kFreeSect);
    ExpectInvalid(d);
  }
  {  // the directory chain loops
    auto d = base;
    const uint32_t dir = Get32(d, 0x30);
    Put32(d, FatSlot(d, dir + 1), dir);
    ExpectInvalid(d);
  }
  {  // the MiniFAT chain loops
    auto d = base;
    const uint32_t minifat = Get32(d, 0x3C);
    Put32(d, FatSlot(d, minifat), minifat);
    ExpectInvalid(d);
  }
  {  // the mini stream's own chain ends early
    auto d = base;
    Put32(d, FatSlot(d, Get32(d, Entry(d, 0) + 0x74)), cfb::kEndOfChain);
    Put32(d, Entry(d, 0) + 0x78, 5000);
    ExpectInvalid(d);
  }
}

TEST(CfbReader, SizesLargerThanWhatIsThere) {
  const std::vector<uint8_t> base = BaseDocument();
  for (uint32_t size : {6000u, 50000u, 0x7FFFFFFFu, 0xFFFFFFF0u}) {
    auto d = base;
    Put32(d, Entry(d, kBig) + 0x78, size);
    ExpectInvalid(d);
  }
  {  // a mini stream that starts past the end of the root's stream
    auto d = base;
    Put32(d, Entry(d, kSmall) + 0x74, 500);
    ExpectInvalid(d);
  }
  {  // the root's stream is shorter than the mini sectors its streams use
    auto d = base;
    Put32(d, Entry(d, 0) + 0x78, 64);
    ExpectInvalid(d);
  }
  {  // a root stream claimed far larger than the file
    auto d = base;
    Put32(d, Entry(d, 0) + 0x78, 0xFFFFFF00u);
    ExpectInvalid(d);
  }
  {  // FAT sector count beyond the file
    auto d = base;
    Put32(d, 0x2C, 0xFFFFFFFFu);
    ExpectInvalid(d);
  }
  {  // a FAT sector number beyond the file
    auto d = base;
    Put32(d, 0x4C, 0x00FFFFFFu);
    ExpectInvalid(d);
  }
  {  // the directory starts beyond the file
    auto d = base;
    Put32(d, 0x30, 0xFFFFFF00u);
    ExpectInvalid(d);
  }
}

TEST(CfbReader, BrokenDirectoryTrees) {
  const std::vector<uint8_t> base = BaseDocument();
  const auto with_link = [&](uint32_t id, size_t field, uint32_t value) {
    auto d = base;
    Put32(d, Entry(d, id) + field, value);
    return d;
  };
  ExpectInvalid(with_link(kBig, 0x44, kSub));      // a sibling link back up the tree
  ExpectInvalid(with_link(kSmall, 0x48, kSmall));  // an entry its own sibling
  ExpectInvalid(with_link(kSmall, 0x48, 0x1234));  // a sibling outside the directory
  ExpectInvalid(with_link(kSmall, 0x48, 0x7FFFFFFF));
  ExpectInvalid(with_link(kSub, 0x4C, 0));        // a storage holding the root
  ExpectInvalid(with_link(kSub, 0x4C, kSub));     // a storage holding itself
  ExpectInvalid(with_link(kSub, 0x4C, kBig));     // an element in two storages
  ExpectInvalid(with_link(kSmall, 0x48, 6));      // an unused slot linked into the tree
  ExpectInvalid(with_link(0, 0x4C, 0x00ABCDEF));  // the root's child outside the directory
  {                                               // the first entry is not the root
    auto d = base;
    d[Entry(d, 0) + 0x42] = cfb::kTypeStorage;
    ExpectInvalid(d);
  }
  {  // a name length that does not fit the entry
    auto d = base;
    d[Entry(d, kBig) + 0x40] = 200;
    ExpectInvalid(d);
  }
  {  // two names of one storage equal but for case: a look-up could not tell them apart
    auto d = base;
    const char16_t sub[] = u"sub";
    for (int i = 0; i < 3; ++i) d[Entry(d, kBig) + 2 * i] = static_cast<uint8_t>(sub[i]);
    ExpectInvalid(d);
  }
}

TEST(CfbReader, BadHeadersAndTruncation) {
  const std::vector<uint8_t> base = BaseDocument();
  for (size_t size : {size_t{0}, size_t{7}, size_t{511}, size_t{512}, size_t{1000}, base.size() / 2,
                      base.size() - 200}) {
    ExpectInvalid(std::vector<uint8_t>(base.begin(), base.begin() + size));
  }
  const auto with_header = [&](size_t at, uint16_t value) {
    auto d = base;
    d[at] = static_cast<uint8_t>(value);
    d[at + 1] = static_cast<uint8_t>(value >> 8);
    return d;
  };
  ExpectInvalid(with_header(0x00, 0x0000));  // signature
  ExpectInvalid(with_header(0x1C, 0xFEFF));  // byte order
  ExpectInvalid(with_header(0x1E, 30));      // sector shift
  ExpectInvalid(with_header(0x1E, 0));
  ExpectInvalid(with_header(0x20, 12));  // mini sector shift
  ExpectInvalid(with_header(0x38, 0));   // mini stream cutoff
}

TEST(CfbReader, DifatChainThatLoops) {
  // 300 FAT sectors are claimed: 109 in the header, the rest in DIFAT sectors whose chain
  // comes back to its start.
  auto d = BaseDocument(200000);
  const uint32_t difat = Get32(d, Entry(d, kBig) + 0x74);
  Put32(d, 0x2C, 300);
  Put32(d, 0x44, difat);
  Put32(d, 0x48, 2);
  Put32(d, SectorAt(difat) + 508, difat);
  ExpectInvalid(d);
}

TEST(CfbReader, StorageNestingIsBounded) {
  const auto nested = [](int depth) {
    cfb::Writer writer;
    uint32_t parent = cfb::Writer::kRootId;
    for (int i = 0; i < depth; ++i) parent = writer.AddStorage(parent, u"S");
    writer.StreamData(writer.AddStream(parent, u"Leaf")).assign(3, 'x');
    return writer.Serialize();
  };
  TXlsStorageList list;
  list.LoadFromMemory(nested(100), "deep.xls");
  const TXlsStorageList* level = &list;
  for (int i = 0; i < 100; ++i) level = &level->Item(0).Children();
  EXPECT_EQ(level->Item(0).Data().size(), 3u);
  ExpectInvalid(nested(200));
}

// A version 4 document (4096-byte sectors) made by hand: sector 0 FAT, 1 directory, 2 MiniFAT,
// 3 mini stream, 4-5 "Big".
std::vector<uint8_t> Version4Document() {
  std::vector<uint8_t> d(4096 * 7, 0);
  const uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::copy(signature, signature + 8, d.begin());
  d[0x1A] = 4;
  d[0x1C] = 0xFE, d[0x1D] = 0xFF;
  d[0x1E] = 12, d[0x20] = 6;
  Put32(d, 0x2C, 1);     // FAT sectors
  Put32(d, 0x30, 1);     // directory
  Put32(d, 0x38, 4096);  // cutoff
  Put32(d, 0x3C, 2);     // MiniFAT
  Put32(d, 0x40, 1);
  Put32(d, 0x44, cfb::kEndOfChain);
  Put32(d, 0x4C, 0);
  for (int i = 1; i < 109; ++i) Put32(d, 0x4C + 4 * i, cfb::kFreeSect);
  const auto sector = [](uint32_t n) { return (static_cast<size_t>(n) + 1) * 4096; };
  const uint32_t fat[] = {cfb::kFatSect,   cfb::kEndOfChain, cfb::kEndOfChain, cfb::kEndOfChain, 5,
                          cfb::kEndOfChain};
  for (uint32_t i = 0; i < 1024; ++i) Put32(d, sector(0) + 4 * i, i < 6 ? fat[i] : cfb::kFreeSect);
  const auto entry = [&](uint32_t id, std::u16string_view name, uint8_t type, uint32_t right,
                         uint32_t child, uint32_t start, uint32_t size) {
    const size_t at = sector(1) + id * 128;
    for (size_t i = 0; i < name.size(); ++i) d[at + 2 * i] = static_cast<uint8_t>(name[i]);
    d[at + 0x40] = static_cast<uint8_t>((name.size() + 1) * 2);
    d[at + 0x42] = type;
    Put32(d, at + 0x44, cfb::kNoStream);
    Put32(d, at + 0x48, right);
    Put32(d, at + 0x4C, child);
    Put32(d, at + 0x74, start);
    Put32(d, at + 0x78, size);
  };
  for (uint32_t id = 3; id < 32; ++id) entry(id, u"", 0, cfb::kNoStream, cfb::kNoStream, 0, 0);
  entry(0, u"Root Entry", cfb::kTypeRoot, cfb::kNoStream, 1, 3, 128);
  entry(1, u"Big", cfb::kTypeStream, 2, cfb::kNoStream, 4, 5000);
  entry(2, u"Tiny", cfb::kTypeStream, cfb::kNoStream, cfb::kNoStream, 0, 100);
  Put32(d, sector(2), 1);
  Put32(d, sector(2) + 4, cfb::kEndOfChain);
  for (uint32_t i = 2; i < 1024; ++i) Put32(d, sector(2) + 4 * i, cfb::kFreeSect);
  for (size_t i = 0; i < 100; ++i) d[sector(3) + i] = 't';
  for (size_t i = 0; i < 5000; ++i) d[sector(4) + i] = static_cast<uint8_t>(i % 251);
  return d;
}

TEST(CfbReader, Version4SectorsAndSixtyFourBitSizes) {
  TXlsStorageList list;
  list.LoadFromMemory(Version4Document(), "v4.xls");
  std::vector<uint8_t> big(5000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i % 251);
  EXPECT_EQ(list.FindStream(u"Big"), big);
  EXPECT_EQ(list.FindStream(u"Tiny"), std::vector<uint8_t>(100, 't'));
  // Version 4 sizes are 64-bit: a high half is a real (and here impossible) size ...
  auto d = Version4Document();
  Put32(d, (1 + 1) * 4096 + 128 + 0x7C, 1);
  ExpectInvalid(d);
  // ... while version 3 writers may leave junk there, which readers ignore.
  auto v3 = BaseDocument();
  Put32(v3, Entry(v3, kBig) + 0x7C, 0xDEADBEEF);
  TXlsStorageList old;
  old.LoadFromMemory(v3, "v3.xls");
  EXPECT_EQ(old.FindStream(u"Big").size(), 5000u);
}

// Random damage to real files: whatever happens must be a clean load or the file's message.
TEST(CfbReader, RandomDamageToFixturesNeverEscapesAsAnythingElse) {
  std::mt19937 random(20240301);
  for (const std::string& path : FixturePaths()) {
    const std::vector<uint8_t> original = ReadBytes(path);
    ASSERT_GT(original.size(), 1024u) << path;
    for (int round = 0; round < 150; ++round) {
      std::vector<uint8_t> d = original;
      const int flips = 1 + static_cast<int>(random() % 8);
      for (int k = 0; k < flips; ++k) {
        // Half the damage goes to the header and the first sectors, where the structure lives.
        const size_t span = (random() % 2 == 0) ? std::min<size_t>(d.size(), 2048) : d.size();
        d[random() % span] = static_cast<uint8_t>(random());
      }
      if (round % 10 == 0) d.resize(random() % d.size());
      try {
        TXlsStorageList list;
        list.LoadFromMemory(std::move(d), "damaged.xls");
      } catch (const XlsError& e) {
        EXPECT_STREQ(e.what(), "The file \"damaged.xls\" is invalid") << path << " round " << round;
      }
    }
  }
}

}  // namespace
}  // namespace chronolin
