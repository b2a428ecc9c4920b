#include <gtest/gtest.h>

#include <memory>

#include "KitWinUtils.h"
#include "std_controls.h"

using namespace ui;

namespace {

void Fill(TBitmap& bmp, int w, int h, TColor color) {
  bmp.SetSize(w, h);
  bmp.Canvas().Brush.Color = color;
  bmp.Canvas().FillRect(RECT{0, 0, w, h});
}

// A graphic control that paints itself in one colour.
class TSwatch : public TGraphicControl {
 public:
  TSwatch(TComponent* owner, TColor color) : TGraphicControl(owner), FSwatch(color) {}
  void Paint(TCanvas& canvas) override {
    canvas.Brush.Color = FSwatch;
    canvas.FillRect(RECT{0, 0, Width(), Height()});
  }

 private:
  TColor FSwatch;
};

}  // namespace

TEST(KitWinUtils, TransparentBlitsKeepTheTransparentColoursDestination) {
  TBitmap dest, src;
  Fill(dest, 10, 10, clBlue);
  Fill(src, 4, 4, clRed);
  src.Canvas().SetPixel(1, 1, clLime);
  DrawBitmapRectTransparent(dest.Canvas(), 2, 2, RECT{0, 0, 4, 4}, src, clLime);
  EXPECT_EQ(clBlue, dest.Canvas().Pixels(3, 3));
  EXPECT_EQ(clRed, dest.Canvas().Pixels(2, 2));
  EXPECT_EQ(clBlue, dest.Canvas().Pixels(6, 6));

  // clDefault: the bottom-left pixel's colour; a zero size means the whole bitmap, stretched here to 8x8.
  src.Canvas().SetPixel(0, 3, clLime);
  Fill(dest, 10, 10, clBlue);
  StretchBitmapRectTransparent(dest.Canvas(), 0, 0, 8, 8, RECT{0, 0, 0, 0}, src, clDefault);
  EXPECT_EQ(clBlue, dest.Canvas().Pixels(0, 7));
  EXPECT_EQ(clBlue, dest.Canvas().Pixels(2, 2));
  EXPECT_EQ(clRed, dest.Canvas().Pixels(7, 7));

  // clNone: a plain copy.
  StretchBitmapRectTransparent(dest.Canvas(), 0, 0, 0, 0, RECT{0, 0, 0, 0}, src, clNone);
  EXPECT_EQ(clLime, dest.Canvas().Pixels(1, 1));
}

TEST(KitWinUtils, DisabledBitmapEmbossesTheOutlinePixels) {
  TBitmap src;
  Fill(src, 5, 5, clWhite);
  src.Canvas().SetPixel(1, 1, clBlack);
  std::unique_ptr<TBitmap> off(CreateDisabledBitmapEx(src, clBlack, clSilver, clWhite, clGray, true));
  ASSERT_EQ(5, off->Width());
  EXPECT_EQ(clGray, off->Canvas().Pixels(1, 1));
  EXPECT_EQ(clWhite, off->Canvas().Pixels(2, 2));
  EXPECT_EQ(clSilver, off->Canvas().Pixels(3, 3));
  std::unique_ptr<TBitmap> flat(CreateDisabledBitmapEx(src, clBlack, clSilver, clWhite, clGray, false));
  EXPECT_EQ(clSilver, flat->Canvas().Pixels(2, 2));
}

TEST(KitWinUtils, IconsAndBitmapsBothWays) {
  TBitmap bmp;
  Fill(bmp, 16, 16, clRed);
  bmp.Canvas().SetPixel(0, 15, clLime);
  std::unique_ptr<TIcon> icon(CreateIconFromBitmap(bmp, clDefault));
  ASSERT_NE(nullptr, icon);
  EXPECT_EQ(16, icon->Width());
  std::unique_ptr<TBitmap> back(CreateBitmapFromIcon(*icon, clBlue));
  EXPECT_EQ(clBlue, back->Canvas().Pixels(0, 15));  // the transparent corner shows the back colour
  EXPECT_EQ(clRed, back->Canvas().Pixels(5, 5));

  std::unique_ptr<TIcon> main(MakeIcon("MAINICON"));
  ASSERT_NE(nullptr, main);
  EXPECT_EQ(32, main->Width());
  EXPECT_EQ(nullptr, MakeIcon("NO_SUCH_ICON"));

  std::unique_ptr<TImageList, TFreeDeleter> list(new TImageList(nullptr));
  list->AddIcon(*icon);
  TBitmap canvas;
  Fill(canvas, 20, 20, clWhite);
  ImageListDrawDisabled(*list, canvas.Canvas(), 2, 2, 0, clWhite, clGray, false);
  EXPECT_EQ(clGray, canvas.Canvas().Pixels(8, 8));
  EXPECT_EQ(clWhite, canvas.Canvas().Pixels(2, 17));  // the icon's transparent corner
  ImageListDrawDisabled(*list, canvas.Canvas(), 2, 2, 5, clWhite, clGray, false);  // no such image: nothing
}

TEST(KitWinUtils, CopyParentImagePaintsParentAndEarlierSiblings) {
  std::unique_ptr<TPanel, TFreeDeleter> panel(new TPanel(nullptr));
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clRed);
  panel->SetBounds(0, 0, 100, 100);
  auto* before = new TSwatch(panel.get(), clLime);
  before->SetParent(panel.get());
  before->SetBounds(10, 10, 20, 20);
  auto* target = new TSwatch(panel.get(), clBlue);
  target->SetParent(panel.get());
  target->SetBounds(20, 20, 20, 20);
  auto* after = new TSwatch(panel.get(), clWhite);
  after->SetParent(panel.get());
  after->SetBounds(25, 25, 20, 20);
  panel->HandleNeeded();

  TBitmap shot;
  Fill(shot, 20, 20, clBlack);
  CopyParentImage(target, shot.Canvas());
  EXPECT_EQ(clLime, shot.Canvas().Pixels(5, 5));   // the earlier sibling, where it overlaps
  EXPECT_EQ(clRed, shot.Canvas().Pixels(15, 15));  // the parent's background; the later sibling is left out
  TBitmap none;
  Fill(none, 2, 2, clBlack);
  TSwatch orphan(nullptr, clBlue);
  CopyParentImage(&orphan, none.Canvas());
  EXPECT_EQ(clBlack, none.Canvas().Pixels(0, 0));
}
