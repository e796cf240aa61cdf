#include "xls/records/bof_record.h"

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"

namespace chronolin {

TBOFRecord::TBOFRecord(std::uint16_t id, std::vector<std::uint8_t> data)
    : TBaseRecord(id, std::move(data)) {
  if (DataSize() < 2 || Get16(0) != 0x0600) throw XlsError(msg::kInvalidVersion);
  RequireBodySize(id, Data(), 4);
}

}  // namespace chronolin
