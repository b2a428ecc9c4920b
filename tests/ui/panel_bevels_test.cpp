#include <gtest/gtest.h>
#include <windows.h>

#include "form.h"
#include "locale_format.h"
#include "published_props.h"
#include "std_controls.h"

using namespace ui;

TEST(Panel, AutoSizeFollowsVisibleChildrenAlongTheFreeAxis) {
  std::unique_ptr<TForm, TFreeDeleter> form(new TForm(nullptr));
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetBevelOuter(bvNone);
  panel->SetBounds(0, 0, 300, 90);
  auto* a = new TPanel(form.get());
  a->SetBounds(0, 0, 120, 30);
  a->SetParent(panel);
  auto* b = new TPanel(form.get());
  b->SetBounds(120, 0, 80, 26);
  b->SetParent(panel);
  panel->SetAutoSize(true);
  EXPECT_EQ(200, panel->Width());
  EXPECT_EQ(30, panel->Height());

  b->SetParent(nullptr);  // a leaving child no longer counts
  EXPECT_EQ(120, panel->Width());
  panel->SetBevelInner(bvLowered);
  panel->SetAlign(alTop);  // the width is the parent's now
  a->SetHeight(44);
  panel->AdjustSize();
  EXPECT_EQ(45, panel->Height());
  EXPECT_EQ(form->ClientRect().right, panel->Width());
  b->SetParent(panel);
  EXPECT_EQ("bvLowered", GetEnumName(*FindPropInfo(*panel, "BevelInner"), panel->BevelInner()));
}

TEST(LocaleFormat, GeneralFloatsWideCharsAndTheSeparator) {
  char old = DecimalSeparator();
  SetDecimalSeparator(',');
  EXPECT_EQ("0,1", FloatToStrF(0.1, 15));
  EXPECT_EQ("1E+20", FloatToStrF(1e20, 15));
  EXPECT_EQ("3,141593", FloatToStrF(3.14159265, 7));
  double v = 0;
  EXPECT_TRUE(TryStrToFloat("2,5", v));
  EXPECT_DOUBLE_EQ(2.5, v);
  EXPECT_FALSE(TryStrToFloat("2.5", v));
  EXPECT_FALSE(TryStrToFloat("", v));
  EXPECT_FALSE(TryStrToFloat("1,5x", v));
  EXPECT_FALSE(TryStrToFloat("1e999", v));
  SetDecimalSeparator(old);
  EXPECT_EQ("A", WideCharToString(L'A'));
  EXPECT_EQ("", WideCharToString(0));
  EXPECT_EQ(L'z', StringToWideChar("zq"));
  EXPECT_EQ(0, StringToWideChar(""));
}
