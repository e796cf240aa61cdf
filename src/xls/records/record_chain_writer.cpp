#include "xls/records/record_chain_writer.h"

#include <algorithm>

#include "xls/records/biff_bytes.h"

namespace chronolin {

TRecordChainWriter::TRecordChainWriter(TOutStream& out, std::uint16_t id, std::uint16_t next_id,
                                       std::size_t max_body)
    : out_(&out), id_(id), next_id_(next_id), max_body_(max_body) {}

TRecordChainWriter::TRecordChainWriter(std::vector<std::vector<std::uint8_t>>& bodies,
                                       std::size_t max_body)
    : bodies_(&bodies), max_body_(max_body) {}

std::uint64_t TRecordChainWriter::RecordPosition() const {
  // Earlier records are already out: the current one begins where the stream stands.
  return out_ != nullptr ? out_->Position() : 0;
}

void TRecordChainWriter::Flush() {
  if (out_ != nullptr) {
    out_->WriteHeader(record_index_ == 0 ? id_ : next_id_,
                      static_cast<std::uint16_t>(body_.size()));
    out_->Write(body_.data(), body_.size());
  } else {
    bodies_->push_back(body_);
  }
  written_ += 4 + static_cast<std::int64_t>(body_.size());
  body_.clear();
}

void TRecordChainWriter::NextRecord() {
  Flush();
  ++record_index_;
}

std::int64_t TRecordChainWriter::Finish() {
  Flush();
  ++record_index_;
  return written_;
}

void TRecordChainWriter::Write(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    if (Room() == 0) NextRecord();
    const std::size_t take = std::min(Room(), bytes.size());
    body_.insert(body_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
    bytes = bytes.subspan(take);
  }
}

void TRecordChainWriter::Write8(std::uint8_t v) {
  Write(std::span<const std::uint8_t>(&v, 1));
}

void TRecordChainWriter::Write16(std::uint16_t v) {
  std::uint8_t b[2];
  biff::Set16(b, v);
  Write(b);
}

void TRecordChainWriter::Write32(std::uint32_t v) {
  std::uint8_t b[4];
  biff::Set32(b, v);
  Write(b);
}

void TRecordChainWriter::CharRoom(std::size_t char_size, std::uint8_t flag) {
  if (Room() >= char_size) return;
  NextRecord();
  body_.push_back(flag);
}

void TRecordChainWriter::WriteChars(std::string_view latin1) {
  while (!latin1.empty()) {
    CharRoom(1, 0);
    const std::size_t take = std::min(Room(), latin1.size());
    body_.insert(body_.end(), latin1.begin(), latin1.begin() + static_cast<std::ptrdiff_t>(take));
    latin1.remove_prefix(take);
  }
}

void TRecordChainWriter::WriteChars(std::u16string_view wide) {
  while (!wide.empty()) {
    CharRoom(2, 1);
    const std::size_t take = std::min(Room() / 2, wide.size());
    for (std::size_t i = 0; i < take; ++i) biff::Put16(body_, wide[i]);
    wide.remove_prefix(take);
  }
}

}  // namespace chronolin
