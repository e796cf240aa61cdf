#include "xls/globals/globals_records.h"

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/record_chain_reader.h"

namespace chronolin {

TWindow1Record::TWindow1Record(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), 16);
}

TBoundSheetRecord::TBoundSheetRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  RequireBodySize(id, Data(), 8);
  Name();  // a name that runs past the body is refused now, not at first use
}

std::u16string TBoundSheetRecord::Name() const {
  TRecordChainReader reader(*this, 6);
  return TExcelString::Read(reader, 1).Text();
}

}  // namespace chronolin
