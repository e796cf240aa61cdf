#pragma once
// One BIFF8 record: a 16-bit id, a body of at most 65535 bytes, and the chain of CONTINUE
// records that follow it in the stream. Every interpreted record class derives from
// TBaseRecord; records the model does not interpret stay plain TBaseRecords and are written
// back byte for byte.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "xls/records/biff_bytes.h"
#include "xls/records/biff_stream.h"

namespace chronolin {

class TContinueRecord;

// Whoever keeps a running total of record sizes (a record list) hears of size changes.
class TRecordOwner {
 public:
  virtual void RecordSizeChanged(std::int64_t delta) = 0;

 protected:
  ~TRecordOwner() = default;
};

class TBaseRecord {
 public:
  TBaseRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  virtual ~TBaseRecord();
  TBaseRecord& operator=(const TBaseRecord&) = delete;

  std::uint16_t Id() const { return id_; }
  std::uint16_t DataSize() const { return static_cast<std::uint16_t>(data_.size()); }
  const std::vector<std::uint8_t>& Data() const { return data_; }
  std::uint8_t* MutableData() { return data_.data(); }
  // Replaces the body; the owning list's running size follows.
  void SetData(std::vector<std::uint8_t> data);

  std::uint16_t Get16(std::size_t offset) const { return biff::Get16(data_.data() + offset); }
  std::uint32_t Get32(std::size_t offset) const { return biff::Get32(data_.data() + offset); }
  void Set16(std::size_t offset, std::uint16_t v) { biff::Set16(data_.data() + offset, v); }
  void Set32(std::size_t offset, std::uint32_t v) { biff::Set32(data_.data() + offset, v); }

  TContinueRecord* Continue() const { return continue_.get(); }
  // Throws when a continuation is already attached.
  void AddContinue(std::unique_ptr<TContinueRecord> record);
  // Attaches at the end of the chain.
  void AppendContinue(std::unique_ptr<TContinueRecord> record);

  // A copy of the same class, continuation chain included, owned by no list.
  virtual std::unique_ptr<TBaseRecord> Clone() const;
  // Header, body, then the continuation chain.
  virtual void SaveToStream(TOutStream& out) const;
  // Bytes SaveToStream writes.
  virtual std::int64_t TotalSize() const;
  std::int64_t DataSizeWithContinues() const;

  TRecordOwner* Owner() const { return owner_; }
  void SetOwner(TRecordOwner* owner) { owner_ = owner; }

 protected:
  TBaseRecord(const TBaseRecord& other);
  // For subclasses that rewrite their body after construction (a cached size must follow).
  void NotifySizeChanged(std::int64_t delta) {
    if (owner_ != nullptr) owner_->RecordSizeChanged(delta);
  }
  void SaveChain(TOutStream& out) const;

 private:
  std::uint16_t id_;
  std::vector<std::uint8_t> data_;
  std::unique_ptr<TContinueRecord> continue_;
  TRecordOwner* owner_ = nullptr;
};

class TContinueRecord final : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
  std::unique_ptr<TBaseRecord> Clone() const override;
  std::unique_ptr<TContinueRecord> CloneContinue() const;
};

// Records the model drops on load and never writes (index and cache records it rebuilds or
// does without).
class TIgnoreRecord final : public TBaseRecord {
 public:
  using TBaseRecord::TBaseRecord;
};

// A record whose body starts with a 16-bit row and a 16-bit column.
class TBaseRowColRecord : public TBaseRecord {
 public:
  // Throws "Record with ID 0x%x is invalid" for a body shorter than min_size (at least 4).
  TBaseRowColRecord(std::uint16_t id, std::vector<std::uint8_t> data, std::size_t min_size = 4);

  std::uint16_t Row() const { return Get16(0); }
  std::uint16_t Column() const { return Get16(2); }
  virtual void SetRow(std::uint16_t row) { Set16(0, row); }
  void SetColumn(std::uint16_t column) { Set16(2, column); }

 protected:
  TBaseRowColRecord(const TBaseRowColRecord&) = default;
};

// Throws "Record with ID 0x%x is invalid" unless data.size() >= min_size.
void RequireBodySize(std::uint16_t id, const std::vector<std::uint8_t>& data, std::size_t min_size);

template <class T>
std::unique_ptr<TBaseRecord> CloneAs(const T& record) {
  return std::unique_ptr<TBaseRecord>(new T(record));
}

}  // namespace chronolin
