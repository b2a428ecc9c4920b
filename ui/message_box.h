#pragma once
// The one message box every part of the program shows its boxes through; tests replace it.
#include <windows.h>

#include <functional>
#include <string>

namespace ui {

using TMessageBoxHandler = std::function<int(const std::string& text, const std::string& caption, UINT flags)>;

// Installs a handler (an empty one restores MessageBoxA); returns the previous one.
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);
// Shows the box owned by the given window (null: the active window) and returns the button's id.
int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags, HWND owner = nullptr);
// The text with a line break put into every word where its part on a line would pass room pixels as the
// context's font draws it; other text unchanged.
std::string BreakWideWords(const std::string& text, HDC dc, int room);
// The text as a box shows it whole within room pixels' width and maxLines lines, whether the box wraps
// its lines at the room or as narrow as `narrowest`: words broken as above; when it would take more
// lines, every line longer than two keeps its start and end around "...", and the lines that still
// do not fit give way to a last line "...". A character of a double-byte code page is never cut in two.
std::string FitBoxText(const std::string& text, HDC dc, int room, int narrowest, size_t maxLines,
                       UINT codePage = CP_ACP);

}  // namespace ui
