#include "action.h"

#include <algorithm>

#include "application.h"
#include "image_list.h"

namespace ui {

UI_CLASSINFO(TAction, UI_PROP(String, "Caption", Caption, SetCaption), UI_PROP(String, "Hint", Hint, SetHint),
             UI_PROP(Integer, "ShortCut", ShortCut, SetShortCut), UI_PROP_BOOL("Checked", Checked, SetChecked),
             UI_PROP_BOOL("Enabled", Enabled, SetEnabled), UI_PROP_BOOL("Visible", Visible, SetVisible),
             UI_PROP(Integer, "ImageIndex", ImageIndex, SetImageIndex))
UI_CLASSINFO(TActionList)

TShortCut ShortCut(WORD key, TSet32 shift) {
  TShortCut s = TShortCut(key & 0xFF);
  if (shift & (1u << ssShift)) s |= scShift;
  if (shift & (1u << ssCtrl)) s |= scCtrl;
  if (shift & (1u << ssAlt)) s |= scAlt;
  return s;
}

TAction::TAction(TComponent* owner) : TComponent(owner) {}

void TAction::Destroying() {
  SetActionList(nullptr);
  for (TControl* c : std::vector<TControl*>(FClients)) c->SetAction(nullptr);
  TComponent::Destroying();
}

void TAction::SetActionList(TActionList* list) {
  if (list == FActionList) return;
  if (FActionList) {
    auto& v = FActionList->FActions;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  FActionList = list;
  if (list) list->FActions.push_back(this);
}

void TAction::Changed() {
  for (TControl* c : std::vector<TControl*>(FClients)) c->ActionChange(this);
}

void TAction::SetCaption(const std::string& v) {
  if (v != FCaption) FCaption = v, Changed();
}
void TAction::SetHint(const std::string& v) {
  if (v != FHint) FHint = v, Changed();
}
void TAction::SetChecked(bool v) {
  if (v != FChecked) FChecked = v, Changed();
}
void TAction::SetEnabled(bool v) {
  if (v != FEnabled) FEnabled = v, Changed();
}
void TAction::SetVisible(bool v) {
  if (v != FVisible) FVisible = v, Changed();
}
void TAction::SetImageIndex(int v) {
  if (v != FImageIndex) FImageIndex = v, Changed();
}

bool TAction::Execute() {
  Update();
  if (!FEnabled) return false;
  bool handled = false;
  if (FActionList && FActionList->OnExecute) FActionList->OnExecute(this, handled);
  if (!handled && Application().OnActionExecute) Application().OnActionExecute(this, handled);
  if (!handled && OnExecute) {
    OnExecute(this);
    handled = true;
  }
  return handled;
}

bool TAction::Update() {
  bool handled = false;
  if (FActionList && FActionList->OnUpdate) FActionList->OnUpdate(this, handled);
  if (!handled && Application().OnActionUpdate) Application().OnActionUpdate(this, handled);
  if (!handled && OnUpdate) {
    OnUpdate(this);
    handled = true;
  }
  return handled;
}

void TAction::RegisterChanges(TControl* client) {
  if (std::find(FClients.begin(), FClients.end(), client) == FClients.end()) FClients.push_back(client);
}

void TAction::UnRegisterChanges(TControl* client) {
  FClients.erase(std::remove(FClients.begin(), FClients.end(), client), FClients.end());
}

TActionList::TActionList(TComponent* owner) : TComponent(owner) {}

void TActionList::Destroying() {
  for (TAction* a : std::vector<TAction*>(FActions)) a->SetActionList(nullptr);
  TComponent::Destroying();
}

void TActionList::SetImages(TImageList* images) {
  if (FImages) RemoveFreeNotification(FImages);
  FImages = images;
  if (images) FreeNotification(images);
}

void TActionList::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FImages) FImages = nullptr;
}

bool TActionList::IsShortCut(TShortCut shortCut) {
  if (!shortCut) return false;
  for (TAction* a : std::vector<TAction*>(FActions)) {
    if (a->ShortCut() != shortCut) continue;
    a->Update();
    if (a->Enabled() && a->Visible()) {
      a->Execute();
      return true;
    }
  }
  return false;
}

void TActionList::UpdateActions() {
  for (TAction* a : std::vector<TAction*>(FActions)) a->Update();
}

}  // namespace ui
