#pragma once
// The X server's own pixels, as an oracle for what our painting put on the screen: Debian's xwd dumps the
// root window and a short Python script reads the points out of the dump, outside Wine's GDI altogether.
#include <windows.h>

#include <vector>

namespace testsupport {

// The colours at the screen points; empty when the dump could not be made or read.
std::vector<COLORREF> XServerPixels(const std::vector<POINT>& points);

}  // namespace testsupport
