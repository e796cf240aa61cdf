#include "xls/compound_file/ole2_storage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <limits>
#include <optional>
#include <utility>

#include "common/format.h"
#include "common/text_codec.h"
#include "xls/compound_file/cfb_reader.h"
#include "xls/compound_file/cfb_writer.h"

namespace chronolin {
namespace {

// The largest stream the written format can describe.
constexpr uint64_t kMaxStreamSize = 0xFFFFFFFFu;

[[noreturn]] void Invalid(const std::string& fileName) {
  throw XlsError(Format("The file \"%s\" is invalid", fileName.c_str()));
}

std::string Utf8(std::u16string_view name) {
  return Utf16ToUtf8(name);
}

// The whole content of a regular file, or nothing when it cannot be read.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& fileName) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::vector<uint8_t>> result;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
    size_t done = 0;
    for (;;) {
      if (done == bytes.size()) bytes.resize(bytes.size() + 65536);  // the file grew meanwhile
      const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) break;
      if (n == 0) {
        bytes.resize(done);
        result = std::move(bytes);
        break;
      }
      done += static_cast<size_t>(n);
    }
  }
  ::close(fd);
  return result;
}

}  // namespace

bool IsCompoundFile(const std::string& fileName) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  uint8_t head[sizeof cfb::kSignature] = {};
  size_t done = 0;
  while (done < sizeof head) {
    const ssize_t n = ::read(fd, head + done, sizeof head - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  return cfb::Reader::HasSignature(std::span<const uint8_t>(head, done));
}

TOle2Storage::TOle2Storage(const std::string& fileName, TOle2Mode mode)
    : mode_(mode), file_name_(fileName) {
  if (mode == TOle2Mode::Write) {
    // O_EXCL: an existing file is never overwritten, and the name is ours from now on.
    file_fd_ = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file_fd_ < 0) {
      throw XlsError(
          Format("Can't create file \"%s\": %s", fileName.c_str(), std::strerror(errno)));
    }
    writer_ = std::make_unique<cfb::Writer>();
    return;
  }
  std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(fileName);
  if (!bytes || !cfb::Reader::HasSignature(*bytes)) Invalid(fileName);
  try {
    reader_ = std::make_unique<cfb::Reader>(std::move(*bytes));
  } catch (const cfb::CfbFormatError&) {
    Invalid(fileName);
  }
}

TOle2Storage::TOle2Storage(std::vector<uint8_t>& target)
    : mode_(TOle2Mode::Write), writer_(std::make_unique<cfb::Writer>()), target_bytes_(&target) {}

TOle2Storage::TOle2Storage(std::ostream& target)
    : mode_(TOle2Mode::Write), writer_(std::make_unique<cfb::Writer>()), target_stream_(&target) {}

TOle2Storage::TOle2Storage(cfb::Sink& target)
    : mode_(TOle2Mode::Write), writer_(std::make_unique<cfb::Writer>()), target_sink_(&target) {}

TOle2Storage::TOle2Storage(std::vector<uint8_t> document, std::string name)
    : mode_(TOle2Mode::Read), file_name_(std::move(name)) {
  if (!cfb::Reader::HasSignature(document)) Invalid(file_name_);
  try {
    reader_ = std::make_unique<cfb::Reader>(std::move(document));
  } catch (const cfb::CfbFormatError&) {
    Invalid(file_name_);
  }
}

TOle2Storage::~TOle2Storage() {
  // Only Finish() writes: a storage dropped unfinished (a failed or abandoned save) leaves its
  // target as it was and removes the file it created.
  if (mode_ == TOle2Mode::Write && !finished_) Abandon();
  if (file_fd_ >= 0) ::close(file_fd_);
}

void TOle2Storage::Abandon() noexcept {
  finished_ = true;
  if (file_fd_ >= 0) {
    ::close(file_fd_);
    file_fd_ = -1;
    ::unlink(file_name_.c_str());
  }
}

void TOle2Storage::FinishWithStream(std::u16string_view name,
                                    const std::function<void(cfb::Sink&)>& produce) {
  if (target_sink_ == nullptr || finished_) throw XlsError("No sink to finish the document into");
  const uint32_t id = writer_->AddStream(current_, name);
  finished_ = true;
  writer_->SerializeTo(*target_sink_, id, produce);
}

void TOle2Storage::Finish() {
  if (mode_ != TOle2Mode::Write || finished_) return;
  if (target_sink_ != nullptr) throw XlsError("A document on a sink is finished with its stream");
  std::vector<uint8_t> document;
  try {
    document = writer_->Serialize();
  } catch (...) {
    Abandon();
    throw;
  }
  finished_ = true;
  if (target_bytes_ != nullptr) {
    target_bytes_->insert(target_bytes_->end(), document.begin(), document.end());
    return;
  }
  if (target_stream_ != nullptr) {
    target_stream_->write(reinterpret_cast<const char*>(document.data()),
                          static_cast<std::streamsize>(document.size()));
    target_stream_->flush();
    if (!*target_stream_) throw XlsError("Can't write the compound document to its stream");
    return;
  }
  size_t done = 0;
  while (done < document.size()) {
    const ssize_t n = ::write(file_fd_, document.data() + done, document.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      Abandon();
      throw XlsError(
          Format("Can't write file \"%s\": %s", file_name_.c_str(), std::strerror(error)));
    }
    done += static_cast<size_t>(n);
  }
  const int fd = std::exchange(file_fd_, -1);
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(file_name_.c_str());
    throw XlsError(Format("Can't write file \"%s\": %s", file_name_.c_str(), std::strerror(error)));
  }
}

std::string TOle2Storage::CurrentName() const {
  if (current_ == cfb::Reader::kRootId) return file_name_;  // the root reports the file
  return reader_ ? Utf8(reader_->Entry(current_).name) : std::string();
}

void TOle2Storage::EnterStorage(std::u16string_view name) {
  uint32_t child = 0;
  if (mode_ == TOle2Mode::Write) {
    if (finished_) throw XlsError("The compound document is already finished");
    child = writer_->AddStorage(current_, name);
  } else {
    const std::optional<uint32_t> found = reader_->FindChild(current_, name);
    if (!found || reader_->Entry(*found).type != cfb::kTypeStorage) {
      throw XlsError(Format("Storage \"%s\" not found", Utf8(name).c_str()));
    }
    child = *found;
  }
  stack_.push_back(current_);
  current_ = child;
}

void TOle2Storage::LeaveStorage() {
  if (stack_.empty()) throw XlsError("No storage to leave");
  current_ = stack_.back();
  stack_.pop_back();
}

std::vector<TOle2Element> TOle2Storage::ListElements() const {
  if (mode_ == TOle2Mode::Write) {
    // A storage being written is write-only, as the document is not readable until finished.
    throw XlsError(Format("Can't read file \"%s\"", CurrentName().c_str()));
  }
  std::vector<TOle2Element> elements;
  for (uint32_t id : reader_->Entry(current_).children) {
    const cfb::DirEntry& e = reader_->Entry(id);
    elements.push_back({e.name, e.type, static_cast<uint32_t>(e.size)});
  }
  return elements;
}

TOle2Stream::TOle2Stream(TOle2Storage& storage, std::u16string_view name)
    : storage_(storage), data_(&read_data_) {
  if (storage.mode_ == TOle2Mode::Write) {
    if (storage.finished_) throw XlsError("The compound document is already finished");
    data_ = &storage.writer_->StreamData(storage.writer_->AddStream(storage.current_, name));
    return;
  }
  const std::optional<uint32_t> found = storage.reader_->FindChild(storage.current_, name);
  if (!found || storage.reader_->Entry(*found).type != cfb::kTypeStream) {
    throw XlsError(Format("Stream \"%s\" not found", Utf8(name).c_str()));
  }
  try {
    read_data_ = storage.reader_->ReadStream(*found);
  } catch (const cfb::CfbFormatError&) {
    Invalid(storage.file_name_);
  }
}

uint64_t TOle2Stream::Seek(int64_t offset, std::ios_base::seekdir origin) {
  int64_t base = 0;
  if (origin == std::ios_base::cur) base = static_cast<int64_t>(position_);
  if (origin == std::ios_base::end) base = static_cast<int64_t>(data_->size());
  if ((offset < 0 && base + offset < 0) ||
      (offset > 0 && base > std::numeric_limits<int64_t>::max() - offset)) {
    throw XlsError("Invalid stream position");
  }
  position_ = static_cast<uint64_t>(base + offset);
  return position_;
}

size_t TOle2Stream::Read(void* buffer, size_t count) {
  if (position_ >= data_->size()) return 0;
  const size_t n = static_cast<size_t>(std::min<uint64_t>(count, data_->size() - position_));
  std::memcpy(buffer, data_->data() + position_, n);
  position_ += n;
  return n;
}

void TOle2Stream::Write(const void* buffer, size_t count) {
  if (storage_.mode_ != TOle2Mode::Write)
    throw XlsError("Can't write to a stream opened for reading");
  if (count == 0) return;
  if (position_ > kMaxStreamSize || count > kMaxStreamSize - position_) {
    throw XlsError("The stream is too large for the compound document");
  }
  if (position_ + count > data_->size()) data_->resize(position_ + count);
  std::memcpy(data_->data() + position_, buffer, count);
  position_ += count;
}

}  // namespace chronolin
