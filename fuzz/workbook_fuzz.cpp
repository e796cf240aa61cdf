// libFuzzer target for the workbook loader: the input is a "Workbook" stream. A load either
// succeeds or raises the model's error; what loads must save, and what it saves must load.
#include <cstddef>
#include <cstdint>
#include <span>

#include "xls/compound_file/xls_error.h"
#include "xls/records/biff_stream.h"
#include "xls/workbook.h"

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
  return 0;
}
