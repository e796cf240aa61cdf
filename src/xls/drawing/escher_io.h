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
#include "xls/records/record_chain_reader.h"

namespace chronolin {

// The drawing bytes as one sequence: when the current record and its CONTINUE chain are used
// up, the next BIFF record must be another one of the same id ("File invalid" otherwise).
class TEscherPieceReader {
 public:
  TEscherPieceReader(TBiffReader& reader, std::unique_ptr<TBaseRecord> first);
  void Read(std::uint8_t* out, std::size_t n) { chain_.ReadBytes(out, n); }
  void ReadAppend(std::vector<std::uint8_t>& out, std::uint64_t n) { chain_.ReadAppend(out, n); }
  // The current record and its chain are fully read.
  bool PieceExhausted() const { return chain_.LeftInChain() == 0; }
  TBiffReader& Stream() { return reader_; }

 private:
  const TBaseRecord& NextPiece();

  TBiffReader& reader_;
  std::uint16_t id_;
  std::unique_ptr<TBaseRecord> piece_;
  TRecordChainReader chain_;
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

}  // namespace chronolin
