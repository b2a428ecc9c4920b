#include "KitGraph.h"

#include <cstring>
#include <vector>

#include "KitWinUtils.h"
#include "gdi.h"
#include "kit_graph_mapping.h"
#include "ui_exceptions.h"

using namespace ui;

TMappingMethod DefaultMappingMethod = mmHistogram;

TPixelFormat PixelFormatOf(TBitmap& bitmap) { return bitmap.PixelFormat(); }

namespace {

struct Info256 {
  BITMAPINFOHEADER Header;
  RGBQUAD Colors[256];
};

// GetDIBits through a memory context compatible with the screen, the bitmap's palette realised.
bool FetchBits(TBitmap& bitmap, int bits, Info256& info, std::vector<uint8_t>& pixels) {
  HBITMAP handle = bitmap.Handle();  // deselected from its canvas first
  HPALETTE palette = bitmap.Palette();
  std::memset(&info, 0, sizeof info);
  info.Header.biSize = sizeof(BITMAPINFOHEADER);
  info.Header.biWidth = bitmap.Width();
  info.Header.biHeight = bitmap.Height();
  info.Header.biPlanes = 1;
  info.Header.biBitCount = WORD(bits);
  info.Header.biCompression = BI_RGB;
  int stride = ((bitmap.Width() * bits + 31) / 32) * 4;
  pixels.assign(size_t(stride) * size_t(bitmap.Height()), 0);
  TMemoryDC dc;
  TSelectPalette selected(dc, palette);
  int lines = GetDIBits(dc, handle, 0, UINT(bitmap.Height()), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                        DIB_RGB_COLORS);
  return lines == bitmap.Height() && info.Header.biBitCount == bits;
}

void WriteBmp(TMemoryStream& stream, BITMAPINFOHEADER header, const RGBQUAD* palette, int paletteCount,
              const uint8_t* pixels, size_t pixelBytes) {
  header.biSize = sizeof(BITMAPINFOHEADER);
  if (header.biSizeImage == 0) header.biSizeImage = DWORD(pixelBytes);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + paletteCount * sizeof(RGBQUAD));
  fh.bfSize = DWORD(fh.bfOffBits + pixelBytes);
  stream.Write(&fh, sizeof fh);
  stream.Write(&header, sizeof header);
  if (paletteCount) stream.Write(palette, int64_t(paletteCount) * int64_t(sizeof(RGBQUAD)));
  stream.Write(pixels, int64_t(pixelBytes));
}

}  // namespace

std::unique_ptr<TMemoryStream> BitmapToBmpStream(TBitmap& bitmap, TPixelFormat format, TMappingMethod method) {
  if (!bitmap.HandleAllocated()) throw EInvalidGraphic("Bitmap image is not valid");
  std::unique_ptr<TMemoryStream> stream(new TMemoryStream);
  if (PixelFormatOf(bitmap) == format && method != mmGrayscale) {
    bitmap.SaveToStream(*stream);
    stream->SetPosition(0);
    return stream;
  }
  if (format != pf1bit && format != pf4bit && format != pf8bit && format != pf24bit) NotImplemented();

  Info256 info;
  std::vector<uint8_t> pixels;
  if (format == pf1bit || format == pf4bit) {
    int bits = format == pf1bit ? 1 : 4;
    if (!FetchBits(bitmap, bits, info, pixels)) NotImplemented();
    info.Header.biClrUsed = 1u << bits;
    WriteBmp(*stream, info.Header, info.Colors, 1 << bits, pixels.data(), pixels.size());
    stream->SetPosition(0);
    return stream;
  }
  if (!FetchBits(bitmap, 24, info, pixels)) NotImplemented();
  int width = bitmap.Width(), height = bitmap.Height();
  BITMAPINFOHEADER header{};
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biCompression = BI_RGB;
  if (format == pf24bit) {
    header.biBitCount = 24;
    header.biSizeImage = DWORD(Row24(width)) * DWORD(height);
    WriteBmp(*stream, header, nullptr, 0, pixels.data(), pixels.size());
    stream->SetPosition(0);
    return stream;
  }
  TMappedImage mapped;
  std::memset(mapped.Palette, 0, sizeof mapped.Palette);
  switch (method) {
    case mmGrayscale: MapGrayscale(pixels.data(), width, height, mapped); break;
    case mmTrunc784: MapTruncation784(pixels.data(), width, height, mapped); break;
    case mmTrunc666: MapTruncation666(pixels.data(), width, height, mapped); break;
    case mmTripel: MapTripel(pixels.data(), width, height, mapped); break;
    case mmQuantize: MapQuantize(pixels.data(), width, height, mapped); break;
    default: MapHistogram(pixels.data(), width, height, mapped); break;
  }
  header.biBitCount = 8;
  header.biSizeImage = DWORD(Row8(width)) * DWORD(height);
  header.biClrUsed = 256;
  header.biClrImportant = mapped.ImportantColors;
  WriteBmp(*stream, header, mapped.Palette, 256, mapped.Indices.data(), mapped.Indices.size());
  stream->SetPosition(0);
  return stream;
}

void ChangePixelFormat(TBitmap& bitmap, TPixelFormat format, TMappingMethod method) {
  if (!bitmap.HandleAllocated() || PixelFormatOf(bitmap) == format) return;
  std::unique_ptr<TMemoryStream> stream = BitmapToBmpStream(bitmap, format, method);
  bitmap.LoadFromStream(*stream);
}

void GrayscaleBitmap(TBitmap& bitmap) { ChangePixelFormat(bitmap, pf8bit, mmGrayscale); }

std::unique_ptr<TMemoryStream> StreamForColorCount(TBitmap& bitmap, int colorCount) {
  TPixelFormat format = colorCount <= 2 ? pf1bit : colorCount <= 16 ? pf4bit : colorCount <= 256 ? pf8bit : pf24bit;
  return BitmapToBmpStream(bitmap, format, DefaultMappingMethod);
}
