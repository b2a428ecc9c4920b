#include "tarnbel_mappings_manager_form.h"

#include "application.h"
#include "action_controls.h"
#include "tarnbel_func_vcl.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"

using namespace ui;

UI_CLASSINFO(TMappingsManagerForm)

int DragIndex = -1;
bool LogicStepUp = false;
bool LogicStepDown = false;

namespace {

const char* const PlacementRoot = "Software\\tarnbel\\placement";

const std::vector<std::string> ManagerImageNames = {
    "..\\main\\Monitor", "..\\main\\MappingsManager", "..\\main\\MappingsEditor", "..\\main\\Preferences",
    "..\\main\\About", "ImmediateChanges", "LoadMappingFromFile", "DeleteMapping", "RenameMapping", "CopyMapping",
    "NewMapping", "MappingUp", "MappingDown", "MappingActive", "CheckIntegrity", "AutoExport", "SaveCombo",
    "DeleteCombo", "EditMapping", "Customize"};
const std::vector<std::string> EditorImageNames = {"SaveMappingInFile", "CreateCubase12", "CreateCubase1",
                                                   "CreateCakewalk", "CreateMassiva", "CreateLogic",
                                                   "CreateEncore", "CreateEvolution", "CreateQuartz"};

}  // namespace

TMappingsManagerForm::TCommand::TCommand(TMappingsManagerForm* form) : FHold(form) {
  ++form->FBusy;
  DragIndex = -1;
}

TMappingsManagerForm::TCommand::~TCommand() {
  DragIndex = -1;
  auto* form = static_cast<TMappingsManagerForm*>(FHold.Form());
  if (form && --form->FBusy == 0) form->CommandEnded();
}

TMappingsManagerForm::TMappingsManagerForm(TComponent* owner) : TForm(owner) {
  SetName("MappingsManagerForm");
  SetCaption("tarnbel manager");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 520, 440);

  CreateComponents();
  CreateActions();
  CreateToolbars();
  CreatePopupMenu();
  CreateFormStorage();

  KitWindowHook1 = new TKitWindowHook(this);
  KitWindowHook1->SetName("KitWindowHook1");
  KitWindowHook1->BeforeMessage = [this](TObject*, TMessage& msg, bool& handled) { HookBeforeMessage(msg, handled); };
  KitWindowHook1->SetWinControl(this);

  FormCreate();
}

void TMappingsManagerForm::CreateComponents() {
  ActionsImageList = new TImageList(this);
  ActionsImageList->SetName("ActionsImageList");
  GrayActionsImageList = new TImageList(this);
  GrayActionsImageList->SetName("GrayActionsImageList");

  CreateDockPanels();

  CheckListBox1 = new TCheckListBox(this);
  CheckListBox1->SetName("CheckListBox1");
  CheckListBox1->SetParent(this);
  CheckListBox1->SetAlign(alClient);
  CheckListBox1->SetDragMode(dmAutomatic);
  CheckListBox1->OnClickCheck = [this](TObject*) {
    int row = CheckListBox1->ClickedIndex();
    if (Busy()) {
      // No change while a command waits: the box goes back.
      if (row >= 0 && row < CheckListBox1->Items()->Count()) CheckListBox1->SetChecked(row, !CheckListBox1->Checked(row));
      return;
    }
    TCommand command(this);
    RowCheckChanged(row);
  };
  CheckListBox1->OnMouseDown = [this](TObject*, TMouseButton button, TSet32, int x, int y) {
    ListMouseDown(button, x, y);
  };
  CheckListBox1->OnStartDrag = [this](TObject*) { ListStartDrag(); };
  CheckListBox1->OnDragOver = [this](TObject*, TObject* source, int x, int y, TDragState, bool& accept) {
    ListDragOver(source, x, y, accept);
  };
  CheckListBox1->OnDragDrop = [this](TObject*, TObject*, int, int) {
    if (Busy()) return;
    int from = DragIndex;
    TCommand command(this);
    MoveMapping(from, SelectedRow());
  };
  // A drag that ends anywhere else carries nothing any more.
  CheckListBox1->OnEndDrag = [](TObject*, TObject*, int, int) { DragIndex = -1; };
  CheckListBox1->OnKeyDown = [this](TObject*, WORD&, TSet32 shift) { ListKeyDown(shift); };
  CheckListBox1->OnKeyUp = [this](TObject*, WORD&, TSet32 shift) { ListKeyUp(shift); };
  // The caret row follows the focus: the selected row on entering, none on leaving.
  auto* focusHook = new TKitWindowHook(this);
  focusHook->AfterMessage = [this](TObject*, TMessage& msg, bool&) {
    if (msg.Msg == WM_SETFOCUS || msg.Msg == WM_KILLFOCUS)
      SendMessageA(CheckListBox1->Handle(), LB_SETCARETINDEX, msg.Msg == WM_SETFOCUS ? SelectedRow() : -1, 0);
  };
  focusHook->SetWinControl(CheckListBox1);

  ComboBox1 = new TComboBox(this);
  ComboBox1->SetName("ComboBox1");
  ComboBox1->SetStyle(csDropDownList);
  ComboBox1->SetSorted(true);
  ComboBox1->SetWidth(140);
  ComboBox1->OnChange = [this](TObject*) {
    if (Busy()) {
      SelectCombo(CurrentComboName);
      return;
    }
    TCommand command(this);
    LoadCombo();
  };

  MappingOpenDialog = new TOpenDialog(this);
  MappingOpenDialog->SetName("MappingOpenDialog");
  MappingOpenDialog->SetDefaultExt("txt");
  MappingOpenDialog->SetFilter("Mapping files (*.txt)|*.txt|All files (*.*)|*.*");
  MappingOpenDialog->SetOptions((1u << ofHideReadOnly) | (1u << ofPathMustExist) | (1u << ofFileMustExist) |
                                (1u << ofEnableSizing));
}

void TMappingsManagerForm::CreateDockPanels() {
  // Made in the order their alignment places them.
  ControlBar1 = MakeDockPanel(this, "ControlBar1", alTop, 0, 0, 512, 30);
  ControlBar2 = MakeDockPanel(this, "ControlBar2", alBottom, 0, 400, 512, 0);
  ControlBar3 = MakeDockPanel(this, "ControlBar3", alRight, 512, 30, 0, 360);
  LeftControlBar = MakeDockPanel(this, "LeftControlBar", alLeft, 0, 30, 0, 360);
}

TAction* TMappingsManagerForm::AddAction(const char* name, const std::string& caption, const std::string& hint,
                                         TShortCut shortCut, void (TMappingsManagerForm::*execute)()) {
  auto* action = new TAction(this);
  action->SetName(name);
  action->SetCaption(caption);
  action->SetHint(hint);
  action->SetShortCut(shortCut);
  action->SetActionList(ActionList1);
  // Every command waits for the one that runs (its prompt, box or progress window) to end.
  if (execute)
    action->OnExecute = [this, execute](TObject*) {
      if (Busy()) return;
      TCommand command(this);
      (this->*execute)();
    };
  return action;
}

void TMappingsManagerForm::CreateActions() {
  ActionList1 = new TActionList(this);
  ActionList1->SetName("ActionList1");
  ActionList1->SetImages(ActionsImageList);
  const TShortCut ctrl = scCtrl;
  using F = TMappingsManagerForm;
  NewMappingAction = AddAction("NewMappingAction", "New mapping...", "New mapping", ctrl | 'N', &F::NewMapping);
  LoadMappingFromFileAction = AddAction("LoadMappingFromFileAction", "Import mapping from file...", "Import mapping",
                                        ctrl | VK_F3, &F::ImportMapping);
  EditMappingAction = AddAction("EditMappingAction", "Edit mapping...", "Edit mapping", ctrl | 'E', &F::EditMapping);
  CopyMappingAction = AddAction("CopyMappingAction", "Copy mapping...", "Copy mapping", ctrl | 'C', &F::CopyMapping);
  RenameMappingAction =
      AddAction("RenameMappingAction", "Rename mapping...", "Rename mapping", VK_F2, &F::RenameMapping);
  DeleteMappingAction = AddAction("DeleteMappingAction", "&Delete mapping", "Delete mapping", 0, &F::DeleteMapping);
  ImmediateChangesAction = AddAction("ImmediateChangesAction", "Apply changes instantly", "Apply changes instantly",
                                     ctrl | 'A', &F::ImmediateChangesActionExecute);
  MappingActiveAction = AddAction("MappingActiveAction", "Activate/deactivate mapping", "Activate/deactivate mapping",
                                  0, &F::MappingActiveActionExecute);
  MappingUpAction = AddAction("MappingUpAction", "Move mapping up", "Move mapping up", 0, nullptr);
  MappingUpAction->OnExecute = [this](TObject*) {
    if (Busy()) return;
    TCommand command(this);
    MoveSelected(-1);
  };
  MappingDownAction = AddAction("MappingDownAction", "Move mapping down", "Move mapping down", 0, nullptr);
  MappingDownAction->OnExecute = [this](TObject*) {
    if (Busy()) return;
    TCommand command(this);
    MoveSelected(1);
  };
  CheckIntegrityAction =
      AddAction("CheckIntegrityAction", "&Check integrity", "Check integrity", 0, &F::CheckIntegrity);
  SaveMappingInFileAction = AddAction("SaveMappingInFileAction", "Save combo as mapping file...", "Export mapping",
                                      ctrl | VK_F2, nullptr);
  CreateCubase12Action =
      AddAction("CreateCubase12Action", "Create Cu&base Studio Module drivers (.dev) - 12 banks/file ...",
                "Export to Cubase (12 banks/instrument)", 0, nullptr);
  CreateCubase1Action =
      AddAction("CreateCubase1Action", "Create C&ubase Studio Module drivers (.dev) - one bank/file ...",
                "Export to Cubase (one bank/instrument)", 0, nullptr);
  CreateCakewalkAction = AddAction("CreateCakewalkAction", "Create Cake&walk Instrument Definition (.ins) ...",
                                   "Export to Cakewalk", 0, nullptr);
  CreateMassivaAction =
      AddAction("CreateMassivaAction", "Create &Massiva patch maps (.mxp) ...", "Export to Massiva", 0, nullptr);
  CreateEvolutionAction = AddAction("CreateEvolutionAction", "Create E&volution patch map (.pls) ...",
                                    "Export to Evolution", 0, nullptr);
  CreateEncoreAction =
      AddAction("CreateEncoreAction", "Create &Encore device files (.ini) ...", "Export to Encore", 0, nullptr);
  CreateQuartzAction = AddAction("CreateQuartzAction", "Create Q&uartz sound name set (.set)...", "Export to Quartz",
                                 0, nullptr);
  CreateLogicAction = AddAction("CreateLogicAction", "Create Logic patch list in the clipboard", "Export to Logic",
                                ctrl | 'L', &F::CreateLogicList);
  AutoExportAction = AddAction("AutoExportAction", "Auto export &setup...", "Auto export settings", 0,
                               &F::AutoExportActionExecute);
  SaveComboAction = AddAction("SaveComboAction", "Save combo", "Save combo", ctrl | 'S', &F::SaveComboActionExecute);
  DeleteComboAction = AddAction("DeleteComboAction", "Delete combo", "Delete combo", ctrl | 'D', &F::DeleteCombo);
  CustomizeAction = AddAction("CustomizeAction", "&Toolbars...", "Customize toolbars", 0, nullptr);
  CustomizeAction->OnExecute = [this](TObject*) {
    if (DockManager) DockManager->ShowCustomizeForm();
  };
  BindExportActions();

  for (TAction* action : {EditMappingAction, CopyMappingAction, RenameMappingAction, DeleteMappingAction,
                          MappingActiveAction, MappingUpAction, MappingDownAction, DeleteComboAction})
    action->OnUpdate = [this](TObject*) { UpdateActionStates(); };
}

void TMappingsManagerForm::UpdateActionStates() {
  int row = SelectedRow();
  bool selected = row >= 0 && row < CheckListBox1->Items()->Count();
  // Only the one spelled exactly so is the mapping that always exists.
  bool removable = selected && CheckListBox1->Items()->Strings(row) != "default";
  for (TAction* action : {EditMappingAction, CopyMappingAction, MappingUpAction, MappingDownAction, MappingActiveAction})
    action->SetEnabled(selected);
  RenameMappingAction->SetEnabled(removable);
  DeleteMappingAction->SetEnabled(removable);
  MappingActiveAction->SetChecked(selected && CheckListBox1->Checked(row));
  DeleteComboAction->SetEnabled(ComboBox1->ItemIndex() >= 0);
}

void TMappingsManagerForm::AddToolButtons(TToolBar* bar, const std::vector<TAction*>& actions) {
  for (TAction* action : actions) {
    auto* button = new TToolButton(this);
    if (action) {
      if (action == ImmediateChangesAction || action == MappingActiveAction) button->SetStyle(tbsCheck);
      button->SetAction(action);
      button->SetShowHint(true);
    } else {
      button->SetStyle(tbsSeparator);
    }
    button->SetParent(bar);
  }
}

TToolBar* TMappingsManagerForm::AddToolBar(const char* name, const std::string& caption, int left, int top,
                                           const std::vector<TAction*>& actions) {
  auto* bar = new TToolBar(this);
  bar->SetName(name);
  bar->SetCaption(caption);
  bar->SetFlat(true);
  bar->SetAutoSize(true);
  bar->SetDragKind(dkDock);
  bar->SetDragMode(dmAutomatic);
  bar->SetBounds(left, top, bar->Width(), bar->Height());
  bar->SetParent(ControlBar1);
  AddToolButtons(bar, actions);
  return bar;
}

void TMappingsManagerForm::CreateToolbars() {
  ToolsToolBar = AddToolBar("ToolsToolBar", "Tools", 0, 0,
                            {NewMappingAction, LoadMappingFromFileAction, nullptr, EditMappingAction,
                             CopyMappingAction, RenameMappingAction, DeleteMappingAction, nullptr,
                             CheckIntegrityAction, CustomizeAction});
  OrderToolBar = AddToolBar("OrderToolBar", "Order", 400, 0,
                            {ImmediateChangesAction, nullptr, MappingActiveAction, MappingUpAction, MappingDownAction});
  TarnbelToolBar = AddToolBar("TarnbelToolBar", "Tarnbel", 0, 28, {});
  AddTarnbelActions(Launcher, &TLauncherActions::MappingsManager, this, TarnbelToolBar, nullptr);
  ExportToolBar = AddToolBar("ExportToolBar", "Export", 0, 56,
                             {CreateCubase12Action, CreateCubase1Action, CreateCakewalkAction, CreateMassivaAction,
                              CreateEvolutionAction, CreateEncoreAction, CreateQuartzAction, SaveMappingInFileAction,
                              CreateLogicAction, nullptr, AutoExportAction});
  CombosToolBar = AddToolBar("CombosToolBar", "Combos", 300, 28, {});
  ComboBox1->SetParent(CombosToolBar);
  AddToolButtons(CombosToolBar, {nullptr, SaveComboAction, DeleteComboAction});
}

void TMappingsManagerForm::CreatePopupMenu() {
  ToolbarsPopupMenu = new TPopupMenu(this);
  ToolbarsPopupMenu->SetName("ToolbarsPopupMenu");
  AddMenuItems(this, ToolbarsPopupMenu->Items(), {nullptr, CustomizeAction});
  for (TPanel* panel : {LeftControlBar, ControlBar1, ControlBar2, ControlBar3}) {
    panel->SetPopupMenu(ToolbarsPopupMenu);
    panel->OnDblClick = [this](TObject*) { CustomizeAction->Execute(); };
  }

  PopupMenu1 = new TPopupMenu(this);
  PopupMenu1->SetName("PopupMenu1");
  PopupMenu1->SetImages(ActionsImageList);
  TMenuItem* root = PopupMenu1->Items();
  AddMenuItems(this, root,
               {EditMappingAction, CopyMappingAction, RenameMappingAction, DeleteMappingAction, nullptr,
                NewMappingAction, LoadMappingFromFileAction, nullptr, ImmediateChangesAction});
  AddMenuItems(this, AddMenuItem(this, root, nullptr, "E&xport current combo"),
               {CreateCubase1Action, CreateCubase12Action, CreateCakewalkAction, CreateMassivaAction,
                CreateEvolutionAction, CreateEncoreAction, CreateQuartzAction, nullptr, CreateLogicAction,
                SaveMappingInFileAction});
  AddMenuItems(this, root, {CheckIntegrityAction, nullptr});
  AddTarnbelActions(Launcher, &TLauncherActions::MappingsManager, this, nullptr,
                    AddMenuItem(this, root, nullptr, "&Tarnbel"));
  AddMenuItems(this, root, {nullptr, AutoExportAction, CustomizeAction});
  CheckListBox1->SetPopupMenu(PopupMenu1);
}

void TMappingsManagerForm::CreateFormStorage() {
  FormStorage1 = new TFormStorage(this);
  FormStorage1->SetName("FormStorage1");
  FormStorage1->BeginLoading();
  FormStorage1->SetUseRegistry(true);
  FormStorage1->SetIniFileName("software\\tarnbel\\placement");
  FormStorage1->SetIniSection("MappingsManager");
  FormStorage1->SetVersion(5);
  FormStorage1->Loaded();
}

void TMappingsManagerForm::FormCreate() {
  int storedCombo = Settings ? Settings->ReadInteger("CurrentCombo", -1) : -1;
  PendingChanges = false;
  LoadActionImages(this, "manager", ManagerImageNames, int(ManagerImageNames.size()) - 1);
  LoadActionImages(this, "editor", EditorImageNames, int(EditorImageNames.size()) - 1);
  ImmediateChangesAction->SetChecked(Settings ? Settings->ReadBool("ImmediateChanges", true) : true);

  ReloadMappings();
  FillComboList();
  ComboBox1->SetItemIndex(storedCombo >= 0 && storedCombo < ComboBox1->Items()->Count() ? storedCombo : -1);
  ComboModified = false;
  UpdateCurrentComboName();

  if (Launcher) Launcher->ApplyExportVisibility(ActionList1, ExportToolBar);
  TImageList* sharedGray = Launcher ? Launcher->GrayActionImages() : GrayActionsImageList;
  TImageList* shared = Launcher ? Launcher->ActionImages() : ActionsImageList;
  DockManager = std::make_unique<TDockManager>(this, "Tarnbel", sharedGray, shared, GrayActionsImageList,
                                               ActionsImageList, PlacementRoot);
  for (TPanel* panel : {ControlBar1, ControlBar2, ControlBar3, LeftControlBar}) DockManager->AddDockPanel(panel);
  ActionList1->UpdateActions();
}

std::vector<std::string> TMappingsManagerForm::RowNames() const {
  std::vector<std::string> names;
  TStrings* items = CheckListBox1->Items();
  for (int i = 0; i < items->Count(); ++i) names.push_back(items->Strings(i));
  return names;
}

std::string TMappingsManagerForm::SelectedName() const {
  int row = SelectedRow();
  return row >= 0 && row < CheckListBox1->Items()->Count() ? CheckListBox1->Items()->Strings(row) : std::string();
}

void TMappingsManagerForm::CommandEnded() {
  if (FReloadPending) {
    FReloadPending = false;
    ReloadMappings();
  }
  if (FClosePending) {
    FClosePending = false;
    Close();
  }
}

bool TMappingsManagerForm::CloseQuery() {
  if (FClosing) return false;
  if (Busy()) {
    FClosePending = true;
    return false;
  }
  TCommand command(this);
  FClosing = true;
  bool canClose = TForm::CloseQuery() && (CurrentComboName.empty() || QuerySaveCombo());
  FClosing = false;
  if (!canClose) return false;
  if (Settings)
    Settings->WriteInteger("CurrentCombo",
                           !CurrentComboName.empty() && !ComboModified ? ComboBox1->ItemIndex() : -1);
  PostClosedMessage(WM_TB_MANAGER_CLOSED);
  DockManager.reset();
  return true;
}

void TMappingsManagerForm::Destroying() {
  // The last changes reach the server while the actions and the link still exist.
  if (ImmediateChangesAction) ApplyChanges();
  DockManager.reset();
  if (MappingsManagerForm == this) MappingsManagerForm = nullptr;
  TForm::Destroying();
}

void TMappingsManagerForm::HookBeforeMessage(TMessage& msg, bool& handled) {
  if (msg.Msg == WM_SYSCOMMAND && (msg.WParam & 0xFFF0) == SC_MINIMIZE) {
    Application().Minimize();
    handled = true;
  }
}

void RegisterManagerWindow() {
  ToolWindowMakers.Manager = [](TComponent* owner) -> TForm* { return new TMappingsManagerForm(owner); };
}
