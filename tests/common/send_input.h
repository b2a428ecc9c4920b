#pragma once
// Real input through the system's queue for window tests: key chords and mouse presses, drags and clicks,
// each run through the test thread's own loop until the system has handed it over. step is one round of
// that loop (default: every queued message dispatched); a program's own loop there lets its shortcuts and
// dialog keys work.
#include <windows.h>

#include <functional>
#include <initializer_list>

#include "pump_until.h"

namespace testsupport {

inline bool InputDelivered(UINT kinds) { return HIWORD(GetQueueStatus(kinds)) == 0; }

inline void SendKey(WORD key, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = key;
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof in);
}

// The key pressed and released while the modifiers are held; true once the loop took it.
using TLoopStep = std::function<void()>;

inline bool KeyChord(std::initializer_list<WORD> modifiers, WORD key, const TLoopStep& step = nullptr) {
  for (WORD m : modifiers) SendKey(m, true);
  SendKey(key, true);
  SendKey(key, false);
  for (auto m = modifiers.end(); m != modifiers.begin();) SendKey(*--m, false);
  return PumpUntil([] { return InputDelivered(QS_KEY); }, 2000, step);
}

inline bool MouseTo(POINT p, const TLoopStep& step = nullptr) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  in.mi.dx = LONG((LONGLONG(p.x) * 65536 + w - 1) / w);
  in.mi.dy = LONG((LONGLONG(p.y) * 65536 + h - 1) / h);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
  return PumpUntil([p] {
    POINT now;
    GetCursorPos(&now);
    return now.x == p.x && now.y == p.y && InputDelivered(QS_MOUSE);
  }, 2000, step);
}

inline bool MouseButton(DWORD flag, const TLoopStep& step = nullptr) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flag;
  SendInput(1, &in, sizeof in);
  return PumpUntil([] { return InputDelivered(QS_MOUSE); }, 2000, step);
}

// A press at one screen point and the release at another, the way between walked in steps.
inline bool MouseDrag(POINT from, POINT to, const TLoopStep& step = nullptr) {
  if (!MouseTo(from, step) || !MouseButton(MOUSEEVENTF_LEFTDOWN, step)) return false;
  const int steps = 4;
  for (int i = 1; i <= steps; ++i)
    if (!MouseTo(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps}, step))
      return false;
  return MouseButton(MOUSEEVENTF_LEFTUP, step);
}

inline bool MouseClick(POINT at, const TLoopStep& step = nullptr, DWORD down = MOUSEEVENTF_LEFTDOWN,
                       DWORD up = MOUSEEVENTF_LEFTUP) {
  return MouseTo(at, step) && MouseButton(down, step) && MouseButton(up, step);
}

// A client point of a window on the screen.
inline POINT OnScreen(HWND window, int x, int y) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  return p;
}

// Puts the pointer back where it was: left over a later test's menu it would choose in it.
class CursorKeeper {
 public:
  CursorKeeper() { GetCursorPos(&FSaved); }
  ~CursorKeeper() { SetCursorPos(FSaved.x, FSaved.y); }
  CursorKeeper(const CursorKeeper&) = delete;
  CursorKeeper& operator=(const CursorKeeper&) = delete;

 private:
  POINT FSaved;
};

}  // namespace testsupport
