#include "xls/drawing/escher_io.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/record_ids.h"
#include "xls/records/record_reader.h"

namespace chronolin {

namespace {

// Group shapes nest, but never this deep in a real drawing; the limit keeps a crafted file
// from exhausting the stack.
constexpr int kMaxDepth = 64;

}  // namespace

TEscherPieceReader::TEscherPieceReader(TBiffReader& reader, std::unique_ptr<TBaseRecord> first)
    : reader_(reader), id_(first->Id()), piece_(std::move(first)), current_(piece_.get()) {}

bool TEscherPieceReader::PieceExhausted() const {
  if (offset_ < current_->DataSize()) return false;
  for (const TBaseRecord* r = current_->Continue(); r != nullptr; r = r->Continue()) {
    if (r->DataSize() > 0) return false;
  }
  return true;
}

void TEscherPieceReader::NextPiece() {
  if (current_->Continue() != nullptr) {
    current_ = current_->Continue();
    offset_ = 0;
    return;
  }
  RecordHeader header;
  if (!reader_.PeekHeader(header) || header.id != id_) throw XlsError(msg::kFileInvalid);
  reader_.ReadHeader(header);
  piece_ = ReadRecord(reader_, header);
  current_ = piece_.get();
  offset_ = 0;
}

void TEscherPieceReader::Read(std::uint8_t* out, std::size_t n) {
  while (n > 0) {
    if (offset_ == current_->DataSize()) NextPiece();
    const std::size_t take = std::min(n, current_->DataSize() - offset_);
    if (take == 0) continue;  // an empty CONTINUE record
    std::memcpy(out, current_->Data().data() + offset_, take);
    offset_ += take;
    out += take;
    n -= take;
  }
}

void TEscherPieceReader::ReadAppend(std::vector<std::uint8_t>& out, std::uint64_t n) {
  while (n > 0) {
    if (offset_ == current_->DataSize()) NextPiece();
    const std::size_t take =
        static_cast<std::size_t>(std::min<std::uint64_t>(n, current_->DataSize() - offset_));
    if (take == 0) continue;
    const std::uint8_t* p = current_->Data().data() + offset_;
    out.insert(out.end(), p, p + take);
    offset_ += take;
    n -= take;
  }
}

namespace {

std::unique_ptr<TEscherRecord> ReadLimited(TEscherPieceReader& source, const TClientAtomHook& hook,
                                           int depth, std::uint64_t limit) {
  std::uint8_t header[8];
  source.Read(header, 8);
  const std::uint16_t ver_inst = biff::Get16(header);
  const std::uint16_t type = biff::Get16(header + 2);
  const std::uint32_t length = biff::Get32(header + 4);
  if (std::uint64_t{length} + 8 > limit) throw XlsError(msg::kFileInvalid);
  std::unique_ptr<TEscherRecord> record = CreateEscherRecord(ver_inst, type);
  if (record->IsContainer()) {
    if (depth >= kMaxDepth) throw XlsError(msg::kFileInvalid);
    auto& container = static_cast<TEscherContainerRecord&>(*record);
    std::uint64_t left = length;
    while (left > 0) {
      if (left < 8) throw XlsError(msg::kFileInvalid);
      auto child = ReadLimited(source, hook, depth + 1, left);
      left -= child->TotalSize();
      container.AddChild(std::move(child));
    }
  } else {
    source.ReadAppend(static_cast<TEscherDataRecord&>(*record).Data(), length);
    if (hook && (type == escher::kClientData || type == escher::kClientTextbox)) hook(*record);
  }
  return record;
}

}  // namespace

std::unique_ptr<TEscherRecord> ReadEscherRecord(TEscherPieceReader& source,
                                                const TClientAtomHook& hook) {
  return ReadLimited(source, hook, 0, std::numeric_limits<std::uint64_t>::max());
}

void WriteEscherRecord(const TEscherRecord& record, std::vector<std::uint8_t>& out,
                       const std::function<void(const TEscherRecord&)>& hook) {
  const std::uint64_t body = record.BodySize();
  biff::Put16(out, record.VerInst());
  biff::Put16(out, record.Type());
  biff::Put32(out, static_cast<std::uint32_t>(body));
  if (record.IsContainer()) {
    const auto& container = static_cast<const TEscherContainerRecord&>(record);
    for (std::size_t i = 0; i < container.ChildCount(); ++i) {
      WriteEscherRecord(container.Child(i), out, hook);
    }
    return;
  }
  const auto& data = static_cast<const TEscherDataRecord&>(record).Data();
  out.insert(out.end(), data.begin(), data.end());
  if (hook && (record.Type() == escher::kClientData || record.Type() == escher::kClientTextbox)) {
    hook(record);
  }
}

std::int64_t WriteSplitRecords(TOutStream* out, std::uint16_t id, std::uint16_t next_id,
                               const std::vector<std::uint8_t>& bytes) {
  std::int64_t written = 0;
  std::size_t pos = 0;
  bool first = true;
  while (first || pos < bytes.size()) {
    const std::size_t take = std::min(rid::kMaxBody, bytes.size() - pos);
    if (out != nullptr) {
      out->WriteHeader(first ? id : next_id, static_cast<std::uint16_t>(take));
      out->Write(bytes.data() + pos, take);
    }
    written += 4 + static_cast<std::int64_t>(take);
    pos += take;
    first = false;
  }
  return written;
}

}  // namespace chronolin
