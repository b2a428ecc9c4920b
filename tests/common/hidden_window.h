#pragma once
// A hidden top-level window of its own class (a popup that is never shown) whose messages go to an
// owner object, kept in the window's user data.
#include <windows.h>

#include <string>

namespace testsupport {

class THiddenWindow {
 public:
  THiddenWindow(const std::string& className, const std::string& title, WNDPROC proc, void* owner);
  ~THiddenWindow();
  THiddenWindow(const THiddenWindow&) = delete;
  THiddenWindow& operator=(const THiddenWindow&) = delete;

  HWND Handle() const { return FWindow; }
  // The owner given to the window; null for messages sent while it is being created.
  template <class T>
  static T* Owner(HWND window) {
    return reinterpret_cast<T*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  }

 private:
  std::string FClassName;
  HWND FWindow = nullptr;
};

}  // namespace testsupport
