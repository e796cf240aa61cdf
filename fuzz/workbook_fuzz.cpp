// libFuzzer target for the workbook loader and the edits the report drives: the input is a
// "Workbook" stream. A load either succeeds or raises the model's error; what loads must save,
// and what it saves must load. Then a sheet is copied, rows are copied, a comment edited and
// rows copied again and deleted (each edit may refuse with the model's error); what is saved
// after them must load again.
#include <cstddef>
#include <cstdint>
#include <span>

#include "xls/compound_file/xls_error.h"
#include "xls/records/biff_stream.h"
#include "xls/workbook.h"

namespace {

template <class F>
void Try(F&& f) {
  try {
    f();
  } catch (const chronolin::XlsError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chronolin;
  TWorkbook workbook;
  try {
    workbook.Load(std::span<const std::uint8_t>(data, size));
  } catch (const XlsError&) {
    return 0;
  }
  TMemoryOutStream out;
  try {
    workbook.Save(out);
  } catch (const XlsError&) {
    return 0;  // loadable but not savable: a workbook without its globals, for instance
  }
  TWorkbook again;
  again.Load(out.Bytes());
  TMemoryOutStream second;
  again.Save(second);
  if (second.Bytes() != out.Bytes()) __builtin_trap();

  // The edits, with rows and counts taken from the input's last bytes.
  const std::uint8_t a = data[size - 1];
  const std::uint8_t b = size > 1 ? data[size - 2] : 0;
  int sheet = 0;
  while (static_cast<std::size_t>(sheet) < again.SheetCount() && !again.IsWorksheet(sheet)) ++sheet;
  Try([&] { again.InsertSheets(sheet, static_cast<int>(again.SheetCount()), 1 + (b & 1)); });
  Try([&] { again.InsertAndCopyRows(sheet, a % 8, a % 8 + b % 3, a % 32 + 4, 1 + b % 4, a & 1); });
  // A copied comment edited, then copied again with its neighbours.
  if (static_cast<std::size_t>(sheet) < again.SheetCount()) {
    Try([&] { again.WorkSheet(sheet)->SetCommentText(a % 32 + 4, 0, u"edited"); });
  }
  Try([&] { again.InsertAndCopyRows(sheet, a % 32 + 3, a % 32 + 5, b % 8, 1 + (a >> 6), false); });
  Try([&] { again.DeleteRows(sheet, b % 16, 1 + a % 8); });
  TMemoryOutStream edited;
  try {
    again.Save(edited);
  } catch (const XlsError&) {
    return 0;
  }
  TWorkbook reread;
  reread.Load(edited.Bytes());
  return 0;
}
