#pragma once
// Real input put into the system's queue through SendInput, from any thread; nothing here waits for it to be
// handed over (the callers wait in their own loop, or ask the GUI thread).
#include <windows.h>

#include <string>

namespace testsupport {

inline void SendKey(WORD key, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = key;
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof in);
}

// A key pressed and released.
inline void SendKeyTap(WORD key) {
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = key;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof in[0]);
}

// Each character typed as the keyboard would (a packet key per character).
inline void SendText(const std::string& text) {
  for (unsigned char c : text) {
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wScan = in[1].ki.wScan = c;
    in[0].ki.dwFlags = KEYEVENTF_UNICODE;
    in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof in[0]);
  }
}

// The pointer to a screen point.
inline void SendMouseTo(POINT p) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  in.mi.dx = LONG((LONGLONG(p.x) * 65536 + w - 1) / w);
  in.mi.dy = LONG((LONGLONG(p.y) * 65536 + h - 1) / h);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

// One button event: flag is a MOUSEEVENTF_ button flag.
inline void SendMouseButton(DWORD flag) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flag;
  SendInput(1, &in, sizeof in);
}

inline void SendLeftButton(bool down) { SendMouseButton(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP); }

// True once the thread's loop has taken every queued input of these kinds (QS_KEY, QS_MOUSE).
inline bool InputDelivered(UINT kinds) { return HIWORD(GetQueueStatus(kinds)) == 0; }

inline bool CursorAt(POINT p) {
  POINT now;
  GetCursorPos(&now);
  return now.x == p.x && now.y == p.y;
}

// Puts the pointer back where it was: left over a later test's pop-up menu it would choose in it.
class CursorKeeper {
 public:
  CursorKeeper() { GetCursorPos(&FSaved); }
  ~CursorKeeper() { SetCursorPos(FSaved.x, FSaved.y); }
  CursorKeeper(const CursorKeeper&) = delete;
  CursorKeeper& operator=(const CursorKeeper&) = delete;

 private:
  POINT FSaved;
};

}  // namespace testsupport
