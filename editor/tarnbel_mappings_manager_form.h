#pragma once
// TMappingsManagerForm: the mappings manager ("tarnbel manager"). The user orders the stored mappings by
// priority, switches them active or inactive, makes, imports, copies, renames and deletes them, keeps
// orders as combos, exports the merged result of the active mappings and starts the integrity checker.
// Every change is stored at once and told to the server. Its members are spread over files by concern:
// the window (this header's .cpp), the list and its order (…_list.cpp), the commands on stored mappings
// (…_commands.cpp), the exports and the Logic list (…_exports.cpp) and the combos (…_combos.cpp).
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "DockManager.h"
#include "KitHook.h"
#include "KitPlacement.h"
#include "action.h"
#include "dialogs.h"
#include "form.h"
#include "image_list.h"
#include "list_controls.h"
#include "menus.h"
#include "std_controls.h"
#include "toolbar.h"
#include "tool_windows.h"

class TMapping;

// The row a keyboard or mouse move carries along; -1 when none.
extern int DragIndex;
// Whether the last Logic bank was one above or one below the one before it: the next proposal follows.
extern bool LogicStepUp;
extern bool LogicStepDown;

class TMappingsManagerForm : public ui::TForm, public TManagerWindowOps {
  UI_CLASS(TMappingsManagerForm, ui::TForm)
 public:
  explicit TMappingsManagerForm(ui::TComponent* owner);

  ui::TCheckListBox* CheckListBox1;
  ui::TPanel* LeftControlBar;
  ui::TPanel* ControlBar1;  // top
  ui::TPanel* ControlBar2;  // bottom
  ui::TPanel* ControlBar3;  // right
  ui::TPopupMenu* ToolbarsPopupMenu;
  ui::TToolBar* ToolsToolBar;
  ui::TToolBar* OrderToolBar;
  ui::TToolBar* TarnbelToolBar;
  ui::TToolBar* ExportToolBar;
  ui::TToolBar* CombosToolBar;
  ui::TComboBox* ComboBox1;
  ui::TPopupMenu* PopupMenu1;
  ui::TOpenDialog* MappingOpenDialog;
  TFormStorage* FormStorage1;
  TKitWindowHook* KitWindowHook1;
  ui::TImageList* ActionsImageList;
  ui::TImageList* GrayActionsImageList;
  ui::TActionList* ActionList1;

  ui::TAction* NewMappingAction;
  ui::TAction* LoadMappingFromFileAction;
  ui::TAction* EditMappingAction;
  ui::TAction* CopyMappingAction;
  ui::TAction* RenameMappingAction;
  ui::TAction* DeleteMappingAction;
  ui::TAction* ImmediateChangesAction;
  ui::TAction* MappingActiveAction;
  ui::TAction* MappingUpAction;
  ui::TAction* MappingDownAction;
  ui::TAction* CheckIntegrityAction;
  ui::TAction* SaveMappingInFileAction;
  ui::TAction* CreateCubase12Action;
  ui::TAction* CreateCubase1Action;
  ui::TAction* CreateCakewalkAction;
  ui::TAction* CreateMassivaAction;
  ui::TAction* CreateEvolutionAction;
  ui::TAction* CreateEncoreAction;
  ui::TAction* CreateQuartzAction;
  ui::TAction* CreateLogicAction;
  ui::TAction* AutoExportAction;
  ui::TAction* SaveComboAction;
  ui::TAction* DeleteComboAction;
  ui::TAction* CustomizeAction;

  // Order or active flags changed since the last apply.
  bool PendingChanges = false;
  // The combo the list shows; empty when none.
  std::string CurrentComboName;
  // The order or an active flag changed since the combo was chosen or saved.
  bool ComboModified = false;
  // The toolbars' docking; freed (storing their layout) when the window closes.
  std::unique_ptr<TDockManager> DockManager;

  // The stored mappings from the highest priority down, numbered again and told to the server.
  void ReloadMappings() override;
  ui::TActionList* ExportActionList() override { return ActionList1; }
  ui::TWinControl* ExportToolbar() override { return ExportToolBar; }

  // Numbers the rows n..1 from the top, stores the numbers, sends the order and applies it.
  void UpdatePriorities();
  // A row's check changed: stored as Active and told to the server.
  void RowCheckChanged(int row);
  void MoveMapping(int from, int to);
  // Runs the automatic exports and lets the server apply the changes, when changes wait and
  // "Apply changes instantly" is on.
  void ApplyChanges();
  // The merged mapping "current" of every active stored mapping; temporary, the caller frees it.
  std::unique_ptr<TMapping> BuildCurrentMapping();
  // True after the box saying that a mapping of that name is stored.
  bool MappingExists(const std::string& name, const std::string& hint);

  void NewMapping();
  void ImportMapping();
  void CopyMapping();
  void RenameMapping();
  void DeleteMapping();
  void EditMapping();
  void CheckIntegrity();
  void CreateLogicList();

  // The combos.
  void FillComboList();
  void UpdateCurrentComboName();
  bool SaveCombo();
  bool QuerySaveCombo();
  void LoadCombo();
  void DeleteCombo();

  // The rows as they stand: names from the top, and their checks.
  std::vector<std::string> RowNames() const;
  int SelectedRow() const { return CheckListBox1->ItemIndex(); }
  // Selects the mapping's row (also as the caret row); false when no row has that name.
  bool SelectMapping(const std::string& name);
  // True while a command (a prompt, a box, a progress window) runs.
  bool Busy() const { return FBusy > 0; }

  bool CloseQuery() override;

 protected:
  void Destroying() override;

 private:
  // Marks a command running: closing, reloads and other commands wait for its end, and the window is kept
  // whole.
  class TCommand {
   public:
    explicit TCommand(TMappingsManagerForm* form);
    ~TCommand();
    TCommand(const TCommand&) = delete;
    TCommand& operator=(const TCommand&) = delete;

   private:
    ui::TFormHold FHold;
  };

  void CreateComponents();
  void CreateDockPanels();
  void CreateActions();
  void CreateToolbars();
  void CreatePopupMenu();
  void CreateFormStorage();
  void FormCreate();
  ui::TAction* AddAction(const char* name, const std::string& caption, const std::string& hint,
                         ui::TShortCut shortCut, void (TMappingsManagerForm::*execute)());
  ui::TToolBar* AddToolBar(const char* name, const std::string& caption, int left, int top,
                           const std::vector<ui::TAction*>& actions);
  void AddToolButtons(ui::TToolBar* bar, const std::vector<ui::TAction*>& actions);
  void UpdateActionStates();
  void HookBeforeMessage(ui::TMessage& msg, bool& handled);
  void CommandEnded();
  void ImmediateChangesActionExecute();
  void MappingActiveActionExecute();
  void MoveSelected(int step);
  void AutoExportActionExecute();
  void SaveComboActionExecute();
  // The name of the selected row; empty when none.
  std::string SelectedName() const;

  // The list's mouse and keys.
  void ListMouseDown(ui::TMouseButton button, int x, int y);
  // Where the left button last went down on the list: the row a drag carries.
  POINT FPressPoint{-1, -1};
  void SelectRow(int row);
  void ListStartDrag();
  void ListDragOver(ui::TObject* source, int x, int y, bool& accept);
  void ListKeyDown(ui::TSet32 shift);
  void ListKeyUp(ui::TSet32 shift);

  // Asks for a new mapping name and checks it against the rules; empty when the command ends.
  std::string AskNewMappingName(const std::string& caption, const std::string& prompt, const std::string& proposal,
                                const std::string& hint, const std::string& source);
  // Reloads the list and tells the server; select: the mapping the command made (none: the selection stays
  // on its mapping, or on the row that took its place).
  void StoredMappingsChanged(bool keepComboModified, const std::string& select);
  void ShowStoreFailure(const std::string& what, long error);
  void BindExportActions();
  void ExportCurrent(bool (*dialog)(ui::TComponent*, const TMapping&));
  void SelectCombo(const std::string& name);

  int FBusy = 0;
  bool FReloadPending = false, FClosePending = false;
  bool FClosing = false;
  // Set while the list is reloaded on this window's own behalf, which a running command does not wait for.
  bool FOwnReload = false;
};

// Registers the manager's maker with the launcher.
void RegisterManagerWindow();
