#include "remote_message_box.h"

#include "peer_programs.h"

namespace testsupport {

HWND FindMessageBoxOf(DWORD processId, const std::string& caption) {
  for (HWND window : TopLevelWindowsOf(processId))
    if (IsWindowVisible(window) && WindowClass(window) == "#32770" &&
        (caption.empty() || WindowTitle(window) == caption) && !MessageBoxText(window).empty())
      return window;
  return nullptr;
}

std::string MessageBoxText(HWND box) {
  std::string text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (WindowClass(child) != "Static") continue;
    std::string line = WindowTitle(child);
    if (line.empty()) continue;
    text += (text.empty() ? "" : "\n") + line;
  }
  return text;
}

bool ClickMessageBoxButton(HWND box, int id) {
  HWND button = GetDlgItem(box, id);
  if (!button) return false;
  return PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != FALSE;
}

void PressKeyInMessageBox(HWND box, WORD key) {
  // The dialog's keys reach it through a child, as from the focused button.
  HWND target = GetWindow(box, GW_CHILD);
  for (HWND child = target; child; child = GetWindow(child, GW_HWNDNEXT))
    if (WindowClass(child) == "Button") {
      target = child;
      break;
    }
  if (!target) target = box;
  UINT scan = MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
  PostMessageA(target, WM_KEYDOWN, key, LPARAM(1 | scan << 16));
  if (key >= 'A' && key <= 'Z') PostMessageA(target, WM_CHAR, key - 'A' + 'a', LPARAM(1 | scan << 16));
  PostMessageA(target, WM_KEYUP, key, LPARAM(1 | scan << 16 | 0xC0000000u));
}

}  // namespace testsupport
