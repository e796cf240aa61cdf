#pragma once
// Records of the workbook globals sub-stream.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xls/records/plain_record.h"
#include "xls/strings/excel_string.h"

namespace chronolin {

CHRONOLIN_PLAIN_RECORD(TXFRecord);
CHRONOLIN_PLAIN_RECORD(TFontRecord);
CHRONOLIN_PLAIN_RECORD(TFormatRecord);
CHRONOLIN_PLAIN_RECORD(TStyleRecord);
CHRONOLIN_PLAIN_RECORD(TPaletteRecord);

// WINDOW1: the active tab at 10, first visible tab at 12, selected tab count at 14.
class TWindow1Record final : public TBaseRecord {
 public:
  TWindow1Record(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::uint16_t ActiveSheet() const { return Get16(10); }
  void SetActiveSheet(std::uint16_t sheet) { Set16(10, sheet); }
  // Makes `sheet` the active tab and the only one selected, the tabs scrolled back to the
  // first.
  void ShowSheet(std::uint16_t sheet) {
    SetActiveSheet(sheet);
    Set16(12, 0);
    Set16(14, 1);
  }
};

// BOUNDSHEET: the BOF offset of its sheet, option flags and the name as a short string.
class TBoundSheetRecord final : public TBaseRecord {
 public:
  TBoundSheetRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::uint32_t Offset() const { return Get32(0); }
  void SetOffset(std::uint32_t offset) { Set32(0, offset); }
  std::uint16_t Options() const { return Get16(4); }
  std::u16string Name() const;
};

}  // namespace chronolin
