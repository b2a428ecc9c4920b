// The editor's components: panes, dock panels, dialogs, actions, menus, context menus and toolbars.
#include "tarnbel_mappings_form.h"

#include <algorithm>

#include "none_marker.h"
#include "action_controls.h"

using namespace ui;

namespace {

TPanel* MakeDockPanel(TForm* form, const char* name, TAlign align, const RECT& bounds) {
  auto* panel = new TPanel(form);
  panel->SetName(name);
  panel->SetCaption("");
  panel->SetBevelOuter(bvNone);
  panel->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
  panel->SetAlign(align);
  panel->SetParent(form);
  return panel;
}

TListView* MakeList(TForm* form, const char* name, TAlign align, const RECT& bounds, const std::string& caption) {
  auto* list = new TListView(form);
  list->SetName(name);
  list->SetParent(form);
  list->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
  list->SetAlign(align);
  list->SetViewStyle(vsReport);
  list->SetMultiSelect(true);
  list->SetRowSelect(true);
  list->SetHideSelection(false);
  list->SetDragMode(dmAutomatic);
  // Thousands of rows: the control asks for what it shows.
  list->SetVirtualItems(true);
  TListColumn* column = list->Columns()->Add();
  column->SetCaption(caption);
  column->SetAutoSize(true);
  return list;
}

TSplitter* MakeSplitter(TForm* form, const char* name, TAlign align, const RECT& bounds) {
  auto* splitter = new TSplitter(form);
  splitter->SetName(name);
  splitter->SetParent(form);
  splitter->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
  splitter->SetAlign(align);
  return splitter;
}

TMenuItem* AddSubmenu(TComponent* owner, TMenuItem* parent, const char* name, const std::string& caption,
                      const std::vector<TAction*>& actions) {
  auto* menu = new TMenuItem(owner);
  menu->SetName(name);
  menu->SetCaption(caption);
  parent->Add(menu);
  AddMenuItems(owner, menu, actions);
  return menu;
}

// Client layout: toolbars on top, the status bar below, the tree at the left, the attached list at the right
// and the presets between them.
const int FormWidth = 780, FormHeight = 560;
const int TopBarHeight = 56, TreeWidth = 210, AttachedWidth = 290, PaneTop = TopBarHeight, PaneBottom = 470;

}  // namespace

void TMappingsForm::CreateComponents() {
  IconsImageList = new TImageList(this);
  IconsImageList->SetName("IconsImageList");
  ActionsImageList = new TImageList(this);
  ActionsImageList->SetName("ActionsImageList");
  GrayActionsImageList = new TImageList(this);
  GrayActionsImageList->SetName("GrayActionsImageList");
  CreateDockPanels();
  CreatePanes();
  CreateDialogs();
}

// Aligned controls of one side keep the order of their places: each is made at its place first.
void TMappingsForm::CreateDockPanels() {
  StatusBar1 = new TStatusBar(this);
  StatusBar1->SetName("StatusBar1");
  StatusBar1->SetParent(this);
  StatusBar1->SetBounds(0, 490, FormWidth, 19);
  StatusBar1->SetAlign(alBottom);
  StatusBar1->SetSimplePanel(true);
  BottomControlBar = MakeDockPanel(this, "BottomControlBar", alBottom, RECT{0, 489, FormWidth, 489});
  ControlBar2 = MakeDockPanel(this, "ControlBar2", alBottom, RECT{0, 488, FormWidth, 488});
  TopControlBar = MakeDockPanel(this, "TopControlBar", alTop, RECT{0, 0, FormWidth, TopBarHeight});
  ControlBar1 = MakeDockPanel(this, "ControlBar1", alTop, RECT{0, TopBarHeight, FormWidth, TopBarHeight});
  LeftControlBar = MakeDockPanel(this, "LeftControlBar", alLeft, RECT{0, PaneTop, 0, PaneBottom});
  RightControlBar = MakeDockPanel(this, "RightControlBar", alRight, RECT{FormWidth, PaneTop, FormWidth, PaneBottom});
}

void TMappingsForm::CreatePanes() {
  SystemTreeView = new TKitSystemTreeView(this);
  SystemTreeView->SetName("SystemTreeView");
  SystemTreeView->BeginLoading();
  SystemTreeView->SetParent(this);
  SystemTreeView->SetBounds(1, PaneTop, TreeWidth, PaneBottom - PaneTop);
  SystemTreeView->SetAlign(alLeft);
  SystemTreeView->SetRootFolder(rfFileSystem);
  SystemTreeView->SetShowFiles(true);
  SystemTreeView->SetFileMask("*.sf2");
  SystemTreeView->SetReadDelay(0);
  SystemTreeView->SetShowRoot(false);
  SystemTreeView->SetRightClickSelect(true);
  SystemTreeView->SetReadOnly(true);
  SystemTreeView->SetDragMode(dmAutomatic);
  SystemTreeView->Loaded();
  Splitter1 = MakeSplitter(this, "Splitter1", alLeft, RECT{TreeWidth + 1, PaneTop, TreeWidth + 4, PaneBottom});

  FilesListView = MakeList(this, "FilesListView", alRight,
                           RECT{FormWidth - AttachedWidth - 1, PaneTop, FormWidth - 1, PaneBottom}, "Attached presets");
  FilesListView->SetStateImages(IconsImageList);
  // Entries are renamed through their commands, never in place.
  FilesListView->OnEditing = [](TObject*, TListItem*, bool& allowEdit) { allowEdit = false; };
  Splitter2 = MakeSplitter(this, "Splitter2", alRight,
                           RECT{FormWidth - AttachedWidth - 4, PaneTop, FormWidth - AttachedWidth - 1, PaneBottom});
  PresetsListView = MakeList(this, "PresetsListView", alClient, RECT{TreeWidth + 4, PaneTop, 480, PaneBottom},
                             "Presets in selected file");
  PresetsListView->SetReadOnly(true);
  PresetsListView->SetStateImages(IconsImageList);
  // Tab goes through the panes as they stand on the screen: tree, presets, attached presets.
  PresetsListView->SetTabOrder(FilesListView->TabOrder());
}

void TMappingsForm::CreateDialogs() {
  ColorDialog1 = new TColorDialog(this);
  ColorDialog1->SetName("ColorDialog1");
  ColorDialog1->SetOptions((1u << cdFullOpen) | (1u << cdAnyColor));
  const char* const filter = "Mapping files (*.txt)|*.txt|All files (*.*)|*.*";
  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->SetName("OpenDialog1");
  OpenDialog1->SetFilter(filter);
  OpenDialog1->SetDefaultExt("txt");
  SaveDialog1 = new TSaveDialog(this);
  SaveDialog1->SetName("SaveDialog1");
  SaveDialog1->SetFilter(filter);
  SaveDialog1->SetDefaultExt("txt");
}

TAction* TMappingsForm::AddAction(const char* name, const std::string& caption, TShortCut shortCut,
                                  const std::string& hint) {
  auto* action = new TAction(this);
  action->SetName(name);
  action->SetCaption(caption);
  std::string plain;
  for (char c : caption)
    if (c != '&') plain += c;
  while (!plain.empty() && (plain.back() == '.' || plain.back() == ' ')) plain.pop_back();
  action->SetHint(hint.empty() ? plain : hint);
  action->SetShortCut(shortCut);
  action->SetActionList(ActionList1);
  // Commands whose behaviour comes with later parts of the editor stay disabled.
  action->SetEnabled(false);
  return action;
}

void TMappingsForm::CreateActions() {
  ActionList1 = new TActionList(this);
  ActionList1->SetName("ActionList1");
  ActionList1->SetImages(ActionsImageList);
  const TShortCut ctrl = scCtrl, alt = scAlt;
  NewMappingAction = AddAction("NewMappingAction", "&New mapping...", 0);
  MergeMappingAction = AddAction("MergeMappingAction", "&Merge mapping...", 0);
  SaveMappingAction = AddAction("SaveMappingAction", "Save mapping", ctrl | 'S');
  ChooseMappingAction = AddAction("ChooseMappingAction", "Choose mapping...", ctrl | 'M');
  LoadMappingFromFileAction = AddAction("LoadMappingFromFileAction", "Import mapping from file...", ctrl | VK_F3);
  SaveMappingInFileAction = AddAction("SaveMappingInFileAction", "Export mapping to file...", ctrl | VK_F2);
  SetBankInFileAction = AddAction("SetBankInFileAction", "Set bank in file...", ctrl | alt | 'B');
  RefreshTreeAction = AddAction("RefreshTreeAction", "Refresh directory tree", ctrl | 'R');
  CreateCubase1Action = AddAction("CreateCubase1Action",
                                  "Create C&ubase Studio Module drivers (.dev) - one bank/file ...", 0,
                                  "Export to Cubase (one bank/instrument)");
  CreateCubase12Action = AddAction("CreateCubase12Action",
                                   "Create Cu&base Studio Module drivers (.dev) - 12 banks/file ...", 0,
                                   "Export to Cubase (12 banks/instrument)");
  CreateCakewalkAction =
      AddAction("CreateCakewalkAction", "Create Cake&walk Instrument Definition (.ins) ...", 0, "Export to Cakewalk");
  CreateMassivaAction = AddAction("CreateMassivaAction", "Create &Massiva patch maps (.mxp) ...", 0, "Export to Massiva");
  CreateEvolutionAction =
      AddAction("CreateEvolutionAction", "Create E&volution patch map (.pls) ...", 0, "Export to Evolution");
  CreateEncoreAction = AddAction("CreateEncoreAction", "Create &Encore device files (.ini) ...", 0, "Export to Encore");
  CreateQuartzAction = AddAction("CreateQuartzAction", "Create Q&uartz sound name set (.set)...", 0, "Export to Quartz");
  SaveMappingAsHTMLAction = AddAction("SaveMappingAsHTMLAction", "Save mapping as HTML...", ctrl | 'H');
  CreateLogicAction = AddAction("CreateLogicAction", "Create Logic patch list in the clipboard", ctrl | 'L',
                                "Export to Logic");
  SaveAsSoundFontAction = AddAction("SaveAsSoundFontAction", "Save selected presets as SoundFont file...", ctrl | 'F');
  SaveAsSeparateSoundFontsAction = AddAction("SaveAsSeparateSoundFontsAction",
                                             "Save selected presets as separate SoundFont files...", ctrl | alt | 'F');
  AttachSelectedAction = AddAction("AttachSelectedAction", "Attach selected", VK_INSERT);
  AttachAllFromFileAction = AddAction("AttachAllFromFileAction", "Attach all from selected location", ctrl | 'T');
  DetachAction = AddAction("DetachAction", "Detach", ctrl | 'D');
  SetProgramNumberAction = AddAction("SetProgramNumberAction", "Preset program number...", ctrl | 'P');
  SetBankNumberAction = AddAction("SetBankNumberAction", "Preset bank number...", ctrl | 'B');
  SetPresetNameAction = AddAction("SetPresetNameAction", "Preset name...", ctrl | 'N');
  PresetPropertiesAction = AddAction("PresetPropertiesAction", "Preset properties...", alt | VK_RETURN);
  SetBankNameAction = AddAction("SetBankNameAction", "Bank name...", ctrl | alt | 'N');
  SetBankColorAction = AddAction("SetBankColorAction", "Bank &color...", 0);
  SetBankBackgroundAction = AddAction("SetBankBackgroundAction", "Bank &background color...", 0);
  SetBankNamesByFileNamesAction = AddAction("SetBankNamesByFileNamesAction", "Set bank &names by file names", 0);
  SetDefaultMelodicBankAction = AddAction("SetDefaultMelodicBankAction", "Default &melodic bank...", 0);
  SetDefaultDrumSetAction = AddAction("SetDefaultDrumSetAction", "Default &drum set...", 0);
  CheckMappingAction = AddAction("CheckMappingAction", "&Check mapping for integrity", 0);
  SelectAllAction = AddAction("SelectAllAction", "Select all", ctrl | 'A');
  PreviewModeAction = AddAction("PreviewModeAction", "Preview mode", VK_F7);
  StartInPreviewModeAction = AddAction("StartInPreviewModeAction", "Always start in preview mode", 0);
  PreviewRouteAction = AddAction("PreviewRouteAction", "Preview route...", 0);
  ColoredBankHeadersAction = AddAction("ColoredBankHeadersAction", "Colored bank headers", 0);
  ColoredBankItemsAction = AddAction("ColoredBankItemsAction", "Colored preset names", 0);
  ColoredBackgroundAction = AddAction("ColoredBackgroundAction", "Show background color", 0);
  ShowListDividersAction = AddAction("ShowListDividersAction", "List dividers", 0);
  WaveSettingsAction = AddAction("WaveSettingsAction", "Editor preferences...", ctrl | 'O');
  CustomizeAction = AddAction("CustomizeAction", "&Toolbars...", 0, "Customize toolbars");

  // The commands this window carries out itself.
  NewMappingAction->OnExecute = [this](TObject*) { NewMappingActionExecute(); };
  SaveMappingAction->OnExecute = [this](TObject*) { SaveMapping(); };
  ChooseMappingAction->OnExecute = [this](TObject*) { SwitchToMapping(NoneMarker); };
  LoadMappingFromFileAction->OnExecute = [this](TObject*) { LoadMappingFromFileActionExecute(); };
  CheckMappingAction->OnExecute = [this](TObject*) { CheckMappingActionExecute(); };
  AttachSelectedAction->OnExecute = [this](TObject*) { AttachSelected(); };
  AttachAllFromFileAction->OnExecute = [this](TObject*) { AttachSelected(); };
  DetachAction->OnExecute = [this](TObject*) { DetachSelected(); };
  CustomizeAction->OnExecute = [this](TObject*) {
    if (DockManager) DockManager->ShowCustomizeForm();
  };
  for (TAction* always : {NewMappingAction, ChooseMappingAction, LoadMappingFromFileAction, CheckMappingAction,
                          CustomizeAction})
    always->SetEnabled(true);
  // While a long job serves the message queue, no command starts another.
  ActionList1->OnExecute = [this](TAction*, bool& handled) { handled = Busy(); };
}

void TMappingsForm::CreateMenus() {
  MainMenu1 = new TMainMenu(this);
  MainMenu1->SetName("MainMenu1");
  MainMenu1->SetImages(ActionsImageList);
  TMenuItem* root = MainMenu1->Items();
  const std::nullptr_t bar = nullptr;
  AddSubmenu(this, root, "FilesMenuItem", "&Files",
             {NewMappingAction, MergeMappingAction, SaveMappingAction, ChooseMappingAction, bar,
              LoadMappingFromFileAction, SaveMappingInFileAction, bar, SetBankInFileAction, bar, RefreshTreeAction});
  AddSubmenu(this, root, "ExportMenuItem", "E&xport",
             {CreateCubase1Action, CreateCubase12Action, CreateCakewalkAction, CreateMassivaAction,
              CreateEvolutionAction, CreateEncoreAction, CreateQuartzAction, bar, SaveMappingAsHTMLAction,
              CreateLogicAction, bar, SaveAsSoundFontAction, SaveAsSeparateSoundFontsAction});
  AddSubmenu(this, root, "MappingMenuItem", "&Mapping",
             {AttachSelectedAction, AttachAllFromFileAction, DetachAction, bar, SetProgramNumberAction,
              SetBankNumberAction, SetPresetNameAction, PresetPropertiesAction, bar, SetBankNameAction,
              SetBankColorAction, SetBankBackgroundAction, SetBankNamesByFileNamesAction, bar,
              SetDefaultMelodicBankAction, SetDefaultDrumSetAction, bar, CheckMappingAction, bar, SelectAllAction});
  AddSubmenu(this, root, "OptionsMenuItem", "&Options", {PreviewModeAction, bar, WaveSettingsAction, CustomizeAction});
  // Filled with the launcher's window actions.
  AddSubmenu(this, root, "TarnbelMenuItem", "Tarnbe&l", {});
  SetMenu(MainMenu1);
}

void TMappingsForm::CreatePopupMenus() {
  const std::nullptr_t bar = nullptr;
  auto makePopup = [this](const char* name, const std::vector<TAction*>& actions) {
    auto* menu = new TPopupMenu(this);
    menu->SetName(name);
    menu->SetImages(ActionsImageList);
    for (TAction* action : actions) AddMenuItem(this, menu->Items(), action);
    return menu;
  };
  FilesPopupMenu = makePopup("FilesPopupMenu",
                             {SetProgramNumberAction, SetBankNumberAction, SetPresetNameAction, PresetPropertiesAction,
                              bar, SetBankNameAction, SetBankColorAction, SetBankBackgroundAction, bar, DetachAction,
                              bar, SaveAsSoundFontAction, SaveAsSeparateSoundFontsAction, bar, SelectAllAction});
  PresetsPopupMenu = makePopup("PresetsPopupMenu", {AttachSelectedAction, bar, SelectAllAction, bar,
                                                    SaveAsSoundFontAction, SaveAsSeparateSoundFontsAction});
  ToolbarsPopupMenu = makePopup("ToolbarsPopupMenu", {CustomizeAction});
  FilesListView->SetPopupMenu(FilesPopupMenu);
  PresetsListView->SetPopupMenu(PresetsPopupMenu);
  for (TPanel* panel : {TopControlBar, BottomControlBar, LeftControlBar, RightControlBar, ControlBar1, ControlBar2})
    panel->SetPopupMenu(ToolbarsPopupMenu);
}

// A null action stands for a separator.
void TMappingsForm::AddToolButtons(TToolBar* bar, const std::vector<TAction*>& actions) {
  ::AddToolButtons(this, bar, actions);
}

TToolBar* TMappingsForm::AddToolBar(const char* name, const std::string& caption, int top,
                                    const std::vector<TAction*>& actions) {
  auto* bar = new TToolBar(this);
  bar->SetName(name);
  bar->SetCaption(caption);
  bar->SetFlat(true);
  bar->SetAutoSize(true);
  bar->SetDragKind(dkDock);
  bar->SetDragMode(dmAutomatic);
  bar->SetImages(GrayActionsImageList);
  bar->SetHotImages(ActionsImageList);
  bar->SetPopupMenu(ToolbarsPopupMenu);
  // Each bar starts at the end of its row; the docking lays the rows out.
  int left = 0;
  for (int i = 0; i < TopControlBar->ControlCount(); ++i) {
    TControl* other = TopControlBar->Controls(i);
    if (other->Top() == top) left = std::max(left, other->Left() + other->Width());
  }
  bar->SetBounds(left, top, 100, 28);
  bar->SetParent(TopControlBar);
  AddToolButtons(bar, actions);
  return bar;
}

void TMappingsForm::CreateToolbars() {
  const std::nullptr_t bar = nullptr;
  MappingsToolBar = AddToolBar("MappingsToolBar", "Mappings", 0,
                               {NewMappingAction, MergeMappingAction, SaveMappingAction, ChooseMappingAction, bar,
                                LoadMappingFromFileAction, SaveMappingInFileAction});
  EditToolBar = AddToolBar("EditToolBar", "Edit", 0,
                           {AttachAllFromFileAction, AttachSelectedAction, bar, DetachAction, bar, SelectAllAction});
  MappingToolsToolBar = AddToolBar(
      "MappingToolsToolBar", "Mapping tools", 0,
      {SetProgramNumberAction, SetBankNumberAction, SetPresetNameAction, PresetPropertiesAction, bar,
       SetBankNameAction, SetBankColorAction, SetBankBackgroundAction, SetBankNamesByFileNamesAction, bar,
       SetDefaultMelodicBankAction, SetDefaultDrumSetAction, bar, CheckMappingAction});
  SoundFontsToolBar = AddToolBar("SoundFontsToolBar", "SoundFonts", 28,
                                 {SaveAsSoundFontAction, SaveAsSeparateSoundFontsAction, bar, SetBankInFileAction});
  ExportToolBar = AddToolBar("ExportToolBar", "Export", 28,
                             {CreateCubase12Action, CreateCubase1Action, CreateCakewalkAction, CreateMassivaAction,
                              CreateEvolutionAction, CreateEncoreAction, CreateQuartzAction, CreateLogicAction,
                              SaveMappingAsHTMLAction});
  MiscToolBar = AddToolBar("MiscToolBar", "Misc", 28,
                           {PreviewModeAction, RefreshTreeAction, WaveSettingsAction, CustomizeAction});
  ColorsToolBar = AddToolBar("ColorsToolBar", "Colors", 28,
                             {ColoredBankHeadersAction, ColoredBankItemsAction, ColoredBackgroundAction, bar,
                              ShowListDividersAction});
  // Its buttons are the launcher's actions.
  TarnbelToolBar = AddToolBar("TarnbelToolBar", "Tarnbel", 28, {});
}

// The "Tarnbel" menu and toolbar show the launcher's own actions with the launcher's images.
void TMappingsForm::AddLauncherActions() {
  if (!Launcher) return;
  TarnbelToolBar->SetImages(Launcher->GrayActionImages());
  TarnbelToolBar->SetHotImages(Launcher->ActionImages());
  AddTarnbelActions(Launcher, &TLauncherActions::MappingsEditor, this, TarnbelToolBar,
                    dynamic_cast<TMenuItem*>(FindComponent("TarnbelMenuItem")));
}

void TMappingsForm::CreateFormStorage() {
  FormStorage1 = new TFormStorage(this);
  FormStorage1->SetName("FormStorage1");
  FormStorage1->BeginLoading();
  FormStorage1->SetUseRegistry(true);
  FormStorage1->SetIniFileName("Software\\tarnbel\\placement");
  FormStorage1->SetIniSection("mapping");
  FormStorage1->SetVersion(5);
  FormStorage1->SetOptions(kDefaultPlacementOptions);
  for (const char* line : {"SystemTreeView.Width", "FilesListView.Width", "PresetsListView.Width",
                           "SystemTreeView.Selection", "FilesListView.Tag", "PresetsListView.Tag"})
    FormStorage1->StoredProps()->Add(line);
  FormStorage1->Loaded();
}
