#pragma once
// The byte streams the record model reads from and writes to. Reading is always over a
// complete in-memory workbook stream; writing goes to any sink (memory, file, or a counter
// that only measures what a save would write).
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <span>
#include <vector>

namespace chronolin {

class TRecordFactory;

struct RecordHeader {
  std::uint16_t id = 0;
  std::uint16_t size = 0;
};

class TBiffReader {
 public:
  // The factory builds the records ReadRecord returns (see record_reader.h); none is needed
  // to walk headers and bytes.
  explicit TBiffReader(std::span<const std::uint8_t> data, const TRecordFactory* factory = nullptr)
      : data_(data), factory_(factory) {}

  const TRecordFactory* Factory() const { return factory_; }

  std::size_t Position() const { return pos_; }
  std::size_t Size() const { return data_.size(); }
  std::size_t Remaining() const { return data_.size() - pos_; }
  void Seek(std::size_t pos) { pos_ = pos <= data_.size() ? pos : data_.size(); }

  // False (and nothing consumed) when fewer than 4 bytes are left.
  bool ReadHeader(RecordHeader& header);
  bool PeekHeader(RecordHeader& header) const;
  // Throws the file-invalid error when fewer than n bytes are left.
  std::span<const std::uint8_t> ReadBytes(std::size_t n);

 private:
  std::span<const std::uint8_t> data_;
  const TRecordFactory* factory_;
  std::size_t pos_ = 0;
};

class TOutStream {
 public:
  virtual ~TOutStream() = default;
  // Throws XlsError("Error writing output file") when the sink takes fewer bytes.
  virtual void Write(const void* data, std::size_t size) = 0;
  virtual std::uint64_t Position() const = 0;
  // The stream will end at about `end` bytes: a sink in memory takes the room at once.
  virtual void Reserve(std::uint64_t end) { (void)end; }

  void Write16(std::uint16_t v);
  void Write32(std::uint32_t v);
  void WriteHeader(std::uint16_t id, std::uint16_t size) {
    Write16(id);
    Write16(size);
  }
};

class TMemoryOutStream final : public TOutStream {
 public:
  void Write(const void* data, std::size_t size) override;
  std::uint64_t Position() const override { return bytes_.size(); }
  void Reserve(std::uint64_t end) override;
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Counts bytes without keeping them: sizes computed this way are exactly what a save writes.
class TCountingOutStream final : public TOutStream {
 public:
  void Write(const void*, std::size_t size) override { count_ += size; }
  std::uint64_t Position() const override { return count_; }

 private:
  std::uint64_t count_ = 0;
};

class TStdOutStream final : public TOutStream {
 public:
  explicit TStdOutStream(std::ostream& out) : out_(out) {}
  void Write(const void* data, std::size_t size) override;
  std::uint64_t Position() const override { return written_; }

 private:
  std::ostream& out_;
  std::uint64_t written_ = 0;
};

}  // namespace chronolin
