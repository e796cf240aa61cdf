// Damaged and hostile compound files: each is refused with the file's message, quickly, never
// with a crash, a hang or an allocation far beyond its size.
#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cfb_test_support.h"
#include "xls/compound_file/cfb_format.h"
#include "xls/compound_file/cfb_writer.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_storage.h"

namespace chronolin {
namespace {

using namespace cfbtest;

// Directory ids follow creation order. At the top "Sub" is the tree's root, "Big" its left
// and "Small" its right child.
enum : uint32_t { kRoot = 0, kSmall = 1, kBig = 2, kSub = 3 };

Bytes BaseDocument(size_t big_size = 5000) {
  TCfbWriter w;
  w.StreamData(w.AddStream(kRoot, u"Small")).assign(100, 's');
  w.StreamData(w.AddStream(kRoot, u"Big")).assign(big_size, 'b');
  w.StreamData(w.AddStream(w.AddStorage(kRoot, u"Sub"), u"Inner")).assign(10, 'i');
  return w.Serialize();
}

size_t SectorAt(uint32_t sector) {
  return (static_cast<size_t>(sector) + 1) * 512;
}
size_t Entry(const Bytes& d, uint32_t id) {
  return SectorAt(Get32(d, 0x30)) + id * 128;
}
size_t FatSlot(const Bytes& d, uint32_t sector) {
  return SectorAt(Get32(d, 0x4C)) + 4 * sector;
}

void ExpectInvalid(Bytes bytes, const std::string& what) {
  SCOPED_TRACE(what);
  const auto start = std::chrono::steady_clock::now();
  TXlsStorageList list;
  EXPECT_THAT(
      [&] { list.LoadFromMemory(std::move(bytes), "bad.xls"); },
      ::testing::ThrowsMessage<XlsError>(::testing::StrEq("The file \"bad.xls\" is invalid")));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(CfbReader, DamagedDocumentsAreRefusedQuickly) {
  const Bytes base = BaseDocument();
  const uint32_t big = Get32(base, Entry(base, kBig) + 0x74);
  const uint32_t dir = Get32(base, 0x30);
  const auto set = [](size_t (*where)(const Bytes&, uint32_t), uint32_t id, size_t field,
                      uint32_t v) { return [=](Bytes& d) { Put32(d, where(d, id) + field, v); }; };
  const std::pair<const char*, std::function<void(Bytes&)>> cases[] = {
      {"stream chain turns back", set(FatSlot, big + 1, 0, big)},
      {"sector is its own successor", set(FatSlot, big, 0, big)},
      {"chain runs into a free sector", set(FatSlot, big + 3, 0, cfb::kFreeSect)},
      {"directory chain loops", set(FatSlot, dir + 1, 0, dir)},
      {"MiniFAT chain loops",
       [](Bytes& d) { Put32(d, FatSlot(d, Get32(d, 0x3C)), Get32(d, 0x3C)); }},
      {"stream longer than its chain", set(Entry, kBig, 0x78, 6000)},
      {"stream larger than the file", set(Entry, kBig, 0x78, 0xFFFFFFF0u)},
      {"mini stream starts past the root's stream", set(Entry, kSmall, 0x74, 500)},
      {"root stream shorter than its mini sectors", set(Entry, kRoot, 0x78, 64)},
      {"root stream larger than the file", set(Entry, kRoot, 0x78, 0xFFFFFF00u)},
      {"FAT sector count beyond the file", [](Bytes& d) { Put32(d, 0x2C, 0xFFFFFFFFu); }},
      {"FAT sector beyond the file", [](Bytes& d) { Put32(d, 0x4C, 0x00FFFFFFu); }},
      {"directory beyond the file", [](Bytes& d) { Put32(d, 0x30, 0xFFFFFF00u); }},
      {"sibling link back up the tree", set(Entry, kBig, 0x44, kSub)},
      {"entry is its own sibling", set(Entry, kSmall, 0x48, kSmall)},
      {"sibling outside the directory", set(Entry, kSmall, 0x48, 0x7FFFFFFF)},
      {"storage holds the root", set(Entry, kSub, 0x4C, kRoot)},
      {"storage holds itself", set(Entry, kSub, 0x4C, kSub)},
      {"element in two storages", set(Entry, kSub, 0x4C, kBig)},
      {"unused slot linked into the tree", set(Entry, kSmall, 0x48, 6)},
      {"first entry not the root", [](Bytes& d) { d[Entry(d, kRoot) + 0x42] = cfb::kTypeStorage; }},
      {"name length past the entry", [](Bytes& d) { d[Entry(d, kBig) + 0x40] = 200; }},
      {"two names equal but for case",
       [](Bytes& d) {
         d[Entry(d, kBig)] = 's', d[Entry(d, kBig) + 2] = 'u', d[Entry(d, kBig) + 4] = 'b';
       }},
      {"signature", [](Bytes& d) { d[0] = 0; }},
      {"byte order", [](Bytes& d) { d[0x1C] = 0xFF; }},
      {"sector shift", [](Bytes& d) { d[0x1E] = 30; }},
      {"mini sector shift", [](Bytes& d) { d[0x20] = 12; }},
      {"mini stream cutoff", [](Bytes& d) { Put32(d, 0x38, 0); }},
      {"truncated in the header", [](Bytes& d) { d.resize(511); }},
      {"truncated mid-file", [](Bytes& d) { d.resize(d.size() / 2); }},
      {"truncated in the last stream", [](Bytes& d) { d.resize(d.size() - 200); }},
  };
  for (const auto& [what, damage] : cases) {
    Bytes d = base;
    damage(d);
    ExpectInvalid(std::move(d), what);
  }
}

TEST(CfbReader, DifatChainThatLoopsAndNestingBeyondTheBound) {
  Bytes d = BaseDocument(200000);  // enough sectors to claim 300 FAT sectors
  const uint32_t difat = Get32(d, Entry(d, kBig) + 0x74);
  Put32(d, 0x2C, 300);
  Put32(d, 0x44, difat);
  Put32(d, SectorAt(difat) + 508, difat);  // the DIFAT sector names itself as the next one
  ExpectInvalid(d, "DIFAT loop");

  const auto nested = [](int depth) {
    TCfbWriter w;
    uint32_t parent = kRoot;
    for (int i = 0; i < depth; ++i) parent = w.AddStorage(parent, u"S");
    w.StreamData(w.AddStream(parent, u"Leaf")).assign(3, 'x');
    return w.Serialize();
  };
  TXlsStorageList list;
  list.LoadFromMemory(nested(100), "deep.xls");
  EXPECT_EQ(Flatten(list).begin()->second.substr(0, 2), "3:");
  ExpectInvalid(nested(200), "nested 200 deep");
}

// Version 4 (4096-byte sectors) made by hand: sector 0 FAT, 1 directory, 2 MiniFAT, 3 mini
// stream, 4-5 "Big"; checked by olefile when it was written.
TEST(CfbReader, Version4SectorsAndSixtyFourBitSizes) {
  Bytes d(4096 * 7, 0);
  const auto sector = [](uint32_t n) { return (n + 1) * 4096u; };
  std::copy(cfb::kSignature, cfb::kSignature + 8, d.begin());
  d[0x1A] = 4, d[0x1C] = 0xFE, d[0x1D] = 0xFF, d[0x1E] = 12, d[0x20] = 6;
  const uint32_t header[] = {1, 1, 0, 4096, 2, 1, cfb::kEndOfChain, 0};  // from 0x2C
  for (int i = 0; i < 8; ++i) Put32(d, 0x2C + 4 * i, header[i]);
  for (int i = 1; i < 109; ++i) Put32(d, 0x4C + 4 * i, cfb::kFreeSect);
  const uint32_t fat[] = {cfb::kFatSect,   cfb::kEndOfChain, cfb::kEndOfChain, cfb::kEndOfChain, 5,
                          cfb::kEndOfChain};
  for (uint32_t i = 0; i < 1024; ++i) Put32(d, sector(0) + 4 * i, i < 6 ? fat[i] : cfb::kFreeSect);
  for (uint32_t i = 0; i < 1024; ++i)
    Put32(d, sector(2) + 4 * i, i == 0 ? 1 : i == 1 ? cfb::kEndOfChain : cfb::kFreeSect);
  const auto entry = [&](uint32_t id, std::u16string_view name, uint8_t type, uint32_t right,
                         uint32_t child, uint32_t start, uint32_t size) {
    const size_t at = sector(1) + id * 128;
    for (size_t i = 0; i < name.size(); ++i) d[at + 2 * i] = static_cast<uint8_t>(name[i]);
    d[at + 0x40] = static_cast<uint8_t>((name.size() + 1) * 2), d[at + 0x42] = type;
    const uint32_t fields[] = {cfb::kNoStream, right, child};
    for (int i = 0; i < 3; ++i) Put32(d, at + 0x44 + 4 * i, fields[i]);
    Put32(d, at + 0x74, start), Put32(d, at + 0x78, size);
  };
  for (uint32_t id = 3; id < 32; ++id) entry(id, u"", 0, cfb::kNoStream, cfb::kNoStream, 0, 0);
  entry(0, u"Root Entry", cfb::kTypeRoot, cfb::kNoStream, 1, 3, 128);
  entry(1, u"Big", cfb::kTypeStream, 2, cfb::kNoStream, 4, 5000);
  entry(2, u"Tiny", cfb::kTypeStream, cfb::kNoStream, cfb::kNoStream, 0, 100);
  std::fill_n(d.begin() + sector(3), 100, 't');
  std::fill_n(d.begin() + sector(4), 5000, 'b');

  TXlsStorageList list;
  list.LoadFromMemory(d, "v4.xls");
  EXPECT_EQ(list.FindStream(u"Big"), Bytes(5000, 'b'));
  EXPECT_EQ(list.FindStream(u"Tiny"), Bytes(100, 't'));
  Put32(d, sector(1) + 128 + 0x7C, 1);  // version 4 sizes are 64-bit: 4 GB more
  ExpectInvalid(d, "version 4 size");
  Bytes v3 = BaseDocument();  // version 3 writers may leave junk there, which readers ignore
  Put32(v3, Entry(v3, kBig) + 0x7C, 0xDEADBEEF);
  list.LoadFromMemory(v3, "v3.xls");
  EXPECT_EQ(list.FindStream(u"Big").size(), 5000u);
}

// Random damage to real files: a clean load or the file's message, nothing else.
TEST(CfbReader, RandomDamageToFixtures) {
  std::mt19937 random(20240301);
  for (const std::string& path : FixturePaths()) {
    const Bytes original = ReadBytes(path);
    for (int round = 0; round < 150; ++round) {
      Bytes d = original;
      for (int k = 0, flips = 1 + random() % 8; k < flips; ++k) {
        // Half the damage hits the header and first sectors, where the structure lives.
        d[random() % (random() % 2 ? std::min<size_t>(d.size(), 2048) : d.size())] = random();
      }
      if (round % 10 == 0) d.resize(random() % d.size());
      try {
        TXlsStorageList().LoadFromMemory(std::move(d), "damaged.xls");
      } catch (const XlsError& e) {
        EXPECT_STREQ(e.what(), "The file \"damaged.xls\" is invalid") << path << " round " << round;
      }
    }
  }
}

}  // namespace
}  // namespace chronolin
