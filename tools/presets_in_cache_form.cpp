#include "presets_in_cache_form.h"

#include <cstdint>

#include "application.h"
#include "export_settings.h"
#include "none_marker.h"
#include "presets_list_view.h"
#include "sys_utils.h"
#include "tb_tools_program.h"
#include "action_controls.h"
#include "tarnbel_fakeform.h"
#include "tarnbel_func.h"
#include "tarnbel_func_vcl.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "tool_windows.h"

using namespace ui;

UI_CLASSINFO(TPresetsInCacheForm)

namespace {

const char* const MonitorCaption = "tarnbel monitor";
const char* const PlacementRoot = "Software\\tarnbel\\placement";

// The icon list and the action images, in the order they are loaded.
const std::vector<std::string> IconNames = {"PresetLEDOff", "PresetLEDOn", "SortReverse", "SortNormal",
                                            "PresetLEDAfterglow"};
const std::vector<std::string> ActionImageNames = {
    "..\\main\\Monitor", "..\\main\\MappingsManager", "..\\main\\MappingsEditor", "..\\main\\Preferences",
    "..\\main\\About", "UnloadSelected", "SaveSelectedAsSoundFont", "SaveSelectedAsSeparateSoundFonts",
    "SaveSelectedAsText", "SaveSelectedAsMappingFile", "ClearCache", "SaveAsSoundFont", "SaveAsSeparateSoundFonts",
    "SaveAsText", "SaveAsMappingFile", "ShowMIDIInfo", "CreateMapping", "CreateMappingFromSelected", "HardReset",
    "MIDIReset", "Restart", "RunTarnbel", "Remote", "Customize", "StayOnTop", "StayOnTop2"};

struct TPresetColumnLayout {
  const char* Caption;
  TAlignment Alignment;
  int Width;
};
const TPresetColumnLayout PresetColumns[pcColumnCount] = {
    {"", taLeftJustify, 20},        {"Channel", taRightJustify, 51}, {"Bank", taRightJustify, 37},
    {"Program", taRightJustify, 51}, {"Name", taLeftJustify, 40},     {"Mapping", taLeftJustify, 53},
    {"File", taLeftJustify, 28},     {"Bank in file", taRightJustify, 64}, {"Preset in file", taRightJustify, 69}};

}  // namespace

TPresetsInCacheForm* PresetsInCacheForm = nullptr;

TPresetsInCacheForm* Monitor() {
  return PresetsInCacheForm && !PresetsInCacheForm->IsDestroying() ? PresetsInCacheForm : nullptr;
}

TPresetsInCacheForm::TPresetsInCacheForm(TComponent* owner) : TForm(owner) {
  PresetsInCacheForm = this;
  MonitorForm = this;
  SetName("PresetsInCacheForm");
  SetCaption(MonitorCaption);
  SetBounds(0, 0, 640, 420);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  OnShow = [this](TObject*) { FormShow(); };
  OnActivate = [this](TObject*) { FormActivate(); };
  OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
  OnKeyDown = [this](TObject*, WORD& key, TSet32 shift) { FormKeyDown(key, shift); };

  CreateComponents();
  CreateActions();
  CreateToolbars();
  CreatePopupMenu();
  CreateFormStorage();

  FHook = new TKitWindowHook(this);
  FHook->SetName("WindowHook");
  FHook->BeforeMessage = [this](TObject*, TMessage& msg, bool& handled) { HookBeforeMessage(msg, handled); };
  FHook->SetWinControl(this);
  FAppEvents = new TAppEvents(this);
  FAppEvents->SetName("AppEvents");
  FAppEvents->OnMessage = [this](MSG& msg, bool& handled) { AppMessage(msg, handled); };

  Create();
}

void TPresetsInCacheForm::CreateComponents() {
  IconsImageList = new TImageList(this);
  IconsImageList->SetName("IconsImageList");
  ActionsImageList = new TImageList(this);
  ActionsImageList->SetName("ActionsImageList");
  GrayActionsImageList = new TImageList(this);
  GrayActionsImageList->SetName("GrayActionsImageList");

  // Made in the order their alignment places them: the outer bars first.
  StatusBar1 = new TStatusBar(this);
  StatusBar1->SetName("StatusBar1");
  StatusBar1->SetParent(this);
  StatusBar1->SetBounds(0, 380, 632, 19);
  StatusBar1->SetAlign(alBottom);
  TStatusPanel* state = StatusBar1->Panels()->Add();
  state->SetWidth(22);
  state->SetStyle(psOwnerDraw);
  StatusBar1->Panels()->Add()->SetWidth(400);
  StatusBar1->OnDrawPanel = [this](TStatusBar* bar, TStatusPanel*, const RECT& rect) { DrawStatePanel(bar, rect); };

  TopControlBar = MakeDockPanel(this, "TopControlBar", alTop, 0, 0, 632, 30);
  BottomControlBar = MakeDockPanel(this, "BottomControlBar", alBottom, 0, 370, 632, 0);
  LeftControlBar = MakeDockPanel(this, "LeftControlBar", alLeft, 0, 30, 0, 300);
  RightControlBar = MakeDockPanel(this, "RightControlBar", alRight, 632, 30, 0, 300);

  RichEdit1 = new TRichEdit(this);
  RichEdit1->SetName("RichEdit1");
  RichEdit1->SetVisible(false);
  RichEdit1->SetParent(this);
  RichEdit1->SetBounds(440, 31, 185, 300);
  RichEdit1->SetAlign(alRight);
  RichEdit1->SetReadOnly(true);
  RichEdit1->SetColor(clSilver);
  RichEdit1->Font()->SetName("Courier New");
  RichEdit1->Font()->SetSize(9);
  Splitter2 = new TSplitter(this);
  Splitter2->SetName("Splitter2");
  Splitter2->SetVisible(false);
  Splitter2->SetParent(this);
  Splitter2->SetAlign(alRight);
  Splitter2->SetBounds(437, 31, 3, 300);

  ListView2 = new TListView(this);
  ListView2->SetName("ListView2");
  ListView2->SetParent(this);
  ListView2->SetBounds(0, 31, 400, 65);
  ListView2->SetAlign(alTop);
  ListView2->SetViewStyle(vsReport);
  ListView2->SetShowColumnHeaders(false);
  ListView2->SetReadOnly(true);
  ListView2->SetRowSelect(true);
  ListView2->SetHideSelection(false);
  TListColumn* routes = ListView2->Columns()->Add();
  routes->SetCaption("Routes");
  routes->SetAutoSize(true);
  ListView2->OnSelectItem = [this](TObject*, TListItem* item, bool selected) { RouteSelected(item, selected); };
  Splitter1 = new TSplitter(this);
  Splitter1->SetName("Splitter1");
  Splitter1->SetParent(this);
  Splitter1->SetAlign(alTop);
  Splitter1->SetBounds(0, 97, 400, 3);

  ListView1 = new TPresetsListView(this);
  ListView1->SetName("ListView1");
  // A payload refills a thousand rows and sorts them: the control asks only for the rows it shows.
  ListView1->SetVirtualItems(true);
  ListView1->SetParent(this);
  ListView1->SetAlign(alClient);
  ListView1->SetViewStyle(vsReport);
  ListView1->SetMultiSelect(true);
  ListView1->SetRowSelect(true);
  ListView1->SetReadOnly(true);
  ListView1->SetHideSelection(false);
  for (const TPresetColumnLayout& preset : PresetColumns) {
    TListColumn* column = ListView1->Columns()->Add();
    column->SetCaption(preset.Caption);
    column->SetAlignment(preset.Alignment);
    column->SetWidth(preset.Width);
  }
  ListView1->SetSmallImages(IconsImageList);
  ListView1->SetHeaderImages(IconsImageList);
  ListView1->OnColumnClick = [this](TObject*, TListColumn* column) { ColumnClicked(column->Index()); };

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetInterval(30);
  Timer1->OnTimer = [this](TObject*) { LampTimer(); };
  Timer1->SetEnabled(true);

  SaveDialog1 = new TSaveDialog(this);
  SaveDialog1->SetName("SaveDialog1");
}

TAction* TPresetsInCacheForm::AddAction(const char* name, const std::string& caption, TShortCut shortCut,
                                        void (TPresetsInCacheForm::*execute)()) {
  auto* action = new TAction(this);
  action->SetName(name);
  action->SetCaption(caption);
  action->SetHint(caption);
  action->SetShortCut(shortCut);
  action->SetActionList(ActionList1);
  if (execute) action->OnExecute = [this, execute](TObject*) { (this->*execute)(); };
  return action;
}

void TPresetsInCacheForm::CreateActions() {
  ActionList1 = new TActionList(this);
  ActionList1->SetName("ActionList1");
  ActionList1->SetImages(ActionsImageList);
  const TShortCut ctrl = scCtrl, shift = scShift, alt = scAlt;
  using F = TPresetsInCacheForm;
  UnloadSelectedAction = AddAction("UnloadSelectedAction", "Unload selected from cache", VK_DELETE, nullptr);
  UnloadSelectedAction->OnExecute = [this](TObject*) { UnloadPresets(false); };
  ClearCacheAction = AddAction("ClearCacheAction", "Clear cache", ctrl | VK_DELETE, nullptr);
  ClearCacheAction->OnExecute = [this](TObject*) { UnloadPresets(true); };
  SelectAllAction = AddAction("SelectAllAction", "Select all", ctrl | 'A', nullptr);
  SelectAllAction->OnExecute = [this](TObject*) { ListView1->SelectAll(); };

  SaveSelectedAsSoundFontAction = AddAction("SaveSelectedAsSoundFontAction", "Save selected as SoundFont...",
                                            ctrl | shift | 'S', nullptr);
  SaveSelectedAsSeparateSoundFontsAction =
      AddAction("SaveSelectedAsSeparateSoundFontsAction", "Save selected as separate SoundFonts...",
                ctrl | alt | shift | 'S', nullptr);
  SaveSelectedAsTextAction =
      AddAction("SaveSelectedAsTextAction", "Save selected as text...", ctrl | shift | 'T', nullptr);
  SaveSelectedAsMappingFileAction =
      AddAction("SaveSelectedAsMappingFileAction", "Save selected as mapping file...", ctrl | shift | 'F', nullptr);
  CreateMappingFromSelectedAction = AddAction("CreateMappingFromSelectedAction",
                                              "Create mapping from selected presets...", ctrl | shift | 'M', nullptr);
  SaveAsSoundFontAction = AddAction("SaveAsSoundFontAction", "Save all cached as SoundFont...", ctrl | 'S', nullptr);
  SaveAsSeparateSoundFontsAction = AddAction("SaveAsSeparateSoundFontsAction",
                                             "Save all cached as separate SoundFonts...", ctrl | alt | 'S', nullptr);
  SaveAsTextAction = AddAction("SaveAsTextAction", "Save all cached as text...", ctrl | 'T', nullptr);
  SaveAsMappingFileAction =
      AddAction("SaveAsMappingFileAction", "Save all cached as mapping file...", ctrl | 'F', nullptr);
  CreateMappingAction = AddAction("CreateMappingAction", "Create mapping from cached presets...", ctrl | 'M', nullptr);
  // The save actions: the selected rows, then all rows.
  for (bool all : {false, true}) {
    (all ? SaveAsSoundFontAction : SaveSelectedAsSoundFontAction)->OnExecute = [this, all](TObject*) {
      SavePresetsAsSoundFonts(all, false);
    };
    (all ? SaveAsSeparateSoundFontsAction : SaveSelectedAsSeparateSoundFontsAction)->OnExecute =
        [this, all](TObject*) { SavePresetsAsSoundFonts(all, true); };
    (all ? SaveAsTextAction : SaveSelectedAsTextAction)->OnExecute = [this, all](TObject*) { SavePresetsAsText(all); };
    (all ? SaveAsMappingFileAction : SaveSelectedAsMappingFileAction)->OnExecute = [this, all](TObject*) {
      SavePresetsAsMappingFile(all);
    };
    (all ? CreateMappingAction : CreateMappingFromSelectedAction)->OnExecute = [this, all](TObject*) {
      CreateMappingFromPresets(all);
    };
  }

  HardResetAction = AddAction("HardResetAction", "Clear all samples from memory", ctrl | 'C', nullptr);
  HardResetAction->OnExecute = [](TObject*) {
    if (ServerLink) ServerLink->Notify(WM_TB_HARD_RESET);
  };
  MIDIResetAction = AddAction("MIDIResetAction", "Reset MIDI", ctrl | alt | 'M', nullptr);
  MIDIResetAction->OnExecute = [](TObject*) {
    if (ServerLink) ServerLink->Notify(WM_TB_MIDI_RESET);
  };
  RestartAction = AddAction("RestartAction", "Restart all routes", ctrl | alt | 'R', nullptr);
  RestartAction->OnExecute = [](TObject*) {
    if (ServerLink) ServerLink->Notify(WM_TB_RESTART);
  };
  RunTarnbelAction = AddAction("RunTarnbelAction", "Activate tarnbel", VK_F7, &F::RunTarnbelActionExecute);
  RunTarnbelAction->OnUpdate = [this](TObject*) { RunTarnbelActionUpdate(); };
  StayOnTopAction = AddAction("StayOnTopAction", "Stay on top", ctrl | 'Y', &F::StayOnTopActionExecute);
  StayOnTop2Action = AddAction("StayOnTop2Action", "Stay on top", 0, nullptr);
  ShowMIDIInfoAction = AddAction("ShowMIDIInfoAction", "MIDI file text window", ctrl | 'I', &F::ShowMIDIInfoActionExecute);
  CustomizeAction = AddAction("CustomizeAction", "&Toolbars...", 0, nullptr);
  CustomizeAction->SetHint("Toolbars");
  CustomizeAction->OnExecute = [this](TObject*) {
    if (DockManager) DockManager->ShowCustomizeForm();
  };

  // One update for the actions that follow the lists.
  for (TAction* action : {UnloadSelectedAction, ClearCacheAction, SelectAllAction, SaveSelectedAsSoundFontAction,
                          SaveSelectedAsSeparateSoundFontsAction, SaveSelectedAsTextAction,
                          SaveSelectedAsMappingFileAction, CreateMappingFromSelectedAction, SaveAsSoundFontAction,
                          SaveAsSeparateSoundFontsAction, SaveAsTextAction, SaveAsMappingFileAction,
                          CreateMappingAction, HardResetAction, MIDIResetAction, RestartAction})
    action->OnUpdate = [this](TObject*) { UpdateActionStates(); };
}

void TPresetsInCacheForm::UpdateActionStates() {
  bool any = ListView1->Items().Count() > 0;
  bool selected = any && ListView1->SelCount() > 0;
  for (TAction* action : {UnloadSelectedAction, SaveSelectedAsSoundFontAction, SaveSelectedAsSeparateSoundFontsAction,
                          SaveSelectedAsTextAction, SaveSelectedAsMappingFileAction, CreateMappingFromSelectedAction})
    action->SetEnabled(selected);
  for (TAction* action : {ClearCacheAction, SelectAllAction, SaveAsSoundFontAction, SaveAsSeparateSoundFontsAction,
                          SaveAsTextAction, SaveAsMappingFileAction, CreateMappingAction})
    action->SetEnabled(any);
  // The first route row is "[no info]": nothing to reset there.
  TListItem* route = ListView2->Selected();
  bool routeChosen = route && route->Index() > 0;
  HardResetAction->SetEnabled(routeChosen);
  MIDIResetAction->SetEnabled(routeChosen);
  RestartAction->SetEnabled(ListView2->Items().Count() > 0);
}

void TPresetsInCacheForm::AddToolButtons(TToolBar* bar, const std::vector<TAction*>& actions) {
  ::AddToolButtons(this, bar, actions);
}

void TPresetsInCacheForm::CreateToolbars() {
  auto makeBar = [this](const char* name, const std::string& caption, TWinControl* panel,
                        const std::vector<TAction*>& actions) {
    auto* bar = new TToolBar(this);
    bar->SetName(name);
    bar->SetCaption(caption);
    bar->SetFlat(true);
    bar->SetAutoSize(true);
    bar->SetDragKind(dkDock);
    bar->SetDragMode(dmAutomatic);
    bar->SetParent(panel);
    AddToolButtons(bar, actions);
    return bar;
  };
  ToolsToolBar = makeBar("ToolsToolBar", "Tools", TopControlBar,
                         {RunTarnbelAction, nullptr, RestartAction, MIDIResetAction, nullptr, HardResetAction,
                          ClearCacheAction, UnloadSelectedAction});
  ExportToolBar = makeBar("ExportToolBar", "Export", TopControlBar,
                          {SaveSelectedAsSoundFontAction, SaveSelectedAsSeparateSoundFontsAction,
                           SaveSelectedAsTextAction, SaveSelectedAsMappingFileAction, CreateMappingFromSelectedAction,
                           nullptr, SaveAsSoundFontAction, SaveAsSeparateSoundFontsAction, SaveAsTextAction,
                           SaveAsMappingFileAction, CreateMappingAction});
  MiscToolBar = makeBar("MiscToolBar", "Misc", TopControlBar, {StayOnTopAction, ShowMIDIInfoAction, CustomizeAction});
  // Its buttons are the launcher's actions, linked once the launcher exists.
  TarnbelToolBar = makeBar("TarnbelToolBar", "Tarnbel", TopControlBar, {});
}

void TPresetsInCacheForm::CreatePopupMenu() {
  PopupMenu1 = new TPopupMenu(this);
  PopupMenu1->SetName("PopupMenu1");
  PopupMenu1->SetImages(ActionsImageList);
  TMenuItem* root = PopupMenu1->Items();
  AddMenuItem(this, root, UnloadSelectedAction);
  AddMenuItem(this, root, ClearCacheAction);
  AddMenuItem(this, root, HardResetAction)->SetOwnShortCut(VK_F8);
  AddMenuItem(this, root, nullptr);
  AddMenuItem(this, root, SelectAllAction);
  AddMenuItem(this, root, nullptr);
  AddMenuItem(this, root, RestartAction);
  AddMenuItem(this, root, MIDIResetAction);
  AddMenuItem(this, root, RunTarnbelAction)->SetOwnCaption("Activate Tarnbel");
  AddMenuItem(this, root, nullptr);
  TMenuItem* exports = AddMenuItem(this, root, nullptr, "E&xport");
  for (TAction* action : {SaveAsSoundFontAction, SaveAsSeparateSoundFontsAction, SaveAsTextAction,
                          SaveAsMappingFileAction, CreateMappingAction, static_cast<TAction*>(nullptr),
                          SaveSelectedAsSoundFontAction, SaveSelectedAsSeparateSoundFontsAction,
                          SaveSelectedAsTextAction, SaveSelectedAsMappingFileAction, CreateMappingFromSelectedAction})
    AddMenuItem(this, exports, action);
  // Filled with the launcher's actions once it exists.
  AddMenuItem(this, root, nullptr, "&Tarnbel")->SetName("TarnbelMenuItem");
  AddMenuItem(this, root, nullptr);
  AddMenuItem(this, root, StayOnTopAction);
  AddMenuItem(this, root, ShowMIDIInfoAction);
  AddMenuItem(this, root, CustomizeAction);
  for (TControl* control : std::vector<TControl*>{ListView1, ListView2, RichEdit1}) control->SetPopupMenu(PopupMenu1);
}

void TPresetsInCacheForm::LinkLauncherActions() {
  AddTarnbelActions(FakeForm, &TLauncherActions::Monitor, this, TarnbelToolBar,
                    dynamic_cast<TMenuItem*>(FindComponent("TarnbelMenuItem")));
}

void TPresetsInCacheForm::CreateFormStorage() {
  FormStorage1 = new TFormStorage(this);
  FormStorage1->SetName("FormStorage1");
  FormStorage1->BeginLoading();
  FormStorage1->SetUseRegistry(true);
  FormStorage1->SetIniFileName("software\\tarnbel\\placement");
  FormStorage1->SetIniSection("PresetsInCache");
  for (const char* line : {"ListView1.Height", "ListView1.Tag", "ListView2.Height", "RichEdit1.Width",
                           "ListView1.Columns", "IconsImageList.Tag"})
    FormStorage1->StoredProps()->Add(line);
  // The stored sort state shows in the headers and orders the rows.
  FormStorage1->OnRestorePlacement = [this](TObject*) {
    ShowSortImages();
    SortPresets();
  };
  FormStorage1->Loaded();
}

void TPresetsInCacheForm::Create() {
  const std::vector<std::string>& params = ToolsParams;
  bool anyParam = !params.empty();

  FakeForm = new TFakeForm(this);
  FirstShow = true;

  if (anyParam && ToolWindowMakers.Setup && IsSetupSwitch(params[0])) {
    FEndRequested = true;
    FExitCode = ToolWindowMakers.Setup(UpperCase(params[0]));
    return;
  }

  FakeForm->ShowSplash();
  ServerLink = std::make_unique<TIPCLink>(SERVER_WINDOW_TITLE, 0);
  ServerLink->Notify(WM_TB_TOOLS_HELLO);
  Application().SetTitle("tarnbel tools");
  PendingEditorMapping = NoneMarker;
  LongMonthNames = {"January", "February", "Mart", "April", "May", "June",
                    "July", "August", "September", "October", "November", "December"};
  Settings = std::make_unique<TRegKey>(TarnbelKeyPath, true);
  MappingsForm = nullptr;
  MappingsManagerForm = nullptr;
  AboutForm = nullptr;
  OptionsForm = nullptr;
  ReadExportSettings(*Settings);
  if (!anyParam && !ServerLink->PeerExists()) FollowServer = false;
  if (anyParam && params[0].size() > 1 && UpperCase(params[0].substr(1)) == "EDITOR") {
    if (params.size() > 1) PendingEditorMapping = params[1];
    PostMessageA(FakeForm->Handle(), WM_TB_SHOW_EDITOR, 0, 0);
  }

  LinkLauncherActions();
  LoadImages();
  ShowMIDIInfoAction->SetChecked(Settings->ReadBool("ShowMIDIInfo", true));
  ApplyMIDIInfo();
  StayOnTopAction->SetChecked(Settings->ReadBool("Remote", false));
  ApplyStayOnTop();
  DockManager = std::make_unique<TDockManager>(this, "Tarnbel", FakeForm->GrayActionsImageList,
                                               FakeForm->ActionsImageList, GrayActionsImageList, ActionsImageList,
                                               PlacementRoot);
  for (TPanel* panel : {RightControlBar, TopControlBar, BottomControlBar, LeftControlBar})
    DockManager->AddDockPanel(panel);
  ActionList1->UpdateActions();

  if (!anyParam) PostMessageA(FakeForm->Handle(), WM_TB_SHOW_MONITOR, 0, 0);
  // Start-up is over: a start that opens nothing must not leave the splash up.
  FakeForm->HideSplash();
}

void TPresetsInCacheForm::LoadImages() {
  LoadIconList(IconsImageList, "monitor", IconNames, int(IconNames.size()) - 1);
  LoadActionImages(this, "monitor", ActionImageNames, int(ActionImageNames.size()) - 1);
  FStayOnTopImage = StayOnTopAction->ImageIndex();
  FStayOnTop2Image = StayOnTop2Action->ImageIndex();
}

void TPresetsInCacheForm::Destroying() {
  DockManager.reset();
  if (ServerLink) ServerLink->Notify(WM_TB_TOOLS_BYE);
  if (PresetsInCacheForm == this) PresetsInCacheForm = nullptr;
  if (MonitorForm == this) MonitorForm = nullptr;
  TForm::Destroying();
}

bool TPresetsInCacheForm::AnyWindowOpen() const {
  return MappingsForm || MappingsManagerForm || AboutForm || OptionsForm;
}

void TPresetsInCacheForm::FormShow() {
  SortPresets();
  if (!FirstShow) return;
  FirstShow = false;
  if (FakeForm) FakeForm->HideSplash();
  ListView1->Invalidate();
}

void TPresetsInCacheForm::FormActivate() { ApplyStayOnTop(); }

void TPresetsInCacheForm::FormCloseQuery(bool& canClose) {
  canClose = !AnyWindowOpen();
  if (!canClose) {
    Hide();
    return;
  }
  // Freeing the docking stores the toolbars' layout.
  DockManager.reset();
}

void TPresetsInCacheForm::FormKeyDown(WORD& key, TSet32 shift) {
  if (key == VK_ESCAPE) {
    key = 0;
    Close();
    return;
  }
  // The launcher's window actions (Ctrl+Alt+F5 to F8) work from the monitor too.
  if (FakeForm && FakeForm->IsShortCut(ShortCut(key, shift))) key = 0;
}

void TPresetsInCacheForm::CloseIfIdle() {
  // A set-up command ends the program itself, after its last box.
  if (FSettingUp || AnyWindowOpen() || Visible()) return;
  Close();
  Application().Terminate();
}

bool TPresetsInCacheForm::CloseAllWindows() {
  // A dialog that is open ends as cancelled; its window closes once the dialog's loop has returned.
  EndModalLoops();
  bool any = AnyWindowOpen();
  for (TForm** variable : {&MappingsManagerForm, &MappingsForm, &AboutForm, &OptionsForm})
    if (*variable) (*variable)->Close();
  Hide();
  CloseIfIdle();
  return any;
}

void TPresetsInCacheForm::HookBeforeMessage(TMessage& msg, bool& handled) {
  TForm** variable = nullptr;
  switch (msg.Msg) {
    case WM_TB_EDITOR_CLOSED: variable = &MappingsForm; break;
    case WM_TB_ABOUT_CLOSED: variable = &AboutForm; break;
    case WM_TB_OPTIONS_CLOSED: variable = &OptionsForm; break;
    case WM_TB_MANAGER_CLOSED: variable = &MappingsManagerForm; break;
    case WM_GETDLGCODE:
      // With the focus on the window itself the dialog keys would take Escape before the key preview.
      msg.Result = DLGC_WANTALLKEYS;
      handled = true;
      return;
    case WM_SYSCOMMAND:
      if ((msg.WParam & 0xFFF0) == SC_MINIMIZE) {
        Application().Minimize();
        handled = true;
      }
      return;
    default:
      return;
  }
  // The message may come twice, or while its window is busy: the variable is cleared at once and the
  // window freed once nothing of it runs any more.
  if (TForm* form = *variable) {
    *variable = nullptr;
    form->Release();
  }
  CloseIfIdle();
}

void TPresetsInCacheForm::AppMessage(MSG& msg, bool& handled) {
  // A quit request while windows are open closes them; the program ends once the last one has gone.
  if (msg.message == WM_QUIT) handled = CloseAllWindows();
}

void TPresetsInCacheForm::DrawStatePanel(TStatusBar* bar, const RECT& rect) {
  if (ServerState < 0 || ServerState >= IconsImageList->Count()) return;
  int x = rect.left + (rect.right - rect.left - IconsImageList->Width()) / 2;
  int y = rect.top + (rect.bottom - rect.top - IconsImageList->Height()) / 2;
  IconsImageList->Draw(*bar->Canvas(), x, y, ServerState);
}

void TPresetsInCacheForm::RedrawStatusBar() {
  if (StatusBar1->HandleAllocated()) StatusBar1->Invalidate();
}

void TPresetsInCacheForm::UpdateCacheStatus() {
  // Kept in 64 bits: the difference of two reported figures must not overflow.
  int64_t size = CacheMax, free = CacheFree;
  StatusBar1->Panels()->Items(1)->SetText(std::to_string(free / 1024) + "k free, " +
                                          std::to_string((size - free) / 1024) + "k used, " +
                                          std::to_string(size / 1024) + "k max, " + std::to_string(CacheCount) +
                                          " cached");
}

void TPresetsInCacheForm::UpdateCaption() {
  std::string caption = MonitorCaption;
  if (FakeForm && !FakeForm->FileName.empty())
    caption += " - " + FakeForm->FileName.substr(FakeForm->FileName.find_last_of("\\/:") + 1);
  SetCaption(caption);
}

void TPresetsInCacheForm::ShowFileText(const std::string& text) { RichEdit1->SetText(text); }

void TPresetsInCacheForm::PlaceNearMonitor(TForm* window) {
  if (!window || !StayOnTop() || !Visible()) return;
  if (WindowState() == wsMinimized) SetWindowState(wsNormal);
  int top = Top(), left = Left();
  if (window->Top() < top - 20 || window->Top() > top + Height() || window->Left() < left - 20 ||
      window->Left() > left + Width())
    return;
  int newTop = top - 20, newLeft = left - 20;
  int moveDown = newTop < 0 ? -newTop : 0, moveRight = newLeft < 0 ? -newLeft : 0;
  window->SetBounds(newLeft + moveRight, newTop + moveDown, window->Width(), window->Height());
  if (moveDown || moveRight) SetBounds(left + moveRight, top + moveDown, Width(), Height());
}

void TPresetsInCacheForm::RunTarnbelActionExecute() {
  if (!ServerLink) return;
  if (!ServerLink->PeerExists()) {
    // The new server's window is waited for: a request posted before it exists would be lost.
    if (!FakeForm || !FakeForm->RunServer(true)) return;
    ServerLink->FindPeer();
  }
  ServerLink->Notify(RunTarnbelAction->Checked() ? WM_TB_TURN_OFF : WM_TB_TURN_ON);
}

void TPresetsInCacheForm::RunTarnbelActionUpdate() {
  const char* hint = "Run tarnbel";
  if (ServerLink && ServerLink->PeerExists()) hint = RunTarnbelAction->Checked() ? "Turn off" : "Turn on";
  if (RunTarnbelAction->Hint() != hint) RunTarnbelAction->SetHint(hint);
}

void TPresetsInCacheForm::ServerSwitchChanged(bool on) {
  RunTarnbelAction->SetChecked(on);
  if (!on) ClearPresetRows();
}

void TPresetsInCacheForm::StayOnTopActionExecute() {
  StayOnTopAction->SetChecked(!StayOnTopAction->Checked());
  if (Settings) Settings->WriteBool("Remote", StayOnTopAction->Checked());
  ApplyStayOnTop();
}

void TPresetsInCacheForm::SetStayOnTop(bool on) {
  StayOnTopAction->SetChecked(on);
  ApplyStayOnTop();
}

void TPresetsInCacheForm::ApplyStayOnTop() {
  bool on = StayOnTopAction->Checked();
  if (HandleAllocated())
    SetWindowPos(Handle(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  int image = on ? FStayOnTop2Image : FStayOnTopImage;
  if (image >= 0 && StayOnTopAction->ImageIndex() != image) StayOnTopAction->SetImageIndex(image);
}

void TPresetsInCacheForm::ShowMIDIInfoActionExecute() {
  ShowMIDIInfoAction->SetChecked(!ShowMIDIInfoAction->Checked());
  if (Settings) Settings->WriteBool("ShowMIDIInfo", ShowMIDIInfoAction->Checked());
  ApplyMIDIInfo();
}

void TPresetsInCacheForm::ApplyMIDIInfo() {
  if (!ShowMIDIInfoAction->Checked()) {
    Splitter2->SetWidth(0);
    Splitter2->SetVisible(false);
    RichEdit1->SetVisible(false);
    return;
  }
  Splitter2->SetWidth(3);
  // The splitter must end up at the pane's left edge: the pane goes first only the first time.
  if (!FMIDIInfoShownOnce) {
    RichEdit1->SetVisible(true);
    Splitter2->SetVisible(true);
    FMIDIInfoShownOnce = true;
  } else {
    Splitter2->SetVisible(true);
    RichEdit1->SetVisible(true);
  }
  if (Splitter2->Left() + Splitter2->Width() > RichEdit1->Left())
    Splitter2->SetBounds(RichEdit1->Left() - Splitter2->Width(), Splitter2->Top(), Splitter2->Width(),
                         Splitter2->Height());
}
