#pragma once
// Drives a modal window from inside its own loop: a thread timer runs the steps in turn, each as soon as
// it reports done. When the time is up the driver answers any box and cancels the window, so a stuck
// step fails its test instead of hanging the suite.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "form.h"

namespace toolstest {

class TModalDriver {
 public:
  // A step returns true when it is done; the next one runs on a later tick.
  using TStep = std::function<bool()>;
  // form: the modal window that a time-out cancels; null for whichever is shown.
  TModalDriver(ui::TForm* form, std::vector<TStep> steps, DWORD timeoutMs = 5000);
  ~TModalDriver();
  TModalDriver(const TModalDriver&) = delete;
  TModalDriver& operator=(const TModalDriver&) = delete;

  bool AllDone() const { return FNext == FSteps.size(); }
  bool TimedOut() const { return FTimedOut; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Run();
  ui::TForm* FForm;
  std::vector<TStep> FSteps;
  size_t FNext = 0;
  DWORD FStart, FTimeoutMs;
  UINT_PTR FTimer;
  bool FTimedOut = false, FInStep = false;
};

// Keys and characters posted to a window, as the queue would deliver typed input.
void PostKey(HWND window, WORD key);
void PostText(HWND window, const std::string& text);
// The edit inside a drop-down combo box.
HWND ComboEdit(HWND combo);
// A message box of this thread with that caption, and the texts of its static controls.
HWND FindThreadBox(const std::string& caption);
std::string BoxText(HWND box);

}  // namespace toolstest
