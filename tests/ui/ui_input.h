#pragma once
// Real input for GUI tests: the pointer moves and the buttons and keys go through the system's queue.
#include <windows.h>

#include "input_events.h"

namespace testsupport {

// A left click at a screen point, with Ctrl held when asked.
inline void ClickAt(POINT screen, bool ctrl = false) {
  SetCursorPos(screen.x, screen.y);
  if (ctrl) SendKey(VK_CONTROL, true);
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
  if (ctrl) SendKey(VK_CONTROL, false);
}

// The centre of a client rectangle of a window, on the screen.
inline POINT ScreenCentre(HWND window, const RECT& r) {
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(window, &p);
  return p;
}

}  // namespace testsupport
