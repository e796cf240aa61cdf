#include "xls/compound_file/cfb_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"

namespace chronolin {
namespace {

// Deeper nesting than any real document uses; the bound keeps the recursive tree copy and its
// destruction within a normal stack.
constexpr std::uint32_t kMaxStorageDepth = 128;

std::uint16_t Get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

[[noreturn]] void Fail(const char* what) {
  throw XlsError(what);
}

std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) {
  return a / b + (a % b != 0);
}

// Sibling and child links of one directory entry, needed only while the tree is built.
struct Links {
  std::uint32_t left;
  std::uint32_t right;
  std::uint32_t child;
  std::uint16_t name_bytes;
};

}  // namespace

bool TCfbReader::HasSignature(std::span<const std::uint8_t> file) {
  return file.size() >= sizeof cfb::kSignature &&
         std::memcmp(file.data(), cfb::kSignature, sizeof cfb::kSignature) == 0;
}

TCfbReader::TCfbReader(std::vector<std::uint8_t> file) : file_(std::move(file)) {
  ParseHeader();
  LoadFat();
  LoadDirectory();
  LoadMiniStream();
}

void TCfbReader::ParseHeader() {
  if (file_.size() < cfb::kHeaderSize) Fail(msg::kCfbShortHeader);
  if (!HasSignature(file_)) Fail(msg::kCfbNoSignature);
  const std::uint8_t* h = file_.data();
  if (Get16(h + 0x1C) != 0xFFFE) Fail(msg::kCfbByteOrder);
  const std::uint16_t sector_shift = Get16(h + 0x1E);
  if (sector_shift != 9 && sector_shift != 12) Fail(msg::kCfbSectorSize);
  if (Get16(h + 0x20) != 6) Fail(msg::kCfbMiniSectorSize);
  if (Get32(h + 0x38) != cfb::kMiniStreamCutoff) Fail(msg::kCfbMiniStreamCutoff);
  sector_size_ = 1u << sector_shift;
  fat_sector_count_ = Get32(h + 0x2C);
  first_dir_sector_ = Get32(h + 0x30);
  first_minifat_sector_ = Get32(h + 0x3C);
  minifat_sector_count_ = Get32(h + 0x40);
  first_difat_sector_ = Get32(h + 0x44);
  difat_sector_count_ = Get32(h + 0x48);
  // The header fills the first sector; sector n starts at (n + 1) * sector size. A last
  // sector cut short still counts: only the bytes a chain really uses must be present.
  const std::uint64_t body = file_.size() > sector_size_ ? file_.size() - sector_size_ : 0;
  sector_count_ = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(CeilDiv(body, sector_size_), cfb::kMaxRegSect));
}

std::span<const std::uint8_t> TCfbReader::SectorBytes(std::uint32_t sector,
                                                      std::uint32_t length) const {
  if (sector >= sector_count_) Fail(msg::kCfbSectorPastEnd);
  const std::uint64_t offset = (static_cast<std::uint64_t>(sector) + 1) * sector_size_;
  if (offset + length > file_.size()) Fail(msg::kCfbSectorCutShort);
  return {file_.data() + offset, length};
}

std::vector<std::uint32_t> TCfbReader::Chain(const std::vector<std::uint32_t>& table,
                                             std::uint32_t start, std::uint64_t limit,
                                             const char* what) const {
  // limit: how many sectors the caller needs at most. A chain can never be longer than its
  // table, so a longer walk, like a sector met twice, means a loop.
  std::vector<std::uint32_t> chain;
  std::uint32_t sector = start;
  while (sector != cfb::kEndOfChain && chain.size() < limit) {
    if (sector >= table.size() || chain.size() >= table.size()) Fail(what);
    chain.push_back(sector);
    sector = table[sector];
  }
  std::vector<std::uint32_t> sorted = chain;
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) Fail(what);
  return chain;
}

void TCfbReader::LoadFat() {
  if (fat_sector_count_ > sector_count_) Fail(msg::kCfbTooManyFatSectors);
  std::vector<std::uint32_t> fat_sectors;
  fat_sectors.reserve(fat_sector_count_);
  for (std::uint32_t i = 0; i < cfb::kHeaderDifatCount && fat_sectors.size() < fat_sector_count_;
       ++i) {
    fat_sectors.push_back(Get32(file_.data() + 0x4C + 4 * i));
  }
  // The DIFAT chain: each sector lists FAT sectors and ends with the next DIFAT sector.
  const std::uint32_t per_difat = sector_size_ / 4 - 1;
  std::vector<bool> seen(sector_count_);
  std::uint32_t difat = first_difat_sector_;
  while (fat_sectors.size() < fat_sector_count_) {
    if (difat >= sector_count_ || seen[difat]) Fail(msg::kCfbBrokenDifat);
    seen[difat] = true;
    const std::span<const std::uint8_t> bytes = SectorBytes(difat, sector_size_);
    for (std::uint32_t i = 0; i < per_difat && fat_sectors.size() < fat_sector_count_; ++i) {
      fat_sectors.push_back(Get32(bytes.data() + 4 * i));
    }
    difat = Get32(bytes.data() + 4 * per_difat);
  }
  const std::uint32_t per_sector = sector_size_ / 4;
  fat_.reserve(static_cast<std::size_t>(fat_sector_count_) * per_sector);
  for (std::uint32_t sector : fat_sectors) {
    const std::span<const std::uint8_t> bytes = SectorBytes(sector, sector_size_);
    for (std::uint32_t i = 0; i < per_sector; ++i) fat_.push_back(Get32(bytes.data() + 4 * i));
  }
}

void TCfbReader::LoadDirectory() {
  const std::vector<std::uint32_t> chain =
      Chain(fat_, first_dir_sector_, sector_count_, msg::kCfbBrokenDirectory);
  if (chain.empty()) Fail(msg::kCfbNoDirectory);
  const std::uint32_t per_sector = sector_size_ / cfb::kDirEntrySize;
  entries_.resize(chain.size() * per_sector);
  std::vector<Links> links(entries_.size());
  const bool wide_sizes = sector_size_ != 512;  // version 3 files may leave junk in the top half
  for (std::size_t s = 0; s < chain.size(); ++s) {
    const std::span<const std::uint8_t> bytes = SectorBytes(chain[s], sector_size_);
    for (std::uint32_t k = 0; k < per_sector; ++k) {
      const std::uint8_t* p = bytes.data() + k * cfb::kDirEntrySize;
      TCfbDirEntry& e = entries_[s * per_sector + k];
      e.type = p[0x42];
      e.start = Get32(p + 0x74);
      e.size = Get32(p + 0x78);
      if (wide_sizes) e.size |= static_cast<std::uint64_t>(Get32(p + 0x7C)) << 32;
      links[s * per_sector + k] = {Get32(p + 0x44), Get32(p + 0x48), Get32(p + 0x4C),
                                   Get16(p + 0x40)};
      // Names are decoded only for entries the tree reaches (below).
    }
  }
  if (entries_[kRootId].type != cfb::kTypeRoot) Fail(msg::kCfbNoRoot);

  // Walk every storage's sibling tree from the root, each entry at most once in the whole
  // document: a loop, a shared subtree or a link out of range makes the file invalid.
  std::vector<bool> reached(entries_.size());
  reached[kRootId] = true;
  const auto decode_name = [&](std::uint32_t id) {
    const std::uint16_t bytes = links[id].name_bytes;
    if (bytes > 64 || bytes % 2 != 0) Fail(msg::kCfbNameLength);
    const std::uint8_t* p = SectorBytes(chain[id / per_sector], sector_size_).data() +
                            (id % per_sector) * cfb::kDirEntrySize;
    std::u16string& name = entries_[id].name;
    for (std::uint32_t i = 0; i + 1 < bytes / 2u; ++i) {
      const char16_t c = Get16(p + 2 * i);
      if (c == 0) break;
      name.push_back(c);
    }
  };
  decode_name(kRootId);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> storages = {{kRootId, 0}};  // id, depth
  std::vector<std::uint32_t> path;
  while (!storages.empty()) {
    const auto [storage, depth] = storages.back();
    storages.pop_back();
    std::vector<std::uint32_t>& children = entries_[storage].children;
    std::uint32_t node = links[storage].child;
    path.clear();
    // In-order walk without recursion: a degenerate tree may be as long as the directory.
    while (node != cfb::kNoStream || !path.empty()) {
      while (node != cfb::kNoStream) {
        if (node >= entries_.size() || reached[node]) Fail(msg::kCfbTreeLoop);
        const std::uint8_t type = entries_[node].type;
        if (type == cfb::kTypeEmpty || type == cfb::kTypeRoot) Fail(msg::kCfbUnusedEntryLinked);
        reached[node] = true;
        path.push_back(node);
        node = links[node].left;
      }
      node = path.back();
      path.pop_back();
      children.push_back(node);
      decode_name(node);
      if (entries_[node].type == cfb::kTypeStorage) {
        if (depth + 1 > kMaxStorageDepth) Fail(msg::kCfbNestedTooDeeply);
        storages.emplace_back(node, depth + 1);
      }
      node = links[node].right;
    }
    // Names are unique within a storage (ignoring case), else a look-up by name would reach
    // one element twice and miss the other.
    std::vector<std::uint32_t> by_name = children;
    std::sort(by_name.begin(), by_name.end(), [&](std::uint32_t a, std::uint32_t b) {
      return cfb::CompareNames(entries_[a].name, entries_[b].name) < 0;
    });
    for (std::size_t i = 1; i < by_name.size(); ++i) {
      if (cfb::CompareNames(entries_[by_name[i - 1]].name, entries_[by_name[i]].name) == 0) {
        Fail(msg::kCfbSharedName);
      }
    }
  }
}

void TCfbReader::LoadMiniStream() {
  // Only when some stream lives there: a document without small streams stays readable even
  // if its (unused) mini stream is damaged.
  bool needed = false;
  for (const TCfbDirEntry& storage : entries_) {
    for (std::uint32_t id : storage.children) {
      const TCfbDirEntry& e = entries_[id];
      needed =
          needed || (e.type == cfb::kTypeStream && e.size > 0 && e.size < cfb::kMiniStreamCutoff);
    }
  }
  if (!needed) return;
  const TCfbDirEntry& root = entries_[kRootId];
  mini_stream_ = ReadSectors(root.start, root.size);
  const std::vector<std::uint32_t> minifat_chain =
      Chain(fat_, first_minifat_sector_, sector_count_, msg::kCfbBrokenMiniFat);
  const std::uint32_t per_sector = sector_size_ / 4;
  minifat_.reserve(minifat_chain.size() * per_sector);
  for (std::uint32_t sector : minifat_chain) {
    const std::span<const std::uint8_t> bytes = SectorBytes(sector, sector_size_);
    for (std::uint32_t i = 0; i < per_sector; ++i) minifat_.push_back(Get32(bytes.data() + 4 * i));
  }
}

const TCfbDirEntry& TCfbReader::Entry(std::uint32_t id) const {
  if (id >= entries_.size()) Fail(msg::kCfbNoEntry);
  return entries_[id];
}

std::optional<std::uint32_t> TCfbReader::FindChild(std::uint32_t storage,
                                                   std::u16string_view name) const {
  for (std::uint32_t id : Entry(storage).children) {
    if (cfb::CompareNames(entries_[id].name, name) == 0) return id;
  }
  return std::nullopt;
}

std::vector<std::uint8_t> TCfbReader::ReadStream(std::uint32_t id) const {
  const TCfbDirEntry& e = Entry(id);
  if (e.type != cfb::kTypeStream) Fail(msg::kNotAStream);
  std::vector<std::uint8_t> data;
  if (e.size == 0) return data;
  if (e.size < cfb::kMiniStreamCutoff) {
    const std::uint64_t needed = CeilDiv(e.size, cfb::kMiniSectorSize);
    const std::vector<std::uint32_t> chain =
        Chain(minifat_, e.start, needed, msg::kCfbBrokenMiniChain);
    if (chain.size() < needed) Fail(msg::kCfbMiniChainShort);
    data.reserve(e.size);
    std::uint64_t left = e.size;
    for (std::uint32_t sector : chain) {
      const std::uint64_t n = std::min<std::uint64_t>(left, cfb::kMiniSectorSize);
      const std::uint64_t offset = static_cast<std::uint64_t>(sector) * cfb::kMiniSectorSize;
      if (offset + n > mini_stream_.size()) Fail(msg::kCfbMiniSectorPastEnd);
      data.insert(data.end(), mini_stream_.begin() + offset, mini_stream_.begin() + offset + n);
      left -= n;
    }
    return data;
  }
  return ReadSectors(e.start, e.size);
}

std::vector<std::uint8_t> TCfbReader::ReadSectors(std::uint32_t start, std::uint64_t size) const {
  const std::uint64_t needed = CeilDiv(size, sector_size_);
  if (needed > sector_count_) Fail(msg::kCfbStreamPastFile);
  const std::vector<std::uint32_t> chain = Chain(fat_, start, needed, msg::kCfbBrokenStreamChain);
  if (chain.size() < needed) Fail(msg::kCfbStreamChainShort);
  std::vector<std::uint8_t> data;
  data.reserve(size);
  std::uint64_t left = size;
  for (std::uint32_t sector : chain) {
    const std::uint32_t n = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, sector_size_));
    const std::span<const std::uint8_t> bytes = SectorBytes(sector, n);
    data.insert(data.end(), bytes.begin(), bytes.end());
    left -= n;
  }
  return data;
}

}  // namespace chronolin
