#include <gtest/gtest.h>

#include <cstring>

#include "bitmap.h"
#include "icon.h"
#include "ui_exceptions.h"

using namespace ui;

TEST(Bitmap, BmpStreamRoundTripAtOddWidth) {
  TBitmap bmp;
  bmp.SetSize(7, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) bmp.Canvas().SetPixel(x, y, TColor(RGB(x * 30, y * 80, 5)));
  TMemoryStream s;
  bmp.SaveToStream(s);
  EXPECT_EQ(14 + 40 + 24 * 3, s.Size());  // 21 bytes a row, padded to 24
  s.SetPosition(0);
  TBitmap back;
  back.LoadFromStream(s);
  EXPECT_EQ(7, back.Width());
  EXPECT_EQ(3, back.Height());
  EXPECT_EQ(pf24bit, back.PixelFormat());
  EXPECT_EQ(TColor(RGB(180, 160, 5)), back.Canvas().Pixels(6, 2));
  EXPECT_EQ(TColor(RGB(0, 160, 5)), back.TransparentColor());  // the bottom-left pixel
  // Resizing keeps the top-left part.
  back.SetSize(3, 2);
  EXPECT_EQ(TColor(RGB(60, 80, 5)), back.Canvas().Pixels(2, 1));
}

TEST(Bitmap, BadStreamsAreRefusedAndTheBitmapKept) {
  TBitmap bmp;
  bmp.SetSize(2, 2);
  bmp.Canvas().SetPixel(0, 0, clRed);
  TMemoryStream good;
  bmp.SaveToStream(good);

  auto attempt = [&](TMemoryStream& s) {
    s.SetPosition(0);
    TBitmap target;
    target.SetSize(1, 1);
    target.Canvas().SetPixel(0, 0, clBlue);
    bool refused = false;
    try {
      target.LoadFromStream(s);
    } catch (const EInvalidGraphic&) {
      refused = true;
    } catch (const EReadError&) {
      refused = true;
    }
    EXPECT_EQ(1, target.Width());
    EXPECT_EQ(clBlue, target.Canvas().Pixels(0, 0));
    return refused;
  };
  TMemoryStream wrongSignature;
  wrongSignature.Write(good.Memory(), good.Size());
  wrongSignature.Memory()[0] = 'X';
  EXPECT_TRUE(attempt(wrongSignature));

  TMemoryStream truncated;
  truncated.Write(good.Memory(), good.Size() - 3);
  EXPECT_TRUE(attempt(truncated));

  TMemoryStream huge;
  huge.Write(good.Memory(), good.Size());
  int32_t width = 1 << 20, height = 1 << 20;
  std::memcpy(huge.Memory() + 18, &width, 4);
  std::memcpy(huge.Memory() + 22, &height, 4);
  EXPECT_TRUE(attempt(huge));

  TMemoryStream badDepth;
  badDepth.Write(good.Memory(), good.Size());
  uint16_t bits = 7;
  std::memcpy(badDepth.Memory() + 28, &bits, 2);
  EXPECT_TRUE(attempt(badDepth));

  TMemoryStream empty;
  EXPECT_TRUE(attempt(empty));
}

TEST(Icon, GarbageIsNotAnIcon) {
  TIcon icon;
  TMemoryStream s;
  s.Write("\0\0\1\0\1\0garbage", 13);
  s.SetPosition(0);
  EXPECT_THROW(icon.LoadFromStream(s), EInvalidGraphic);
  EXPECT_TRUE(icon.Empty());
  EXPECT_THROW(icon.LoadFromFile("C:\\no\\such.ico"), EInvalidGraphic);
}
