#include "xls/records/biff_record.h"

#include <utility>

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"

namespace chronolin {

void RequireBodySize(std::uint16_t id, const std::vector<std::uint8_t>& data,
                     std::size_t min_size) {
  if (data.size() < min_size) throw XlsError(Format(msg::kRecordInvalid, id));
}

TBaseRecord::TBaseRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : id_(id), data_(std::move(data)) {
  if (data_.size() > 0xFFFF) throw XlsError(Format(msg::kRecordInvalid, id));
}

TBaseRecord::TBaseRecord(const TBaseRecord& other) : id_(other.id_), data_(other.data_) {
  if (other.continue_) continue_ = other.continue_->CloneContinue();
}

TBaseRecord::~TBaseRecord() {
  // Unlink the chain iteratively: a file can hold thousands of CONTINUE records in a row.
  std::unique_ptr<TContinueRecord> next = std::move(continue_);
  while (next) next = std::move(next->continue_);
}

void TBaseRecord::SetData(std::vector<std::uint8_t> data) {
  if (data.size() > 0xFFFF) throw XlsError(Format(msg::kRecordInvalid, id_));
  const auto delta =
      static_cast<std::int64_t>(data.size()) - static_cast<std::int64_t>(data_.size());
  data_ = std::move(data);
  NotifySizeChanged(delta);
}

void TBaseRecord::AddContinue(std::unique_ptr<TContinueRecord> record) {
  if (continue_) throw XlsError(msg::kTwoContinues);
  const std::int64_t size = record->TotalSize();
  continue_ = std::move(record);
  NotifySizeChanged(size);
}

void TBaseRecord::AppendContinue(std::unique_ptr<TContinueRecord> record) {
  const std::int64_t size = record->TotalSize();
  TBaseRecord* last = this;
  while (last->continue_) last = last->continue_.get();
  last->continue_ = std::move(record);
  NotifySizeChanged(size);
}

std::unique_ptr<TBaseRecord> TBaseRecord::Clone() const {
  return std::unique_ptr<TBaseRecord>(new TBaseRecord(*this));
}

void TBaseRecord::SaveChain(TOutStream& out) const {
  for (const TBaseRecord* r = this; r != nullptr; r = r->continue_.get()) {
    out.WriteHeader(r->id_, r->DataSize());
    if (!r->data_.empty()) out.Write(r->data_.data(), r->data_.size());
  }
}

void TBaseRecord::SaveToStream(TOutStream& out) const {
  SaveChain(out);
}

std::int64_t TBaseRecord::TotalSize() const {
  std::int64_t total = 0;
  for (const TBaseRecord* r = this; r != nullptr; r = r->continue_.get()) {
    total += 4 + static_cast<std::int64_t>(r->data_.size());
  }
  return total;
}

std::int64_t TBaseRecord::DataSizeWithContinues() const {
  std::int64_t total = 0;
  for (const TBaseRecord* r = this; r != nullptr; r = r->continue_.get()) {
    total += static_cast<std::int64_t>(r->data_.size());
  }
  return total;
}

std::unique_ptr<TBaseRecord> TContinueRecord::Clone() const {
  return CloneContinue();
}

std::unique_ptr<TContinueRecord> TContinueRecord::CloneContinue() const {
  // Copy the chain link by link rather than recursively.
  auto head = std::make_unique<TContinueRecord>(Id(), Data());
  TContinueRecord* tail = head.get();
  for (const TContinueRecord* r = Continue(); r != nullptr; r = r->Continue()) {
    auto copy = std::make_unique<TContinueRecord>(r->Id(), r->Data());
    TContinueRecord* next = copy.get();
    tail->AddContinue(std::move(copy));
    tail = next;
  }
  return head;
}

TBaseRowColRecord::TBaseRowColRecord(std::uint16_t id, std::vector<std::uint8_t> data,
                                     std::size_t min_size)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), min_size < 4 ? 4 : min_size);
}

}  // namespace chronolin
