#include "support/scratch_dir.h"

#include <stdlib.h>

#include <stdexcept>
#include <string>

namespace chronolin::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "chronolin-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // A test may have taken the write permission away to provoke a failure.
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

}  // namespace chronolin::testing
