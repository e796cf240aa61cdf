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

  // $XDG_RUNTIME_DIR/Chrono-lin.lock, else the temporary directory with the user id.
  static std::filesystem::path DefaultPath();

 private:
  int fd_ = -1;
};

}  // namespace chronolin
