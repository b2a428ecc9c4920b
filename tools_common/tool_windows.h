#pragma once
// The windows the launcher opens, each at most once. Each later window registers its maker here; an
// empty maker means the window is not part of this build, and its action stays disabled.
#include <windows.h>

#include <functional>
#include <string>

#include "action.h"
#include "form.h"
#include "image_list.h"
#include "route_record.h"

// What the launcher asks of the mapping editor beyond being a form.
class TEditorWindowOps {
 public:
  virtual ~TEditorWindowOps() = default;
  // Opens the mapping (the no-mapping marker lets the user choose); false when the editor cannot start.
  virtual bool InitEditor(const std::string& mapping) = 0;
  virtual void SwitchToMapping(const std::string& mapping) = 0;
  // The name of the mapping being edited; the choose-mapping dialog starts on it.
  virtual std::string CurrentMapping() const { return std::string(); }
  virtual void ShowToolbarsAndPanels() = 0;
  virtual void SetPreviewMode(bool on) = 0;
  // True while something is being previewed.
  virtual bool Previewing() const = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  // The actions whose visibility follows the host actions, and the toolbar that shows them.
  virtual ui::TActionList* ExportActionList() = 0;
  virtual ui::TWinControl* ExportToolbar() = 0;
};

// What the launcher asks of the mappings manager beyond being a form.
class TManagerWindowOps {
 public:
  virtual ~TManagerWindowOps() = default;
  virtual void ReloadMappings() = 0;
  virtual ui::TActionList* ExportActionList() = 0;
  virtual ui::TWinControl* ExportToolbar() = 0;
};

// What the once-windows ask of the launcher (the program's hidden message window): its window actions,
// which their "Tarnbel" menus and toolbars show, its images, and its notices.
struct TLauncherActions {
  ui::TAction* Monitor = nullptr;
  ui::TAction* MappingsManager = nullptr;
  ui::TAction* MappingsEditor = nullptr;
  ui::TAction* Preferences = nullptr;
  ui::TAction* About = nullptr;
};

class TLauncherOps {
 public:
  virtual ~TLauncherOps() = default;
  virtual TLauncherActions WindowActions() = 0;
  virtual ui::TImageList* ActionImages() = 0;
  virtual ui::TImageList* GrayActionImages() = 0;
  // Reloads the open manager's list and tells the server that the mappings changed.
  virtual void PostMappingsChanged() = 0;
  // Shows the export actions of the checked hosts, hides the others, re-lays the toolbar when given.
  virtual void ApplyExportVisibility(ui::TActionList* list, ui::TWinControl* toolbar) = 0;
  // Starts the server beside the program; with wait, true once its window is there.
  virtual bool RunServer(bool wait) = 0;
  // Names the mapping the editor opens next and runs the editor action.
  virtual void EditMapping(const std::string& mapping) = 0;
};

// The launcher while it exists; null before and after.
extern TLauncherOps* Launcher;

using TFormMaker = std::function<ui::TForm*(ui::TComponent* owner)>;

struct TToolWindowMakers {
  TFormMaker Manager;
  TFormMaker Editor;  // the form also implements TEditorWindowOps
  TFormMaker Preferences;
  TFormMaker About;
  // Checks every stored mapping and shows the result; runs modally. The requester gets a request back that
  // had to wait; the window the user asked from (null: the requester) owns the check's dialogs and boxes.
  std::function<void(ui::TComponent* requester, ui::TForm* asker)> CheckIntegrity;
  // Runs "-INSTALL", "-UNINSTALL" or "-REINSTALL" and gives the exit code of the process: 0, or 1 after
  // a box that reported a failure.
  std::function<int(const std::string& command)> Setup;
  // The route dialog: starts with the route's names selected; true and the chosen names on OK.
  std::function<bool(ui::TComponent* owner, RouteRecord& route)> ChooseRoute;
};

extern TToolWindowMakers ToolWindowMakers;

// Posts a window's closed message (WM_TB_EDITOR_CLOSED and the like) to the monitor, again at once
// while the post fails and the monitor's window still exists. Every once-window calls it from its
// close query.
void PostClosedMessage(UINT id);
