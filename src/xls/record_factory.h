#pragma once
// The record factory: builds the class of a record from its id, and reads a record from the
// stream together with what belongs to it (its CONTINUE chain, a FORMULA's TABLE).
#include <cstdint>
#include <memory>
#include <vector>

#include "xls/biff_record.h"
#include "xls/biff_stream.h"

namespace chronolin {

// FILEPASS raises "File is password protected"; a BOF of another version the version message.
std::unique_ptr<TBaseRecord> CreateRecord(std::uint16_t id, std::vector<std::uint8_t> data);

// Reads the body of the record whose header was just read, then attaches what follows it:
// CONTINUE records as its chain, a TABLE to a FORMULA. A STRING is allowed only after a record
// that can have a text result (FORMULA, SHRFMLA, ARRAY, TABLE); it is left in the stream.
std::unique_ptr<TBaseRecord> ReadRecord(TBiffReader& reader, const RecordHeader& header);

}  // namespace chronolin
