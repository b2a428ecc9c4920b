#pragma once
// TBitmap: a DIB section with its own memory-context canvas, read from and written to BMP streams.
#include <memory>

#include "graphics.h"
#include "streams.h"

namespace ui {

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

class TBitmap : public TGraphic {
  UI_CLASS(TBitmap, TGraphic)
 public:
  TBitmap();
  ~TBitmap() override;

  // The image handle, deselected from the canvas first, so GetDIBits and friends may use it.
  HBITMAP Handle();
  bool HandleAllocated() const { return bool(FHandle); }
  // Takes ownership of a bitmap handle (any kind); it is kept as a DIB section.
  void SetHandle(HBITMAP handle);
  HBITMAP ReleaseHandle();
  // A palette made from the colour table of a bitmap of 8 bits or fewer; owned by the bitmap.
  HPALETTE Palette();

  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  bool Empty() const override { return !FHandle; }
  void LoadFromFile(const std::string& fileName) override;
  // CF_BITMAP: a copy of the clipboard's bitmap, and a copy for it.
  void LoadFromClipboardFormat(UINT format, HANDLE data) override;
  HANDLE SaveToClipboardFormat(UINT format) override;
  void SetWidth(int w) { SetSize(w, FHeight); }
  void SetHeight(int h) { SetSize(FWidth, h); }
  // Keeps the picture's top-left part.
  void SetSize(int width, int height);
  // New bitmaps are 24-bit; pfDevice also means 24 bits here.
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat format);
  bool Monochrome() const { return FPixelFormat == pf1bit; }
  // The colour of the bottom-left pixel.
  TColor TransparentColor();

  TCanvas& Canvas();
  void Draw(TCanvas& canvas, const RECT& rect) override;

  // A BMP file image: file header, info header, colour table, rows bottom-up.
  void LoadFromStream(TMemoryStream& stream) override;
  void SaveToStream(TMemoryStream& stream) override;
  void SaveToFile(const std::string& fileName);
  void Assign(const TPersistent* source) override;

 private:
  class TBitmapCanvas;
  friend class TBitmapCanvas;
  void Deselect();
  void FreeImage();
  void Recreate(int width, int height, TPixelFormat format);
  // The canvas's memory context with the image (and its palette) selected.
  struct TCanvasContext;
  TBitmapHandle FHandle;
  TPaletteHandle FPalette;
  int FWidth = 0, FHeight = 0;
  TPixelFormat FPixelFormat = pf24bit;
  std::unique_ptr<TCanvas> FCanvas;
  std::unique_ptr<TCanvasContext> FContext;
};

TPixelFormat PixelFormatOfBits(int bitCount);
int BitsOfPixelFormat(TPixelFormat format);

}  // namespace ui
