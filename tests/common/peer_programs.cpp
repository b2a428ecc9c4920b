#include "peer_programs.h"

#include <algorithm>

#include "pump_until.h"
#include "tarnbel_protocol.h"

namespace testsupport {

namespace {
struct TWindowList {
  DWORD ProcessId;
  std::vector<HWND> Windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
  auto* list = reinterpret_cast<TWindowList*>(context);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == list->ProcessId) list->Windows.push_back(window);
  return TRUE;
}
}  // namespace

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
  TWindowList list{processId, {}};
  EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&list));
  return list.Windows;
}

std::string WindowTitle(HWND window) {
  std::vector<char> text(static_cast<size_t>(std::max(GetWindowTextLengthA(window), 0)) + 2);
  int length = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), length > 0 ? static_cast<size_t>(length) : 0);
}

std::string WindowClass(HWND window) {
  char name[256] = {0};
  int length = GetClassNameA(window, name, sizeof(name));
  return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

HWND FindWindowOf(DWORD processId, const std::string& className, const std::string& title) {
  for (HWND window : TopLevelWindowsOf(processId))
    if ((className.empty() || WindowClass(window) == className) && WindowTitle(window) == title) return window;
  return nullptr;
}

bool EndToolsPrograms(DWORD timeoutMs) {
  for (int round = 0; round < 4; ++round) {
    // The first tools window of another process; this test's own stand-in stays.
    HWND tools = nullptr;
    DWORD pid = 0, thread = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, nullptr, TOOLS_WINDOW_TITLE); w && !tools;
         w = FindWindowExA(nullptr, w, nullptr, TOOLS_WINDOW_TITLE)) {
      thread = GetWindowThreadProcessId(w, &pid);
      if (pid != GetCurrentProcessId()) tools = w;
    }
    if (!tools) return true;
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    PostThreadMessageA(thread, WM_QUIT, 0, 0);
    if (!process) continue;
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
      TerminateProcess(process, 1);
      WaitForSingleObject(process, 2000);
    }
    CloseHandle(process);
  }
  return false;
}

HWND WaitVisibleWindowOf(DWORD processId, const std::string& title, DWORD timeoutMs) {
  HWND found = nullptr;
  PumpUntil([&] { return (found = FindWindowOf(processId, "", title)) != nullptr && IsWindowVisible(found); },
            timeoutMs);
  return found && IsWindowVisible(found) ? found : nullptr;
}

}  // namespace testsupport
