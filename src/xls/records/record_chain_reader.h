#pragma once
// Reads the body of a record and of its CONTINUE chain as one sequence of fields. Every read is
// checked against the bytes that are really there; running out raises "Error reading record".
#include <cstddef>
#include <cstdint>

#include "xls/records/biff_record.h"

namespace chronolin {

class TRecordChainReader {
 public:
  TRecordChainReader(const TBaseRecord& record, std::size_t offset);

  std::uint8_t Read8();
  std::uint16_t Read16();
  std::uint32_t Read32();
  // Byte-exact across record boundaries.
  void ReadBytes(std::uint8_t* out, std::size_t n);
  void Skip(std::size_t n);

  // Bytes left in the current record, and in the whole chain from here.
  std::size_t LeftInRecord() const { return record_->DataSize() - offset_; }
  std::uint64_t LeftInChain() const { return left_in_chain_; }
  // Moves to offset 0 of the next CONTINUE record; throws when there is none.
  void NextRecord();
  // Moves on while the current record is exhausted and another follows.
  void SkipExhausted();
  const TBaseRecord& Record() const { return *record_; }
  std::size_t Offset() const { return offset_; }

 private:
  const TBaseRecord* record_;
  std::size_t offset_;
  std::uint64_t left_in_chain_ = 0;  // kept as reads go: a chain can have thousands of links
};

}  // namespace chronolin
