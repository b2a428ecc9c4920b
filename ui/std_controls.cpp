#include "std_controls.h"

#include "form.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TPanel, UI_PROP_ENUM("BevelOuter", BevelOuter, SetBevelOuter, "bvNone", "bvLowered", "bvRaised"))
UI_CLASSINFO(TButton, UI_PROP_BOOL("Default", Default, SetDefault),
             UI_PROP(Integer, "ModalResult", ModalResult, SetModalResult))
UI_CLASSINFO(TEdit, UI_PROP(String, "Text", Text, SetText), UI_PROP_BOOL("ReadOnly", ReadOnly, SetReadOnly),
             UI_PROP(Integer, "MaxLength", MaxLength, SetMaxLength))

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {
  FWidth = 185;
  FHeight = 41;
}

void TPanel::SetBevelOuter(TBevelCut v) {
  if (v != FBevelOuter) FBevelOuter = v, Invalidate();
}

void TPanel::PaintWindow(TCanvas& canvas) {
  RECT r = ClientRect();
  if (FBevelOuter != bvNone) DrawEdge(canvas.Handle(), &r, FBevelOuter == bvRaised ? BDR_RAISEDOUTER : BDR_SUNKENOUTER,
                                      BF_RECT);
  std::string text = Caption();
  if (text.empty()) return;
  canvas.Brush.Style = bsClear;
  canvas.Font().Assign(Font());
  SelectObject(canvas.Handle(), Font()->Handle());
  SetBkMode(canvas.Handle(), TRANSPARENT);
  SetTextColor(canvas.Handle(), ColorToRGB(Font()->Color()));
  DrawTextA(canvas.Handle(), text.c_str(), int(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  FWidth = 75;
  FHeight = 25;
}

void TButton::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = "BUTTON";
  p.Style |= WS_TABSTOP | (FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
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

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
  FWidth = 121;
  FHeight = 21;
  FColor = clWindow;
}

void TEdit::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = "EDIT";
  p.Style |= WS_TABSTOP | ES_AUTOHSCROLL | (FReadOnly ? ES_READONLY : 0);
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

void TEdit::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    if (HIWORD(m.WParam) == EN_CHANGE && OnChange) OnChange(this);
    return;
  }
  TWinControl::WndProc(m);
}

}  // namespace ui
