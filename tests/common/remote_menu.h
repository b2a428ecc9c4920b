#pragma once
// A menu of another process's window, opened by its letter and walked by keys: under Wine another process's
// menu ids cannot be read.
#include <windows.h>

namespace testsupport {

// Opens the window's menu by its letter (SC_KEYMENU) and returns the tracked menu's window, null when none
// came. The menu bar takes its letter only in the active, enabled window, and a letter that arrives while
// the window is busy disabled is dropped, as a user's would be: it is pressed again when no menu came.
HWND OpenRemoteMenu(DWORD processId, HWND window, char letter, DWORD timeoutMs = 20000);
// Opens the menu and runs its item, counted from the top without separators (disabled ones counted too).
// False when the menu did not open or did not close.
bool RunRemoteMenuItem(DWORD processId, HWND window, char letter, int item, DWORD timeoutMs = 20000);
// Right-clicks the window at the point (client coordinates) and runs the item of the pop-up menu that comes,
// counted as above.
bool RunRemotePopupItem(DWORD processId, HWND window, POINT at, int item, DWORD timeoutMs = 20000);

}  // namespace testsupport
