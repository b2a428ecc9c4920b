#include "component.h"

#include <algorithm>

#include "sys_utils.h"
#include "text_compare.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TComponent, UI_PROP(String, "Name", Name, SetName), UI_PROP(Integer, "Tag", Tag, SetTag))

static bool IsValidIdent(const std::string& s) {
  if (s.empty()) return false;
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!alpha(s[0])) return false;
  for (char c : s)
    if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Deleted without Free: do the base part of the step here (no virtual calls in a destructor).
  if (!FDestroyStepDone) DestroyingBase();
}

void TComponent::Free() {
  FDestroying = true;  // seen by everything the destroying step sets off
  if (!FDestroyStepDone) Destroying();
  delete this;
}

void TComponent::Destroying() { DestroyingBase(); }

void TComponent::DestroyingBase() {
  FDestroyStepDone = true;
  FDestroying = true;
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    auto& theirs = other->FFreeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    other->Notification(this, opRemove);
  }
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    if (c->FDestroyStepDone) {
      Remove(c);  // already on its way out
      continue;
    }
    c->Free();
  }
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::SetName(const std::string& name) {
  if (name == FName) return;
  if (!name.empty() && !IsValidIdent(name))
    throw EComponentError(Format("'%s' is not a valid component name", name.c_str()));
  if (FOwner && !name.empty()) {
    TComponent* other = FOwner->FindComponent(name);
    if (other && other != this)
      throw EComponentError(Format("A component named %s already exists", name.c_str()));
  }
  FName = name;
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  auto& list = FOwner->FComponents;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : int(it - list.begin());
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (AnsiSameText(c->FName, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component->FName.empty() && FindComponent(component->FName))
    throw EComponentError(Format("A component named %s already exists", component->FName.c_str()));
  if (component->FOwner) component->FOwner->Remove(component);
  Insert(component);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (component->FOwner != this) return;
  Remove(component);
  Notification(component, opRemove);
}

void TComponent::Insert(TComponent* c) {
  FComponents.push_back(c);
  c->FOwner = this;
}

void TComponent::Remove(TComponent* c) {
  FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), c), FComponents.end());
  c->FOwner = nullptr;
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
    FFreeNotifies.push_back(component);
  auto& theirs = component->FFreeNotifies;
  if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), component), FFreeNotifies.end());
  auto& theirs = component->FFreeNotifies;
  theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Loaded() { FLoading = false; }

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
  // The list may shrink while its members react.
  for (int i = int(FComponents.size()) - 1; i >= 0; --i) {
    if (i >= int(FComponents.size())) continue;
    FComponents[size_t(i)]->Notification(component, operation);
  }
}

}  // namespace ui
