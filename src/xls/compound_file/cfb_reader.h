#pragma once
// Reader of a compound file held in memory. Everything the file claims (sector numbers, chain
// lengths, sizes, tree links, counts) is checked against the bytes really present before it is
// used, so a damaged or hostile file raises CfbFormatError: never a crash, a hang, or an
// allocation much larger than the file.
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "xls/compound_file/cfb_format.h"

namespace chronolin::cfb {

// What is wrong with the file, for diagnostics; callers report their own message.
class CfbFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DirEntry {
  std::u16string name;
  uint8_t type = kTypeEmpty;       // as the file says (1 storage, 2 stream, 5 root, others kept)
  uint32_t start = 0;              // first sector (or mini sector) of a stream
  uint64_t size = 0;               // stream size in bytes
  std::vector<uint32_t> children;  // storages and the root: child ids in tree order
};

class Reader {
 public:
  static constexpr uint32_t kRootId = 0;

  // True when the bytes begin with the compound file signature.
  static bool HasSignature(std::span<const uint8_t> file);

  // Parses the header, the FAT (through the DIFAT), the MiniFAT, the directory and the tree of
  // every storage reachable from the root. Throws CfbFormatError.
  explicit Reader(std::vector<uint8_t> file);

  const DirEntry& Entry(uint32_t id) const;  // id from Children(); kRootId for the root
  // The storage's child whose name matches under the format's case-insensitive rule.
  std::optional<uint32_t> FindChild(uint32_t storage, std::u16string_view name) const;
  // The whole content of a stream element. Throws CfbFormatError when its chain is broken or
  // shorter than its size.
  std::vector<uint8_t> ReadStream(uint32_t id) const;

 private:
  void ParseHeader();
  void LoadFat();
  void LoadDirectory();  // with the tree of every storage reachable from the root
  void LoadMiniStream();
  // The `size` bytes of a regular-sector chain from `start` (a stream, or the mini stream),
  // checked against the file.
  std::vector<uint8_t> ReadSectors(uint32_t start, uint64_t size) const;
  std::vector<uint32_t> Chain(const std::vector<uint32_t>& table, uint32_t start, uint64_t limit,
                              const char* what) const;
  std::span<const uint8_t> SectorBytes(uint32_t sector, uint32_t length) const;

  std::vector<uint8_t> file_;
  uint32_t sector_size_ = 512;
  uint32_t sector_count_ = 0;  // sectors that begin inside the file
  uint32_t fat_sector_count_ = 0;
  uint32_t first_dir_sector_ = 0;
  uint32_t first_minifat_sector_ = 0;
  uint32_t minifat_sector_count_ = 0;
  uint32_t first_difat_sector_ = 0;
  uint32_t difat_sector_count_ = 0;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> minifat_;
  std::vector<uint8_t> mini_stream_;
  std::vector<DirEntry> entries_;
};

}  // namespace chronolin::cfb
