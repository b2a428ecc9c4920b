#include "modal_driver.h"

#include "screen.h"

namespace toolstest {

namespace {
TModalDriver* running = nullptr;

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<std::pair<std::string, HWND>*>(param);
  char cls[16] = {0}, title[256] = {0};
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, title, sizeof title);
  if (std::string(cls) == "#32770" && search->first == title && IsWindowVisible(window)) {
    search->second = window;
    return FALSE;
  }
  return TRUE;
}
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

void PostKey(HWND window, WORD key) {
  PostMessageA(window, WM_KEYDOWN, key, 1);
  PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

void PostText(HWND window, const std::string& text) {
  for (char c : text) PostMessageA(window, WM_CHAR, static_cast<unsigned char>(c), 1);
}

HWND ComboEdit(HWND combo) { return FindWindowExA(combo, nullptr, "Edit", nullptr); }

HWND FindThreadBox(const std::string& caption) {
  std::pair<std::string, HWND> search(caption, nullptr);
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

std::string BoxText(HWND box) {
  std::string text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char cls[16] = {0}, buffer[512] = {0};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(child, buffer, sizeof buffer) > 0) text += buffer;
  }
  return text;
}

}  // namespace toolstest
