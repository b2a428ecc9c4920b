// The combo edit: its ellipsis glyph, the button inside the edit, and the keys, mouse and input rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KitToolEdit.h"
#include "clipboard.h"
#include "control_mouse.h"
#include "form.h"
#include "published_props.h"
#include "pump_until.h"
#include "x_server_pixels.h"

using namespace ui;
using testsupport::PostClick;
using testsupport::PumpAppUntil;

namespace {

// The columns of row 1 that are black.
std::vector<int> DotColumns(TBitmap& glyph) {
  std::vector<int> columns;
  for (int x = 0; x < glyph.Width(); ++x)
    if (glyph.Canvas().Pixels(x, 1) == clBlack) columns.push_back(x);
  return columns;
}

void SetAlt(bool down) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_MENU] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

struct ComboForm : ::testing::Test {
  TForm* Form = nullptr;
  TComboEdit* Edit = nullptr;
  TEdit* Other = nullptr;
  TButton *Ok = nullptr, *Cancel = nullptr;
  int ButtonClicks = 0, OkClicks = 0, CancelClicks = 0;
  TObject* Sender = nullptr;

  void SetUp() override {
    Form = new TForm(nullptr);
    Form->SetBounds(80, 80, 420, 200);
    Edit = new TComboEdit(Form);
    Edit->SetParent(Form);
    Edit->SetBounds(10, 10, 300, 21);
    Edit->SetGlyphKind(gkEllipsis);
    Edit->SetButtonWidth(16);
    Edit->OnButtonClick = [this](TObject* sender) {
      ++ButtonClicks;
      Sender = sender;
    };
    Other = new TEdit(Form);
    Other->SetParent(Form);
    Other->SetBounds(10, 50, 100, 21);
    Ok = new TButton(Form);
    Ok->SetParent(Form);
    Ok->SetBounds(320, 10, 75, 25);
    Ok->SetDefault(true);
    Ok->OnClick = [this](TObject*) { ++OkClicks; };
    Cancel = new TButton(Form);
    Cancel->SetParent(Form);
    Cancel->SetBounds(320, 40, 75, 25);
    Cancel->SetCancel(true);
    Cancel->OnClick = [this](TObject*) { ++CancelClicks; };
    Form->Show();
    SetForegroundWindow(Form->Handle());
    Edit->SetFocus();
  }
  void TearDown() override {
    SetAlt(false);
    Form->Free();
  }
  void Settle() { testsupport::PumpFor(100, [] { Application().ProcessMessages(); }); }
  RECT Container() const {
    RECT r{};
    GetWindowRect(Edit->ButtonContainer()->Handle(), &r);
    MapWindowPoints(nullptr, Edit->Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
};

}  // namespace

TEST(KitComboTables, EllipsisGlyphForEveryWidth) {
  struct Case { int buttonWidth, width; std::vector<int> black; } cases[] = {
      {16, 10, {0, 1, 4, 5, 8, 9}},    {21, 15, {1, 2, 6, 7, 11, 12}}, {40, 34, {11, 12, 16, 17, 21, 22}},
      {13, 7, {0, 1, 3, 4, 6}},        {10, 4, {1, 2}},                {7, 1, {0}},
      {3, 1, {0}},                     {14, 8, {0, 1, 3, 4, 6, 7}},
  };
  for (const Case& c : cases) {
    TBitmap glyph;
    MakeEllipsisGlyph(glyph, c.buttonWidth);
    EXPECT_EQ(c.width, glyph.Width()) << c.buttonWidth;
    EXPECT_EQ(4, glyph.Height());
    EXPECT_EQ(c.black, DotColumns(glyph)) << c.buttonWidth;
  }
  for (int width = 7; width <= 40; ++width) {
    TBitmap glyph;
    MakeEllipsisGlyph(glyph, width);
    ASSERT_EQ(std::max(1, width - 6), glyph.Width());
    int black = 0;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < glyph.Width(); ++x) {
        bool dot = glyph.Canvas().Pixels(x, y) == clBlack;
        black += dot;
        if (y == 0 || y == 3) {
          EXPECT_FALSE(dot) << width << ": " << x << "," << y;
        }
      }
    EXPECT_EQ(2 * int(DotColumns(glyph).size()), black) << width;
    EXPECT_EQ(width >= 14 ? 12 : black, black) << width;  // all three dots fit from a width of 14
  }
}

TEST(KitComboTables, PublishedAndStored) {
  auto* edit = new TComboEdit(nullptr);
  EXPECT_EQ(21, edit->ButtonWidth());
  EXPECT_EQ(0x8028, edit->ClickKey());
  EXPECT_EQ(gkCustom, edit->GlyphKind());
  EXPECT_TRUE(edit->IsGlyphStored());
  EXPECT_FALSE(edit->IsButtonWidthStored());
  for (const char* name : {"Alignment", "ButtonHint", "ButtonWidth", "ClickKey", "DirectInput", "Glyph", "GlyphKind",
                           "NumGlyphs", "ReadOnly", "EditMask", "Text", "MaxLength"})
    EXPECT_NE(nullptr, FindPropInfo(*edit, name)) << name;
  edit->SetGlyphKind(gkEllipsis);
  EXPECT_FALSE(edit->IsGlyphStored());
  edit->SetNumGlyphs(3);
  EXPECT_EQ(1, edit->NumGlyphs());
  edit->SetGlyphKind(gkDropDown);
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), edit->ButtonWidth());
  EXPECT_FALSE(edit->IsButtonWidthStored());
  // The default kind has no glyph here: an empty one, which measures and draws nothing.
  edit->SetGlyphKind(gkDefault);
  EXPECT_TRUE(edit->Glyph()->Empty());
  EXPECT_EQ(-1, edit->Button()->ButtonGlyph()->GlyphIndex(rbsUp));
  edit->Free();
}

TEST_F(ComboForm, ButtonInsideTheEditAndTheTextBeforeIt) {
  RECT client{};
  GetClientRect(Edit->Handle(), &client);
  RECT c = Container();
  // The sunken edit: (W - b - 4, 0, b, H - 4) in the edit's terms.
  EXPECT_EQ(Edit->Width() - 16 - 4, c.left);
  EXPECT_EQ(0, c.top);
  EXPECT_EQ(16, c.right - c.left);
  EXPECT_EQ(Edit->Height() - 4, c.bottom - c.top);
  RECT text{};
  SendMessageA(Edit->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  // What we set ends 2 pixels before the button; the system then keeps its own margin and edge inside it.
  EXPECT_LE(text.right, client.right - 16 - 2);
  EXPECT_GE(text.right, client.right - 16 - 2 - 6);

  // A long path scrolls inside the edit rectangle: the button's pixels stay as they were.
  RECT b = c;
  MapWindowPoints(Edit->Handle(), nullptr, reinterpret_cast<POINT*>(&b), 2);
  auto buttonPixels = [&] {
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    for (int y = b.top; y < b.bottom; y += 2)
      for (int x = b.left; x < b.right; x += 2) pixels.push_back(GetPixel(screen, x, y));
    ReleaseDC(nullptr, screen);
    return pixels;
  };
  UpdateWindow(Form->Handle());
  std::vector<COLORREF> before = buttonPixels();
  std::string path = "C:\\" + std::string(296, 'W');
  for (char ch : path) PostMessageA(Edit->Handle(), WM_CHAR, WPARAM(BYTE(ch)), 1);
  ASSERT_TRUE(PumpAppUntil([&] { return Edit->Text() == path; }, 5000));
  UpdateWindow(Form->Handle());
  EXPECT_EQ(before, buttonPixels());
  LRESULT last = SendMessageA(Edit->Handle(), EM_POSFROMCHAR, WPARAM(path.size() - 1), 0);
  EXPECT_LT(short(LOWORD(last)), text.right);
  EXPECT_EQ(1, SendMessageA(Edit->Handle(), EM_GETLINECOUNT, 0, 0));

  // The button's edge lines, on the X server's screen, unless pressed (Wine hands the paint over from its
  // loop: the dump is taken again until it shows it, or the time is up).
  POINT origin = Edit->Button()->ClientToScreen(POINT{0, 0});
  std::vector<COLORREF> lines, edges{GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNHIGHLIGHT)};
  testsupport::PumpUntil([&] {
    lines = testsupport::XServerPixels({{origin.x, origin.y + 5}, {origin.x + 1, origin.y + 5}});
    return lines == edges;
  }, 5000);
  EXPECT_EQ(edges, lines);
  Edit->Button()->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  RedrawWindow(Edit->ButtonContainer()->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  testsupport::PumpUntil([&] {
    lines = testsupport::XServerPixels({{origin.x + 1, origin.y + 5}});
    return lines.size() == 1 && lines[0] != edges[1];
  }, 5000);
  ASSERT_EQ(1u, lines.size());
  EXPECT_NE(edges[1], lines[0]);
  Edit->Button()->Perform(WM_LBUTTONUP, 0, MAKELPARAM(500, 500));

  // Never lower than the font needs; a width of the client or more is ignored; a negative one is none.
  Edit->SetHeight(3);
  EXPECT_EQ(Edit->MinHeight(), Edit->Height());
  Edit->SetButtonWidth(Edit->Width());
  EXPECT_EQ(16, Edit->ButtonWidth());
  Edit->SetButtonWidth(-5);
  EXPECT_EQ(0, Edit->ButtonWidth());
  EXPECT_FALSE(IsWindowVisible(Edit->ButtonContainer()->Handle()));
}

TEST_F(ComboForm, KeysOfTheEdit) {
  // Alt+Down clicks once; not without a button.
  SetAlt(true);
  PostMessageA(Edit->Handle(), WM_SYSKEYDOWN, VK_DOWN, 1 << 29);
  ASSERT_TRUE(PumpAppUntil([&] { return ButtonClicks == 1; }));
  Settle();
  EXPECT_EQ(1, ButtonClicks);
  EXPECT_EQ(Edit, Sender);
  Edit->SetButtonWidth(-3);  // a negative width is none
  EXPECT_EQ(0, Edit->ButtonWidth());
  PostMessageA(Edit->Handle(), WM_SYSKEYDOWN, VK_DOWN, 1 << 29);
  Settle();
  SetAlt(false);
  EXPECT_EQ(1, ButtonClicks);
  Edit->SetButtonWidth(16);

  // Enter and Escape: the default and the cancel button once each, as keys and as characters.
  for (UINT message : {WM_KEYDOWN, WM_CHAR}) {
    OkClicks = CancelClicks = 0;
    Edit->SetFocus();
    PostMessageA(Edit->Handle(), message, VK_RETURN, 1);
    PostMessageA(Edit->Handle(), message, VK_ESCAPE, 1);
    ASSERT_TRUE(PumpAppUntil([&] { return OkClicks >= 1 && CancelClicks >= 1; }));
    Settle();
    EXPECT_EQ(1, OkClicks) << message;
    EXPECT_EQ(1, CancelClicks) << message;
  }

  // One line: Ctrl+Enter, a line feed, a tab and pasted line breaks stay out; Tab moves the focus.
  Edit->SetText("C:\\a");
  SendMessageA(Edit->Handle(), EM_SETSEL, 4, 4);
  PostMessageA(Edit->Handle(), WM_CHAR, '\n', 1);
  PostMessageA(Edit->Handle(), WM_CHAR, '\t', 1);
  Clipboard().SetAsText("\\b\r\nc\t");
  PostMessageA(Edit->Handle(), WM_PASTE, 0, 0);
  ASSERT_TRUE(PumpAppUntil([&] { return Edit->Text() == "C:\\a\\bc"; })) << Edit->Text();
  EXPECT_EQ(1, SendMessageA(Edit->Handle(), EM_GETLINECOUNT, 0, 0));
  PostMessageA(Edit->Handle(), WM_KEYDOWN, VK_TAB, 1);
  ASSERT_TRUE(PumpAppUntil([&] { return !Edit->Focused(); }));
  EXPECT_EQ("C:\\a\\bc", Edit->Text());
}

TEST_F(ComboForm, ButtonReadOnlyAndDirectInput) {
  // A press on the button focuses the edit first, then clicks.
  Other->SetFocus();
  int focusedAtClick = -1;
  Edit->OnButtonClick = [&](TObject*) {
    ++ButtonClicks;
    focusedAtClick = Edit->Focused();
  };
  PostClick(Edit->Button(), 5, 5);
  ASSERT_TRUE(PumpAppUntil([&] { return ButtonClicks == 1; }));
  EXPECT_EQ(1, focusedAtClick);

  // Read-only: neither the button nor the key, unless the switch lets them.
  Edit->SetReadOnly(true);
  PostClick(Edit->Button(), 5, 5);
  SetAlt(true);
  PostMessageA(Edit->Handle(), WM_SYSKEYDOWN, VK_DOWN, 1 << 29);
  Settle();
  EXPECT_EQ(1, ButtonClicks);
  Edit->SetAlwaysEnableButton(true);
  PostMessageA(Edit->Handle(), WM_SYSKEYDOWN, VK_DOWN, 1 << 29);
  ASSERT_TRUE(PumpAppUntil([&] { return ButtonClicks == 2; }));
  SetAlt(false);
  Edit->SetReadOnly(false);

  // DirectInput off: no typing, paste, cut, clear or undo; the button and Text still work.
  Edit->SetText("keep");
  Edit->SetDirectInput(false);
  Clipboard().SetAsText("pasted");
  SendMessageA(Edit->Handle(), EM_SETSEL, 0, -1);
  for (UINT message : {WM_PASTE, WM_CUT, WM_CLEAR, WM_UNDO}) PostMessageA(Edit->Handle(), message, 0, 0);
  PostMessageA(Edit->Handle(), WM_CHAR, 'x', 1);
  Settle();
  EXPECT_EQ("keep", Edit->Text());
  PostClick(Edit->Button(), 5, 5);
  ASSERT_TRUE(PumpAppUntil([&] { return ButtonClicks == 3; }));
  Edit->SetText("by code");
  EXPECT_EQ("by code", Edit->Text());
  Edit->SetDirectInput(true);
  PostMessageA(Edit->Handle(), WM_CHAR, 'x', 1);
  ASSERT_TRUE(PumpAppUntil([&] { return Edit->Text().find('x') != std::string::npos; }));

  // Alignment re-creates the window and keeps the text; disabling reaches the button.
  Edit->SetText("C:\\folder");
  Edit->SetAlignment(taRightJustify);
  EXPECT_EQ("C:\\folder", Edit->Text());
  EXPECT_TRUE(GetWindowLongPtrA(Edit->Handle(), GWL_STYLE) & ES_RIGHT);
  Edit->SetEnabled(false);
  EXPECT_FALSE(Edit->Button()->Enabled());
  PostClick(Edit->Button(), 5, 5);
  Settle();
  EXPECT_EQ(3, ButtonClicks);
}
