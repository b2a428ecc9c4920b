// TKitButtonGlyph: the state images of a glyph strip, and the layout and drawing of glyph, mark and caption.
#include <algorithm>
#include <memory>

#include "KitCtrls.h"
#include "KitWinUtils.h"
#include "gdi.h"

using namespace ui;

namespace {

constexpr int kMarkRoom = 9;       // the mark's room after the caption
constexpr int kMarkGlyphRoom = 6;  // and after the glyph
constexpr int kMarkWidth = 7, kMarkHeight = 4;

bool SideLayout(TButtonLayout layout) { return layout == blGlyphLeft || layout == blGlyphRight; }

// The gray a pixel becomes in the inactive image.
COLORREF GrayOf(COLORREF c) {
  int level = (77 * GetRValue(c) + 150 * GetGValue(c) + 29 * GetBValue(c)) / 256;
  return RGB(level, level, level);
}

}  // namespace

TKitButtonLayout CalcButtonLayout(SIZE client, POINT origin, SIZE glyph, const TCaptionMeasure& measure,
                                  TButtonLayout layout, int margin, int spacing, bool drawMark) {
  bool side = SideLayout(layout);
  bool noGlyph = glyph.cx == 0 && glyph.cy == 0;
  auto setPart = [](int v) { return v != -1 ? v : 0; };
  int roomWidth = client.cx, roomHeight = client.cy;
  if (side) roomWidth -= glyph.cx + setPart(margin) + setPart(spacing) + (drawMark ? kMarkRoom : 0);
  else roomHeight -= glyph.cy + setPart(margin) + setPart(spacing);
  roomWidth = std::max(roomWidth, 0);
  roomHeight = std::max(roomHeight, 0);
  SIZE text = measure ? measure(roomWidth, roomHeight) : SIZE{0, 0};
  text.cx = std::clamp(int(text.cx), 0, roomWidth);
  text.cy = std::clamp(int(text.cy), 0, roomHeight);

  bool markAfterText = drawMark && (noGlyph || layout == blGlyphLeft);
  SIZE glyphCell = glyph;
  if (drawMark) {
    if (markAfterText) text.cx += kMarkRoom;
    else glyph.cx += kMarkGlyphRoom;
  }

  POINT g{0, 0}, t{0, 0};
  if (side) {
    g.y = client.cy / 2 - glyph.cy / 2;
    t.y = client.cy / 2 - text.cy / 2;
  } else {
    g.x = client.cx / 2 - glyph.cx / 2;
    t.x = client.cx / 2 - text.cx / 2;
  }
  int along = side ? client.cx : client.cy;
  int glyphAlong = side ? glyph.cx : glyph.cy;
  int textAlong = side ? text.cx : text.cy;
  if (textAlong == 0 || glyphAlong == 0) spacing = 0;
  if (margin == -1) {
    if (spacing == -1) margin = spacing = (along - glyphAlong - textAlong) / 3;
    else margin = along / 2 - (glyphAlong + spacing + textAlong) / 2;
  } else if (spacing == -1) {
    spacing = (along - margin - glyphAlong) / 2 - textAlong / 2;
  }
  bool leading = layout == blGlyphLeft || layout == blGlyphTop;
  int glyphAt = leading ? margin : along - margin - glyphAlong;
  int textAt = leading ? glyphAt + glyphAlong + spacing : glyphAt - spacing - textAlong;
  (side ? g.x : g.y) = glyphAt;
  (side ? t.x : t.y) = textAt;

  TKitButtonLayout result;
  result.GlyphPos = POINT{g.x + origin.x, g.y + origin.y};
  result.TextBounds = RECT{t.x + origin.x, t.y + origin.y, t.x + text.cx + origin.x, t.y + text.cy + origin.y};
  if (drawMark) {
    // The triangle stands in the last columns of the room the mark made, centred across.
    RECT owner = markAfterText ? result.TextBounds
                               : RECT{result.GlyphPos.x, result.GlyphPos.y, result.GlyphPos.x + glyph.cx,
                                      result.GlyphPos.y + glyphCell.cy};
    int left = owner.right - kMarkWidth - (markAfterText ? 1 : 0);
    int top = (owner.top + owner.bottom) / 2 - kMarkHeight / 2;
    result.MarkRect = RECT{left, top, left + kMarkWidth, top + kMarkHeight};
  }
  return result;
}

// ---- TKitButtonGlyph ----

TKitButtonGlyph::TKitButtonGlyph() { GlyphCacheUser(true); }

TKitButtonGlyph::~TKitButtonGlyph() {
  Invalidate();
  GlyphCacheUser(false);
}

void TKitButtonGlyph::SetGlyph(TBitmap* glyph) {
  if (glyph && !glyph->Empty()) FOriginal.Assign(glyph);
  else FOriginal.SetSize(0, 0);
  GlyphChanged();
}

void TKitButtonGlyph::GlyphChanged() {
  Invalidate();
  int w = FOriginal.Width(), h = FOriginal.Height();
  // An empty or zero-sided strip keeps its count: it measures 0 by 0 and draws nothing.
  if (!FOriginal.Empty() && w > 0 && h > 0) {
    FTransparentColor = FOriginal.TransparentColor() & ~TColor(0x02000000);
    if (w % h == 0) {
      int count = w / h;
      FNumGlyphs = count > 5 ? 1 : count;
    }
  }
  Changed();
}

void TKitButtonGlyph::SetNumGlyphs(TKitNumGlyphs value) {
  if (value <= 0) return;
  value = std::min(value, 5);
  if (value == FNumGlyphs) return;
  Invalidate();
  FNumGlyphs = value;
  Changed();
}

void TKitButtonGlyph::SetWordWrap(bool v) {
  if (v == FWordWrap) return;
  FWordWrap = v;
  Changed();
}

void TKitButtonGlyph::SetAlignment(TAlignment v) {
  if (v == FAlignment) return;
  FAlignment = v;
  Changed();
}

void TKitButtonGlyph::Changed() {
  if (OnChange) OnChange();
}

SIZE TKitButtonGlyph::CellSize() const {
  int w = FOriginal.Width(), h = FOriginal.Height();
  if (FOriginal.Empty() || w <= 0 || h <= 0 || FNumGlyphs <= 0) return SIZE{0, 0};
  int cell = w / FNumGlyphs;
  if (cell <= 0) return SIZE{0, 0};
  return SIZE{cell, h};
}

int TKitButtonGlyph::CellOfState(TKitButtonState state, int numGlyphs) {
  switch (state) {
    case rbsUp: return 0;
    case rbsDisabled: return numGlyphs >= 2 ? 1 : -1;
    case rbsDown: return numGlyphs >= 3 ? 2 : 0;
    case rbsExclusive: return numGlyphs >= 4 ? 3 : 0;
    case rbsInactive: return numGlyphs >= 5 ? 4 : -1;
  }
  return 0;
}

void TKitButtonGlyph::MakeCell(int cell, TBitmap& out) const {
  SIZE size = CellSize();
  out.SetSize(size.cx, size.cy);
  // A monochrome strip copies as black on white, the output context's own colours.
  TBitmap& source = const_cast<TBitmap&>(FOriginal);
  BitBlt(out.Canvas().Handle(), 0, 0, size.cx, size.cy, source.Canvas().Handle(), cell * size.cx, 0, SRCCOPY);
}

int TKitButtonGlyph::GlyphIndex(TKitButtonState state) {
  int& index = FIndexs[state];
  if (index >= 0) return index;
  SIZE size = CellSize();
  if (size.cx < 1 || size.cy < 1) return -1;
  if (!FGlyphList) FGlyphList = GetGlyphList(size.cx, size.cy);
  TBitmap image;
  int cell = CellOfState(state, FNumGlyphs);
  MakeCell(std::max(cell, 0), image);
  COLORREF transparent = ColorToRGB(FTransparentColor);
  if (cell >= 0) {
    index = FGlyphList->AddMasked(image, FTransparentColor);
  } else if (state == rbsDisabled) {
    // The glyph's shape in black on white, embossed: every pixel but the transparent ones.
    HDC dc = image.Canvas().Handle();
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < size.cx; ++x)
        ::SetPixel(dc, x, y, GetPixel(dc, x, y) == transparent ? RGB(255, 255, 255) : RGB(0, 0, 0));
    std::unique_ptr<TBitmap> disabled(CreateDisabledBitmap(image, clBlack));
    index = FGlyphList->AddMasked(*disabled, clBtnFace);
  } else {
    // Inactive: the up cell in grays; the transparent and the button face pixels keep their colour.
    COLORREF face = ColorToRGB(clBtnFace);
    HDC dc = image.Canvas().Handle();
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < size.cx; ++x) {
        COLORREF c = GetPixel(dc, x, y);
        if (c != transparent && c != face) ::SetPixel(dc, x, y, GrayOf(c));
      }
    index = FGlyphList->AddMasked(image, FTransparentColor);
  }
  return index;
}

void TKitButtonGlyph::Invalidate() {
  for (int& index : FIndexs) {
    if (index >= 0 && FGlyphList) FGlyphList->Delete(index);
    index = -1;
  }
  if (FGlyphList) ReleaseGlyphList(FGlyphList);
  FGlyphList = nullptr;
}

UINT TKitButtonGlyph::TextFlags() const {
  UINT flags = FAlignment == taRightJustify ? DT_RIGHT : FAlignment == taCenter ? DT_CENTER : DT_LEFT;
  return flags | (FWordWrap ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER);
}

void TKitButtonGlyph::DrawMark(HDC dc, const RECT& mark, bool disabled) const {
  auto triangle = [&](int dx, int dy, TColor color) {
    TBrushHandle brush(CreateSolidBrush(ColorToRGB(color)));
    for (int row = 0; row < kMarkHeight; ++row) {
      RECT r{mark.left + row + dx, mark.top + row + dy, mark.left + kMarkWidth - row + dx, mark.top + row + 1 + dy};
      ::FillRect(dc, &r, brush.Get());
    }
  };
  if (disabled) {
    triangle(1, 1, clBtnHighlight);
    triangle(0, 0, clBtnShadow);
  } else {
    triangle(0, 0, clBtnText);
  }
}

void TKitButtonGlyph::DrawCaption(TCanvas& canvas, const std::string& caption, RECT bounds, bool disabled) const {
  if (caption.empty()) return;
  HDC dc = canvas.Handle();
  TSelectObject font(dc, canvas.Font().Handle());
  SetBkMode(dc, TRANSPARENT);
  UINT flags = TextFlags();
  if (disabled) {
    RECT shifted = bounds;
    OffsetRect(&shifted, 1, 1);
    SetTextColor(dc, ColorToRGB(clBtnHighlight));
    DrawTextA(dc, caption.c_str(), int(caption.size()), &shifted, flags);
    SetTextColor(dc, ColorToRGB(clBtnShadow));
  } else {
    SetTextColor(dc, ColorToRGB(canvas.Font().Color()));
  }
  DrawTextA(dc, caption.c_str(), int(caption.size()), &bounds, flags);
}

RECT TKitButtonGlyph::Draw(TCanvas& canvas, const RECT& rect, POINT offset, const std::string& caption,
                           TButtonLayout layout, int margin, int spacing, bool drawMark, TKitButtonState glyphState,
                           TKitButtonState textState) {
  HDC dc = canvas.Handle();
  UINT flags = TextFlags() | DT_CALCRECT;
  auto measure = [&](int roomWidth, int roomHeight) {
    if (caption.empty()) return SIZE{0, 0};
    TSelectObject font(dc, canvas.Font().Handle());
    RECT r{0, 0, roomWidth, roomHeight};
    DrawTextA(dc, caption.c_str(), int(caption.size()), &r, flags);
    return SIZE{r.right - r.left, r.bottom - r.top};
  };
  SIZE client{rect.right - rect.left, rect.bottom - rect.top};
  POINT origin{rect.left + offset.x, rect.top + offset.y};
  TKitButtonLayout placed = CalcButtonLayout(client, origin, CellSize(), measure, layout, margin, spacing, drawMark);
  int index = GlyphIndex(glyphState);
  if (index >= 0) ImageList_Draw(FGlyphList->Handle(), index, dc, placed.GlyphPos.x, placed.GlyphPos.y, ILD_TRANSPARENT);
  bool disabled = textState == rbsDisabled;
  RECT text = placed.TextBounds;
  if (drawMark) {
    DrawMark(dc, placed.MarkRect, disabled);
    if (CellSize().cx == 0 || layout == blGlyphLeft) text.right -= kMarkRoom;
  }
  DrawCaption(canvas, caption, text, disabled);
  return text;
}
