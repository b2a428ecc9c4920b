#include "remote_menu.h"

#include "peer_programs.h"
#include "pump_until.h"

namespace testsupport {

HWND OpenRemoteMenu(DWORD processId, HWND window, char letter, DWORD timeoutMs) {
  HWND menu = nullptr;
  for (DWORD start = GetTickCount(); !menu && GetTickCount() - start < timeoutMs;) {
    const bool ready = PumpUntil([&] {
      if (GetForegroundWindow() == window) return IsWindowEnabled(window) != FALSE;
      SetForegroundWindow(window);
      return false;
    }, timeoutMs);
    if (!ready) return nullptr;
    PostMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, LPARAM(letter));
    PumpUntil([&] {
      HWND found = FindWindowOf(processId, "#32768", "");
      if (found && IsWindowVisible(found)) menu = found;
      return menu != nullptr;
    }, 3000);
  }
  return menu;
}

namespace {

bool RunItem(HWND menu, int item, DWORD timeoutMs) {
  if (!menu) return false;
  PostMessageA(menu, WM_KEYDOWN, VK_HOME, 0);
  for (int i = 1; i < item; ++i) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
  return PumpUntil([&] { return !IsWindowVisible(menu); }, timeoutMs);
}

}  // namespace

bool RunRemoteMenuItem(DWORD processId, HWND window, char letter, int item, DWORD timeoutMs) {
  return RunItem(OpenRemoteMenu(processId, window, letter, timeoutMs), item, timeoutMs);
}

bool RunRemotePopupItem(DWORD processId, HWND window, POINT at, int item, DWORD timeoutMs) {
  PostMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
  PostMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  HWND menu = nullptr;
  PumpUntil([&] { return (menu = FindWindowOf(processId, "#32768", "")) && IsWindowVisible(menu); }, timeoutMs);
  return RunItem(menu, item, timeoutMs);
}

}  // namespace testsupport
