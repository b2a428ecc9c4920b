// What the speed button puts on the screen, read back from the X server itself, and its shared glyph cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KitCtrls.h"
#include "form.h"
#include "glyph_strip.h"
#include "graphic_controls.h"
#include "menus.h"
#include "pump_until.h"
#include "x_server_pixels.h"

using namespace ui;

namespace {

using testsupport::GlyphStrip;

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255),
                   kGreen = RGB(0, 160, 0);

COLORREF Sys(int index) { return GetSysColor(index); }

struct PaintForm : ::testing::Test {
  TForm* Form = nullptr;
  void SetUp() override {
    Form = new TForm(nullptr);
    Form->SetBounds(60, 60, 560, 260);
    Form->Show();
    SetForegroundWindow(Form->Handle());
  }
  void TearDown() override { Form->Free(); }
  // A 40 x 40 button: its glyph (one 16 x 16 cell) sits at (12, 12), the block at (16..23, 16..23).
  TKitSpeedButton* Add(int left, int top, std::vector<COLORREF> strip = {kRed}) {
    auto* b = new TKitSpeedButton(Form);
    b->SetParent(Form);
    b->SetBounds(left, top, 40, 40);
    if (!strip.empty()) b->SetGlyph(GlyphStrip(strip).get());
    return b;
  }
  // Small buttons of one red glyph, twenty a row.
  std::vector<TKitSpeedButton*> AddMany(int count) {
    std::vector<TKitSpeedButton*> buttons;
    for (int i = 0; i < count; ++i) {
      auto* b = new TKitSpeedButton(Form);
      b->SetParent(Form);
      b->SetBounds(10 + (i % 20) * 26, 10 + (i / 20) * 24, 24, 22);
      b->SetGlyph(GlyphStrip({kRed}).get());
      buttons.push_back(b);
    }
    return buttons;
  }
  void Paint() {
    RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
  }
  struct Probe {
    std::string What;
    TControl* Control;
    int X, Y;
    COLORREF Expected;
  };
  // Every probe against the X server's pixel. Wine hands a painted window to the X server from its message
  // loop, a little later: the dump is taken again (the loop running between) until it shows the paint, or the
  // time is up.
  void Check(const std::vector<Probe>& probes) {
    std::vector<POINT> points;
    for (const Probe& p : probes) points.push_back(p.Control->ClientToScreen(POINT{p.X, p.Y}));
    std::vector<COLORREF> expected, got;
    for (const Probe& p : probes) expected.push_back(p.Expected);
    Paint();
    testsupport::PumpUntil(
        [&] {
          got = testsupport::XServerPixels(points);
          return got == expected;
        },
        5000);
    ASSERT_EQ(probes.size(), got.size()) << "no dump from the X server";
    for (size_t i = 0; i < probes.size(); ++i)
      EXPECT_EQ(probes[i].Expected, got[i]) << probes[i].What << " at " << probes[i].X << "," << probes[i].Y
                                            << std::hex << ": expected " << probes[i].Expected << ", got " << got[i];
  }
};

}  // namespace

TEST_F(PaintForm, StatesOnTheScreen) {
  COLORREF face = Sys(COLOR_BTNFACE), light = Sys(COLOR_BTNHIGHLIGHT), shadow = Sys(COLOR_BTNSHADOW);
  COLORREF gray = RGB(76, 76, 76);  // (77 * 255) / 256 for pure red
  TKitSpeedButton* up = Add(10, 10);
  TKitSpeedButton* down = Add(60, 10);
  TKitSpeedButton* exclusive = Add(110, 10);
  exclusive->SetGroupIndex(1);
  exclusive->SetDown(true);
  TKitSpeedButton* flat = Add(160, 10);
  flat->SetFlat(true);
  TKitSpeedButton* hovered = Add(210, 10);
  hovered->SetFlat(true);
  hovered->Perform(CM_MOUSEENTER);
  TKitSpeedButton* colour = Add(260, 10);
  colour->SetFlat(true);
  colour->SetGrayedInactive(false);
  TKitSpeedButton* embossed = Add(310, 10, {kRed});  // any colour but the transparent one is the shape
  embossed->SetEnabled(false);
  TKitSpeedButton* second = Add(360, 10, {kRed, kBlue});
  second->SetEnabled(false);
  // Held down by the mouse: its glyph moves one pixel right and down.
  down->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
  ASSERT_EQ(rbsDown, down->State());
  ASSERT_TRUE(hovered->Hovered());
  Check({
      {"up: raised frame", up, 1, 1, light},
      {"up: block", up, 16, 16, kRed},
      {"up: transparent glyph pixel", up, 12, 12, face},
      {"down: sunken frame", down, 0, 0, shadow},
      {"down: block moved", down, 24, 24, kRed},
      {"down: left of the moved block", down, 16, 16, face},
      {"exclusive: dither", exclusive, 5, 5, light},
      {"exclusive: dither", exclusive, 6, 5, face},
      {"exclusive: block moved", exclusive, 17, 17, kRed},
      {"flat: no frame", flat, 0, 0, face},
      {"flat: no frame", flat, 1, 1, face},
      {"flat: gray block", flat, 16, 16, gray},
      {"flat: transparent kept", flat, 12, 12, face},
      {"flat hovered: frame", hovered, 0, 0, light},
      {"flat hovered: colour", hovered, 16, 16, kRed},
      {"grayed inactive off", colour, 16, 16, kRed},
      {"disabled, one glyph: shadow", embossed, 16, 16, shadow},
      {"disabled, one glyph: highlight below right", embossed, 24, 24, light},
      {"disabled, two glyphs: second cell", second, 16, 16, kBlue},
  });
  down->Perform(WM_LBUTTONUP, 0, MAKELPARAM(300, 300));
}

TEST_F(PaintForm, MarkCaptionAndTransparency) {
  COLORREF face = Sys(COLOR_BTNFACE), light = Sys(COLOR_BTNHIGHLIGHT), shadow = Sys(COLOR_BTNSHADOW),
           text = Sys(COLOR_BTNTEXT);
  auto* menu = new TPopupMenu(Form);
  TKitSpeedButton* marked = Add(10, 10, {});
  marked->SetDropDownMenu(menu);
  TKitSpeedButton* grayMark = Add(60, 10, {});
  grayMark->SetDropDownMenu(menu);
  grayMark->SetEnabled(false);
  // Glyph on top, no caption, no glyph: the mark's room (9 wide) is centred in the 36 x 36 inside the frame,
  // from x 2 + 18 - 4 = 16; the triangle takes its columns 1 to 7, rows 18 to 21.
  std::vector<Probe> probes;
  for (int row = 0; row < 4; ++row) {
    probes.push_back({"mark row " + std::to_string(row), marked, 17 + row, 18 + row, text});
    probes.push_back({"mark row end " + std::to_string(row), marked, 23 - row, 18 + row, text});
    probes.push_back({"beside the mark row " + std::to_string(row), marked, 16 + row, 18 + row, face});
    probes.push_back({"disabled mark " + std::to_string(row), grayMark, 17 + row, 18 + row, shadow});
    probes.push_back({"disabled mark's light " + std::to_string(row), grayMark, 24 - row, 19 + row, light});
  }
  probes.push_back({"below the mark", marked, 20, 22, face});

  // Over a coloured parent and a shape: a transparent flat button shows both.
  Form->SetColor(TColor(kGreen));
  auto* shape = new TShape(Form);
  shape->SetParent(Form);
  shape->SetBounds(110, 10, 20, 40);
  shape->SetBrushColor(TColor(kBlue));
  TKitSpeedButton* clear = Add(110, 10, {});
  clear->SetFlat(true);
  clear->SetTransparent(true);
  probes.push_back({"transparent over the shape", clear, 5, 20, kBlue});
  probes.push_back({"transparent over the parent", clear, 30, 20, kGreen});
  Check(probes);

  // A disabled caption: highlight below right of the shadow, no text colour.
  TKitSpeedButton* caption = Add(160, 10, {});
  caption->SetBounds(160, 10, 80, 40);
  caption->SetCaption("MMMM");
  caption->SetEnabled(false);
  Paint();
  HDC screen = GetDC(nullptr);
  int shadows = 0, texts = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 80; ++x) {
      POINT p = caption->ClientToScreen(POINT{x, y});
      COLORREF c = GetPixel(screen, p.x, p.y);
      shadows += c == shadow;
      texts += c == text && text != shadow;
    }
  ReleaseDC(nullptr, screen);
  EXPECT_GT(shadows, 20);
  EXPECT_EQ(0, texts);
}

TEST_F(PaintForm, GlyphCacheSharesOneListPerSizeAndGoesWithTheLastButton) {
  int existing = TKitSpeedButton::ButtonCount();
  std::vector<TKitSpeedButton*> buttons = AddMany(200);
  EXPECT_EQ(existing + 200, TKitSpeedButton::ButtonCount());
  Paint();
  EXPECT_EQ(1, GlyphCacheListCount());
  TGlyphList* shared = buttons[0]->ButtonGlyph()->GlyphList();
  ASSERT_NE(nullptr, shared);
  EXPECT_EQ(200, shared->Count());  // one image per button, all in the one list of 16 x 16
  // One glyph changed: the others keep drawing theirs.
  buttons[5]->SetGlyph(GlyphStrip({kBlue}).get());
  Paint();
  EXPECT_EQ(1, GlyphCacheListCount());
  HDC screen = GetDC(nullptr);
  auto at = [&](TKitSpeedButton* b) {
    POINT p = b->ClientToScreen(POINT{b->Width() / 2, b->Height() / 2});
    return GetPixel(screen, p.x, p.y);
  };
  EXPECT_EQ(kBlue, at(buttons[5]));
  EXPECT_EQ(kRed, at(buttons[4]));
  EXPECT_EQ(kRed, at(buttons[6]));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(200, shared->Count());  // the changed glyph's old slot took its new image
  for (TKitSpeedButton* b : buttons) b->Free();
  EXPECT_EQ(existing, TKitSpeedButton::ButtonCount());
  EXPECT_FALSE(GlyphCacheExists());
}

// The figures of the paint: time per state (median and 99th percentile of 1000 paints, with the state's image
// made once or made again each time) and GDI objects for 200 buttons. Run by hand:
//   test_components.exe --gtest_also_run_disabled_tests --gtest_filter=PaintForm.DISABLED_Figures
TEST_F(PaintForm, DISABLED_Figures) {
  TKitSpeedButton* b = Add(10, 10);
  TBitmap target;
  target.SetSize(40, 40);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  auto percentile = [](std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[size_t(q * double(v.size() - 1))];
  };
  struct State { const char* Name; std::function<void()> Set; } states[] = {
      {"up", [&] { b->SetEnabled(true); }},
      {"disabled", [&] { b->SetEnabled(false); }},
      {"exclusive", [&] { b->SetEnabled(true); b->SetGroupIndex(1); b->SetDown(true); }},
      {"inactive", [&] { b->SetAllowAllUp(true); b->SetDown(false); b->SetFlat(true); }},
  };
  for (auto& state : states) {
    state.Set();
    for (bool cold : {false, true}) {
      std::vector<double> us;
      for (int i = 0; i < 1000; ++i) {
        if (cold) b->ButtonGlyph()->Invalidate();
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        b->Paint(target.Canvas());
        QueryPerformanceCounter(&t1);
        us.push_back(double(t1.QuadPart - t0.QuadPart) * 1e6 / double(frequency.QuadPart));
      }
      std::printf("paint %-9s cache %s: median %.1f us, p99 %.1f us\n", state.Name, cold ? "cold" : "warm",
                  percentile(us, 0.5), percentile(us, 0.99));
    }
  }
  b->Free();
  DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  std::vector<TKitSpeedButton*> buttons = AddMany(200);
  Paint();
  DWORD with = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  for (TKitSpeedButton* one : buttons) one->Free();
  DWORD after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  std::printf("GDI objects: %lu before, %lu with 200 painted buttons, %lu after freeing them\n",
              static_cast<unsigned long>(before), static_cast<unsigned long>(with), static_cast<unsigned long>(after));
}

TEST_F(PaintForm, SystemColourChangeRemakesGrayAndDisabledImages) {
  TKitSpeedButton* flat = Add(10, 10, {kRed});
  flat->SetFlat(true);
  TKitSpeedButton* embossed = Add(60, 10, {RGB(0, 0, 0)});
  embossed->SetEnabled(false);
  Paint();
  int element = COLOR_BTNSHADOW;
  COLORREF old = GetSysColor(element), changed = RGB(10, 120, 200);
  SetSysColors(1, &element, &changed);
  // The system tells the top-level windows; the form passes it on.
  SendMessageA(Form->Handle(), WM_SYSCOLORCHANGE, 0, 0);
  Check({{"disabled glyph in the new shadow", embossed, 16, 16, changed}});
  SetSysColors(1, &element, &old);
  SendMessageA(Form->Handle(), WM_SYSCOLORCHANGE, 0, 0);
  Check({{"and back", embossed, 16, 16, old}});
}
