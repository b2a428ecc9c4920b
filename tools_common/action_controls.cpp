#include "action_controls.h"

using namespace ui;

void AddToolButtons(TComponent* owner, TToolBar* bar, const std::vector<TAction*>& actions) {
  for (TAction* action : actions) {
    auto* button = new TToolButton(owner);
    if (action) {
      button->SetAction(action);
      button->SetShowHint(true);
    } else {
      button->SetStyle(tbsSeparator);
    }
    button->SetParent(bar);
  }
}

TMenuItem* AddMenuItem(TComponent* owner, TMenuItem* parent, TAction* action, const std::string& caption) {
  auto* item = new TMenuItem(owner);
  if (action) item->SetAction(action);
  else item->SetCaption(caption.empty() ? "-" : caption);
  parent->Add(item);
  return item;
}

void AddMenuItems(TComponent* owner, TMenuItem* parent, const std::vector<TAction*>& actions) {
  for (TAction* action : actions) AddMenuItem(owner, parent, action);
}

void AddTarnbelActions(TLauncherOps* launcher, TAction* TLauncherActions::*own, TComponent* owner, TToolBar* bar,
                       TMenuItem* menu) {
  if (!launcher) return;
  const TLauncherActions all = launcher->WindowActions();
  std::vector<TAction*> actions;
  for (TAction* TLauncherActions::*window : {&TLauncherActions::Monitor, &TLauncherActions::MappingsManager,
                                             &TLauncherActions::MappingsEditor, &TLauncherActions::Preferences})
    if (window != own) actions.push_back(all.*window);
  actions.push_back(nullptr);
  actions.push_back(all.About);
  if (bar) AddToolButtons(owner, bar, actions);
  if (menu) AddMenuItems(owner, menu, actions);
}
