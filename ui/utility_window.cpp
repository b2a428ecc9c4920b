#include "utility_window.h"

namespace ui {

HWND AllocateUtilityWindow(const char* className, WNDPROC proc) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(instance, className, &wc)) {
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.lpszClassName = className;
    RegisterClassA(&wc);
  }
  return CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
}

}  // namespace ui
