#pragma once
// The common part of worksheets and chart sheets: the workbook globals they refer to (shared
// strings, names) and their WINDOW2 record.
#include <memory>

#include "xls/records/section.h"
#include "xls/records/sheet_records.h"

namespace chronolin {

class TWorkbookGlobals;

class TSheet : public TBaseSection {
 public:
  explicit TSheet(TWorkbookGlobals& globals) : globals_(&globals) {}

  virtual bool IsWorksheet() const = 0;
  virtual std::unique_ptr<TSheet> Clone() const = 0;
  TWindow2Record* Window2() const { return window2_; }
  TWorkbookGlobals& Globals() const { return *globals_; }

 protected:
  void SetWindow2(TWindow2Record* window2) { window2_ = window2; }

 private:
  TWorkbookGlobals* globals_;
  TWindow2Record* window2_ = nullptr;  // owned by one of the sheet's lists
};

}  // namespace chronolin
