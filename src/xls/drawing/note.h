#pragma once
// Cell comments: NOTE records (row, column, options, object id, author), kept by row like the
// cells, each linked after the load to the drawing object that shows it.
#include <cstdint>
#include <memory>
#include <vector>

#include "xls/records/biff_record.h"
#include "xls/records/row_col_list.h"

namespace chronolin {

class TEscherClientDataRecord;

class TNoteRecord final : public TBaseRowColRecord {
 public:
  TNoteRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override;
  std::uint16_t ObjectId() const { return Get16(6); }
  void SetObjectId(std::uint16_t id) { Set16(6, id); }
  // The drawing object of the comment, or null when the sheet has none with this id.
  TEscherClientDataRecord* Object() const { return object_; }
  void SetObject(TEscherClientDataRecord* object) { object_ = object; }

 private:
  TEscherClientDataRecord* object_ = nullptr;
};

class TNoteList : public TBaseRowColList {};

}  // namespace chronolin
