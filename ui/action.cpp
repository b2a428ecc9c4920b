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

TActionLink::~TActionLink() { SetAction(nullptr); }

void TActionLink::SetAction(TAction* action) {
  if (action == FAction) return;
  if (FAction) {
    auto& links = FAction->FLinks;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
  }
  FAction = action;
  if (action) {
    action->FLinks.push_back(this);
    ActionChange(action);
  }
}

bool TActionLink::Execute() { return FAction && FAction->Execute(); }

bool TActionLink::Update() { return FAction && FAction->Update(); }

TAction::TAction(TComponent* owner) : TComponent(owner) {}

// Deleted without Free too: no client may keep the action.
TAction::~TAction() {
  DropLinks();
  SetActionList(nullptr);
}

void TAction::DropLinks() {
  // The clients keep their last state and forget the action.
  for (TActionLink* link : FLinks) link->FAction = nullptr;
  FLinks.clear();
}

void TAction::Destroying() {
  SetActionList(nullptr);
  DropLinks();
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
  // A client may leave (or be freed) while it follows the change.
  for (TActionLink* link : std::vector<TActionLink*>(FLinks))
    if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end()) link->ActionChange(this);
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
