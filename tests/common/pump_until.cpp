#include "pump_until.h"

namespace testsupport {

static void DispatchAll() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, const std::function<void()>& step) {
  UINT_PTR timer = SetTimer(nullptr, 0, 10, nullptr);
  DWORD start = GetTickCount();
  bool ok = done();
  while (!ok && GetTickCount() - start < timeoutMs) {
    if (step) step();
    else DispatchAll();
    ok = done();
    if (!ok && !step) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  KillTimer(nullptr, timer);
  return ok;
}

void PumpFor(DWORD ms, const std::function<void()>& step) {
  PumpUntil([] { return false; }, ms, step);
}

}  // namespace testsupport
