#include "tarnbel_fakeform.h"

#include <shellapi.h>

#include <cstdint>
#include <vector>

#include "application.h"
#include "message_box.h"
#include "none_marker.h"
#include "presets_in_cache_form.h"
#include "protocol_payloads.h"
#include "registry_internal.h"
#include "screen.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "tarnbel_func_vcl.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"

using namespace ui;

UI_CLASSINFO(TFakeForm)

namespace {

const char* const InstallerBlockedText =
    "Installer can't work while tarnbel is running. Quit tarnbel and run install program again.";
const char* const WaveErrorText = "Unsupported wave format";

// Parameters of the protocol are 32-bit values whatever the width of WPARAM and LPARAM.
int32_t Long(LPARAM value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

bool IsChannel(WPARAM value) { return value <= 15; }

std::string HostName(const TAction* action) {
  std::string name = action->Name();
  const std::string suffix = "Action";
  if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
    name.resize(name.size() - suffix.size());
  return name;
}

// Set while its scope runs, also when it ends by an exception.
class TBusyFlag {
 public:
  explicit TBusyFlag(bool& flag) : FFlag(flag) { FFlag = true; }
  ~TBusyFlag() { FFlag = false; }
  TBusyFlag(const TBusyFlag&) = delete;
  TBusyFlag& operator=(const TBusyFlag&) = delete;

 private:
  bool& FFlag;
};

// A stored switch is a DWORD of 0 or 1; anything else there reads as the default, which is written back.
bool ReadSwitch(TRegKey& key, const std::string& name, bool defaultValue) {
  DWORD type = 0, value = 0, size = sizeof(value);
  if (key.Opened() &&
      RegQueryValueExA(key.Handle(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
          ERROR_SUCCESS &&
      type == REG_DWORD && size == sizeof(value) && value <= 1)
    return value == 1;
  key.WriteBool(name, defaultValue);
  return defaultValue;
}

bool OpensWindow(UINT id) {
  switch (id) {
    case WM_TB_SHOW_MONITOR: case WM_TB_SHOW_MANAGER: case WM_TB_SHOW_EDITOR: case WM_TB_SHOW_PREFERENCES:
    case WM_TB_SHOW_ABOUT: case WM_TB_CHECK_INTEGRITY:
      return true;
    default:
      return false;
  }
}

TEditorWindowOps* EditorOps() { return dynamic_cast<TEditorWindowOps*>(MappingsForm); }
TManagerWindowOps* ManagerOps() { return dynamic_cast<TManagerWindowOps*>(MappingsManagerForm); }

}  // namespace

std::string PlacementKeyPath() { return std::string(TarnbelKeyPath) + "\\placement"; }

void SetExportVisibility(TActionList* list, const std::string& name, bool visible) {
  if (!list) return;
  for (int i = 0; i < list->ActionCount(); ++i)
    if (list->Actions(i)->Name().find(name) != std::string::npos) list->Actions(i)->SetVisible(visible);
}

TFakeForm* FakeForm = nullptr;

TFakeForm::TFakeForm(TComponent* owner) : TForm(owner) {
  SetName("FakeForm");
  SetBorderStyle(bsNone);
  SetBounds(0, 0, 137, 44);
  SetPosition(poScreenCenter);
  SetCaption("tarnbel_fake_window");

  Bevel1 = new TBevel(this);
  Bevel1->SetName("Bevel1");
  Bevel1->SetParent(this);
  Bevel1->SetAlign(alClient);
  Bevel1->SetStyle(bsRaised);
  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetBounds(7, 6, 32, 32);
  if (HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, 32, 32, 0))
    Image1->Picture()->Icon()->SetHandle(static_cast<HICON>(icon));
  Label1 = new TLabel(this);
  Label1->SetName("Label1");
  Label1->SetParent(this);
  Label1->SetBounds(52, 16, 80, 13);
  Label1->Font()->SetStyle((1u << fsBold) | (1u << fsItalic));
  Label1->SetCaption("Loading . . .");

  ActionsImageList = new TImageList(this);
  ActionsImageList->SetName("ActionsImageList");
  GrayActionsImageList = new TImageList(this);
  GrayActionsImageList->SetName("GrayActionsImageList");

  ActionList1 = new TActionList(this);
  ActionList1->SetName("ActionList1");
  ActionList1->SetImages(ActionsImageList);
  const TShortCut ctrlAlt = scCtrl | scAlt;
  CustomizeAction = AddAction(ActionList1, "CustomizeAction", "Customize...", "Customize toolbars", 0);
  MonitorAction = AddAction(ActionList1, "MonitorAction", "Monitor...", "Monitor", ctrlAlt | VK_F5);
  MappingsManagerAction =
      AddAction(ActionList1, "MappingsManagerAction", "Manager...", "Mappings manager", ctrlAlt | VK_F6);
  MappingsEditorAction =
      AddAction(ActionList1, "MappingsEditorAction", "Editor...", "Mappings editor", ctrlAlt | VK_F7);
  PreferencesAction = AddAction(ActionList1, "PreferencesAction", "Preferences...", "Preferences", ctrlAlt | VK_F8);
  AboutAction = AddAction(ActionList1, "AboutAction", "About...", "About...", 0);
  MonitorAction->OnExecute = [this](TObject*) { MonitorActionExecute(); };
  MappingsManagerAction->OnExecute = [this](TObject*) { MappingsManagerActionExecute(); };
  MappingsEditorAction->OnExecute = [this](TObject*) { MappingsEditorActionExecute(); };
  MappingsEditorAction->OnUpdate = [this](TObject*) { MappingsEditorActionUpdate(); };
  PreferencesAction->OnExecute = [this](TObject*) { PreferencesActionExecute(); };
  AboutAction->OnExecute = [this](TObject*) { AboutActionExecute(); };
  // A window that this build has no maker for keeps its action, disabled.
  MappingsManagerAction->OnUpdate = [this](TObject*) {
    MappingsManagerAction->SetEnabled(bool(ToolWindowMakers.Manager));
  };
  PreferencesAction->OnUpdate = [this](TObject*) { PreferencesAction->SetEnabled(bool(ToolWindowMakers.Preferences)); };
  AboutAction->OnUpdate = [this](TObject*) { AboutAction->SetEnabled(bool(ToolWindowMakers.About)); };

  ActionList2 = new TActionList(this);
  ActionList2->SetName("ActionList2");
  CakewalkAction = AddAction(ActionList2, "CakewalkAction", "Cakewalk", "", 0);
  CubaseAction = AddAction(ActionList2, "CubaseAction", "Cubase", "", 0);
  EncoreAction = AddAction(ActionList2, "EncoreAction", "Encore", "", 0);
  EvolutionAction = AddAction(ActionList2, "EvolutionAction", "Evolution", "", 0);
  LogicAction = AddAction(ActionList2, "LogicAction", "Logic", "", 0);
  MassivaAction = AddAction(ActionList2, "MassivaAction", "Massiva", "", 0);
  QuartzAction = AddAction(ActionList2, "QuartzAction", "Quartz", "", 0);
  for (int i = 0; i < ActionList2->ActionCount(); ++i) {
    TAction* action = ActionList2->Actions(i);
    action->OnExecute = [this, action](TObject*) { CakewalkActionExecute(action); };
  }

  WindowHook = new TKitWindowHook(this);
  WindowHook->SetName("WindowHook");
  WindowHook->BeforeMessage = [this](TObject*, TMessage& msg, bool& handled) { HookBeforeMessage(msg, handled); };
  WindowHook->SetWinControl(this);

  Launcher = this;
  FormCreate();
}

TAction* TFakeForm::AddAction(TActionList* list, const char* name, const std::string& caption,
                              const std::string& hint, TShortCut shortCut) {
  auto* action = new TAction(this);
  action->SetName(name);
  action->SetCaption(caption);
  action->SetHint(hint);
  action->SetShortCut(shortCut);
  action->SetActionList(list);
  return action;
}

void TFakeForm::FormCreate() {
  SetWindowTextA(Handle(), TOOLS_WINDOW_TITLE);
  LoadActionImages(this, "main", {"Monitor", "MappingsManager", "MappingsEditor", "Preferences", "About", "Customize"},
                   5);
  TRegKey placement(PlacementKeyPath(), true);
  for (int i = 0; i < ActionList2->ActionCount(); ++i) {
    TAction* action = ActionList2->Actions(i);
    action->SetChecked(ReadSwitch(placement, action->Name() + "Visible", true));
  }
  ActionList1->UpdateActions();
}

void TFakeForm::Destroying() {
  // The server may have posted payloads here that this ending program will never read.
  if (HandleAllocated()) TIPCLink::DiscardQueuedPayloads(Handle());
  if (FakeForm == this) FakeForm = nullptr;
  if (Launcher == this) Launcher = nullptr;
  TForm::Destroying();
}

void TFakeForm::Notification(TComponent* component, TOperation operation) {
  TForm::Notification(component, operation);
  if (operation != opRemove) return;
  // A once-window freed by any road leaves its variable null.
  for (TForm** variable : {&MappingsForm, &MappingsManagerForm, &AboutForm, &OptionsForm})
    if (*variable == component) *variable = nullptr;
}

void TFakeForm::ShowSplash() {
  SetVisible(true);
  UpdateWindow(Handle());
}

void TFakeForm::HideSplash() { SetVisible(false); }

bool TFakeForm::RunServer(bool wait) { return RunServerFile(ProgramFolder() + "tarnbel.exe", wait); }

bool TFakeForm::RunServerFile(const std::string& path, bool wait) {
  TCursor previous = Screen().Cursor();
  Screen().SetCursor(crHourGlass);
  struct TRestoreCursor {
    TCursor Cursor;
    ~TRestoreCursor() { Screen().SetCursor(Cursor); }
  } restore{previous};
  // Started in its own folder, where it finds its icons.
  std::string folder = ExtractFilePath(path);
  HINSTANCE result = ShellExecuteA(nullptr, nullptr, path.c_str(), " ", folder.empty() ? nullptr : folder.c_str(),
                                   SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(result) <= 32) {
    ShowMessageBox("Can't run " + path, "tarnbel", MB_OK);
    return false;
  }
  if (!wait) return true;
  // Bounded: a server that never shows its window must not hold the tools program for good.
  TIPCLink server(SERVER_WINDOW_TITLE, 0);
  DWORD start = GetTickCount();
  while (!server.PeerExists()) {
    if (GetTickCount() - start >= ServerStartTimeoutMs) return false;
    Sleep(100);
  }
  if (ServerLink) ServerLink->FindPeer();
  return true;
}

void TFakeForm::PostMappingsChanged() {
  if (TManagerWindowOps* manager = ManagerOps()) manager->ReloadMappings();
  if (ServerLink) ServerLink->Notify(WM_TB_MAPPINGS_CHANGED);
}

TLauncherActions TFakeForm::WindowActions() {
  TLauncherActions actions;
  actions.Monitor = MonitorAction;
  actions.MappingsManager = MappingsManagerAction;
  actions.MappingsEditor = MappingsEditorAction;
  actions.Preferences = PreferencesAction;
  actions.About = AboutAction;
  return actions;
}

void TFakeForm::EditMapping(const std::string& mapping) {
  if (TPresetsInCacheForm* monitor = Monitor()) monitor->PendingEditorMapping = mapping;
  MappingsEditorAction->Execute();
}

void TFakeForm::ApplyExportVisibility(TActionList* list, TWinControl* toolbar) {
  for (int i = 0; i < ActionList2->ActionCount(); ++i) {
    TAction* host = ActionList2->Actions(i);
    SetExportVisibility(list, HostName(host), host->Checked());
  }
  if (toolbar) {
    toolbar->AlignControls();
    toolbar->Invalidate();
  }
}

void TFakeForm::CakewalkActionExecute(TAction* action) {
  action->SetChecked(!action->Checked());
  TRegKey(PlacementKeyPath(), true).WriteBool(action->Name() + "Visible", action->Checked());
  if (TManagerWindowOps* manager = ManagerOps()) ApplyExportVisibility(manager->ExportActionList(), manager->ExportToolbar());
  if (TEditorWindowOps* editor = EditorOps()) ApplyExportVisibility(editor->ExportActionList(), editor->ExportToolbar());
}

void TFakeForm::HookBeforeMessage(TMessage& msg, bool&) {
  switch (msg.Msg) {
    case WM_TB_SHOW_MONITOR: case WM_TB_TOOLS_ACTIVATE: case WM_TB_SHOW_ABOUT: case WM_TB_SHOW_PREFERENCES:
    case WM_TB_SHOW_MANAGER: case WM_TB_SHOW_EDITOR:
      BringProgramToFront();
      break;
    default:
      break;
  }
  HandleServerMessage(msg);
  switch (msg.Msg) {
    case WM_TB_SERVER_BUSY: case WM_TB_SERVER_IDLE: case WM_TB_SERVER_ERROR: case WM_TB_SERVER_STATE:
      if (TPresetsInCacheForm* monitor = Monitor()) monitor->RedrawStatusBar();
      break;
    default:
      break;
  }
}

void TFakeForm::HandleServerMessage(TMessage& msg) {
  TPresetsInCacheForm* monitor = Monitor();
  // A set-up command's boxes run messages while the monitor is half made: nothing opens then.
  if (monitor && monitor->SettingUp() && OpensWindow(msg.Msg)) return;
  switch (msg.Msg) {
    case WM_TB_SERVER_BUSY:
      if (ServerState != ServerStateError) ServerState = ServerStateBusy;
      break;
    case WM_TB_SERVER_IDLE:
      if (ServerState != ServerStateError) ServerState = ServerStateIdle;
      break;
    case WM_TB_SERVER_ERROR:
      ServerState = ServerStateError;
      break;
    case WM_TB_SERVER_STATE: {
      bool on = Long(msg.LParam) != 0;
      ServerState = on ? ServerStateIdle : ServerStateOff;
      if (monitor) monitor->ServerSwitchChanged(on);
      break;
    }
    case WM_TB_SERVER_STARTED:
      if (ServerLink) ServerLink->FindPeer();
      break;
    case WM_TB_SERVER_STOPPED:
      if (ServerLink) ServerLink->ForgetPeer();
      if (FollowServer && monitor) monitor->CloseAllWindows();
      break;
    case WM_TB_SHOW_MONITOR:
      RunShowAction(MonitorAction);
      break;
    case WM_TB_SHOW_MANAGER:
      RunShowAction(MappingsManagerAction);
      break;
    case WM_TB_SHOW_EDITOR:
      RunShowAction(MappingsEditorAction);
      break;
    case WM_TB_SHOW_PREFERENCES:
      RunShowAction(PreferencesAction);
      break;
    case WM_TB_SHOW_ABOUT:
      RunShowAction(AboutAction);
      break;
    case WM_TB_TOOLS_ACTIVATE:
      break;
    case WM_TB_INSTALLER_BLOCKED:
      ShowInstallerBlocked();
      break;
    case WM_TB_CHECK_INTEGRITY: {
      // The window asked from, when it is a shown one of this program (the server names none).
      auto* asker = dynamic_cast<TForm*>(TWinControl::FindControl(reinterpret_cast<HWND>(msg.WParam)));
      CheckIntegrity(asker && asker != this && asker->Visible() ? asker : nullptr);
      break;
    }
    case WM_TB_PREVIEW_STOPPED:
    case WM_TB_PREVIEW_STARTED:
      if (TEditorWindowOps* editor = EditorOps()) editor->SetPreviewMode(msg.Msg == WM_TB_PREVIEW_STARTED);
      break;
    case WM_TB_PREVIEW_WAVE_ERROR:
      if (TEditorWindowOps* editor = EditorOps())
        if (editor->Previewing()) editor->SetStatusText(WaveErrorText);
      break;
    case WM_TB_CACHE_LIST: {
      if (!monitor) {
        TIPCLink::DiscardPayload(msg.WParam);
        break;
      }
      std::vector<uint8_t> payload;
      std::vector<CachedPresetRecord> records;
      // A payload that does not hold exactly the announced count of records is removed unread.
      if (IPCReceiveBuffer(msg.WParam, payload) &&
          DecodeCacheList(payload, static_cast<uint32_t>(CacheCount < 0 ? -1 : CacheCount), records))
        monitor->LoadCachedPresets(records);
      break;
    }
    case WM_TB_FILE_TEXT: {
      std::string text;
      if (IPCReceiveString(msg.WParam, text) && monitor) monitor->ShowFileText(text);
      break;
    }
    case WM_TB_FILE_NAME: {
      std::string text;
      if (IPCReceiveString(msg.WParam, text)) FileName = text;
      if (monitor) monitor->UpdateCaption();
      break;
    }
    case WM_TB_CACHE_MAX:
    case WM_TB_CACHE_FREE:
    case WM_TB_CACHE_COUNT:
      (msg.Msg == WM_TB_CACHE_MAX ? CacheMax : msg.Msg == WM_TB_CACHE_FREE ? CacheFree : CacheCount) =
          Long(msg.LParam);
      if (monitor) monitor->UpdateCacheStatus();
      break;
    case WM_TB_CACHE_CLEAR:
      if (monitor) monitor->ClearCachedPresets();
      break;
    case WM_TB_ROUTE_LIST: {
      if (!monitor) {
        TIPCLink::DiscardPayload(msg.WParam);
        break;
      }
      std::string text;
      if (IPCReceiveString(msg.WParam, text)) monitor->SetRouteList(DecodeEntryList(text));
      break;
    }
    case WM_TB_CURRENT_ROUTE:
      if (monitor) monitor->SelectRoute(Long(msg.LParam));
      break;
    case WM_TB_PRESET_CHANGED:
    case WM_TB_NOTE_ON_LAMP:
    case WM_TB_NOTE_OFF_LAMP: {
      if (!monitor || !IsChannel(msg.WParam)) break;
      TPresetReport report;
      report.Channel = static_cast<int32_t>(msg.WParam);
      DecodeLampParam(msg.LParam, report.Bank, report.Program);
      if (msg.Msg == WM_TB_PRESET_CHANGED) monitor->PresetChanged(report);
      else if (msg.Msg == WM_TB_NOTE_ON_LAMP) monitor->NoteOnLamp(report);
      else monitor->NoteOffLamp(report);
      break;
    }
    default:
      // Payloads meant for someone else are not left behind.
      if (MessageCarriesPayload(msg.Msg)) TIPCLink::DiscardPayload(msg.WParam);
      break;
  }
}

void TFakeForm::RunShowAction(TAction* action) {
  if (!action->Execute()) ShowRequestFailed();
}

// Nothing opened: the splash goes, and a program that has nothing open ends.
void TFakeForm::ShowRequestFailed() {
  HideSplash();
  if (TPresetsInCacheForm* monitor = Monitor()) monitor->CloseIfIdle();
}

void TFakeForm::BringProgramToFront() {
  TForm* target = nullptr;
  TPresetsInCacheForm* monitor = Monitor();
  TForm* active = Screen().ActiveForm();
  if (active && active != this && active->Visible()) target = active;
  else if (monitor && monitor->Visible()) target = monitor;
  else
    for (TForm* window : {MappingsForm, MappingsManagerForm, OptionsForm, AboutForm})
      if (!target && window && window->Visible()) target = window;
  if (!target) return;
  if (IsIconic(Application().Handle())) Application().Restore();
  SetForegroundWindow(target->Handle());
}

void TFakeForm::ShowInstallerBlocked() {
  ShowMessageBox(InstallerBlockedText, "tarnbel", MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL | MB_SETFOREGROUND);
}

void TFakeForm::CheckIntegrity(TForm* asker) {
  TPresetsInCacheForm* monitor = Monitor();
  if (FChecking) return;
  if (ToolWindowMakers.CheckIntegrity) {
    {
      TBusyFlag checking(FChecking);
      ToolWindowMakers.CheckIntegrity(this, asker);
    }
    if (ServerLink) ServerLink->Notify(WM_TB_MAPPINGS_CHANGED);
  }
  if ((monitor = Monitor())) monitor->CloseIfIdle();
}

TForm* TFakeForm::MakeOnceWindow(TOnceWindow kind, TForm*& variable, const TFormMaker& maker) {
  TForm* form = nullptr;
  try {
    TBusyFlag opening(FOpening[kind]);
    if (maker) form = maker(this);
  } catch (...) {
    HideSplash();
    Application().HandleException(this);
    return nullptr;
  }
  if (!form) return nullptr;
  variable = form;
  FreeNotification(form);
  return form;
}

void TFakeForm::Activate(TForm* form) {
  if (!form) return;
  if (TPresetsInCacheForm* monitor = Monitor()) monitor->PlaceNearMonitor(form);
  form->BringToFront();
  PostMessageA(form->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
}

void TFakeForm::MonitorActionExecute() {
  TPresetsInCacheForm* monitor = Monitor();
  if (!monitor) return;
  ShowSplash();
  monitor->Show();
  if (ServerLink) {
    for (UINT request : {WM_TB_GET_ROUTES, WM_TB_GET_CURRENT_ROUTE, WM_TB_GET_CACHE_INFO, WM_TB_GET_FILE_NAME,
                         WM_TB_GET_FILE_TEXT, WM_TB_GET_STATE})
      ServerLink->Notify(request);
  }
  HideSplash();
  monitor->BringToFront();
  PostMessageA(monitor->Handle(), WM_ACTIVATE, WA_ACTIVE, 0);
}

void TFakeForm::MappingsManagerActionExecute() {
  if (FOpening[owManager]) return;
  if (!MappingsManagerForm) {
    ShowSplash();
    TForm* form = MakeOnceWindow(owManager, MappingsManagerForm, ToolWindowMakers.Manager);
    if (form) form->Show();
    HideSplash();
    if (!form) {
      ShowRequestFailed();
      return;
    }
  }
  Activate(MappingsManagerForm);
}

void TFakeForm::PreferencesActionExecute() {
  if (FOpening[owPreferences]) return;
  if (!OptionsForm) {
    ShowSplash();
    TForm* form = MakeOnceWindow(owPreferences, OptionsForm, ToolWindowMakers.Preferences);
    if (form) form->Show();
    HideSplash();
    if (!form) {
      ShowRequestFailed();
      return;
    }
  }
  if (TPresetsInCacheForm* monitor = Monitor()) monitor->PlaceNearMonitor(OptionsForm);
  if (OptionsForm) OptionsForm->BringToFront();
}

void TFakeForm::MappingsEditorActionUpdate() {
  MappingsEditorAction->SetEnabled(ToolWindowMakers.Editor && (!MappingsForm || MappingsForm->Visible()));
}

void TFakeForm::MappingsEditorActionExecute() {
  // While the editor is being made and initialised (boxes run their own loops), a request opens nothing.
  if (FOpening[owEditor]) return;
  TPresetsInCacheForm* monitor = Monitor();
  std::string pending = monitor ? monitor->PendingEditorMapping : NoneMarker;
  if (MappingsForm) {
    MappingsForm->Show();
    MappingsForm->BringToFront();
    if (pending != NoneMarker)
      if (TEditorWindowOps* editor = EditorOps()) editor->SwitchToMapping(pending);
  } else {
    ShowSplash();
    TForm* form = MakeOnceWindow(owEditor, MappingsForm, ToolWindowMakers.Editor);
    HideSplash();
    TEditorWindowOps* editor = dynamic_cast<TEditorWindowOps*>(form);
    bool started = false;
    if (editor) {
      TBusyFlag opening(FOpening[owEditor]);
      try {
        started = editor->InitEditor(pending);
      } catch (...) {
        Application().HandleException(this);
      }
    }
    if (!started) {
      if (form && MappingsForm == form) form->Free();
      if ((monitor = Monitor())) {
        monitor->PendingEditorMapping = NoneMarker;
        monitor->CloseIfIdle();
      }
      return;
    }
    form->Show();
    form->BringToFront();
    editor->ShowToolbarsAndPanels();
  }
  if ((monitor = Monitor())) {
    monitor->PlaceNearMonitor(MappingsForm);
    monitor->PendingEditorMapping = NoneMarker;
  }
}

void TFakeForm::AboutActionExecute() {
  if (FOpening[owAbout]) return;
  if (!AboutForm) {
    TForm* form = MakeOnceWindow(owAbout, AboutForm, ToolWindowMakers.About);
    if (!form) {
      ShowRequestFailed();
      return;
    }
    TPresetsInCacheForm* monitor = Monitor();
    if (monitor && monitor->Visible() && monitor->StayOnTop()) {
      // A closed message meanwhile ends the loop; the window is freed after it.
      TBusyFlag opening(FOpening[owAbout]);
      form->ShowModal();
    } else {
      form->Show();
    }
  }
  if (AboutForm) AboutForm->BringToFront();
}
