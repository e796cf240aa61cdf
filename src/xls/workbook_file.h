#pragma once
// Opening and saving a workbook file the way the report engine does: the whole compound
// document is read into a storage list, its "Workbook" stream is loaded into the model, and a
// save writes every other element back unchanged around a fresh "Workbook" stream.
#include <cstdint>
#include <string>
#include <vector>

#include "xls/compound_file/xls_storage.h"
#include "xls/workbook.h"

namespace chronolin {

// Raises the storage layer's messages ("The file \"%s\" is invalid", "Can't open Stream
// \"%s\"") or the model's.
void LoadWorkbookFile(const std::string& file_name, TXlsStorageList& storages, TWorkbook& workbook);
// Frees the storages' copy of the workbook stream once the model holds it: a save writes the
// model's records, never that copy.
void DropWorkbookStream(TXlsStorageList& storages);
std::vector<std::uint8_t> SaveWorkbookStream(TWorkbook& workbook);
// Fails if the file exists; nothing is left behind when the save fails.
void SaveWorkbookFile(const std::string& file_name, const TXlsStorageList& storages,
                      TWorkbook& workbook);

}  // namespace chronolin
