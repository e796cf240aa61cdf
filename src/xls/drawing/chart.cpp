#include "xls/drawing/chart.h"

#include "xls/cells/cell_records.h"
#include "xls/records/record_ids.h"
#include "xls/strings/sst.h"

namespace chronolin {

void TChart::Route(TBiffReader&, std::unique_ptr<TBaseRecord> record) {
  if (auto* window2 = dynamic_cast<TWindow2Record*>(record.get())) SetWindow2(window2);
  if (auto* label = dynamic_cast<TLabelSSTRecord*>(record.get())) {
    label->LinkToSST(*sst_);
  }
  records_.Add(std::move(record));
}

bool TChart::AcceptsInnerBof(const TBaseRecord& bof) const {
  return records_.Empty() && static_cast<const TBOFRecord&>(bof).Kind() == rid::kBofChart;
}

void TChart::Clear() {
  TSheet::Clear();
  records_.Clear();
  SetWindow2(nullptr);
}

std::unique_ptr<TChart> TChart::CloneChart() const {
  auto copy = std::make_unique<TChart>(Globals(), *sst_);
  copy->CopyEnds(*this);
  copy->records_.CloneFrom(records_);
  for (std::size_t i = 0; i < copy->records_.Count(); ++i) {
    if (auto* window2 = dynamic_cast<TWindow2Record*>(copy->records_[i])) copy->SetWindow2(window2);
  }
  return copy;
}

}  // namespace chronolin
