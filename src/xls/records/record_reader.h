#pragma once
// Reading one record from the stream together with what belongs to it (its CONTINUE chain, a
// FORMULA's TABLE). The record classes live above this layer: whoever opens the stream hands
// the reader a factory that knows them.
#include <cstdint>
#include <memory>
#include <vector>

#include "xls/records/biff_record.h"
#include "xls/records/biff_stream.h"

namespace chronolin {

class TRecordFactory {
 public:
  // The class of a record from its id.
  virtual std::unique_ptr<TBaseRecord> Create(std::uint16_t id,
                                              std::vector<std::uint8_t> data) const = 0;
  // A TABLE record follows the FORMULA `record`.
  virtual void AttachTable(TBaseRecord& record, std::unique_ptr<TBaseRecord> table) const = 0;

 protected:
  ~TRecordFactory() = default;
};

// Reads the body of the record whose header was just read, then attaches what follows it:
// CONTINUE records as its chain, a TABLE to a FORMULA. A STRING is allowed only after a record
// that can have a text result (FORMULA, SHRFMLA, ARRAY, TABLE); it is left in the stream. The
// reader's factory builds the record; a reader without one yields plain records.
std::unique_ptr<TBaseRecord> ReadRecord(TBiffReader& reader, const RecordHeader& header);

}  // namespace chronolin
