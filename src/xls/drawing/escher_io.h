#pragma once
// Reading an Office drawing tree whose bytes are spread over a run of BIFF records
// (MSODRAWINGGROUP or MSODRAWING with their CONTINUE records), and writing one back as bytes.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "xls/drawing/escher_record.h"
#include "xls/records/biff_record.h"
#include "xls/records/biff_stream.h"

namespace chronolin {

// The drawing bytes as one sequence: when the current record and its CONTINUE chain are used
// up, the next BIFF record must be another one of the same id ("File invalid" otherwise).
class TEscherPieceReader {
 public:
  TEscherPieceReader(TBiffReader& reader, std::unique_ptr<TBaseRecord> first);
  void Read(std::uint8_t* out, std::size_t n);
  // Appends n bytes as they arrive: nothing is allocated ahead for a length read from a file.
  void ReadAppend(std::vector<std::uint8_t>& out, std::uint64_t n);
  // The current record and its chain are fully read.
  bool PieceExhausted() const;
  TBiffReader& Stream() { return reader_; }

 private:
  void NextPiece();

  TBiffReader& reader_;
  std::uint16_t id_;
  std::unique_ptr<TBaseRecord> piece_;
  const TBaseRecord* current_;
  std::size_t offset_ = 0;
};

// Called after a ClientData or ClientTextbox atom has been read in full.
using TClientAtomHook = std::function<void(TEscherRecord&)>;

// Reads one record (a whole container with its children). Nesting deeper than any drawing
// needs, or a child larger than its container, is refused as an invalid file.
std::unique_ptr<TEscherRecord> ReadEscherRecord(TEscherPieceReader& source,
                                                const TClientAtomHook& hook);

// Appends the record's bytes; the hook runs after each client atom, and may take the bytes
// gathered so far.
void WriteEscherRecord(const TEscherRecord& record, std::vector<std::uint8_t>& out,
                       const std::function<void(const TEscherRecord&)>& hook);

// Writes bytes as a first record of `id` followed by records of `next_id`, none with a body
// over the BIFF8 limit. Returns the bytes written.
std::int64_t WriteSplitRecords(TOutStream* out, std::uint16_t id, std::uint16_t next_id,
                               const std::vector<std::uint8_t>& bytes);

}  // namespace chronolin
