#include "xls/sheet/colinfo.h"

#include <algorithm>

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/record_ids.h"

namespace chronolin {

void TColInfoList::Load(const TBaseRecord& colinfo) {
  RequireBodySize(colinfo.Id(), colinfo.Data(), 10);
  const std::uint16_t first = colinfo.Get16(0);
  const std::uint16_t last = std::min(colinfo.Get16(2), kMaxColumn);
  for (std::uint32_t c = first; c <= last; ++c) {
    columns_[static_cast<std::uint16_t>(c)] = TColInfo{
        static_cast<std::uint16_t>(c), colinfo.Get16(4), colinfo.Get16(6), colinfo.Get16(8)};
  }
}

const TColInfo* TColInfoList::Find(std::uint16_t column) const {
  auto it = columns_.find(column);
  return it == columns_.end() ? nullptr : &it->second;
}

TColInfo& TColInfoList::Ensure(std::uint16_t column) {
  TColInfo& info = columns_[column];
  info.column = column;
  return info;
}

template <class F>
void TColInfoList::ForEachRun(F&& f) const {
  auto it = columns_.begin();
  while (it != columns_.end()) {
    const TColInfo& first = it->second;
    std::uint16_t last = first.column;
    auto next = std::next(it);
    while (next != columns_.end() && next->second.column == last + 1 &&
           next->second.width == first.width && next->second.xf == first.xf &&
           next->second.options == first.options) {
      last = next->second.column;
      ++next;
    }
    f(first, last);
    it = next;
  }
}

void TColInfoList::SaveToStream(TOutStream& out) const {
  ForEachRun([&](const TColInfo& info, std::uint16_t last) {
    out.WriteHeader(rid::kColInfo, 12);
    out.Write16(info.column);
    out.Write16(last);
    out.Write16(info.width);
    out.Write16(info.xf);
    out.Write16(info.options);
    out.Write16(0);
  });
}

std::int64_t TColInfoList::TotalSize() const {
  std::int64_t size = 0;
  ForEachRun([&](const TColInfo&, std::uint16_t) { size += 16; });
  return size;
}

}  // namespace chronolin
