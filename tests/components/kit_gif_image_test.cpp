#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "KitGIF.h"
#include "KitGraph.h"
#include "clipboard.h"
#include "gif_builder.h"
#include "picture.h"
#include "ui_exceptions.h"

using namespace ui;

namespace {

void Put(TMemoryStream& s, const std::string& bytes) {
  s.Write(bytes.data(), int64_t(bytes.size()));
  s.SetPosition(0);
}

// A 4 x 3 frame of 16 colours, index 15 transparent, interlaced as the about box's logo is.
giftest::GifRecipe Logo() {
  giftest::GifRecipe recipe;
  recipe.Width = 4;
  recipe.Height = 3;
  recipe.GlobalTable = giftest::GreyTable(16);
  giftest::FrameRecipe f;
  f.Width = 4;
  f.Height = 3;
  f.Interlaced = true;
  f.CodeSize = 4;
  f.Pixels = {15, 1, 2, 15, 3, 15, 4, 5, 6, 7, 15, 8};
  f.GraphicControl = true;
  f.GcPacked = 1;
  f.TransparentIndex = 15;
  recipe.Frames.push_back(f);
  return recipe;
}

COLORREF Rgb(const giftest::Color& c) { return RGB(c.R, c.G, c.B); }

}  // namespace

TEST(GIFImage, LoadsDrawsTransparentlyAndKeepsTheBackground) {
  RegisterGIFImage();
  const giftest::GifRecipe recipe = Logo();
  TGIFImage gif;
  TMemoryStream s;
  Put(s, giftest::BuildGif(recipe));
  gif.LoadFromStream(s);
  ASSERT_EQ(gif.FrameCount(), 1);
  EXPECT_EQ(gif.Width(), 4);
  EXPECT_EQ(gif.Height(), 3);
  EXPECT_TRUE(gif.IsTransparent());
  EXPECT_EQ(gif.Frames(0).TransparentColor, TColor(Rgb(recipe.GlobalTable[15])));

  TBitmap target;
  target.SetSize(8, 6);
  target.Canvas().Brush.Color = clRed;
  target.Canvas().FillRect(RECT{0, 0, 8, 6});
  gif.Draw(target.Canvas(), RECT{0, 0, 8, 6});
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      const uint8_t index = recipe.Frames[0].Pixels[size_t(y * 4 + x)];
      const COLORREF want = index == 15 ? RGB(255, 0, 0) : Rgb(recipe.GlobalTable[index]);
      EXPECT_EQ(COLORREF(target.Canvas().Pixels(x * 2, y * 2)), want) << x << "," << y;
    }

  // With the transparent setting off the frame is drawn whole.
  gif.SetTransparent(false);
  EXPECT_FALSE(gif.IsTransparent());
  gif.Draw(target.Canvas(), RECT{0, 0, 8, 6});
  EXPECT_EQ(COLORREF(target.Canvas().Pixels(0, 0)), Rgb(recipe.GlobalTable[15]));

  EXPECT_THROW(gif.SetWidth(5), EInvalidGraphic);
}

TEST(GIFImage, ErrorsCarryTheirTextsAndProgress) {
  TGIFImage gif;
  std::vector<std::pair<int, std::string>> seen;
  gif.OnProgress = [&](TGraphic* sender, int p, const std::string& m) {
    EXPECT_EQ(sender, &gif);
    seen.push_back({p, m});
  };
  TMemoryStream bad;
  Put(bad, "GIF90a");
  try {
    gif.LoadFromStream(bad);
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(std::string(e.what()), GIFErrorText({kitgif::GifError::UnknownVersion}));
  }

  // Cut before the end code: loads, and its bitmap raises the read error, progress ending at 0.
  const std::string whole = giftest::BuildGif(Logo());
  TMemoryStream cut;
  Put(cut, whole.substr(0, whole.size() - 3));
  gif.LoadFromStream(cut);
  ASSERT_EQ(gif.FrameCount(), 1);
  try {
    gif.Frames(0).Bitmap();
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front().first, 0);
  EXPECT_EQ(seen.back().first, 0);
  EXPECT_EQ(seen.back().second, "Stream read error");

  seen.clear();
  TMemoryStream good;
  Put(good, whole);
  gif.LoadFromStream(good);
  gif.Frames(0).Bitmap();
  EXPECT_EQ(seen.front().first, 0);
  EXPECT_EQ(seen.back().first, 100);

  TGIFImage empty;
  TMemoryStream out;
  EXPECT_THROW(empty.SaveToStream(out), EInvalidGraphic);
  // A frame with no picture at all cannot be encoded.
  empty.Add(nullptr);
  EXPECT_EQ(empty.SaveToClipboardFormat(CF_GIF), nullptr);
  EXPECT_THROW(empty.SaveToStream(out), EInvalidGraphic);
}

TEST(GIFImage, TrueColourBitmapsAreWrittenThroughTheConversionAndReadBack) {
  TBitmap bmp;
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(6, 5);
  const TColor colors[] = {clRed, clLime, clBlue, clWhite, clBlack};
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) bmp.Canvas().SetPixel(x, y, colors[(x + y) % 5]);
  TGIFImage gif;
  gif.Add(&bmp);
  gif.Frames(0).Interval = 120;
  TMemoryStream s;
  gif.SaveToStream(s);
  s.SetPosition(0);
  TGIFImage back;
  back.LoadFromStream(s);
  ASSERT_EQ(back.FrameCount(), 1);
  EXPECT_EQ(back.Frames(0).Interval, 120);
  // Origins outside the 16-bit range are kept at its ends, not wrapped.
  gif.Frames(0).Left = 70000;
  TMemoryStream moved;
  gif.SaveToStream(moved);
  moved.SetPosition(0);
  TGIFImage farBack;
  farBack.LoadFromStream(moved);
  EXPECT_EQ(farBack.Frames(0).Left, 65535);
  TBitmap* got = back.Frames(0).Bitmap();
  ASSERT_EQ(got->Width(), 6);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(COLORREF(got->Canvas().Pixels(x, y)), ColorToRGB(colors[(x + y) % 5])) << x << "," << y;
}

TEST(GIFImage, CopiesShareDataUntilOneChanges) {
  TGIFImage a;
  TMemoryStream s;
  Put(s, giftest::BuildGif(Logo()));
  a.LoadFromStream(s);
  TGIFImage b;
  b.Assign(&a);
  EXPECT_TRUE(a.Equals(b));
  const TGraphic& asGraphic = b;
  EXPECT_TRUE(asGraphic.Equals(a));
  TBitmap other;
  EXPECT_FALSE(a.Equals(other));
  EXPECT_EQ(b.FrameCount(), 1);
  b.SetComment({"changed"});
  EXPECT_FALSE(a.Equals(b));
  EXPECT_TRUE(a.Comment().empty());

  // Assigned to a bitmap: the current frame's picture.
  TBitmap bmp;
  bmp.Assign(&a);
  EXPECT_EQ(bmp.Width(), 4);
}

TEST(GIFImage, PictureFileAndClipboard) {
  RegisterGIFImage();
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + "tarnbel_x.gif";
  {
    TMemoryStream s;
    Put(s, giftest::BuildGif(Logo()));
    s.SaveToFile(path);
  }
  TPicture picture;
  picture.LoadFromFile(path);
  DeleteFileA(path.c_str());
  auto* gif = dynamic_cast<TGIFImage*>(picture.Graphic());
  ASSERT_NE(gif, nullptr);
  EXPECT_EQ(picture.Width(), 4);
  EXPECT_NE(TPicture::GraphicFilter().find("*.gif"), std::string::npos);

  Clipboard().Assign(CF_GIF, *gif);
  TPicture pasted;
  {
    TClipboardOpen open;
    ASSERT_TRUE(Clipboard().HasFormat(CF_GIF));
    pasted.LoadFromClipboardFormat(CF_GIF, GetClipboardData(CF_GIF));
  }
  auto* back = dynamic_cast<TGIFImage*>(pasted.Graphic());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Width(), 4);
  EXPECT_NE(back->Frames(0).TransparentColor, clNone);

  // The size-prefixed picture data.
  TMemoryStream data;
  WriteGIFPictureData(data, *gif);
  data.SetPosition(0);
  TGIFImage fromData;
  ReadGIFPictureData(data, fromData);
  EXPECT_EQ(fromData.FrameCount(), 1);
  EXPECT_EQ(data.Position(), data.Size());
}

TEST(GIFImage, TheAboutBoxLogoResourceReads) {
  HRSRC res = FindResourceA(GetModuleHandleA(nullptr), "ABOUT_LOGO", MAKEINTRESOURCEA(10));
  ASSERT_NE(res, nullptr);
  const void* data = LockResource(LoadResource(GetModuleHandleA(nullptr), res));
  TMemoryStream s;
  s.Write(data, SizeofResource(GetModuleHandleA(nullptr), res));
  s.SetPosition(0);
  TGIFImage logo;
  logo.LoadFromStream(s);
  ASSERT_EQ(logo.FrameCount(), 1);
  EXPECT_EQ(logo.Data().Version, "89a");
  EXPECT_TRUE(logo.Frames(0).Interlaced);
  EXPECT_TRUE(logo.IsTransparent());
  EXPECT_EQ(logo.Width(), 160);
  TBitmap target;
  target.SetSize(160, 120);
  target.Canvas().Brush.Color = clLime;
  target.Canvas().FillRect(RECT{0, 0, 160, 120});
  logo.Draw(target.Canvas(), RECT{0, 0, 160, 120});
  EXPECT_EQ(COLORREF(target.Canvas().Pixels(0, 0)), ColorToRGB(clLime));
  EXPECT_NE(COLORREF(target.Canvas().Pixels(80, 60)), ColorToRGB(clLime));
}
