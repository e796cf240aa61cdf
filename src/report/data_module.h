#pragma once
// The object that plays a data module: the components created with it as owner are its data
// sets (a report finds them by name, ignoring case), and it publishes named properties that
// templates read with "#." tags.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "report/component.h"

namespace chronolin {

class TDataModule : public TComponent {
 public:
  using TComponent::TComponent;

  // Publishes (or replaces, names compared ignoring case) a property read through `get`; the
  // getter may throw, the report then says the property is not a variant.
  void PublishProperty(std::string name, std::function<Variant()> get);
  // A property holding a fixed value.
  void PublishValue(std::string name, Variant value);
  void UnpublishProperty(std::string_view name);

  const TPropInfo* FindPublishedProperty(std::string_view name) const override;

 private:
  std::vector<std::unique_ptr<TPropInfo>> properties_;
};

}  // namespace chronolin
