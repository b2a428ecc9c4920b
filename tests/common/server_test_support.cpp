#include "server_test_support.h"

#include "thread_post.h"

#include <atomic>

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

std::string TempFolder() {
  char folder[MAX_PATH + 2];
  DWORD length = GetTempPathA(sizeof(folder), folder);
  return std::string(folder, length < sizeof(folder) ? length : 0);
}

std::string AtomName(WPARAM atom) {
  char name[262];
  UINT length = GlobalGetAtomNameA(static_cast<ATOM>(atom), name, sizeof(name));
  return std::string(name, length);
}

std::set<std::string> PayloadFiles() {
  std::string folder = TempFolder();
  std::set<std::string> files;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "$$$*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do files.insert(folder + found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  return files;
}

std::set<std::string> PayloadAtoms() {
  std::set<std::string> names;
  // Global string atoms take the ids from 0xC000 up.
  for (UINT atom = 0xC000; atom <= 0xFFFF; ++atom) {
    const std::string name = AtomName(atom);
    const size_t slash = name.find_last_of('\\');
    if (slash != std::string::npos && name.compare(slash + 1, 3, "$$$") == 0 && name.size() > slash + 8 &&
        lstrcmpiA(name.c_str() + name.size() - 4, ".tmp") == 0)
      names.insert(name);
  }
  return names;
}

namespace {
std::atomic<int> failuresLeft{0}, attempts{0};
std::atomic<bool (*)(HWND, UINT)> failureApplies{nullptr};

BOOL FullQueuePost(HWND window, DWORD thread, UINT id, WPARAM wParam, LPARAM lParam) {
  auto applies = failureApplies.load();
  if (applies && applies(window, id)) {
    ++attempts;
    if (failuresLeft > 0) {
      --failuresLeft;
      SetLastError(ERROR_NOT_ENOUGH_QUOTA);
      return FALSE;
    }
  }
  return SystemPost(window, thread, id, wParam, lParam);
}
}  // namespace

void FailNextPosts(int count, bool (*applies)(HWND window, UINT id)) {
  failuresLeft = count;
  attempts = 0;
  failureApplies = applies;
  SetPostFunction(&FullQueuePost);
}

int FailuresLeft() { return failuresLeft; }
int SelectedPostAttempts() { return attempts; }

TPostFunctionGuard::TPostFunctionGuard() = default;
TPostFunctionGuard::~TPostFunctionGuard() { SetPostFunction(nullptr); }

}  // namespace servertest
