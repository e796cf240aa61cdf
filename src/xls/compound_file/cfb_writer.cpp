#include "xls/compound_file/cfb_writer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>

#include "common/format.h"
#include "common/text_codec.h"
#include "xls/compound_file/cfb_format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"

namespace chronolin {
namespace {

constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint32_t kPerFatSector = kSectorSize / 4;
constexpr std::uint32_t kPerDifatSector = kPerFatSector - 1;  // the last slot links the next one
constexpr std::uint32_t kEntriesPerSector = kSectorSize / cfb::kDirEntrySize;

std::uint64_t CeilDiv(std::uint64_t a, std::uint64_t b) {
  return a / b + (a % b != 0);
}

void Set16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Set32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct DirRecord {
  std::uint32_t left = cfb::kNoStream;
  std::uint32_t right = cfb::kNoStream;
  std::uint32_t child = cfb::kNoStream;
  std::uint8_t color = 1;  // black
  std::uint32_t start = cfb::kEndOfChain;
  std::uint32_t size = 0;
};

// Each storage's children form a balanced search tree in name order. Colouring the nodes of
// an incomplete bottom level red (all others black) gives every path the same number of
// black nodes and no red node a red child: a valid red-black tree.
template <class Nodes>
void BuildTrees(const Nodes& nodes, std::vector<DirRecord>& dir) {
  const auto count = static_cast<std::uint32_t>(nodes.size());
  for (std::uint32_t parent = 0; parent < count; ++parent) {
    const auto& storage = nodes[parent];
    if (storage.children.empty()) continue;
    std::vector<std::uint32_t> sorted = storage.children;
    std::sort(sorted.begin(), sorted.end(), [&](std::uint32_t a, std::uint32_t b) {
      return cfb::CompareNames(nodes[a].name, nodes[b].name) < 0;
    });
    const int height = std::bit_width(sorted.size());  // levels of the balanced tree
    const bool bottom_full = std::has_single_bit(sorted.size() + 1);
    std::function<std::uint32_t(std::size_t, std::size_t, int)> build =
        [&](std::size_t lo, std::size_t hi, int depth) {
          if (lo >= hi) return cfb::kNoStream;
          const std::size_t mid = lo + (hi - lo - 1) / 2;
          const std::uint32_t id = sorted[mid];
          dir[id].left = build(lo, mid, depth + 1);
          dir[id].right = build(mid + 1, hi, depth + 1);
          dir[id].color = (depth == height - 1 && depth > 0 && !bottom_full) ? 0 : 1;
          return id;
        };
    dir[parent].child = build(0, sorted.size(), 0);
  }
}

void WriteHeader(std::uint8_t* h, std::uint64_t fat_sectors, std::uint32_t first_fat,
                 std::uint32_t first_dir, std::uint32_t first_minifat,
                 std::uint64_t minifat_sectors, std::uint32_t first_difat,
                 std::uint64_t difat_sectors) {
  std::memcpy(h, cfb::kSignature, sizeof cfb::kSignature);
  Set16(h + 0x18, 0x003E);  // minor version
  Set16(h + 0x1A, 3);       // major version: 512-byte sectors
  Set16(h + 0x1C, 0xFFFE);
  Set16(h + 0x1E, 9);
  Set16(h + 0x20, 6);
  Set32(h + 0x2C, static_cast<std::uint32_t>(fat_sectors));
  Set32(h + 0x30, first_dir);
  Set32(h + 0x38, cfb::kMiniStreamCutoff);
  Set32(h + 0x3C, first_minifat);
  Set32(h + 0x40, static_cast<std::uint32_t>(minifat_sectors));
  Set32(h + 0x44, first_difat);
  Set32(h + 0x48, static_cast<std::uint32_t>(difat_sectors));
  for (std::uint32_t i = 0; i < cfb::kHeaderDifatCount; ++i) {
    Set32(h + 0x4C + 4 * i, i < fat_sectors ? first_fat + i : cfb::kFreeSect);
  }
}

// The small streams packed into the mini stream (64-byte sectors chained in the MiniFAT), the
// sizes of the others noted in the directory; `skip` is a stream laid out by the caller.
struct TMiniLayout {
  std::vector<std::uint8_t> stream;
  std::vector<std::uint32_t> minifat;
  std::uint64_t big_sectors = 0;
};

template <class Nodes>
TMiniLayout PackSmallStreams(const Nodes& nodes, std::vector<DirRecord>& dir, std::uint32_t skip) {
  TMiniLayout mini;
  const auto count = static_cast<std::uint32_t>(nodes.size());
  for (std::uint32_t id = 0; id < count; ++id) {
    const auto& n = nodes[id];
    if (id == skip || n.type != cfb::kTypeStream || n.data.empty()) continue;
    if (n.data.size() > 0xFFFFFFFFu) {
      throw XlsError(Format(msg::kStreamTooLarge, Utf16ToUtf8(n.name).c_str()));
    }
    dir[id].size = static_cast<std::uint32_t>(n.data.size());
    if (n.data.size() >= cfb::kMiniStreamCutoff) {
      mini.big_sectors += CeilDiv(n.data.size(), kSectorSize);
      continue;
    }
    const auto first = static_cast<std::uint32_t>(mini.minifat.size());
    const auto sectors = static_cast<std::uint32_t>(CeilDiv(n.data.size(), cfb::kMiniSectorSize));
    for (std::uint32_t k = 1; k < sectors; ++k) mini.minifat.push_back(first + k);
    mini.minifat.push_back(cfb::kEndOfChain);
    dir[id].start = first;
    mini.stream.insert(mini.stream.end(), n.data.begin(), n.data.end());
    mini.stream.resize(static_cast<std::size_t>(mini.minifat.size()) * cfb::kMiniSectorSize, 0);
  }
  return mini;
}

// The FAT maps every sector, its own and the DIFAT's included.
struct TFatSize {
  std::uint64_t fat_sectors = 0;
  std::uint64_t difat_sectors = 0;
  std::uint64_t total = 0;
};

TFatSize SizeFat(std::uint64_t data_sectors) {
  TFatSize size;
  for (;;) {
    size.difat_sectors = size.fat_sectors > cfb::kHeaderDifatCount
                             ? CeilDiv(size.fat_sectors - cfb::kHeaderDifatCount, kPerDifatSector)
                             : 0;
    const std::uint64_t needed =
        CeilDiv(data_sectors + size.fat_sectors + size.difat_sectors, kPerFatSector);
    if (needed <= size.fat_sectors) break;
    size.fat_sectors = needed;
  }
  size.total = size.fat_sectors + size.difat_sectors + data_sectors;
  if (size.total >= cfb::kMaxRegSect) throw XlsError(msg::kDocumentTooLarge);
  return size;
}

// Hands out sectors in order and chains them in the FAT (or marks them as FAT/DIFAT sectors).
class TSectorPlacer {
 public:
  explicit TSectorPlacer(std::uint64_t fat_sectors)
      : fat_(fat_sectors * kPerFatSector, cfb::kFreeSect) {}
  std::uint32_t Place(std::uint64_t sectors, std::uint32_t mark) {
    if (sectors == 0) return cfb::kEndOfChain;
    const std::uint32_t first = next_;
    for (std::uint64_t k = 0; k < sectors; ++k, ++next_) {
      fat_[next_] = mark != 0 ? mark : (k + 1 < sectors ? next_ + 1 : cfb::kEndOfChain);
    }
    return first;
  }
  std::uint32_t Next() const { return next_; }
  const std::vector<std::uint32_t>& Fat() const { return fat_; }

 private:
  std::vector<std::uint32_t> fat_;
  std::uint32_t next_ = 0;
};

// Where the tables went once placed.
struct TTablePlaces {
  std::uint32_t first_fat = 0;
  std::uint32_t first_difat = 0;
  std::uint32_t first_minifat = 0;
  std::uint32_t first_dir = 0;
  std::uint64_t minifat_sectors = 0;
  std::uint64_t dir_sectors = 0;
};

// Writes the DIFAT, FAT, MiniFAT, directory and mini stream into their sectors;
// `sector(n)` gives the bytes of sector n.
template <class Nodes, class Sector>
void WriteTables(const Sector& sector, const Nodes& nodes, const std::vector<DirRecord>& dir,
                 const TFatSize& size, const TTablePlaces& at,
                 const std::vector<std::uint32_t>& fat, const TMiniLayout& mini) {
  for (std::uint64_t d = 0; d < size.difat_sectors; ++d) {
    std::uint8_t* p = sector(at.first_difat + d);
    for (std::uint32_t i = 0; i < kPerDifatSector; ++i) {
      const std::uint64_t f = cfb::kHeaderDifatCount + d * kPerDifatSector + i;
      Set32(p + 4 * i,
            f < size.fat_sectors ? static_cast<std::uint32_t>(at.first_fat + f) : cfb::kFreeSect);
    }
    Set32(p + 4 * kPerDifatSector, d + 1 < size.difat_sectors
                                       ? static_cast<std::uint32_t>(at.first_difat + d + 1)
                                       : cfb::kEndOfChain);
  }
  for (std::size_t i = 0; i < fat.size(); ++i) Set32(sector(at.first_fat) + 4 * i, fat[i]);
  if (!mini.minifat.empty()) {
    std::vector<std::uint32_t> padded = mini.minifat;
    padded.resize(at.minifat_sectors * kPerFatSector, cfb::kFreeSect);
    for (std::size_t i = 0; i < padded.size(); ++i) {
      Set32(sector(at.first_minifat) + 4 * i, padded[i]);
    }
  }
  const auto count = static_cast<std::uint32_t>(nodes.size());
  for (std::uint32_t id = 0; id < at.dir_sectors * kEntriesPerSector; ++id) {
    std::uint8_t* p = sector(at.first_dir) + static_cast<std::size_t>(id) * cfb::kDirEntrySize;
    if (id >= count) {  // unused slot
      Set32(p + 0x44, cfb::kNoStream);
      Set32(p + 0x48, cfb::kNoStream);
      Set32(p + 0x4C, cfb::kNoStream);
      continue;
    }
    const auto& n = nodes[id];
    for (std::size_t i = 0; i < n.name.size(); ++i) Set16(p + 2 * i, n.name[i]);
    Set16(p + 0x40, static_cast<std::uint16_t>((n.name.size() + 1) * 2));
    p[0x42] = n.type;
    p[0x43] = dir[id].color;
    Set32(p + 0x44, dir[id].left);
    Set32(p + 0x48, dir[id].right);
    Set32(p + 0x4C, dir[id].child);
    // Storages carry no sector; an empty stream or root ends its chain at once.
    Set32(p + 0x74, n.type == cfb::kTypeStorage ? 0
                    : dir[id].size == 0         ? cfb::kEndOfChain
                                                : dir[id].start);
    Set32(p + 0x78, dir[id].size);
  }
  if (!mini.stream.empty()) {
    std::memcpy(sector(dir[0].start), mini.stream.data(), mini.stream.size());
  }
}

// Keeps the first bytes of a stream until it is known to reach the mini-stream cutoff; from
// then on, bytes pass straight to the document after the header's place.
class TStreamHead final : public TCfbSink {
 public:
  explicit TStreamHead(TCfbSink& document) : document_(document) {}
  void Write(const std::uint8_t* data, std::size_t size) override {
    if (!passing_ && head_.size() + size < cfb::kMiniStreamCutoff) {
      head_.insert(head_.end(), data, data + size);
      return;
    }
    if (!passing_) {
      passing_ = true;
      start_ = document_.Position() + cfb::kHeaderSize;
      const std::vector<std::uint8_t> header(cfb::kHeaderSize, 0);  // written for real last
      document_.Write(header.data(), header.size());
      document_.Write(head_.data(), head_.size());
      std::vector<std::uint8_t>().swap(head_);
    }
    document_.Write(data, size);
  }
  void WriteAt(std::uint64_t, const std::uint8_t*, std::size_t) override {
    throw XlsError(msg::kStreamInOnePass);
  }
  std::uint64_t Position() const override {
    return passing_ ? document_.Position() - start_ : head_.size();
  }
  bool Passing() const { return passing_; }
  std::vector<std::uint8_t>& Head() { return head_; }

 private:
  TCfbSink& document_;
  std::vector<std::uint8_t> head_;
  bool passing_ = false;
  std::uint64_t start_ = 0;  // where the stream begins in the document
};

}  // namespace

TCfbWriter::TCfbWriter() {
  nodes_.push_back({std::u16string(cfb::kRootEntryName), cfb::kTypeRoot, {}, {}});
}

std::uint32_t TCfbWriter::Add(std::uint32_t parent, std::u16string_view name, std::uint8_t type) {
  if (parent >= nodes_.size() || nodes_[parent].type == cfb::kTypeStream) {
    throw XlsError(msg::kInvalidParentStorage);
  }
  if (!cfb::IsValidName(name)) {
    throw XlsError(Format(msg::kInvalidElementName, Utf16ToUtf8(name).c_str()));
  }
  for (std::uint32_t sibling : nodes_[parent].children) {
    if (cfb::CompareNames(nodes_[sibling].name, name) == 0) {
      throw XlsError(Format(msg::kElementExists, Utf16ToUtf8(name).c_str()));
    }
  }
  const auto id = static_cast<std::uint32_t>(nodes_.size());
  nodes_.push_back({std::u16string(name), type, {}, {}});
  nodes_[parent].children.push_back(id);
  return id;
}

std::uint32_t TCfbWriter::AddStorage(std::uint32_t parent, std::u16string_view name) {
  return Add(parent, name, cfb::kTypeStorage);
}

std::uint32_t TCfbWriter::AddStream(std::uint32_t parent, std::u16string_view name) {
  return Add(parent, name, cfb::kTypeStream);
}

std::vector<std::uint8_t>& TCfbWriter::StreamData(std::uint32_t id) {
  if (id >= nodes_.size() || nodes_[id].type != cfb::kTypeStream) throw XlsError(msg::kNotAStream);
  return nodes_[id].data;
}

std::vector<std::uint8_t> TCfbWriter::Serialize() const {
  std::vector<std::uint8_t> out;
  WriteTo([&](std::span<const std::uint8_t> piece) {
    out.insert(out.end(), piece.begin(), piece.end());
  });
  return out;
}

void TCfbWriter::WriteTo(const std::function<void(std::span<const std::uint8_t>)>& sink) const {
  const auto count = static_cast<std::uint32_t>(nodes_.size());
  std::vector<DirRecord> dir(count);
  BuildTrees(nodes_, dir);
  const TMiniLayout mini = PackSmallStreams(nodes_, dir, cfb::kNoStream);

  TTablePlaces at;
  at.minifat_sectors = CeilDiv(mini.minifat.size(), kPerFatSector);
  at.dir_sectors = CeilDiv(count, kEntriesPerSector);
  const std::uint64_t mini_sectors = CeilDiv(mini.stream.size(), kSectorSize);
  const TFatSize size =
      SizeFat(at.minifat_sectors + at.dir_sectors + mini_sectors + mini.big_sectors);

  // Sector order: FAT, DIFAT, MiniFAT, directory, mini stream, then the large streams in the
  // order they were created.
  TSectorPlacer placer(size.fat_sectors);
  at.first_fat = placer.Place(size.fat_sectors, cfb::kFatSect);
  at.first_difat = placer.Place(size.difat_sectors, cfb::kDifSect);
  at.first_minifat = placer.Place(at.minifat_sectors, 0);
  at.first_dir = placer.Place(at.dir_sectors, 0);
  dir[0].start = placer.Place(mini_sectors, 0);
  dir[0].size = static_cast<std::uint32_t>(mini.stream.size());
  for (std::uint32_t id = 0; id < count; ++id) {
    const Node& n = nodes_[id];
    if (n.type == cfb::kTypeStream && n.data.size() >= cfb::kMiniStreamCutoff) {
      dir[id].start = placer.Place(CeilDiv(n.data.size(), kSectorSize), 0);
    }
  }

  // Everything before the large streams is built here; they follow from their own data.
  const std::uint64_t head =
      size.fat_sectors + size.difat_sectors + at.minifat_sectors + at.dir_sectors + mini_sectors;
  std::vector<std::uint8_t> out((head + 1) * kSectorSize, 0);
  const auto sector = [&](std::uint64_t n) { return out.data() + (n + 1) * kSectorSize; };
  WriteHeader(out.data(), size.fat_sectors, at.first_fat, at.first_dir, at.first_minifat,
              at.minifat_sectors, at.first_difat, size.difat_sectors);
  WriteTables(sector, nodes_, dir, size, at, placer.Fat(), mini);
  sink(out);
  static constexpr std::uint8_t kPadding[kSectorSize] = {};
  for (std::uint32_t id = 0; id < count; ++id) {
    const Node& n = nodes_[id];
    if (n.type == cfb::kTypeStream && n.data.size() >= cfb::kMiniStreamCutoff) {
      sink(n.data);
      const std::size_t tail = n.data.size() % kSectorSize;
      if (tail != 0) sink(std::span<const std::uint8_t>(kPadding, kSectorSize - tail));
    }
  }
}

void TCfbWriter::SerializeTo(TCfbSink& sink, std::uint32_t streamed,
                             const std::function<void(TCfbSink&)>& produce) {
  Node& node = nodes_.at(streamed);
  if (node.type != cfb::kTypeStream || !node.data.empty()) throw XlsError(msg::kNotAnEmptyStream);
  const std::uint64_t begin = sink.Position();
  TStreamHead head(sink);
  produce(head);
  if (!head.Passing()) {
    // A small stream: the mini stream holds it, as in a document built in memory.
    node.data = std::move(head.Head());
    const std::vector<std::uint8_t> document = Serialize();
    node.data.clear();
    sink.Write(document.data(), document.size());
    return;
  }
  const std::uint64_t size = head.Position();
  if (size > 0xFFFFFFFFu) {
    throw XlsError(Format(msg::kStreamTooLarge, Utf16ToUtf8(node.name).c_str()));
  }
  const std::vector<std::uint8_t> padding(CeilDiv(size, kSectorSize) * kSectorSize - size, 0);
  sink.Write(padding.data(), padding.size());
  std::vector<std::uint8_t> header;
  std::vector<std::uint8_t> tail;
  LayOutAround(streamed, size, header, tail);
  sink.Write(tail.data(), tail.size());
  sink.WriteAt(begin, header.data(), header.size());
}

void TCfbWriter::LayOutAround(std::uint32_t streamed, std::uint64_t streamed_size,
                              std::vector<std::uint8_t>& header,
                              std::vector<std::uint8_t>& tail) const {
  const auto count = static_cast<std::uint32_t>(nodes_.size());
  std::vector<DirRecord> dir(count);
  BuildTrees(nodes_, dir);
  const TMiniLayout mini = PackSmallStreams(nodes_, dir, streamed);

  TTablePlaces at;
  at.minifat_sectors = CeilDiv(mini.minifat.size(), kPerFatSector);
  at.dir_sectors = CeilDiv(count, kEntriesPerSector);
  const std::uint64_t streamed_sectors = CeilDiv(streamed_size, kSectorSize);
  const std::uint64_t mini_sectors = CeilDiv(mini.stream.size(), kSectorSize);
  const TFatSize size = SizeFat(streamed_sectors + mini.big_sectors + mini_sectors +
                                at.minifat_sectors + at.dir_sectors);

  // Sector order: the streamed stream, the other large streams in the order they were
  // created, the mini stream, MiniFAT, directory, FAT, then DIFAT.
  TSectorPlacer placer(size.fat_sectors);
  dir[streamed].start = placer.Place(streamed_sectors, 0);
  dir[streamed].size = static_cast<std::uint32_t>(streamed_size);
  const std::uint32_t tail_start = placer.Next();
  for (std::uint32_t id = 0; id < count; ++id) {
    const Node& n = nodes_[id];
    if (id != streamed && n.type == cfb::kTypeStream && n.data.size() >= cfb::kMiniStreamCutoff) {
      dir[id].start = placer.Place(CeilDiv(n.data.size(), kSectorSize), 0);
    }
  }
  dir[0].start = placer.Place(mini_sectors, 0);
  dir[0].size = static_cast<std::uint32_t>(mini.stream.size());
  at.first_minifat = placer.Place(at.minifat_sectors, 0);
  at.first_dir = placer.Place(at.dir_sectors, 0);
  at.first_fat = placer.Place(size.fat_sectors, cfb::kFatSect);
  at.first_difat = placer.Place(size.difat_sectors, cfb::kDifSect);

  tail.assign((size.total - tail_start) * kSectorSize, 0);
  const auto sector = [&](std::uint64_t n) { return tail.data() + (n - tail_start) * kSectorSize; };
  header.assign(cfb::kHeaderSize, 0);
  WriteHeader(header.data(), size.fat_sectors, at.first_fat, at.first_dir, at.first_minifat,
              at.minifat_sectors, at.first_difat, size.difat_sectors);
  WriteTables(sector, nodes_, dir, size, at, placer.Fat(), mini);
  for (std::uint32_t id = 0; id < count; ++id) {
    const Node& n = nodes_[id];
    if (id != streamed && n.type == cfb::kTypeStream && n.data.size() >= cfb::kMiniStreamCutoff) {
      std::memcpy(sector(dir[id].start), n.data.data(), n.data.size());
    }
  }
}

}  // namespace chronolin
