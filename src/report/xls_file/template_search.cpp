#include "report/xls_file/template_search.h"

#include <cstdlib>
#include <string_view>
#include <system_error>

#include "common/format.h"
#include "report/report_error.h"
#include "report/xls_file/xls_file_messages.h"

#ifndef CHRONOLIN_DATA_DIR
#define CHRONOLIN_DATA_DIR "/usr/local/share/chronolin"
#endif

namespace chronolin {

namespace fs = std::filesystem;

namespace {

bool IsFile(const fs::path& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  return !ec && fs::exists(status) && !fs::is_directory(status);
}

fs::path ProgramDirectory() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe.parent_path();
}

}  // namespace

std::vector<fs::path> TemplateSearchDirectories() {
  std::vector<fs::path> directories;
  if (fs::path program = ProgramDirectory(); !program.empty()) directories.push_back(program);
  std::error_code ec;
  if (fs::path current = fs::current_path(ec); !ec) directories.push_back(current);
  directories.emplace_back(CHRONOLIN_DATA_DIR);
  if (const char* path = std::getenv("PATH")) {
    std::string_view rest = path;
    while (!rest.empty()) {
      const std::size_t colon = rest.find(':');
      const std::string_view entry = rest.substr(0, colon);
      // An empty entry stands for the current directory, searched already.
      if (!entry.empty()) directories.emplace_back(entry);
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  return directories;
}

std::optional<fs::path> FindTemplateFile(const std::string& name,
                                         const std::vector<fs::path>& directories) {
  if (name.empty()) return std::nullopt;
  fs::path wanted(name);
  if (!wanted.has_filename()) return std::nullopt;  // "dir/" names no file
  if (!wanted.has_extension()) wanted += kTemplateExtension;
  if (wanted.has_parent_path()) {
    if (IsFile(wanted)) return wanted;
    return std::nullopt;
  }
  for (const fs::path& directory : directories) {
    fs::path candidate = directory / wanted;
    if (IsFile(candidate)) return candidate;
  }
  return std::nullopt;
}

std::optional<fs::path> FindTemplateFile(const std::string& name) {
  return FindTemplateFile(name, TemplateSearchDirectories());
}

std::string FindTemplateOrThrow(const std::string& name) {
  std::optional<fs::path> found = FindTemplateFile(name);
  if (!found) throw ReportError(Format(xls_file_msg::kCantFindFile, name.c_str()));
  return found->string();
}

}  // namespace chronolin
