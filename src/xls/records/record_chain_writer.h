#pragma once
// Writes a body that may outgrow one record: a first record, then as many further records (the
// CONTINUE records, or more records of the same id where the format says so) as it needs, none
// over its size limit. The caller says where a record may end: plain bytes break anywhere, a
// unit kept together moves whole to the next record, characters break between characters and
// every later piece opens with its option byte.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "xls/records/biff_stream.h"
#include "xls/records/record_ids.h"

namespace chronolin {

class TRecordChainWriter {
 public:
  // Each record goes to `out` (header and body) as soon as the next one begins.
  TRecordChainWriter(TOutStream& out, std::uint16_t id, std::uint16_t next_id = rid::kContinue,
                     std::size_t max_body = rid::kMaxBody);
  // Each record's body is appended to `bodies` instead, for a caller that keeps records.
  explicit TRecordChainWriter(std::vector<std::vector<std::uint8_t>>& bodies,
                              std::size_t max_body = rid::kMaxBody);
  TRecordChainWriter(const TRecordChainWriter&) = delete;
  TRecordChainWriter& operator=(const TRecordChainWriter&) = delete;

  // The current record: its number (0 for the first), the bytes it holds so far, the bytes it
  // can still take, and (writing to a stream) where its header goes.
  std::size_t RecordIndex() const { return record_index_; }
  std::size_t BodySize() const { return body_.size(); }
  std::size_t Room() const { return max_body_ - body_.size(); }
  std::uint64_t RecordPosition() const;

  // Ends the current record; what follows goes to a new one.
  void NextRecord();
  // Begins a new record unless n more bytes fit in this one.
  void KeepTogether(std::size_t n) {
    if (n > Room()) NextRecord();
  }

  // Bytes that may break anywhere.
  void Write(std::span<const std::uint8_t> bytes);
  void Write8(std::uint8_t v);
  void Write16(std::uint16_t v);
  void Write32(std::uint32_t v);
  // Characters, 8-bit or 16-bit, never split inside one; a record begun on the way starts with
  // the option byte saying which (0 or 1).
  void WriteChars(std::string_view latin1);
  void WriteChars(std::u16string_view wide);

  // Writes the last record (even an empty one when nothing was written). Returns what the
  // whole chain took, headers included.
  std::int64_t Finish();

 private:
  void Flush();
  // Room for one more character of this size, opening a new record when there is none.
  void CharRoom(std::size_t char_size, std::uint8_t flag);

  TOutStream* out_ = nullptr;
  std::vector<std::vector<std::uint8_t>>* bodies_ = nullptr;
  std::uint16_t id_ = 0;
  std::uint16_t next_id_ = 0;
  std::size_t max_body_;
  std::size_t record_index_ = 0;
  std::vector<std::uint8_t> body_;
  std::int64_t written_ = 0;
};

}  // namespace chronolin
