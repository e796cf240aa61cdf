#include "xls/globals/workbook_globals.h"

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/globals/palette.h"
#include "xls/records/record_ids.h"
#include "xls/records/sheet_records.h"

namespace chronolin {

void TWorkbookGlobals::Route(TBiffReader& reader, std::unique_ptr<TBaseRecord> record) {
  const std::uint16_t id = record->Id();
  // The XF, font and format lists are written where their first record stood.
  if (id == rid::kXf && xfs_.Empty()) other_.Add(std::make_unique<TSubListRecord>(&xfs_));
  if (id == rid::kFont && fonts_.Empty()) other_.Add(std::make_unique<TSubListRecord>(&fonts_));
  if (id == rid::kFormat && formats_.Empty()) {
    other_.Add(std::make_unique<TSubListRecord>(&formats_));
  }
  if (id == rid::kXf || id == rid::kStyle) palette_position_ = other_.Count();

  switch (id) {
    case rid::kBoundSheet:
      bound_sheets_.Add(
          std::unique_ptr<TBoundSheetRecord>(static_cast<TBoundSheetRecord*>(record.release())));
      return;
    case rid::kName:
      names_.Add(std::move(record));
      return;
    case rid::kXf:
      xfs_.Add(std::move(record));
      return;
    case rid::kFont:
      fonts_.Add(std::move(record));
      return;
    case rid::kFormat:
      formats_.Add(std::move(record));
      return;
    case rid::kSst:
      sst_.Load(*record);
      return;
    case rid::kSupBook:
      references_.AddSupBook(std::move(record));
      return;
    case rid::kExternName:
    case rid::kXct:
    case rid::kCrn:
      // Cached values without their file mean nothing: dropped, as a name is not.
      if (references_.AddToLastSupBook(record) || id != rid::kExternName) return;
      break;
    case rid::kExternSheet:
      references_.LoadExternSheet(*record);
      return;
    case rid::kMsoDrawingGroup:
      drawing_group_.Load(reader, std::move(record));
      return;
    default:
      break;
  }
  if (id == rid::kPalette) palette_ = static_cast<TPaletteRecord*>(record.get());
  if (id == rid::kWindow1) window1_ = static_cast<TWindow1Record*>(record.get());
  other_.Add(std::move(record));
}

void TWorkbookGlobals::SaveBody(TOutStream& out) const {
  other_.SaveToStream(out);
  bound_sheets_.SaveToStream(out);
  references_.SaveToStream(out);
  names_.SaveToStream(out);
  drawing_group_.SaveToStream(out);
  sst_.SaveToStream(out);
}

std::int64_t TWorkbookGlobals::BodySize() const {
  return other_.TotalSize() + xfs_.TotalSize() + fonts_.TotalSize() + formats_.TotalSize() +
         bound_sheets_.TotalSize() + references_.TotalSize() + names_.TotalSize() +
         drawing_group_.TotalSize() + sst_.TotalSize();
}

std::uint32_t TWorkbookGlobals::PaletteColor(int index) const {
  if (palette_ != nullptr) {
    const int count = palette_->DataSize() >= 2 ? palette_->Get16(0) : 0;
    if (index < 0 || index >= count ||
        2u + 4u * static_cast<unsigned>(index) + 4 > palette_->DataSize()) {
      throw XlsError(Format(msg::kIndexOutOfRange, index, "Palette Color Index", 0, count - 1));
    }
    return palette_->Get32(2 + 4 * static_cast<std::size_t>(index));
  }
  if (index < 0 || index >= static_cast<int>(kDefaultPalette.size())) {
    throw XlsError(Format(msg::kIndexOutOfRange, index, "Palette index", 0, 55));
  }
  return kDefaultPalette[static_cast<std::size_t>(index)];
}

void TWorkbookGlobals::SetPaletteColor(int index, std::uint32_t color) {
  // The index is checked before the PALETTE record is made: a refusal changes nothing.
  const bool fits = palette_ == nullptr
                        ? index >= 0 && static_cast<std::size_t>(index) < kDefaultPalette.size()
                        : index >= 0 &&
                              index < (palette_->DataSize() >= 2 ? palette_->Get16(0) : 0) &&
                              2u + 4u * static_cast<unsigned>(index) + 4 <= palette_->DataSize();
  if (!fits) {
    const int count = palette_ == nullptr         ? static_cast<int>(kDefaultPalette.size())
                      : palette_->DataSize() >= 2 ? palette_->Get16(0)
                                                  : 0;
    throw XlsError(Format(msg::kTooManyEntries, index, count - 1));
  }
  if (palette_ == nullptr) {
    std::vector<std::uint8_t> body;
    biff::Put16(body, static_cast<std::uint16_t>(kDefaultPalette.size()));
    for (const std::uint32_t c : kDefaultPalette) biff::Put32(body, c);
    auto record = std::make_unique<TPaletteRecord>(rid::kPalette, std::move(body));
    palette_ = record.get();
    other_.Insert(palette_position_, std::move(record));
  }
  palette_->Set32(2 + 4 * static_cast<std::size_t>(index), color);
}

void TWorkbookGlobals::Clear() {
  TBaseSection::Clear();
  sst_.Clear();
  references_.Clear();
  bound_sheets_.Clear();
  other_.Clear();
  names_.Clear();
  drawing_group_.Clear();
  window1_ = nullptr;
  xfs_.Clear();
  fonts_.Clear();
  formats_.Clear();
  palette_ = nullptr;
  palette_position_ = 0;
}

}  // namespace chronolin
