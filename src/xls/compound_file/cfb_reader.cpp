#include "xls/compound_file/cfb_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace chronolin::cfb {
namespace {

// Deeper nesting than any real document uses; the bound keeps the recursive tree copy and its
// destruction within a normal stack.
constexpr uint32_t kMaxStorageDepth = 128;

uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

[[noreturn]] void Fail(const char* what) {
  throw CfbFormatError(what);
}

uint64_t CeilDiv(uint64_t a, uint64_t b) {
  return a / b + (a % b != 0);
}

// Sibling and child links of one directory entry, needed only while the tree is built.
struct Links {
  uint32_t left;
  uint32_t right;
  uint32_t child;
  uint16_t name_bytes;
};

}  // namespace

bool Reader::HasSignature(std::span<const uint8_t> file) {
  return file.size() >= sizeof kSignature &&
         std::memcmp(file.data(), kSignature, sizeof kSignature) == 0;
}

Reader::Reader(std::vector<uint8_t> file) : file_(std::move(file)) {
  ParseHeader();
  LoadFat();
  LoadDirectory();
  LoadMiniStream();
}

void Reader::ParseHeader() {
  if (file_.size() < kHeaderSize) Fail("shorter than a header");
  if (!HasSignature(file_)) Fail("no signature");
  const uint8_t* h = file_.data();
  if (Le16(h + 0x1C) != 0xFFFE) Fail("wrong byte order mark");
  const uint16_t sector_shift = Le16(h + 0x1E);
  if (sector_shift != 9 && sector_shift != 12) Fail("unsupported sector size");
  if (Le16(h + 0x20) != 6) Fail("unsupported mini sector size");
  if (Le32(h + 0x38) != kMiniStreamCutoff) Fail("unsupported mini stream cutoff");
  sector_size_ = 1u << sector_shift;
  fat_sector_count_ = Le32(h + 0x2C);
  first_dir_sector_ = Le32(h + 0x30);
  first_minifat_sector_ = Le32(h + 0x3C);
  minifat_sector_count_ = Le32(h + 0x40);
  first_difat_sector_ = Le32(h + 0x44);
  difat_sector_count_ = Le32(h + 0x48);
  // The header fills the first sector; sector n starts at (n + 1) * sector size. A last
  // sector cut short still counts: only the bytes a chain really uses must be present.
  const uint64_t body = file_.size() > sector_size_ ? file_.size() - sector_size_ : 0;
  sector_count_ =
      static_cast<uint32_t>(std::min<uint64_t>(CeilDiv(body, sector_size_), kMaxRegSect));
}

std::span<const uint8_t> Reader::SectorBytes(uint32_t sector, uint32_t length) const {
  if (sector >= sector_count_) Fail("sector number past the end of the file");
  const uint64_t offset = (static_cast<uint64_t>(sector) + 1) * sector_size_;
  if (offset + length > file_.size()) Fail("sector cut short by the end of the file");
  return {file_.data() + offset, length};
}

std::vector<uint32_t> Reader::Chain(const std::vector<uint32_t>& table, uint32_t start,
                                    uint64_t limit, const char* what) const {
  // limit: how many sectors the caller needs at most. A chain can never be longer than its
  // table, so a longer walk, like a sector met twice, means a loop.
  std::vector<uint32_t> chain;
  uint32_t sector = start;
  while (sector != kEndOfChain && chain.size() < limit) {
    if (sector >= table.size() || chain.size() >= table.size()) Fail(what);
    chain.push_back(sector);
    sector = table[sector];
  }
  std::vector<uint32_t> sorted = chain;
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) Fail(what);
  return chain;
}

void Reader::LoadFat() {
  if (fat_sector_count_ > sector_count_) Fail("more FAT sectors than the file holds");
  std::vector<uint32_t> fat_sectors;
  fat_sectors.reserve(fat_sector_count_);
  for (uint32_t i = 0; i < kHeaderDifatCount && fat_sectors.size() < fat_sector_count_; ++i) {
    fat_sectors.push_back(Le32(file_.data() + 0x4C + 4 * i));
  }
  // The DIFAT chain: each sector lists FAT sectors and ends with the next DIFAT sector.
  const uint32_t per_difat = sector_size_ / 4 - 1;
  std::vector<bool> seen(sector_count_);
  uint32_t difat = first_difat_sector_;
  while (fat_sectors.size() < fat_sector_count_) {
    if (difat >= sector_count_ || seen[difat]) Fail("broken DIFAT chain");
    seen[difat] = true;
    const std::span<const uint8_t> bytes = SectorBytes(difat, sector_size_);
    for (uint32_t i = 0; i < per_difat && fat_sectors.size() < fat_sector_count_; ++i) {
      fat_sectors.push_back(Le32(bytes.data() + 4 * i));
    }
    difat = Le32(bytes.data() + 4 * per_difat);
  }
  const uint32_t per_sector = sector_size_ / 4;
  fat_.reserve(static_cast<size_t>(fat_sector_count_) * per_sector);
  for (uint32_t sector : fat_sectors) {
    const std::span<const uint8_t> bytes = SectorBytes(sector, sector_size_);
    for (uint32_t i = 0; i < per_sector; ++i) fat_.push_back(Le32(bytes.data() + 4 * i));
  }
}

void Reader::LoadDirectory() {
  const std::vector<uint32_t> chain =
      Chain(fat_, first_dir_sector_, sector_count_, "broken directory chain");
  if (chain.empty()) Fail("no directory");
  const uint32_t per_sector = sector_size_ / kDirEntrySize;
  entries_.resize(chain.size() * per_sector);
  std::vector<Links> links(entries_.size());
  const bool wide_sizes = sector_size_ != 512;  // version 3 files may leave junk in the top half
  for (size_t s = 0; s < chain.size(); ++s) {
    const std::span<const uint8_t> bytes = SectorBytes(chain[s], sector_size_);
    for (uint32_t k = 0; k < per_sector; ++k) {
      const uint8_t* p = bytes.data() + k * kDirEntrySize;
      DirEntry& e = entries_[s * per_sector + k];
      e.type = p[0x42];
      e.start = Le32(p + 0x74);
      e.size = Le32(p + 0x78);
      if (wide_sizes) e.size |= static_cast<uint64_t>(Le32(p + 0x7C)) << 32;
      links[s * per_sector + k] = {Le32(p + 0x44), Le32(p + 0x48), Le32(p + 0x4C), Le16(p + 0x40)};
      // Names are decoded only for entries the tree reaches (below).
    }
  }
  if (entries_[kRootId].type != kTypeRoot) Fail("first directory entry is not the root");

  // Walk every storage's sibling tree from the root, each entry at most once in the whole
  // document: a loop, a shared subtree or a link out of range makes the file invalid.
  std::vector<bool> reached(entries_.size());
  reached[kRootId] = true;
  const auto decode_name = [&](uint32_t id) {
    const uint16_t bytes = links[id].name_bytes;
    if (bytes > 64 || bytes % 2 != 0) Fail("bad name length");
    const uint8_t* p = SectorBytes(chain[id / per_sector], sector_size_).data() +
                       (id % per_sector) * kDirEntrySize;
    std::u16string& name = entries_[id].name;
    for (uint32_t i = 0; i + 1 < bytes / 2u; ++i) {
      const char16_t c = Le16(p + 2 * i);
      if (c == 0) break;
      name.push_back(c);
    }
  };
  decode_name(kRootId);
  std::vector<std::pair<uint32_t, uint32_t>> storages = {{kRootId, 0}};  // id, depth
  std::vector<uint32_t> path;
  while (!storages.empty()) {
    const auto [storage, depth] = storages.back();
    storages.pop_back();
    std::vector<uint32_t>& children = entries_[storage].children;
    uint32_t node = links[storage].child;
    path.clear();
    // In-order walk without recursion: a degenerate tree may be as long as the directory.
    while (node != kNoStream || !path.empty()) {
      while (node != kNoStream) {
        if (node >= entries_.size() || reached[node])
          Fail("directory tree loops or leaves the directory");
        const uint8_t type = entries_[node].type;
        if (type == kTypeEmpty || type == kTypeRoot) Fail("unused entry linked into the tree");
        reached[node] = true;
        path.push_back(node);
        node = links[node].left;
      }
      node = path.back();
      path.pop_back();
      children.push_back(node);
      decode_name(node);
      if (entries_[node].type == kTypeStorage) {
        if (depth + 1 > kMaxStorageDepth) Fail("storages nested too deeply");
        storages.emplace_back(node, depth + 1);
      }
      node = links[node].right;
    }
    // Names are unique within a storage (ignoring case), else a look-up by name would reach
    // one element twice and miss the other.
    std::vector<uint32_t> by_name = children;
    std::sort(by_name.begin(), by_name.end(), [&](uint32_t a, uint32_t b) {
      return CompareNames(entries_[a].name, entries_[b].name) < 0;
    });
    for (size_t i = 1; i < by_name.size(); ++i) {
      if (CompareNames(entries_[by_name[i - 1]].name, entries_[by_name[i]].name) == 0) {
        Fail("two elements of one storage share a name");
      }
    }
  }
}

void Reader::LoadMiniStream() {
  // Only when some stream lives there: a document without small streams stays readable even
  // if its (unused) mini stream is damaged.
  bool needed = false;
  for (const DirEntry& storage : entries_) {
    for (uint32_t id : storage.children) {
      const DirEntry& e = entries_[id];
      needed = needed || (e.type == kTypeStream && e.size > 0 && e.size < kMiniStreamCutoff);
    }
  }
  if (!needed) return;
  const DirEntry& root = entries_[kRootId];
  mini_stream_ = ReadSectors(root.start, root.size);
  const std::vector<uint32_t> minifat_chain =
      Chain(fat_, first_minifat_sector_, sector_count_, "broken MiniFAT chain");
  const uint32_t per_sector = sector_size_ / 4;
  minifat_.reserve(minifat_chain.size() * per_sector);
  for (uint32_t sector : minifat_chain) {
    const std::span<const uint8_t> bytes = SectorBytes(sector, sector_size_);
    for (uint32_t i = 0; i < per_sector; ++i) minifat_.push_back(Le32(bytes.data() + 4 * i));
  }
}

const DirEntry& Reader::Entry(uint32_t id) const {
  if (id >= entries_.size()) Fail("no such directory entry");
  return entries_[id];
}

std::optional<uint32_t> Reader::FindChild(uint32_t storage, std::u16string_view name) const {
  for (uint32_t id : Entry(storage).children) {
    if (CompareNames(entries_[id].name, name) == 0) return id;
  }
  return std::nullopt;
}

std::vector<uint8_t> Reader::ReadStream(uint32_t id) const {
  const DirEntry& e = Entry(id);
  if (e.type != kTypeStream) Fail("not a stream");
  std::vector<uint8_t> data;
  if (e.size == 0) return data;
  if (e.size < kMiniStreamCutoff) {
    const uint64_t needed = CeilDiv(e.size, kMiniSectorSize);
    const std::vector<uint32_t> chain = Chain(minifat_, e.start, needed, "broken mini chain");
    if (chain.size() < needed) Fail("mini chain shorter than the stream");
    data.reserve(e.size);
    uint64_t left = e.size;
    for (uint32_t sector : chain) {
      const uint64_t n = std::min<uint64_t>(left, kMiniSectorSize);
      const uint64_t offset = static_cast<uint64_t>(sector) * kMiniSectorSize;
      if (offset + n > mini_stream_.size()) Fail("mini sector past the end of the mini stream");
      data.insert(data.end(), mini_stream_.begin() + offset, mini_stream_.begin() + offset + n);
      left -= n;
    }
    return data;
  }
  return ReadSectors(e.start, e.size);
}

std::vector<uint8_t> Reader::ReadSectors(uint32_t start, uint64_t size) const {
  const uint64_t needed = CeilDiv(size, sector_size_);
  if (needed > sector_count_) Fail("stream larger than the file");
  const std::vector<uint32_t> chain = Chain(fat_, start, needed, "broken stream chain");
  if (chain.size() < needed) Fail("stream chain shorter than its size");
  std::vector<uint8_t> data;
  data.reserve(size);
  uint64_t left = size;
  for (uint32_t sector : chain) {
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(left, sector_size_));
    const std::span<const uint8_t> bytes = SectorBytes(sector, n);
    data.insert(data.end(), bytes.begin(), bytes.end());
    left -= n;
  }
  return data;
}

}  // namespace chronolin::cfb
