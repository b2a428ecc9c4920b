#include "dock.h"

#include <algorithm>

namespace ui {

UI_CLASSINFO(TFloatDockForm)

namespace {
constexpr DWORD FloatStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD FloatExStyle = WS_EX_TOOLWINDOW;
}  // namespace

// ---- dock sites ----

void TWinControl::SetDockSite(bool v) {
  if (v == FDockSite) return;
  FDockSite = v;
  DockSiteChanged(this, v);
}

void TWinControl::DockOver(TDragDockObject* source, int x, int y, TDragState state, bool& accept) {
  if (OnDockOver) OnDockOver(this, source, x, y, state, accept);
}

void TWinControl::DockDrop(TDragDockObject* source, int x, int y) {
  if (OnDockDrop) OnDockDrop(this, source, x, y);
}

bool TWinControl::DoUnDock(TControl* client, TWinControl* newTarget) {
  bool allow = true;
  if (OnUnDock) OnUnDock(this, client, newTarget, allow);
  return allow;
}

bool TControl::Floating() const { return dynamic_cast<TFloatDockForm*>(FHostDockSite) != nullptr; }

bool TControl::ManualDock(TWinControl* site, const RECT* screenRect) {
  if (!site || site == this) return false;
  auto* oldFloat = dynamic_cast<TFloatDockForm*>(FHostDockSite);
  if (FHostDockSite && !FHostDockSite->DoUnDock(this, site)) return false;
  POINT place{FLeft, FTop};
  if (screenRect) {
    place = POINT{screenRect->left, screenRect->top};
    if (site->HandleAllocated()) ScreenToClient(site->Handle(), &place);
    place.x = std::max(0L, place.x);
    place.y = std::max(0L, place.y);
  } else if (oldFloat) {
    place = POINT{0, 0};
  }
  SetParent(site);
  FHostDockSite = site;  // before the bounds: a control may lay itself out by its site
  SetBounds(place.x, place.y, FWidth, FHeight);
  RECT r{place.x, place.y, place.x + FWidth, place.y + FHeight};
  if (site->HandleAllocated()) MapWindowPoints(site->Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
  TDragDockObject source(this, r);
  site->DockDrop(&source, place.x, place.y);
  return true;
}

bool TControl::ManualFloat(const RECT& screenRect) {
  auto* host = dynamic_cast<TFloatDockForm*>(FHostDockSite);
  if (!host) {
    if (FHostDockSite && !FHostDockSite->DoUnDock(this, nullptr)) return false;
    // The window made for an earlier float serves again.
    for (int i = 0; i < ComponentCount() && !host; ++i) host = dynamic_cast<TFloatDockForm*>(Components(i));
    if (!host) host = new TFloatDockForm(this);
    SetParent(host);
    FHostDockSite = host;
  }
  SetBounds(0, 0, screenRect.right - screenRect.left, screenRect.bottom - screenRect.top);
  host->PlaceAt(POINT{screenRect.left, screenRect.top});
  if (FVisible) host->Show();
  return true;
}

// ---- TFloatDockForm ----

TFloatDockForm::TFloatDockForm(TControl* client) : TForm(client) {
  SetBorderStyle(bsToolWindow);
  SetCaption(client->Caption());
  OnClose = [this](TObject*, TCloseAction& action) {
    action = caHide;
    if (TControl* c = Client()) c->SetVisible(false);
  };
}

TControl* TFloatDockForm::Client() const { return ControlCount() > 0 ? Controls(0) : nullptr; }

void TFloatDockForm::CreateParams(TCreateParams& p) {
  TForm::CreateParams(p);
  p.Style = (p.Style & ~DWORD(WS_CHILD | WS_THICKFRAME)) | FloatStyle;
  p.ExStyle |= FloatExStyle;
}

RECT TFloatDockForm::FrameAround(const RECT& client) {
  RECT r = client;
  AdjustWindowRectEx(&r, FloatStyle, FALSE, FloatExStyle);
  return r;
}

void TFloatDockForm::PlaceAt(POINT topLeft) {
  SetBounds(topLeft.x, topLeft.y, Width(), Height());
  FitClient();
}

void TFloatDockForm::FitClient() {
  TControl* c = Client();
  if (!c || FFitting) return;
  FFitting = true;
  if (c->Left() != 0 || c->Top() != 0) c->SetBounds(0, 0, c->Width(), c->Height());
  RECT frame = FrameAround(RECT{0, 0, c->Width(), c->Height()});
  SetBounds(Left(), Top(), frame.right - frame.left, frame.bottom - frame.top);
  FFitting = false;
}

void TFloatDockForm::ChildChanged(TControl* child) {
  TForm::ChildChanged(child);
  if (child != Client()) return;
  FitClient();
  if (child->Visible() != Visible()) {
    if (child->Visible()) Show();
    else Hide();
  }
}

void TFloatDockForm::ControlListChange(TControl* control, bool inserting) {
  TForm::ControlListChange(control, inserting);
  if (inserting) {
    SetCaption(control->Caption());
  } else if (ControlCount() <= 1) {
    Hide();  // the client docked elsewhere or went
  }
}

void TFloatDockForm::WndProc(TMessage& m) {
  if (m.Msg == WM_NCLBUTTONDOWN && m.WParam == HTCAPTION && Client()) {
    BeginDockDrag(Client(), false);
    if (DragSource() == Client()) return;
  }
  TForm::WndProc(m);
}

}  // namespace ui
