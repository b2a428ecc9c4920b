#include "std_controls.h"

#include <algorithm>

#include "action.h"
#include "form.h"
#include "ui_exceptions.h"

namespace ui {

namespace {
// Following an action's checked state is no click of the user's: no OnClick, no action run.
class TClicksOff {
 public:
  explicit TClicksOff(bool& flag) : FFlag(flag) { FFlag = true; }
  ~TClicksOff() { FFlag = false; }
  TClicksOff(const TClicksOff&) = delete;
  TClicksOff& operator=(const TClicksOff&) = delete;

 private:
  bool& FFlag;
};
}  // namespace

UI_CLASSINFO(TPanel, UI_PROP_ENUM("BevelOuter", BevelOuter, SetBevelOuter, "bvNone", "bvLowered", "bvRaised"),
             UI_PROP_ENUM("BevelInner", BevelInner, SetBevelInner, "bvNone", "bvLowered", "bvRaised"),
             UI_PROP_BOOL("AutoSize", AutoSize, SetAutoSize))
UI_CLASSINFO(TGroupBox)
UI_CLASSINFO(TButton, UI_PROP_BOOL("Default", Default, SetDefault), UI_PROP_BOOL("Cancel", Cancel, SetCancel),
             UI_PROP(Integer, "ModalResult", ModalResult, SetModalResult))
UI_CLASSINFO(TCheckBox, UI_PROP_BOOL("Checked", Checked, SetChecked),
             UI_PROP_ENUM("State", State, SetState, "cbUnchecked", "cbChecked", "cbGrayed"),
             UI_PROP_BOOL("AllowGrayed", AllowGrayed, SetAllowGrayed))
UI_CLASSINFO(TRadioButton, UI_PROP_BOOL("Checked", Checked, SetChecked))
UI_CLASSINFO(TEdit, UI_PROP(String, "Text", Text, SetText), UI_PROP_BOOL("ReadOnly", ReadOnly, SetReadOnly),
             UI_PROP(Integer, "MaxLength", MaxLength, SetMaxLength))
UI_CLASSINFO(TMemo, UI_PROP_CLASS("Lines", Lines, SetLines, TStrings),
             UI_PROP_BOOL("WordWrap", WordWrap, SetWordWrap),
             UI_PROP_ENUM("ScrollBars", ScrollBars, SetScrollBars, "ssNone", "ssHorizontal", "ssVertical", "ssBoth"),
             UI_PROP_BOOL("WantTabs", WantTabs, SetWantTabs), UI_PROP_BOOL("WantReturns", WantReturns, SetWantReturns))

namespace {
// Draws the caption in the control's font and colour.
void DrawCaption(TCanvas& canvas, TFont* font, const std::string& text, RECT r, UINT format) {
  TSelectObject selected(canvas.Handle(), font->Handle());
  SetBkMode(canvas.Handle(), TRANSPARENT);
  SetTextColor(canvas.Handle(), ColorToRGB(font->Color()));
  DrawTextA(canvas.Handle(), text.c_str(), int(text.size()), &r, format);
}
}  // namespace

// ---- TPanel ----

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {
  FWidth = 185;
  FHeight = 41;
  FClickEvents = true;
}

void TPanel::SetBevelOuter(TBevelCut v) {
  if (v != FBevelOuter) FBevelOuter = v, Invalidate();
}

void TPanel::SetBevelInner(TBevelCut v) {
  if (v != FBevelInner) FBevelInner = v, Invalidate();
}

void TPanel::SetAutoSize(bool v) {
  if (v == FAutoSize) return;
  FAutoSize = v;
  FitChildren();
}

void TPanel::ControlListChange(TControl* control, bool inserting) {
  TWinControl::ControlListChange(control, inserting);
  FitChildren(inserting ? nullptr : control);
}

void TPanel::ChildChanged(TControl* child) {
  TWinControl::ChildChanged(child);
  FitChildren();
}

void TPanel::FitChildren(TControl* leaving) {
  if (!FAutoSize || FFitting || IsDestroying()) return;
  FFitting = true;
  int right = 0, bottom = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c == leaving || !c->Visible()) continue;
    right = std::max(right, c->Left() + c->Width());
    bottom = std::max(bottom, c->Top() + c->Height());
  }
  // The bevels are drawn inside the client area, beyond the children.
  int edge = (FBevelOuter != bvNone ? 1 : 0) + (FBevelInner != bvNone ? 1 : 0);
  int w = Width(), h = Height();
  if (Align() != alTop && Align() != alBottom && Align() != alClient) w = right + edge;
  if (Align() != alLeft && Align() != alRight && Align() != alClient) h = bottom + edge;
  if (w != Width() || h != Height()) SetBounds(Left(), Top(), w, h);
  FFitting = false;
}

void TPanel::PaintWindow(TCanvas& canvas) {
  RECT r = ClientRect();
  if (FBevelOuter != bvNone) DrawEdge(canvas.Handle(), &r, FBevelOuter == bvRaised ? BDR_RAISEDOUTER : BDR_SUNKENOUTER,
                                      BF_RECT);
  if (FBevelOuter != bvNone) InflateRect(&r, -1, -1);
  if (FBevelInner != bvNone) DrawEdge(canvas.Handle(), &r, FBevelInner == bvRaised ? BDR_RAISEDINNER : BDR_SUNKENINNER,
                                      BF_RECT);
  std::string text = Caption();
  if (!text.empty()) DrawCaption(canvas, Font(), text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// ---- TGroupBox ----

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {
  FWidth = 185;
  FHeight = 105;
}

void TGroupBox::SetCaption(const std::string& caption) {
  TWinControl::SetCaption(caption);
  Invalidate();
}

void TGroupBox::PaintWindow(TCanvas& canvas) {
  RECT r = ClientRect();
  std::string text = Caption();
  SIZE size{0, 0};
  {
    TSelectObject selected(canvas.Handle(), Font()->Handle());
    GetTextExtentPoint32A(canvas.Handle(), text.empty() ? "0" : text.c_str(), text.empty() ? 1 : int(text.size()),
                          &size);
  }
  RECT frame = r;
  frame.top += size.cy / 2;
  DrawEdge(canvas.Handle(), &frame, EDGE_ETCHED, BF_RECT);
  if (text.empty()) return;
  RECT label{8, 0, 8 + size.cx + 4, size.cy};
  FillRect(canvas.Handle(), &label, BrushHandle());
  label.left += 2;
  DrawCaption(canvas, Font(), text, label, DT_LEFT | DT_SINGLELINE);
}

// ---- TButton ----

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  FWidth = 75;
  FHeight = 25;
  FTabStop = true;
}

void TButton::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = "BUTTON";
  p.Style |= FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool v) {
  if (v == FDefault) return;
  FDefault = v;
  if (HandleAllocated()) SendMessageA(Handle(), BM_SETSTYLE, v ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
  if (FModalResult != 0)
    if (TForm* f = ParentForm()) f->SetModalResult(FModalResult);
  TWinControl::Click();
}

void TButton::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == BN_CLICKED) Click();
    return;
  }
  TWinControl::WndProc(m);
}

// ---- TCheckBox ----

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {
  FWidth = 97;
  FHeight = 17;
  FTabStop = true;
}

void TCheckBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = "BUTTON";
  p.Style |= BS_3STATE;  // the state is ours: the system toggles nothing
}

void TCheckBox::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(Handle(), BM_SETCHECK, WPARAM(FState), 0);
}

void TCheckBox::SetState(TCheckBoxState v) {
  if (v == FState) return;
  FState = v;
  if (HandleAllocated()) SendMessageA(Handle(), BM_SETCHECK, WPARAM(v), 0);
  if (!FClicksDisabled) Click();
}

void TCheckBox::ActionChange(TAction* sender) {
  TWinControl::ActionChange(sender);
  TClicksOff quiet(FClicksDisabled);
  SetChecked(sender->Checked());
}

void TCheckBox::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == BN_CLICKED) {
      switch (FState) {
        case cbUnchecked: SetState(cbChecked); break;
        case cbChecked: SetState(FAllowGrayed ? cbGrayed : cbUnchecked); break;
        default: SetState(cbUnchecked); break;
      }
    }
    return;
  }
  TWinControl::WndProc(m);
}

// ---- TRadioButton ----

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner) {
  FWidth = 113;
  FHeight = 17;
}

void TRadioButton::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = "BUTTON";
  p.Style |= BS_RADIOBUTTON;
}

void TRadioButton::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(Handle(), BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool v) {
  if (v == FChecked) return;
  FChecked = v;
  SetTabStop(v);  // Tab stops at the group's checked button
  if (HandleAllocated()) SendMessageA(Handle(), BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
  if (!v) return;
  if (Parent())
    for (int i = 0; i < Parent()->ControlCount(); ++i)
      if (auto* other = dynamic_cast<TRadioButton*>(Parent()->Controls(i)))
        if (other != this) other->SetChecked(false);
  if (!FClicksDisabled) Click();
}

void TRadioButton::ActionChange(TAction* sender) {
  TWinControl::ActionChange(sender);
  TClicksOff quiet(FClicksDisabled);
  SetChecked(sender->Checked());
}

void TRadioButton::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == BN_CLICKED || HIWORD(m.WParam) == BN_DOUBLECLICKED) SetChecked(true);
    return;
  }
  TWinControl::WndProc(m);
}

// ---- TEdit ----

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  FWidth = 121;
  FHeight = 21;
  FColor = clWindow;
  FTabStop = true;
}

void TEdit::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = "EDIT";
  p.Style |= ES_AUTOHSCROLL | (FReadOnly ? ES_READONLY : 0);
  p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TEdit::CreateWnd() {
  TWinControl::CreateWnd();
  if (FMaxLength > 0) SendMessageA(Handle(), EM_LIMITTEXT, WPARAM(FMaxLength), 0);
}

void TEdit::SetReadOnly(bool v) {
  if (v == FReadOnly) return;
  FReadOnly = v;
  if (HandleAllocated()) SendMessageA(Handle(), EM_SETREADONLY, v, 0);
}

void TEdit::SetMaxLength(int v) {
  if (v == FMaxLength) return;
  FMaxLength = v;
  if (HandleAllocated()) SendMessageA(Handle(), EM_LIMITTEXT, WPARAM(v > 0 ? v : 0), 0);
}

void TEdit::SelectAll() {
  if (HandleAllocated()) SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

void TEdit::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == EN_CHANGE && OnChange) OnChange(this);
    return;
  }
  TWinControl::WndProc(m);
}

// ---- TMemo ----

void TMemoStrings::Changed() {
  if (FUpdating || FLoading) return;
  std::string text = Text();
  if (text.size() >= 2) text.resize(text.size() - 2);  // no line break after the last line
  FMemo->SetText(text);
}

void TMemoStrings::Load(const std::string& text) {
  FLoading = true;
  try {
    TStrings::SetText(text);
  } catch (...) {
    FLoading = false;
    throw;
  }
  FLoading = false;
}

void TMemoStrings::SetStrings(int index, const std::string& s) {
  TStrings::SetStrings(index, s);
  Changed();
}

int TMemoStrings::AddObject(const std::string& s, TObject* object) {
  int i = TStrings::AddObject(s, object);
  Changed();
  return i;
}

void TMemoStrings::Insert(int index, const std::string& s, TObject* object) {
  TStrings::Insert(index, s, object);
  Changed();
}

void TMemoStrings::Delete(int index) {
  TStrings::Delete(index);
  Changed();
}

void TMemoStrings::Clear() {
  TStrings::Clear();
  Changed();
}

void TMemoStrings::SetUpdateState(bool updating) {
  FUpdating = updating;
  Changed();
}

TMemo::TMemo(TComponent* owner) : TEdit(owner) {
  FWidth = 185;
  FHeight = 89;
}

TStrings* TMemo::Lines() {
  // The user may have typed since: the window's text is the truth.
  FLines.Load(Text());
  return &FLines;
}

void TMemo::CreateParams(TCreateParams& p) {
  TEdit::CreateParams(p);
  p.Style |= ES_MULTILINE | ES_AUTOVSCROLL;
  if (FWordWrap) p.Style &= ~DWORD(ES_AUTOHSCROLL);
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) p.Style |= WS_HSCROLL;
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) p.Style |= WS_VSCROLL;
}

void TMemo::SetWordWrap(bool v) {
  if (v == FWordWrap) return;
  FWordWrap = v;
  RecreateWnd();
}

void TMemo::SetScrollBars(TScrollStyle v) {
  if (v == FScrollBars) return;
  FScrollBars = v;
  RecreateWnd();
}

void TMemo::WndProc(TMessage& m) {
  if (m.Msg == WM_GETDLGCODE) {
    TEdit::WndProc(m);
    // A multi-line edit asks for every key; leave Tab, Enter and Escape to the dialog unless wanted.
    auto* msg = reinterpret_cast<MSG*>(m.LParam);
    if (msg && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR)) {
      WPARAM key = msg->wParam;
      bool dialogKey = (key == VK_TAB && !FWantTabs) || (key == VK_RETURN && !FWantReturns) || key == VK_ESCAPE;
      if (dialogKey) m.Result &= ~LRESULT(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
    } else if (!FWantTabs) {
      m.Result &= ~LRESULT(DLGC_WANTTAB);
    }
    return;
  }
  TEdit::WndProc(m);
}

}  // namespace ui
