#include "report/data_module.h"

#include <algorithm>

#include "common/text_codec.h"

namespace chronolin {

void TDataModule::PublishProperty(std::string name, std::function<Variant()> get) {
  for (auto& property : properties_) {
    if (EqualsIgnoreCase(property->Name, name)) {
      property->Name = std::move(name);
      property->Get = std::move(get);
      return;
    }
  }
  properties_.push_back(std::make_unique<TPropInfo>(TPropInfo{std::move(name), std::move(get)}));
}

void TDataModule::PublishValue(std::string name, Variant value) {
  PublishProperty(std::move(name), [value = std::move(value)] { return value; });
}

void TDataModule::UnpublishProperty(std::string_view name) {
  std::erase_if(properties_, [name](const auto& p) { return EqualsIgnoreCase(p->Name, name); });
}

const TPropInfo* TDataModule::FindPublishedProperty(std::string_view name) const {
  for (const auto& property : properties_) {
    if (EqualsIgnoreCase(property->Name, name)) return property.get();
  }
  return nullptr;
}

}  // namespace chronolin
