// The speed button: its tables (glyph count, cells, layout, menu point), its pixels on the X server, and
// the mouse, keys, menu, groups, repeat and glyph cache as the user meets them.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "KitCtrls.h"
#include "action.h"
#include "control_mouse.h"
#include "form.h"
#include "glyph_strip.h"
#include "image_list.h"
#include "menus.h"
#include "pump_until.h"

using namespace ui;
using testsupport::PostClick;
using testsupport::PostMouse;
using testsupport::PumpAppUntil;
using testsupport::PumpUntil;

namespace {

struct ButtonForm : ::testing::Test {
  TForm* Form = nullptr;
  int Clicks = 0;

  void SetUp() override {
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 420, 300);
    Form->Show();
    SetForegroundWindow(Form->Handle());
  }
  void TearDown() override { Form->Free(); }

  TKitSpeedButton* Add(int left, int top, int width = 40, int height = 40) {
    auto* b = new TKitSpeedButton(Form);
    b->SetParent(Form);
    b->SetBounds(left, top, width, height);
    b->OnClick = [this](TObject*) { ++Clicks; };
    return b;
  }
};

// Timer callbacks that read or close the tracked menu from inside its own loop; Win32 calls them
// stdcall, which a plain lambda is not on 32-bit Windows.
RECT shown;
HWND target;
POINT at;
TKitSpeedButton* pressed;

void CALLBACK ReadAndCloseMenu(HWND, UINT, UINT_PTR, DWORD) {
  HWND popup = FindWindowA("#32768", nullptr);
  if (!popup || !IsWindowVisible(popup)) return;
  GetWindowRect(popup, &shown);
  EndMenu();
}

void CALLBACK CloseMenuByPress(HWND, UINT, UINT_PTR, DWORD) {
  HWND popup = FindWindowA("#32768", nullptr);
  if (!popup || !IsWindowVisible(popup)) return;
  EndMenu();
  PostMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
  PostMessageA(target, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

void CALLBACK ClickPressedOnceShown(HWND, UINT, UINT_PTR, DWORD) {
  if (pressed && pressed->Parent()->HandleAllocated() && IsWindowVisible(pressed->Parent()->Handle())) {
    PostClick(pressed, 5, 5);
    pressed = nullptr;
  }
}

}  // namespace

TEST(KitButtonTables, GlyphCountFromTheStripAndNumGlyphs) {
  struct Case { int width, height, before, after; } cases[] = {
      {64, 16, 1, 4}, {128, 16, 1, 1}, {16, 16, 3, 1}, {80, 16, 1, 5}, {40, 16, 2, 2},  // not a multiple: kept
      {0, 0, 3, 3},                                                                       // empty keeps
  };
  for (const Case& c : cases) {
    TKitButtonGlyph glyph;
    glyph.SetNumGlyphs(c.before);
    TBitmap strip;
    strip.SetSize(c.width, c.height);
    glyph.SetGlyph(c.width ? &strip : nullptr);
    EXPECT_EQ(c.after, glyph.NumGlyphs()) << c.width << "x" << c.height;
  }
  TKitButtonGlyph glyph;
  for (auto [set, got] : std::vector<std::pair<int, int>>{{3, 3}, {0, 3}, {9, 5}, {-2, 5}, {1, 1}}) {
    glyph.SetNumGlyphs(set);
    EXPECT_EQ(got, glyph.NumGlyphs()) << set;
  }
}

TEST(KitButtonTables, CellOfEveryStateForEveryCount) {
  // -1: made from the up cell (embossed for disabled, grays for inactive).
  const int expected[5][5] = {
      // up, disabled, down, exclusive, inactive
      {0, -1, 0, 0, -1}, {0, 1, 0, 0, -1}, {0, 1, 2, 0, -1}, {0, 1, 2, 3, -1}, {0, 1, 2, 3, 4}};
  for (int count = 1; count <= 5; ++count)
    for (int state = rbsUp; state <= rbsInactive; ++state)
      EXPECT_EQ(expected[count - 1][state], TKitButtonGlyph::CellOfState(TKitButtonState(state), count))
          << count << " glyphs, state " << state;
}

TEST(KitButtonTables, EmptyOrZeroSidedGlyphMeasuresNothingAndDrawsNothing) {
  for (SIZE size : {SIZE{0, 0}, SIZE{0, 16}, SIZE{16, 0}, SIZE{3, 16}}) {
    TKitButtonGlyph glyph;
    glyph.SetNumGlyphs(4);
    TBitmap strip;
    strip.SetSize(size.cx, size.cy);
    glyph.SetGlyph(&strip);
    SIZE cell = glyph.CellSize();
    EXPECT_EQ(0, cell.cx * cell.cy == 0 ? 0 : 1) << size.cx << "x" << size.cy;
    EXPECT_EQ(-1, glyph.GlyphIndex(rbsUp));
    TBitmap canvas;
    canvas.SetSize(30, 30);
    glyph.Draw(canvas.Canvas(), RECT{0, 0, 30, 30}, POINT{0, 0}, "", blGlyphTop, -1, 1, false, rbsUp, rbsUp);
  }
}

TEST(KitButtonTables, LayoutByHand) {
  // Client 60 x 40 at origin (2, 3); glyph 16 x 16; caption 20 x 10 (limited to its room).
  struct Case {
    TButtonLayout layout;
    int margin, spacing;
    bool glyph, caption, mark;
    POINT glyphPos;
    RECT text;
  } cases[] = {
      // Left: room 60-16 = 44; M=S=(60-16-20)/3 = 8; glyph y = 20-8 = 12, text y = 20-5 = 15.
      {blGlyphLeft, -1, -1, true, true, false, {2 + 8, 3 + 12}, {2 + 32, 3 + 15, 2 + 52, 3 + 25}},
      // Left, spacing 1: M = 30 - (16+1+20)/2 = 12.
      {blGlyphLeft, -1, 1, true, true, false, {2 + 12, 3 + 12}, {2 + 29, 3 + 15, 2 + 49, 3 + 25}},
      // Left, margin 4, spacing -1: S = (60-4-16)/2 - 10 = 10.
      {blGlyphLeft, 4, -1, true, true, false, {2 + 4, 3 + 12}, {2 + 30, 3 + 15, 2 + 50, 3 + 25}},
      // Right, margin 4, spacing 2: glyph at 60-4-16 = 40, text ends 2 before.
      {blGlyphRight, 4, 2, true, true, false, {2 + 40, 3 + 12}, {2 + 18, 3 + 15, 2 + 38, 3 + 25}},
      // Top: x centred (30-8 = 22, 30-10 = 20); M = 20 - (16+1+10)/2 = 7.
      {blGlyphTop, -1, 1, true, true, false, {2 + 22, 3 + 7}, {2 + 20, 3 + 24, 2 + 40, 3 + 34}},
      // Bottom, margin 2, spacing 3: glyph at 40-2-16 = 22, text 3+10 above.
      {blGlyphBottom, 2, 3, true, true, false, {2 + 22, 3 + 22}, {2 + 20, 3 + 9, 2 + 40, 3 + 19}},
      // Top without caption: spacing 0, M = 20 - 8 = 12.
      {blGlyphTop, -1, 1, true, false, false, {2 + 22, 3 + 12}, {2 + 30, 3 + 28, 2 + 30, 3 + 28}},
      // Mark after the caption (glyph left): room 60-16-1-9 = 34, caption 29 wide; M = 30 - (16+1+29)/2 = 7.
      {blGlyphLeft, -1, 1, true, true, true, {2 + 7, 3 + 12}, {2 + 24, 3 + 15, 2 + 53, 3 + 25}},
      // Mark with the glyph on top: the glyph is 22 wide (x 30-11 = 19).
      {blGlyphTop, -1, 1, true, true, true, {2 + 19, 3 + 7}, {2 + 20, 3 + 24, 2 + 40, 3 + 34}},
      // Mark, no glyph: the caption grows by 9 (29 wide, x 30-14 = 16).
      {blGlyphTop, -1, 1, false, true, true, {2 + 30, 3 + 15}, {2 + 16, 3 + 15, 2 + 45, 3 + 25}},
  };
  for (const Case& c : cases) {
    TCaptionMeasure measure = [&](int w, int h) { return c.caption ? SIZE{std::min(20, w), std::min(10, h)} : SIZE{0, 0}; };
    TKitButtonLayout got = CalcButtonLayout(SIZE{60, 40}, POINT{2, 3}, c.glyph ? SIZE{16, 16} : SIZE{0, 0}, measure,
                                            c.layout, c.margin, c.spacing, c.mark);
    std::string what = "layout " + std::to_string(c.layout) + " margin " + std::to_string(c.margin) + " spacing " +
                       std::to_string(c.spacing) + (c.mark ? " mark" : "") + (c.glyph ? "" : " no glyph");
    EXPECT_EQ(c.glyphPos.x, got.GlyphPos.x) << what;
    EXPECT_EQ(c.glyphPos.y, got.GlyphPos.y) << what;
    if (c.caption) {
      EXPECT_EQ(c.text.left, got.TextBounds.left) << what;
      EXPECT_EQ(c.text.top, got.TextBounds.top) << what;
      EXPECT_EQ(c.text.right, got.TextBounds.right) << what;
      EXPECT_EQ(c.text.bottom, got.TextBounds.bottom) << what;
    }
  }
}

TEST_F(ButtonForm, DropDownMenuAtItsPointWithoutAClick) {
  TKitSpeedButton* b = Add(150, 100, 40, 30);
  EXPECT_EQ(0, b->MenuPoint().x);  // no menu
  auto* menu = new TPopupMenu(Form);
  auto* item = new TMenuItem(menu);
  item->SetCaption("Wide enough item");
  menu->Items()->Add(item);
  b->SetDropDownMenu(menu);
  struct Case { TKitDropDownMenuPos pos; TPopupAlignment align; POINT point; } cases[] = {
      {dmpBottom, paLeft, {-1, 30}}, {dmpBottom, paRight, {41, 30}}, {dmpBottom, paCenter, {20, 30}},
      {dmpRight, paLeft, {40, -1}},  {dmpRight, paRight, {-1, -1}},  {dmpRight, paCenter, {20, 30}},
  };
  for (const Case& c : cases) {
    b->SetMenuPosition(c.pos);
    menu->SetAlignment(c.align);
    POINT p = b->MenuPoint();
    EXPECT_EQ(c.point.x, p.x);
    EXPECT_EQ(c.point.y, p.y);
    // The tracked menu is read and closed from a timer inside its own loop.
    shown = RECT{};
    UINT_PTR timer = SetTimer(nullptr, 0, 50, ReadAndCloseMenu);
    Clicks = 0;
    PostMouse(b, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    PostMouse(b, WM_LBUTTONUP, 5, 5);
    ASSERT_TRUE(PumpAppUntil([&] { return shown.right != 0 && !b->MenuTracking() && !b->Dragging(); }));
    KillTimer(nullptr, timer);
    POINT s = b->ClientToScreen(p);
    LONG x = c.align == paLeft ? shown.left : c.align == paRight ? shown.right : (shown.left + shown.right) / 2;
    EXPECT_NEAR(s.x, x, 1) << c.pos << "/" << c.align;
    EXPECT_EQ(s.y, shown.top) << c.pos << "/" << c.align;
    EXPECT_EQ(b, menu->PopupComponent());
    EXPECT_EQ(0, Clicks);
    EXPECT_EQ(rbsUp, b->State());
  }

  // The press that closed the menu: over the button it is gone, elsewhere it stays and misses the button.
  TKitSpeedButton* other = Add(250, 100, 40, 30);
  for (TKitSpeedButton* where : {b, other}) {
    target = Form->Handle();
    at = POINT{where->Left() + 5, where->Top() + 5};
    UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseMenuByPress);
    int before = Clicks;
    PostMouse(b, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    ASSERT_TRUE(PumpAppUntil([&] { return !b->MenuTracking() && !b->Dragging() && !GetQueueStatus(QS_POSTMESSAGE); }));
    KillTimer(nullptr, timer);
    testsupport::PumpFor(100);
    EXPECT_EQ(before + (where == b ? 0 : 1), Clicks) << (where == b ? "on the button" : "elsewhere");
  }
  menu->Free();
  EXPECT_EQ(nullptr, b->DropDownMenu());
}

TEST_F(ButtonForm, ClicksGroupsAndDoubleClicks) {
  TKitSpeedButton* b = Add(10, 10);
  // One click inside; none when released outside; out and back while held clicks.
  PostClick(b, 5, 5);
  ASSERT_TRUE(PumpAppUntil([&] { return Clicks == 1; }));
  PostMouse(b, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  PostMouse(b, WM_LBUTTONUP, 80, 80);
  ASSERT_TRUE(PumpAppUntil([&] { return !b->Dragging(); }));
  PostMouse(b, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  PostMouse(b, WM_MOUSEMOVE, 80, 80, MK_LBUTTON);
  ASSERT_TRUE(PumpAppUntil([&] { return b->State() == rbsUp; }));
  PostMouse(b, WM_MOUSEMOVE, 6, 6, MK_LBUTTON);
  ASSERT_TRUE(PumpAppUntil([&] { return b->State() == rbsDown; }));
  PostMouse(b, WM_LBUTTONUP, 6, 6);
  ASSERT_TRUE(PumpAppUntil([&] { return Clicks == 2; }));
  EXPECT_EQ(rbsUp, b->State());

  // Down without a group stays False; an up button double-clicked clicks twice, no double-click event.
  b->SetDown(true);
  EXPECT_FALSE(b->Down());
  int doubles = 0;
  b->OnDblClick = [&](TObject*) { ++doubles; };
  PostMouse(b, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  PostMouse(b, WM_LBUTTONUP, 5, 5);
  PostMouse(b, WM_LBUTTONDBLCLK, 5, 5, MK_LBUTTON);
  PostMouse(b, WM_LBUTTONUP, 5, 5);
  ASSERT_TRUE(PumpAppUntil([&] { return Clicks == 4; }));
  EXPECT_EQ(0, doubles);

  // A grouped pair: the second raises the first; a down button stays down unless AllowAllUp.
  TKitSpeedButton* a = Add(60, 10);
  b->SetGroupIndex(1);
  a->SetGroupIndex(1);
  PostClick(a, 5, 5);
  ASSERT_TRUE(PumpAppUntil([&] { return a->Down(); }));
  PostClick(b, 5, 5);
  ASSERT_TRUE(PumpAppUntil([&] { return b->Down(); }));
  EXPECT_FALSE(a->Down());
  int clicks = Clicks;
  PostClick(b, 5, 5);
  ASSERT_TRUE(PumpAppUntil([&] { return Clicks == clicks + 1; }));
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(rbsExclusive, b->State());
  // The double-click event belongs to a down button.
  PostMouse(b, WM_LBUTTONDBLCLK, 5, 5, MK_LBUTTON);
  PostMouse(b, WM_LBUTTONUP, 5, 5);
  ASSERT_TRUE(PumpAppUntil([&] { return doubles == 1; }));
  a->SetAllowAllUp(true);  // the group takes it
  EXPECT_TRUE(b->AllowAllUp());
  EXPECT_TRUE(b->Down());  // an up sender's notice raises nobody
  PostClick(b, 5, 5);
  ASSERT_TRUE(PumpAppUntil([&] { return !b->Down(); }));
  EXPECT_FALSE(a->Down());
  // A sibling's group change is no press either.
  b->SetDown(true);
  TKitSpeedButton* c = Add(110, 10);
  c->SetGroupIndex(1);
  EXPECT_TRUE(b->Down());
}

TEST_F(ButtonForm, ModalResultClosesTheModalForm) {
  auto* dialog = new TForm(nullptr);
  dialog->SetBounds(150, 150, 200, 120);
  auto* b = new TKitSpeedButton(dialog);
  b->SetParent(dialog);
  b->SetBounds(10, 10, 40, 30);
  b->SetModalResult(mrOk);
  pressed = b;
  UINT_PTR timer = SetTimer(nullptr, 0, 50, ClickPressedOnceShown);
  int result = dialog->ShowModal();
  KillTimer(nullptr, timer);
  EXPECT_EQ(mrOk, result);
  dialog->Free();
}

TEST_F(ButtonForm, RepeatTimesAndTheFaultsOfAHeldPress) {
  TKitSpeedButton* b = Add(10, 10);
  b->SetAllowTimer(true);
  std::vector<DWORD> times;
  b->OnClick = [&](TObject*) { times.push_back(GetTickCount()); };
  DWORD start = GetTickCount();
  PostMouse(b, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  ASSERT_TRUE(PumpAppUntil([&] { return !times.empty() && GetTickCount() - times[0] >= 1000; }, 4000));
  ASSERT_GE(times.size(), 2u);
  EXPECT_GE(times[0] - start, 480u);  // the first click after the initial pause
  size_t inSecond = std::count_if(times.begin(), times.end(), [&](DWORD t) { return t - times[0] <= 1000; }) - 1;
  EXPECT_GE(inSecond, 7u);
  EXPECT_LE(inSecond, 11u);
  size_t held = times.size();
  PostMouse(b, WM_LBUTTONUP, 5, 5);
  ASSERT_TRUE(PumpAppUntil([&] { return !b->Repeating() && !b->Dragging(); }));
  EXPECT_EQ(held + 1, times.size());  // the release inside clicks once more
  testsupport::PumpFor(300);
  EXPECT_EQ(held + 1, times.size());

  // A click that runs the loop is not entered again by the timer.
  int depth = 0, deepest = 0;
  b->SetRepeatInterval(20);
  b->OnClick = [&](TObject*) {
    deepest = std::max(deepest, ++depth);
    testsupport::PumpFor(150, [] { Application().ProcessMessages(); });
    --depth;
    times.push_back(GetTickCount());
  };
  times.clear();
  PostMouse(b, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  ASSERT_TRUE(PumpAppUntil([&] { return times.size() >= 3; }, 4000));
  EXPECT_EQ(1, deepest);

  // Capture taken away while held: no click, timer off, drawn up.
  SetCapture(GetDesktopWindow());
  ReleaseCapture();
  ASSERT_TRUE(PumpAppUntil([&] { return !b->Dragging() && !b->Repeating(); }));
  EXPECT_EQ(rbsUp, b->State());
  size_t after = times.size();
  PostMouse(b, WM_LBUTTONUP, 5, 5);
  testsupport::PumpFor(300, [] { Application().ProcessMessages(); });
  EXPECT_EQ(after, times.size());

  // Disabled or hidden while held: the same.
  b->OnClick = [&](TObject*) { times.push_back(GetTickCount()); };
  for (int way = 0; way < 2; ++way) {
    PostMouse(b, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    ASSERT_TRUE(PumpAppUntil([&] { return b->Dragging(); }));
    size_t count = times.size();
    if (way == 0) b->SetEnabled(false);
    else b->SetVisible(false);
    EXPECT_FALSE(b->Dragging());
    EXPECT_FALSE(b->Repeating());
    b->SetEnabled(true);
    b->SetVisible(true);
    PostMouse(b, WM_LBUTTONUP, 5, 5);
    testsupport::PumpFor(200, [] { Application().ProcessMessages(); });
    EXPECT_EQ(count, times.size()) << (way == 0 ? "disabled" : "hidden");
    EXPECT_EQ(rbsUp, b->State());
  }

  // A throwing click stops the timer; the failure is reported once.
  int reports = 0;
  Application().OnException = [&](TObject*, const std::exception&) { ++reports; };
  b->OnClick = [](TObject*) { throw std::runtime_error("click failed"); };
  PostMouse(b, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
  ASSERT_TRUE(PumpAppUntil([&] { return reports == 1 && !b->Repeating(); }, 3000));
  testsupport::PumpFor(300, [] { Application().ProcessMessages(); });
  EXPECT_EQ(1, reports);
  PostMouse(b, WM_LBUTTONUP, 80, 80);
  ASSERT_TRUE(PumpAppUntil([&] { return !b->Dragging(); }));
  Application().OnException = nullptr;
}

TEST_F(ButtonForm, HoverOnlyInTheForeground) {
  TKitSpeedButton* b = Add(10, 10);
  b->SetFlat(true);
  int enters = 0, leaves = 0;
  b->OnMouseEnter = [&](TObject*) { ++enters; };
  b->OnMouseLeave = [&](TObject*) { ++leaves; };
  PostMouse(b, WM_MOUSEMOVE, 5, 5);
  PostMouse(b, WM_MOUSEMOVE, 8, 8);
  ASSERT_TRUE(PumpAppUntil([&] { return b->Hovered(); }));
  PostMouse(b, WM_MOUSEMOVE, 150, 150);
  ASSERT_TRUE(PumpAppUntil([&] { return !b->Hovered(); }));
  EXPECT_EQ(1, enters);
  EXPECT_EQ(1, leaves);

  // Another thread's window is active: no hover.
  HWND foreign = nullptr;
  DWORD otherThread = 0;
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread other([&] {
    foreign = CreateWindowExA(0, "STATIC", "foreign", WS_POPUP | WS_VISIBLE, 500, 400, 50, 50, nullptr, nullptr,
                              nullptr, nullptr);
    SetForegroundWindow(foreign);
    otherThread = GetCurrentThreadId();
    SetEvent(ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    DestroyWindow(foreign);
  });
  WaitForSingleObject(ready, 5000);
  ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == foreign; }, 3000));
  PostMouse(b, WM_MOUSEMOVE, 5, 5);
  testsupport::PumpFor(200, [] { Application().ProcessMessages(); });
  EXPECT_FALSE(b->Hovered());
  EXPECT_EQ(1, enters);
  PostThreadMessageA(otherThread, WM_QUIT, 0, 0);
  other.join();
  CloseHandle(ready);
}

TEST_F(ButtonForm, AltLetterAndActions) {
  TKitSpeedButton* go = Add(10, 10);
  go->SetCaption("&Go");
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_MENU] = 0x80;
  SetKeyboardState(keys);
  PostMessageA(Form->Handle(), WM_SYSCHAR, 'g', 1 << 29);
  ASSERT_TRUE(PumpAppUntil([&] { return Clicks == 1; }));
  go->SetEnabled(false);
  PostMessageA(Form->Handle(), WM_SYSCHAR, 'g', 1 << 29);
  testsupport::PumpFor(200, [] { Application().ProcessMessages(); });
  keys[VK_MENU] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(1, Clicks);

  // A checked action sets Down in a group; its image fills an empty glyph only.
  auto* images = new TImageList(Form);
  auto picture = testsupport::GlyphStrip({RGB(0, 0, 255)});
  images->AddMasked(*picture, TColor(testsupport::kStripBack));
  auto* list = new TActionList(Form);
  list->SetImages(images);
  auto* action = new TAction(Form);
  action->SetActionList(list);
  action->SetImageIndex(0);
  action->SetChecked(true);
  TKitSpeedButton* grouped = Add(60, 10);
  grouped->SetGroupIndex(2);
  grouped->SetAction(action);
  EXPECT_TRUE(grouped->Down());
  EXPECT_EQ(16, grouped->Glyph()->Width());
  TKitSpeedButton* own = Add(110, 10);
  auto mine = testsupport::GlyphStrip({RGB(0, 255, 0), RGB(0, 255, 0)}, 8);
  own->SetGlyph(mine.get());
  own->SetAction(action);
  EXPECT_EQ(16, own->Glyph()->Width());
  EXPECT_EQ(2, own->NumGlyphs());
  EXPECT_FALSE(own->Down());  // no group
}
