#include "xls/drawing/ms_obj.h"

#include "xls/drawing/chart.h"

namespace chronolin {

TMsObj::TMsObj(std::unique_ptr<TBaseRecord> obj) : obj_(std::move(obj)) {
  object_id_ = obj_->DataSize() >= 8 ? obj_->Get16(6) : 0;
}

TMsObj::TMsObj(const TMsObj& other) : obj_(other.obj_), object_id_(other.object_id_) {
  if (other.chart_) chart_ = other.chart_->CloneChart();
}

TMsObj::~TMsObj() = default;

std::uint16_t TMsObj::Kind() const {
  return obj_->DataSize() >= 6 ? obj_->Get16(4) : 0;
}

std::uint16_t TMsObj::ObjectId() const {
  return object_id_;
}

void TMsObj::SetObjectId(std::uint16_t id) {
  if (obj_->DataSize() >= 8) object_id_ = id;
}

bool TMsObj::IsEmbeddedOle() const {
  if (Kind() != 8) return false;
  const std::size_t size = obj_->DataSize();
  for (std::size_t at = 0; at + 4 <= size;) {
    const std::uint16_t ft = obj_->Get16(at);
    if (ft == 0x0009) return true;  // ftPictFmla
    if (ft == 0x0000) break;        // ftEnd
    at += 4 + obj_->Get16(at + 2);
  }
  return false;
}

void TMsObj::SetChart(std::unique_ptr<TChart> chart) {
  chart_ = std::move(chart);
}

void TMsObj::SaveToStream(TOutStream& out) const {
  if (obj_->DataSize() < 8 || obj_->Get16(6) == object_id_) {
    obj_->SaveToStream(out);
  } else {
    // The shared record with this copy's id.
    const std::vector<std::uint8_t>& data = obj_->Data();
    out.WriteHeader(obj_->Id(), obj_->DataSize());
    out.Write(data.data(), 6);
    out.Write16(object_id_);
    out.Write(data.data() + 8, data.size() - 8);
    if (const TBaseRecord* rest = obj_->Continue()) rest->SaveToStream(out);
  }
  if (chart_) chart_->SaveToStream(out);
}

}  // namespace chronolin
