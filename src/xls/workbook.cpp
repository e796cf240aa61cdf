#include "xls/workbook.h"

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/record_factory.h"
#include "xls/records/record_ids.h"

namespace chronolin {

TWorkbook::~TWorkbook() {
  sheets_.clear();
}

void TWorkbook::Clear() {
  sheets_.clear();
  globals_.Clear();
  globals_loaded_ = false;
}

void TWorkbook::Load(std::span<const std::uint8_t> stream) {
  Clear();
  TBiffReader reader(stream, &WorkbookRecordFactory());
  RecordHeader header;
  while (reader.ReadHeader(header) && header.id != 0) {
    std::unique_ptr<TBaseRecord> record = ReadRecord(reader, header);
    auto* bof = dynamic_cast<TBOFRecord*>(record.get());
    if (bof == nullptr) throw XlsError(msg::kFileInvalid);
    record.release();
    std::unique_ptr<TBOFRecord> owned(bof);
    switch (bof->Kind()) {
      case rid::kBofGlobals:
        // One globals section per workbook: a second would mix two string tables.
        if (globals_loaded_) throw XlsError(msg::kFileInvalid);
        globals_loaded_ = true;
        globals_.Load(reader, std::move(owned));
        break;
      case rid::kBofWorksheet:
        sheets_.push_back(std::make_unique<TWorkSheet>(globals_));
        sheets_.back()->Load(reader, std::move(owned));
        break;
      case rid::kBofChart:
        sheets_.push_back(std::make_unique<TChart>(globals_, globals_.SST()));
        sheets_.back()->Load(reader, std::move(owned));
        break;
      default:
        throw XlsError(msg::kFileInvalid);
    }
  }
  globals_.SST().Sort();
  globals_.DrawingGroup().SortBlips();
}

void TWorkbook::Save(TOutStream& out) {
  globals_.SST().PrepareForSave();
  TBoundSheetList& bound = globals_.BoundSheets();
  if (bound.Count() != sheets_.size()) throw XlsError(msg::kFileInvalid);
  std::int64_t offset = globals_.TotalSize();
  for (std::size_t i = 0; i < sheets_.size(); ++i) {
    bound[i].SetOffset(static_cast<std::uint32_t>(out.Position() + offset));
    offset += sheets_[i]->TotalSize();
  }
  out.Reserve(out.Position() + static_cast<std::uint64_t>(offset));
  globals_.SaveToStream(out);
  for (const auto& sheet : sheets_) sheet->SaveToStream(out);
}

std::size_t TWorkbook::ActiveSheet() const {
  const TWindow1Record* window1 = globals_.Window1();
  return window1 == nullptr ? 0 : window1->ActiveSheet();
}

}  // namespace chronolin

namespace chronolin {

namespace {

constexpr std::uint16_t kSelected = 0x0200;

void SetSelected(TSheet& sheet, bool selected) {
  if (TWindow2Record* window2 = sheet.Window2()) {
    const std::uint16_t options = window2->Options();
    window2->SetOptions(selected ? options | kSelected : options & ~kSelected);
  }
}

}  // namespace

void TWorkbook::SelectSheet(std::size_t i) {
  if (i >= sheets_.size()) {
    throw XlsError(Format(msg::kSheetNumberInvalid, static_cast<int>(i), 0,
                          static_cast<int>(sheets_.size()) - 1));
  }
  const std::size_t active = ActiveSheet();
  if (active < sheets_.size()) SetSelected(*sheets_[active], false);
  if (TWindow1Record* window1 = globals_.Window1()) {
    window1->ShowSheet(static_cast<std::uint16_t>(i));
  }
  SetSelected(*sheets_[i], true);
}

void TWorkbook::SetSheetName(std::size_t i, std::u16string_view name) {
  globals_.BoundSheets().Rename(i, name);
}

}  // namespace chronolin
