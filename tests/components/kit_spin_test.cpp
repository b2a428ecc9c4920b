#include <gtest/gtest.h>
#include <windowsx.h>

#include <cfloat>
#include <vector>

#include "KitSpin.h"
#include "form.h"
#include "locale_format.h"
#include "published_props.h"
#include "pump_until.h"

using namespace ui;
using testsupport::PumpUntil;

namespace {

// Components go through Free, which runs their destroying step while they are whole.
struct FreedSpin {
  TKitSpinEdit* Spin = new TKitSpinEdit(nullptr);
  ~FreedSpin() { Spin->Free(); }
};

struct SpinFixture : ::testing::Test {
  TForm* Form = nullptr;
  TKitSpinEdit* Spin = nullptr;
  TEdit* Other = nullptr;
  int Changes = 0, TopClicks = 0, BottomClicks = 0;
  std::vector<DWORD> TopTimes;

  void SetUp() override {
    Form = new TForm(nullptr);
    Form->SetBounds(40, 40, 300, 160);
    Spin = new TKitSpinEdit(Form);
    Spin->SetParent(Form);
    Spin->SetBounds(10, 10, 120, 24);
    Other = new TEdit(Form);
    Other->SetParent(Form);
    Other->SetBounds(10, 60, 120, 24);
    Spin->OnChange = [this](TObject*) { ++Changes; };
    Spin->OnTopClick = [this](TObject*) {
      ++TopClicks;
      TopTimes.push_back(GetTickCount());
    };
    Spin->OnBottomClick = [this](TObject*) { ++BottomClicks; };
    Form->Show();
  }
  void TearDown() override { Form->Free(); }
};

TEST(KitSpinValues, TextConversionsByType) {
  FreedSpin holder;
  TKitSpinEdit& spin = *holder.Spin;
  EXPECT_EQ("0", spin.Text());
  spin.SetValueType(vtHex);
  spin.SetValue(255);
  EXPECT_EQ("FF", spin.Text());
  EXPECT_EQ(255, spin.Value());

  spin.SetValueType(vtFloat);
  spin.SetDecimal(3);
  spin.SetValue(1.5);
  std::string expected = std::string("1") + DecimalSeparator() + "500";
  EXPECT_EQ(expected, spin.Text());

  // Float to integer: an increment that rounds to 0 becomes 1.
  spin.SetIncrement(0.4);
  spin.SetValueType(vtInteger);
  EXPECT_EQ(1, spin.Increment());
  EXPECT_EQ("2", spin.Text());  // 1.5 rounds to the even neighbour

  // Equal limits mean no limits.
  spin.SetValue(1e6);
  EXPECT_EQ("1000000", spin.Text());
  spin.SetValue(-7);
  EXPECT_EQ("-7", spin.Text());
}

TEST(KitSpinValues, UnreadableTextReadsAsMinValue) {
  FreedSpin holder;
  TKitSpinEdit& spin = *holder.Spin;
  spin.SetMinValue(5);
  spin.SetMaxValue(50);
  for (const char* text : {"", "abc", "12x", "-", "99999999999", "1e5"}) {
    spin.SetText(text);
    EXPECT_EQ(5, spin.Value()) << "'" << text << "'";
  }
  // The rounded minimum never overflows, however large.
  spin.SetMinValue(1e300);
  spin.SetMaxValue(2e300);
  spin.SetText("");
  EXPECT_EQ(double(INT32_MAX), spin.Value());
  spin.SetValueType(vtFloat);
  for (const char* text : {"", "inf", "nan", "1e999"}) {
    spin.SetText(text);
    EXPECT_EQ(1e300, spin.Value()) << "'" << text << "'";
  }
}

TEST(KitSpinValues, PropertiesArePublished) {
  FreedSpin holder;
  TKitSpinEdit& spin = *holder.Spin;
  TPropValue v;
  v.Float = 128;
  SetPropValue(spin, "MaxValue", v);
  EXPECT_EQ(128, spin.MaxValue());
  const TPropInfo* kind = FindPropInfo(spin, "ButtonKind");
  ASSERT_NE(nullptr, kind);
  EXPECT_EQ(bkDiagonal, GetPropValue(spin, "ButtonKind").Ord);
  EXPECT_EQ("bkStandard", GetEnumName(*kind, bkStandard));
  for (const char* name : {"Value", "MinValue", "Increment", "ValueType", "Decimal", "EditorEnabled", "ArrowKeys",
                           "Alignment", "AutoSelect", "AutoSize", "MaxLength", "ReadOnly"})
    EXPECT_NE(nullptr, FindPropInfo(spin, name)) << name;
  EXPECT_EQ(1, GetPropValue(spin, "Increment").Float);
  EXPECT_EQ(2, GetPropValue(spin, "Decimal").Ord);
}

TEST_F(SpinFixture, OneStepGivesOneChangeAndNoneAtTheLimit) {
  Spin->SetMaxValue(127);
  Spin->SetValue(126);
  Changes = 0;
  Spin->UpClick();
  EXPECT_EQ("127", Spin->Text());
  EXPECT_EQ(1, Changes);
  EXPECT_EQ(1, TopClicks);
  EXPECT_NE(0, SendMessageA(Spin->Handle(), EM_GETMODIFY, 0, 0));

  Spin->UpClick();
  EXPECT_EQ("127", Spin->Text());
  EXPECT_EQ(1, Changes);
  EXPECT_EQ(2, TopClicks);

  Spin->DownClick();
  EXPECT_EQ("126", Spin->Text());
  EXPECT_EQ(2, Changes);
  EXPECT_EQ(1, BottomClicks);

  // Read-only: no step at all.
  Spin->SetReadOnly(true);
  Spin->UpClick();
  EXPECT_EQ("126", Spin->Text());
  EXPECT_EQ(2, TopClicks);
}

TEST_F(SpinFixture, KeysTypingAndLeavingTheEdit) {
  Spin->SetMaxValue(128);
  Spin->SetText("");
  Spin->SetFocus();
  for (char c : std::string("3x00")) PostMessageA(Spin->Handle(), WM_CHAR, WPARAM(BYTE(c)), 1);
  ASSERT_TRUE(PumpUntil([&] { return Spin->Text() == "300"; }, 3000)) << Spin->Text();
  Other->SetFocus();
  ASSERT_TRUE(PumpUntil([&] { return Spin->Text() == "128"; }, 3000)) << Spin->Text();

  Spin->SetFocus();
  PostMessageA(Spin->Handle(), WM_KEYDOWN, VK_DOWN, 1);
  ASSERT_TRUE(PumpUntil([&] { return Spin->Text() == "127"; }, 3000)) << Spin->Text();
  Spin->SetArrowKeys(false);
  PostMessageA(Spin->Handle(), WM_KEYDOWN, VK_DOWN, 1);
  PostMessageA(Spin->Handle(), WM_KEYDOWN, VK_UP, 1);
  ASSERT_TRUE(PumpUntil([&] { return HIWORD(GetQueueStatus(QS_POSTMESSAGE)) == 0; }, 3000));
  EXPECT_EQ("127", Spin->Text());

  // Enter and Escape reach the form's default and cancel buttons.
  int okClicks = 0, cancelClicks = 0;
  auto* ok = new TButton(Form);
  ok->SetParent(Form);
  ok->SetBounds(150, 10, 75, 25);
  ok->SetDefault(true);
  ok->OnClick = [&](TObject*) { ++okClicks; };
  auto* cancel = new TButton(Form);
  cancel->SetParent(Form);
  cancel->SetBounds(150, 40, 75, 25);
  cancel->SetCancel(true);
  cancel->OnClick = [&](TObject*) { ++cancelClicks; };
  PostMessageA(Spin->Handle(), WM_CHAR, VK_RETURN, 1);
  PostMessageA(Spin->Handle(), WM_CHAR, VK_ESCAPE, 1);
  ASSERT_TRUE(PumpUntil([&] { return okClicks == 1 && cancelClicks == 1; }, 3000)) << okClicks << cancelClicks;
  EXPECT_EQ("127", Spin->Text());

  // Editor off: only control characters other than backspace.
  Spin->SetEditorEnabled(false);
  EXPECT_FALSE(Spin->IsValidChar('5'));
  EXPECT_FALSE(Spin->IsValidChar(VK_BACK));
  EXPECT_TRUE(Spin->IsValidChar(VK_RETURN));
  Spin->SetEditorEnabled(true);
  Spin->SetValueType(vtFloat);
  Spin->SetText(std::string("1") + DecimalSeparator() + "5");
  EXPECT_FALSE(Spin->IsValidChar(DecimalSeparator()));
  EXPECT_TRUE(Spin->IsValidChar('e'));
  EXPECT_FALSE(Spin->IsValidChar('A'));
  Spin->SetValueType(vtHex);
  EXPECT_TRUE(Spin->IsValidChar('a'));
}

TEST_F(SpinFixture, TextStaysClearOfTheButton) {
  for (TSpinButtonKind kind : {bkDiagonal, bkStandard}) {
    Spin->SetButtonKind(kind);
    Spin->SetText("12345678901234567890");
    DWORD margins = DWORD(SendMessageA(Spin->Handle(), EM_GETMARGINS, 0, 0));
    EXPECT_EQ(Spin->ButtonWidth() + 2, int(HIWORD(margins)));
    RECT text{}, client{};
    SendMessageA(Spin->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
    GetClientRect(Spin->Handle(), &client);
    EXPECT_LE(text.right, client.right - Spin->ButtonWidth());
    HWND button = GetWindow(Spin->Handle(), GW_CHILD);
    ASSERT_NE(nullptr, button);
    RECT r{};
    GetWindowRect(button, &r);
    MapWindowPoints(nullptr, Spin->Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(client.right, r.right);
  }
  EXPECT_EQ(std::min(GetSystemMetrics(SM_CXVSCROLL), 15), Spin->ButtonWidth());
  // Never lower than the font needs.
  Spin->SetHeight(3);
  EXPECT_EQ(Spin->MinHeight(), Spin->Height());
  Spin->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(Spin->UpDown()->Handle()));
}

TEST_F(SpinFixture, HeldDiagonalButtonRepeatsThenStopsOnRelease) {
  TKitSpinButton* button = Spin->SpinButton();
  ASSERT_NE(nullptr, button);
  HWND holder = button->Parent()->Handle();
  // The top-left corner is the top half, the bottom-right the bottom half.
  EXPECT_EQ(sbTopDown, button->HalfAt(2, 2));
  EXPECT_EQ(sbBottomDown, button->HalfAt(button->Width() - 3, button->Height() - 3));

  // The pointer rests where the press is: moves the system makes up while the button is held go there.
  auto pointAt = [&](int x, int y) {
    POINT p{x, y};
    ClientToScreen(holder, &p);
    SetCursorPos(p.x, p.y);
  };
  pointAt(2, 2);
  DWORD start = GetTickCount();
  PostMessageA(holder, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ASSERT_TRUE(PumpUntil([&] { return TopClicks >= 6; }, 5000)) << TopClicks;
  EXPECT_EQ(sbTopDown, button->Down());
  EXPECT_EQ(TopClicks, Changes);
  // The first step at once, the second after 400 ms, then every 100 ms.
  EXPECT_LT(TopTimes[0] - start, 300u);
  DWORD firstGap = TopTimes[1] - TopTimes[0];
  EXPECT_GE(firstGap, 380u);
  EXPECT_LT(firstGap, 900u);
  DWORD later = (TopTimes[5] - TopTimes[1]) / 4;
  EXPECT_GE(later, 85u);
  EXPECT_LT(later, 300u);

  PostMessageA(holder, WM_LBUTTONUP, 0, MAKELPARAM(200, 200));  // released outside the button
  ASSERT_TRUE(PumpUntil([&] { return !button->Repeating(); }, 3000));
  EXPECT_EQ(sbNotDown, button->Down());
  int clicks = TopClicks;
  EXPECT_EQ(clicks, std::stoi(Spin->Text()));

  // Capture taken away: the repeat stops and the half no longer looks pressed.
  pointAt(button->Width() - 3, button->Height() - 3);
  PostMessageA(holder, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(button->Width() - 3, button->Height() - 3));
  ASSERT_TRUE(PumpUntil([&] { return BottomClicks == 1; }, 3000));
  EXPECT_EQ(sbBottomDown, button->Down());
  SetCapture(Other->Handle());
  ASSERT_TRUE(PumpUntil([&] { return !button->Repeating(); }, 3000));
  EXPECT_EQ(sbNotDown, button->Down());
  ReleaseCapture();
  EXPECT_EQ(1, BottomClicks);
}

TEST_F(SpinFixture, TenClicksOnTheStandardButtonAreTenSteps) {
  Spin->SetButtonKind(bkStandard);
  TKitUpDown* upDown = Spin->UpDown();
  ASSERT_NE(nullptr, upDown);
  HWND window = upDown->Handle();
  RECT r{};
  GetClientRect(window, &r);
  LPARAM up = MAKELPARAM(r.right / 2, 2), down = MAKELPARAM(r.right / 2, r.bottom - 3);
  for (int i = 1; i <= 10; ++i) {
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, up);
    PostMessageA(window, WM_LBUTTONUP, 0, up);
    ASSERT_TRUE(PumpUntil([&] { return TopClicks == i; }, 3000)) << "click " << i << ": " << TopClicks;
  }
  EXPECT_EQ("10", Spin->Text());
  EXPECT_EQ(10, Changes);
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, down);
  PostMessageA(window, WM_LBUTTONUP, 0, down);
  ASSERT_TRUE(PumpUntil([&] { return BottomClicks == 1; }, 3000));
  EXPECT_EQ("9", Spin->Text());
  EXPECT_EQ(10, TopClicks);
}

}  // namespace
