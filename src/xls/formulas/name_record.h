#pragma once
// Defined names (NAME records): options, name length (byte at 3), token length (16-bit at
// 4), sheet index (16-bit at 8, 1-based, 0 for a global name), name option byte at 14, the
// name's characters from 15, then the tokens.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "xls/formulas/references.h"
#include "xls/formulas/token_shift.h"
#include "xls/records/record_list.h"

namespace chronolin {

// The rectangle a name's single 3-D area covers; every field is -1 for any other name.
struct TNamedRange {
  int sheet = -1;
  int first_row = -1;
  int last_row = -1;
  int first_column = -1;
  int last_column = -1;
};

class TNameRecord final : public TBaseRecord {
 public:
  // The name's characters must lie in the body.
  TNameRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }

  std::uint16_t Options() const { return Get16(0); }
  bool IsBuiltIn() const { return (Options() & 0x0020) != 0; }
  std::uint16_t SheetIndex() const { return Get16(8); }
  // The name as stored; a built-in name is one character holding its code (6 = print area).
  std::u16string Name() const;
  std::size_t TokensOffset() const;
  std::uint16_t TokenLength() const { return Get16(4); }
  TNamedRange Range(const TReferences& references) const;

  // Editing: an unknown token raises "Error in Worksheet name: \"%s\". Token Id: 0x%2x".
  void SetSheetIndex(std::uint16_t index) { Set16(8, index); }
  void ShiftRows(const tokens::TRowShift& shift);
  void CheckTokens() const;
  // 3-D references to `from_sheet` now name EXTERNSHEET entry `to_ref`.
  void RedirectSheet(int from_sheet, std::uint16_t to_ref, const TReferences& references);
  // Name tokens follow the names' new numbers (see tokens::RenumberNames).
  void RenumberNames(const std::map<std::uint16_t, std::uint16_t>& renumbered);
  // Its only token is a 3-D area on this sheet.
  bool IsAreaOnSheet(int sheet, const TReferences& references) const;

 private:
  [[noreturn]] void ThrowToken(std::uint8_t id) const;
};

class TNameRecordList : public TBaseRecordList {
 public:
  TNameRecord* Name(std::size_t i) const { return static_cast<TNameRecord*>((*this)[i]); }
  void ShiftRows(const tokens::TRowShift& shift);
  void CheckTokens() const;
  // n copies of sheet s inserted at p (s counted before the insertion): local names of later
  // sheets follow them, and each copy gets its own clone of the names local to s or naming
  // only an area of s (a print area, say). Returns, per copy, the old (1-based) numbers of
  // the local names of s with the numbers of that copy's clones.
  std::vector<std::map<std::uint16_t, std::uint16_t>> InsertSheets(int s, int p, int n,
                                                                   TReferences& references,
                                                                   std::size_t sheet_count);
  // Raises what InsertSheets would refuse (sheet numbers past their limit, a name to copy whose
  // tokens the walker cannot step over), changing nothing.
  void CheckInsertSheets(int s, int p, int n, const TReferences& references) const;

 private:
  std::vector<std::size_t> NamesToCopy(int s, const TReferences& references) const;
};

}  // namespace chronolin
