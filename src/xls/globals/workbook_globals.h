#pragma once
// The workbook globals sub-stream: shared strings, external references, sheet directory,
// names, drawing group and the format tables; every other record is kept in order.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "xls/drawing/drawing.h"
#include "xls/formulas/name_record.h"
#include "xls/formulas/references.h"
#include "xls/globals/bound_sheet_list.h"
#include "xls/records/record_list.h"
#include "xls/records/section.h"
#include "xls/strings/sst.h"

namespace chronolin {

class TWorkbookGlobals final : public TBaseSection {
 public:
  TSST& SST() { return sst_; }
  const TSST& SST() const { return sst_; }
  TReferences& References() { return references_; }
  const TReferences& References() const { return references_; }
  TBoundSheetList& BoundSheets() { return bound_sheets_; }
  const TBoundSheetList& BoundSheets() const { return bound_sheets_; }
  const TBaseRecordList& OtherRecords() const { return other_; }
  const TNameRecordList& Names() const { return names_; }
  TNameRecordList& Names() { return names_; }
  TDrawingGroup& DrawingGroup() { return drawing_group_; }
  const TDrawingGroup& DrawingGroup() const { return drawing_group_; }
  TWindow1Record* Window1() const { return window1_; }
  const TBaseRecordList& XFs() const { return xfs_; }
  const TBaseRecordList& Fonts() const { return fonts_; }
  const TBaseRecordList& Formats() const { return formats_; }
  TPaletteRecord* Palette() const { return palette_; }
  std::size_t PalettePosition() const { return palette_position_; }

  void Clear() override;

  // Entry i of the PALETTE record, else of the standard palette; an index outside raises "The
  // index ... is not in the range ...".
  std::uint32_t PaletteColor(int index) const;
  // Creates the PALETTE record (with the standard colours) where the format tables end when
  // there is none; an index outside raises "Too many entries for this kind of record ...".
  void SetPaletteColor(int index, std::uint32_t color);

 protected:
  void Route(TBiffReader& reader, std::unique_ptr<TBaseRecord> record) override;
  void SaveBody(TOutStream& out) const override;
  std::int64_t BodySize() const override;

 private:
  // The SST is written by a save that also records where each string went.
  mutable TSST sst_;
  TReferences references_;
  TBoundSheetList bound_sheets_;
  TBaseRecordList other_;
  TNameRecordList names_;
  TDrawingGroup drawing_group_;
  TWindow1Record* window1_ = nullptr;
  TBaseRecordList xfs_;
  TBaseRecordList fonts_;
  TBaseRecordList formats_;
  TPaletteRecord* palette_ = nullptr;
  std::size_t palette_position_ = 0;
};

}  // namespace chronolin
