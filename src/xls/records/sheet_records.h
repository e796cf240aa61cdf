#pragma once
// Records of worksheet and chart sub-streams that the model routes by class.
#include <cstdint>
#include <memory>
#include <vector>

#include "xls/records/plain_record.h"

namespace chronolin {

// WINDOW2: option flags at 0 (0x0200 = sheet selected, 0x0002 = grid lines shown).
class TWindow2Record final : public TBaseRecord {
 public:
  TWindow2Record(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::uint16_t Options() const { return Get16(0); }
  void SetOptions(std::uint16_t options) { Set16(0, options); }
};

class TDefColWidthRecord final : public TBaseRecord {
 public:
  TDefColWidthRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::uint16_t Width() const { return Get16(0); }
};

// DEFAULTROWHEIGHT: options at 0, height at 2.
class TDefRowHeightRecord final : public TBaseRecord {
 public:
  TDefRowHeightRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::uint16_t Height() const { return Get16(2); }
};

CHRONOLIN_PLAIN_RECORD(TObjRecord);
CHRONOLIN_PLAIN_RECORD(TTXORecord);
CHRONOLIN_PLAIN_RECORD(TChartAIRecord);
CHRONOLIN_PLAIN_RECORD(TDValRecord);
CHRONOLIN_PLAIN_RECORD(TCFRecord);
CHRONOLIN_PLAIN_RECORD(TDrawingRecord);
CHRONOLIN_PLAIN_RECORD(TDrawingGroupRecord);
CHRONOLIN_PLAIN_RECORD(THPageBreakRecord);
CHRONOLIN_PLAIN_RECORD(TColInfoRecord);

// A cell range (first row, last row, first column, last column), inclusive.
struct TCellRange {
  std::uint16_t first_row = 0;
  std::uint16_t last_row = 0;
  std::uint16_t first_column = 0;
  std::uint16_t last_column = 0;
};

// MERGEDCELLS: a count, then that many ranges of 8 bytes.
class TCellMergingRecord final : public TBaseRecord {
 public:
  TCellMergingRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::uint16_t RangeCount() const { return Get16(0); }
  TCellRange Range(std::size_t i) const;
};

// CONDFMT: CF count at 0, options, the bounding range at 4, then a range count at 12 and
// the ranges of 8 bytes.
class TCondFmtRecord final : public TBaseRecord {
 public:
  TCondFmtRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::uint16_t RangeCount() const { return Get16(12); }
  TCellRange Range(std::size_t i) const;
};

}  // namespace chronolin
