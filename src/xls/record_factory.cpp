#include "xls/record_factory.h"

#include "xls/cells/cell_records.h"
#include "xls/cells/formula_record.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/drawing/note.h"
#include "xls/formulas/name_record.h"
#include "xls/formulas/references.h"
#include "xls/globals/globals_records.h"
#include "xls/records/bof_record.h"
#include "xls/records/record_ids.h"
#include "xls/records/sheet_records.h"
#include "xls/strings/sst.h"

namespace chronolin {

namespace {

template <class T>
std::unique_ptr<TBaseRecord> Make(std::uint16_t id, std::vector<std::uint8_t>& data) {
  return std::make_unique<T>(id, std::move(data));
}

}  // namespace

std::unique_ptr<TBaseRecord> CreateRecord(std::uint16_t id, std::vector<std::uint8_t> data) {
  switch (id) {
    case rid::kFormula:
      return Make<TFormulaRecord>(id, data);
    case rid::kEof:
      return Make<TEOFRecord>(id, data);
    case rid::kExternSheet:
      return Make<TExternSheetRecord>(id, data);
    case rid::kName:
      return Make<TNameRecord>(id, data);
    case rid::kHPageBreak:
      return Make<THPageBreakRecord>(id, data);
    case rid::kNote:
      return Make<TNoteRecord>(id, data);
    case rid::kFilePass:
      throw XlsError(msg::kPasswordProtected);
    case rid::kFont:
      return Make<TFontRecord>(id, data);
    case rid::kContinue:
      return Make<TContinueRecord>(id, data);
    case rid::kWindow1:
      return Make<TWindow1Record>(id, data);
    case rid::kDefColWidth:
      return Make<TDefColWidthRecord>(id, data);
    case rid::kDbCell:
    case rid::kMsoDrawingSelection:
    case rid::kExtSst:
    case rid::kRecalcId:
    case rid::kDimensions:
    case rid::kIndex:
      return Make<TIgnoreRecord>(id, data);
    case rid::kObj:
      return Make<TObjRecord>(id, data);
    case rid::kColInfo:
      return Make<TColInfoRecord>(id, data);
    case rid::kBoundSheet:
      return Make<TBoundSheetRecord>(id, data);
    case rid::kPalette:
      return Make<TPaletteRecord>(id, data);
    case rid::kMulRk:
      return Make<TMulRKRecord>(id, data);
    case rid::kMulBlank:
      return Make<TMulBlankRecord>(id, data);
    case rid::kXf:
      return Make<TXFRecord>(id, data);
    case rid::kMergedCells:
      return Make<TCellMergingRecord>(id, data);
    case rid::kMsoDrawingGroup:
      return Make<TDrawingGroupRecord>(id, data);
    case rid::kMsoDrawing:
      return Make<TDrawingRecord>(id, data);
    case rid::kSst:
      return Make<TSSTRecord>(id, data);
    case rid::kLabelSst:
      return Make<TLabelSSTRecord>(id, data);
    case rid::kLabel:
    case rid::kRString:
      return Make<TLabelRecord>(id, data);
    case rid::kSupBook:
      return Make<TSupBookRecord>(id, data);
    case rid::kCondFmt:
      return Make<TCondFmtRecord>(id, data);
    case rid::kCf:
      return Make<TCFRecord>(id, data);
    case rid::kDVal:
      return Make<TDValRecord>(id, data);
    case rid::kDv:
      return Make<TDvRecord>(id, data);
    case rid::kHLink:
    case rid::kHLinkTooltip:
      return Make<THLinkRecord>(id, data);
    case rid::kTxo:
      return Make<TTXORecord>(id, data);
    case rid::kBlank:
      return Make<TBlankRecord>(id, data);
    case rid::kNumber:
      return Make<TNumberRecord>(id, data);
    case rid::kBoolErr:
      return Make<TBoolErrRecord>(id, data);
    case rid::kString:
      return Make<TStringRecord>(id, data);
    case rid::kRow:
      return Make<TRowRecord>(id, data);
    case rid::kArray:
      return Make<TArrayRecord>(id, data);
    case rid::kDefRowHeight:
      return Make<TDefRowHeightRecord>(id, data);
    case rid::kTable:
      return Make<TTableRecord>(id, data);
    case rid::kWindow2:
      return Make<TWindow2Record>(id, data);
    case rid::kRk:
      return Make<TRKRecord>(id, data);
    case rid::kStyle:
      return Make<TStyleRecord>(id, data);
    case rid::kFormat:
      return Make<TFormatRecord>(id, data);
    case rid::kShrFmla:
      return Make<TShrFmlaRecord>(id, data);
    case rid::kBof:
      return Make<TBOFRecord>(id, data);
    case rid::kChartAi:
      return Make<TChartAIRecord>(id, data);
    default:
      return std::make_unique<TBaseRecord>(id, std::move(data));
  }
}

namespace {

class TWorkbookRecordFactory final : public TRecordFactory {
 public:
  std::unique_ptr<TBaseRecord> Create(std::uint16_t id,
                                      std::vector<std::uint8_t> data) const override {
    return CreateRecord(id, std::move(data));
  }
  void AttachTable(TBaseRecord& record, std::unique_ptr<TBaseRecord> table) const override {
    auto* formula = dynamic_cast<TFormulaRecord*>(&record);
    auto* attached = dynamic_cast<TTableRecord*>(table.get());
    if (formula == nullptr || attached == nullptr) throw XlsError(msg::kFileInvalid);
    table.release();
    formula->AttachTable(std::unique_ptr<TTableRecord>(attached));
  }
};

}  // namespace

const TRecordFactory& WorkbookRecordFactory() {
  static const TWorkbookRecordFactory factory;
  return factory;
}

}  // namespace chronolin
