#pragma once
// Manual horizontal page breaks: sorted and unique by row, written as one
// HORIZONTALPAGEBREAKS record (none when there are no breaks).
#include <cstdint>
#include <vector>

#include "xls/records/biff_record.h"

namespace chronolin {

struct TPageBreak {
  std::uint16_t row = 0;
  std::uint16_t first_column = 0;
  std::uint16_t last_column = 0;
};

class TPageBreakList {
 public:
  static constexpr std::size_t kMaxBreaks = 1025;

  // A count, then entries of row, first column, last column; duplicate rows merge.
  void Load(const TBaseRecord& record);
  // Adds (row, 0, 255) unless the row has a break; more than 1025 breaks already raise "Too
  // many manual Page breaks for this sheet".
  void Add(std::uint16_t row);
  const std::vector<TPageBreak>& Breaks() const { return breaks_; }
  // Breaks at rows >= from move by delta; with delta < 0 the breaks in the rows
  // [from, from - delta) go. Raises "Too many entries for this kind of record (%d out of a
  // maximum of %d)" past row 65535, before any break moves.
  void ShiftRows(int from, int delta);
  void Clear() { breaks_.clear(); }

  void SaveToStream(TOutStream& out) const;
  std::int64_t TotalSize() const { return breaks_.empty() ? 0 : 4 + 2 + 6 * breaks_.size(); }

 private:
  void Insert(const TPageBreak& entry);
  std::vector<TPageBreak> breaks_;
};

}  // namespace chronolin
