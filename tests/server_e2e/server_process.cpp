#include "server_process.h"

#include <psapi.h>

#include "ipc.h"
#include "peer_programs.h"
#include "tarnbel_context_menu.h"
#include "tarnbel_protocol.h"

namespace e2e {

TToolsWindow::TToolsWindow() : TRecordingWindow(TOOLS_WINDOW_TITLE) {}

TToolsWindow::~TToolsWindow() = default;

bool TToolsWindow::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.hwnd == nullptr && msg.message >= WM_USER) {
        ThreadMessages.push_back(msg);
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

const TReceived* TToolsWindow::WaitFor(UINT id, size_t from, DWORD timeoutMs) {
  const TReceived* found = nullptr;
  PumpUntil(
      [&] {
        for (size_t i = from; i < Received.size() && !found; ++i)
          if (Received[i].Id == id) found = &Received[i];
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

const MSG* TToolsWindow::WaitForThreadMessage(UINT id, DWORD timeoutMs) {
  const MSG* found = nullptr;
  PumpUntil(
      [&] {
        for (const MSG& msg : ThreadMessages)
          if (msg.message == id) found = &msg;
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

bool TServerProcess::Start() { return FProgram.Start("tarnbel.exe"); }

void TServerProcess::Stop() {
  if (Running()) {
    if (HWND box = FindServerBox(ProcessId())) PostMessageA(box, WM_COMMAND, IDOK, 0);
    DWORD threadId = 0;
    HWND window = ServerWindow();
    if (window && GetWindowThreadProcessId(window, &threadId) && threadId) {
      DWORD pid = 0;
      GetWindowThreadProcessId(window, &pid);
      if (pid == ProcessId()) PostMessageA(window, WM_COMMAND, TRAY_MENU_EXIT, 0);
    }
    DWORD code;
    WaitExit(10000, code);
  }
  FProgram.Stop();  // one that did not end is made to
}

size_t TServerProcess::PrivateBytes() const {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ProcessId());
  if (!process) return 0;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  // The page-file share is the private bytes (Wine leaves the separate private figure 0).
  if (!K32GetProcessMemoryInfo(process, &counters, sizeof(counters))) counters.PagefileUsage = 0;
  CloseHandle(process);
  return counters.PagefileUsage;
}

HWND ServerWindow() { return FindWindowA(SERVER_WINDOW_CLASS, SERVER_WINDOW_TITLE); }

HWND FindServerBox(DWORD processId) { return testsupport::FindWindowOf(processId, "#32770", "tarnbel"); }

HWND FindServerMenu(DWORD processId) {
  for (HWND window : testsupport::TopLevelWindowsOf(processId))
    if (testsupport::WindowClass(window) == "#32768" && IsWindowVisible(window)) return window;
  return nullptr;
}

bool EndLeftoverServer() {
  HWND window = ServerWindow();
  if (!window) return true;
  PostMessageA(window, WM_COMMAND, TRAY_MENU_EXIT, 0);
  for (int i = 0; i < 100 && ServerWindow(); ++i) Sleep(100);
  return ServerWindow() == nullptr;
}

}  // namespace e2e
