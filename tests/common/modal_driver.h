#pragma once
// Drives a modal window from inside its own loop: a thread timer runs the steps in turn, each as soon as
// it reports done. When the time is up the driver answers any box and cancels the window, so a stuck
// step fails its test instead of hanging the suite.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "dialog_windows.h"
#include "form.h"

namespace testsupport {

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

}  // namespace testsupport

// The names the tools program's tests have always used.
namespace toolstest {
using testsupport::BoxText;
using testsupport::ComboEdit;
using testsupport::FindThreadBox;
using testsupport::PostKey;
using testsupport::PostText;
using testsupport::TModalDriver;
}  // namespace toolstest
