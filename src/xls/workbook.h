#pragma once
// The in-memory form of one BIFF8 workbook stream: the globals and the sheets in stream
// order. Sheet indexes are 0-based here.
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "xls/drawing/chart.h"
#include "xls/globals/workbook_globals.h"
#include "xls/sheet/worksheet.h"

namespace chronolin {

class TWorkbook {
 public:
  TWorkbook() = default;
  TWorkbook(const TWorkbook&) = delete;
  TWorkbook& operator=(const TWorkbook&) = delete;
  ~TWorkbook();

  // Clears the model and reads the stream from its start. Zero bytes after the last EOF end
  // the stream. On error the model is left partly filled: the caller abandons it.
  void Load(std::span<const std::uint8_t> stream);
  // Drops unused shared strings, sets every BOUNDSHEET offset, then writes the whole stream.
  void Save(TOutStream& out);
  void Clear();

  std::size_t SheetCount() const { return sheets_.size(); }
  TSheet& Sheet(std::size_t i) const { return *sheets_[i]; }
  bool IsWorksheet(std::size_t i) const { return sheets_[i]->IsWorksheet(); }
  TWorkSheet* WorkSheet(std::size_t i) const { return dynamic_cast<TWorkSheet*>(sheets_[i].get()); }
  std::u16string SheetName(std::size_t i) const { return globals_.BoundSheets().SheetName(i); }
  // From WINDOW1 (active tab at offset 10); 0 without WINDOW1.
  std::size_t ActiveSheet() const;
  // Sheet i becomes the active and only selected sheet of the saved file.
  void SelectSheet(std::size_t i);
  // Raises "Sheet name already exist: %s" for a name another sheet has.
  void SetSheetName(std::size_t i, std::u16string_view name);
  std::uint16_t SheetOptions(std::size_t i) const { return globals_.BoundSheets()[i].Options(); }

  // Editing (0-based sheets and rows). Arguments are checked before anything changes: "Sheet
  // number \"%d\" invalid. Must be between %d and %d", "Ivalid arguments to call
  // InsertAndCopyRows"; a formula or name the reference walker cannot adjust is refused with
  // its message, also before anything changes.
  // Copies rows first..last `count` times to `dest`, after inserting the rows they need.
  void InsertAndCopyRows(int sheet, int first, int last, int dest, int count, bool formulas_only);
  void DeleteRows(int sheet, int first, int count);
  // `count` copies of sheet `source` at `position`, named from "Sheet".
  void InsertSheets(int source, int position, int count);

  TWorkbookGlobals& Globals() { return globals_; }
  const TWorkbookGlobals& Globals() const { return globals_; }

 private:
  // Declared first so that it outlives the sheets, whose cells hold its strings.
  TWorkbookGlobals globals_;
  bool globals_loaded_ = false;
  std::vector<std::unique_ptr<TSheet>> sheets_;

  TWorkSheet& CheckedWorkSheet(int sheet) const;
  void CheckAllFormulas() const;
  void ShiftAllFormulas(int sheet, int first, int delta);
};

}  // namespace chronolin
