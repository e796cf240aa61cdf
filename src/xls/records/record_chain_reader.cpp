#include "xls/records/record_chain_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"

namespace chronolin {

TRecordChainReader::TRecordChainReader(const TBaseRecord& record, std::size_t offset,
                                       TNextRecord next)
    : next_(std::move(next)) {
  Start(record, offset);
}

void TRecordChainReader::Start(const TBaseRecord& record, std::size_t offset) {
  if (offset > record.DataSize()) throw XlsError(msg::kReadRecord);
  record_ = &record;
  offset_ = offset;
  left_in_chain_ = LeftInRecord();
  for (const TBaseRecord* r = record_->Continue(); r != nullptr; r = r->Continue()) {
    left_in_chain_ += r->DataSize();
  }
}

void TRecordChainReader::NextRecord() {
  if (record_->Continue() != nullptr) {
    left_in_chain_ -= LeftInRecord();
    record_ = record_->Continue();
    offset_ = 0;
    return;
  }
  if (!next_) throw XlsError(msg::kReadRecord);
  // The current record may be freed by the call: nothing of it is used afterwards.
  Start(next_(), 0);
}

void TRecordChainReader::SkipExhausted() {
  while (LeftInRecord() == 0 && record_->Continue() != nullptr) NextRecord();
}

void TRecordChainReader::ReadBytes(std::uint8_t* out, std::size_t n) {
  while (n > 0) {
    if (LeftInRecord() == 0) NextRecord();
    const std::size_t take = std::min(n, LeftInRecord());
    if (take == 0) continue;  // an empty CONTINUE record
    if (out != nullptr) {
      std::memcpy(out, record_->Data().data() + offset_, take);
      out += take;
    }
    offset_ += take;
    left_in_chain_ -= take;
    n -= take;
  }
}

void TRecordChainReader::ReadAppend(std::vector<std::uint8_t>& out, std::uint64_t n) {
  while (n > 0) {
    if (LeftInRecord() == 0) NextRecord();
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n, LeftInRecord()));
    if (take == 0) continue;
    const std::uint8_t* p = record_->Data().data() + offset_;
    out.insert(out.end(), p, p + take);
    offset_ += take;
    left_in_chain_ -= take;
    n -= take;
  }
}

void TRecordChainReader::Skip(std::size_t n) {
  if (n > LeftInChain() && !next_) throw XlsError(msg::kReadRecord);
  ReadBytes(nullptr, n);
}

std::uint8_t TRecordChainReader::Read8() {
  std::uint8_t b;
  ReadBytes(&b, 1);
  return b;
}

std::uint16_t TRecordChainReader::Read16() {
  std::uint8_t b[2];
  ReadBytes(b, 2);
  return biff::Get16(b);
}

std::uint32_t TRecordChainReader::Read32() {
  std::uint8_t b[4];
  ReadBytes(b, 4);
  return biff::Get32(b);
}

}  // namespace chronolin
