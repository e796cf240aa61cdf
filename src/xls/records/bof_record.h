#pragma once
// The records that open and close every sub-stream of the workbook stream.
#include <cstdint>
#include <memory>
#include <vector>

#include "xls/records/plain_record.h"

namespace chronolin {

// BOF: version (must be BIFF8, 0x0600) and sub-stream type.
class TBOFRecord final : public TBaseRecord {
 public:
  TBOFRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::uint16_t Kind() const { return Get16(2); }
};

CHRONOLIN_PLAIN_RECORD(TEOFRecord);

}  // namespace chronolin
