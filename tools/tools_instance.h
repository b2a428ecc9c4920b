#pragma once
// TToolsInstance: at most one tools program runs per session. The window title alone would let two
// starts race past each other before either window exists, so the first start also holds a named mutex.
#include <windows.h>

class TToolsInstance {
 public:
  // Takes the mutex. First() is false when another start holds it or a tools window exists.
  TToolsInstance();
  ~TToolsInstance();
  TToolsInstance(const TToolsInstance&) = delete;
  TToolsInstance& operator=(const TToolsInstance&) = delete;

  bool First() const { return FFirst; }
  // The running program's window; while the other start holds the mutex but has no window yet, waited
  // for at most timeoutMs. Null when none came.
  static HWND RunningWindow(DWORD timeoutMs);

 private:
  HANDLE FMutex = nullptr;
  bool FFirst = false;
};
