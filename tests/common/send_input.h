#pragma once
// Real input through the system's queue for window tests: key chords and mouse presses, drags and clicks,
// each run through the test thread's own loop until the system has handed it over. step is one round of
// that loop (default: every queued message dispatched); a program's own loop there lets its shortcuts and
// dialog keys work.
#include <windows.h>

#include <functional>
#include <initializer_list>

#include "input_events.h"
#include "pump_until.h"

namespace testsupport {

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
  SendMouseTo(p);
  return PumpUntil([p] { return CursorAt(p) && InputDelivered(QS_MOUSE); }, 2000, step);
}

inline bool MouseButton(DWORD flag, const TLoopStep& step = nullptr) {
  SendMouseButton(flag);
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

}  // namespace testsupport
