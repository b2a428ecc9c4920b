#include "control.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "action.h"
#include "application.h"
#include "drag_drop.h"
#include "form.h"
#include "menus.h"
#include "sys_utils.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TControl, UI_PROP(Integer, "Left", Left, SetLeft), UI_PROP(Integer, "Top", Top, SetTop),
             UI_PROP(Integer, "Width", Width, SetWidth), UI_PROP(Integer, "Height", Height, SetHeight),
             UI_PROP_ENUM("Align", Align, SetAlign, "alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"),
             UI_PROP_BOOL("Visible", Visible, SetVisible), UI_PROP_BOOL("Enabled", Enabled, SetEnabled),
             UI_PROP(String, "Caption", Caption, SetCaption), UI_PROP_CLASS("Font", Font, SetFont, TFont),
             UI_PROP_BOOL("ParentFont", ParentFont, SetParentFont), UI_PROP(Integer, "Color", Color, SetColor),
             UI_PROP(String, "Hint", Hint, SetHint), UI_PROP_BOOL("ShowHint", ShowHint, SetShowHint),
             UI_PROP_BOOL("ParentShowHint", ParentShowHint, SetParentShowHint),
             UI_PROP(Integer, "HelpContext", HelpContext, SetHelpContext),
             UI_PROP_CLASS("PopupMenu", PopupMenu, SetPopupMenu, TPopupMenu))
UI_CLASSINFO(TGraphicControl)
UI_CLASSINFO(TWinControl, UI_PROP(Integer, "TabOrder", TabOrder, SetTabOrder),
             UI_PROP_BOOL("TabStop", TabStop, SetTabStop))

TSet32 KeyboardShiftState() {
  TSet32 s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= 1u << ssShift;
  if (GetKeyState(VK_MENU) < 0) s |= 1u << ssAlt;
  if (GetKeyState(VK_CONTROL) < 0) s |= 1u << ssCtrl;
  return s;
}

TSet32 MouseShiftState(WPARAM keys) {
  TSet32 s = 0;
  if (keys & MK_SHIFT) s |= 1u << ssShift;
  if (keys & MK_CONTROL) s |= 1u << ssCtrl;
  if (keys & MK_LBUTTON) s |= 1u << ssLeft;
  if (keys & MK_RBUTTON) s |= 1u << ssRight;
  if (keys & MK_MBUTTON) s |= 1u << ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s |= 1u << ssAlt;
  return s;
}

std::string GetShortHint(const std::string& hint) { return hint.substr(0, hint.find('|')); }

std::string GetLongHint(const std::string& hint) {
  size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

char MnemonicOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&')
      return char(reinterpret_cast<uintptr_t>(CharUpperA(reinterpret_cast<LPSTR>(uintptr_t(BYTE(caption[i + 1]))))));
    ++i;  // "&&" is a plain ampersand
  }
  return 0;
}

namespace {

// Our windows by handle: a foreign window's user data is never read as one of our objects.
std::unordered_map<HWND, TWinControl*>& Windows() {
  static std::unordered_map<HWND, TWinControl*> windows;
  return windows;
}

// Child-window ids in use: each control keeps its own for its life, across re-created windows.
std::set<int>& UsedControlIds() {
  static std::set<int> ids;
  return ids;
}

int AllocateControlId() {
  static int next = 0x100;  // below are IDOK, IDCANCEL and the other dialog ids
  for (;;) {
    int id = next;
    next = next >= 0x7FFF ? 0x100 : next + 1;
    if (UsedControlIds().insert(id).second) return id;
  }
}

bool IsButtonDown(UINT msg) {
  return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN || msg == WM_LBUTTONDBLCLK ||
         msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
}

bool IsMouseMessage(UINT msg) { return msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK; }

}  // namespace

// ---- TControl ----

TControl::TControl(TComponent* owner) : TComponent(owner) {
  FFont.OnChange = [this] {
    if (!FTakingParentFont) FParentFont = false;
    FontChanged();
  };
}

TControl::~TControl() {
  DragControlGone(this);
  Application().RemoveHintTool(this);
}

void TControl::Destroying() {
  DragControlGone(this);
  FActionLink.reset();
  Application().RemoveHintTool(this);
  if (FParent) FParent->RemoveControl(this);
  TComponent::Destroying();
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (FParent) FParent->RemoveControl(this);
  // Docking sets the site again after the move; any other move leaves it.
  FHostDockSite = nullptr;
  if (parent) parent->InsertControl(this);
}

void TControl::UpdateBoundsFields(int left, int top, int width, int height) {
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  Invalidate();
  UpdateBoundsFields(left, top, width, height);
  Invalidate();
  if (FParent && FAlign != alNone) FParent->AlignControls(this);
  if (FParent) FParent->ChildChanged(this);
  Application().UpdateHintTool(this);
}

void TControl::SetAlign(TAlign align) {
  if (align == FAlign) return;
  FAlign = align;
  if (FParent) FParent->AlignControls(this);
}

void TControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  if (FParent) {
    FParent->Invalidate();
    FParent->AlignControls(this);
    FParent->ChildChanged(this);
  }
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  Invalidate();
}

void TControl::SetCaption(const std::string& caption) {
  if (caption == FCaption) return;
  FCaption = caption;
  Invalidate();
}

void TControl::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  ColorChanged();
}

void TControl::SetParentFont(bool v) {
  FParentFont = v;
  if (v) ApplyParentFont();
}

void TControl::ApplyParentFont() {
  if (!FParent) return;
  FTakingParentFont = true;
  try {
    FFont.Assign(FParent->Font());
  } catch (...) {
    FTakingParentFont = false;
    throw;
  }
  FTakingParentFont = false;
}

void TControl::FontChanged() { Invalidate(); }

void TControl::SetHint(const std::string& hint) {
  if (hint == FHint) return;
  FHint = hint;
  HintChanged();
}

bool TControl::ShowHint() const {
  if (FShowHint) return true;
  return FParentShowHint && FParent && FParent->ShowHint();
}

void TControl::SetShowHint(bool v) {
  FShowHint = v;
  if (v) FParentShowHint = false;
  HintChanged();
}

void TControl::SetParentShowHint(bool v) {
  FParentShowHint = v;
  HintChanged();
}

void TControl::HintChanged() {
  Application().UpdateHintTool(this);
  if (auto* w = dynamic_cast<TWinControl*>(this))
    for (TControl* c : w->FControls)
      if (c->FParentShowHint) c->HintChanged();
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
  if (menu == FPopupMenu) return;
  if (FPopupMenu) RemoveFreeNotification(FPopupMenu);
  FPopupMenu = menu;
  if (menu) FreeNotification(menu);
}

TAction* TControl::Action() const { return FActionLink ? FActionLink->Action() : nullptr; }

void TControl::SetAction(TAction* action) {
  if (!action) {
    FActionLink.reset();
    return;
  }
  if (!FActionLink) FActionLink.reset(new TClientActionLink<TControl>(this));
  FActionLink->SetAction(action);
}

void TControl::ActionChange(TAction* sender) {
  SetCaption(sender->Caption());
  SetEnabled(sender->Enabled());
  SetVisible(sender->Visible());
  SetHint(sender->Hint());
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& m) {
  // Reaches graphic controls through their parent; windowed ones override this.
  MouseMessage(m);
  if (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) BeginAutoDrag();
}

bool TControl::MouseMessage(TMessage& m) {
  int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
  TSet32 shift = MouseShiftState(m.WParam);
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
      FMouseDown = FEnabled;
      MouseDown(mbLeft, shift, x, y);
      return true;
    case WM_RBUTTONDOWN: MouseDown(mbRight, shift, x, y); return true;
    case WM_MBUTTONDOWN: MouseDown(mbMiddle, shift, x, y); return true;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      TMouseButton b = m.Msg == WM_LBUTTONDBLCLK ? mbLeft : m.Msg == WM_RBUTTONDBLCLK ? mbRight : mbMiddle;
      if (b == mbLeft) DblClick();
      MouseDown(b, shift | (1u << ssDouble), x, y);
      return true;
    }
    case WM_LBUTTONUP: {
      bool wasDown = FMouseDown;
      FMouseDown = false;
      MouseUp(mbLeft, shift, x, y);
      if (FClickEvents && wasDown && x >= 0 && y >= 0 && x < FWidth && y < FHeight) Click();
      return true;
    }
    case WM_RBUTTONUP: MouseUp(mbRight, shift, x, y); return true;
    case WM_MBUTTONUP: MouseUp(mbMiddle, shift, x, y); return true;
    case WM_MOUSEMOVE: MouseMove(shift, x, y); return true;
    case CM_MOUSEENTER: MouseEnter(); return true;
    case CM_MOUSELEAVE: MouseLeave(); return true;
    default: return false;
  }
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TSet32 shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TSet32 shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TSet32 shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseEnter() {
  FMouseInControl = true;
  Application().SetHint(GetLongHint(FHint));
  if (OnMouseEnter) OnMouseEnter(this);
}

void TControl::MouseLeave() {
  FMouseInControl = false;
  Application().SetHint("");
  if (OnMouseLeave) OnMouseLeave(this);
}

bool TControl::MouseCapture() const {
  if (auto* w = dynamic_cast<const TWinControl*>(this)) return w->FHandle && GetCapture() == w->FHandle;
  return FParent && FParent->FMouseCapture == this;
}

void TControl::SetMouseCapture(bool capture) {
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    if (capture) SetCapture(w->Handle());
    else if (w->FHandle && GetCapture() == w->FHandle) ReleaseCapture();
    return;
  }
  if (!FParent) return;
  if (capture) {
    SetCapture(FParent->Handle());
    FParent->FMouseCapture = this;  // after SetCapture: the change of capture clears the old one
  } else if (FParent->FMouseCapture == this) {
    FParent->FMouseCapture = nullptr;
    if (FParent->FHandle && GetCapture() == FParent->FHandle) ReleaseCapture();
  }
}

bool TControl::ShowPopupMenu(LPARAM screenPoint) {
  if (!FPopupMenu || !FPopupMenu->AutoPopup()) return false;
  POINT p{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
  if (screenPoint == -1) p = ClientToScreen(POINT{FWidth / 2, FHeight / 2});
  FPopupMenu->SetPopupComponent(this);
  FPopupMenu->Popup(p.x, p.y);
  return true;
}

void TControl::Click() {
  if (OnClick) {
    OnClick(this);
  } else if (FActionLink) {
    FActionLink->Execute();
  }
}

bool TControl::DialogChar(char) { return false; }

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FVisible) return false;
  return true;
}

void TControl::Invalidate() {
  if (FParent && FParent->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(FParent->Handle(), &r, TRUE);
  }
}

TForm* TControl::ParentForm() const {
  const TControl* c = this;
  while (c->FParent) c = c->FParent;
  return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

POINT TControl::ClientToScreen(POINT p) const {
  if (auto* w = dynamic_cast<const TWinControl*>(this)) {
    if (w->FHandle) ::ClientToScreen(w->FHandle, &p);
    return p;
  }
  if (!FParent) return p;
  return FParent->ClientToScreen(POINT{p.x + FLeft, p.y + FTop});
}

// ---- TWinControl ----

namespace {
thread_local TWinControl* CreationControl = nullptr;
std::map<std::string, WNDPROC>& ClassProcs() {
  static std::map<std::string, WNDPROC> procs;
  return procs;
}
WNDPROC ClassDefProc(HWND h) {
  char name[256];
  int n = GetClassNameA(h, name, sizeof name);
  auto it = ClassProcs().find(std::string(name, n > 0 ? size_t(n) : 0));
  return it == ClassProcs().end() ? DefWindowProcA : it->second;
}
}  // namespace

LRESULT CALLBACK StdWndProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  auto* c = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(h, GWLP_USERDATA));
  if (!c && CreationControl) {
    c = CreationControl;
    CreationControl = nullptr;
    c->FHandle = h;
    SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(c));
    Windows()[h] = c;
  }
  if (!c) return CallWindowProcA(ClassDefProc(h), h, msg, w, l);
  TMessage m{msg, w, l, 0};
  {
    // No form is freed under a message of its own or of one of its controls; the release itself is no call.
    TFormHold hold(msg == CM_RELEASE ? nullptr : c->ParentForm());
    try {
      c->WndProc(m);
    } catch (...) {
      Application().HandleException(c);
    }
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(h, GWLP_USERDATA, 0);
    Windows().erase(h);
    if (c->FHandle == h) c->FHandle = nullptr;
  }
  return m.Result;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) { FClickEvents = false; }

TWinControl::~TWinControl() {
  // Deleted without Free: never let the window reach a dead object.
  if (FHandle) {
    SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
    Windows().erase(FHandle);
    DestroyWindow(FHandle);
  }
  if (FControlId) UsedControlIds().erase(FControlId);
  if (FDockSite) DockSiteChanged(this, false);
  Screen().ControlDestroyed(this);
}

void TWinControl::Destroying() {
  SetDockSite(false);
  if (FHandle) DestroyWnd();
  Screen().ControlDestroyed(this);
  // Child controls go with their parent, whoever owns them.
  while (!FControls.empty()) {
    TControl* c = FControls.back();
    RemoveControl(c);
    c->Free();
  }
  TControl::Destroying();
}

TWinControl* TWinControl::FindControl(HWND window) {
  if (!window) return nullptr;
  if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return nullptr;
  auto it = Windows().find(window);
  return it == Windows().end() ? nullptr : it->second;
}

HWND TWinControl::Handle() {
  if (!FHandle) CreateWnd();
  return FHandle;
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.Caption = FCaption;
  p.X = FLeft;
  p.Y = FTop;
  p.Width = FWidth;
  p.Height = FHeight;
  p.WinClassName = ClassName();
  p.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  // Our own containers let the dialog keys walk into them.
  p.ExStyle = WS_EX_CONTROLPARENT;
  if (Parent()) {
    p.Style |= WS_CHILD;
    p.WndParent = Parent()->Handle();
  }
  if (FVisible) p.Style |= WS_VISIBLE;
  if (!FEnabled) p.Style |= WS_DISABLED;
  if (FTabStop) p.Style |= WS_TABSTOP;
}

void TWinControl::CreateWnd() {
  Application();  // the common controls are registered with the application
  if (Parent()) Parent()->HandleNeeded();
  if (FHandle) return;  // the parent made our window along with its own
  TCreateParams p;
  CreateParams(p);
  // System classes keep their own way of holding children.
  if (!p.SuperClass.empty()) p.ExStyle &= ~DWORD(WS_EX_CONTROLPARENT);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(instance, p.WinClassName.c_str(), &wc)) {
    WNDPROC def = DefWindowProcA;
    if (!p.SuperClass.empty()) {
      if (!GetClassInfoA(nullptr, p.SuperClass.c_str(), &wc))
        throw EWin32Error(Format("Window class %s is missing", p.SuperClass.c_str()), GetLastError());
      def = wc.lpfnWndProc;
    } else {
      wc.style = p.ClassStyle;
      wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    }
    wc.lpfnWndProc = StdWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = p.WinClassName.c_str();
    wc.lpszMenuName = nullptr;
    ClassProcs()[p.WinClassName] = def;
    if (!RegisterClassA(&wc)) throw EWin32Error("Cannot register window class " + p.WinClassName, GetLastError());
  }
  FDefWndProc = ClassProcs()[p.WinClassName];
  HMENU id = nullptr;
  if (p.Style & WS_CHILD) {
    if (!FControlId) FControlId = AllocateControlId();
    id = reinterpret_cast<HMENU>(INT_PTR(FControlId));
  }
  CreationControl = this;
  HWND h = CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width,
                           p.Height, p.WndParent, id, instance, this);
  CreationControl = nullptr;
  if (!h) throw EWin32Error("Error creating window", GetLastError());
  FHandle = h;
  SendMessageA(h, WM_SETFONT, WPARAM(Font()->Handle()), 0);
  for (TControl* c : std::vector<TControl*>(FControls))
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->HandleNeeded();
  UpdateTabOrder();
  AlignControls();
  RegisterHints();
}

void TWinControl::RegisterHints() {
  Application().UpdateHintTool(this);
  for (TControl* c : FControls)
    if (!c->IsWindowed()) Application().UpdateHintTool(c);
}

void TWinControl::SaveWindowState() {
  if (FHandle) {
    FCaption = Caption();
    SaveWindowData();
  }
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->SaveWindowState();
}

void TWinControl::DestroyWnd() {
  SaveWindowState();
  HWND h = FHandle;
  if (h) DestroyWindow(h);  // the children's windows go with it
  FHandle = nullptr;
  FMouseCapture = nullptr;
  FGraphicUnderMouse = nullptr;
}

void TWinControl::RecreateWnd() {
  if (!FHandle) return;
  DestroyWnd();
  CreateWnd();
}

void TWinControl::InsertControl(TControl* control) {
  FControls.push_back(control);
  control->FParent = this;
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    FTabList.push_back(w);
    if (FHandle) {
      w->HandleNeeded();
      UpdateTabOrder();
    }
  }
  if (control->FParentFont) control->ApplyParentFont();
  AlignControls(control);
  control->Invalidate();
  if (!control->IsWindowed()) Application().UpdateHintTool(control);
  ControlListChange(control, true);
}

void TWinControl::RemoveControl(TControl* control) {
  ControlListChange(control, false);
  if (FMouseCapture == control) FMouseCapture = nullptr;
  if (FGraphicUnderMouse == control) FGraphicUnderMouse = nullptr;
  control->Invalidate();
  auto* w = dynamic_cast<TWinControl*>(control);
  if (w && w->FHandle && !w->IsDestroying()) w->DestroyWnd();
  if (!control->IsWindowed()) Application().RemoveHintTool(control);
  FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
  FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), w), FTabList.end());
  control->FParent = nullptr;
  AlignControls();
}

int TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  auto& list = Parent()->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : int(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (!Parent()) return;
  auto& list = Parent()->FTabList;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  order = std::max(0, std::min(order, int(list.size())));
  list.insert(list.begin() + order, this);
  Parent()->UpdateTabOrder();
}

void TWinControl::UpdateTabOrder() {
  // The dialog keys walk the child windows from the top of the z-order down.
  if (!FHandle) return;
  HWND previous = HWND_TOP;
  for (TWinControl* w : FTabList) {
    if (!w->FHandle) continue;
    SetWindowPos(w->FHandle, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    previous = w->FHandle;
  }
}

void TWinControl::SetTabStop(bool v) {
  if (v == FTabStop) return;
  FTabStop = v;
  if (!FHandle) return;
  LONG_PTR style = GetWindowLongPtrA(FHandle, GWL_STYLE);
  SetWindowLongPtrA(FHandle, GWL_STYLE, v ? style | WS_TABSTOP : style & ~LONG_PTR(WS_TABSTOP));
}

TControl* TWinControl::GraphicControlAt(POINT p) const {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    if (c->IsWindowed() || !c->FVisible) continue;
    RECT r = c->BoundsRect();
    if (PtInRect(&r, p)) return c;
  }
  return nullptr;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  bool resized = width != FWidth || height != FHeight;
  UpdateBoundsFields(left, top, width, height);
  if (FHandle) SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (Parent() && Align() != alNone) Parent()->AlignControls(this);
  if (Parent()) Parent()->ChildChanged(this);
  if (resized) {
    AlignControls();  // the window's own notice of the new size finds the fields already updated
    Application().UpdateHintTool(this);
  }
}

void TWinControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  TControl::SetVisible(visible);
  if (FHandle) ShowWindow(FHandle, visible ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  if (FHandle) EnableWindow(FHandle, enabled);
}

std::string TWinControl::Caption() const {
  if (!FHandle) return FCaption;
  int n = GetWindowTextLengthA(FHandle);
  std::string s(size_t(n) + 1, '\0');
  n = GetWindowTextA(FHandle, &s[0], n + 1);
  s.resize(size_t(n > 0 ? n : 0));
  return s;
}

void TWinControl::SetCaption(const std::string& caption) {
  FCaption = caption;
  if (FHandle) SetWindowTextA(FHandle, caption.c_str());
}

RECT TWinControl::ClientRect() const {
  RECT r{0, 0, FWidth, FHeight};
  if (FHandle) GetClientRect(FHandle, &r);
  return r;
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::SetFocus() {
  if (Handle()) ::SetFocus(FHandle);
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

bool TWinControl::DialogKey(WORD, TSet32) { return false; }

bool TWinControl::DialogChar(char key) {
  for (TControl* c : std::vector<TControl*>(FControls))
    if (c->Visible() && c->Enabled() && c->DialogChar(key)) return true;
  return false;
}

HBRUSH TWinControl::BrushHandle() {
  if (!FBrush || FBrushColor != FColor) {
    FBrush.Reset(CreateSolidBrush(ColorToRGB(FColor)));
    FBrushColor = FColor;
  }
  return FBrush.Get();
}

void TWinControl::FontChanged() {
  if (FHandle) SendMessageA(FHandle, WM_SETFONT, WPARAM(Font()->Handle()), TRUE);
  for (TControl* c : std::vector<TControl*>(FControls))
    if (c->FParentFont) c->ApplyParentFont();
  Invalidate();
}

void TWinControl::AlignControls(TControl* moved) {
  if (FAligning) return;
  FAligning = true;
  RECT r = ClientRect();
  // Each side takes its controls in the order of their places, nearest the edge first.
  auto place = [](TControl* c) {
    switch (c->Align()) {
      case alTop: return c->Top();
      case alBottom: return -(c->Top() + c->Height());
      case alLeft: return c->Left();
      case alRight: return -(c->Left() + c->Width());
      default: return 0;
    }
  };
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
    std::vector<TControl*> side;
    for (TControl* c : FControls)
      if (c->Align() == a && c->Visible()) side.push_back(c);
    std::stable_sort(side.begin(), side.end(), [&](TControl* x, TControl* y) {
      return place(x) < place(y) || (place(x) == place(y) && x == moved && y != moved);
    });
    for (TControl* c : side) {
      int w = c->Width(), h = c->Height();
      switch (a) {
        case alTop: c->SetBounds(r.left, r.top, r.right - r.left, h); r.top += h; break;
        case alBottom: c->SetBounds(r.left, r.bottom - h, r.right - r.left, h); r.bottom -= h; break;
        case alLeft: c->SetBounds(r.left, r.top, w, r.bottom - r.top); r.left += w; break;
        case alRight: c->SetBounds(r.right - w, r.top, w, r.bottom - r.top); r.right -= w; break;
        default: c->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); break;
      }
    }
  }
  FAligning = false;
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (FHandle) m.Result = CallWindowProcA(FDefWndProc ? FDefWndProc : DefWindowProcA, FHandle, m.Msg, m.WParam, m.LParam);
}

void TWinControl::PaintHandler(TMessage& m) {
  PAINTSTRUCT ps;
  HDC dc = m.WParam ? HDC(m.WParam) : BeginPaint(FHandle, &ps);
  {
    TCanvas canvas(dc);
    PaintWindow(canvas);
  }
  for (TControl* c : std::vector<TControl*>(FControls)) {
    if (c->IsWindowed() || !c->Visible()) continue;
    TSaveDC saved(dc);
    IntersectClipRect(dc, c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height());
    POINT origin;
    GetViewportOrgEx(dc, &origin);
    SetViewportOrgEx(dc, origin.x + c->Left(), origin.y + c->Top(), nullptr);
    TCanvas canvas(dc);
    c->Paint(canvas);
  }
  if (!m.WParam) EndPaint(FHandle, &ps);
}

void TWinControl::TrackGraphicUnderMouse(TControl* control) {
  if (control == FGraphicUnderMouse) return;
  TControl* old = FGraphicUnderMouse;
  FGraphicUnderMouse = control;
  if (old) old->Perform(CM_MOUSELEAVE);
  if (control) control->Perform(CM_MOUSEENTER);
}

bool TWinControl::MouseToGraphic(TMessage& m) {
  POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  TControl* target = FMouseCapture ? FMouseCapture : GraphicControlAt(p);
  if (m.Msg == WM_MOUSEMOVE) TrackGraphicUnderMouse(GraphicControlAt(p));
  if (!target) return false;
  if (IsButtonDown(m.Msg) && !FMouseCapture) {
    SetCapture(FHandle);
    FMouseCapture = target;
  } else if ((m.Msg == WM_LBUTTONUP || m.Msg == WM_RBUTTONUP || m.Msg == WM_MBUTTONUP) &&
             !(m.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) && FMouseCapture == target) {
    FMouseCapture = nullptr;
    ReleaseCapture();
  }
  if (!target->Enabled()) return true;
  m.Result = target->Perform(m.Msg, m.WParam, MAKELPARAM(p.x - target->Left(), p.y - target->Top()));
  return true;
}

bool TWinControl::Reflect(TMessage& m) {
  HWND child = nullptr;
  TWinControl* target = nullptr;
  switch (m.Msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      child = reinterpret_cast<HWND>(m.LParam);
      break;
    case WM_NOTIFY:
      if (m.LParam) child = reinterpret_cast<NMHDR*>(m.LParam)->hwndFrom;
      break;
    case WM_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
      if (d && d->CtlType != ODT_MENU) child = d->hwndItem;
      break;
    }
    case WM_COMPAREITEM:
      if (m.LParam) child = reinterpret_cast<COMPAREITEMSTRUCT*>(m.LParam)->hwndItem;
      break;
    case WM_DELETEITEM:
      if (m.LParam) child = reinterpret_cast<DELETEITEMSTRUCT*>(m.LParam)->hwndItem;
      break;
    case WM_MEASUREITEM: {
      // Sent while the child's window is still being made: found by its id.
      auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
      if (!mi || mi->CtlType == ODT_MENU) break;
      for (TWinControl* w : FTabList)
        if (w->FControlId == int(mi->CtlID)) target = w;
      break;
    }
    case WM_PARENTNOTIFY:
      if (LOWORD(m.WParam) == WM_CREATE || LOWORD(m.WParam) == WM_DESTROY) {
        child = reinterpret_cast<HWND>(m.LParam);
      } else {
        POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        child = ChildWindowFromPointEx(FHandle, p, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
      }
      break;
    default:
      return false;
  }
  if (!target && child) {
    target = FindControl(child);
    // A system control's own part (a combo box's edit) speaks for the control.
    if (!target) {
      HWND up = GetParent(child);
      if (up != FHandle) target = FindControl(up);
    }
  }
  if (!target || target == this) return false;
  m.Result = target->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
  return m.Msg != WM_PARENTNOTIFY;  // the parent hears of its children too
}

void TWinControl::CtlColor(TMessage& m) {
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  SetTextColor(dc, ColorToRGB(Font()->Color()));
  SetBkColor(dc, ColorToRGB(FColor));
  m.Result = reinterpret_cast<LRESULT>(BrushHandle());
}

void TWinControl::KeyDown(WORD& key, TSet32 shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TSet32 shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::WndProc(TMessage& m) {
  if (Reflect(m)) return;
  if (m.Msg >= CN_BASE && m.Msg < CN_BASE + 0x400) {
    if (m.Msg >= CN_CTLCOLORMSGBOX && m.Msg <= CN_CTLCOLORSTATIC) CtlColor(m);
    return;  // unhandled notifications end here: the system class never sees our ids
  }
  if (IsMouseMessage(m.Msg)) {
    if (HWND tips = Application().HintWindow()) {
      MSG relay{FHandle, m.Msg, m.WParam, m.LParam, 0, {0, 0}};
      SendMessageA(tips, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
    }
    if (m.Msg == WM_MOUSEMOVE && !MouseInControl()) {
      TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, FHandle, 0};
      TrackMouseEvent(&track);
      Perform(CM_MOUSEENTER);
    }
    if (MouseToGraphic(m)) {
      // A right click still asks for the context menu, which the graphic control may own.
      if (m.Msg == WM_RBUTTONUP) DefaultHandler(m);
      return;
    }
    MouseMessage(m);
    DefaultHandler(m);
    // The press did what any press does (focus, selection); an automatic drag waits for the mouse to move.
    if (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) BeginAutoDrag();
    return;
  }
  switch (m.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      MouseMessage(m);
      return;
    case WM_MOUSELEAVE:
      TrackGraphicUnderMouse(nullptr);
      Perform(CM_MOUSELEAVE);
      break;
    case WM_CAPTURECHANGED:
      // A graphic child still holding the mouse lost it unreleased (a box, another window): it hears of it.
      if (TControl* lost = FMouseCapture) {
        FMouseCapture = nullptr;
        lost->Perform(WM_CAPTURECHANGED, m.WParam, m.LParam);
      }
      break;
    case WM_SYSCOLORCHANGE:
      // The system tells top-level windows only; every control below hears it from its parent.
      DefaultHandler(m);
      for (TControl* c : std::vector<TControl*>(FControls)) c->Perform(WM_SYSCOLORCHANGE, m.WParam, m.LParam);
      return;
    case WM_NOTIFY:
      if (m.LParam && reinterpret_cast<NMHDR*>(m.LParam)->hwndFrom == Application().HintWindow()) {
        m.Result = Application().HintNotify(reinterpret_cast<NMHDR*>(m.LParam));
        return;
      }
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      WORD key = WORD(m.WParam);
      KeyDown(key, KeyboardShiftState());
      if (key == 0) return;
      m.WParam = key;
      break;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      WORD key = WORD(m.WParam);
      KeyUp(key, KeyboardShiftState());
      if (key == 0) return;
      m.WParam = key;
      if (key == VK_APPS) {
        // The context-menu key: the focused control's menu, else the nearest parent's.
        for (TControl* c = this; c; c = c->Parent())
          if (c->ShowPopupMenu(-1)) return;
      }
      break;
    }
    case WM_CHAR: {
      char key = char(m.WParam);
      KeyPress(key);
      if (key == 0) return;
      m.WParam = WPARAM(BYTE(key));
      break;
    }
    case WM_CONTEXTMENU: {
      TControl* target = this;
      if (m.LParam != -1) {
        POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        ScreenToClient(FHandle, &p);
        if (TControl* g = GraphicControlAt(p)) target = g;
      }
      if (target->ShowPopupMenu(m.LParam) || (target != this && ShowPopupMenu(m.LParam))) return;
      break;
    }
    case WM_HELP:
      for (TControl* c = this; c; c = c->Parent()) {
        if (c->HelpContext() == 0) continue;
        Application().HelpContext(c->HelpContext());
        m.Result = 1;
        return;
      }
      break;
    case WM_ERASEBKGND:
      if (FDefWndProc == DefWindowProcA) {
        RECT r;
        GetClientRect(FHandle, &r);
        FillRect(HDC(m.WParam), &r, BrushHandle());
        m.Result = 1;
        return;
      }
      break;
    case WM_PAINT:
      if (FDefWndProc == DefWindowProcA) {
        PaintHandler(m);
        return;
      }
      break;
    case WM_SETCURSOR:
      if (Screen().Cursor() != crDefault) {
        ::SetCursor(Screen().Cursors(Screen().Cursor()));
        m.Result = 1;
        return;
      }
      if (LOWORD(m.LParam) == HTCLIENT && reinterpret_cast<HWND>(m.WParam) == FHandle) {
        // A graphic child (a splitter) shows its own cursor.
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(FHandle, &p);
        TControl* over = FMouseCapture ? FMouseCapture : GraphicControlAt(p);
        TCursor cursor = over && over->Cursor() != crDefault ? over->Cursor() : Cursor();
        if (cursor != crDefault) {
          ::SetCursor(Screen().Cursors(cursor));
          m.Result = 1;
          return;
        }
      }
      break;
    case WM_SETFOCUS:
      Screen().SetActiveControl(this);
      if (TForm* form = ParentForm())
        if (form != this) form->FocusMoved(this);
      break;
    case WM_WINDOWPOSCHANGED: {
      DefaultHandler(m);
      if (FHandle && !IsIconic(FHandle)) {
        RECT r;
        GetWindowRect(FHandle, &r);
        if (Parent() && Parent()->FHandle) MapWindowPoints(HWND_DESKTOP, Parent()->FHandle, reinterpret_cast<POINT*>(&r), 2);
        bool resized = (r.right - r.left) != FWidth || (r.bottom - r.top) != FHeight;
        UpdateBoundsFields(r.left, r.top, r.right - r.left, r.bottom - r.top);
        if (resized) {
          AlignControls();
          Application().UpdateHintTool(this);
        }
      }
      return;
    }
    default:
      break;
  }
  DefaultHandler(m);
}

}  // namespace ui
