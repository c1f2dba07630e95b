// SPDX-License-Identifier: MIT
// Ownership and naming of components.
#include "components/TComponent.h"

#include <algorithm>
#include <cassert>

#include "components/Exception.h"

TComponent::TComponent(TComponent* owner) : FOwner(owner) {}

TComponent::~TComponent() {
  FDestroying = true;
  DestroyComponents();
}

void TComponent::DestroyComponents() {
  FDestroying = true;
  while (!FComponents.empty()) {
    TComponent* last = FComponents.back().get();
    ComponentRemoving(last);
    // Take it out of the list before it dies, so nothing can reach it half-destroyed.
    std::unique_ptr<TComponent> doomed = std::move(FComponents.back());
    FComponents.pop_back();
    doomed.reset();
  }
}

void TComponent::SetName(const std::string& name) {
  if (name == FName) return;
  if (FOwner && !name.empty()) {
    TComponent* other = FOwner->FindComponent(name);
    if (other && other != this) throw EComponentError("A component named " + name + " already exists");
  }
  FName = name;
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) throw EListError::IndexOutOfBounds(index);
  return FComponents[size_t(index)].get();
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (const auto& c : FComponents)
    if (c->FName == name) return c.get();
  return nullptr;
}

void TComponent::InsertComponent(std::unique_ptr<TComponent> child, const std::string& name) {
  assert(child->FOwner == this && "a component is added to the owner it was constructed with");
  TComponent* raw = child.get();
  raw->SetName(name);  // checks uniqueness while the newcomer is not yet in the list
  FComponents.push_back(std::move(child));
  ComponentInserted(raw);
}

void TComponent::DestroyComponent(TComponent* component) {
  auto it =
      std::find_if(FComponents.begin(), FComponents.end(), [component](const auto& p) { return p.get() == component; });
  assert(it != FComponents.end() && "DestroyComponent: not owned by this component");
  if (it == FComponents.end()) return;
  ComponentRemoving(component);
  std::unique_ptr<TComponent> doomed = std::move(*it);
  FComponents.erase(it);
  doomed.reset();
}
