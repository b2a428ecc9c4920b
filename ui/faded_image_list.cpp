#include "faded_image_list.h"

#include <vector>

#include "gdi.h"
#include "image_list.h"

namespace ui {

namespace {

// A top-down 32-bit picture of one image, drawn over a background; its pixels as 0x00RRGGBB.
class TImagePixels {
 public:
  TImagePixels(int width, int height) : FWidth(width), FHeight(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    FBitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&FBits), nullptr, 0));
  }
  bool Valid() const { return FBits != nullptr; }
  HBITMAP Handle() const { return FBitmap.Get(); }
  DWORD& At(int i) { return FBits[i]; }
  void Draw(HIMAGELIST list, int index, DWORD background, UINT style) {
    TMemoryDC dc;
    TSelectObject selected(dc.Get(), FBitmap.Get());
    for (int i = 0; i < FWidth * FHeight; ++i) FBits[i] = background;
    ImageList_Draw(list, index, dc.Get(), 0, 0, style);
    GdiFlush();
  }

 private:
  int FWidth, FHeight;
  TBitmapHandle FBitmap;
  DWORD* FBits = nullptr;
};

BYTE Faded(BYTE grey, BYTE face) { return BYTE((grey + face) / 2); }

}  // namespace

TFadedImageList::~TFadedImageList() {
  if (FHandle) ImageList_Destroy(FHandle);
}

HIMAGELIST TFadedImageList::Of(TImageList& images) {
  if (!FHandle) FHandle = ImageList_Create(images.Width(), images.Height(), ILC_COLOR24 | ILC_MASK, 4, 4);
  if (FHandle && (FFrom != images.Handle() || FChanges != images.Changes())) Refill(images);
  return FHandle;
}

void TFadedImageList::Refill(TImageList& images) {
  FFrom = images.Handle();
  FChanges = images.Changes();
  const int w = images.Width(), h = images.Height();
  // Setting the size empties the list and keeps its handle, which the toolbar holds.
  ImageList_SetIconSize(FHandle, w, h);
  TImagePixels picture(w, h), mask(w, h);
  if (!picture.Valid() || !mask.Valid()) return;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  // The mask bitmap of the list: rows of whole words, a set bit where the image is transparent.
  const int rowBytes = (w + 15) / 16 * 2;
  std::vector<BYTE> maskBits(size_t(rowBytes) * size_t(h));
  for (int index = 0, count = images.Count(); index < count; ++index) {
    picture.Draw(FFrom, index, 0, ILD_TRANSPARENT);
    mask.Draw(FFrom, index, 0xFFFFFF, ILD_MASK);
    std::fill(maskBits.begin(), maskBits.end(), BYTE(0));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        DWORD& pixel = picture.At(y * w + x);
        if (mask.At(y * w + x) & 0xFFFFFF) {
          maskBits[size_t(y * rowBytes + x / 8)] |= BYTE(0x80 >> (x % 8));
          pixel = 0;  // black under a set mask bit: the list draws it as it draws any masked image
          continue;
        }
        const unsigned r = pixel >> 16 & 0xFF, g = pixel >> 8 & 0xFF, b = pixel & 0xFF;
        const BYTE level = BYTE((77 * r + 150 * g + 29 * b) >> 8);
        pixel = DWORD(Faded(level, GetRValue(face))) << 16 | DWORD(Faded(level, GetGValue(face))) << 8 |
                Faded(level, GetBValue(face));
      }
    TBitmapHandle maskBitmap(CreateBitmap(w, h, 1, 1, maskBits.data()));
    ImageList_Add(FHandle, picture.Handle(), maskBitmap.Get());
  }
}

}  // namespace ui
