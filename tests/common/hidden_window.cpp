#include "hidden_window.h"

namespace testsupport {

THiddenWindow::THiddenWindow(const std::string& className, const std::string& title, WNDPROC proc, void* owner)
    : FClassName(className) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = proc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = FClassName.c_str();
  RegisterClassA(&windowClass);
  FWindow = CreateWindowExA(0, FClassName.c_str(), title.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  if (FWindow) SetWindowLongPtrA(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
}

THiddenWindow::~THiddenWindow() {
  if (FWindow) DestroyWindow(FWindow);
  UnregisterClassA(FClassName.c_str(), GetModuleHandleA(nullptr));
}

}  // namespace testsupport
