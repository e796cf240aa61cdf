#include "xls/records/sheet_records.h"

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"

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

TCellMergingRecord::TCellMergingRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), 2);
  if (2u + 8u * RangeCount() > DataSize()) throw XlsError(Format(msg::kRecordInvalid, id));
}

TCellRange TCellMergingRecord::Range(std::size_t i) const {
  return RangeAt(*this, 2 + 8 * i);
}

TCondFmtRecord::TCondFmtRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), 14);
  if (14u + 8u * RangeCount() > DataSize()) throw XlsError(Format(msg::kRecordInvalid, id));
}

TCellRange TCondFmtRecord::Range(std::size_t i) const {
  return RangeAt(*this, 14 + 8 * i);
}

}  // namespace chronolin
