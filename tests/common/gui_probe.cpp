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

void SendMouseTo(POINT p) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  in.mi.dx = LONG((LONGLONG(p.x) * 65536 + w - 1) / w);
  in.mi.dy = LONG((LONGLONG(p.y) * 65536 + h - 1) / h);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

void SendLeftButton(bool down) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &in, sizeof in);
}

void SendKeyTap(WORD key) {
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = key;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof in[0]);
}

}  // namespace testsupport
