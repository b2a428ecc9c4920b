#pragma once
// Real input for the window tests: mouse and keys through SendInput, each step run through the program's loop
// until the system has handed it over.
#include <windows.h>

#include "input_events.h"
#include "ui_test_support.h"

namespace uitest {

using testsupport::CursorAt;
using testsupport::CursorKeeper;

// Moves the pointer to a screen point; true once it is there and the move was handled.
inline bool MouseTo(POINT p) {
  testsupport::SendMouseTo(p);
  return RunUntil([p] { return CursorAt(p) && testsupport::InputDelivered(QS_MOUSE); });
}

inline bool MouseButton(DWORD flag) {
  testsupport::SendMouseButton(flag);
  return RunUntil([] { return testsupport::InputDelivered(QS_MOUSE); });
}

inline bool LeftDown() { return MouseButton(MOUSEEVENTF_LEFTDOWN); }
inline bool LeftUp() { return MouseButton(MOUSEEVENTF_LEFTUP); }

// Moves in steps, so the program sees the way and not only the end.
inline bool MouseGlide(POINT from, POINT to, int steps = 4) {
  for (int i = 1; i <= steps; ++i)
    if (!MouseTo(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps})) return false;
  return true;
}

inline bool KeyTap(WORD key) {
  testsupport::SendKeyTap(key);
  return RunUntil([] { return testsupport::InputDelivered(QS_KEY); });
}

// The centre of a control's client area on the screen.
inline POINT CenterOf(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(window, &p);
  return p;
}

inline POINT ScreenPoint(HWND window, int x, int y) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  return p;
}

}  // namespace uitest
