#include "xls/sheet/page_breaks.h"

#include <algorithm>

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/record_ids.h"

namespace chronolin {

void TPageBreakList::Insert(const TPageBreak& entry) {
  auto it = std::lower_bound(breaks_.begin(), breaks_.end(), entry.row,
                             [](const TPageBreak& b, std::uint16_t row) { return b.row < row; });
  if (it == breaks_.end() || it->row != entry.row) breaks_.insert(it, entry);
}

void TPageBreakList::Load(const TBaseRecord& record) {
  RequireBodySize(record.Id(), record.Data(), 2);
  const std::uint16_t count = record.Get16(0);
  if (2u + 6u * count > record.DataSize()) throw XlsError(Format(msg::kRecordInvalid, record.Id()));
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = 2 + 6 * i;
    Insert({record.Get16(at), record.Get16(at + 2), record.Get16(at + 4)});
  }
}

void TPageBreakList::Add(std::uint16_t row) {
  if (breaks_.size() > kMaxBreaks) throw XlsError(msg::kTooManyPageBreaks);
  Insert({row, 0, 255});
}

void TPageBreakList::ShiftRows(int from, int delta) {
  if (!breaks_.empty() && breaks_.back().row >= from && breaks_.back().row + delta > 0xFFFF) {
    throw XlsError(Format(msg::kTooManyEntries, breaks_.back().row + delta, 0xFFFF));
  }
  std::vector<TPageBreak> kept;
  kept.reserve(breaks_.size());
  for (TPageBreak b : breaks_) {
    if (b.row >= from) {
      if (delta < 0 && b.row < from - delta) continue;
      b.row = static_cast<std::uint16_t>(b.row + delta);
    }
    kept.push_back(b);
  }
  breaks_ = std::move(kept);
}

void TPageBreakList::SaveToStream(TOutStream& out) const {
  if (breaks_.empty()) return;
  out.WriteHeader(rid::kHPageBreak, static_cast<std::uint16_t>(2 + 6 * breaks_.size()));
  out.Write16(static_cast<std::uint16_t>(breaks_.size()));
  for (const TPageBreak& b : breaks_) {
    out.Write16(b.row);
    out.Write16(b.first_column);
    out.Write16(b.last_column);
  }
}

}  // namespace chronolin
