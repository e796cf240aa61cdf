#pragma once
// Reads the body of a record and of its CONTINUE chain as one sequence of fields: the one reader
// of everything the format lets run on past a record (strings, text boxes, drawings, tables).
// Every read is checked against the bytes that are really there; running out raises "Error
// reading record".
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "xls/records/biff_record.h"

namespace chronolin {

class TRecordChainReader {
 public:
  // The record that carries on when a chain is used up (a drawing runs on in further records
  // of its id); it stays valid until the next call. Throws when there is none.
  using TNextRecord = std::function<const TBaseRecord&()>;

  TRecordChainReader(const TBaseRecord& record, std::size_t offset, TNextRecord next = nullptr);

  std::uint8_t Read8();
  std::uint16_t Read16();
  std::uint32_t Read32();
  // Byte-exact across record boundaries.
  void ReadBytes(std::uint8_t* out, std::size_t n);
  // Appends n bytes as they arrive: nothing is allocated ahead for a length read from a file.
  void ReadAppend(std::vector<std::uint8_t>& out, std::uint64_t n);
  void Skip(std::size_t n);

  // Bytes left in the current record, and in the whole chain from here.
  std::size_t LeftInRecord() const { return record_->DataSize() - offset_; }
  std::uint64_t LeftInChain() const { return left_in_chain_; }
  bool HasNextRecord() const { return record_->Continue() != nullptr || next_; }
  // Moves to offset 0 of the next CONTINUE record (or of the record that carries on); throws
  // when there is none.
  void NextRecord();
  // Moves on while the current record is exhausted and another follows.
  void SkipExhausted();
  const TBaseRecord& Record() const { return *record_; }
  std::size_t Offset() const { return offset_; }

 private:
  void Start(const TBaseRecord& record, std::size_t offset);

  const TBaseRecord* record_ = nullptr;
  std::size_t offset_ = 0;
  std::uint64_t left_in_chain_ = 0;  // kept as reads go: a chain can have thousands of links
  TNextRecord next_;
};

}  // namespace chronolin
