#pragma once
// TComponent: ownership, names and free notifications.
#include <cstdint>
#include <string>
#include <vector>

#include "object.h"

namespace ui {

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
  UI_CLASS(TComponent, TPersistent)
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  // Runs the destroying step while the object is whole, then deletes it.
  void Free();

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  // Names are identifiers, unique among the owner's components without regard to case.
  void SetName(const std::string& name);
  intptr_t Tag() const { return FTag; }
  void SetTag(intptr_t tag) { FTag = tag; }

  int ComponentCount() const { return int(FComponents.size()); }
  TComponent* Components(int index) const { return FComponents.at(size_t(index)); }
  int ComponentIndex() const;
  TComponent* FindComponent(const std::string& name) const;
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  // Two-way: either side's freeing removes the link, and the survivor hears Notification(opRemove).
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  bool IsLoading() const { return FLoading; }
  bool IsDestroying() const { return FDestroying; }
  bool IsDesigning() const { return false; }
  // Built in code: the builder sets the flag, makes the parts, then calls Loaded() once.
  void BeginLoading() { FLoading = true; }
  virtual void Loaded();

  virtual void Notification(TComponent* component, TOperation operation);

 protected:
  // The destroying step: flag, free notifications, owned components (last first), removal from the owner.
  // Overrides do their own part first and end by calling the base.
  virtual void Destroying();

 private:
  void DestroyingBase();
  void Insert(TComponent* c);
  void Remove(TComponent* c);

  TComponent* FOwner = nullptr;
  std::string FName;
  intptr_t FTag = 0;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  bool FLoading = false;
  bool FDestroying = false;
  bool FDestroyStepDone = false;
};

// Frees a component that has no owner when the holder goes out of scope.
struct TFreeDeleter {
  void operator()(TComponent* c) const {
    if (c) c->Free();
  }
};

}  // namespace ui
