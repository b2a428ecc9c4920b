#include "graphic_controls.h"

#include <cctype>

namespace ui {

UI_CLASSINFO(TLabel, UI_PROP_ENUM("Alignment", Alignment, SetAlignment, "taLeftJustify", "taRightJustify", "taCenter"),
             UI_PROP_ENUM("Layout", Layout, SetLayout, "tlTop", "tlCenter", "tlBottom"),
             UI_PROP_BOOL("AutoSize", AutoSize, SetAutoSize), UI_PROP_BOOL("WordWrap", WordWrap, SetWordWrap),
             UI_PROP_BOOL("Transparent", Transparent, SetTransparent),
             UI_PROP_BOOL("ShowAccelChar", ShowAccelChar, SetShowAccelChar),
             UI_PROP_CLASS("FocusControl", FocusControl, SetFocusControl, TWinControl))
UI_CLASSINFO(TBevel,
             UI_PROP_ENUM("Shape", Shape, SetShape, "bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine",
                          "bsRightLine", "bsSpacer"),
             UI_PROP_ENUM("Style", Style, SetStyle, "bsLowered", "bsRaised"))
UI_CLASSINFO(TShape, UI_PROP_ENUM("Shape", Shape, SetShape, "stRectangle", "stSquare", "stRoundRect",
                                  "stRoundSquare", "stEllipse", "stCircle"),
             UI_PROP(Integer, "BrushColor", BrushColor, SetBrushColor))
UI_CLASSINFO(TImage, UI_PROP_CLASS("Picture", Picture, SetPicture, TPicture),
             UI_PROP_BOOL("AutoSize", AutoSize, SetAutoSize), UI_PROP_BOOL("Center", Center, SetCenter),
             UI_PROP_BOOL("Stretch", Stretch, SetStretch))

// ---- TLabel ----

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  FWidth = 65;
  FHeight = 17;
}

void TLabel::SetCaption(const std::string& caption) {
  TGraphicControl::SetCaption(caption);
  AdjustBounds();
}

void TLabel::SetAlignment(TAlignment v) {
  if (v != FAlignment) FAlignment = v, Invalidate();
}

void TLabel::SetLayout(TTextLayout v) {
  if (v != FLayout) FLayout = v, Invalidate();
}

void TLabel::SetAutoSize(bool v) {
  FAutoSize = v;
  AdjustBounds();
}

void TLabel::SetWordWrap(bool v) {
  if (v == FWordWrap) return;
  FWordWrap = v;
  AdjustBounds();
  Invalidate();
}

void TLabel::SetTransparent(bool v) {
  if (v != FTransparent) FTransparent = v, Invalidate();
}

void TLabel::SetShowAccelChar(bool v) {
  if (v == FShowAccelChar) return;
  FShowAccelChar = v;
  AdjustBounds();
  Invalidate();
}

void TLabel::SetFocusControl(TWinControl* control) {
  if (control == FFocusControl) return;
  if (FFocusControl) RemoveFreeNotification(FFocusControl);
  FFocusControl = control;
  if (control) FreeNotification(control);
}

void TLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TLabel::FontChanged() {
  AdjustBounds();
  TGraphicControl::FontChanged();
}

UINT TLabel::TextFlags() const {
  UINT flags = FWordWrap ? DT_WORDBREAK : DT_SINGLELINE;
  if (!FShowAccelChar) flags |= DT_NOPREFIX;
  if (FAlignment == taRightJustify) flags |= DT_RIGHT;
  else if (FAlignment == taCenter) flags |= DT_CENTER;
  return flags;
}

void TLabel::AdjustBounds() {
  if (!FAutoSize || IsLoading()) return;
  TWindowDC screen;
  TSelectObject font(screen, Font()->Handle());
  std::string text = FCaption.empty() ? " " : FCaption;
  RECT r{0, 0, FWordWrap ? FWidth : 0, 0};
  DrawTextA(screen, text.c_str(), int(text.size()), &r, TextFlags() | DT_CALCRECT);
  int left = FLeft;
  if (FAlignment == taRightJustify) left = FLeft + FWidth - r.right;
  else if (FAlignment == taCenter) left = FLeft + (FWidth - r.right) / 2;
  SetBounds(left, FTop, r.right, r.bottom);
}

void TLabel::Paint(TCanvas& canvas) {
  HDC dc = canvas.Handle();
  RECT r = ClientRect();
  if (!FTransparent) {
    TBrushHandle brush(CreateSolidBrush(ColorToRGB(FColor)));
    FillRect(dc, &r, brush.Get());
  }
  TSelectObject font(dc, Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  UINT flags = TextFlags();
  if (FLayout != tlTop) {
    RECT calc = r;
    DrawTextA(dc, FCaption.c_str(), int(FCaption.size()), &calc, flags | DT_CALCRECT);
    int shift = (r.bottom - r.top) - (calc.bottom - calc.top);
    r.top += FLayout == tlCenter ? shift / 2 : shift;
  }
  if (!FEnabled) {
    // Engraved, as disabled text is.
    RECT lower = r;
    OffsetRect(&lower, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextA(dc, FCaption.c_str(), int(FCaption.size()), &lower, flags);
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
  } else {
    SetTextColor(dc, ColorToRGB(Font()->Color()));
  }
  DrawTextA(dc, FCaption.c_str(), int(FCaption.size()), &r, flags);
}

bool TLabel::DialogChar(char key) {
  if (!FShowAccelChar || !FFocusControl || !FFocusControl->CanFocus()) return false;
  char mnemonic = MnemonicOf(FCaption);
  if (!mnemonic || mnemonic != char(std::toupper(static_cast<unsigned char>(key)))) return false;
  FFocusControl->SetFocus();
  return true;
}

// ---- TBevel ----

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
  FWidth = 50;
  FHeight = 50;
}

void TBevel::SetShape(TBevelShape v) {
  if (v != FShape) FShape = v, Invalidate();
}

void TBevel::SetStyle(TBevelStyle v) {
  if (v != FStyle) FStyle = v, Invalidate();
}

void TBevel::Paint(TCanvas& canvas) {
  RECT r = ClientRect();
  UINT edge = FStyle == bsLowered ? EDGE_ETCHED : EDGE_BUMP;
  switch (FShape) {
    case bsBox: DrawEdge(canvas.Handle(), &r, FStyle == bsLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT); break;
    case bsFrame: DrawEdge(canvas.Handle(), &r, edge, BF_RECT); break;
    case bsTopLine: DrawEdge(canvas.Handle(), &r, edge, BF_TOP); break;
    case bsBottomLine: DrawEdge(canvas.Handle(), &r, edge, BF_BOTTOM); break;
    case bsLeftLine: DrawEdge(canvas.Handle(), &r, edge, BF_LEFT); break;
    case bsRightLine: DrawEdge(canvas.Handle(), &r, edge, BF_RIGHT); break;
    case bsSpacer: break;
  }
}

// ---- TShape ----

TShape::TShape(TComponent* owner) : TGraphicControl(owner) {
  FWidth = 65;
  FHeight = 65;
}

void TShape::SetShape(TShapeType v) {
  if (v != FShape) FShape = v, Invalidate();
}

void TShape::SetBrush(const TBrush& brush) {
  FBrush = brush;
  Invalidate();
}

void TShape::SetPen(const TPen& pen) {
  FPen = pen;
  Invalidate();
}

void TShape::SetBrushColor(TColor color) {
  FBrush.Color = color;
  Invalidate();
}

void TShape::Paint(TCanvas& canvas) {
  HDC dc = canvas.Handle();
  TBrushHandle brush(FBrush.Style == bsClear ? nullptr : CreateSolidBrush(ColorToRGB(FBrush.Color)));
  TPenHandle pen(CreatePen(PS_SOLID, FPen.Width, ColorToRGB(FPen.Color)));
  TSelectObject selectedBrush(dc, brush ? HGDIOBJ(brush.Get()) : GetStockObject(NULL_BRUSH));
  TSelectObject selectedPen(dc, pen.Get());
  int x = FPen.Width / 2, y = FPen.Width / 2;
  int w = FWidth - FPen.Width + 1, h = FHeight - FPen.Width + 1;
  if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
    int side = w < h ? w : h;
    x += (w - side) / 2;
    y += (h - side) / 2;
    w = h = side;
  }
  switch (FShape) {
    case stRectangle:
    case stSquare: Rectangle(dc, x, y, x + w, y + h); break;
    case stRoundRect:
    case stRoundSquare: RoundRect(dc, x, y, x + w, y + h, (w < h ? w : h) / 4, (w < h ? w : h) / 4); break;
    case stEllipse:
    case stCircle: Ellipse(dc, x, y, x + w, y + h); break;
  }
}

// ---- TImage ----

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  FWidth = 105;
  FHeight = 105;
  FPicture.OnChange = [this] { PictureChanged(); };
}

void TImage::PictureChanged() {
  if (FAutoSize && FPicture.Width() > 0 && FPicture.Height() > 0)
    SetBounds(FLeft, FTop, FPicture.Width(), FPicture.Height());
  Invalidate();
}

void TImage::SetAutoSize(bool v) {
  FAutoSize = v;
  PictureChanged();
}

void TImage::SetCenter(bool v) {
  if (v != FCenter) FCenter = v, Invalidate();
}

void TImage::SetStretch(bool v) {
  if (v != FStretch) FStretch = v, Invalidate();
}

void TImage::Paint(TCanvas& canvas) {
  TGraphic* g = FPicture.Graphic();
  if (!g || g->Empty()) return;
  RECT r{0, 0, g->Width(), g->Height()};
  if (FStretch) {
    r = ClientRect();
  } else if (FCenter) {
    OffsetRect(&r, (FWidth - g->Width()) / 2, (FHeight - g->Height()) / 2);
  }
  g->Draw(canvas, r);
}

}  // namespace ui
