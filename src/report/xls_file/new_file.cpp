#include "report/xls_file/new_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "common/format.h"
#include "report/report_error.h"
#include "report/xls_file/xls_file_messages.h"

namespace chronolin {

namespace {

[[noreturn]] void ThrowExists(const std::string& path) {
  throw ReportError(Format(xls_file_msg::kCantWriteFile, path.c_str()));
}

[[noreturn]] void ThrowWrite(const std::string& path, int error) {
  throw ReportError(Format("Can't write file \"%s\": %s", path.c_str(), std::strerror(error)));
}

// Removes the hidden file on every way out unless it was given the name.
class TempFile {
 public:
  explicit TempFile(const std::string& target) {
    const std::filesystem::path p(target);
    std::string name = "." + p.filename().string() + ".XXXXXX";
    path_ = (p.parent_path() / name).string();
    fd_ = ::mkstemp(path_.data());
    if (fd_ < 0) ThrowWrite(target, errno);
    // mkstemp makes the file private; give it the permissions of any new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
  }
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }
  void Kept() { path_.clear(); }

 private:
  std::string path_;
  int fd_ = -1;
};

void WriteAll(int fd, std::span<const std::uint8_t> bytes, const std::string& target) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ThrowWrite(target, n < 0 ? errno : ENOSPC);
    done += static_cast<std::size_t>(n);
  }
}

// Buffered writes to the hidden file; WriteAt rewrites bytes already written.
class FileSink final : public TCfbSink {
 public:
  FileSink(int fd, const std::string& target) : fd_(fd), target_(target) {
    buffer_.reserve(kBuffer);
  }
  void Write(const std::uint8_t* data, std::size_t size) override {
    if (buffer_.size() + size > kBuffer) Flush();
    if (size >= kBuffer) {
      WriteAll(fd_, std::span<const std::uint8_t>(data, size), target_);
      written_ += size;
      return;
    }
    buffer_.insert(buffer_.end(), data, data + size);
  }
  void WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) override {
    Flush();
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) ThrowWrite(target_, n < 0 ? errno : ENOSPC);
      done += static_cast<std::size_t>(n);
    }
  }
  std::uint64_t Position() const override { return written_ + buffer_.size(); }
  void Flush() {
    WriteAll(fd_, buffer_, target_);
    written_ += buffer_.size();
    buffer_.clear();
  }

 private:
  static constexpr std::size_t kBuffer = 1 << 18;
  int fd_;
  const std::string& target_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t written_ = 0;
};

}  // namespace

void RefuseExistingFile(const std::string& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) == 0) ThrowExists(path);
}

void WriteNewFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  WriteNewFile(path, [&](TCfbSink& sink) { sink.Write(bytes.data(), bytes.size()); });
}

void WriteNewFile(const std::string& path, const std::function<void(TCfbSink&)>& write) {
  RefuseExistingFile(path);
  TempFile temp(path);
  FileSink sink(temp.fd(), path);
  write(sink);
  sink.Flush();
  if (::fsync(temp.fd()) != 0 || temp.Close() != 0) ThrowWrite(path, errno);
  // A hard link takes the name only if it is free; where links are refused, a rename that
  // refuses to replace does the same.
  if (::link(temp.path().c_str(), path.c_str()) == 0) return;  // the destructor drops the temp
  const int error = errno;
  if (error == EEXIST) ThrowExists(path);
  if (error != EPERM && error != ENOTSUP && error != EOPNOTSUPP && error != EMLINK) {
    ThrowWrite(path, error);
  }
  if (::renameat2(AT_FDCWD, temp.path().c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
    if (errno == EEXIST) ThrowExists(path);
    ThrowWrite(path, errno);
  }
  temp.Kept();
}

}  // namespace chronolin
