#pragma once
// The small object model the report classes share: a base for anything passed as an event's
// Sender, and non-visual components with a name, an owner that lists them, and removal
// notices, so that a reference to a component (a report's adapter, a table's master) is cleared
// when that component goes away. An owner only lists its components; whoever created a
// component keeps it (members or unique_ptr), so destruction order stays explicit.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/variant.h"

namespace chronolin {

class IXlsDataSet;

// A property a component publishes by name: reading it gives a Variant (arrays included).
struct TPropInfo {
  std::string Name;
  std::function<Variant()> Get;
};

class TObject {
 public:
  virtual ~TObject() = default;
};

enum class TOperation { opInsert, opRemove };

class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner = nullptr);
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  // Tells the owner (and through it every sibling), every component that asked for a free
  // notice and the components it lists that this one is going; these are left without owner.
  ~TComponent() override;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  TComponent* Owner() const { return owner_; }
  std::size_t ComponentCount() const { return components_.size(); }
  TComponent* Components(std::size_t index) const { return components_[index]; }
  // The listed component of that name, compared ignoring case; nullptr when there is none.
  TComponent* FindComponent(std::string_view name) const;

  // `component` gets Notification(this, opRemove) when this one is destroyed, even when the
  // two have different owners. Both sides forget each other when either goes.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // The data-set interface of this component, or nullptr when it has none.
  virtual IXlsDataSet* AsXlsDataSet() { return nullptr; }
  // The published property of that name (compared ignoring case), or nullptr.
  virtual const TPropInfo* FindPublishedProperty(std::string_view /*name*/) const {
    return nullptr;
  }

 protected:
  // Called on the owner when one of its components goes, then forwarded to every component it
  // lists; also called on each component that asked for a free notice. Overrides clear their
  // references to `component` and call the base.
  virtual void Notification(TComponent* component, TOperation operation);

 private:
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  static void Erase(std::vector<TComponent*>& list, TComponent* component);

  std::string name_;
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
};

}  // namespace chronolin
