#pragma once
// Glyph strips for button tests: cells of one size side by side, magenta (the transparent colour, as the
// bottom-left pixel) around a square block of each cell's own colour from a quarter to three quarters.
// Header only: the suites that use it link the window library themselves.
#include <memory>
#include <vector>

#include "bitmap.h"

namespace testsupport {

constexpr COLORREF kStripBack = RGB(255, 0, 255);

inline std::unique_ptr<ui::TBitmap> GlyphStrip(const std::vector<COLORREF>& blocks, int size = 16) {
  auto bitmap = std::make_unique<ui::TBitmap>();
  bitmap->SetSize(size * int(blocks.size()), size);
  ui::TCanvas& canvas = bitmap->Canvas();
  for (size_t cell = 0; cell < blocks.size(); ++cell) {
    int x = int(cell) * size;
    canvas.Brush.Color = ui::TColor(kStripBack);
    canvas.FillRect(RECT{x, 0, x + size, size});
    canvas.Brush.Color = ui::TColor(blocks[cell]);
    canvas.FillRect(RECT{x + size / 4, size / 4, x + 3 * size / 4, 3 * size / 4});
  }
  return bitmap;
}

}  // namespace testsupport
