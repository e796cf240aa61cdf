#include "xls/records/sheet_records.h"

#include <algorithm>

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/record_ids.h"

namespace chronolin {

namespace {

TCellRange RangeAt(const TBaseRecord& record, std::size_t offset) {
  return {record.Get16(offset), record.Get16(offset + 2), record.Get16(offset + 4),
          record.Get16(offset + 6)};
}

}  // namespace

TWindow2Record::TWindow2Record(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), 2);
}

TDefColWidthRecord::TDefColWidthRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), 2);
}

TDefRowHeightRecord::TDefRowHeightRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), 4);
}

TRangesRecord::TRangesRecord(std::uint16_t id, std::vector<std::uint8_t> data, std::size_t count_at)
    : TBaseRecord(id, std::move(data)), count_at_(count_at) {
  RequireBodySize(id, Data(), count_at_ + 2);
  if (count_at_ + 2 + 8u * RangeCount() > DataSize()) {
    throw XlsError(Format(msg::kRecordInvalid, id));
  }
}

TCellRange TRangesRecord::Range(std::size_t i) const {
  return RangeAt(*this, count_at_ + 2 + 8 * i);
}

std::vector<TCellRange> TRangesRecord::Ranges() const {
  std::vector<TCellRange> ranges;
  ranges.reserve(RangeCount());
  for (std::size_t i = 0; i < RangeCount(); ++i) ranges.push_back(Range(i));
  return ranges;
}

void TRangesRecord::SetRanges(const std::vector<TCellRange>& ranges) {
  const auto first = static_cast<std::ptrdiff_t>(count_at_ + 2);
  std::vector<std::uint8_t> body(Data().begin(), Data().begin() + first);
  biff::Set16(body.data() + count_at_, static_cast<std::uint16_t>(ranges.size()));
  for (const TCellRange& r : ranges) {
    for (const std::uint16_t v : {r.first_row, r.last_row, r.first_column, r.last_column}) {
      biff::Put16(body, v);
    }
  }
  body.insert(body.end(), Data().begin() + first + 8 * RangeCount(), Data().end());
  SetData(std::move(body));
}

TCellMergingRecord::TCellMergingRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TRangesRecord(id, std::move(data), 0) {}

TCondFmtRecord::TCondFmtRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TRangesRecord(id, std::move(data), 12) {}

void TCondFmtRecord::SetRanges(const std::vector<TCellRange>& ranges) {
  TRangesRecord::SetRanges(ranges);
  if (ranges.empty()) return;
  TCellRange bounds = ranges[0];
  for (const TCellRange& r : ranges) {
    bounds = {std::min(bounds.first_row, r.first_row), std::max(bounds.last_row, r.last_row),
              std::min(bounds.first_column, r.first_column),
              std::max(bounds.last_column, r.last_column)};
  }
  Set16(4, bounds.first_row);
  Set16(6, bounds.last_row);
  Set16(8, bounds.first_column);
  Set16(10, bounds.last_column);
}

TDValRecord::TDValRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), 18);
}

TDvRecord::TDvRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  auto need = [&](std::size_t end) {
    if (end > DataSize()) throw XlsError(Format(msg::kRecordInvalid, id));
  };
  std::size_t at = 4;
  for (int i = 0; i < 4; ++i) {
    need(at + 3);
    const std::size_t chars = Get16(at);
    at += 3 + chars * ((Data()[at + 2] & 1) ? 2 : 1);
  }
  for (std::size_t& formula : formula_at_) {
    need(at + 4);
    formula = at;
    at += 4 + Get16(at);
  }
  need(at + 2);
  ranges_at_ = at;
  need(at + 2 + 8 * std::size_t{Get16(at)});
}

std::vector<TCellRange> TDvRecord::Ranges() const {
  std::vector<TCellRange> ranges;
  for (std::size_t i = 0; i < Get16(ranges_at_); ++i)
    ranges.push_back(RangeAt(*this, ranges_at_ + 2 + 8 * i));
  return ranges;
}

void TDvRecord::SetRanges(const std::vector<TCellRange>& ranges) {
  std::vector<std::uint8_t> body(Data().begin(),
                                 Data().begin() + static_cast<std::ptrdiff_t>(ranges_at_));
  biff::Put16(body, static_cast<std::uint16_t>(ranges.size()));
  for (const TCellRange& r : ranges) {
    for (const std::uint16_t v : {r.first_row, r.last_row, r.first_column, r.last_column})
      biff::Put16(body, v);
  }
  SetData(std::move(body));
}

std::size_t TDvRecord::MaxRanges() const {
  const std::size_t fixed = DataSize() - 8 * std::size_t{Get16(ranges_at_)};
  return (rid::kMaxBody - std::min(rid::kMaxBody, fixed)) / 8;
}

TTokenSpan TDvRecord::Formula(int k) {
  const std::size_t at = formula_at_[k == 0 ? 0 : 1];
  return {MutableData() + at + 4, Get16(at)};
}

TCFRecord::TCFRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), 6);
  if (6u + Get16(2) + Get16(4) > DataSize()) throw XlsError(Format(msg::kRecordInvalid, id));
}

TTokenSpan TCFRecord::Formula(int k) {
  const std::size_t first = Get16(2);
  const std::size_t second = Get16(4);
  const std::size_t at = DataSize() - first - second;
  return k == 0 ? TTokenSpan{MutableData() + at, first}
                : TTokenSpan{MutableData() + at + first, second};
}

THLinkRecord::THLinkRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), RangeOffset() + 8);
}

std::size_t THLinkRecord::RangeOffset() const {
  return Id() == rid::kHLinkTooltip ? 2 : 0;
}

TCellRange THLinkRecord::Range() const {
  return RangeAt(*this, RangeOffset());
}

void THLinkRecord::SetRows(std::uint16_t first, std::uint16_t last) {
  Set16(RangeOffset(), first);
  Set16(RangeOffset() + 2, last);
}

}  // namespace chronolin
