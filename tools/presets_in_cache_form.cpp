#include "presets_in_cache_form.h"

#include <cstdint>

#include "application.h"
#include "export_settings.h"
#include "none_marker.h"
#include "tarnbel_fakeform.h"
#include "tarnbel_func.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "sys_utils.h"
#include "tool_windows.h"

using namespace ui;

UI_CLASSINFO(TPresetsInCacheForm)

namespace {

const char* const MonitorCaption = "tarnbel monitor";

bool IsSetupCommand(const std::string& upper) {
  return upper == "-INSTALL" || upper == "-UNINSTALL" || upper == "-REINSTALL";
}

}  // namespace

TPresetsInCacheForm::TPresetsInCacheForm(TComponent* owner) : TForm(owner) {
  PresetsInCacheForm = this;
  SetName("PresetsInCacheForm");
  SetCaption(MonitorCaption);
  SetBounds(0, 0, 640, 420);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  OnShow = [this](TObject*) { FormShow(); };
  OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
  OnKeyDown = [this](TObject*, WORD& key, TSet32) { FormKeyDown(key); };

  FHook = new TKitWindowHook(this);
  FHook->SetName("WindowHook");
  FHook->BeforeMessage = [this](TObject*, TMessage& msg, bool& handled) { HookBeforeMessage(msg, handled); };
  FHook->SetWinControl(this);
  FAppEvents = new TAppEvents(this);
  FAppEvents->SetName("AppEvents");
  FAppEvents->OnMessage = [this](MSG& msg, bool& handled) { AppMessage(msg, handled); };

  Create();
}

void TPresetsInCacheForm::Create() {
  const std::vector<std::string>& params = ToolsParams;
  bool anyParam = !params.empty();

  FakeForm = new TFakeForm(this);
  FirstShow = true;

  if (anyParam && IsSetupCommand(UpperCase(params[0]))) {
    FEndRequested = true;
    FExitCode = ToolWindowMakers.Setup ? ToolWindowMakers.Setup(UpperCase(params[0]))
                                       : SETUP_NOT_AVAILABLE_EXIT_CODE;
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
  if (!anyParam) PostMessageA(FakeForm->Handle(), WM_TB_SHOW_MONITOR, 0, 0);
  // Start-up is over: a start that opens nothing must not leave the splash up.
  FakeForm->HideSplash();
}

void TPresetsInCacheForm::Destroying() {
  if (ServerLink) ServerLink->Notify(WM_TB_TOOLS_BYE);
  if (PresetsInCacheForm == this) PresetsInCacheForm = nullptr;
  TForm::Destroying();
}

bool TPresetsInCacheForm::AnyWindowOpen() const {
  return MappingsForm || MappingsManagerForm || AboutForm || OptionsForm;
}

void TPresetsInCacheForm::FormShow() {
  if (!FirstShow) return;
  FirstShow = false;
  if (FakeForm) FakeForm->HideSplash();
}

void TPresetsInCacheForm::FormCloseQuery(bool& canClose) {
  canClose = !AnyWindowOpen();
  if (!canClose) Hide();
}

void TPresetsInCacheForm::FormKeyDown(WORD& key) {
  if (key != VK_ESCAPE) return;
  key = 0;
  Close();
}

void TPresetsInCacheForm::CloseIfIdle() {
  if (AnyWindowOpen() || Visible()) return;
  Close();
  Application().Terminate();
}

bool TPresetsInCacheForm::CloseAllWindows() {
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
  // The message may come twice, or while its window runs a modal loop: the variable is cleared at once
  // and the window freed once nothing of it runs any more.
  if (TForm* form = *variable) {
    *variable = nullptr;
    ReleaseOnceWindow(form);
  }
  CloseIfIdle();
}

void TPresetsInCacheForm::AppMessage(MSG& msg, bool& handled) {
  // A quit request while windows are open closes them; the program ends once the last one has gone.
  if (msg.message == WM_QUIT) handled = CloseAllWindows();
}

void TPresetsInCacheForm::LoadCachedPresets(const std::vector<CachedPresetRecord>& records) {
  FCachedPresets = records;
}

void TPresetsInCacheForm::ClearCachedPresets() {
  FCachedPresets.clear();
  FCacheStatus.clear();
}

void TPresetsInCacheForm::SetRouteList(const std::vector<std::string>& captions) {
  FRoutes = captions;
  FSelectedRoute = -1;
}

void TPresetsInCacheForm::SelectRoute(int32_t row) {
  if (row >= 0 && static_cast<size_t>(row) < FRoutes.size()) FSelectedRoute = row;
}

void TPresetsInCacheForm::PresetChanged(const TPresetReport& report) { FLastPresetChange = report; }
void TPresetsInCacheForm::NoteOnLamp(const TPresetReport& report) { FLastNoteOn = report; }
void TPresetsInCacheForm::NoteOffLamp(const TPresetReport& report) { FLastNoteOff = report; }
void TPresetsInCacheForm::ShowFileText(const std::string& text) { FFileText = text; }

void TPresetsInCacheForm::ServerSwitchChanged(bool on) {
  FServerSwitchOn = on;
  if (!on) FCachedPresets.clear();
}

void TPresetsInCacheForm::RedrawStatusBar() {
  if (HandleAllocated()) Invalidate();
}

void TPresetsInCacheForm::UpdateCacheStatus() {
  // Kept in 64 bits: the difference of two reported figures must not overflow.
  int64_t size = CacheMax, free = CacheFree;
  FCacheStatus = std::to_string(free / 1024) + "k free, " + std::to_string((size - free) / 1024) + "k used, " +
                 std::to_string(size / 1024) + "k max, " + std::to_string(CacheCount) + " cached";
}

void TPresetsInCacheForm::UpdateCaption() {
  std::string caption = MonitorCaption;
  if (FakeForm && !FakeForm->FileName.empty())
    caption += " - " + FakeForm->FileName.substr(FakeForm->FileName.find_last_of("\\/:") + 1);
  SetCaption(caption);
}

void TPresetsInCacheForm::PlaceNearMonitor(TForm* window) {
  if (!window || !FStayOnTop || !Visible()) return;
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
