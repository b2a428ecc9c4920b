#pragma once
// A hidden message-only window of a class of its own, for timers and private messages.
#include <windows.h>

namespace ui {

// Registers the class on first use; the window belongs to the calling thread.
HWND AllocateUtilityWindow(const char* className, WNDPROC proc);

}  // namespace ui
