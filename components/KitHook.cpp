#include "KitHook.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "application.h"
#include "utility_window.h"

using namespace ui;

UI_CLASSINFO(TKitWindowHook, UI_PROP_BOOL("Active", Active, SetActive),
             UI_PROP_CLASS("WinControl", WinControl, SetWinControl, TWinControl))

namespace {

// Each window our procedure sits in keeps its hook and the procedure ours calls on, so that a hook that
// cannot take itself out of the chain (someone subclassed after it) still passes every message on until
// WM_NCDESTROY. Kept here rather than as window properties: this is read for every message, and a
// property read is a round trip to the window server (tens of microseconds under Wine).
struct THookedWindow {
  WNDPROC Prev = nullptr;
  TControlHook* Hook = nullptr;
};

class THookedWindows {
 public:
  // An empty entry when our procedure is not in the window's chain.
  THookedWindow Find(HWND window) {
    std::lock_guard<std::mutex> lock(FLock);
    auto it = FWindows.find(window);
    return it == FWindows.end() ? THookedWindow{} : it->second;
  }
  void Set(HWND window, const THookedWindow& entry) {
    std::lock_guard<std::mutex> lock(FLock);
    FWindows[window] = entry;
  }
  void Forget(HWND window) {
    std::lock_guard<std::mutex> lock(FLock);
    FWindows.erase(window);
  }

 private:
  std::mutex FLock;
  std::unordered_map<HWND, THookedWindow> FWindows;
};

// Never freed: windows may still get messages while the program's statics go.
THookedWindows& HookedWindows() {
  static auto* windows = new THookedWindows;
  return *windows;
}

class THookList {
 public:
  ~THookList() {
    while (!Hooks.empty()) Hooks.back()->Free();  // each removes itself
    if (Window) DestroyWindow(Window);
  }
  HWND EnsureWindow();
  std::vector<TControlHook*> Hooks;
  HWND Window = nullptr;
};

// Freed at program end with the other statics.
std::unique_ptr<THookList>& ListHolder() {
  static std::unique_ptr<THookList> list;
  return list;
}

THookList& GetHookList() {
  auto& holder = ListHolder();
  if (!holder) holder.reset(new THookList);
  return *holder;
}

LRESULT CALLBACK HookListWndProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  try {
    auto* hook = reinterpret_cast<TControlHook*>(l);
    switch (msg) {
      case CM_RECREATEWINDOW:
        if (KitHookListContains(hook) && hook->Control()) hook->HookWndProc();
        return 0;
      case CM_DESTROYHOOK:
        if (KitHookListContains(hook) && hook->ClientCount() == 0) hook->Free();
        return 0;
      default:
        break;
    }
  } catch (...) {
    Application().HandleException(nullptr);
    return 0;
  }
  return DefWindowProcA(h, msg, w, l);
}

HWND THookList::EnsureWindow() {
  if (!Window) Window = AllocateUtilityWindow("TKitHookListWindow", HookListWndProc);
  return Window;
}

TControlHook* GetControlHook(TWinControl* control) {
  THookList& list = GetHookList();
  for (TControlHook* h : list.Hooks)
    if (h->Control() == control) return h;
  list.EnsureWindow();
  auto* hook = new TControlHook;
  try {
    hook->SetControl(control);
  } catch (...) {
    hook->Free();
    throw;
  }
  return hook;
}

void PostToList(UINT msg, TControlHook* hook) {
  if (HWND w = KitHookListWindow()) PostMessageA(w, msg, 0, reinterpret_cast<LPARAM>(hook));
}

}  // namespace

HWND KitHookListWindow() { return ListHolder() ? ListHolder()->Window : nullptr; }

bool KitHookListContains(const TControlHook* hook) {
  if (!ListHolder() || !hook) return false;
  auto& v = ListHolder()->Hooks;
  return std::find(v.begin(), v.end(), hook) != v.end();
}

void FreeKitHookList() { ListHolder().reset(); }

// The one procedure every hooked window gets. Nothing may unwind from here into the system's frames.
LRESULT CALLBACK KitHookWndProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  THookedWindow entry = HookedWindows().Find(h);
  WNDPROC prev = entry.Prev;
  TControlHook* hook = entry.Hook;
  LRESULT result = 0;
  try {
    if (hook && KitHookListContains(hook) && hook->FHookedWindow == h) {
      result = hook->MessageProc(h, msg, w, l, prev);
    } else {
      result = prev ? CallWindowProcA(prev, h, msg, w, l) : DefWindowProcA(h, msg, w, l);
    }
  } catch (...) {
    Application().HandleException(nullptr);
  }
  if (msg == WM_NCDESTROY) {
    HookedWindows().Forget(h);
    if (hook && KitHookListContains(hook) && hook->FHookedWindow == h) hook->FHookedWindow = nullptr;
  }
  return result;
}

// ---- TControlHook ----

TControlHook::TControlHook() : TComponent(nullptr) { GetHookList().Hooks.push_back(this); }

void TControlHook::Destroying() {
  FDestroying = true;
  auto& v = GetHookList().Hooks;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  while (!FClients.empty()) UnregisterClient(FClients.back());
  SetControl(nullptr);
  TComponent::Destroying();
}

void TControlHook::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  // The control is gone: nothing queued for this hook may reach it any more.
  if (operation == opRemove && component == FControl) {
    FControl = nullptr;
    FHookedWindow = nullptr;
    FPrevWndProc = nullptr;
  }
}

void TControlHook::SetControl(TWinControl* control) {
  if (control == FControl) return;
  UnhookWndProc();
  if (FControl) RemoveFreeNotification(FControl);
  FControl = control;
  if (control) FreeNotification(control);
  if (!FClients.empty()) HookWndProc();
}

bool TControlHook::IsClient(TKitWindowHook* client) const {
  return std::find(FClients.begin(), FClients.end(), client) != FClients.end();
}

void TControlHook::RegisterClient(TKitWindowHook* client) {
  if (!IsClient(client)) {
    FClients.push_back(client);
    client->FControlHook = this;
    SetControl(client->FWinControl);
  }
  HookWndProc();
}

void TControlHook::UnregisterClient(TKitWindowHook* client) {
  client->FControlHook = nullptr;
  FClients.erase(std::remove(FClients.begin(), FClients.end(), client), FClients.end());
  if (FClients.empty()) UnhookWndProc();
}

void TControlHook::HookWndProc() {
  if (!FControl || FControl->IsDestroying() || FDestroying) return;
  HWND h = FControl->Handle();
  if (!h || !IsWindow(h)) return;
  if (FHookedWindow && FHookedWindow != h) UnhookWndProc();
  // Our procedure may still be in this window's chain (under a later subclass): attach again, never twice.
  WNDPROC prev = HookedWindows().Find(h).Prev;
  bool inChain = prev != nullptr;
  if (!inChain) prev = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC));
  // Known before our procedure can get its first message.
  HookedWindows().Set(h, THookedWindow{prev, this});
  if (!inChain) SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&KitHookWndProc));
  FPrevWndProc = prev;
  FHookedWindow = h;
}

void TControlHook::UnhookWndProc() {
  HWND h = FHookedWindow;
  THookedWindow entry = h ? HookedWindows().Find(h) : THookedWindow{};
  if (h && IsWindow(h) && entry.Hook == this) {
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC)) == &KitHookWndProc) {
      SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entry.Prev));
      HookedWindows().Forget(h);
    } else {
      // A later subclass sits on top: our procedure stays in the chain and passes messages on.
      HookedWindows().Set(h, THookedWindow{entry.Prev, nullptr});
    }
  }
  FHookedWindow = nullptr;
  FPrevWndProc = nullptr;
}

bool TControlHook::Watching() const {
  return !FClients.empty() && FControl && !FDestroying && !FControl->IsDestroying();
}

void TControlHook::RunClients(bool before, TMessage& msg, bool& handled) {
  // Clients may leave or be freed by a handler: walk a copy, skip any that left.
  std::vector<TKitWindowHook*> snapshot = FClients;
  for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
    if (!IsClient(*it)) continue;
    try {
      if (before) (*it)->DoBeforeMessage(msg, handled);
      else (*it)->DoAfterMessage(msg, handled);
    } catch (...) {
      Application().HandleException(*it);
    }
    if (handled) break;
  }
}

LRESULT TControlHook::MessageProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC prev) {
  TMessage m{msg, wParam, lParam, 0};
  bool handled = false;
  if (Watching() && msg != WM_QUIT) RunClients(true, m, handled);
  if (!handled || msg == WM_DESTROY) {
    m.Result = prev ? CallWindowProcA(prev, window, m.Msg, m.WParam, m.LParam)
                    : DefWindowProcA(window, m.Msg, m.WParam, m.LParam);
    bool afterHandled = false;
    if (Watching() && msg != WM_QUIT) RunClients(false, m, afterHandled);
  }
  if (msg == WM_DESTROY && FHookedWindow == window) {
    UnhookWndProc();
    // The control only re-creates its window unless it is on its way out.
    if (!FDestroying && FControl && !FControl->IsDestroying()) PostToList(CM_RECREATEWINDOW, this);
  }
  return m.Result;
}

// ---- TKitWindowHook ----

TKitWindowHook::TKitWindowHook(TComponent* owner) : TComponent(owner) {}

void TKitWindowHook::Destroying() {
  SetActive(false);
  SetWinControl(nullptr);
  TComponent::Destroying();
}

void TKitWindowHook::SetActive(bool active) {
  if (active) HookControl();
  else UnHookControl();
}

TWinControl* TKitWindowHook::WinControl() const { return FControlHook ? FControlHook->Control() : FWinControl; }

void TKitWindowHook::HookControl() {
  if (FWinControl && !IsDestroying()) GetControlHook(FWinControl)->RegisterClient(this);
  FActive = true;
}

void TKitWindowHook::UnHookControl() {
  if (FControlHook) FControlHook->UnregisterClient(this);
  FActive = false;
}

void TKitWindowHook::SetWinControl(TWinControl* control) {
  if (control == FWinControl && (!FControlHook || FControlHook->Control() == control)) return;
  bool wasActive = FActive;
  TControlHook* old = FControlHook;
  UnHookControl();
  if (FWinControl) RemoveFreeNotification(FWinControl);
  FWinControl = control;
  if (control) FreeNotification(control);
  // Freed later, not inside the message it may be handling.
  if (old && old->ClientCount() == 0) PostToList(CM_DESTROYHOOK, old);
  if (wasActive) HookControl();
  else FActive = false;
}

void TKitWindowHook::DoBeforeMessage(TMessage& msg, bool& handled) {
  if (BeforeMessage) BeforeMessage(this, msg, handled);
}

void TKitWindowHook::DoAfterMessage(TMessage& msg, bool& handled) {
  if (AfterMessage) AfterMessage(this, msg, handled);
}

void TKitWindowHook::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FWinControl || component == Owner() || !Owner()) SetWinControl(nullptr);
}
