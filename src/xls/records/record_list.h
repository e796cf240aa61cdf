#pragma once
// An owning, ordered list of records with a running total of their saved sizes, so that the
// size of a section (and so every BOUNDSHEET offset) is known without walking its records.
// Slots may be empty where a list is indexed by row.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "xls/records/biff_record.h"

namespace chronolin {

class TBaseRecordList : public TRecordOwner {
 public:
  TBaseRecordList() = default;
  TBaseRecordList(const TBaseRecordList&) = delete;
  TBaseRecordList& operator=(const TBaseRecordList&) = delete;
  virtual ~TBaseRecordList();

  std::size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  TBaseRecord* operator[](std::size_t i) const { return items_[i].get(); }
  TBaseRecord* Last() const { return items_.empty() ? nullptr : items_.back().get(); }

  TBaseRecord* Add(std::unique_ptr<TBaseRecord> record);
  TBaseRecord* Insert(std::size_t index, std::unique_ptr<TBaseRecord> record);
  // Puts a record into slot i (growing the list with empty slots); the old record is freed.
  void SetSlot(std::size_t index, std::unique_ptr<TBaseRecord> record);
  // Removes and returns the record (the slot goes away).
  std::unique_ptr<TBaseRecord> Extract(std::size_t index);
  void Delete(std::size_t index) { Extract(index); }
  void Resize(std::size_t count);
  void Clear();
  // Empty slots inserted at `index` (nothing when the list ends before it); slots removed with
  // their records.
  void InsertSlots(std::size_t index, std::size_t count);
  void RemoveSlots(std::size_t index, std::size_t count);

  // Appends a clone of every record of other.
  void CloneFrom(const TBaseRecordList& other);
  void SaveToStream(TOutStream& out) const;
  std::int64_t TotalSize() const { return total_size_; }

  void RecordSizeChanged(std::int64_t delta) override { total_size_ += delta; }

 protected:
  std::vector<std::unique_ptr<TBaseRecord>>& Items() { return items_; }
  const std::vector<std::unique_ptr<TBaseRecord>>& Items() const { return items_; }

 private:
  void Adopt(TBaseRecord* record);
  void Release(TBaseRecord* record);

  std::vector<std::unique_ptr<TBaseRecord>> items_;
  std::int64_t total_size_ = 0;
};

// Stands in a list for a whole other list, which is written at its place. Its own size is 0:
// the other list's size is counted by whoever owns it.
class TSubListRecord final : public TBaseRecord {
 public:
  explicit TSubListRecord(const TBaseRecordList* list) : TBaseRecord(0, {}), list_(list) {}
  std::unique_ptr<TBaseRecord> Clone() const override;
  void SaveToStream(TOutStream& out) const override { list_->SaveToStream(out); }
  std::int64_t TotalSize() const override { return 0; }
  const TBaseRecordList* List() const { return list_; }

 private:
  const TBaseRecordList* list_;
};

}  // namespace chronolin
