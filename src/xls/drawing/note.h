#pragma once
// Cell comments: NOTE records (row, column, options, object id, author), kept by row like the
// cells; the object id names the drawing object that shows the comment.
#include <cstdint>
#include <memory>
#include <vector>

#include "xls/records/biff_record.h"
#include "xls/records/row_col_list.h"

namespace chronolin {

class TNoteRecord final : public TBaseRowColRecord {
 public:
  TNoteRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override;
  std::uint16_t ObjectId() const { return Get16(6); }
  void SetObjectId(std::uint16_t id) { Set16(6, id); }
};

class TNoteList : public TBaseRowColList {};

}  // namespace chronolin
