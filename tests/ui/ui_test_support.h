#pragma once
// What the window tests share: forms freed at the end of a case, one step of the program's own loop,
// keys posted with a chosen shift state.
#include <windows.h>

#include <cstring>
#include <memory>

#include "application.h"
#include "dialog_windows.h"
#include "form.h"
#include "pump_until.h"

namespace uitest {

using FormPtr = std::unique_ptr<ui::TForm, ui::TFreeDeleter>;

inline void LoopStep() { ui::Application().HandleMessage(); }

inline bool RunUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000) {
  return testsupport::PumpUntil(done, timeoutMs, LoopStep);
}

inline void RunFor(DWORD ms) { testsupport::PumpFor(ms, LoopStep); }

// Holds keys down in the thread's key state (what GetKeyState sees) while it lives.
class HeldKeys {
 public:
  explicit HeldKeys(std::initializer_list<int> keys) {
    GetKeyboardState(FSaved);
    BYTE state[256];
    std::memcpy(state, FSaved, sizeof state);
    for (int k : keys) state[k] = 0x80;
    SetKeyboardState(state);
  }
  ~HeldKeys() { SetKeyboardState(FSaved); }
  HeldKeys(const HeldKeys&) = delete;
  HeldKeys& operator=(const HeldKeys&) = delete;

 private:
  BYTE FSaved[256];
};

// A key as the system queues it for the focused window: down, then up.
inline void PressKey(WORD key) { testsupport::PostKey(GetFocus(), key); }

}  // namespace uitest
