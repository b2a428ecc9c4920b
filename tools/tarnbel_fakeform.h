#pragma once
// TFakeForm: the tools program's hidden message window and window launcher. Its title is how the
// server and a second tools start find the program; it turns the server's reports into updates of the
// monitor and its actions open the program's windows, each at most once. Shown, it is the small
// "Loading . . ." splash.
#include <windows.h>

#include <string>

#include "KitHook.h"
#include "action.h"
#include "form.h"
#include "graphic_controls.h"
#include "image_list.h"
#include "tool_windows.h"

class TPresetsInCacheForm;

class TFakeForm : public ui::TForm, public TLauncherOps {
  UI_CLASS(TFakeForm, ui::TForm)
 public:
  explicit TFakeForm(ui::TComponent* owner);

  // The player's file name as the server last reported it.
  std::string FileName;

  // The splash.
  ui::TBevel* Bevel1;
  ui::TImage* Image1;
  ui::TLabel* Label1;

  ui::TImageList* ActionsImageList;
  ui::TImageList* GrayActionsImageList;
  TKitWindowHook* WindowHook;
  ui::TActionList* ActionList1;  // the window actions
  ui::TActionList* ActionList2;  // the host actions
  ui::TAction* CustomizeAction;
  ui::TAction* MonitorAction;
  ui::TAction* MappingsManagerAction;
  ui::TAction* MappingsEditorAction;
  ui::TAction* PreferencesAction;
  ui::TAction* AboutAction;
  ui::TAction* CakewalkAction;
  ui::TAction* CubaseAction;
  ui::TAction* EncoreAction;
  ui::TAction* EvolutionAction;
  ui::TAction* LogicAction;
  ui::TAction* MassivaAction;
  ui::TAction* QuartzAction;

  // Starts "tarnbel.exe" from the program's folder; with wait, until its window exists (at most
  // ServerStartTimeoutMs). False after the box "Can't run " + path, or when no window came.
  bool RunServer(bool wait) override;
  bool RunServerFile(const std::string& path, bool wait);
  DWORD ServerStartTimeoutMs = 10000;

  // Reloads the open manager's list and tells the server that the mappings changed.
  void PostMappingsChanged() override;
  // Shows in the list the export actions of the hosts that are checked, hides the others, and
  // re-lays the toolbar when one is given.
  void ApplyExportVisibility(ui::TActionList* list, ui::TWinControl* toolbar) override;
  TLauncherActions WindowActions() override;
  ui::TImageList* ActionImages() override { return ActionsImageList; }
  ui::TImageList* GrayActionImages() override { return GrayActionsImageList; }
  void EditMapping(const std::string& mapping) override;

  void ShowSplash();
  void HideSplash();

 protected:
  void Notification(ui::TComponent* component, ui::TOperation operation) override;
  void Destroying() override;

 private:
  enum TOnceWindow { owManager, owEditor, owPreferences, owAbout, owCount };

  void FormCreate();
  ui::TAction* AddAction(ui::TActionList* list, const char* name, const std::string& caption,
                         const std::string& hint, ui::TShortCut shortCut);
  void HookBeforeMessage(ui::TMessage& msg, bool& handled);
  void HandleServerMessage(ui::TMessage& msg);
  void RunShowAction(ui::TAction* action);
  void ShowRequestFailed();
  void BringProgramToFront();
  // asker: the shown window of this program the request named, which owns the check's boxes; null for none.
  void CheckIntegrity(ui::TForm* asker);
  void ShowInstallerBlocked();

  void MonitorActionExecute();
  void MappingsManagerActionExecute();
  void MappingsEditorActionExecute();
  void MappingsEditorActionUpdate();
  void PreferencesActionExecute();
  void AboutActionExecute();
  void CakewalkActionExecute(ui::TAction* action);

  // Makes a once-window through its maker and keeps it in its variable; null when it cannot be made.
  ui::TForm* MakeOnceWindow(TOnceWindow kind, ui::TForm*& variable, const TFormMaker& maker);
  void Activate(ui::TForm* form);

  bool FOpening[owCount] = {false, false, false, false};
  bool FChecking = false;
};

// Every action of the list whose name contains name gets that visibility.
void SetExportVisibility(ui::TActionList* list, const std::string& name, bool visible);

// The key under which the host actions keep their "<Name>Visible" values.
std::string PlacementKeyPath();

// The launcher, made by the monitor; null while there is none.
extern TFakeForm* FakeForm;
