#pragma once
// Real input for the window tests: mouse and keys through SendInput, each step run through the program's loop
// until the system has handed it over.
#include <windows.h>

#include "ui_test_support.h"

namespace uitest {

// Puts the pointer back where it was: a pointer left over a later test's pop-up menu would choose in it.
class CursorKeeper {
 public:
  CursorKeeper() { GetCursorPos(&FSaved); }
  ~CursorKeeper() { SetCursorPos(FSaved.x, FSaved.y); }
  CursorKeeper(const CursorKeeper&) = delete;
  CursorKeeper& operator=(const CursorKeeper&) = delete;

 private:
  POINT FSaved;
};

inline bool InputHandled(UINT kinds) { return HIWORD(GetQueueStatus(kinds)) == 0; }

inline bool CursorAt(POINT p) {
  POINT now;
  GetCursorPos(&now);
  return now.x == p.x && now.y == p.y;
}

// Moves the pointer to a screen point; true once it is there and the move was handled.
inline bool MouseTo(POINT p) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  in.mi.dx = LONG((LONGLONG(p.x) * 65536 + w - 1) / w);
  in.mi.dy = LONG((LONGLONG(p.y) * 65536 + h - 1) / h);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
  return RunUntil([p] { return CursorAt(p) && InputHandled(QS_MOUSE); });
}

inline bool MouseButton(DWORD flag) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flag;
  SendInput(1, &in, sizeof in);
  return RunUntil([] { return InputHandled(QS_MOUSE); });
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
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = key;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof in[0]);
  return RunUntil([] { return InputHandled(QS_KEY); });
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
