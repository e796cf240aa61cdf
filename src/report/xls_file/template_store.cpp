#include "report/xls_file/template_store.h"

#include <utility>

#include "report/xls_file/template_search.h"

namespace chronolin {

const TXlsStorageList& TXlsTemplateStore::GetStorages(const std::string& fileName) {
  if (auto found = templates_.find(fileName); found != templates_.end()) return *found->second;
  auto list = std::make_unique<TXlsStorageList>();
  list->LoadFromFile(FindTemplateOrThrow(fileName));
  return *templates_.emplace(fileName, std::move(list)).first->second;
}

void TXlsTemplateStore::AddTemplate(const std::string& fileName, std::vector<uint8_t> document) {
  auto list = std::make_unique<TXlsStorageList>();
  list->LoadFromMemory(std::move(document), fileName);
  templates_[fileName] = std::move(list);
}

}  // namespace chronolin
