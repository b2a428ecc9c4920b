#pragma once
// The server's message boxes. Only the main thread shows them: another thread posts its box there
// as TM_SHOW_BOX, and the main loop hands that to HandleBoxRequest. Boxes go through the program's one
// replaceable message box (ui::ShowMessageBox), so tests can answer them.
#include <windows.h>

#include <string>

constexpr UINT TM_SHOW_BOX = 1206;  // lParam: a TBoxRequest the main thread frees
constexpr const char* ServerBoxCaption = "tarnbel";

struct TBoxRequest {
  std::string Text;
  std::string Caption;
  UINT Flags;
};

// On the main thread the box is shown at once and its answer returned; from any other thread it is
// posted to the main thread (retried until posted) and 0 is returned.
int ServerBox(DWORD mainThreadId, const std::string& text, UINT flags = MB_OK | MB_ICONSTOP);

// The main loop's handler: true (and the box shown, the request freed) for TM_SHOW_BOX.
bool HandleBoxRequest(const MSG& msg);
