#pragma once
// Whole-file writes that either complete or leave the old file as it was.
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string_view>

namespace chronolin {

// Writes all of `data` to `fd`, going on after interrupted writes.
bool WriteAll(int fd, std::string_view data);

// Writes `data` to a temporary file beside `target`, flushes it and renames it over `target`.
// An existing target keeps its permissions (and a read-only one is refused, which rename
// alone would not do); a new one gets `newFileMode`, else the usual mode under the umask.
// Returns false, with `target` untouched and no temporary left, when any step is refused.
bool ReplaceFileAtomically(const std::filesystem::path& target, std::string_view data,
                           std::optional<mode_t> newFileMode = std::nullopt);

}  // namespace chronolin
