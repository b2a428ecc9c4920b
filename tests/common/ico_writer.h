#pragma once
// Writes small .ico files for tests: one 24-bit image with its transparency mask.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace testsupport {

// pixel(x, y) gives the colour as 0x00BBGGRR, or -1 for a transparent pixel; y = 0 is the top row.
bool WriteIcoFile(const std::string& path, int size, const std::function<int32_t(int x, int y)>& pixel);
// A square icon of one colour with a transparent one-pixel border.
bool WriteSolidIcoFile(const std::string& path, int size, uint32_t colorBGR);

}  // namespace testsupport
