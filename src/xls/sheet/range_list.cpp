#include "xls/sheet/range_list.h"

namespace chronolin {

std::unique_ptr<TRangeBlock> TRangeBlock::Clone() const {
  std::unique_ptr<TBaseRecord> head = head_->Clone();
  auto block = std::make_unique<TRangeBlock>(
      std::unique_ptr<TRangesRecord>(static_cast<TRangesRecord*>(head.release())));
  for (std::size_t i = 1; i < records_.Count(); ++i) block->AddRule(records_[i]->Clone());
  return block;
}

const TCellRange* TRangeList::FindMerged(std::uint16_t row, std::uint16_t column) const {
  for (const auto& block : blocks_) {
    const auto* merged = dynamic_cast<const TCellMergingRecord*>(&block->Head());
    if (merged == nullptr) continue;
    for (std::size_t i = 0; i < merged->RangeCount(); ++i) {
      const TCellRange r = merged->Range(i);
      if (r.first_row <= row && row <= r.last_row && r.first_column <= column &&
          column <= r.last_column) {
        found_ = r;
        return &found_;
      }
    }
  }
  return nullptr;
}

void TRangeList::SaveToStream(TOutStream& out) const {
  for (const auto& block : blocks_) block->Records().SaveToStream(out);
}

std::int64_t TRangeList::TotalSize() const {
  std::int64_t size = 0;
  for (const auto& block : blocks_) size += block->Records().TotalSize();
  return size;
}

}  // namespace chronolin
