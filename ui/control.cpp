#include "control.h"

#include <windowsx.h>

#include <algorithm>
#include <map>

#include "action.h"
#include "application.h"
#include "form.h"
#include "sys_utils.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TControl, UI_PROP(Integer, "Left", Left, SetLeft), UI_PROP(Integer, "Top", Top, SetTop),
             UI_PROP(Integer, "Width", Width, SetWidth), UI_PROP(Integer, "Height", Height, SetHeight),
             UI_PROP_ENUM("Align", Align, SetAlign, "alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"),
             UI_PROP_BOOL("Visible", Visible, SetVisible), UI_PROP_BOOL("Enabled", Enabled, SetEnabled),
             UI_PROP(String, "Caption", Caption, SetCaption), UI_PROP_CLASS("Font", Font, SetFont, TFont),
             UI_PROP(Integer, "Color", Color, SetColor), UI_PROP(String, "Hint", Hint, SetHint))
UI_CLASSINFO(TGraphicControl)
UI_CLASSINFO(TWinControl)

TSet32 KeyboardShiftState() {
  TSet32 s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= 1u << ssShift;
  if (GetKeyState(VK_MENU) < 0) s |= 1u << ssAlt;
  if (GetKeyState(VK_CONTROL) < 0) s |= 1u << ssCtrl;
  return s;
}

// ---- TControl ----

TControl::TControl(TComponent* owner) : TComponent(owner) {}

void TControl::Destroying() {
  if (FAction) FAction->UnRegisterChanges(this);
  FAction = nullptr;
  if (FParent) FParent->RemoveControl(this);
  TComponent::Destroying();
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FAction) FAction = nullptr;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (FParent) FParent->RemoveControl(this);
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
  if (FParent && FAlign != alNone) FParent->AlignControls();
}

void TControl::SetAlign(TAlign align) {
  if (align == FAlign) return;
  FAlign = align;
  if (FParent) FParent->AlignControls();
}

void TControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  if (FParent) {
    FParent->Invalidate();
    FParent->AlignControls();
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
  Invalidate();
}

void TControl::SetAction(TAction* action) {
  if (action == FAction) return;
  if (FAction) {
    FAction->UnRegisterChanges(this);
    RemoveFreeNotification(FAction);
  }
  FAction = action;
  if (action) {
    action->RegisterChanges(this);
    FreeNotification(action);
    ActionChange(action);
  }
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
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
      FMouseDown = FEnabled;
      break;
    case WM_LBUTTONUP: {
      bool wasDown = FMouseDown;
      FMouseDown = false;
      POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      if (wasDown && p.x >= 0 && p.y >= 0 && p.x < FWidth && p.y < FHeight) Click();
      break;
    }
    default:
      break;
  }
}

void TControl::Click() {
  if (OnClick) {
    OnClick(this);
  } else if (FAction) {
    FAction->Execute();
  }
}

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
  }
  if (!c) return CallWindowProcA(ClassDefProc(h), h, msg, w, l);
  TMessage m{msg, w, l, 0};
  try {
    c->WndProc(m);
  } catch (...) {
    Application().HandleException(c);
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(h, GWLP_USERDATA, 0);
    if (c->FHandle == h) c->FHandle = nullptr;
  }
  return m.Result;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  // Deleted without Free: never let the window reach a dead object.
  if (FHandle) {
    SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
    DestroyWindow(FHandle);
  }
  Screen().ControlDestroyed(this);
}

void TWinControl::Destroying() {
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
  return reinterpret_cast<TWinControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
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
  if (Parent()) {
    p.Style |= WS_CHILD;
    p.WndParent = Parent()->Handle();
  }
  if (FVisible) p.Style |= WS_VISIBLE;
  if (!FEnabled) p.Style |= WS_DISABLED;
}

void TWinControl::CreateWnd() {
  if (Parent()) Parent()->HandleNeeded();
  if (FHandle) return;  // the parent made our window along with its own
  TCreateParams p;
  CreateParams(p);
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
  CreationControl = this;
  HWND h = CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width,
                           p.Height, p.WndParent, nullptr, instance, this);
  CreationControl = nullptr;
  if (!h) throw EWin32Error("Error creating window", GetLastError());
  FHandle = h;
  SendMessageA(h, WM_SETFONT, WPARAM(Font()->Handle()), 0);
  for (TControl* c : std::vector<TControl*>(FControls))
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->HandleNeeded();
  AlignControls();
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
    if (FHandle) w->HandleNeeded();
  }
  AlignControls();
  control->Invalidate();
}

void TWinControl::RemoveControl(TControl* control) {
  if (FMouseCapture == control) FMouseCapture = nullptr;
  control->Invalidate();
  auto* w = dynamic_cast<TWinControl*>(control);
  if (w && w->FHandle && !w->IsDestroying()) w->DestroyWnd();
  FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
  control->FParent = nullptr;
  AlignControls();
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
  UpdateBoundsFields(left, top, width, height);
  if (FHandle) SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (Parent() && Align() != alNone) Parent()->AlignControls();
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

void TWinControl::AlignControls() {
  if (FAligning) return;
  FAligning = true;
  RECT r = ClientRect();
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : FControls) {
      if (c->Align() != a || !c->Visible()) continue;
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
    int saved = SaveDC(dc);
    IntersectClipRect(dc, c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height());
    SetViewportOrgEx(dc, c->Left(), c->Top(), nullptr);
    {
      TCanvas canvas(dc);
      c->Paint(canvas);
    }
    RestoreDC(dc, saved);
  }
  if (!m.WParam) EndPaint(FHandle, &ps);
}

bool TWinControl::MouseToGraphic(TMessage& m) {
  POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  TControl* target = FMouseCapture ? FMouseCapture : GraphicControlAt(p);
  if (!target) return false;
  if (m.Msg == WM_LBUTTONDOWN) {
    FMouseCapture = target;
    SetCapture(FHandle);
  } else if (m.Msg == WM_LBUTTONUP) {
    FMouseCapture = nullptr;
    ReleaseCapture();
  }
  if (!target->Enabled()) return true;
  m.Result = target->Perform(m.Msg, m.WParam, MAKELPARAM(p.x - target->Left(), p.y - target->Top()));
  return true;
}

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_COMMAND:
      if (m.LParam) {
        TWinControl* child = FindControl(reinterpret_cast<HWND>(m.LParam));
        if (child && child != this) {
          m.Result = child->Perform(CN_COMMAND, m.WParam, m.LParam);
          return;
        }
      }
      break;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
      TWinControl* child = hdr ? FindControl(hdr->hwndFrom) : nullptr;
      if (child && child != this) {
        m.Result = child->Perform(CN_NOTIFY, m.WParam, m.LParam);
        return;
      }
      break;
    }
    case WM_ERASEBKGND:
      if (FDefWndProc == DefWindowProcA) {
        RECT r;
        GetClientRect(FHandle, &r);
        HBRUSH b = CreateSolidBrush(ColorToRGB(FColor));
        FillRect(HDC(m.WParam), &r, b);
        DeleteObject(b);
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
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_LBUTTONDBLCLK:
      if (MouseToGraphic(m)) return;
      break;
    case WM_SETCURSOR:
      if (Screen().Cursor() != crDefault) {
        ::SetCursor(Screen().Cursors(Screen().Cursor()));
        m.Result = 1;
        return;
      }
      if (Cursor() != crDefault && LOWORD(m.LParam) == HTCLIENT && reinterpret_cast<HWND>(m.WParam) == FHandle) {
        ::SetCursor(Screen().Cursors(Cursor()));
        m.Result = 1;
        return;
      }
      break;
    case WM_SETFOCUS:
      Screen().SetActiveControl(this);
      break;
    case WM_WINDOWPOSCHANGED: {
      DefaultHandler(m);
      if (FHandle && !IsIconic(FHandle)) {
        RECT r;
        GetWindowRect(FHandle, &r);
        if (Parent() && Parent()->FHandle) MapWindowPoints(HWND_DESKTOP, Parent()->FHandle, reinterpret_cast<POINT*>(&r), 2);
        bool resized = (r.right - r.left) != FWidth || (r.bottom - r.top) != FHeight;
        UpdateBoundsFields(r.left, r.top, r.right - r.left, r.bottom - r.top);
        if (resized) AlignControls();
      }
      return;
    }
    default:
      break;
  }
  DefaultHandler(m);
}

}  // namespace ui
