#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>

namespace chronolin {

namespace fs = std::filesystem;

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

namespace {

mode_t CurrentUmask() {
  // umask() can only be read by changing it, which would race with other threads creating
  // files; the kernel reports it here.
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("Umask:")) {
      try {
        return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
      } catch (const std::exception&) {
        break;
      }
    }
  }
  return 022;
}

}  // namespace

bool ReplaceFileAtomically(const fs::path& target, std::string_view data,
                           std::optional<mode_t> newFileMode) {
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";

  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return false;
  // rename() would happily replace a read-only file: honour its protection ourselves.
  if (exists && ::access(target.c_str(), W_OK) != 0) return false;
  if (::access(dir.c_str(), W_OK | X_OK) != 0) return false;

  std::string name = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;

  const mode_t mode =
      exists ? (st.st_mode & 07777) : newFileMode.value_or(0666 & ~CurrentUmask());
  bool ok = WriteAll(fd, data) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(name.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(name.c_str());
    return false;
  }

  // The rename itself is durable only once the directory is flushed; not all file systems
  // allow it, and the data is already safe, so a failure here is not reported.
  const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

}  // namespace chronolin
