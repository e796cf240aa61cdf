#include "xls/records/section.h"

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/record_ids.h"
#include "xls/records/record_reader.h"

namespace chronolin {

void TBaseSection::Load(TBiffReader& reader, std::unique_ptr<TBOFRecord> bof) {
  bof_ = std::move(bof);
  for (;;) {
    RecordHeader header;
    if (!reader.ReadHeader(header)) throw XlsError(msg::kFileInvalid);
    const std::size_t body_at = reader.Position();
    if (reader.Remaining() >= header.size) {
      const auto body = reader.ReadBytes(header.size);
      RecordHeader next;
      const bool joined =
          reader.PeekHeader(next) &&
          (next.id == rid::kContinue || next.id == rid::kString || next.id == rid::kTable);
      if (!joined && RouteBody(header.id, body)) continue;
      reader.Seek(body_at);
    }
    std::unique_ptr<TBaseRecord> record = ReadRecord(reader, header);
    if (record->Id() == rid::kBof && !AcceptsInnerBof(*record)) throw XlsError(msg::kFileInvalid);
    if (dynamic_cast<TIgnoreRecord*>(record.get()) != nullptr) continue;
    if (record->Id() == rid::kEof) {
      eof_ = std::move(record);
      break;
    }
    Route(reader, std::move(record));
  }
  EndLoad();
}

void TBaseSection::SaveToStream(TOutStream& out) const {
  if (!bof_ || !eof_) throw XlsError(msg::kSectionNotLoaded);
  bof_->SaveToStream(out);
  SaveBody(out);
  eof_->SaveToStream(out);
}

void TBaseSection::Clear() {
  bof_.reset();
  eof_.reset();
}

std::int64_t TBaseSection::TotalSize() const {
  return (bof_ ? bof_->TotalSize() : 0) + (eof_ ? eof_->TotalSize() : 0) + BodySize();
}

void TBaseSection::CopyEnds(const TBaseSection& other) {
  if (other.bof_) bof_.reset(static_cast<TBOFRecord*>(other.bof_->Clone().release()));
  if (other.eof_) eof_ = other.eof_->Clone();
}

}  // namespace chronolin
