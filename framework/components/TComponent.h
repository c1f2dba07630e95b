// SPDX-License-Identifier: MIT
// The root of everything that lives on a form: an owner, a name and the components it owns.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "graphics/TObject.h"

// A component is created through its owner, which holds it and destroys it:
//
//   TLabel& label = form.Add<TLabel>("Label_Pos");
//
// The owner keeps its components in creation order (Components(i)); names are unique among the
// components of one owner, except that any number of them may have no name. A component made
// without an owner (a timer a control keeps for itself, say) belongs to whoever holds it.
//
// The exact class of a component can be tested with typeid(*component) == typeid(TImage).
class TComponent : public TObject {
public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }

  const std::string& Name() const { return FName; }
  // Throws EComponentError when a sibling already has this (non-empty) name.
  void SetName(const std::string& name);

  int ComponentCount() const { return int(FComponents.size()); }
  // The owned component at `index` in creation order; throws EListError outside 0..Count-1.
  TComponent* Components(int index) const;
  // The owned component with this name, or nullptr.
  TComponent* FindComponent(const std::string& name) const;

  // Creates a component owned by this one, under `name`, and returns it. The constructor of T
  // receives this owner first, then `args`.
  template <class T, class... Args>
  T& Add(const std::string& name, Args&&... args) {
    auto child = std::make_unique<T>(this, std::forward<Args>(args)...);
    T& ref = *child;
    InsertComponent(std::move(child), name);
    return ref;
  }
  // Destroys an owned component now (it must be one of this owner's).
  void DestroyComponent(TComponent* component);

  // Free for the program's own use.
  long Tag() const { return FTag; }
  void SetTag(long tag) { FTag = tag; }

  bool IsDestroying() const { return FDestroying; }

protected:
  // Destroys every owned component, last created first. A class whose components call back into
  // it while they die (a form, whose controls leave its control list) calls this at the start of
  // its own destructor, while its members are still alive.
  void DestroyComponents();
  // Called after a component was added to this owner, and before one of them is destroyed.
  virtual void ComponentInserted(TComponent* /*component*/) {}
  virtual void ComponentRemoving(TComponent* /*component*/) {}

private:
  void InsertComponent(std::unique_ptr<TComponent> child, const std::string& name);

  TComponent* FOwner;
  std::string FName;
  long FTag = 0;
  bool FDestroying = false;
  std::vector<std::unique_ptr<TComponent>> FComponents;
};
