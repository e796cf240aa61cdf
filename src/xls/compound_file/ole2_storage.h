#pragma once
// An open compound document, read or written element by element. Reading takes the whole file
// into memory when the storage is created and closes it at once; writing builds the document in
// memory and produces it only when the storage is finished, so a failed save never leaves a
// half-written document behind.
#include <cstdint>
#include <functional>
#include <ios>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/compound_file/xls_error.h"

namespace chronolin {

class TCfbReader;
class TCfbSink;
class TCfbWriter;

enum class TOle2Mode : std::uint8_t { Read = 0, Write = 1 };

// Element types as the enumeration reports them; other values (kept from the file) are neither.
inline constexpr std::uint32_t kOle2StorageElement = 1;
inline constexpr std::uint32_t kOle2StreamElement = 2;

struct TOle2Element {
  std::u16string name;
  std::uint32_t type = 0;
  std::uint32_t size = 0;  // low 32 bits of the stream size; kept, not relied on
};

// Is the file a compound document? False also when it cannot be read.
bool IsCompoundFile(const std::string& file_name);

class TOle2Storage {
 public:
  // Read mode: "The file \"%s\" is invalid" unless the file is a readable compound document.
  // Write mode: creates the file now and fails if it already exists; the document is written
  // into it by Finish() (the file is removed again if the storage is dropped unfinished).
  TOle2Storage(const std::string& file_name, TOle2Mode mode);
  // Write mode onto a caller's buffer or stream (not owned; must outlive the storage). The
  // finished document is appended to it by Finish(), nothing before.
  explicit TOle2Storage(std::vector<std::uint8_t>& target);
  explicit TOle2Storage(std::ostream& target);
  // Write mode onto a sink (not owned): the document goes to it only through FinishWithStream.
  explicit TOle2Storage(TCfbSink& target);
  // Read mode over a document already in memory; name stands for the file name in messages.
  TOle2Storage(std::vector<std::uint8_t> document, std::string name);

  TOle2Storage(const TOle2Storage&) = delete;
  TOle2Storage& operator=(const TOle2Storage&) = delete;
  // Never writes: an unfinished document is dropped, its target left untouched.
  ~TOle2Storage();

  // Write mode: completes the document and hands it to the file or the caller's target.
  // Further calls do nothing. Read mode: does nothing.
  void Finish();
  // For a storage made on a sink: completes the document with one more stream in the current
  // storage, whose bytes `produce` writes straight into the sink it is given (see
  // TCfbWriter::SerializeTo). Should it fail, the sink holds a partial document.
  void FinishWithStream(std::u16string_view name, const std::function<void(TCfbSink&)>& produce);

  TOle2Mode Mode() const { return mode_; }
  const std::string& FileName() const { return file_name_; }

  // Make a child storage current (created in write mode, opened in read mode); LeaveStorage
  // returns to its parent. Always paired: see TOle2SubStorage.
  void EnterStorage(std::u16string_view name);
  void LeaveStorage();

  // The elements of the current storage in enumeration order. "Can't read file \"%s\"" when the
  // storage cannot be enumerated (a write-mode storage).
  std::vector<TOle2Element> ListElements() const;

 private:
  friend class TOle2Stream;
  void Abandon() noexcept;
  std::string CurrentName() const;

  TOle2Mode mode_;
  std::string file_name_;
  std::unique_ptr<TCfbReader> reader_;
  std::unique_ptr<TCfbWriter> writer_;
  std::uint32_t current_ = 0;         // directory id of the current storage
  std::vector<std::uint32_t> stack_;  // entered parents, last = innermost
  std::vector<std::uint8_t>* target_bytes_ = nullptr;
  std::ostream* target_stream_ = nullptr;
  TCfbSink* target_sink_ = nullptr;
  int file_fd_ = -1;  // write mode on a file: created at once, filled by Finish
  bool finished_ = false;
};

// Enters a sub-storage for the lifetime of the guard and leaves it on every exit path.
class TOle2SubStorage {
 public:
  TOle2SubStorage(TOle2Storage& storage, std::u16string_view name) : storage_(storage) {
    storage_.EnterStorage(name);
  }
  ~TOle2SubStorage() { storage_.LeaveStorage(); }
  TOle2SubStorage(const TOle2SubStorage&) = delete;
  TOle2SubStorage& operator=(const TOle2SubStorage&) = delete;

 private:
  TOle2Storage& storage_;
};

// A byte stream over one stream element of the storage's current storage: opened in read mode,
// created (empty) in write mode. Close it (destroy it) before the storage is finished.
class TOle2Stream {
 public:
  TOle2Stream(TOle2Storage& storage, std::u16string_view name);
  TOle2Stream(const TOle2Stream&) = delete;
  TOle2Stream& operator=(const TOle2Stream&) = delete;

  std::uint64_t Size() const { return data_->size(); }
  std::uint64_t Position() const { return position_; }
  // Returns the new position; a position before the start is an error, past the end is
  // allowed (a later write fills the gap with zeros).
  std::uint64_t Seek(std::int64_t offset, std::ios_base::seekdir origin);
  // Reads up to count bytes from the position; returns how many were read.
  std::size_t Read(void* buffer, std::size_t count);
  // Writes at the position (write mode only), growing the stream as needed.
  void Write(const void* buffer, std::size_t count);
  void Write(std::span<const std::uint8_t> bytes) { Write(bytes.data(), bytes.size()); }
  // Read mode: hands the whole content over (the stream is empty afterwards). Write mode, on a
  // stream still empty: takes the bytes as its content without copying them; otherwise writes
  // them at the position.
  std::vector<std::uint8_t> TakeData();
  void Adopt(std::vector<std::uint8_t> bytes);

 private:
  TOle2Storage& storage_;
  std::vector<std::uint8_t> read_data_;  // read mode: the element's content
  std::vector<std::uint8_t>* data_;      // read_data_ or the writer's buffer
  std::uint64_t position_ = 0;
};

}  // namespace chronolin
