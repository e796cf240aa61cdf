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

// A record that applies to a list of cell ranges (a count, then ranges of 8 bytes each); where
// they lie in the body is the record's business alone.
class TRangesRecord : public TBaseRecord {
 public:
  // Ranges one record is given at most by whoever splits a longer list: well within a record
  // body for every kind.
  static constexpr std::size_t kMaxRanges = 1000;

  std::uint16_t RangeCount() const { return Get16(count_at_); }
  TCellRange Range(std::size_t i) const;
  std::vector<TCellRange> Ranges() const;
  // Replaces the list; the bytes before and after it stay.
  virtual void SetRanges(const std::vector<TCellRange>& ranges);

 protected:
  // The count lies at `count_at`, the ranges right after it. Throws "Record with ID 0x%x is
  // invalid" unless the body holds them all.
  TRangesRecord(std::uint16_t id, std::vector<std::uint8_t> data, std::size_t count_at);
  TRangesRecord(const TRangesRecord&) = default;

 private:
  std::size_t count_at_;
};

// MERGEDCELLS: a count, then that many ranges.
class TCellMergingRecord final : public TRangesRecord {
 public:
  TCellMergingRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
};

// CONDFMT: CF count at 0, options, the bounding range at 4, then a range count at 12 and the
// ranges.
class TCondFmtRecord final : public TRangesRecord {
 public:
  TCondFmtRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  // The bounding range follows a list that is not empty.
  void SetRanges(const std::vector<TCellRange>& ranges) override;
};

// DVAL: the sheet's data validation header; the count of DV records that follow at 14.
class TDValRecord final : public TBaseRecord {
 public:
  TDValRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::uint32_t DvCount() const { return Get32(14); }
  void SetDvCount(std::uint32_t count) { Set32(14, count); }
};

// A token array inside a record body, edited in place.
struct TTokenSpan {
  std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

// DV: options, four 16-bit-counted strings (titles and texts), two formulas (length, two
// reserved bytes, tokens), then a range count and the ranges the rule applies to.
class TDvRecord final : public TBaseRecord {
 public:
  // Throws "Record with ID 0x%x is invalid" when a string, formula or range runs past the body.
  TDvRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::vector<TCellRange> Ranges() const;
  void SetRanges(const std::vector<TCellRange>& ranges);
  // The ranges the record can hold without its body outgrowing a record.
  std::size_t MaxRanges() const;
  // Formula 0 or 1.
  TTokenSpan Formula(int k);

 private:
  std::size_t formula_at_[2] = {0, 0};
  std::size_t ranges_at_ = 0;
};

// CF: type, operator, the two formulas' lengths at 2 and 4, formatting, then the formulas'
// tokens, which end the body.
class TCFRecord final : public TBaseRecord {
 public:
  // Throws "Record with ID 0x%x is invalid" when the formulas are longer than the body.
  TCFRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  TTokenSpan Formula(int k);
};

// HLINK: the cell range (rows 16-bit at 0 and 2, columns at 4 and 6), then the link itself.
// HLINKTOOLTIP, which may follow it, holds the same range after its record type (at 2).
class THLinkRecord final : public TBaseRecord {
 public:
  THLinkRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  TCellRange Range() const;
  void SetRows(std::uint16_t first, std::uint16_t last);

 private:
  std::size_t RangeOffset() const;
};

}  // namespace chronolin
