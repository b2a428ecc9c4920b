#include "KitToolEdit.h"

#include <algorithm>

#include "clipboard.h"
#include "form.h"
#include "gdi.h"

using namespace ui;

UI_CLASSINFO(TEditButton)
UI_CLASSINFO(TCustomComboEdit)
UI_CLASSINFO(TComboEdit,
             UI_PROP_ENUM("Alignment", Alignment, SetAlignment, "taLeftJustify", "taRightJustify", "taCenter"),
             UI_PROP(String, "ButtonHint", ButtonHint, SetButtonHint),
             UI_PROP(Integer, "ButtonWidth", ButtonWidth, SetButtonWidth),
             UI_PROP(Integer, "ClickKey", ClickKey, SetClickKey),
             UI_PROP_BOOL("DirectInput", DirectInput, SetDirectInput),
             UI_PROP_CLASS("Glyph", Glyph, SetGlyph, TBitmap),
             UI_PROP_ENUM("GlyphKind", GlyphKind, SetGlyphKind, "gkCustom", "gkDefault", "gkDropDown", "gkEllipsis"),
             UI_PROP(Integer, "NumGlyphs", NumGlyphs, SetNumGlyphs), UI_PROP_BOOL("ReadOnly", ReadOnly, SetReadOnly),
             UI_PROP(String, "EditMask", EditMask, SetEditMask), UI_PROP_BOOL("AutoSelect", AutoSelect, SetAutoSelect))

namespace {

constexpr int kDefaultButtonWidth = 21;
constexpr int kComboArrowBitmap = 32738;  // the system's combo-box arrow (OBM_COMBO)

int TextHeightOf(HFONT font) {
  TWindowDC screen(nullptr);
  TSelectObject select(screen.Get(), font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen.Get(), &metrics);
  return metrics.tmHeight;
}

// A folder is one line: line breaks and tabs never get into the text.
std::string OneLine(const std::string& text) {
  std::string line;
  std::copy_if(text.begin(), text.end(), std::back_inserter(line),
               [](char c) { return c != '\r' && c != '\n' && c != '\t'; });
  return line;
}

}  // namespace

void MakeEllipsisGlyph(TBitmap& glyph, int buttonWidth) {
  int width = std::max(1, buttonWidth - 6);
  glyph.SetSize(0, 0);
  glyph.SetPixelFormat(pf1bit);
  glyph.SetSize(width, 4);
  TCanvas& canvas = glyph.Canvas();
  canvas.Brush.Color = clWhite;
  canvas.Brush.Style = bsSolid;
  canvas.FillRect(RECT{0, 0, width, 4});
  int gap = std::clamp((width - 6) / 2, 1, 3);
  int first = (width - 6 - 2 * gap) / 2;
  for (int dot : {first, first + gap + 2, first + 2 * gap + 4}) {
    // Narrow buttons: what would fall outside the bitmap is left out.
    RECT r{std::max(dot, 0), 1, std::min(dot + 2, width), 3};
    if (r.left < r.right) {
      canvas.Brush.Color = clBlack;
      canvas.FillRect(r);
    }
  }
}

// ---- TEditButton ----

TEditButton::TEditButton(TComponent* owner) : TKitSpeedButton(owner) { SetParentShowHint(true); }

TCustomComboEdit* TEditButton::Edit() const {
  return Parent() ? dynamic_cast<TCustomComboEdit*>(Parent()->Parent()) : nullptr;
}

void TEditButton::Paint(TCanvas& canvas) {
  TKitSpeedButton::Paint(canvas);
  if (Width() < 1 || Height() < 1 || State() == rbsDown || State() == rbsExclusive) return;
  HDC dc = canvas.Handle();
  TPenHandle edge(CreatePen(PS_SOLID, 1, ColorToRGB(clBtnFace)));
  TPenHandle light(CreatePen(PS_SOLID, 1, ColorToRGB(clBtnHighlight)));
  {
    TSelectObject pen(dc, edge.Get());
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 0, Height() - 1);
  }
  TSelectObject pen(dc, light.Get());
  MoveToEx(dc, 1, 1, nullptr);
  LineTo(dc, 1, Height() - 2);
}

void TEditButton::PressMouse(TMouseButton button, TSet32 shift, int x, int y) {
  TCustomComboEdit* edit = Edit();
  if (button == mbLeft && edit) {
    if (edit->PopupVisible()) {
      FNoAction = true;
      edit->HidePopup();
    } else if (edit->TabStop() && edit->CanFocus() && !edit->Focused()) {
      edit->SetFocus();
    }
  }
  TKitSpeedButton::PressMouse(button, shift, x, y);
}

void TEditButton::ClickWithModalResult() {
  if (FNoAction) {
    FNoAction = false;
    return;
  }
  TKitSpeedButton::ClickWithModalResult();
}

// ---- TCustomComboEdit ----

TCustomComboEdit::TCustomComboEdit(TComponent* owner) : TEdit(owner) {
  FBtnControl = new TWinControl(this);
  FBtnControl->SetBounds(0, 0, kDefaultButtonWidth, 17);
  FBtnControl->SetParent(this);
  FButton = new TEditButton(this);
  FButton->SetBounds(0, 0, kDefaultButtonWidth, 17);
  FButton->SetParent(FBtnControl);
  FButton->OnClick = [this](TObject*) { ButtonClick(); };
  FHeight = 21;
}

void TCustomComboEdit::Destroying() {
  FButton->OnClick = nullptr;
  TEdit::Destroying();
}

void TCustomComboEdit::CreateParams(TCreateParams& p) {
  TEdit::CreateParams(p);
  // Multi-line, so the edit rectangle keeps the text clear of the button.
  p.Style |= ES_MULTILINE | WS_CLIPCHILDREN;
  if (FAlignment == taRightJustify) p.Style |= ES_RIGHT;
  if (FAlignment == taCenter) p.Style |= ES_CENTER;
}

void TCustomComboEdit::CreateWnd() {
  FCreating = true;
  try {
    TEdit::CreateWnd();
  } catch (...) {
    FCreating = false;
    throw;
  }
  FCreating = false;
  UpdateButtonBounds();
}

void TCustomComboEdit::FontChanged() {
  TEdit::FontChanged();
  SetEditRect();
}

int TCustomComboEdit::MinHeight() {
  int text = std::min(TextHeightOf(static_cast<HFONT>(GetStockObject(SYSTEM_FONT))), TextHeightOf(Font()->Handle()));
  return text + GetSystemMetrics(SM_CYBORDER) * 4 + 1;
}

void TCustomComboEdit::SetBounds(int left, int top, int width, int height) {
  if (!IsLoading()) height = std::max(height, MinHeight());
  TEdit::SetBounds(left, top, width, height);
  UpdateButtonBounds();
}

void TCustomComboEdit::UpdateButtonBounds() {
  // The edit is sunken (a 3-D single border): the button fills the right of its client area.
  int b = ButtonWidth();
  int height = std::max(Height() - 4, 0);
  FBtnControl->SetBounds(Width() - b - 4, 0, b, height);
  FButton->SetBounds(0, 0, b, height);
  SetEditRect();
}

void TCustomComboEdit::SetEditRect() {
  if (!HandleAllocated()) return;
  RECT client = ClientRect();
  RECT r{0, 0, std::max(client.right - FBtnControl->Width() - 2, 0L), client.bottom + 1};
  SendMessageA(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

int TCustomComboEdit::ButtonWidth() const { return FButton->Width(); }

void TCustomComboEdit::SetButtonWidth(int v) {
  // A negative width is no button at all.
  v = std::max(v, 0);
  if (v == ButtonWidth()) return;
  FBtnControl->SetVisible(v > 1);
  if (!FCreating && v >= ClientRect().right) return;
  FBtnControl->SetWidth(v);
  FButton->SetWidth(v);
  UpdateButtonBounds();
  RecreateGlyph();
}

std::string TCustomComboEdit::ButtonHint() const { return FButton->Hint(); }

void TCustomComboEdit::SetButtonHint(const std::string& v) { FButton->SetHint(v); }

TBitmap* TCustomComboEdit::Glyph() const { return FButton->Glyph(); }

void TCustomComboEdit::SetGlyph(TBitmap* glyph) {
  FButton->SetGlyph(glyph);
  FGlyphKind = gkCustom;
}

TKitNumGlyphs TCustomComboEdit::NumGlyphs() const { return FButton->NumGlyphs(); }

void TCustomComboEdit::SetNumGlyphs(TKitNumGlyphs v) {
  if (FGlyphKind == gkDropDown || FGlyphKind == gkEllipsis) v = 1;
  else if (FGlyphKind == gkDefault) v = FDefNumGlyphs;
  FButton->SetNumGlyphs(v);
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind v) {
  if (v == FGlyphKind) return;
  FGlyphKind = v;
  if (v == gkCustom && IsLoading()) FButton->SetGlyph(nullptr);
  RecreateGlyph();
  TBitmap* glyph = FButton->Glyph();
  if (v == gkDefault && !glyph->Empty())
    SetButtonWidth(std::max(glyph->Width() / FButton->NumGlyphs() + 6, ButtonWidth()));
  else if (v == gkDropDown)
    SetButtonWidth(GetSystemMetrics(SM_CXVSCROLL));
}

void TCustomComboEdit::RecreateGlyph() {
  TBitmap glyph;
  switch (FGlyphKind) {
    case gkCustom:
      return;
    case gkDefault:
      if (TBitmap* own = GetDefaultGlyph()) glyph.Assign(own);
      FButton->SetGlyph(&glyph);
      FButton->SetNumGlyphs(FDefNumGlyphs);
      return;
    case gkDropDown:
      if (HBITMAP arrow = LoadBitmapA(nullptr, MAKEINTRESOURCEA(kComboArrowBitmap))) glyph.SetHandle(arrow);
      break;
    case gkEllipsis:
      MakeEllipsisGlyph(glyph, ButtonWidth());
      break;
  }
  FButton->SetGlyph(&glyph);
  FButton->SetNumGlyphs(1);
}

bool TCustomComboEdit::IsButtonWidthStored() const {
  int natural = kDefaultButtonWidth;
  TBitmap* glyph = FButton->Glyph();
  if (FGlyphKind == gkDefault && !glyph->Empty())
    natural = std::max(glyph->Width() / FButton->NumGlyphs() + 6, kDefaultButtonWidth);
  else if (FGlyphKind == gkDropDown)
    natural = GetSystemMetrics(SM_CXVSCROLL);
  return ButtonWidth() != natural;
}

void TCustomComboEdit::UpdateEditReadOnly() { TEdit::SetReadOnly(FReadOnly || !FDirectInput); }

void TCustomComboEdit::SetReadOnly(bool v) {
  if (v == FReadOnly) return;
  FReadOnly = v;
  UpdateEditReadOnly();
}

void TCustomComboEdit::SetDirectInput(bool v) {
  FDirectInput = v;
  UpdateEditReadOnly();
}

void TCustomComboEdit::SetAlignment(TAlignment v) {
  if (v == FAlignment) return;
  FAlignment = v;
  RecreateWnd();
}

void TCustomComboEdit::SetEnabled(bool enabled) {
  TEdit::SetEnabled(enabled);
  FButton->SetEnabled(enabled);
}

void TCustomComboEdit::ButtonClick() {
  if (ReadOnly() && !FAlwaysEnableButton) return;
  if (OnButtonClick) OnButtonClick(this);
  if (FPopupVisible) PopupCloseUp(true);
}

void TCustomComboEdit::AcceptValue(const std::string& value) {
  if (Text() == value) return;
  SetText(value);
  if (HandleAllocated()) SendMessageA(Handle(), EM_SETMODIFY, TRUE, 0);
}

void TCustomComboEdit::PopupCloseUp(bool accept) {
  if (!FPopupVisible) return;
  std::string value = GetPopupValue();
  HidePopup();
  FPopupVisible = false;
  if (CanFocus()) SetFocus();
  if (accept && AcceptPopup(value)) AcceptValue(FormatValue(value));
}

void TCustomComboEdit::KeyDown(WORD& key, TSet32 shift) {
  TEdit::KeyDown(key, shift);
  if (key == 0 || ShortCut(key, shift) != FClickKey || ButtonWidth() <= 0) return;
  ButtonClick();
  key = 0;
}

void TCustomComboEdit::KeyPress(char& key) {
  if (key == VK_RETURN || key == VK_ESCAPE) {
    if (FPopupVisible) {
      PopupCloseUp(key == VK_RETURN);
      key = 0;
      return;
    }
    // The form's default or cancel button; the system edit never sees the key (it would add a line, or close
    // the dialog a second time).
    WORD id = key == VK_RETURN ? IDOK : IDCANCEL;
    if (TForm* form = ParentForm())
      if (form->HandleAllocated()) SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    TEdit::KeyPress(key);
    key = 0;
    return;
  }
  if (key == '\n' || key == '\t') {
    key = 0;
    return;
  }
  TEdit::KeyPress(key);
}

void TCustomComboEdit::CtlColor(TMessage& m) {
  TEdit::CtlColor(m);
  COLORREF gray = GetSysColor(COLOR_GRAYTEXT);
  if (!Enabled() && gray != ColorToRGB(Color())) SetTextColor(reinterpret_cast<HDC>(m.WParam), gray);
}

void TCustomComboEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE:
      TEdit::WndProc(m);
      // One line for the dialog: Tab, Enter and Escape are the dialog's keys, as in a one-line edit.
      m.Result &= ~LRESULT(DLGC_WANTALLKEYS | DLGC_WANTTAB);
      return;
    case WM_KEYDOWN:
      // Enter, Escape and Tab never reach the multi-line system edit: their characters act (KeyPress).
      if (m.WParam == VK_RETURN || m.WParam == VK_ESCAPE || m.WParam == VK_TAB) {
        WORD key = WORD(m.WParam);
        KeyDown(key, KeyboardShiftState());
        return;
      }
      break;
    case WM_PASTE: {
      if (!FDirectInput || ReadOnly()) return;
      std::string text = Clipboard().AsText();
      std::string line = OneLine(text);
      if (line == text) break;
      SendMessageA(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(line.c_str()));
      return;
    }
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
      if (!FDirectInput || ReadOnly()) return;
      break;
    case WM_SIZE:
      TEdit::WndProc(m);
      UpdateButtonBounds();
      return;
    case WM_SETFOCUS: {
      TEdit::WndProc(m);
      FFocused = true;
      // A caret as high as the text, two pixels wide for a bold font.
      POINT at{0, 0};
      GetCaretPos(&at);
      bool bold = (Font()->Style() & (1u << fsBold)) != 0;
      CreateCaret(Handle(), nullptr, bold ? 2 : 1, TextHeightOf(Font()->Handle()));
      SetCaretPos(at.x, at.y);
      ShowCaret(Handle());
      if (FAutoSelect && FDirectInput && GetKeyState(VK_LBUTTON) >= 0) SelectAll();
      return;
    }
    case WM_KILLFOCUS:
      FFocused = false;
      PopupCloseUp(false);
      break;
    case WM_CANCELMODE:
      PopupCloseUp(false);
      break;
    default:
      break;
  }
  TEdit::WndProc(m);
}
