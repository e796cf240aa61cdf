#pragma once
// Finding a report template on disk. A name with a directory part is taken as it is; a bare name
// is sought in the program's directory, the current directory, the installed data directory and
// then the directories of PATH. ".xls" is added to a name without an extension.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace chronolin {

inline constexpr const char* kTemplateExtension = ".xls";

// The directories a bare name is sought in, in order.
std::vector<std::filesystem::path> TemplateSearchDirectories();

// The path of the file found, or nothing. Directories never match.
std::optional<std::filesystem::path> FindTemplateFile(
    const std::string& name, const std::vector<std::filesystem::path>& directories);
std::optional<std::filesystem::path> FindTemplateFile(const std::string& name);
// The path found, else ReportError "Can't find the file \"%s\"" with the name as given.
std::string FindTemplateOrThrow(const std::string& name);

}  // namespace chronolin
