#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/app_paths.h"

namespace chronolin {

namespace {

// A directory nobody but this user can write into: ours, a real directory (not a link), no
// write permission for group or others.
bool PrivateDirectory(const std::filesystem::path& dir) {
  struct stat st {};
  return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
         (st.st_mode & 022) == 0;
}

}  // namespace

std::filesystem::path InstanceLock::LockDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return runtime;
  // A fixed name in the shared temporary directory could be created first by another user:
  // the directory is taken only once it is known to be ours and private.
  const auto dir =
      std::filesystem::temp_directory_path() / ("chronolin-" + std::to_string(::getuid()));
  ::mkdir(dir.c_str(), 0700);
  if (PrivateDirectory(dir)) return dir;
  return ConfigDirectory();
}

InstanceLock::InstanceLock(const std::filesystem::path& lockFile) {
  const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

std::filesystem::path InstanceLock::DefaultPath() {
  return LockDirectory() / "Chrono-lin.lock";
}

}  // namespace chronolin
