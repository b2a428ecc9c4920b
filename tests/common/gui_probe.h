#pragma once
// Drives a window with real input from a second thread while the GUI thread runs its loops (also a control's
// own mouse loop, which a same-thread test could not feed): the input goes in through SendInput, and the
// thread asks the GUI thread about its state through a probe window, whose questions run on the GUI thread.
#include <windows.h>

#include <functional>
#include <memory>

// Its input: SendMouseTo, SendLeftButton, SendKeyTap.
#include "input_events.h"

namespace testsupport {

class THiddenWindow;

class TGuiProbe {
 public:
  // Made on the GUI thread.
  TGuiProbe();
  ~TGuiProbe();
  TGuiProbe(const TGuiProbe&) = delete;
  TGuiProbe& operator=(const TGuiProbe&) = delete;

  // From another thread: the question's answer, false when the GUI thread did not answer in time.
  bool Ask(const std::function<bool()>& question, DWORD timeoutMs = 2000);
  // Asks again until the answer is true or the time is up.
  bool WaitFor(const std::function<bool()>& question, DWORD timeoutMs = 5000);

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
  std::unique_ptr<THiddenWindow> FWindow;
};

}  // namespace testsupport
