// libFuzzer target: compound-file bytes → storage tree. A document that reads must also write
// back (unless a name is one we refuse to write) and read again.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "xls/compound_file/ole2_storage.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_storage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace chronolin;
  TXlsStorageList tree;
  try {
    tree.LoadFromMemory(std::vector<uint8_t>(data, data + size), "fuzz.xls");
  } catch (const XlsError&) {
    return 0;
  }
  std::vector<uint8_t> written;
  try {
    TOle2Storage storage(written);
    for (size_t i = 0; i < tree.Count(); ++i) tree.Item(i).Save(storage);
    storage.Finish();
  } catch (const XlsError&) {
    return 0;  // e.g. a name with a character the format forbids
  }
  TXlsStorageList again;
  again.LoadFromMemory(std::move(written), "rewritten.xls");  // must not throw
  return 0;
}
