#include "modal_driver.h"

#include "screen.h"

namespace testsupport {

namespace {
TModalDriver* running = nullptr;
}  // namespace

TModalDriver::TModalDriver(ui::TForm* form, std::vector<TStep> steps, DWORD timeoutMs)
    : FForm(form), FSteps(std::move(steps)), FStart(GetTickCount()), FTimeoutMs(timeoutMs) {
  running = this;
  FTimer = SetTimer(nullptr, 0, 20, &TModalDriver::Tick);
}

TModalDriver::~TModalDriver() {
  KillTimer(nullptr, FTimer);
  running = nullptr;
}

void CALLBACK TModalDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (running) running->Run();
}

void TModalDriver::Run() {
  // A step may run a loop of its own (a box): the timer must not enter it again.
  if (FInStep || FTimedOut) return;
  if (GetTickCount() - FStart >= FTimeoutMs) {
    FTimedOut = true;
    for (HWND box; (box = FindThreadBox("tarnbel")) != nullptr;) {
      EndDialog(box, IDOK);
      DestroyWindow(box);
    }
    // Without a named window every shown one is ended: whichever runs the loop.
    if (FForm) FForm->SetModalResult(ui::mrAbort);
    for (int i = 0; !FForm && i < ui::Screen().FormCount(); ++i)
      if (ui::Screen().Forms(i)->Visible()) ui::Screen().Forms(i)->SetModalResult(ui::mrAbort);
    return;
  }
  if (FNext >= FSteps.size()) return;
  FInStep = true;
  bool done = FSteps[FNext]();
  FInStep = false;
  if (done) ++FNext;
}

}  // namespace testsupport
