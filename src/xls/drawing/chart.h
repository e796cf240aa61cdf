#pragma once
// A chart sub-stream (a chart sheet, or a chart embedded in a worksheet's drawing): every
// record is kept, in order, in one list.
#include <memory>

#include "xls/records/record_list.h"
#include "xls/records/sheet_section.h"

namespace chronolin {

class TSST;

class TChart final : public TSheet {
 public:
  // Text cells of the chart take their strings from the workbook's table.
  TChart(TWorkbookGlobals& globals, TSST& sst) : TSheet(globals), sst_(&sst) {}
  bool IsWorksheet() const override { return false; }
  std::unique_ptr<TSheet> Clone() const override { return CloneChart(); }
  std::unique_ptr<TChart> CloneChart() const;
  void Clear() override;
  const TBaseRecordList& Records() const { return records_; }

 protected:
  void Route(TBiffReader& reader, std::unique_ptr<TBaseRecord> record) override;
  // Some writers open a chart sheet with its BOF twice; the repeat is kept as a record.
  bool AcceptsInnerBof(const TBaseRecord& bof) const override;
  void SaveBody(TOutStream& out) const override { records_.SaveToStream(out); }
  std::int64_t BodySize() const override { return records_.TotalSize(); }

 private:
  TSST* sst_;
  TBaseRecordList records_;
};

}  // namespace chronolin
