#include "xls/records/biff_stream.h"

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/biff_bytes.h"

namespace chronolin {

bool TBiffReader::PeekHeader(RecordHeader& header) const {
  if (Remaining() < 4) return false;
  header.id = biff::Get16(data_.data() + pos_);
  header.size = biff::Get16(data_.data() + pos_ + 2);
  return true;
}

bool TBiffReader::ReadHeader(RecordHeader& header) {
  if (!PeekHeader(header)) return false;
  pos_ += 4;
  return true;
}

std::span<const std::uint8_t> TBiffReader::ReadBytes(std::size_t n) {
  if (n > Remaining()) throw XlsError(msg::kFileInvalid);
  const auto bytes = data_.subspan(pos_, n);
  pos_ += n;
  return bytes;
}

void TOutStream::Write16(std::uint16_t v) {
  std::uint8_t b[2];
  biff::Set16(b, v);
  Write(b, 2);
}

void TOutStream::Write32(std::uint32_t v) {
  std::uint8_t b[4];
  biff::Set32(b, v);
  Write(b, 4);
}

void TMemoryOutStream::Write(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
}

void TMemoryOutStream::Reserve(std::uint64_t end) {
  if (end > bytes_.capacity() && end <= bytes_.max_size()) {
    bytes_.reserve(static_cast<std::size_t>(end));
  }
}

void TStdOutStream::Write(const void* data, std::size_t size) {
  out_.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out_) throw XlsError(msg::kWriteError);
  written_ += size;
}

}  // namespace chronolin
