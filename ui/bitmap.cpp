#include "bitmap.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TBitmap)

namespace {

const char* const kInvalidBitmap = "Bitmap image is not valid";

int RowBytes(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

// BITMAPINFO with room for 256 colours.
struct BitmapInfo256 {
  BITMAPINFOHEADER Header;
  RGBQUAD Colors[256];
};

void DefaultColorTable(int bits, RGBQUAD* table) {
  int n = 1 << bits;
  for (int i = 0; i < n; ++i) {
    BYTE v = BYTE(n == 1 ? 0 : i * 255 / (n - 1));
    table[i] = RGBQUAD{v, v, v, 0};
  }
}

}  // namespace

TPixelFormat PixelFormatOfBits(int bitCount) {
  switch (bitCount) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 15: return pf15bit;
    case 16: return pf16bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: return pfCustom;
  }
}

int BitsOfPixelFormat(TPixelFormat format) {
  switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit: return 15;
    case pf16bit: return 16;
    case pf32bit: return 32;
    default: return 24;
  }
}

struct TBitmap::TCanvasContext {
  TMemoryDC DC;
  TSelectObject Image;
  TSelectPalette Palette;
  TCanvasContext(HBITMAP image, HPALETTE palette) : Image(DC, image), Palette(DC, palette, true) {}
};

// The canvas makes its memory context when first drawn on and selects the bitmap into it.
class TBitmap::TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap& owner) : FOwner(owner) {}
  void Drop() {
    ReleaseTools();
    SetHandle(nullptr);
  }

 protected:
  void CreateHandle() override {
    if (!FOwner.FHandle) FOwner.Recreate(std::max(FOwner.FWidth, 1), std::max(FOwner.FHeight, 1), FOwner.FPixelFormat);
    HBITMAP image = FOwner.FHandle.Get();
    FOwner.FContext.reset(new TCanvasContext(image, FOwner.Palette()));
    SetHandle(FOwner.FContext->DC);
  }

 private:
  TBitmap& FOwner;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() { FreeImage(); }

void TBitmap::Deselect() {
  if (!FContext) return;
  static_cast<TBitmapCanvas*>(FCanvas.get())->Drop();
  FContext.reset();
}

void TBitmap::FreeImage() {
  Deselect();
  FHandle.Reset();
  FPalette.Reset();
}

HBITMAP TBitmap::Handle() {
  Deselect();
  GdiFlush();
  return FHandle.Get();
}

HBITMAP TBitmap::ReleaseHandle() {
  Deselect();
  HBITMAP h = FHandle.Release();
  FPalette.Reset();
  FWidth = FHeight = 0;
  return h;
}

HPALETTE TBitmap::Palette() {
  if (FPalette || !FHandle || BitsOfPixelFormat(FPixelFormat) > 8) return FPalette.Get();
  RGBQUAD table[256];
  UINT n;
  if (FContext) {
    n = GetDIBColorTable(FContext->DC, 0, 256, table);
  } else {
    TMemoryDC dc;
    TSelectObject image(dc, FHandle.Get());
    n = GetDIBColorTable(dc, 0, 256, table);
  }
  if (n == 0) return nullptr;
  std::vector<uint8_t> buf(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = WORD(n);
  for (UINT i = 0; i < n; ++i)
    lp->palPalEntry[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
  FPalette.Reset(CreatePalette(lp));
  return FPalette.Get();
}

void TBitmap::Recreate(int width, int height, TPixelFormat format) {
  int bits = BitsOfPixelFormat(format);
  BitmapInfo256 bi{};
  bi.Header.biSize = sizeof(BITMAPINFOHEADER);
  bi.Header.biWidth = width;
  bi.Header.biHeight = height;
  bi.Header.biPlanes = 1;
  bi.Header.biBitCount = WORD(bits == 15 ? 16 : bits);
  bi.Header.biCompression = BI_RGB;
  if (bits == 16) {
    bi.Header.biCompression = BI_BITFIELDS;
    DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(bi.Colors, masks, sizeof masks);
  } else if (bits <= 8) {
    DefaultColorTable(bits, bi.Colors);
    bi.Header.biClrUsed = 1u << bits;
  }
  void* bits_ptr = nullptr;
  TBitmapHandle h(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits_ptr, nullptr, 0));
  if (!h) throw EInvalidGraphic(kInvalidBitmap);
  // Keep the old picture's top-left part.
  if (FHandle) {
    Deselect();
    TMemoryDC src, dst;
    TSelectObject os(src, FHandle.Get()), od(dst, h.Get());
    BitBlt(dst, 0, 0, std::min(width, FWidth), std::min(height, FHeight), src, 0, 0, SRCCOPY);
  }
  FreeImage();
  FHandle = std::move(h);
  FWidth = width;
  FHeight = height;
  FPixelFormat = PixelFormatOfBits(bits);
}

void TBitmap::SetSize(int width, int height) {
  if (width == FWidth && height == FHeight && (FHandle || width == 0)) return;
  if (width <= 0 || height <= 0) {
    FreeImage();
    FWidth = std::max(width, 0);
    FHeight = std::max(height, 0);
    return;
  }
  Recreate(width, height, FPixelFormat);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == pfDevice || format == pfCustom) format = pf24bit;
  if (format == FPixelFormat) return;
  FPixelFormat = format;
  if (FHandle) Recreate(FWidth, FHeight, format);
}

TColor TBitmap::TransparentColor() {
  if (!FHandle) return clDefault;
  return Canvas().Pixels(0, FHeight - 1);
}

TCanvas& TBitmap::Canvas() {
  if (!FCanvas) FCanvas.reset(new TBitmapCanvas(*this));
  return *FCanvas;
}

void TBitmap::Draw(TCanvas& canvas, const RECT& r) {
  if (!FHandle) return;
  TCanvas& src = Canvas();
  SetStretchBltMode(canvas.Handle(), COLORONCOLOR);
  StretchBlt(canvas.Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, src.Handle(), 0, 0, FWidth, FHeight,
             canvas.CopyMode);
}

void TBitmap::SetHandle(HBITMAP handle) {
  if (!handle) {
    FreeImage();
    FWidth = FHeight = 0;
    return;
  }
  DIBSECTION ds{};
  BITMAP bm{};
  if (GetObjectA(handle, sizeof ds, &ds) == sizeof ds) {
    FreeImage();
    FHandle.Reset(handle);
    FWidth = ds.dsBm.bmWidth;
    FHeight = ds.dsBm.bmHeight;
    FPixelFormat = PixelFormatOfBits(ds.dsBmih.biBitCount == 16 && ds.dsBmih.biCompression == BI_RGB
                                         ? 15 : ds.dsBmih.biBitCount);
    return;
  }
  // A device bitmap: copy it into a DIB section of ours. Ours from here on, also when that fails.
  TBitmapHandle device(handle);
  if (!GetObjectA(handle, sizeof bm, &bm)) throw EInvalidGraphic(kInvalidBitmap);
  FreeImage();
  FPixelFormat = bm.bmBitsPixel == 1 ? pf1bit : pf24bit;
  Recreate(bm.bmWidth, bm.bmHeight, FPixelFormat);
  TMemoryDC src;
  TSelectObject os(src, handle);
  BitBlt(Canvas().Handle(), 0, 0, bm.bmWidth, bm.bmHeight, src, 0, 0, SRCCOPY);
}

void TBitmap::LoadFromClipboardFormat(UINT format, HANDLE data) {
  if (format != CF_BITMAP || !data) throw EInvalidGraphic(kInvalidBitmap);
  HANDLE copy = CopyImage(data, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!copy) throw EInvalidGraphic(kInvalidBitmap);
  SetHandle(static_cast<HBITMAP>(copy));
}

HANDLE TBitmap::SaveToClipboardFormat(UINT format) {
  if (format != CF_BITMAP || !FHandle) throw EInvalidGraphic(kInvalidBitmap);
  HANDLE copy = CopyImage(Handle(), IMAGE_BITMAP, 0, 0, 0);
  if (!copy) throw EInvalidGraphic(kInvalidBitmap);
  return copy;
}

void TBitmap::LoadFromStream(TMemoryStream& stream) {
  BITMAPFILEHEADER fh{};
  stream.ReadBuffer(&fh, sizeof fh);
  if (fh.bfType != 0x4D42) throw EInvalidGraphic(kInvalidBitmap);
  int64_t headerPos = stream.Position();
  DWORD headerSize = 0;
  stream.ReadBuffer(&headerSize, 4);
  if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > 1024) throw EInvalidGraphic(kInvalidBitmap);
  BitmapInfo256 bi{};
  stream.SetPosition(headerPos);
  stream.ReadBuffer(&bi.Header, sizeof(BITMAPINFOHEADER));
  stream.SetPosition(headerPos + headerSize);
  BITMAPINFOHEADER& h = bi.Header;
  h.biSize = sizeof(BITMAPINFOHEADER);
  int bits = h.biBitCount;
  bool bitsOk = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
  bool compressionOk = h.biCompression == BI_RGB || (h.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32));
  int64_t absHeight = h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight;
  if (!bitsOk || !compressionOk || h.biWidth <= 0 || absHeight == 0 || h.biPlanes != 1 ||
      int64_t(h.biWidth) * absHeight > (int64_t(1) << 28))
    throw EInvalidGraphic(kInvalidBitmap);
  if (bits <= 8) {
    DWORD colors = h.biClrUsed ? h.biClrUsed : (1u << bits);
    if (colors > (1u << bits)) throw EInvalidGraphic(kInvalidBitmap);
    stream.ReadBuffer(bi.Colors, colors * sizeof(RGBQUAD));
    h.biClrUsed = colors;
  } else if (h.biCompression == BI_BITFIELDS && headerSize == sizeof(BITMAPINFOHEADER)) {
    stream.ReadBuffer(bi.Colors, 12);
  }
  if (fh.bfOffBits) stream.SetPosition(fh.bfOffBits);
  int stride = RowBytes(h.biWidth, bits);
  std::vector<uint8_t> pixels(size_t(stride) * size_t(absHeight));
  stream.ReadBuffer(pixels.data(), int64_t(pixels.size()));
  bool topDown = h.biHeight < 0;
  h.biHeight = LONG(absHeight);
  h.biSizeImage = 0;
  void* dest = nullptr;
  TBitmapHandle dib(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &dest, nullptr, 0));
  if (!dib || !dest) throw EInvalidGraphic(kInvalidBitmap);
  auto* out = static_cast<uint8_t*>(dest);
  for (int64_t y = 0; y < absHeight; ++y) {
    int64_t srcRow = topDown ? absHeight - 1 - y : y;
    std::memcpy(out + y * stride, pixels.data() + srcRow * stride, size_t(stride));
  }
  FreeImage();
  FHandle = std::move(dib);
  FWidth = h.biWidth;
  FHeight = int(absHeight);
  FPixelFormat = PixelFormatOfBits(bits == 16 && h.biCompression == BI_RGB ? 15 : bits);
}

void TBitmap::SaveToStream(TMemoryStream& stream) {
  if (!FHandle) throw EInvalidGraphic(kInvalidBitmap);
  HBITMAP handle = Handle();
  DIBSECTION ds{};
  if (GetObjectA(handle, sizeof ds, &ds) != sizeof ds || !ds.dsBm.bmBits) throw EInvalidGraphic(kInvalidBitmap);
  BITMAPINFOHEADER h = ds.dsBmih;
  int bits = h.biBitCount;
  int stride = RowBytes(h.biWidth, bits);
  int rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  RGBQUAD table[256];
  UINT colors = 0;
  if (bits <= 8) {
    TMemoryDC dc;
    TSelectObject image(dc, handle);
    colors = GetDIBColorTable(dc, 0, 256, table);
  }
  DWORD extra = h.biCompression == BI_BITFIELDS ? 12 : colors * sizeof(RGBQUAD);
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biHeight = rows;
  h.biSizeImage = DWORD(stride) * DWORD(rows);
  h.biClrUsed = colors;
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + extra;
  fh.bfSize = fh.bfOffBits + h.biSizeImage;
  stream.Write(&fh, sizeof fh);
  stream.Write(&h, sizeof h);
  if (h.biCompression == BI_BITFIELDS) stream.Write(ds.dsBitfields, 12);
  else if (colors) stream.Write(table, colors * sizeof(RGBQUAD));
  const auto* src = static_cast<const uint8_t*>(ds.dsBm.bmBits);
  if (ds.dsBmih.biHeight < 0) {
    for (int y = rows - 1; y >= 0; --y) stream.Write(src + size_t(y) * stride, stride);
  } else {
    stream.Write(src, int64_t(stride) * rows);
  }
}

void TBitmap::LoadFromFile(const std::string& fileName) {
  TMemoryStream s;
  s.LoadFromFile(fileName);
  LoadFromStream(s);
}

void TBitmap::SaveToFile(const std::string& fileName) {
  TMemoryStream s;
  SaveToStream(s);
  s.SaveToFile(fileName);
}

void TBitmap::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TBitmap*>(source);
  if (!src) {
    TGraphic::Assign(source);
    return;
  }
  if (src == this) return;
  if (!src->FHandle) {
    FreeImage();
    FWidth = src->FWidth;
    FHeight = src->FHeight;
    FPixelFormat = src->FPixelFormat;
    return;
  }
  TMemoryStream s;
  const_cast<TBitmap*>(src)->SaveToStream(s);
  s.SetPosition(0);
  LoadFromStream(s);
}

}  // namespace ui
