#pragma once
// Reader of a compound file held in memory. Everything the file claims (sector numbers, chain
// lengths, sizes, tree links, counts) is checked against the bytes really present before it is
// used, so a damaged or hostile file raises XlsError (its text says what is wrong): never a
// crash, a hang, or an allocation much larger than the file.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/compound_file/cfb_format.h"

namespace chronolin {

struct TCfbDirEntry {
  std::u16string name;
  // As the file says (1 storage, 2 stream, 5 root, others kept).
  std::uint8_t type = cfb::kTypeEmpty;
  std::uint32_t start = 0;              // first sector (or mini sector) of a stream
  std::uint64_t size = 0;               // stream size in bytes
  std::vector<std::uint32_t> children;  // storages and the root: child ids in tree order
};

class TCfbReader {
 public:
  static constexpr std::uint32_t kRootId = 0;

  // True when the bytes begin with the compound file signature.
  static bool HasSignature(std::span<const std::uint8_t> file);

  // Parses the header, the FAT (through the DIFAT), the MiniFAT, the directory and the tree of
  // every storage reachable from the root. Throws XlsError.
  explicit TCfbReader(std::vector<std::uint8_t> file);

  const TCfbDirEntry& Entry(std::uint32_t id) const;  // id from Children(); kRootId for the root
  // The storage's child whose name matches under the format's case-insensitive rule.
  std::optional<std::uint32_t> FindChild(std::uint32_t storage, std::u16string_view name) const;
  // The whole content of a stream element. Throws XlsError when its chain is broken or
  // shorter than its size.
  std::vector<std::uint8_t> ReadStream(std::uint32_t id) const;

 private:
  void ParseHeader();
  void LoadFat();
  void LoadDirectory();  // with the tree of every storage reachable from the root
  void LoadMiniStream();
  // The `size` bytes of a regular-sector chain from `start` (a stream, or the mini stream),
  // checked against the file.
  std::vector<std::uint8_t> ReadSectors(std::uint32_t start, std::uint64_t size) const;
  std::vector<std::uint32_t> Chain(const std::vector<std::uint32_t>& table, std::uint32_t start,
                                   std::uint64_t limit, const char* what) const;
  std::span<const std::uint8_t> SectorBytes(std::uint32_t sector, std::uint32_t length) const;

  std::vector<std::uint8_t> file_;
  std::uint32_t sector_size_ = 512;
  std::uint32_t sector_count_ = 0;  // sectors that begin inside the file
  std::uint32_t fat_sector_count_ = 0;
  std::uint32_t first_dir_sector_ = 0;
  std::uint32_t first_minifat_sector_ = 0;
  std::uint32_t minifat_sector_count_ = 0;
  std::uint32_t first_difat_sector_ = 0;
  std::uint32_t difat_sector_count_ = 0;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> minifat_;
  std::vector<std::uint8_t> mini_stream_;
  std::vector<TCfbDirEntry> entries_;
};

}  // namespace chronolin
