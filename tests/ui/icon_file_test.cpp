#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "icon.h"
#include "icon_builder.h"
#include "icon_file.h"
#include "ui_exceptions.h"

using namespace ui;

namespace {

void Put(TMemoryStream& s, const std::string& bytes) {
  s.Write(bytes.data(), int64_t(bytes.size()));
  s.SetPosition(0);
}

std::string Saved(TIcon& icon) {
  TMemoryStream out;
  icon.SaveToStream(out);
  return std::string(reinterpret_cast<const char*>(out.Memory()), size_t(out.Size()));
}

}  // namespace

TEST(IconImages, EveryImageOfADirectoryIsKeptAndSavedAgain) {
  const std::string file = icontest::BuildIconFile(1, {{16, 16, 4, 0, 0}, {32, 32, 8, 0, 0}, {24, 24, 32, 0, 0}});
  TMemoryStream s;
  Put(s, file);
  TIcon icon;
  icon.LoadFromStream(s);
  EXPECT_EQ(icon.ImageCount(), 3);
  EXPECT_EQ(icon.Width(), 16);
  EXPECT_EQ(Saved(icon), file);

  TIcon copy;
  copy.Assign(&icon);
  EXPECT_EQ(Saved(copy), file);

  // A cursor file is taken as an icon.
  const std::string cursor = icontest::BuildIconFile(2, {{8, 8, 1, 3, 4}});
  TMemoryStream c;
  Put(c, cursor);
  icon.LoadFromStream(c);
  EXPECT_EQ(Saved(icon)[2], 1);

  // A directory without images or with a lying header leaves the icon as it was.
  std::string empty = file.substr(0, 6);
  empty[4] = 0;
  TMemoryStream e;
  Put(e, empty);
  EXPECT_THROW(icon.LoadFromStream(e), EInvalidGraphic);
  EXPECT_EQ(icon.ImageCount(), 1);
}

TEST(IconImages, AHandleIsSavedWithItsPixelsAndMask) {
  const int side = 16;
  std::vector<uint32_t> colors(side * side);
  std::vector<uint8_t> andBits(side * side / 8, 0);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      colors[size_t(y * side + x)] = 0xFF000000u | uint32_t(x * 16) << 16 | uint32_t(y * 16) << 8 | 0x40;
      if ((x + y) % 5 == 0) andBits[size_t(y * side + x) / 8] |= uint8_t(0x80 >> (x % 8));
    }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = side;
  info.bmiHeader.biHeight = -side;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_TRUE(color);
  memcpy(bits, colors.data(), colors.size() * 4);
  HBITMAP mask = CreateBitmap(side, side, 1, 1, andBits.data());
  ICONINFO ii{TRUE, 0, 0, mask, color};
  TIcon icon;
  icon.SetHandle(CreateIconIndirect(&ii));
  DeleteObject(color);
  DeleteObject(mask);
  ASSERT_FALSE(icon.Empty());

  const std::string saved = Saved(icon);
  iconfile::IconFile back;
  ASSERT_TRUE(iconfile::ReadIconFile(reinterpret_cast<const uint8_t*>(saved.data()), saved.size(), back));
  ASSERT_EQ(back.Images.size(), 1u);
  const iconfile::IconImage& im = back.Images[0];
  ASSERT_EQ(im.Width, side);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      EXPECT_EQ(im.Mask[size_t(y * side + x)] != 0, (x + y) % 5 == 0) << x << "," << y;
      EXPECT_EQ(im.Pixels[size_t(y * side + x)] & 0xFFFFFF, colors[size_t(y * side + x)] & 0xFFFFFF) << x << "," << y;
    }

  // And loads again as an icon of that size.
  TMemoryStream s;
  Put(s, saved);
  TIcon again;
  again.LoadFromStream(s);
  EXPECT_EQ(again.Width(), side);
}
