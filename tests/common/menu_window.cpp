#include "menu_window.h"

#include <string>

namespace testsupport {

namespace {

struct TMenuSearch {
  DWORD ThreadId;
  HWND Found;
};

BOOL CALLBACK MatchMenuWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TMenuSearch*>(param);
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) == "#32768" && IsWindowVisible(window) &&
      GetWindowThreadProcessId(window, nullptr) == search->ThreadId) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND TrackedMenuWindow(DWORD threadId) {
  TMenuSearch search{threadId, nullptr};
  EnumWindows(&MatchMenuWindow, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

}  // namespace testsupport
