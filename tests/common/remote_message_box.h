#pragma once
// The message boxes of another process, seen and answered as a user would: found among its top-level
// windows, read through their static texts, answered by a button or a key.
#include <windows.h>

#include <string>

namespace testsupport {

// The first visible message box ("#32770" with a text) of the process, with that caption unless it is
// empty; null when none.
HWND FindMessageBoxOf(DWORD processId, const std::string& caption = "");
// Its text (the static controls' texts, joined by line ends).
std::string MessageBoxText(HWND box);
// Clicks the button with that id (IDOK, IDYES, IDNO, ...).
bool ClickMessageBoxButton(HWND box, int id);
// Presses a key in the box as the keyboard does: down, the character for letters, up.
void PressKeyInMessageBox(HWND box, WORD key);

}  // namespace testsupport
