#include "gui_probe.h"

#include "hidden_window.h"

namespace testsupport {

namespace {
constexpr UINT WM_PROBE_ASK = WM_APP + 0x51;
}

TGuiProbe::TGuiProbe() : FWindow(std::make_unique<THiddenWindow>("TGuiProbe", "", &TGuiProbe::Proc, this)) {}

TGuiProbe::~TGuiProbe() = default;

LRESULT CALLBACK TGuiProbe::Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PROBE_ASK) return (*reinterpret_cast<const std::function<bool()>*>(lParam))() ? 1 : 0;
  return DefWindowProcA(window, msg, wParam, lParam);
}

bool TGuiProbe::Ask(const std::function<bool()>& question, DWORD timeoutMs) {
  DWORD_PTR answer = 0;
  return SendMessageTimeoutA(FWindow->Handle(), WM_PROBE_ASK, 0, reinterpret_cast<LPARAM>(&question), SMTO_NORMAL,
                             timeoutMs, &answer) &&
         answer == 1;
}

bool TGuiProbe::WaitFor(const std::function<bool()>& question, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!Ask(question)) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(10);
  }
  return true;
}

}  // namespace testsupport
