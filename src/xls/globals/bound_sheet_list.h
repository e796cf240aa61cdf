#pragma once
// The BOUNDSHEET records (one per sheet, in sheet order) and the sorted list of sheet names
// used to refuse duplicates and to make fresh names for copied sheets.
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "xls/globals/globals_records.h"
#include "xls/records/record_list.h"

namespace chronolin {

class TBoundSheetList {
 public:
  // A name already present raises "Sheet name already exist: %s".
  void Add(std::unique_ptr<TBoundSheetRecord> record);
  std::size_t Count() const { return records_.Count(); }
  // A sheet the file has no BOUNDSHEET for raises the file-invalid error.
  TBoundSheetRecord& operator[](std::size_t i) const;
  std::u16string SheetName(std::size_t i) const { return (*this)[i].Name(); }
  // A new BOUNDSHEET at `index` with a fresh name from `base` and these options.
  void InsertNew(std::size_t index, std::u16string_view base, std::uint16_t options);
  // Rewrites the record's name (its body becomes 6 + the string's size). A name spreadsheet
  // programs refuse (empty, over 31 characters, holding one of []:*?/\) raises "Invalid sheet
  // name: %s"; one another sheet has, ignoring case, "Sheet name already exist: %s".
  void Rename(std::size_t i, std::u16string_view name);
  // The name for a new sheet of base text b: b itself when no name has that base, else b
  // followed by the next free number; names differing only by case count as taken. The name
  // is reserved.
  std::u16string FreshName(std::u16string_view base);
  void Clear();

  void SaveToStream(TOutStream& out) const { records_.SaveToStream(out); }
  std::int64_t TotalSize() const { return records_.TotalSize(); }

 private:
  struct NameEntry {
    std::u16string base;
    std::uint32_t number = 0;
    std::u16string full;  // base, then the number unless it is 0
  };
  // Length first, then code unit by code unit: case-sensitive.
  struct Less {
    using is_transparent = void;
    static bool Before(std::u16string_view a, std::u16string_view b);
    bool operator()(const NameEntry& a, const NameEntry& b) const { return Before(a.full, b.full); }
    bool operator()(const NameEntry& a, std::u16string_view b) const { return Before(a.full, b); }
    bool operator()(std::u16string_view a, const NameEntry& b) const { return Before(a, b.full); }
  };
  static NameEntry MakeEntry(std::u16string base, std::uint32_t number);
  // A reserved name equal to `name` ignoring case, other than `except` itself.
  bool Taken(std::u16string_view name, std::u16string_view except = {}) const;

  TBaseRecordList records_;
  std::set<NameEntry, Less> names_;
};

}  // namespace chronolin
