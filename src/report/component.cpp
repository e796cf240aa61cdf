#include "report/component.h"

#include <algorithm>

#include "common/text_codec.h"

namespace chronolin {

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Each side of a free-notice pair forgets the other first, so no notice reaches a dead object.
  std::vector<TComponent*> notifies;
  notifies.swap(free_notifies_);
  for (TComponent* other : notifies) Erase(other->free_notifies_, this);
  for (TComponent* other : notifies) other->Notification(this, TOperation::opRemove);
  // Components that outlive their owner lose it and hear of it, so they drop references to it.
  std::vector<TComponent*> children;
  children.swap(components_);
  for (TComponent* child : children) child->owner_ = nullptr;
  for (TComponent* child : children) child->Notification(this, TOperation::opRemove);
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* component : components_) {
    if (EqualsIgnoreCase(component->name_, name)) return component;
  }
  return nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), component) == free_notifies_.end()) {
    free_notifies_.push_back(component);
    component->free_notifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr) return;
  Erase(free_notifies_, component);
  Erase(component->free_notifies_, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove) {
    // Copy: a component may react by dropping its own references, never by changing the list.
    const std::vector<TComponent*> children = components_;
    for (TComponent* child : children) {
      if (child != component) child->Notification(component, operation);
    }
  }
}

void TComponent::InsertComponent(TComponent* component) {
  component->owner_ = this;
  components_.push_back(component);
}

void TComponent::RemoveComponent(TComponent* component) {
  Erase(components_, component);
  component->owner_ = nullptr;
  Notification(component, TOperation::opRemove);
}

void TComponent::Erase(std::vector<TComponent*>& list, TComponent* component) {
  list.erase(std::remove(list.begin(), list.end(), component), list.end());
}

}  // namespace chronolin
