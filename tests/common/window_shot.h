#pragma once
// A picture of a window as the screen shows it, kept as a 24-bit .bmp file for a look by eye.
#include <windows.h>

#include <string>

namespace testsupport {

// The window's outer rectangle, frame and menu included; false when the file cannot be written.
bool SaveWindowShot(HWND window, const std::string& path);

}  // namespace testsupport
