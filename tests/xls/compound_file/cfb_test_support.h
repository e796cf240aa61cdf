#pragma once
// Helpers of the compound-file tests: files, a scratch folder, little-endian patching, CRC-32,
// a tree's streams as "path → size:crc", and the same as python3-olefile reads them.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/text_codec.h"
#include "support/files.h"
#include "support/run_tool.h"
#include "support/scratch_dir.h"
#include "xls/compound_file/xls_storage.h"

namespace chronolin::cfbtest {

using Bytes = std::vector<uint8_t>;
using StreamMap = std::map<std::string, std::string>;

inline std::vector<std::string> FixturePaths() {
  std::vector<std::string> paths;
  for (const auto& e :
       std::filesystem::directory_iterator(std::string(CHRONOLIN_TEST_DATA) + "/xls")) {
    if (e.path().extension() == ".xls") paths.push_back(e.path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

inline Bytes ReadBytes(const std::string& path) {
  return testing::ReadBytes(path);
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

inline uint32_t Get32(const Bytes& d, size_t at) {
  return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (static_cast<uint32_t>(d[at + 3]) << 24);
}
inline void Put32(Bytes& d, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) d[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

class ScratchDir {
 public:
  std::string operator/(const std::string& name) const { return (dir_.path() / name).string(); }

 private:
  testing::TempDir dir_;
};

inline std::string SizeCrc(const Bytes& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t b : data) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return std::to_string(data.size()) + ":" + std::to_string(~crc);
}

inline void Flatten(const TXlsStorageList& list, const std::string& prefix, StreamMap& out) {
  for (size_t i = 0; i < list.Count(); ++i) {
    const TXlsStorage& node = list.Item(i);
    const std::string path = prefix + Utf16ToUtf8(node.Name());
    if (node.Children().Count() > 0)
      Flatten(node.Children(), path + "/", out);
    else
      out[path] = SizeCrc(node.Data());
  }
}
inline StreamMap Flatten(const TXlsStorageList& list) {
  StreamMap out;
  Flatten(list, "", out);
  return out;
}

inline bool HaveOlefile() {
  return std::system("/usr/bin/python3 -c 'import olefile' >/dev/null 2>&1") == 0;
}

// (path, "size:crc") per stream in directory-id order, i.e. creation order for our files;
// nothing when olefile rejects the file (its warnings about incorrect structures included).
inline std::optional<std::vector<std::pair<std::string, std::string>>> OlefileStreams(
    const std::string& path) {
  setenv("CFB_SCRIPT",
         "import sys, zlib, olefile\n"
         "ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)\n"
         "found = []\n"
         "def walk(entry, prefix):\n"
         "    for kid in entry.kids:\n"
         "        if kid.entry_type == olefile.STGTY_STORAGE: walk(kid, prefix + kid.name + '/')\n"
         "        elif kid.entry_type == olefile.STGTY_STREAM: found.append((kid.sid, prefix + "
         "kid.name))\n"
         "walk(ole.root, '')\n"
         "for sid, name in sorted(found):\n"
         "    data = ole.openstream(name.split('/')).read()\n"
         "    sys.stdout.buffer.write(('%s\\t%d:%d\\n' % (name, len(data), "
         "zlib.crc32(data))).encode())\n",
         1);
  // Only the script's own output: olefile's warnings go to its error stream.
  const testing::ToolRun run = testing::RunCommand("(/usr/bin/python3 -c \"$CFB_SCRIPT\" " +
                                                   testing::ShellQuote(path) + " 2>/dev/null)");
  if (run.status != 0) return std::nullopt;
  const std::string& text = run.output;
  std::vector<std::pair<std::string, std::string>> streams;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    streams.emplace_back(line.substr(0, line.find('\t')), line.substr(line.find('\t') + 1));
  }
  return streams;
}

inline StreamMap ToMap(const std::vector<std::pair<std::string, std::string>>& streams) {
  return StreamMap(streams.begin(), streams.end());
}

}  // namespace chronolin::cfbtest
