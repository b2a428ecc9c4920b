#pragma once
// TKitWindowHook: lets its owner see every message of one windowed control, before the control's
// own procedure (with the power to swallow it) and after it. Several hooks may watch one control;
// the control's procedure is replaced once, and the hooks survive the re-creation of its window.
#include <functional>
#include <vector>

#include "component.h"
#include "control.h"

class TKitWindowHook;

using THookMessageEvent = std::function<void(ui::TObject* sender, ui::TMessage& msg, bool& handled)>;

// Private messages of the hook list's window.
constexpr UINT CM_RECREATEWINDOW = 0xB052;  // re-hook a control hook
constexpr UINT CM_DESTROYHOOK = 0xB053;     // free a control hook

// One per watched control: the window procedure installed on its window and the list of clients.
class TControlHook : public ui::TComponent {
 public:
  TControlHook();
  ui::TWinControl* Control() const { return FControl; }
  // Moves to another control: unhooks the old window, hooks the new one when there are clients.
  void SetControl(ui::TWinControl* control);
  void RegisterClient(TKitWindowHook* client);
  void UnregisterClient(TKitWindowHook* client);
  int ClientCount() const { return int(FClients.size()); }
  // The procedure that was in place when this hook installed its own; none until hooked.
  WNDPROC PrevWndProc() const { return FPrevWndProc; }
  void HookWndProc();
  void UnhookWndProc();

 protected:
  void Notification(ui::TComponent* component, ui::TOperation operation) override;
  void Destroying() override;

 private:
  friend LRESULT CALLBACK KitHookWndProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT MessageProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, WNDPROC prev);
  bool IsClient(TKitWindowHook* client) const;
  void RunClients(bool before, ui::TMessage& msg, bool& handled);
  bool Watching() const;

  ui::TWinControl* FControl = nullptr;
  WNDPROC FPrevWndProc = nullptr;
  HWND FHookedWindow = nullptr;
  std::vector<TKitWindowHook*> FClients;
  bool FDestroying = false;
};

class TKitWindowHook : public ui::TComponent {
  UI_CLASS(TKitWindowHook, ui::TComponent)
 public:
  explicit TKitWindowHook(ui::TComponent* owner);

  bool Active() const { return FActive; }
  void SetActive(bool active);
  ui::TWinControl* WinControl() const;
  void SetWinControl(ui::TWinControl* control);
  void HookControl();
  void UnHookControl();

  THookMessageEvent BeforeMessage;
  THookMessageEvent AfterMessage;

 protected:
  virtual void DoBeforeMessage(ui::TMessage& msg, bool& handled);
  virtual void DoAfterMessage(ui::TMessage& msg, bool& handled);
  void Notification(ui::TComponent* component, ui::TOperation operation) override;
  void Destroying() override;

 private:
  friend class TControlHook;
  bool FActive = true;
  ui::TWinControl* FWinControl = nullptr;
  TControlHook* FControlHook = nullptr;
};

// The one window procedure every hooked window gets.
LRESULT CALLBACK KitHookWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
// The hook list's window, made on first use; nullptr before.
HWND KitHookListWindow();
// Whether the control hook is still alive in the list.
bool KitHookListContains(const TControlHook* hook);
// Frees every control hook (last first) and the list's window; runs at program end.
void FreeKitHookList();
