#pragma once
#include <cstdint>
#include <memory>

#include "xls/records/biff_record.h"

namespace chronolin {

class TChart;

// The BIFF OBJ record of a shape: its first sub-record gives the object kind (at 4) and id
// (at 6); an embedded chart's sub-stream follows it in the file and is kept with it. Copies
// share the record and keep only their own id: the thousands of copies of a band's note
// differ in nothing else.
class TMsObj {
 public:
  explicit TMsObj(std::unique_ptr<TBaseRecord> obj);
  TMsObj(const TMsObj& other);
  ~TMsObj();
  // The record as first read or copied; its id field may differ from ObjectId().
  const TBaseRecord& Record() const { return *obj_; }
  std::uint16_t Kind() const;
  std::uint16_t ObjectId() const;
  void SetObjectId(std::uint16_t id);
  // A picture object that holds an embedded OLE object (its picture formula sub-record).
  bool IsEmbeddedOle() const;
  TChart* Chart() const { return chart_.get(); }
  void SetChart(std::unique_ptr<TChart> chart);
  void SaveToStream(TOutStream& out) const;

 private:
  std::shared_ptr<const TBaseRecord> obj_;
  std::uint16_t object_id_ = 0;
  std::unique_ptr<TChart> chart_;
};

}  // namespace chronolin
