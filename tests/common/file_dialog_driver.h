#pragma once
// The system's file dialogs of the test's GUI thread, worked from a second thread as a user would.
#include <windows.h>

#include <string>

namespace testsupport {

// A visible dialog of the thread: the file dialog itself (it has the file name field) or a box it shows.
HWND FindDialog(DWORD thread, bool fileBox);
HWND WaitForDialog(DWORD thread, bool fileBox, DWORD timeoutMs = 10000);
// Selects the file in the file dialog's list as a click would; true once the dialog names it.
bool PickInList(HWND dialog, const std::string& name);

}  // namespace testsupport
