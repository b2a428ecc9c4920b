#pragma once
// Tool buttons and menu items over actions, as the tools windows build their toolbars and menus, and the
// "Tarnbel" toolbar and menu that show the launcher's window actions.
#include <string>
#include <vector>

#include "action.h"
#include "menus.h"
#include "tool_windows.h"
#include "toolbar.h"

// One button per action on bar, owned by owner; a null action stands for a separator.
void AddToolButtons(ui::TComponent* owner, ui::TToolBar* bar, const std::vector<ui::TAction*>& actions);
// An item of the action under parent; without an action a plain item of that caption, "-" when empty.
ui::TMenuItem* AddMenuItem(ui::TComponent* owner, ui::TMenuItem* parent, ui::TAction* action,
                           const std::string& caption = "");
// One item per action under parent; a null action stands for a separator.
void AddMenuItems(ui::TComponent* owner, ui::TMenuItem* parent, const std::vector<ui::TAction*>& actions);

// Adds the launcher's windows but the one showing them (own, e.g. &TLauncherActions::MappingsEditor), a
// separator and the about box: buttons on bar, items under menu. Without a launcher nothing; a null bar or
// menu is passed over.
void AddTarnbelActions(TLauncherOps* launcher, ui::TAction* TLauncherActions::*own, ui::TComponent* owner,
                       ui::TToolBar* bar, ui::TMenuItem* menu);
