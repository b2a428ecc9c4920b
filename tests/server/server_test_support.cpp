#include "server_test_support.h"

#include "thread_post.h"

namespace servertest {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (done()) return true;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed < 20 ? timeoutMs - elapsed : 20, QS_ALLINPUT);
  }
}

bool TakeThreadMessage(UINT id, MSG& msg, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (PeekMessageA(&msg, nullptr, id, id, PM_REMOVE)) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(1);
  }
}

namespace {
const char* const kClassName = "TarnbelServerTestWindow";

void RegisterTestClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kClassName;
  RegisterClassA(&wc);
  registered = true;
}
}  // namespace

TTestWindow::TTestWindow(const std::string& title) {
  RegisterTestClass();
  FWindow = CreateWindowExA(0, kClassName, title.c_str(), WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrA(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TTestWindow::Proc));
}

TTestWindow::~TTestWindow() { Destroy(); }

void TTestWindow::Destroy() {
  if (FWindow) DestroyWindow(FWindow);
  FWindow = nullptr;
}

LRESULT CALLBACK TTestWindow::Proc(HWND window, UINT id, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TTestWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self && id >= WM_USER && id < 0x8000) {
    TRecordedMessage message{id, wParam, lParam};
    self->Messages.push_back(message);
    if (self->OnMessage) self->OnMessage(message);
    return 0;
  }
  return DefWindowProcA(window, id, wParam, lParam);
}

std::set<std::string> PayloadFiles() {
  char folder[MAX_PATH + 2];
  GetTempPathA(sizeof(folder), folder);
  std::set<std::string> files;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((std::string(folder) + "$$$*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do files.insert(std::string(folder) + found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  return files;
}

TPostFunctionGuard::TPostFunctionGuard() = default;
TPostFunctionGuard::~TPostFunctionGuard() { SetPostFunction(nullptr); }

}  // namespace servertest
