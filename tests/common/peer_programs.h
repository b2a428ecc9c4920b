#pragma once
// The other programs of an end-to-end test, seen from outside: their top-level windows, and ending a
// tools program that a test caused (directly or through the server).
#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

// The top-level windows of the process, visible or not.
std::vector<HWND> TopLevelWindowsOf(DWORD processId);
// The first top-level window of the process with that class (empty: any) and title; null when none.
HWND FindWindowOf(DWORD processId, const std::string& className, const std::string& title);
// Waits (serving this thread's messages) for a visible top-level window of the process with that title;
// null when none came within the time.
HWND WaitVisibleWindowOf(DWORD processId, const std::string& title, DWORD timeoutMs = 20000);
std::string WindowTitle(HWND window);
std::string WindowClass(HWND window);

// Asks every tools program of another process to quit (its windows close, then it ends) and waits;
// one that does not end within the time is killed. True when none is left.
bool EndToolsPrograms(DWORD timeoutMs = 5000);

}  // namespace testsupport
