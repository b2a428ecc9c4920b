#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "KitGraph.h"
#include "KitWinUtils.h"
#include "message_box_recorder.h"
#include "ui_exceptions.h"

using namespace ui;

namespace {

// A 24-bit bitmap painted pixel by pixel through its canvas (so it is selected into the canvas DC).
void Paint(TBitmap& bmp, int w, int h, const std::vector<COLORREF>& colors) {
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp.Canvas().SetPixel(x, y, TColor(colors[size_t(y * w + x) % colors.size()]));
}

struct Dib8 {
  BITMAPINFOHEADER Header;
  RGBQUAD Colors[256];
  std::vector<uint8_t> Bits;
  int Stride;
  uint8_t At(int x, int y) const { return Bits[size_t((Header.biHeight - 1 - y) * Stride + x)]; }
};

Dib8 Read8(TBitmap& bmp) {
  Dib8 d{};
  d.Header.biSize = sizeof(BITMAPINFOHEADER);
  d.Header.biWidth = bmp.Width();
  d.Header.biHeight = bmp.Height();
  d.Header.biPlanes = 1;
  d.Header.biBitCount = 8;
  d.Stride = (bmp.Width() + 3) & ~3;
  d.Bits.resize(size_t(d.Stride * bmp.Height()));
  HDC dc = CreateCompatibleDC(nullptr);
  int lines = GetDIBits(dc, bmp.Handle(), 0, UINT(bmp.Height()), d.Bits.data(), reinterpret_cast<BITMAPINFO*>(&d),
                        DIB_RGB_COLORS);
  DeleteDC(dc);
  EXPECT_EQ(bmp.Height(), lines);
  return d;
}

struct BmpImage {
  BITMAPFILEHEADER File;
  BITMAPINFOHEADER Info;
  std::vector<RGBQUAD> Palette;
  std::vector<uint8_t> Bits;
};

BmpImage Parse(TMemoryStream& s) {
  BmpImage b{};
  std::memcpy(&b.File, s.Memory(), sizeof b.File);
  std::memcpy(&b.Info, s.Memory() + sizeof b.File, sizeof b.Info);
  size_t palStart = sizeof b.File + sizeof b.Info;
  b.Palette.resize((b.File.bfOffBits - palStart) / 4);
  if (!b.Palette.empty()) std::memcpy(b.Palette.data(), s.Memory() + palStart, b.Palette.size() * 4);
  b.Bits.assign(s.Memory() + b.File.bfOffBits, s.Memory() + s.Size());
  return b;
}

}  // namespace

TEST(KitGraph, GrayscaleIndicesOfPrimaryColours) {
  TBitmap bmp;
  Paint(bmp, 5, 1, {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255), RGB(0, 0, 0)});
  GrayscaleBitmap(bmp);  // the bitmap was still selected into its canvas
  EXPECT_EQ(pf8bit, PixelFormatOf(bmp));
  Dib8 d = Read8(bmp);
  EXPECT_EQ(76, d.At(0, 0));
  EXPECT_EQ(149, d.At(1, 0));
  EXPECT_EQ(28, d.At(2, 0));
  EXPECT_EQ(255, d.At(3, 0));
  EXPECT_EQ(0, d.At(4, 0));
  for (int i = 0; i < 256; i += 51) {
    EXPECT_EQ(i, d.Colors[i].rgbRed);
    EXPECT_EQ(i, d.Colors[i].rgbBlue);
  }
  // Already 8 bits: left alone.
  HBITMAP before = bmp.Handle();
  GrayscaleBitmap(bmp);
  EXPECT_EQ(before, bmp.Handle());
}

TEST(KitGraph, BmpHeaderAndRowPaddingAtOddWidths) {
  TBitmap bmp;
  Paint(bmp, 5, 3, {RGB(10, 20, 30)});
  auto gray = BitmapToBmpStream(bmp, pf8bit, mmGrayscale);
  BmpImage g = Parse(*gray);
  EXPECT_EQ(0x4D42, g.File.bfType);
  EXPECT_EQ(uint32_t(gray->Size()), g.File.bfSize);
  EXPECT_EQ(14u + 40u + 1024u, g.File.bfOffBits);
  EXPECT_EQ(40u, g.Info.biSize);
  EXPECT_EQ(8, g.Info.biBitCount);
  EXPECT_EQ(8u * 3u, g.Info.biSizeImage);  // 5 bytes padded to 8
  EXPECT_EQ(24u, g.Bits.size());
  EXPECT_EQ(0, g.Bits[5]);  // padding bytes are zero
  EXPECT_EQ((77 * 10 + 150 * 20 + 29 * 30) >> 8, g.Bits[0]);

  TBitmap wide;
  Paint(wide, 7, 2, {RGB(1, 2, 3)});
  wide.SetPixelFormat(pf32bit);
  auto rgb = BitmapToBmpStream(wide, pf24bit, mmHistogram);
  BmpImage r = Parse(*rgb);
  EXPECT_EQ(24, r.Info.biBitCount);
  EXPECT_EQ(24u * 2u, r.Info.biSizeImage);  // 21 bytes padded to 24
  EXPECT_EQ(14u + 40u, r.File.bfOffBits);
  EXPECT_EQ(3, r.Bits[0]);  // blue first
  EXPECT_EQ(1, r.Bits[2]);

  TBitmap mono;
  Paint(mono, 9, 2, {RGB(0, 0, 0), RGB(255, 255, 255)});
  auto one = BitmapToBmpStream(mono, pf1bit, mmHistogram);
  BmpImage m = Parse(*one);
  EXPECT_EQ(1, m.Info.biBitCount);
  EXPECT_EQ(2u, m.Palette.size());
  EXPECT_EQ(8u, m.Bits.size());  // 9 bits round up to one 4-byte row each
}

TEST(KitGraph, QuantizeGivesOneGroupPerCellWhenFew) {
  TBitmap bmp;
  // Cells (15,15,15), (1,0,0), (0,0,0); the black cell has most pixels.
  Paint(bmp, 4, 2, {RGB(255, 250, 240), RGB(16, 0, 0), RGB(0, 0, 0), RGB(5, 5, 5)});
  auto s = BitmapToBmpStream(bmp, pf8bit, mmQuantize);
  BmpImage q = Parse(*s);
  EXPECT_EQ(3u, q.Info.biClrImportant);
  std::vector<std::vector<int>> colors;
  for (int i = 0; i < 3; ++i) colors.push_back({q.Palette[i].rgbRed, q.Palette[i].rgbGreen, q.Palette[i].rgbBlue});
  EXPECT_NE(std::find(colors.begin(), colors.end(), std::vector<int>{255, 255, 255}), colors.end());
  EXPECT_NE(std::find(colors.begin(), colors.end(), std::vector<int>{31, 15, 15}), colors.end());
  EXPECT_NE(std::find(colors.begin(), colors.end(), std::vector<int>{0, 0, 0}), colors.end());
  // Pixels of one cell share an index, pixels of different cells do not.
  EXPECT_EQ(q.Bits[2], q.Bits[3]);
  EXPECT_NE(q.Bits[0], q.Bits[1]);
  EXPECT_NE(q.Bits[0], q.Bits[2]);

  TBitmap single;
  Paint(single, 3, 3, {RGB(200, 100, 50), RGB(205, 110, 60)});
  auto one = BitmapToBmpStream(single, pf8bit, mmQuantize);
  BmpImage o = Parse(*one);
  EXPECT_EQ(1u, o.Info.biClrImportant);
  for (int i = 1; i < 256; ++i) EXPECT_EQ(0, o.Palette[i].rgbRed | o.Palette[i].rgbGreen | o.Palette[i].rgbBlue);
  EXPECT_EQ(16 * 12 + 15, o.Palette[0].rgbRed);

  // Two cells split into one each, however lopsided the pixel counts.
  TBitmap two;
  Paint(two, 9, 1, {RGB(0, 0, 0), RGB(0, 0, 0), RGB(0, 0, 0), RGB(0, 0, 0), RGB(0, 0, 0), RGB(0, 0, 0),
                    RGB(0, 0, 0), RGB(0, 0, 0), RGB(240, 0, 0)});
  BmpImage t = Parse(*BitmapToBmpStream(two, pf8bit, mmQuantize));
  EXPECT_EQ(2u, t.Info.biClrImportant);
  EXPECT_NE(t.Bits[0], t.Bits[8]);
}

TEST(KitGraph, TruncationPalettesAndLevels) {
  TBitmap bmp;
  Paint(bmp, 2, 1, {RGB(200, 100, 50), RGB(0, 18, 255)});
  BmpImage t = Parse(*BitmapToBmpStream(bmp, pf8bit, mmTrunc784));
  EXPECT_EQ(224u, t.Info.biClrImportant);
  EXPECT_EQ((5 * 8 + 3) * 4 + 1, t.Bits[0]);
  EXPECT_EQ((0 * 8 + 0) * 4 + 3, t.Bits[1]);  // green 18 lies halfway: the lower level wins
  EXPECT_EQ(213, t.Palette[173].rgbRed);
  EXPECT_EQ(109, t.Palette[173].rgbGreen);
  EXPECT_EQ(85, t.Palette[173].rgbBlue);
  EXPECT_EQ(128, t.Palette[224].rgbRed);
  EXPECT_EQ(128, t.Palette[255].rgbReserved);

  BmpImage six = Parse(*BitmapToBmpStream(bmp, pf8bit, mmTrunc666));
  EXPECT_EQ(216u, six.Info.biClrImportant);
  EXPECT_EQ((4 * 6 + 2) * 6 + 1, six.Bits[0]);
  EXPECT_EQ(153, six.Palette[(3 * 6 + 0) * 6 + 0].rgbRed);
}

TEST(KitGraph, HistogramCopesWithMoreThan2049Colours) {
  TBitmap bmp;
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) bmp.Canvas().SetPixel(x, y, TColor(RGB(x * 4, y * 4, (x ^ y) * 4)));
  TBitmap original;
  original.Assign(&bmp);
  ChangePixelFormat(bmp, pf8bit, mmHistogram);
  ASSERT_EQ(pf8bit, PixelFormatOf(bmp));
  Dib8 d = Read8(bmp);
  // 4096 colours on multiples of 4: blue, red, green lose bits 0 and 1 without merging any; blue then
  // red lose bit 2, which leaves 2048. Each pixel's entry is the nearest to its masked colour.
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      COLORREF o = COLORREF(original.Canvas().Pixels(x, y));
      int r = GetRValue(o) & 0xF8, g = GetGValue(o) & 0xFC, b = GetBValue(o) & 0xF8;
      auto dist = [&](const RGBQUAD& p) {
        return (r - p.rgbRed) * (r - p.rgbRed) + (g - p.rgbGreen) * (g - p.rgbGreen) + (b - p.rgbBlue) * (b - p.rgbBlue);
      };
      int mine = dist(d.Colors[d.At(x, y)]);
      for (int i = 0; i < 256; ++i) ASSERT_LE(mine, dist(d.Colors[i])) << x << "," << y;
    }
  for (int i = 0; i < 256; ++i) EXPECT_EQ(0, (d.Colors[i].rgbBlue | d.Colors[i].rgbRed) & 7);

  // Few colours: each keeps an entry of its own.
  TBitmap few;
  Paint(few, 3, 1, {RGB(1, 2, 3), RGB(200, 0, 0), RGB(1, 2, 3)});
  BmpImage h = Parse(*BitmapToBmpStream(few, pf8bit, mmHistogram));
  EXPECT_EQ(h.Bits[0], h.Bits[2]);
  EXPECT_EQ(1, h.Palette[h.Bits[0]].rgbRed);
  EXPECT_EQ(200, h.Palette[h.Bits[1]].rgbRed);
  EXPECT_EQ(128, h.Palette[2].rgbGreen);  // entries left over are grey
}

TEST(KitGraph, RefusedFormatShowsTheBoxAndLeavesTheBitmap) {
  TBitmap bmp;
  Paint(bmp, 4, 4, {RGB(9, 8, 7)});
  HBITMAP before = bmp.Handle();
  testsupport::MessageBoxRecorder boxes;
  EXPECT_THROW(ChangePixelFormat(bmp, pf16bit, mmHistogram), EAbort);
  ASSERT_EQ(1u, boxes.Boxes.size());
  EXPECT_EQ(SNotImplemented, boxes.Boxes[0].Text);
  EXPECT_EQ(before, bmp.Handle());
  EXPECT_EQ(pf24bit, PixelFormatOf(bmp));
  EXPECT_EQ(TColor(RGB(9, 8, 7)), bmp.Canvas().Pixels(3, 3));

  TBitmap empty;
  EXPECT_THROW(BitmapToBmpStream(empty, pf8bit, mmGrayscale), EInvalidGraphic);
  EXPECT_NO_THROW(GrayscaleBitmap(empty));
}
