#pragma once
// Column information, one entry per column, written back as COLINFO records that each cover a
// run of neighbouring columns with equal settings.
#include <cstdint>
#include <map>

#include "xls/records/biff_record.h"

namespace chronolin {

struct TColInfo {
  std::uint16_t column = 0;
  std::uint16_t width = 0;  // 1/256 of a character
  std::uint16_t xf = 0;
  std::uint16_t options = 0;
};

class TColInfoList {
 public:
  // The last column of a sheet; COLINFO ranges reaching past it are cut there.
  static constexpr std::uint16_t kMaxColumn = 255;

  // COLINFO: first and last column, width, XF, options. A later record for a column replaces
  // the earlier one.
  void Load(const TBaseRecord& colinfo);
  const TColInfo* Find(std::uint16_t column) const;
  TColInfo& Ensure(std::uint16_t column);
  std::size_t Count() const { return columns_.size(); }
  void Clear() { columns_.clear(); }

  void SaveToStream(TOutStream& out) const;
  std::int64_t TotalSize() const;

 private:
  template <class F>
  void ForEachRun(F&& f) const;

  std::map<std::uint16_t, TColInfo> columns_;
};

}  // namespace chronolin
