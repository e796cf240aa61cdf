#include "xls/compound_file/cfb_writer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>

#include "common/format.h"
#include "common/text_codec.h"
#include "xls/compound_file/cfb_format.h"
#include "xls/compound_file/xls_error.h"

namespace chronolin::cfb {
namespace {

constexpr uint32_t kSectorSize = 512;
constexpr uint32_t kPerFatSector = kSectorSize / 4;
constexpr uint32_t kPerDifatSector = kPerFatSector - 1;  // the last slot links the next one
constexpr uint32_t kEntriesPerSector = kSectorSize / kDirEntrySize;

uint64_t CeilDiv(uint64_t a, uint64_t b) {
  return a / b + (a % b != 0);
}

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

struct DirRecord {
  uint32_t left = kNoStream;
  uint32_t right = kNoStream;
  uint32_t child = kNoStream;
  uint8_t color = 1;  // black
  uint32_t start = kEndOfChain;
  uint32_t size = 0;
};

// Each storage's children form a balanced search tree in name order. Colouring the nodes of
// an incomplete bottom level red (all others black) gives every path the same number of
// black nodes and no red node a red child: a valid red-black tree.
template <class Nodes>
void BuildTrees(const Nodes& nodes, std::vector<DirRecord>& dir) {
  const auto count = static_cast<uint32_t>(nodes.size());
  for (uint32_t parent = 0; parent < count; ++parent) {
    const auto& storage = nodes[parent];
    if (storage.children.empty()) continue;
    std::vector<uint32_t> sorted = storage.children;
    std::sort(sorted.begin(), sorted.end(), [&](uint32_t a, uint32_t b) {
      return CompareNames(nodes[a].name, nodes[b].name) < 0;
    });
    const int height = std::bit_width(sorted.size());  // levels of the balanced tree
    const bool bottom_full = std::has_single_bit(sorted.size() + 1);
    std::function<uint32_t(size_t, size_t, int)> build = [&](size_t lo, size_t hi, int depth) {
      if (lo >= hi) return kNoStream;
      const size_t mid = lo + (hi - lo - 1) / 2;
      const uint32_t id = sorted[mid];
      dir[id].left = build(lo, mid, depth + 1);
      dir[id].right = build(mid + 1, hi, depth + 1);
      dir[id].color = (depth == height - 1 && depth > 0 && !bottom_full) ? 0 : 1;
      return id;
    };
    dir[parent].child = build(0, sorted.size(), 0);
  }
}

void WriteHeader(uint8_t* h, uint64_t fat_sectors, uint32_t first_fat, uint32_t first_dir,
                 uint32_t first_minifat, uint64_t minifat_sectors, uint32_t first_difat,
                 uint64_t difat_sectors) {
  std::memcpy(h, kSignature, sizeof kSignature);
  Put16(h + 0x18, 0x003E);  // minor version
  Put16(h + 0x1A, 3);       // major version: 512-byte sectors
  Put16(h + 0x1C, 0xFFFE);
  Put16(h + 0x1E, 9);
  Put16(h + 0x20, 6);
  Put32(h + 0x2C, static_cast<uint32_t>(fat_sectors));
  Put32(h + 0x30, first_dir);
  Put32(h + 0x38, kMiniStreamCutoff);
  Put32(h + 0x3C, first_minifat);
  Put32(h + 0x40, static_cast<uint32_t>(minifat_sectors));
  Put32(h + 0x44, first_difat);
  Put32(h + 0x48, static_cast<uint32_t>(difat_sectors));
  for (uint32_t i = 0; i < kHeaderDifatCount; ++i) {
    Put32(h + 0x4C + 4 * i, i < fat_sectors ? first_fat + i : kFreeSect);
  }
}

// Keeps the first bytes of a stream until it is known to reach the mini-stream cutoff; from
// then on, bytes pass straight to the document after the header's place.
class StreamHead final : public Sink {
 public:
  explicit StreamHead(Sink& document) : document_(document) {}
  void Write(const uint8_t* data, size_t size) override {
    if (!passing_ && head_.size() + size < kMiniStreamCutoff) {
      head_.insert(head_.end(), data, data + size);
      return;
    }
    if (!passing_) {
      passing_ = true;
      start_ = document_.Position() + kHeaderSize;
      const std::vector<uint8_t> header(kHeaderSize, 0);  // written for real at the end
      document_.Write(header.data(), header.size());
      document_.Write(head_.data(), head_.size());
      head_.clear();
    }
    document_.Write(data, size);
  }
  void WriteAt(uint64_t, const uint8_t*, size_t) override {
    throw XlsError("A stream is written in one pass");
  }
  uint64_t Position() const override {
    return passing_ ? document_.Position() - start_ : head_.size();
  }
  bool Passing() const { return passing_; }
  uint64_t Start() const { return start_; }
  std::vector<uint8_t>& Head() { return head_; }

 private:
  Sink& document_;
  std::vector<uint8_t> head_;
  bool passing_ = false;
  uint64_t start_ = 0;  // where the stream begins in the document
};

}  // namespace

Writer::Writer() {
  nodes_.push_back({u"Root Entry", kTypeRoot, {}, {}});
}

uint32_t Writer::Add(uint32_t parent, std::u16string_view name, uint8_t type) {
  if (parent >= nodes_.size() || nodes_[parent].type == kTypeStream) {
    throw XlsError("Invalid parent storage");
  }
  if (!IsValidName(name)) {
    throw XlsError(Format("Invalid element name \"%s\"", Utf16ToUtf8(name).c_str()));
  }
  for (uint32_t sibling : nodes_[parent].children) {
    if (CompareNames(nodes_[sibling].name, name) == 0) {
      throw XlsError(Format("Element \"%s\" already exists", Utf16ToUtf8(name).c_str()));
    }
  }
  const auto id = static_cast<uint32_t>(nodes_.size());
  nodes_.push_back({std::u16string(name), type, {}, {}});
  nodes_[parent].children.push_back(id);
  return id;
}

uint32_t Writer::AddStorage(uint32_t parent, std::u16string_view name) {
  return Add(parent, name, kTypeStorage);
}

uint32_t Writer::AddStream(uint32_t parent, std::u16string_view name) {
  return Add(parent, name, kTypeStream);
}

std::vector<uint8_t>& Writer::StreamData(uint32_t id) {
  if (id >= nodes_.size() || nodes_[id].type != kTypeStream) throw XlsError("Not a stream");
  return nodes_[id].data;
}

std::vector<uint8_t> Writer::Serialize() const {
  const auto count = static_cast<uint32_t>(nodes_.size());
  std::vector<DirRecord> dir(count);

  BuildTrees(nodes_, dir);

  // Small streams go to the mini stream, 64-byte sectors chained in the MiniFAT.
  std::vector<uint8_t> mini_stream;
  std::vector<uint32_t> minifat;
  uint64_t big_sectors = 0;
  for (uint32_t id = 0; id < count; ++id) {
    const Node& n = nodes_[id];
    if (n.type != kTypeStream || n.data.empty()) continue;
    if (n.data.size() > 0xFFFFFFFFu) {
      throw XlsError(Format("Stream \"%s\" is too large", Utf16ToUtf8(n.name).c_str()));
    }
    dir[id].size = static_cast<uint32_t>(n.data.size());
    if (n.data.size() >= kMiniStreamCutoff) {
      big_sectors += CeilDiv(n.data.size(), kSectorSize);
      continue;
    }
    const auto first = static_cast<uint32_t>(minifat.size());
    const auto sectors = static_cast<uint32_t>(CeilDiv(n.data.size(), kMiniSectorSize));
    for (uint32_t k = 1; k < sectors; ++k) minifat.push_back(first + k);
    minifat.push_back(kEndOfChain);
    dir[id].start = first;
    mini_stream.insert(mini_stream.end(), n.data.begin(), n.data.end());
    mini_stream.resize(static_cast<size_t>(minifat.size()) * kMiniSectorSize, 0);
  }

  const uint64_t minifat_sectors = CeilDiv(minifat.size(), kPerFatSector);
  const uint64_t dir_sectors = CeilDiv(count, kEntriesPerSector);
  const uint64_t mini_sectors = CeilDiv(mini_stream.size(), kSectorSize);
  const uint64_t data_sectors = minifat_sectors + dir_sectors + mini_sectors + big_sectors;
  // The FAT maps every sector, its own and the DIFAT's included.
  uint64_t fat_sectors = 0;
  uint64_t difat_sectors = 0;
  for (;;) {
    difat_sectors = fat_sectors > kHeaderDifatCount
                        ? CeilDiv(fat_sectors - kHeaderDifatCount, kPerDifatSector)
                        : 0;
    const uint64_t needed = CeilDiv(data_sectors + fat_sectors + difat_sectors, kPerFatSector);
    if (needed <= fat_sectors) break;
    fat_sectors = needed;
  }
  const uint64_t total = fat_sectors + difat_sectors + data_sectors;
  if (total >= kMaxRegSect) throw XlsError("The compound document is too large");

  // Sector order: FAT, DIFAT, MiniFAT, directory, mini stream, then the large streams in the
  // order they were created.
  std::vector<uint32_t> fat(fat_sectors * kPerFatSector, kFreeSect);
  uint32_t next = 0;
  const auto place = [&](uint64_t sectors, uint32_t mark) -> uint32_t {
    if (sectors == 0) return kEndOfChain;
    const uint32_t first = next;
    for (uint64_t k = 0; k < sectors; ++k, ++next) {
      fat[next] = mark != 0 ? mark : (k + 1 < sectors ? next + 1 : kEndOfChain);
    }
    return first;
  };
  const uint32_t first_fat = place(fat_sectors, kFatSect);
  const uint32_t first_difat = place(difat_sectors, kDifSect);
  const uint32_t first_minifat = place(minifat_sectors, 0);
  const uint32_t first_dir = place(dir_sectors, 0);
  dir[0].start = place(mini_sectors, 0);
  dir[0].size = static_cast<uint32_t>(mini_stream.size());
  for (uint32_t id = 0; id < count; ++id) {
    const Node& n = nodes_[id];
    if (n.type == kTypeStream && n.data.size() >= kMiniStreamCutoff) {
      dir[id].start = place(CeilDiv(n.data.size(), kSectorSize), 0);
    }
  }

  std::vector<uint8_t> out((total + 1) * kSectorSize, 0);
  const auto sector = [&](uint64_t n) { return out.data() + (n + 1) * kSectorSize; };

  WriteHeader(out.data(), fat_sectors, first_fat, first_dir, first_minifat, minifat_sectors,
              first_difat, difat_sectors);
  for (uint64_t d = 0; d < difat_sectors; ++d) {
    uint8_t* p = sector(first_difat + d);
    for (uint32_t i = 0; i < kPerDifatSector; ++i) {
      const uint64_t f = kHeaderDifatCount + d * kPerDifatSector + i;
      Put32(p + 4 * i, f < fat_sectors ? static_cast<uint32_t>(first_fat + f) : kFreeSect);
    }
    Put32(p + 4 * kPerDifatSector,
          d + 1 < difat_sectors ? static_cast<uint32_t>(first_difat + d + 1) : kEndOfChain);
  }
  for (size_t i = 0; i < fat.size(); ++i) Put32(sector(first_fat) + 4 * i, fat[i]);
  if (!minifat.empty()) {
    std::vector<uint32_t> padded = minifat;
    padded.resize(minifat_sectors * kPerFatSector, kFreeSect);
    for (size_t i = 0; i < padded.size(); ++i) Put32(sector(first_minifat) + 4 * i, padded[i]);
  }
  for (uint32_t id = 0; id < dir_sectors * kEntriesPerSector; ++id) {
    uint8_t* p = sector(first_dir) + static_cast<size_t>(id) * kDirEntrySize;
    if (id >= count) {  // unused slot
      Put32(p + 0x44, kNoStream);
      Put32(p + 0x48, kNoStream);
      Put32(p + 0x4C, kNoStream);
      continue;
    }
    const Node& n = nodes_[id];
    for (size_t i = 0; i < n.name.size(); ++i) Put16(p + 2 * i, n.name[i]);
    Put16(p + 0x40, static_cast<uint16_t>((n.name.size() + 1) * 2));
    p[0x42] = n.type;
    p[0x43] = dir[id].color;
    Put32(p + 0x44, dir[id].left);
    Put32(p + 0x48, dir[id].right);
    Put32(p + 0x4C, dir[id].child);
    // Storages carry no sector; an empty stream or root ends its chain at once.
    Put32(p + 0x74, n.type == kTypeStorage ? 0 : dir[id].size == 0 ? kEndOfChain : dir[id].start);
    Put32(p + 0x78, dir[id].size);
  }
  if (!mini_stream.empty())
    std::memcpy(sector(dir[0].start), mini_stream.data(), mini_stream.size());
  for (uint32_t id = 0; id < count; ++id) {
    const Node& n = nodes_[id];
    if (n.type == kTypeStream && n.data.size() >= kMiniStreamCutoff) {
      std::memcpy(sector(dir[id].start), n.data.data(), n.data.size());
    }
  }
  return out;
}

void Writer::SerializeTo(Sink& sink, uint32_t streamed,
                         const std::function<void(Sink&)>& produce) {
  Node& node = nodes_.at(streamed);
  if (node.type != kTypeStream || !node.data.empty()) throw XlsError("Not an empty stream");
  const uint64_t begin = sink.Position();
  StreamHead head(sink);
  produce(head);
  if (!head.Passing()) {
    // A small stream: the mini stream holds it, as in a document built in memory.
    node.data = std::move(head.Head());
    const std::vector<uint8_t> document = Serialize();
    node.data.clear();
    sink.Write(document.data(), document.size());
    return;
  }
  const uint64_t size = head.Position();
  if (size > 0xFFFFFFFFu) {
    throw XlsError(Format("Stream \"%s\" is too large", Utf16ToUtf8(node.name).c_str()));
  }
  const std::vector<uint8_t> padding(CeilDiv(size, kSectorSize) * kSectorSize - size, 0);
  sink.Write(padding.data(), padding.size());
  std::vector<uint8_t> header;
  std::vector<uint8_t> tail;
  LayOutAround(streamed, size, header, tail);
  sink.Write(tail.data(), tail.size());
  sink.WriteAt(begin, header.data(), header.size());
}

void Writer::LayOutAround(uint32_t streamed, uint64_t streamed_size, std::vector<uint8_t>& header,
                          std::vector<uint8_t>& tail) const {
  const auto count = static_cast<uint32_t>(nodes_.size());
  std::vector<DirRecord> dir(count);
  BuildTrees(nodes_, dir);

  std::vector<uint8_t> mini_stream;
  std::vector<uint32_t> minifat;
  const uint64_t streamed_sectors = CeilDiv(streamed_size, kSectorSize);
  uint64_t big_sectors = 0;
  for (uint32_t id = 0; id < count; ++id) {
    const Node& n = nodes_[id];
    if (id == streamed || n.type != kTypeStream || n.data.empty()) continue;
    if (n.data.size() > 0xFFFFFFFFu) {
      throw XlsError(Format("Stream \"%s\" is too large", Utf16ToUtf8(n.name).c_str()));
    }
    dir[id].size = static_cast<uint32_t>(n.data.size());
    if (n.data.size() >= kMiniStreamCutoff) {
      big_sectors += CeilDiv(n.data.size(), kSectorSize);
      continue;
    }
    const auto first = static_cast<uint32_t>(minifat.size());
    const auto sectors = static_cast<uint32_t>(CeilDiv(n.data.size(), kMiniSectorSize));
    for (uint32_t k = 1; k < sectors; ++k) minifat.push_back(first + k);
    minifat.push_back(kEndOfChain);
    dir[id].start = first;
    mini_stream.insert(mini_stream.end(), n.data.begin(), n.data.end());
    mini_stream.resize(static_cast<size_t>(minifat.size()) * kMiniSectorSize, 0);
  }

  const uint64_t minifat_sectors = CeilDiv(minifat.size(), kPerFatSector);
  const uint64_t dir_sectors = CeilDiv(count, kEntriesPerSector);
  const uint64_t mini_sectors = CeilDiv(mini_stream.size(), kSectorSize);
  const uint64_t data_sectors =
      streamed_sectors + big_sectors + mini_sectors + minifat_sectors + dir_sectors;
  uint64_t fat_sectors = 0;
  uint64_t difat_sectors = 0;
  for (;;) {
    difat_sectors = fat_sectors > kHeaderDifatCount
                        ? CeilDiv(fat_sectors - kHeaderDifatCount, kPerDifatSector)
                        : 0;
    const uint64_t needed = CeilDiv(data_sectors + fat_sectors + difat_sectors, kPerFatSector);
    if (needed <= fat_sectors) break;
    fat_sectors = needed;
  }
  const uint64_t total = fat_sectors + difat_sectors + data_sectors;
  if (total >= kMaxRegSect) throw XlsError("The compound document is too large");

  // Sector order: the streamed stream, the other large streams in the order they were
  // created, the mini stream, MiniFAT, directory, FAT, then DIFAT.
  std::vector<uint32_t> fat(fat_sectors * kPerFatSector, kFreeSect);
  uint32_t next = 0;
  const auto place = [&](uint64_t sectors, uint32_t mark) -> uint32_t {
    if (sectors == 0) return kEndOfChain;
    const uint32_t first = next;
    for (uint64_t k = 0; k < sectors; ++k, ++next) {
      fat[next] = mark != 0 ? mark : (k + 1 < sectors ? next + 1 : kEndOfChain);
    }
    return first;
  };
  dir[streamed].start = place(streamed_sectors, 0);
  dir[streamed].size = static_cast<uint32_t>(streamed_size);
  const uint32_t tail_start = next;
  for (uint32_t id = 0; id < count; ++id) {
    const Node& n = nodes_[id];
    if (id != streamed && n.type == kTypeStream && n.data.size() >= kMiniStreamCutoff) {
      dir[id].start = place(CeilDiv(n.data.size(), kSectorSize), 0);
    }
  }
  dir[0].start = place(mini_sectors, 0);
  dir[0].size = static_cast<uint32_t>(mini_stream.size());
  const uint32_t first_minifat = place(minifat_sectors, 0);
  const uint32_t first_dir = place(dir_sectors, 0);
  const uint32_t first_fat = place(fat_sectors, kFatSect);
  const uint32_t first_difat = place(difat_sectors, kDifSect);

  tail.assign((total - tail_start) * kSectorSize, 0);
  const auto sector = [&](uint64_t n) { return tail.data() + (n - tail_start) * kSectorSize; };
  header.assign(kHeaderSize, 0);
  WriteHeader(header.data(), fat_sectors, first_fat, first_dir, first_minifat, minifat_sectors,
              first_difat, difat_sectors);
  for (uint64_t d = 0; d < difat_sectors; ++d) {
    uint8_t* p = sector(first_difat + d);
    for (uint32_t i = 0; i < kPerDifatSector; ++i) {
      const uint64_t f = kHeaderDifatCount + d * kPerDifatSector + i;
      Put32(p + 4 * i, f < fat_sectors ? static_cast<uint32_t>(first_fat + f) : kFreeSect);
    }
    Put32(p + 4 * kPerDifatSector,
          d + 1 < difat_sectors ? static_cast<uint32_t>(first_difat + d + 1) : kEndOfChain);
  }
  for (size_t i = 0; i < fat.size(); ++i) Put32(sector(first_fat) + 4 * i, fat[i]);
  if (!minifat.empty()) {
    std::vector<uint32_t> padded = minifat;
    padded.resize(minifat_sectors * kPerFatSector, kFreeSect);
    for (size_t i = 0; i < padded.size(); ++i) Put32(sector(first_minifat) + 4 * i, padded[i]);
  }
  for (uint32_t id = 0; id < dir_sectors * kEntriesPerSector; ++id) {
    uint8_t* p = sector(first_dir) + static_cast<size_t>(id) * kDirEntrySize;
    if (id >= count) {  // unused slot
      Put32(p + 0x44, kNoStream);
      Put32(p + 0x48, kNoStream);
      Put32(p + 0x4C, kNoStream);
      continue;
    }
    const Node& n = nodes_[id];
    for (size_t i = 0; i < n.name.size(); ++i) Put16(p + 2 * i, n.name[i]);
    Put16(p + 0x40, static_cast<uint16_t>((n.name.size() + 1) * 2));
    p[0x42] = n.type;
    p[0x43] = dir[id].color;
    Put32(p + 0x44, dir[id].left);
    Put32(p + 0x48, dir[id].right);
    Put32(p + 0x4C, dir[id].child);
    Put32(p + 0x74, n.type == kTypeStorage ? 0 : dir[id].size == 0 ? kEndOfChain : dir[id].start);
    Put32(p + 0x78, dir[id].size);
  }
  if (!mini_stream.empty()) {
    std::memcpy(sector(dir[0].start), mini_stream.data(), mini_stream.size());
  }
  for (uint32_t id = 0; id < count; ++id) {
    const Node& n = nodes_[id];
    if (id != streamed && n.type == kTypeStream && n.data.size() >= kMiniStreamCutoff) {
      std::memcpy(sector(dir[id].start), n.data.data(), n.data.size());
    }
  }
}

}  // namespace chronolin::cfb
