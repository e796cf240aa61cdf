#include "xls/workbook_file.h"

namespace chronolin {

void LoadWorkbookFile(const std::string& file_name, TXlsStorageList& storages,
                      TWorkbook& workbook) {
  storages.LoadFromFile(file_name);
  workbook.Load(storages.FindStream(kWorkbookStreamName));
}

void DropWorkbookStream(TXlsStorageList& storages) {
  for (std::size_t i = 0; i < storages.Count(); ++i) {
    if (storages.Item(i).Name() == kWorkbookStreamName) {
      std::vector<std::uint8_t>().swap(storages.Item(i).Data());
    }
  }
}

std::vector<std::uint8_t> SaveWorkbookStream(TWorkbook& workbook) {
  TMemoryOutStream out;
  workbook.Save(out);
  return out.Take();
}

void SaveWorkbookFile(const std::string& file_name, const TXlsStorageList& storages,
                      TWorkbook& workbook) {
  // The records are complete before the file is created: a failing save leaves no file.
  std::vector<std::uint8_t> stream = SaveWorkbookStream(workbook);
  storages.SaveToFile(file_name, std::move(stream));
}

}  // namespace chronolin
