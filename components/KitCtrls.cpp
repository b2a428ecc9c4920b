#include "KitCtrls.h"

#include <windowsx.h>

#include "KitWinUtils.h"
#include "action.h"
#include "application.h"
#include "form.h"
#include "gdi.h"
#include "image_list.h"

using namespace ui;

UI_CLASSINFO(TKitSpeedButton, UI_PROP(Integer, "GroupIndex", GroupIndex, SetGroupIndex),
             UI_PROP_ENUM("Style", Style, SetStyle, "bsAutoDetect", "bsWin31", "bsNew"),
             UI_PROP_BOOL("Down", Down, SetDown), UI_PROP_BOOL("Flat", Flat, SetFlat),
             UI_PROP_BOOL("AllowAllUp", AllowAllUp, SetAllowAllUp),
             UI_PROP_ENUM("Layout", Layout, SetLayout, "blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"),
             UI_PROP(Integer, "Spacing", Spacing, SetSpacing), UI_PROP(Integer, "Margin", Margin, SetMargin),
             UI_PROP(Integer, "ModalResult", ModalResult, SetModalResult),
             UI_PROP_BOOL("Transparent", Transparent, SetTransparent),
             UI_PROP_BOOL("MarkDropDown", MarkDropDown, SetMarkDropDown),
             UI_PROP_CLASS("DropDownMenu", DropDownMenu, SetDropDownMenu, TPopupMenu),
             UI_PROP_ENUM("MenuPosition", MenuPosition, SetMenuPosition, "dmpBottom", "dmpRight"),
             UI_PROP_BOOL("GrayedInactive", GrayedInactive, SetGrayedInactive),
             UI_PROP_BOOL("AllowTimer", AllowTimer, SetAllowTimer),
             UI_PROP(Integer, "InitPause", InitPause, SetInitPause),
             UI_PROP(Integer, "RepeatInterval", RepeatInterval, SetRepeatInterval),
             UI_PROP_ENUM("Alignment", Alignment, SetAlignment, "taLeftJustify", "taRightJustify", "taCenter"),
             UI_PROP_BOOL("WordWrap", WordWrap, SetWordWrap), UI_PROP_CLASS("Glyph", Glyph, SetGlyph, TBitmap),
             UI_PROP(Integer, "NumGlyphs", NumGlyphs, SetNumGlyphs))

namespace {

int& LiveButtons() {
  static int count = 0;
  return count;
}

bool Inside(const TControl& c, int x, int y) { return x >= 0 && y >= 0 && x < c.Width() && y < c.Height(); }

bool Pressed(TKitButtonState state) { return state == rbsDown || state == rbsExclusive; }

}  // namespace

int TKitSpeedButton::ButtonCount() { return LiveButtons(); }

TKitSpeedButton::TKitSpeedButton(TComponent* owner) : TGraphicControl(owner), FGlyph(new TKitButtonGlyph) {
  FWidth = 25;
  FHeight = 25;
  FClickEvents = false;  // the button clicks from its own release
  SetShowHint(true);
  FGlyph->OnChange = [this] { Invalidate(); };
  ++LiveButtons();
}

TKitSpeedButton::~TKitSpeedButton() { --LiveButtons(); }

void TKitSpeedButton::Destroying() {
  if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
  FGlyph->OnChange = nullptr;
  TGraphicControl::Destroying();
}

void TKitSpeedButton::Loaded() {
  TGraphicControl::Loaded();
  TKitButtonState state = !Enabled() ? rbsDisabled : FFlat ? rbsInactive : rbsUp;
  FGlyph->GlyphIndex(state);
}

void TKitSpeedButton::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == FDropDownMenu) {
    FDropDownMenu = nullptr;
    Invalidate();
  }
}

// ---- properties ----

void TKitSpeedButton::SetGroupIndex(int v) {
  if (v == FGroupIndex) return;
  FGroupIndex = v;
  UpdateExclusive();
}

void TKitSpeedButton::SetAllowAllUp(bool v) {
  if (v == FAllowAllUp) return;
  FAllowAllUp = v;
  UpdateExclusive();
}

void TKitSpeedButton::SetDown(bool v) {
  if (FGroupIndex == 0) v = false;
  if (v == FDown) return;
  if (FDown && !FAllowAllUp) return;
  FDown = v;
  FState = v ? rbsExclusive : rbsUp;
  Invalidate();
  if (v) UpdateExclusive();
}

void TKitSpeedButton::SetStyle(TButtonStyle v) { ChangeLook(FStyle, v); }

void TKitSpeedButton::SetFlat(bool v) { ChangeLook(FFlat, v); }

void TKitSpeedButton::SetLayout(TButtonLayout v) { ChangeLook(FLayout, v); }

void TKitSpeedButton::SetSpacing(int v) { ChangeLook(FSpacing, v); }

void TKitSpeedButton::SetMargin(int v) {
  if (v >= -1) ChangeLook(FMargin, v);
}

void TKitSpeedButton::SetTransparent(bool v) { ChangeLook(FTransparent, v); }

void TKitSpeedButton::SetMarkDropDown(bool v) { ChangeLook(FMarkDropDown, v); }

void TKitSpeedButton::SetGrayedInactive(bool v) { ChangeLook(FGrayedInactive, v); }

void TKitSpeedButton::SetAllowTimer(bool v) {
  FAllowTimer = v;
  if (!v && FRepeatTimer) FRepeatTimer->SetEnabled(false);
}

void TKitSpeedButton::SetDropDownMenu(TPopupMenu* menu) {
  if (menu == FDropDownMenu) return;
  if (FDropDownMenu) RemoveFreeNotification(FDropDownMenu);
  FDropDownMenu = menu;
  if (menu) FreeNotification(menu);
  if (FMarkDropDown) Invalidate();
}

void TKitSpeedButton::SetEnabled(bool enabled) {
  bool changed = enabled != Enabled();
  TGraphicControl::SetEnabled(enabled);
  if (!changed) return;
  if (!enabled) EndPress();
  UpdateTracking();
}

void TKitSpeedButton::SetVisible(bool visible) {
  bool changed = visible != Visible();
  TGraphicControl::SetVisible(visible);
  if (!changed) return;
  if (!visible) EndPress();
  else UpdateTracking();
}

// ---- groups ----

void TKitSpeedButton::UpdateExclusive() {
  if (!Parent()) return;
  for (int i = 0; i < Parent()->ControlCount(); ++i)
    if (auto* sibling = dynamic_cast<TKitSpeedButton*>(Parent()->Controls(i))) sibling->ButtonPressed(FGroupIndex, this);
}

void TKitSpeedButton::ButtonPressed(int group, TKitSpeedButton* sender) {
  if (sender == this || group == 0 || group != FGroupIndex) return;
  // The notice also comes when the sender's group or AllowAllUp changed: only a down sender raises us.
  if (sender->Down() && FDown) {
    FDown = false;
    FState = rbsUp;
    Invalidate();
  }
  FAllowAllUp = sender->AllowAllUp();
}

// ---- mouse ----

void TKitSpeedButton::MouseDown(TMouseButton button, TSet32 shift, int x, int y) { PressMouse(button, shift, x, y); }

void TKitSpeedButton::PressMouse(TMouseButton button, TSet32 shift, int x, int y) {
  if (FMenuTracking) return;
  TGraphicControl::MouseDown(button, shift, x, y);
  // A press counts as the pointer coming in (with its notice, so enters and leaves stay paired).
  if (Enabled() && !FHovered) SetHovered(true);
  if (button == mbRight) UpdateTracking();
  if (button != mbLeft || !Enabled()) return;
  if (!FDown) {
    FState = rbsDown;
    Invalidate();
  }
  FDragging = true;
  FMenuTracking = true;
  try {
    if (CheckMenuDropDown(MenuPoint(), false)) {
      MouseUp(mbLeft, shift, x, y);
      // The press that closed the menu over the button must not press it again.
      MSG next;
      HWND parent = Parent() && Parent()->HandleAllocated() ? Parent()->Handle() : nullptr;
      if (parent && PeekMessageA(&next, parent, WM_MOUSEFIRST, WM_MBUTTONDBLCLK, PM_NOREMOVE) &&
          (next.message == WM_LBUTTONDOWN || next.message == WM_LBUTTONDBLCLK)) {
        POINT p{GET_X_LPARAM(next.lParam), GET_Y_LPARAM(next.lParam)};
        RECT bounds = BoundsRect();
        if (PtInRect(&bounds, p)) PeekMessageA(&next, parent, next.message, next.message, PM_REMOVE);
      }
    }
  } catch (...) {
    FMenuTracking = false;
    throw;
  }
  FMenuTracking = false;
  if (FAllowTimer && FDragging) {
    if (!FRepeatTimer) {
      FRepeatTimer = new TTimer(this);
      FRepeatTimer->OnTimer = [this](TObject*) { TimerExpired(); };
    }
    FRepeatTimer->SetEnabled(false);
    FRepeatTimer->SetInterval(FInitPause);
    FRepeatTimer->SetEnabled(true);
  }
}

void TKitSpeedButton::MouseMove(TSet32 shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!FDragging) return;
  TKitButtonState state = FDown ? rbsExclusive : Inside(*this, x, y) ? rbsDown : rbsUp;
  if (state == FState) return;
  FState = state;
  Invalidate();
}

void TKitSpeedButton::MouseUp(TMouseButton button, TSet32 shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (FDragging && button == mbLeft) {
    FDragging = false;
    bool click = Inside(*this, x, y);
    if (FGroupIndex == 0) {
      FState = rbsUp;
      Invalidate();
    } else if (click) {
      SetDown(!FDown);
      if (FDown) Invalidate();
    } else {
      if (FDown) FState = rbsExclusive;
      Invalidate();
    }
    if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
    if (click && !FMenuTracking) ClickWithModalResult();
    UpdateTracking();
  }
  if (button != mbLeft) UpdateTracking();
  if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
}

void TKitSpeedButton::DblClick() {
  if (FDown) TGraphicControl::DblClick();
}

void TKitSpeedButton::EndPress() {
  if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
  if (!FDragging) return;
  FDragging = false;
  if (FState == rbsDown) FState = FDown ? rbsExclusive : rbsUp;
  if (MouseCapture()) SetMouseCapture(false);
  Invalidate();
}

void TKitSpeedButton::TimerExpired() {
  FRepeatTimer->SetInterval(FRepeatInterval);
  // A click that runs the message loop (a box) must not be entered again by the next tick.
  if (FClicking) return;
  if (!FDragging || !MouseCapture()) {
    EndPress();
    return;
  }
  if (FState != rbsDown) return;
  try {
    ClickWithModalResult();
  } catch (...) {
    if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
    throw;
  }
}

void TKitSpeedButton::ClickWithModalResult() {
  if (TForm* form = ParentForm()) form->SetModalResult(FModalResult);
  FClicking = true;
  try {
    TGraphicControl::Click();
  } catch (...) {
    FClicking = false;
    throw;
  }
  FClicking = false;
}

// ---- menu ----

POINT TKitSpeedButton::MenuPoint() const {
  if (!FDropDownMenu) return POINT{0, 0};
  TPopupAlignment align = FDropDownMenu->Alignment();
  if (FMenuPosition == dmpBottom) {
    if (align == paLeft) return POINT{-1, Height()};
    if (align == paRight) return POINT{Width() + 1, Height()};
    return POINT{Width() / 2, Height()};
  }
  if (align == paLeft) return POINT{Width(), -1};
  if (align == paRight) return POINT{-1, -1};
  return POINT{Width() / 2, Height()};
}

bool TKitSpeedButton::CheckMenuDropDown(POINT clientPoint, bool manual) {
  if (IsDesigning() || !FDropDownMenu || !(FDropDownMenu->AutoPopup() || manual)) return false;
  if (TForm* form = ParentForm())
    if (form->HandleAllocated()) SendMessageA(form->Handle(), WM_CANCELMODE, 0, 0);
  FDropDownMenu->SetPopupComponent(this);
  POINT screen = ClientToScreen(clientPoint);
  FDropDownMenu->Popup(screen.x, screen.y);
  return true;
}

// ---- hover, keys, actions ----

bool TKitSpeedButton::CursorOverButton() const {
  TWinControl* parent = Parent();
  if (!parent || !parent->HandleAllocated() || !Showing()) return false;
  POINT p;
  if (!GetCursorPos(&p) || WindowFromPoint(p) != parent->Handle()) return false;
  ScreenToClient(parent->Handle(), &p);
  return parent->GraphicControlAt(p) == this;
}

void TKitSpeedButton::UpdateTracking() {
  bool hovered = Enabled() && CursorOverButton() && IsForegroundTask();
  if (hovered != FHovered) SetHovered(hovered);
}

void TKitSpeedButton::SetHovered(bool hovered) {
  FHovered = hovered;
  Application().SetHint(hovered ? GetLongHint(Hint()) : "");
  if (hovered && OnMouseEnter) OnMouseEnter(this);
  if (!hovered && OnMouseLeave) OnMouseLeave(this);
  if (FFlat) Invalidate();
}

void TKitSpeedButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_CAPTURECHANGED:
      // The parent lost the mouse while we held it: the press cannot end by a release.
      if (!FMenuTracking) EndPress();
      return;
    case CM_MOUSEENTER:
      if (!FHovered && Enabled() && IsForegroundTask()) SetHovered(true);
      return;
    case CM_MOUSELEAVE:
      if (FHovered && Enabled() && !FDragging) SetHovered(false);
      return;
    case WM_SYSCOLORCHANGE:
      FGlyph->Invalidate();
      Invalidate();
      return;
    default:
      break;
  }
  TGraphicControl::WndProc(m);
}

bool TKitSpeedButton::DialogChar(char key) {
  char mnemonic = MnemonicOf(Caption());
  char typed = char(reinterpret_cast<uintptr_t>(CharUpperA(reinterpret_cast<LPSTR>(uintptr_t(BYTE(key))))));
  if (!mnemonic || typed != mnemonic || !Enabled() || !Showing()) return false;
  Click();
  return true;
}

void TKitSpeedButton::ActionChange(TAction* sender) {
  TGraphicControl::ActionChange(sender);
  if (FGroupIndex > 0) SetDown(sender->Checked());
  TActionList* list = sender->ActionList();
  TImageList* images = list ? list->Images() : nullptr;
  int index = sender->ImageIndex();
  if (!Glyph()->Empty() || !images || index < 0 || index >= images->Count()) return;
  // The image over a colour no image uses, so its bottom-left pixel gives the transparent colour.
  TBitmap image;
  image.SetSize(images->Width(), images->Height());
  TCanvas& canvas = image.Canvas();
  canvas.Brush.Color = TColor(RGB(255, 0, 255));
  canvas.FillRect(RECT{0, 0, images->Width(), images->Height()});
  images->Draw(canvas, 0, 0, index);
  SetGlyph(&image);
}

// ---- paint ----

TKitButtonState TKitSpeedButton::SettleState() {
  if (!Enabled()) {
    FState = rbsDisabled;
    FDragging = false;
  } else if (FState == rbsDisabled) {
    FState = FDown && FGroupIndex != 0 ? rbsExclusive : rbsUp;
  }
  return FState;
}

TKitButtonState TKitSpeedButton::PaintedState() const {
  // Only a flat button's up look goes inactive: a down or disabled one keeps its look unhovered.
  return FFlat && !FHovered && FState == rbsUp && !IsDesigning() ? rbsInactive : FState;
}

void TKitSpeedButton::DrawFrame(HDC dc, RECT& r, TKitButtonState state) const {
  bool pressed = Pressed(state);
  if (FFlat) {
    if (pressed) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    else if (FHovered && state == rbsUp) DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    InflateRect(&r, -2, -2);
    return;
  }
  if (FStyle == bsWin31) {
    TBrushHandle black(CreateSolidBrush(RGB(0, 0, 0)));
    ::FrameRect(dc, &r, black.Get());
    InflateRect(&r, -1, -1);
    DrawEdge(dc, &r, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, pressed ? BF_TOPLEFT : BF_RECT);
    InflateRect(&r, -1, -1);
    return;
  }
  DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
}

void TKitSpeedButton::FillDither(HDC dc, const RECT& r) const {
  // Button face and button highlight in turn, pixel by pixel.
  TWindowDC screen(nullptr);
  TBitmapHandle pattern(CreateCompatibleBitmap(screen.Get(), 8, 8));
  {
    TMemoryDC work(screen.Get());
    TSelectObject select(work.Get(), pattern.Get());
    COLORREF face = ColorToRGB(clBtnFace), light = ColorToRGB(clBtnHighlight);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) ::SetPixel(work.Get(), x, y, (x + y) % 2 ? face : light);
  }
  TBrushHandle brush(CreatePatternBrush(pattern.Get()));
  SetBrushOrgEx(dc, 0, 0, nullptr);
  ::FillRect(dc, &r, brush.Get());
}

void TKitSpeedButton::Paint(TCanvas& canvas) {
  if (Width() < 1 || Height() < 1) return;
  SettleState();
  TKitButtonState painted = PaintedState();
  FDrawImage.SetSize(Width(), Height());
  TCanvas& image = FDrawImage.Canvas();
  HDC dc = image.Handle();
  RECT r{0, 0, Width(), Height()};
  image.Brush.Color = clBtnFace;
  image.Brush.Style = bsSolid;
  image.FillRect(r);
  if (FTransparent) CopyParentImage(this, image);
  DrawFrame(dc, r, painted);
  if (painted == rbsExclusive && !FTransparent && !(FFlat && FHovered)) FillDither(dc, r);
  image.Font().Assign(Font());
  PaintGlyphAndText(image, r, FMarkDropDown && FDropDownMenu, painted);
  BitBlt(canvas.Handle(), 0, 0, Width(), Height(), dc, 0, 0, SRCCOPY);
}

void TKitSpeedButton::PaintGlyphAndText(TCanvas& canvas, const RECT& rect, bool drawMark, TKitButtonState state) {
  POINT offset = Pressed(state) ? POINT{1, 1} : POINT{0, 0};
  TKitButtonState glyphState = FGrayedInactive && FState != rbsDisabled ? state : FState;
  FGlyph->Draw(canvas, rect, offset, Caption(), FLayout, FMargin, FSpacing, drawMark, glyphState, FState);
}
