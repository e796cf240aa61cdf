#pragma once
// Helpers shared by the compound-file tests: files, a scratch folder, CRC-32, the flattened
// stream list of a storage tree, and the independent reader (python3-olefile).
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
#include "xls/xls_storage.h"

namespace chronolin::cfbtest {

inline std::string FixtureDir() {
  return std::string(CHRONOLIN_TEST_DATA) + "/xls";
}

inline std::vector<std::string> FixturePaths() {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(FixtureDir())) {
    if (entry.path().extension() == ".xls") paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder, removed with everything in it at the end of the test.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "cfbtest-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline uint32_t Crc32(const std::vector<uint8_t>& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (uint8_t b : data) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// Stream path ("Storage/Stream", UTF-8) -> "size:crc".
using StreamMap = std::map<std::string, std::string>;

inline std::string SizeCrc(const std::vector<uint8_t>& data) {
  return std::to_string(data.size()) + ":" + std::to_string(Crc32(data));
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

// The streams as python3-olefile reads them: "path size:crc" per line, in directory-id order,
// or nothing when it rejects the file. Defects it only warns about are raised too.
inline std::optional<std::vector<std::pair<std::string, std::string>>> OlefileStreams(
    const std::string& path) {
  const std::string script =
      "import sys, zlib, olefile\n"
      "ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)\n"
      "found = []\n"
      "def walk(entry, prefix):\n"
      "    for kid in entry.kids:\n"
      "        if kid.entry_type == olefile.STGTY_STORAGE:\n"
      "            walk(kid, prefix + kid.name + '/')\n"
      "        elif kid.entry_type == olefile.STGTY_STREAM:\n"
      "            found.append((kid.sid, prefix + kid.name))\n"
      "walk(ole.root, '')\n"
      "for sid, name in sorted(found):\n"
      "    data = ole.openstream(name.split('/')).read()\n"
      "    sys.stdout.buffer.write(('%s\\t%d:%d\\n' % (name, len(data), "
      "zlib.crc32(data))).encode())\n";
  const std::string command = "/usr/bin/python3 -c \"$CFB_SCRIPT\" '" + path + "' 2>/dev/null";
  setenv("CFB_SCRIPT", script.c_str(), 1);
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string text;
  char buffer[4096];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  if (pclose(pipe) != 0) return std::nullopt;
  std::vector<std::pair<std::string, std::string>> streams;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    const size_t tab = line.find('\t');
    streams.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    start = end + 1;
  }
  return streams;
}

inline StreamMap ToMap(const std::vector<std::pair<std::string, std::string>>& streams) {
  return StreamMap(streams.begin(), streams.end());
}

}  // namespace chronolin::cfbtest
