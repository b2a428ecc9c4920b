#include "file_dialog_driver.h"

#include <commctrl.h>

#include <vector>

#include "dialog_windows.h"
#include "peer_programs.h"

namespace testsupport {

bool PickInList(HWND dialog, const std::string& name) {
  std::vector<HWND> lists = ChildrenOf(dialog, "SysListView32");
  LVFINDINFOA find{LVFI_STRING, name.c_str(), 0, {0, 0}, 0};
  int index = lists.empty() ? -1 : int(SendMessageA(lists[0], LVM_FINDITEMA, WPARAM(-1), LPARAM(&find)));
  if (index < 0) return false;
  LVITEMA state{};
  state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(lists[0], LVM_SETITEMSTATE, WPARAM(index), LPARAM(&state));
  for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(25))
    if (WindowTitle(GetDlgItem(dialog, 0x47C)) == name) return true;
  return false;
}

namespace {
struct TDialogSearch {
  DWORD Thread;
  bool FileBox;
  HWND Found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TDialogSearch*>(param);
  if (WindowClass(window) == "#32770" && IsWindowVisible(window) && IsWindowEnabled(window) &&
      GetWindowThreadProcessId(window, nullptr) == search->Thread &&
      (GetDlgItem(window, 0x47C) != nullptr) == search->FileBox)
    search->Found = window;
  return search->Found == nullptr;
}
}  // namespace

HWND FindDialog(DWORD thread, bool fileBox) {
  TDialogSearch search{thread, fileBox, nullptr};
  EnumWindows(&MatchDialog, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

HWND WaitForDialog(DWORD thread, bool fileBox, DWORD timeoutMs) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(25))
    if (HWND found = FindDialog(thread, fileBox)) return found;
  return nullptr;
}

}  // namespace testsupport
