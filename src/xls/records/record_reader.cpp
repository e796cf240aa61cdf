#include "xls/records/record_reader.h"

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/records/record_ids.h"

namespace chronolin {

namespace {

bool CanHaveTextResult(std::uint16_t id) {
  return id == rid::kFormula || id == rid::kShrFmla || id == rid::kTable || id == rid::kArray;
}

}  // namespace

std::unique_ptr<TBaseRecord> ReadRecord(TBiffReader& reader, const RecordHeader& header) {
  const auto body = reader.ReadBytes(header.size);
  std::vector<std::uint8_t> data(body.begin(), body.end());
  const TRecordFactory* factory = reader.Factory();
  std::unique_ptr<TBaseRecord> record =
      factory != nullptr ? factory->Create(header.id, std::move(data))
                         : std::make_unique<TBaseRecord>(header.id, std::move(data));
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
      if (factory == nullptr || record->Id() != rid::kFormula) throw XlsError(msg::kFileInvalid);
      reader.ReadHeader(next);
      factory->AttachTable(*record, ReadRecord(reader, next));
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
