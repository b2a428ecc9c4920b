#pragma once
// TTimer: a SetTimer timer on one shared hidden window.
#include "control.h"

namespace ui {

class TTimer : public TComponent {
  UI_CLASS(TTimer, TComponent)
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned ms);
  TNotifyEvent OnTimer;

 private:
  void UpdateTimer();
  static LRESULT CALLBACK TimerWndProc(HWND, UINT, WPARAM, LPARAM);
  bool FEnabled = true;
  unsigned FInterval = 1000;
  bool FRunning = false;
};

}  // namespace ui
