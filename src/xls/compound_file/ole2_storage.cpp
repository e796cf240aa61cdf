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
#include "xls/compound_file/cfb_format.h"
#include "xls/compound_file/cfb_reader.h"
#include "xls/compound_file/cfb_writer.h"
#include "xls/compound_file/xls_messages.h"

namespace chronolin {
namespace {

// The largest stream the written format can describe.
constexpr std::uint64_t kMaxStreamSize = 0xFFFFFFFFu;

[[noreturn]] void Invalid(const std::string& file_name) {
  throw XlsError(Format(msg::kNotCompoundDocument, file_name.c_str()));
}

std::string Utf8(std::u16string_view name) {
  return Utf16ToUtf8(name);
}

// The whole content of a regular file, or nothing when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& file_name) {
  const int fd = ::open(file_name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> result;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
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
      done += static_cast<std::size_t>(n);
    }
  }
  ::close(fd);
  return result;
}

}  // namespace

bool IsCompoundFile(const std::string& file_name) {
  const int fd = ::open(file_name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::uint8_t head[sizeof cfb::kSignature] = {};
  std::size_t done = 0;
  while (done < sizeof head) {
    const ssize_t n = ::read(fd, head + done, sizeof head - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return TCfbReader::HasSignature(std::span<const std::uint8_t>(head, done));
}

TOle2Storage::TOle2Storage(const std::string& file_name, TOle2Mode mode)
    : mode_(mode), file_name_(file_name) {
  if (mode == TOle2Mode::Write) {
    // O_EXCL: an existing file is never overwritten, and the name is ours from now on.
    file_fd_ = ::open(file_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file_fd_ < 0) {
      throw XlsError(Format(msg::kCantCreateFile, file_name.c_str(), std::strerror(errno)));
    }
    writer_ = std::make_unique<TCfbWriter>();
    return;
  }
  std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(file_name);
  if (!bytes || !TCfbReader::HasSignature(*bytes)) Invalid(file_name);
  try {
    reader_ = std::make_unique<TCfbReader>(std::move(*bytes));
  } catch (const XlsError&) {
    Invalid(file_name);
  }
}

TOle2Storage::TOle2Storage(std::vector<std::uint8_t>& target)
    : mode_(TOle2Mode::Write), writer_(std::make_unique<TCfbWriter>()), target_bytes_(&target) {}

TOle2Storage::TOle2Storage(std::ostream& target)
    : mode_(TOle2Mode::Write), writer_(std::make_unique<TCfbWriter>()), target_stream_(&target) {}

TOle2Storage::TOle2Storage(TCfbSink& target)
    : mode_(TOle2Mode::Write), writer_(std::make_unique<TCfbWriter>()), target_sink_(&target) {}

TOle2Storage::TOle2Storage(std::vector<std::uint8_t> document, std::string name)
    : mode_(TOle2Mode::Read), file_name_(std::move(name)) {
  if (!TCfbReader::HasSignature(document)) Invalid(file_name_);
  try {
    reader_ = std::make_unique<TCfbReader>(std::move(document));
  } catch (const XlsError&) {
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
                                    const std::function<void(TCfbSink&)>& produce) {
  if (target_sink_ == nullptr || finished_) throw XlsError(msg::kNoSinkToFinish);
  const std::uint32_t id = writer_->AddStream(current_, name);
  finished_ = true;
  writer_->SerializeTo(*target_sink_, id, produce);
}

void TOle2Storage::Finish() {
  if (mode_ != TOle2Mode::Write || finished_) return;
  if (target_sink_ != nullptr) throw XlsError(msg::kSinkNeedsStream);
  // The document goes to its target piece by piece: a large stream is never copied whole.
  if (target_bytes_ != nullptr) {
    const std::size_t before = target_bytes_->size();
    try {
      writer_->WriteTo([&](std::span<const std::uint8_t> piece) {
        target_bytes_->insert(target_bytes_->end(), piece.begin(), piece.end());
      });
    } catch (...) {
      target_bytes_->resize(before);
      Abandon();
      throw;
    }
    finished_ = true;
    return;
  }
  if (target_stream_ != nullptr) {
    try {
      writer_->WriteTo([&](std::span<const std::uint8_t> piece) {
        target_stream_->write(reinterpret_cast<const char*>(piece.data()),
                              static_cast<std::streamsize>(piece.size()));
      });
    } catch (...) {
      Abandon();
      throw;
    }
    finished_ = true;
    target_stream_->flush();
    if (!*target_stream_) throw XlsError(msg::kCantWriteDocumentStream);
    return;
  }
  int error = 0;
  try {
    writer_->WriteTo([&](std::span<const std::uint8_t> piece) {
      std::size_t done = 0;
      while (error == 0 && done < piece.size()) {
        const ssize_t n = ::write(file_fd_, piece.data() + done, piece.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
          error = n < 0 ? errno : ENOSPC;
          break;
        }
        done += static_cast<std::size_t>(n);
      }
    });
  } catch (...) {
    Abandon();
    throw;
  }
  if (error != 0) {
    Abandon();
    throw XlsError(Format(msg::kCantWriteFile, file_name_.c_str(), std::strerror(error)));
  }
  finished_ = true;
  const int fd = std::exchange(file_fd_, -1);
  if (::close(fd) != 0) {
    error = errno;
    ::unlink(file_name_.c_str());
    throw XlsError(Format(msg::kCantWriteFile, file_name_.c_str(), std::strerror(error)));
  }
}

std::string TOle2Storage::CurrentName() const {
  if (current_ == TCfbReader::kRootId) return file_name_;  // the root reports the file
  return reader_ ? Utf8(reader_->Entry(current_).name) : std::string();
}

void TOle2Storage::EnterStorage(std::u16string_view name) {
  std::uint32_t child = 0;
  if (mode_ == TOle2Mode::Write) {
    if (finished_) throw XlsError(msg::kDocumentFinished);
    child = writer_->AddStorage(current_, name);
  } else {
    const std::optional<std::uint32_t> found = reader_->FindChild(current_, name);
    if (!found || reader_->Entry(*found).type != cfb::kTypeStorage) {
      throw XlsError(Format(msg::kStorageNotFound, Utf8(name).c_str()));
    }
    child = *found;
  }
  stack_.push_back(current_);
  current_ = child;
}

void TOle2Storage::LeaveStorage() {
  if (stack_.empty()) throw XlsError(msg::kNoStorageToLeave);
  current_ = stack_.back();
  stack_.pop_back();
}

std::vector<TOle2Element> TOle2Storage::ListElements() const {
  if (mode_ == TOle2Mode::Write) {
    // A storage being written is write-only, as the document is not readable until finished.
    throw XlsError(Format(msg::kCantReadFile, CurrentName().c_str()));
  }
  std::vector<TOle2Element> elements;
  for (std::uint32_t id : reader_->Entry(current_).children) {
    const TCfbDirEntry& e = reader_->Entry(id);
    elements.push_back({e.name, e.type, static_cast<std::uint32_t>(e.size)});
  }
  return elements;
}

TOle2Stream::TOle2Stream(TOle2Storage& storage, std::u16string_view name)
    : storage_(storage), data_(&read_data_) {
  if (storage.mode_ == TOle2Mode::Write) {
    if (storage.finished_) throw XlsError(msg::kDocumentFinished);
    data_ = &storage.writer_->StreamData(storage.writer_->AddStream(storage.current_, name));
    return;
  }
  const std::optional<std::uint32_t> found = storage.reader_->FindChild(storage.current_, name);
  if (!found || storage.reader_->Entry(*found).type != cfb::kTypeStream) {
    throw XlsError(Format(msg::kStreamNotFound, Utf8(name).c_str()));
  }
  try {
    read_data_ = storage.reader_->ReadStream(*found);
  } catch (const XlsError&) {
    Invalid(storage.file_name_);
  }
}

std::uint64_t TOle2Stream::Seek(std::int64_t offset, std::ios_base::seekdir origin) {
  std::int64_t base = 0;
  if (origin == std::ios_base::cur) base = static_cast<std::int64_t>(position_);
  if (origin == std::ios_base::end) base = static_cast<std::int64_t>(data_->size());
  if ((offset < 0 && base + offset < 0) ||
      (offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset)) {
    throw XlsError(msg::kInvalidStreamPosition);
  }
  position_ = static_cast<std::uint64_t>(base + offset);
  return position_;
}

std::size_t TOle2Stream::Read(void* buffer, std::size_t count) {
  if (position_ >= data_->size()) return 0;
  const std::size_t n =
      static_cast<std::size_t>(std::min<std::uint64_t>(count, data_->size() - position_));
  std::memcpy(buffer, data_->data() + position_, n);
  position_ += n;
  return n;
}

std::vector<std::uint8_t> TOle2Stream::TakeData() {
  if (storage_.mode_ == TOle2Mode::Write) {
    throw XlsError(Format(msg::kCantReadFile, storage_.CurrentName().c_str()));
  }
  position_ = 0;
  return std::move(read_data_);
}

void TOle2Stream::Adopt(std::vector<std::uint8_t> bytes) {
  if (storage_.mode_ == TOle2Mode::Write && data_->empty() && position_ == 0 &&
      bytes.size() <= kMaxStreamSize) {
    *data_ = std::move(bytes);
    position_ = data_->size();
    return;
  }
  Write(bytes.data(), bytes.size());
}

void TOle2Stream::Write(const void* buffer, std::size_t count) {
  if (storage_.mode_ != TOle2Mode::Write) throw XlsError(msg::kStreamReadOnly);
  if (count == 0) return;
  if (position_ > kMaxStreamSize || count > kMaxStreamSize - position_) {
    throw XlsError(msg::kStreamExceedsDocument);
  }
  if (position_ + count > data_->size()) data_->resize(position_ + count);
  std::memcpy(data_->data() + position_, buffer, count);
  position_ += count;
}

}  // namespace chronolin
