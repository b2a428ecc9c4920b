#pragma once
// The system's window of a tracked pop-up menu.
#include <windows.h>

namespace testsupport {

// The visible tracked menu window ("#32768") of a thread; null when none is open.
HWND TrackedMenuWindow(DWORD threadId);

}  // namespace testsupport
