#include "KitSpin.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "form.h"
#include "gdi.h"
#include "locale_format.h"
#include "std_controls.h"

using namespace ui;

UI_CLASSINFO(TKitSpinButton, UI_PROP_CLASS("UpGlyph", UpGlyph, SetUpGlyph, TBitmap),
             UI_PROP_CLASS("DownGlyph", DownGlyph, SetDownGlyph, TBitmap),
             UI_PROP_CLASS("FocusControl", FocusControl, SetFocusControl, TWinControl))
UI_CLASSINFO(TKitUpDown)
UI_CLASSINFO(TKitSpinEdit, UI_PROP_FLOAT("Value", Value, SetValue, Extended),
             UI_PROP_FLOAT("MinValue", MinValue, SetMinValue, Extended),
             UI_PROP_FLOAT("MaxValue", MaxValue, SetMaxValue, Extended),
             UI_PROP_FLOAT("Increment", Increment, SetIncrement, Extended),
             UI_PROP_ENUM("ValueType", ValueType, SetValueType, "vtInteger", "vtFloat", "vtHex"),
             UI_PROP(Integer, "Decimal", Decimal, SetDecimal),
             UI_PROP_BOOL("EditorEnabled", EditorEnabled, SetEditorEnabled),
             UI_PROP_BOOL("ArrowKeys", ArrowKeys, SetArrowKeys),
             UI_PROP_ENUM("ButtonKind", ButtonKind, SetButtonKind, "bkStandard", "bkDiagonal"),
             UI_PROP_ENUM("Alignment", Alignment, SetAlignment, "taLeftJustify", "taRightJustify", "taCenter"),
             UI_PROP_BOOL("AutoSelect", AutoSelect, SetAutoSelect), UI_PROP_BOOL("AutoSize", AutoSize, SetAutoSize))

namespace {

constexpr UINT kFirstRepeatMs = 400;
constexpr UINT kRepeatMs = 100;

// The system's vertical scroll bar width, at most 15.
int UpDownWidth() { return std::min(GetSystemMetrics(SM_CXVSCROLL), 15); }

// Nearest integer (ties to even), held inside the 32-bit range so no conversion overflows.
int64_t RoundValue(double v) {
  if (!std::isfinite(v)) return 0;
  v = std::nearbyint(v);
  return static_cast<int64_t>(std::clamp(v, double(INT32_MIN), double(INT32_MAX)));
}

std::string Trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool ParseDecimal(const std::string& text, int64_t& out) {
  std::string s = Trimmed(text);
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i == s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    v = v * 10 + (s[i] - '0');
    if (v > int64_t(INT32_MAX) + 1) return false;
  }
  v = negative ? -v : v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  out = v;
  return true;
}

// The text as "$" + text reads: hexadecimal, the 32-bit pattern taken as signed.
bool ParseHex(const std::string& text, int64_t& out) {
  std::string s = Trimmed(text);
  if (s.empty()) return false;
  uint64_t v = 0;
  for (char c : s) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    v = v * 16 + uint64_t(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10);
    if (v > 0xFFFFFFFFull) return false;
  }
  out = static_cast<int32_t>(static_cast<uint32_t>(v));
  return true;
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::unique_ptr<TBitmap> LoadGlyph(const char* name) {
  auto glyph = std::make_unique<TBitmap>();
  HBITMAP handle = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0,
                                                   LR_CREATEDIBSECTION));
  if (handle) glyph->SetHandle(handle);
  return glyph;
}

}  // namespace

// ---- TKitSpinButton ----

TKitSpinButton::TKitSpinButton(TComponent* owner) : TGraphicControl(owner) {
  FWidth = 20;
  FHeight = 20;
  FUpGlyph = LoadGlyph("KITSPINUP");
  FDownGlyph = LoadGlyph("KITSPINDOWN");
}

TKitSpinButton::~TKitSpinButton() = default;

void TKitSpinButton::Destroying() {
  StopRepeat();
  TGraphicControl::Destroying();
}

void TKitSpinButton::SetUpGlyph(TBitmap* glyph) {
  if (glyph && !glyph->Empty()) {
    FUpGlyph = std::make_unique<TBitmap>();
    FUpGlyph->Assign(glyph);
  } else {
    FUpGlyph = LoadGlyph("KITSPINUP");
  }
  GlyphsChanged();
}

void TKitSpinButton::SetDownGlyph(TBitmap* glyph) {
  if (glyph && !glyph->Empty()) {
    FDownGlyph = std::make_unique<TBitmap>();
    FDownGlyph->Assign(glyph);
  } else {
    FDownGlyph = LoadGlyph("KITSPINDOWN");
  }
  GlyphsChanged();
}

void TKitSpinButton::SetFocusControl(TWinControl* control) {
  if (control == FFocusControl) return;
  if (FFocusControl) RemoveFreeNotification(FFocusControl);
  FFocusControl = control;
  if (control) FreeNotification(control);
}

void TKitSpinButton::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TKitSpinButton::GlyphsChanged() {
  for (auto& image : FImages) image.reset();
  Invalidate();
}

void TKitSpinButton::SetBounds(int left, int top, int width, int height) {
  bool resized = width != Width() || height != Height();
  TGraphicControl::SetBounds(left, top, width, height);
  if (resized) GlyphsChanged();
}

void TKitSpinButton::SetEnabled(bool enabled) {
  bool changed = enabled != Enabled();
  TGraphicControl::SetEnabled(enabled);
  if (changed) GlyphsChanged();
}

TSpinButtonState TKitSpinButton::HalfAt(int x, int y) const {
  // Above the diagonal from the bottom-left to the top-right corner: x/W + y/H < 1.
  return int64_t(x) * Height() + int64_t(y) * Width() < int64_t(Width()) * Height() ? sbTopDown : sbBottomDown;
}

bool TKitSpinButton::Repeating() const { return FRepeatTimer && FRepeatTimer->Enabled(); }

void TKitSpinButton::SetDown(TSpinButtonState state) {
  if (state == FDown) return;
  FDown = state;
  Invalidate();
}

void TKitSpinButton::HalfClick(TSpinButtonState half) {
  if (half == sbTopDown && OnTopClick) OnTopClick(this);
  if (half == sbBottomDown && OnBottomClick) OnBottomClick(this);
}

void TKitSpinButton::MouseDown(TMouseButton button, TSet32 shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled()) return;
  if (FFocusControl && FFocusControl->CanFocus() && !FFocusControl->Focused()) FFocusControl->SetFocus();
  FPressedHalf = HalfAt(x, y);
  SetDown(FPressedHalf);
  HalfClick(FPressedHalf);
  if (!FRepeatTimer) {
    FRepeatTimer = new TTimer(this);
    FRepeatTimer->OnTimer = [this](TObject*) { TimerExpired(); };
  }
  FRepeatTimer->SetEnabled(false);
  FRepeatTimer->SetInterval(kFirstRepeatMs);
  FRepeatTimer->SetEnabled(true);
  FDragging = true;
}

void TKitSpinButton::TimerExpired() {
  FRepeatTimer->SetInterval(kRepeatMs);
  if (!MouseCapture()) {
    // The parent's window lost the capture (a box, another window) without a release reaching us.
    StopRepeat();
    return;
  }
  if (FDown != sbNotDown) HalfClick(FDown);
}

void TKitSpinButton::StopRepeat() {
  if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
  FDragging = false;
  FPressedHalf = sbNotDown;
  SetDown(sbNotDown);
}

void TKitSpinButton::MouseMove(TSet32 shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!FDragging) return;
  bool inside = x >= 0 && y >= 0 && x < Width() && y < Height();
  SetDown(inside && HalfAt(x, y) == FPressedHalf ? FPressedHalf : sbNotDown);
}

void TKitSpinButton::MouseUp(TMouseButton button, TSet32 shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (button == mbLeft) StopRepeat();
}

void TKitSpinButton::DrawImage(TBitmap& image, TSpinButtonState pressed) {
  int w = Width(), h = Height();
  image.SetSize(w, h);
  HDC dc = image.Canvas().Handle();
  RECT all{0, 0, w, h};
  TBrushHandle face(CreateSolidBrush(ColorToRGB(clBtnFace)));
  ::FillRect(dc, &all, face.Get());
  TPenHandle light(CreatePen(PS_SOLID, 1, ColorToRGB(clBtnHighlight)));
  TPenHandle dark(CreatePen(PS_SOLID, 1, ColorToRGB(clBtnShadow)));
  TPenHandle black(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DDKSHADOW)));
  // The top half: light top-left edges unless pressed; the bottom half the same on its own faces.
  {
    TSelectObject pen(dc, pressed == sbTopDown ? dark.Get() : light.Get());
    MoveToEx(dc, 0, h - 1, nullptr);
    LineTo(dc, 0, 0);
    LineTo(dc, w - 1, 0);
  }
  {
    TSelectObject pen(dc, pressed == sbBottomDown ? light.Get() : black.Get());
    MoveToEx(dc, w - 1, 0, nullptr);
    LineTo(dc, w - 1, h - 1);
    LineTo(dc, -1, h - 1);
  }
  {
    // The split: the top half's shadow side over the bottom half's light side.
    TSelectObject pen(dc, dark.Get());
    MoveToEx(dc, 1, h - 2, nullptr);
    LineTo(dc, w - 1, 0);
  }
  {
    TSelectObject pen(dc, light.Get());
    MoveToEx(dc, 2, h - 2, nullptr);
    LineTo(dc, w - 1, 1);
  }
  auto drawGlyph = [&](TBitmap* glyph, int cx, int cy, bool down) {
    if (!glyph || glyph->Empty()) return;
    int gw = glyph->Width(), gh = glyph->Height();
    int x = cx - gw / 2 + (down ? 1 : 0), y = cy - gh / 2 + (down ? 1 : 0);
    COLORREF transparent = ColorToRGB(glyph->TransparentColor());
    HDC src = glyph->Canvas().Handle();
    if (Enabled()) {
      TransparentBlt(dc, x, y, gw, gh, src, 0, 0, gw, gh, transparent);
      return;
    }
    // Disabled: the glyph's shape in the shadow colour over its highlight, one pixel lower right.
    for (int py = 0; py < gh; ++py)
      for (int px = 0; px < gw; ++px)
        if (GetPixel(src, px, py) != transparent) {
          ::SetPixel(dc, x + px + 1, y + py + 1, ColorToRGB(clBtnHighlight));
          ::SetPixel(dc, x + px, y + py, ColorToRGB(clBtnShadow));
        }
  };
  drawGlyph(FUpGlyph.get(), w / 3, h / 3, pressed == sbTopDown);
  drawGlyph(FDownGlyph.get(), w - w / 3 - 1, h - h / 3 - 1, pressed == sbBottomDown);
}

void TKitSpinButton::Paint(TCanvas& canvas) {
  if (Width() <= 0 || Height() <= 0) return;
  auto& image = FImages[FDown];
  if (!image) {
    image = std::make_unique<TBitmap>();
    DrawImage(*image, FDown);
  }
  BitBlt(canvas.Handle(), 0, 0, Width(), Height(), image->Canvas().Handle(), 0, 0, SRCCOPY);
}

// ---- TKitUpDown ----

TKitUpDown::TKitUpDown(TComponent* owner) : TUpDown(owner) {
  SetMin(-1);
  SetMax(1);
  SetPosition(0);
  FWidth = UpDownWidth();
}

void TKitUpDown::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
      if (hdr->code != UDN_DELTAPOS) break;
      // Refuse the change: the position stays 0 and every click arrives here, also where the control
      // would stick at a limit.
      int delta = reinterpret_cast<NMUPDOWN*>(m.LParam)->iDelta;
      m.Result = TRUE;
      if (delta != 0 && OnClick) OnClick(this, delta > 0 ? btNext : btPrev);
      return;
    }
    case CN_VSCROLL:
    case CN_HSCROLL:
      return;
    default:
      break;
  }
  TUpDown::WndProc(m);
}

// ---- TKitSpinEdit ----

TKitSpinEdit::TKitSpinEdit(TComponent* owner) : TEdit(owner) {
  FCaption = "0";
  RecreateButton();
}

double TKitSpinEdit::CheckValue(double v) const {
  if (FMinValue != FMaxValue) {
    if (v < FMinValue) return FMinValue;
    if (v > FMaxValue) return FMaxValue;
  }
  return v;
}

double TKitSpinEdit::Value() const {
  std::string text = Text();
  int64_t i = 0;
  double f = 0;
  switch (FValueType) {
    case vtInteger:
      if (ParseDecimal(text, i)) return double(i);
      break;
    case vtHex:
      if (ParseHex(text, i)) return double(i);
      break;
    case vtFloat:
      if (TryStrToFloat(Trimmed(text), f) && std::isfinite(f)) return f;
      return FMinValue;
  }
  return double(RoundValue(FMinValue));
}

std::string TKitSpinEdit::FormatValue(double v) const {
  char buffer[64];
  switch (FValueType) {
    case vtInteger:
      return std::to_string(RoundValue(v));
    case vtHex:
      std::snprintf(buffer, sizeof buffer, "%X", static_cast<unsigned>(static_cast<uint32_t>(RoundValue(v))));
      return buffer;
    case vtFloat:
      break;
  }
  if (!std::isfinite(v)) v = 0;
  // Fixed-point up to 15 significant digits; beyond that the exponent form.
  if (std::fabs(v) >= 1e15)
    std::snprintf(buffer, sizeof buffer, "%.14E", v);
  else
    std::snprintf(buffer, sizeof buffer, "%.*f", FDecimal, v);
  std::string s = buffer;
  std::replace(s.begin(), s.end(), '.', DecimalSeparator());
  return s;
}

void TKitSpinEdit::SetValue(double v) {
  const std::string text = FormatValue(CheckValue(v));
  if (!HandleAllocated()) {
    SetText(text);
    return;
  }
  // Typing goes on where it was: a caret or selection end at the end of the old text stays at the end of the
  // new one, any other stays where it was (within the new text).
  DWORD start = 0, end = 0;
  SendMessageA(Handle(), EM_GETSEL, WPARAM(&start), LPARAM(&end));
  const DWORD oldLength = DWORD(GetWindowTextLengthA(Handle()));
  const DWORD length = DWORD(text.size());
  SetText(text);
  auto place = [&](DWORD at) { return at >= oldLength ? length : std::min(at, length); };
  SendMessageA(Handle(), EM_SETSEL, place(start), place(end));
}

void TKitSpinEdit::SetMinValue(double v) { FMinValue = v; }

void TKitSpinEdit::SetMaxValue(double v) { FMaxValue = v; }

void TKitSpinEdit::SetValueType(TValueType v) {
  if (v == FValueType) return;
  double value = Value();
  FValueType = v;
  if (v != vtFloat) {
    FIncrement = double(RoundValue(FIncrement));
    if (FIncrement == 0) FIncrement = 1;
  }
  SetValue(value);
}

void TKitSpinEdit::SetDecimal(int v) {
  v = std::clamp(v, 0, 255);
  if (v == FDecimal) return;
  double value = Value();
  FDecimal = v;
  SetValue(value);
}

void TKitSpinEdit::SetAlignment(TAlignment v) {
  if (v == FAlignment) return;
  FAlignment = v;
  RecreateWnd();
}

void TKitSpinEdit::SetAutoSize(bool v) {
  FAutoSize = v;
  SetBounds(Left(), Top(), Width(), Height());
}

void TKitSpinEdit::SetButtonKind(TSpinButtonKind v) {
  if (v == FButtonKind) return;
  FButtonKind = v;
  RecreateButton();
}

void TKitSpinEdit::RecreateButton() {
  if (FButtonHolder) FButtonHolder->Free();
  if (FUpDown) FUpDown->Free();
  FButtonHolder = nullptr;
  FButton = nullptr;
  FUpDown = nullptr;
  if (FButtonKind == bkDiagonal) {
    auto* holder = new TPanel(this);
    holder->SetBevelOuter(bvNone);
    holder->SetParent(this);
    FButtonHolder = holder;
    FButton = new TKitSpinButton(this);
    FButton->SetParent(holder);
    FButton->SetFocusControl(this);
    FButton->OnTopClick = [this](TObject*) { UpClick(); };
    FButton->OnBottomClick = [this](TObject*) { DownClick(); };
    FButton->SetEnabled(Enabled());
  } else {
    FUpDown = new TKitUpDown(this);
    FUpDown->SetParent(this);
    FUpDown->OnClick = [this](TObject*, TUDBtnType button) {
      if (button == btNext) {
        if (CanFocus()) SetFocus();
        UpClick();
      } else {
        DownClick();
      }
    };
    FUpDown->SetEnabled(Enabled());
  }
  LayoutButton();
}

int TKitSpinEdit::ButtonWidth() const {
  if (FButtonHolder) return FButtonHolder->Width();
  return UpDownWidth();
}

int TKitSpinEdit::MinHeight() {
  TWindowDC screen(nullptr);
  TSelectObject font(screen.Get(), Font()->Handle());
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen.Get(), &metrics);
  return metrics.tmHeight + GetSystemMetrics(SM_CYBORDER) * 4 + 1;
}

void TKitSpinEdit::LayoutButton() {
  RECT client = ClientRect();
  int ch = std::max(0, int(client.bottom - client.top));
  int cw = std::max(0, int(client.right - client.left));
  if (FButtonHolder) {
    FButtonHolder->SetBounds(cw - ch, 0, ch, ch);
    if (FButton) FButton->SetBounds(0, 0, ch, ch);
  } else if (FUpDown) {
    FUpDown->SetBounds(cw - UpDownWidth(), 0, UpDownWidth(), ch);
  }
  SetEditRect();
}

void TKitSpinEdit::SetEditRect() {
  // A single-line edit ignores EM_SETRECT: its right margin keeps the text clear of the button.
  if (HandleAllocated()) SendMessageA(Handle(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, ButtonWidth() + 2));
}

void TKitSpinEdit::SetBounds(int left, int top, int width, int height) {
  height = std::max(height, MinHeight());
  TEdit::SetBounds(left, top, width, height);
  LayoutButton();
}

void TKitSpinEdit::SetEnabled(bool enabled) {
  TEdit::SetEnabled(enabled);
  if (FButton) FButton->SetEnabled(enabled);
  if (FUpDown) FUpDown->SetEnabled(enabled);
}

void TKitSpinEdit::CreateParams(TCreateParams& p) {
  TEdit::CreateParams(p);
  p.Style |= WS_CLIPCHILDREN;
  if (FAlignment == taRightJustify) p.Style |= ES_RIGHT;
  if (FAlignment == taCenter) p.Style |= ES_CENTER;
}

void TKitSpinEdit::CreateWnd() {
  TEdit::CreateWnd();
  LayoutButton();
}

void TKitSpinEdit::UpClick() { Step(true); }

void TKitSpinEdit::DownClick() { Step(false); }

void TKitSpinEdit::Step(bool up) {
  if (ReadOnly()) {
    MessageBeep(0);
    return;
  }
  std::string old = Text();
  FChanging = true;
  try {
    SetValue(Value() + (up ? FIncrement : -FIncrement));
  } catch (...) {
    FChanging = false;
    throw;
  }
  FChanging = false;
  if (!SameTextIgnoringCase(old, Text())) {
    if (HandleAllocated()) SendMessageA(Handle(), EM_SETMODIFY, TRUE, 0);
    if (OnChange) OnChange(this);
  }
  if (up && OnTopClick) OnTopClick(this);
  if (!up && OnBottomClick) OnBottomClick(this);
}

bool TKitSpinEdit::IsValidChar(char key) const {
  unsigned char c = static_cast<unsigned char>(key);
  if (!FEditorEnabled) return c < 32 && c != VK_BACK;
  if (c < 32 || c == '+' || c == '-' || (c >= '0' && c <= '9')) return true;
  std::string text = Text();
  if (FValueType == vtFloat) {
    if (key == DecimalSeparator() && text.find(DecimalSeparator()) == std::string::npos) return true;
    if ((c == 'E' || c == 'e') && text.find_first_of("Ee") == std::string::npos) return true;
  }
  if (FValueType == vtHex) return (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
  return false;
}

void TKitSpinEdit::KeyDown(WORD& key, TSet32 shift) {
  TEdit::KeyDown(key, shift);
  if (!FArrowKeys || (key != VK_UP && key != VK_DOWN)) return;
  if (key == VK_UP) UpClick();
  else DownClick();
  key = 0;
}

void TKitSpinEdit::KeyPress(char& key) {
  if (!IsValidChar(key)) {
    key = 0;
    MessageBeep(0);
    return;
  }
  TEdit::KeyPress(key);
  if (key != VK_RETURN && key != VK_ESCAPE) return;
  // The default and cancel buttons of the form.
  if (TForm* form = ParentForm())
    SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(key == VK_RETURN ? IDOK : IDCANCEL, BN_CLICKED), 0);
  key = 0;
}

void TKitSpinEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      // A step reports its own change once.
      if (HIWORD(m.WParam) == EN_CHANGE && FChanging) return;
      break;
    case WM_PASTE:
    case WM_CUT:
      if (!FEditorEnabled || ReadOnly()) return;
      break;
    case WM_SETFOCUS:
      TEdit::WndProc(m);
      if (FAutoSelect && GetKeyState(VK_LBUTTON) >= 0) SelectAll();
      return;
    case WM_KILLFOCUS: {
      TEdit::WndProc(m);
      double value = Value();
      if (CheckValue(value) != value) SetValue(value);
      return;
    }
    default:
      break;
  }
  TEdit::WndProc(m);
}
