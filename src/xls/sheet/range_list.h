#pragma once
// Merged-cell blocks (MERGEDCELLS) and conditional-format blocks (CONDFMT with its CF
// records), in the order they were read.
#include <memory>
#include <vector>

#include "xls/records/record_list.h"
#include "xls/records/sheet_records.h"

namespace chronolin {

class TRangeBlock {
 public:
  explicit TRangeBlock(std::unique_ptr<TRangesRecord> head) : head_(head.get()) {
    records_.Add(std::move(head));
  }
  TRangesRecord& Head() const { return *head_; }
  bool IsMerged() const { return dynamic_cast<TCellMergingRecord*>(&Head()) != nullptr; }
  // CF records of a conditional-format block.
  void AddRule(std::unique_ptr<TBaseRecord> cf) { records_.Add(std::move(cf)); }
  const TBaseRecordList& Records() const { return records_; }
  std::unique_ptr<TRangeBlock> Clone() const;

 private:
  TRangesRecord* head_;  // the first of records_
  TBaseRecordList records_;
};

class TRangeList {
 public:
  void Add(std::unique_ptr<TRangeBlock> block) { blocks_.push_back(std::move(block)); }
  std::size_t Count() const { return blocks_.size(); }
  TRangeBlock& operator[](std::size_t i) const { return *blocks_[i]; }
  void Clear() { blocks_.clear(); }
  void Remove(std::size_t i) { blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(i)); }
  // The merged range holding (row, column), if any.
  const TCellRange* FindMerged(std::uint16_t row, std::uint16_t column) const;

  void SaveToStream(TOutStream& out) const;
  std::int64_t TotalSize() const;

 private:
  std::vector<std::unique_ptr<TRangeBlock>> blocks_;
  mutable TCellRange found_;
};

}  // namespace chronolin
