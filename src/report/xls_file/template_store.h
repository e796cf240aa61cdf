#pragma once
// Template stores: a source of template documents kept in memory, so that a program running the
// same report many times reads its template once (or ships it inside itself).
#include <map>
#include <memory>
#include <string>

#include "report/component.h"
#include "xls/compound_file/xls_storage.h"

namespace chronolin {

class TXlsBaseTemplateStore : public TComponent {
 public:
  using TComponent::TComponent;
  // The streams of the template of that name. The store keeps them: the caller only borrows
  // them while the store lives. Raises the store's own error for a name it cannot give.
  virtual const TXlsStorageList& GetStorages(const std::string& fileName) = 0;
};

// Reads each template from disk on first use (found like an opened template) and keeps it.
class TXlsTemplateStore : public TXlsBaseTemplateStore {
 public:
  using TXlsBaseTemplateStore::TXlsBaseTemplateStore;
  const TXlsStorageList& GetStorages(const std::string& fileName) override;
  // Adds or replaces a template held in memory (a compound document's bytes) under a name.
  void AddTemplate(const std::string& fileName, std::vector<uint8_t> document);
  void Clear() { templates_.clear(); }

 private:
  std::map<std::string, std::unique_ptr<TXlsStorageList>> templates_;
};

}  // namespace chronolin
