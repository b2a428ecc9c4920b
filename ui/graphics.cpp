#include "graphics.h"

#include "screen.h"
#include "sys_utils.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TFont, UI_PROP(String, "Name", Name, SetName), UI_PROP(Integer, "Size", Size, SetSize),
             UI_PROP(Integer, "Color", Color, SetColor),
             UI_PROP_SET("Style", Style, SetStyle, "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"))
UI_CLASSINFO(TCanvas)
UI_CLASSINFO(TGraphic)

COLORREF ColorToRGB(TColor color) {
  uint32_t c = uint32_t(color);
  if ((c & 0xFF000000u) == 0x80000000u) return GetSysColor(int(c & 0xFF));
  return c & 0x00FFFFFFu;
}

TFont::TFont() : FName("MS Shell Dlg") {}

void TFont::Changed() {
  FHandle.Reset();
  if (OnChange) OnChange();
}

void TFont::SetName(const std::string& name) {
  if (name != FName) FName = name, Changed();
}
void TFont::SetSize(int size) {
  if (size != FSize) FSize = size, Changed();
}
void TFont::SetColor(TColor color) {
  if (color != FColor) FColor = color, Changed();
}
void TFont::SetStyle(TSet32 style) {
  if (style != FStyle) FStyle = style, Changed();
}

HFONT TFont::Handle() {
  if (!FHandle) {
    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(FSize, Screen().PixelsPerInch(), 72);
    lf.lfWeight = (FStyle & (1u << fsBold)) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (FStyle & (1u << fsItalic)) != 0;
    lf.lfUnderline = (FStyle & (1u << fsUnderline)) != 0;
    lf.lfStrikeOut = (FStyle & (1u << fsStrikeOut)) != 0;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, FName.c_str(), LF_FACESIZE);
    FHandle.Reset(CreateFontIndirectA(&lf));
  }
  return FHandle.Get();
}

void TFont::Assign(const TPersistent* source) {
  if (auto* f = dynamic_cast<const TFont*>(source)) {
    FName = f->FName;
    FSize = f->FSize;
    FColor = f->FColor;
    FStyle = f->FStyle;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

TCanvas::~TCanvas() { ReleaseTools(); }

HDC TCanvas::Handle() {
  if (!FHandle) CreateHandle();
  return FHandle;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == FHandle) return;
  ReleaseTools();
  FHandle = dc;
}

void TCanvas::ReleaseTools() {
  if (FHandle) {
    if (FOldFont) SelectObject(FHandle, FOldFont);
    if (FOldBrush) SelectObject(FHandle, FOldBrush);
    if (FOldPen) SelectObject(FHandle, FOldPen);
  }
  FOldFont = FOldBrush = FOldPen = nullptr;
}

void TCanvas::SelectTools(bool forText) {
  HDC dc = Handle();
  if (!dc) return;
  TBrushHandle brush(Brush.Style == bsClear ? nullptr : CreateSolidBrush(ColorToRGB(Brush.Color)));
  TPenHandle pen(CreatePen(PS_SOLID, Pen.Width, ColorToRGB(Pen.Color)));
  HGDIOBJ b = SelectObject(dc, brush ? HGDIOBJ(brush.Get()) : GetStockObject(NULL_BRUSH));
  HGDIOBJ p = SelectObject(dc, pen.Get());
  if (!FOldBrush) FOldBrush = b;
  if (!FOldPen) FOldPen = p;
  // The previous tools are out of the context now.
  FBrushHandle = std::move(brush);
  FPenHandle = std::move(pen);
  if (forText) {
    HGDIOBJ f = SelectObject(dc, FFont.Handle());
    if (!FOldFont) FOldFont = f;
    SetTextColor(dc, ColorToRGB(FFont.Color()));
    if (Brush.Style == bsClear) {
      SetBkMode(dc, TRANSPARENT);
    } else {
      SetBkMode(dc, OPAQUE);
      SetBkColor(dc, ColorToRGB(Brush.Color));
    }
  }
}

void TCanvas::FillRect(const RECT& r) {
  SelectTools(false);
  if (Brush.Style != bsClear) ::FillRect(Handle(), &r, FBrushHandle.Get());
}

void TCanvas::FrameRect(const RECT& r) {
  SelectTools(false);
  TBrushHandle b(CreateSolidBrush(ColorToRGB(Brush.Color)));
  ::FrameRect(Handle(), &r, b.Get());
}

void TCanvas::MoveTo(int x, int y) { MoveToEx(Handle(), x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
  SelectTools(false);
  ::LineTo(Handle(), x, y);
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  SelectTools(true);
  ::TextOutA(Handle(), x, y, text.data(), int(text.size()));
}

int TCanvas::TextWidth(const std::string& text) {
  SelectTools(true);
  SIZE s{};
  GetTextExtentPoint32A(Handle(), text.data(), int(text.size()), &s);
  return s.cx;
}

int TCanvas::TextHeight(const std::string& text) {
  SelectTools(true);
  SIZE s{};
  GetTextExtentPoint32A(Handle(), text.data(), int(text.size()), &s);
  return s.cy;
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
  if (graphic.Empty()) return;
  graphic.Draw(*this, RECT{x, y, x + graphic.Width(), y + graphic.Height()});
}

void TCanvas::StretchDraw(const RECT& r, TGraphic& graphic) {
  if (!graphic.Empty()) graphic.Draw(*this, r);
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& source, const RECT& src) {
  SetStretchBltMode(Handle(), COLORONCOLOR);
  StretchBlt(Handle(), dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source.Handle(), src.left,
             src.top, src.right - src.left, src.bottom - src.top, CopyMode);
}

TColor TCanvas::Pixels(int x, int y) { return TColor(GetPixel(Handle(), x, y)); }

void TCanvas::SetPixel(int x, int y, TColor color) { ::SetPixel(Handle(), x, y, ColorToRGB(color)); }

}  // namespace ui

namespace ui {

void TGraphic::LoadFromFile(const std::string&) { throw EInvalidGraphic(Format("%s cannot read files", ClassName())); }

void TGraphic::LoadFromClipboardFormat(UINT, HANDLE) { throw EInvalidGraphic("Unsupported clipboard format"); }

HANDLE TGraphic::SaveToClipboardFormat(UINT) { throw EInvalidGraphic("Unsupported clipboard format"); }

void TGraphic::LoadFromStream(TMemoryStream&) { throw EInvalidGraphic(Format("%s cannot read streams", ClassName())); }

void TGraphic::SaveToStream(TMemoryStream&) { throw EInvalidGraphic(Format("%s cannot write streams", ClassName())); }

}  // namespace ui
