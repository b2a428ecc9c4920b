#pragma once
// Mouse input for a control as the user gives it: the pointer is put where the message says, and the
// messages are posted to the window that receives them (a graphic control's parent). Header only: the
// suites that use it link the window library themselves.
#include <windows.h>

#include <functional>

#include "application.h"
#include "control.h"
#include "pump_until.h"

namespace testsupport {

// The window that receives the control's mouse messages, and a control point in that window's terms.
inline HWND MouseWindow(ui::TControl* control) {
  if (auto* windowed = dynamic_cast<ui::TWinControl*>(control)) return windowed->Handle();
  return control->Parent()->Handle();
}

inline POINT InMouseWindow(ui::TControl* control, int x, int y) {
  if (control->IsWindowed()) return POINT{x, y};
  return POINT{control->Left() + x, control->Top() + y};
}

// Puts the pointer on the control point, then posts the message with that point.
inline void PostMouse(ui::TControl* control, UINT message, int x, int y, WPARAM keys = 0) {
  HWND window = MouseWindow(control);
  POINT p = InMouseWindow(control, x, y);
  POINT screen = p;
  ClientToScreen(window, &screen);
  SetCursorPos(screen.x, screen.y);
  PostMessageA(window, message, keys, MAKELPARAM(p.x, p.y));
}

inline void PostClick(ui::TControl* control, int x, int y) {
  PostMouse(control, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
  PostMouse(control, WM_LBUTTONUP, x, y);
}

// Runs the application's loop (dialog keys, Alt+letter, shortcuts) until done or the time is up.
inline bool PumpAppUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000) {
  return PumpUntil(done, timeoutMs, [] { ui::Application().HandleMessage(); });
}

}  // namespace testsupport
