#pragma once
// A sub-stream of the workbook stream: BOF, the section's records, EOF. Loading reads records
// until the EOF and hands each to the section's routing; saving needs both BOF and EOF.
#include <cstdint>
#include <memory>
#include <span>

#include "xls/records/biff_record.h"
#include "xls/records/biff_stream.h"
#include "xls/records/bof_record.h"

namespace chronolin {

class TBaseSection {
 public:
  TBaseSection() = default;
  TBaseSection(const TBaseSection&) = delete;
  TBaseSection& operator=(const TBaseSection&) = delete;
  virtual ~TBaseSection() = default;

  // The stream stands just after `bof`. A header cut short, or a BOF inside the section,
  // raises "Error reading Excel records. File invalid".
  virtual void Load(TBiffReader& reader, std::unique_ptr<TBOFRecord> bof);
  // Raises "A section of the workbook is not loaded" without BOF or EOF.
  virtual void SaveToStream(TOutStream& out) const;
  virtual void Clear();
  std::int64_t TotalSize() const;

  const TBOFRecord* Bof() const { return bof_.get(); }
  const TBaseRecord* Eof() const { return eof_.get(); }

 protected:
  // One record of the section (never an ignored record, a BOF or the EOF).
  virtual void Route(TBiffReader& reader, std::unique_ptr<TBaseRecord> record) = 0;
  // A record taken straight from its body, without a record object (false: read it as a
  // record). Offered only records that no CONTINUE, STRING or TABLE follows.
  virtual bool RouteBody(std::uint16_t id, std::span<const std::uint8_t> body) {
    (void)id;
    (void)body;
    return false;
  }
  // A BOF met inside the section; the default refuses it.
  virtual bool AcceptsInnerBof(const TBaseRecord&) const { return false; }
  // After the EOF.
  virtual void EndLoad() {}
  virtual void SaveBody(TOutStream& out) const = 0;
  virtual std::int64_t BodySize() const = 0;
  void CopyEnds(const TBaseSection& other);

 private:
  std::unique_ptr<TBOFRecord> bof_;
  std::unique_ptr<TBaseRecord> eof_;
};

}  // namespace chronolin
