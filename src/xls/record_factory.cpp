#include "xls/record_factory.h"

#include "xls/cell_records.h"
#include "xls/formula_record.h"
#include "xls/globals_records.h"
#include "xls/name_record.h"
#include "xls/note.h"
#include "xls/record_ids.h"
#include "xls/references.h"
#include "xls/sheet_records.h"
#include "xls/sst.h"
#include "xls/xls_error.h"
#include "xls/xls_messages.h"

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

bool CanHaveTextResult(std::uint16_t id) {
  return id == rid::kFormula || id == rid::kShrFmla || id == rid::kTable || id == rid::kArray;
}

}  // namespace

std::unique_ptr<TBaseRecord> ReadRecord(TBiffReader& reader, const RecordHeader& header) {
  const auto body = reader.ReadBytes(header.size);
  std::unique_ptr<TBaseRecord> record =
      CreateRecord(header.id, std::vector<std::uint8_t>(body.begin(), body.end()));
  // A run of CONTINUE records is read in a loop, not by recursion: files can hold long runs.
  RecordHeader next;
  while (reader.PeekHeader(next)) {
    if (next.id == rid::kContinue) {
      reader.ReadHeader(next);
      const auto bytes = reader.ReadBytes(next.size);
      record->AppendContinue(std::make_unique<TContinueRecord>(
          next.id, std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
      continue;
    }
    if (next.id == rid::kTable) {
      auto* formula = dynamic_cast<TFormulaRecord*>(record.get());
      if (formula == nullptr) throw XlsError(msg::kFileInvalid);
      reader.ReadHeader(next);
      std::unique_ptr<TBaseRecord> table = ReadRecord(reader, next);
      formula->AttachTable(
          std::unique_ptr<TTableRecord>(static_cast<TTableRecord*>(table.release())));
      break;
    }
    if (next.id == rid::kString && !CanHaveTextResult(record->Id())) {
      throw XlsError(msg::kFileInvalid);
    }
    break;
  }
  return record;
}

}  // namespace chronolin
