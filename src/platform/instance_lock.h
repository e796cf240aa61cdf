#pragma once
// One running instance per user: an exclusive lock on a file named after "Chrono-lin" in the
// user's runtime directory, held for the life of the object. The kernel drops it when the
// process ends, however it ends, so a crash never leaves a stale lock behind.
#include <filesystem>

namespace chronolin {

class InstanceLock {
 public:
  explicit InstanceLock(const std::filesystem::path& lockFile = DefaultPath());
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // False when another instance holds the lock (or the lock file cannot be opened).
  bool Acquired() const { return fd_ >= 0; }

  // "Chrono-lin.lock" in LockDirectory().
  static std::filesystem::path DefaultPath();
  // $XDG_RUNTIME_DIR; without it a directory of the user's own in the temporary directory
  // ("chronolin-UID", created with mode 0700, its owner and mode checked), else the user's
  // configuration directory.
  static std::filesystem::path LockDirectory();

 private:
  int fd_ = -1;
};

}  // namespace chronolin
