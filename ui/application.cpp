#include "application.h"

#include <commctrl.h>

#include <algorithm>

#include "form.h"
#include "menus.h"
#include "message_box.h"
#include "sys_utils.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TApplication)

TApplication& Application() {
  static TApplication* app = new TApplication();  // lives to the very end of the process
  return *app;
}

TApplication::TApplication() : TComponent(nullptr), FMainThreadId(GetCurrentThreadId()) {
  // Every common-control class the library makes, once.
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_USEREX_CLASSES |
                                            ICC_COOL_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                                            ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  char path[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name = path;
  name = name.substr(name.find_last_of("\\/") + 1);
  FTitle = name.substr(0, name.find_last_of('.'));
  Handle();  // the window belongs to the thread that first uses the application: the GUI thread
}

TApplication::~TApplication() {
  if (FHintWindow) DestroyWindow(FHintWindow);
  if (FHandle) DestroyWindow(FHandle);
}

HWND TApplication::Handle() {
  if (!FHandle) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = AppWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TApplication";
    wc.hIcon = LoadIconA(wc.hInstance, "MAINICON");
    RegisterClassA(&wc);
    FHandle = CreateWindowExA(0, "TApplication", FTitle.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                              nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  return FHandle;
}

void TApplication::SetTitle(const std::string& title) {
  FTitle = title;
  if (FHandle) SetWindowTextA(FHandle, title.c_str());
}

LRESULT CALLBACK TApplication::AppWndProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  auto* app = reinterpret_cast<TApplication*>(GetWindowLongPtrA(h, GWLP_USERDATA));
  if (!app) return DefWindowProcA(h, msg, w, l);
  TMessage m{msg, w, l, 0};
  try {
    app->AppWndProcBody(m);
  } catch (...) {
    app->HandleException(app);
  }
  return m.Result;
}

void TApplication::AppWndProcBody(TMessage& m) {
  for (auto& hook : std::vector<std::pair<int, TWindowHook>>(FHooks))
    if (hook.second(m)) return;
  switch (m.Msg) {
    case CM_SYNCHRONIZE:
      (*reinterpret_cast<const std::function<void()>*>(m.LParam))();
      return;
    case WM_SYSCOMMAND:
      switch (m.WParam & 0xFFF0) {
        case SC_MINIMIZE: Minimize(); return;
        case SC_RESTORE: Restore(); return;
        default: break;
      }
      break;
    case WM_CLOSE:
      if (FMainForm) FMainForm->Close();
      return;
    case WM_COMMAND:  // pop-up menus are tracked with this window as owner
      if (!m.LParam && DispatchMenuCommand(LOWORD(m.WParam))) return;
      break;
    case WM_INITMENUPOPUP:
      DispatchMenuPopup(reinterpret_cast<HMENU>(m.WParam));
      break;
    case WM_ACTIVATEAPP:
      if (m.WParam ? OnActivate : OnDeactivate) (m.WParam ? OnActivate : OnDeactivate)(this);
      break;
    default:
      break;
  }
  m.Result = DefWindowProcA(FHandle, m.Msg, m.WParam, m.LParam);
}

int TApplication::HookMainWindow(TWindowHook hook) {
  int id = FNextHookId++;
  FHooks.emplace_back(id, std::move(hook));
  return id;
}

void TApplication::UnhookMainWindow(int id) {
  FHooks.erase(std::remove_if(FHooks.begin(), FHooks.end(), [id](auto& h) { return h.first == id; }), FHooks.end());
}

void TApplication::Run() {
  Handle();
  if (FMainForm && ShowMainForm) FMainForm->Show();
  while (!FTerminated) HandleMessage();
}

void TApplication::Terminate() {
  if (!HoldEndForModalLoop()) PostQuitMessage(0);
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg) && Idle()) WaitMessage();
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  bool handled = false;
  if (OnMessage) {
    try {
      OnMessage(msg, handled);
    } catch (...) {
      HandleException(this);
    }
  }
  if (msg.message == WM_QUIT) {
    if (!handled) FTerminated = true;
    return true;
  }
  if (!handled) {
    bool key = false;
    try {
      key = IsKeyMsg(msg);
    } catch (...) {
      HandleException(this);
      key = true;
    }
    if (!key) {
      bool dialog = false;
      try {
        dialog = IsDlgMsg(msg);
      } catch (...) {
        HandleException(this);
        dialog = true;
      }
      if (!dialog) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  }
  return true;
}

bool TApplication::IsKeyMsg(MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  TForm* form = nullptr;
  if (msg.hwnd) form = dynamic_cast<TForm*>(TWinControl::FindControl(GetAncestor(msg.hwnd, GA_ROOT)));
  if (!form) form = Screen().ActiveForm();
  TSet32 shift = KeyboardShiftState();
  // A form that has the focus itself hears the key as its own.
  if (form && form->KeyPreview() && form->OnKeyDown && msg.hwnd != form->Handle()) {
    WORD key = WORD(msg.wParam);
    form->OnKeyDown(form, key, shift);
    if (key == 0) return true;
  }
  TMessage km{msg.message, msg.wParam, msg.lParam, 0};
  bool handled = false;
  if (OnShortCut) OnShortCut(km, handled);
  if (handled) return true;
  TShortCut sc = ShortCut(WORD(msg.wParam), shift);
  if (form && form->IsShortCut(sc)) return true;
  return FMainForm && FMainForm != form && FMainForm->IsShortCut(sc);
}

namespace {

// The controls around the focused window, innermost first, may take a navigation key.
bool FocusChainTakesKey(const MSG& msg) {
  TWinControl* control = nullptr;
  for (HWND h = msg.hwnd; h && !control; h = (GetWindowLongA(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : nullptr)
    control = TWinControl::FindControl(h);
  TSet32 shift = KeyboardShiftState();
  for (; control; control = control->Parent())
    if (control->DialogKey(WORD(msg.wParam), shift)) return true;
  return false;
}

}  // namespace

bool TApplication::IsDlgMsg(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  auto* form = dynamic_cast<TForm*>(TWinControl::FindControl(GetAncestor(msg.hwnd, GA_ROOT)));
  if (!form || !form->HandleAllocated() || !IsWindowEnabled(form->Handle())) return false;
  if (msg.message == WM_KEYDOWN && FocusChainTakesKey(msg)) return true;
  if (msg.message == WM_SYSCHAR && form->DialogChar(char(msg.wParam))) return true;
  return IsDialogMessageA(form->Handle(), &msg) != FALSE;
}

bool TApplication::Idle() {
  try {
    for (int i = Screen().FormCount() - 1; i >= 0; --i) {
      if (i >= Screen().FormCount()) continue;
      TForm* f = Screen().Forms(i);
      if (f->Visible()) f->UpdateActions();
    }
  } catch (...) {
    HandleException(this);
  }
  bool done = true;
  if (OnIdle) {
    try {
      OnIdle(this, done);
    } catch (...) {
      HandleException(this);
    }
  }
  return done;
}

void TApplication::HandleException(TObject* sender) {
  auto report = [&](const std::exception& e) {
    // A failing report must not escape into the system's frames either.
    try {
      if (OnException) OnException(sender, e);
      else ShowException(e);
    } catch (...) {
    }
  };
  try {
    throw;
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    report(e);
  } catch (...) {
    report(Exception("Unknown exception"));
  }
}

void TApplication::ShowException(const std::exception& e) {
  std::string text = e.what();
  if (!text.empty() && text.back() > '.') text += '.';
  ShowMessageBox(text, FTitle, MB_OK | MB_ICONSTOP);
}

void TApplication::Synchronize(const std::function<void()>& method) {
  if (GetCurrentThreadId() == FMainThreadId) {
    method();
    return;
  }
  std::exception_ptr failure;
  std::function<void()> call = [&] {
    try {
      method();
    } catch (...) {
      failure = std::current_exception();
    }
  };
  SendMessageA(Handle(), CM_SYNCHRONIZE, 0, reinterpret_cast<LPARAM>(&call));
  if (failure) std::rethrow_exception(failure);
}

void TApplication::Minimize() {
  HWND h = Handle();
  if (IsIconic(h)) return;
  ShowOwnedPopups(h, FALSE);
  ShowWindow(h, SW_MINIMIZE);
  if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
  HWND h = Handle();
  if (!IsIconic(h)) return;
  ShowWindow(h, SW_RESTORE);
  ShowWindow(h, SW_HIDE);
  ShowOwnedPopups(h, TRUE);
  if (OnRestore) OnRestore(this);
}

}  // namespace ui

namespace ui {

void TApplication::SetHint(const std::string& hint) {
  if (hint == FHint) return;
  FHint = hint;
  if (OnHint) OnHint(this);
}

bool TApplication::HelpCommand(WORD command, intptr_t data) {
  bool callHelp = true;
  return OnHelp && OnHelp(command, data, callHelp);
}

bool TApplication::HelpContext(int context) { return HelpCommand(HELP_CONTEXT, context); }

void TApplication::ApplyHintSettings() {
  SendMessageA(FHintWindow, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(HintPause, 0));
  SendMessageA(FHintWindow, TTM_SETDELAYTIME, TTDT_RESHOW, MAKELPARAM(HintShortPause, 0));
  SendMessageA(FHintWindow, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(HintHidePause, 0));
}

void TApplication::RemoveHintTool(TControl* control) {
  auto it = FHintTools.find(control);
  if (it == FHintTools.end()) return;
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.hwnd = it->second;
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  SendMessageA(FHintWindow, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  FHintTools.erase(it);
}

void TApplication::UpdateHintTool(TControl* control) {
  RemoveHintTool(control);
  if (control->IsDestroying() || control->Hint().empty() || !control->ShowHint()) return;
  // A windowed control's tool is its own window; a graphic control's is its place on the parent.
  HWND host = nullptr;
  RECT r{0, 0, 0, 0};
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    if (w->HandleAllocated()) host = w->Handle(), r = w->ClientRect();
  } else if (control->Parent() && control->Parent()->HandleAllocated()) {
    host = control->Parent()->Handle();
    r = control->BoundsRect();
  }
  if (!host) return;
  if (!FHintWindow) {
    FHintWindow = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0,
                                  0, 0, 0, Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!FHintWindow) return;
    SendMessageA(FHintWindow, TTM_SETMAXTIPWIDTH, 0, 400);
  }
  ApplyHintSettings();
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.hwnd = host;
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.rect = r;
  ti.lpszText = LPSTR_TEXTCALLBACKA;
  if (SendMessageA(FHintWindow, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti))) FHintTools[control] = host;
}

LRESULT TApplication::HintNotify(NMHDR* header) {
  if (header->code != TTN_GETDISPINFOA && header->code != TTN_GETDISPINFOW) return 0;
  auto* control = reinterpret_cast<TControl*>(header->idFrom);
  FHintText.clear();
  if (ShowHint && FHintTools.count(control)) {
    std::string text = GetShortHint(control->Hint());
    bool canShow = true;
    THintInfo info;
    info.HintControl = control;
    GetCursorPos(&info.CursorPos);
    info.HideTimeout = HintHidePause;
    if (OnShowHint) OnShowHint(text, canShow, info);
    if (canShow) FHintText = text;
  }
  // An empty text keeps the tooltip hidden.
  if (header->code == TTN_GETDISPINFOA) {
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    info->lpszText = const_cast<char*>(FHintText.c_str());
    info->hinst = nullptr;
  } else {
    static std::wstring wide;
    int n = MultiByteToWideChar(CP_ACP, 0, FHintText.c_str(), -1, nullptr, 0);
    wide.assign(size_t(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, FHintText.c_str(), -1, &wide[0], n);
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
    info->lpszText = &wide[0];
    info->hinst = nullptr;
  }
  return 0;
}

}  // namespace ui
