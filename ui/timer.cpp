#include "timer.h"

#include <set>

#include "application.h"
#include "utility_window.h"

namespace ui {

UI_CLASSINFO(TTimer, UI_PROP_BOOL("Enabled", Enabled, SetEnabled), UI_PROP(Integer, "Interval", Interval, SetInterval))

namespace {
std::set<TTimer*>& LiveTimers() {
  static std::set<TTimer*> timers;
  return timers;
}
}  // namespace

LRESULT CALLBACK TTimer::TimerWndProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg != WM_TIMER) return DefWindowProcA(h, msg, w, l);
  auto* t = reinterpret_cast<TTimer*>(w);
  // A timer freed after its WM_TIMER was queued is not reached.
  if (LiveTimers().count(t) && t->FRunning && t->OnTimer) {
    try {
      t->OnTimer(t);
    } catch (...) {
      Application().HandleException(t);
    }
  }
  return 0;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  LiveTimers().insert(this);
  UpdateTimer();
}

TTimer::~TTimer() {
  FEnabled = false;
  UpdateTimer();
  LiveTimers().erase(this);
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled != FEnabled) FEnabled = enabled, UpdateTimer();
}

void TTimer::SetInterval(unsigned ms) {
  if (ms != FInterval) FInterval = ms, UpdateTimer();
}

void TTimer::UpdateTimer() {
  static HWND window = AllocateUtilityWindow("TTimerWindow", TimerWndProc);
  UINT_PTR id = reinterpret_cast<UINT_PTR>(this);
  if (FRunning) KillTimer(window, id);
  FRunning = FEnabled && FInterval > 0;
  if (FRunning) FRunning = SetTimer(window, id, FInterval, nullptr) != 0;
}

}  // namespace ui
