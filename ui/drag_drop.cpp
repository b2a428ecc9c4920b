#include "drag_drop.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "application.h"
#include "dock.h"

namespace ui {

namespace {

constexpr UINT_PTR ScrollTimerId = 1;
constexpr UINT ScrollInterval = 100;
constexpr int SiteReach = 10;

struct TDragSession {
  unsigned Id = 0;
  TControl* Source = nullptr;
  bool Dock = false;
  bool Started = false;
  // Begun by a press that the pressed control handled as any press: until the drag starts, the mouse stays
  // where that press left it (Held: the window we gave it to, when nobody took it).
  bool AfterPress = false;
  HWND Held = nullptr;
  POINT Start{0, 0};
  int Threshold = 0;
  // The control under the cursor (a dock drag: the site), and whether it took the drag at the last move.
  TControl* Target = nullptr;
  bool Accepted = false;
  // Where the cursor held the source, from its top-left corner.
  POINT Grab{0, 0};
  TDragDockObject DockObject{nullptr, RECT{0, 0, 0, 0}};
  bool FrameShown = false;
  RECT Frame{0, 0, 0, 0};
  HHOOK Hook = nullptr;
};

std::unique_ptr<TDragSession> Session;
unsigned LastSessionId = 0;
bool LastDragDropped = false;
HWND CaptureWindow = nullptr;
std::vector<TWinControl*> DockSites;

// Pointers held while a drag's last events run: a control freed by a handler is never reached again.
std::vector<TControl**>& Watches() {
  static std::vector<TControl**> watches;
  return watches;
}

class TWatch {
 public:
  explicit TWatch(TControl*& ref) : FRef(&ref) { Watches().push_back(FRef); }
  ~TWatch() { Watches().erase(std::find(Watches().begin(), Watches().end(), FRef)); }
  TWatch(const TWatch&) = delete;
  TWatch& operator=(const TWatch&) = delete;

 private:
  TControl** FRef;
};

bool Alive(unsigned id) { return Session && Session->Id == id; }

POINT ToControl(TControl* control, POINT screen) {
  POINT origin = control->ClientToScreen(POINT{0, 0});
  return POINT{screen.x - origin.x, screen.y - origin.y};
}

void DrawFrame(const RECT& r) {
  TWindowDC dc(nullptr);
  RECT inner = r;
  DrawFocusRect(dc, &inner);
  InflateRect(&inner, -1, -1);
  DrawFocusRect(dc, &inner);
}

void ShowFrame(TDragSession& s, const RECT* r) {
  if (s.FrameShown && r && EqualRect(&s.Frame, r)) return;
  if (s.FrameShown) DrawFrame(s.Frame);  // drawn twice, the frame is gone
  s.FrameShown = r != nullptr;
  if (r) {
    s.Frame = *r;
    DrawFrame(s.Frame);
  }
}

// The window a point lies on, looked for without the skipped windows (the dragged control and its float window).
HWND WindowAtPoint(POINT p, HWND skip1, HWND skip2) {
  for (HWND top = GetTopWindow(nullptr); top; top = GetWindow(top, GW_HWNDNEXT)) {
    if (top == skip1 || top == skip2 || top == CaptureWindow || !IsWindowVisible(top)) continue;
    RECT r;
    GetWindowRect(top, &r);
    if (!PtInRect(&r, p)) continue;
    HWND current = top;
    for (;;) {
      POINT c = p;
      ScreenToClient(current, &c);
      HWND child = ChildWindowFromPointEx(current, c, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
      if (!child || child == current || child == skip1 || child == skip2) break;
      current = child;
    }
    return current;
  }
  return nullptr;
}

TWinControl* ControlOfWindow(HWND h) {
  for (; h; h = GetParent(h))
    if (TWinControl* c = TWinControl::FindControl(h)) return c;
  return nullptr;
}

TControl* FindDragTarget(POINT p) {
  TWinControl* w = ControlOfWindow(WindowFromPoint(p));
  if (!w) return nullptr;
  if (TControl* g = w->GraphicControlAt(ToControl(w, p)))
    if (g->Enabled()) return g;
  return w;
}

HWND HandleOf(TControl* control) {
  auto* w = dynamic_cast<TWinControl*>(control);
  return w && w->HandleAllocated() ? w->Handle() : nullptr;
}

bool CanHost(TWinControl* site, TControl* dragged) {
  if (site == dragged || !site->HandleAllocated() || !site->Showing() || !IsWindowVisible(site->Handle()))
    return false;
  HWND own = HandleOf(dragged);
  return !own || !IsChild(own, site->Handle());
}

void SetDragCursor(TDragSession& s) {
  if (s.Dock) return;
  SetCursor(Screen().Cursors(s.Accepted ? s.Source->DragCursor() : crNoDrop));
}

void DragTo(POINT p);

void StartDragging() {
  TDragSession& s = *Session;
  unsigned id = s.Id;
  s.Started = true;
  if (!s.Dock) s.Source->DoStartDrag();
  if (!Alive(id)) return;
  POINT p;
  GetCursorPos(&p);
  DragTo(p);
}

void DragTo(POINT p) {
  TDragSession& s = *Session;
  unsigned id = s.Id;
  TControl* target = nullptr;
  if (s.Dock) {
    RECT r{p.x - s.Grab.x, p.y - s.Grab.y, 0, 0};
    r.right = r.left + s.Source->Width();
    r.bottom = r.top + s.Source->Height();
    s.DockObject.SetDockRect(r);
    target = FindDockSite(p, s.Source);
  } else {
    target = FindDragTarget(p);
  }
  auto ask = [&](TControl* c, TDragState state) {
    POINT local = ToControl(c, p);
    bool accept = s.Dock;
    if (s.Dock) static_cast<TWinControl*>(c)->DockOver(&s.DockObject, local.x, local.y, state, accept);
    else c->DragOver(s.Source, local.x, local.y, state, accept);
    return accept;
  };
  if (target != s.Target) {
    if (TControl* old = s.Target) {
      s.Target = nullptr;
      ask(old, dsDragLeave);
      if (!Alive(id)) return;
    }
    s.Target = target;
    s.Accepted = false;
    if (target) ask(target, dsDragEnter);
    if (!Alive(id)) return;
  }
  s.Accepted = s.Target && ask(s.Target, dsDragMove);
  if (!Alive(id)) return;
  if (s.Dock) ShowFrame(s, &s.DockObject.DockRect());
  else SetDragCursor(s);
}

void DragMoved(POINT p) {
  TDragSession& s = *Session;
  if (!s.Started) {
    if (std::abs(p.x - s.Start.x) < s.Threshold && std::abs(p.y - s.Start.y) < s.Threshold) return;
    StartDragging();
    return;
  }
  DragTo(p);
}

// Ends the drag on every path: the capture, the timer, the key hook and the frame go first, then the events run
// with the session already closed, so a handler may begin another drag.
void FinishDrag(bool drop, bool silent = false) {
  if (!Session) return;
  std::unique_ptr<TDragSession> s = std::move(Session);
  KillTimer(CaptureWindow, ScrollTimerId);
  if (s->Hook) UnhookWindowsHookEx(s->Hook);
  ShowFrame(*s, nullptr);
  if (GetCapture() == CaptureWindow || (s->Held && GetCapture() == s->Held)) ReleaseCapture();
  if (silent || !s->Started) return;
  LastDragDropped = drop;
  TControl* source = s->Source;
  TControl* target = s->Target;
  TWatch watchSource(source), watchTarget(target);
  POINT p;
  GetCursorPos(&p);
  if (s->Dock) {
    auto* site = static_cast<TWinControl*>(target);
    if (site) {
      POINT local = ToControl(site, p);
      bool accept = s->Accepted;
      site->DockOver(&s->DockObject, local.x, local.y, dsDragLeave, accept);
    }
    if (!drop || !source) return;
    RECT r = s->DockObject.DockRect();
    if (target && s->Accepted) {
      source->ManualDock(static_cast<TWinControl*>(target), &r);
    } else {
      // The control lands where the frame was: its window's frame goes round it.
      RECT frame = TFloatDockForm::FrameAround(r);
      source->ManualFloat(RECT{frame.left, frame.top, frame.left + (r.right - r.left), frame.top + (r.bottom - r.top)});
    }
    return;
  }
  bool accepted = drop && s->Accepted;
  if (target) {
    POINT local = ToControl(target, p);
    bool accept = s->Accepted;
    target->DragOver(source, local.x, local.y, dsDragLeave, accept);
  }
  if (accepted && target && source) {
    POINT local = ToControl(target, p);
    target->DragDrop(source, local.x, local.y);
  }
  if (!source) return;
  TControl* took = accepted ? target : nullptr;
  POINT local = took ? ToControl(took, p) : POINT{0, 0};
  source->DoEndDrag(took, local.x, local.y);
}

// While a drag begun by a press waits, the pressed control keeps the mouse: a move past the threshold starts
// the drag (in our window, which then takes the mouse), a release first is the end of a plain click.
void WatchPress(MSG& msg) {
  TDragSession& s = *Session;
  switch (msg.message) {
    case WM_MOUSEMOVE:
      if (!(msg.wParam & MK_LBUTTON)) {
        FinishDrag(false);  // released where we could not see it
      } else if (std::abs(msg.pt.x - s.Start.x) >= s.Threshold || std::abs(msg.pt.y - s.Start.y) >= s.Threshold) {
        msg.hwnd = CaptureWindow;
        msg.message = CM_STARTDRAG;
      }
      break;
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
      FinishDrag(false);
      break;
    default:
      break;
  }
}

LRESULT CALLBACK SessionHook(int code, WPARAM removing, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code >= 0 && removing == PM_REMOVE && Session) {
    const bool waitingOnPress = Session->AfterPress && !Session->Started;
    if (waitingOnPress) {
      WatchPress(*msg);
    } else if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
      // Escape goes to the focused window, wherever it is: it becomes our cancel, handled in our window.
      msg->hwnd = CaptureWindow;
      msg->message = CM_CANCELDRAG;
    }
  }
  return CallNextHookEx(nullptr, code, removing, lParam);
}

LRESULT CALLBACK CaptureWndProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  try {
    switch (msg) {
      case WM_MOUSEMOVE:
        if (Session) {
          POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
          ClientToScreen(h, &p);
          DragMoved(p);
        }
        return 0;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
      case WM_MBUTTONUP:
        FinishDrag(true);
        return 0;
      case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(l) != h) FinishDrag(false);
        return 0;
      case CM_CANCELDRAG:
        FinishDrag(false);
        return 0;
      case CM_STARTDRAG:
        if (Session && !Session->Started) {
          unsigned id = Session->Id;
          SetCapture(h);
          if (Alive(id) && !Session->Started) StartDragging();
        }
        return 0;
      case WM_TIMER:
        if (Session && Session->Started && !Session->Dock && Session->Target) {
          unsigned id = Session->Id;
          POINT p;
          GetCursorPos(&p);
          POINT local = ToControl(Session->Target, p);
          if (Session->Target->DragAutoScroll(local.x, local.y) && Alive(id)) DragTo(p);
        }
        return 0;
      case WM_DESTROY:
        FinishDrag(false);
        CaptureWindow = nullptr;
        return 0;
      default:
        break;
    }
  } catch (...) {
    Application().HandleException(nullptr);
  }
  return DefWindowProcA(h, msg, w, l);
}

HWND EnsureCaptureWindow() {
  if (CaptureWindow && IsWindow(CaptureWindow)) return CaptureWindow;
  const char* name = "TDragCapture";
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(instance, name, &wc)) {
    wc.lpfnWndProc = CaptureWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
  }
  // A plain hidden window (not message-only): it takes the capture as any window does.
  CaptureWindow = CreateWindowExA(WS_EX_TOOLWINDOW, name, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  return CaptureWindow;
}

// The window that gets a control's mouse messages: its own, a graphic control's parent's.
HWND MouseWindowOf(TControl* control) {
  for (TControl* c = control; c; c = c->Parent())
    if (HWND h = HandleOf(c)) return h;
  return nullptr;
}

void BeginAnyDrag(TControl* control, bool dock, bool immediate, int threshold, bool afterPress = false) {
  if (Session || !control) return;
  HWND capture = EnsureCaptureWindow();
  if (!capture) return;
  auto s = std::make_unique<TDragSession>();
  s->Id = ++LastSessionId;
  s->Source = control;
  s->Dock = dock;
  s->AfterPress = afterPress && !immediate;
  s->Threshold = threshold < 0 ? Application().Mouse.DragThreshold : threshold;
  GetCursorPos(&s->Start);
  s->Grab = ToControl(control, s->Start);
  s->DockObject = TDragDockObject(control, RECT{0, 0, 0, 0});
  unsigned id = s->Id;
  Session = std::move(s);
  if (!Session->AfterPress) {
    SetCapture(capture);
  } else if (!GetCapture()) {
    // The pressed control did not take the mouse: it gets it, so that it sees the release wherever it comes.
    HWND own = MouseWindowOf(control);
    if (own) SetCapture(own);
    if (Alive(id)) Session->Held = own;
  }
  if (!Alive(id)) return;
  Session->Hook = SetWindowsHookExA(WH_GETMESSAGE, SessionHook, nullptr, GetCurrentThreadId());
  if (!dock) SetTimer(capture, ScrollTimerId, ScrollInterval, nullptr);
  if (immediate) StartDragging();
}

}  // namespace

TControl* DragSource() { return Session ? Session->Source : nullptr; }

bool DragEndedByDrop() { return LastDragDropped; }

void BeginDockDrag(TControl* control, bool immediate, int threshold) { BeginAnyDrag(control, true, immediate, threshold); }

void TControl::BeginDrag(bool immediate, int threshold) {
  BeginAnyDrag(this, FDragKind == dkDock, immediate, threshold);
}

void TControl::EndDrag(bool drop) {
  if (Session && Session->Source == this) FinishDrag(drop);
}

bool TControl::Dragging() const { return Session && Session->Source == this; }

bool TControl::BeginAutoDrag() {
  if (FDragMode != dmAutomatic || !FEnabled || Session) return false;
  // The press's own handling may have run a loop of its own (a scroll bar, a dialog) that saw the release.
  if (GetKeyState(VK_LBUTTON) >= 0) return false;
  BeginAnyDrag(this, FDragKind == dkDock, false, Application().Mouse.DragThreshold, true);
  return Dragging();
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept) {
  // A control takes drops only when it says which.
  accept = OnDragOver != nullptr;
  if (OnDragOver) OnDragOver(this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, int x, int y) {
  if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void TControl::DoStartDrag() {
  if (OnStartDrag) OnStartDrag(this);
}

void TControl::DoEndDrag(TObject* target, int x, int y) {
  if (OnEndDrag) OnEndDrag(this, target, x, y);
}

bool ScrollNearEdges(TWinControl* control, int x, int y) {
  if (!control->HandleAllocated()) return false;
  HWND h = control->Handle();
  LOGFONTA font{};
  GetObjectA(control->Font()->Handle(), sizeof font, &font);
  int margin = std::abs(font.lfHeight);
  auto barSize = [h](int bar) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE;
    return GetScrollInfo(h, bar, &info) && info.nMax > info.nMin ? 16 : 0;
  };
  RECT r;
  GetClientRect(h, &r);
  int vPos = GetScrollPos(h, SB_VERT), hPos = GetScrollPos(h, SB_HORZ);
  if (y < margin) SendMessageA(h, WM_VSCROLL, SB_LINEUP, 0);
  else if (y > r.bottom - barSize(SB_HORZ) - margin) SendMessageA(h, WM_VSCROLL, SB_LINEDOWN, 0);
  if (x < margin) SendMessageA(h, WM_HSCROLL, SB_LINELEFT, 0);
  else if (x > r.right - barSize(SB_VERT) - margin) SendMessageA(h, WM_HSCROLL, SB_LINERIGHT, 0);
  return GetScrollPos(h, SB_VERT) != vPos || GetScrollPos(h, SB_HORZ) != hPos;
}

TWinControl* FindDockSite(POINT p, TControl* dragged) {
  HWND floatHost = nullptr;
  if (auto* host = dynamic_cast<TFloatDockForm*>(dragged->HostDockSite()))
    if (host->HandleAllocated()) floatHost = host->Handle();
  HWND under = WindowAtPoint(p, HandleOf(dragged), floatHost);
  for (HWND h = under; h; h = GetParent(h)) {
    TWinControl* c = TWinControl::FindControl(h);
    if (c && c->DockSite() && CanHost(c, dragged)) return c;
  }
  HWND root = under ? GetAncestor(under, GA_ROOT) : nullptr;
  for (TWinControl* site : DockSites) {
    if (!CanHost(site, dragged)) continue;
    RECT r;
    GetWindowRect(site->Handle(), &r);
    InflateRect(&r, SiteReach, SiteReach);
    if (!PtInRect(&r, p)) continue;
    // Another of our windows in front of the site hides it.
    if (root && root != GetAncestor(site->Handle(), GA_ROOT) && TWinControl::FindControl(root)) continue;
    return site;
  }
  return nullptr;
}

void DragControlGone(TControl* control) {
  if (Session) {
    if (Session->Source == control) {
      FinishDrag(false, true);
    } else if (Session->Target == control) {
      Session->Target = nullptr;
      Session->Accepted = false;
    }
  }
  for (TControl** w : Watches())
    if (*w == control) *w = nullptr;
}

void DockSiteChanged(TWinControl* site, bool isSite) {
  DockSites.erase(std::remove(DockSites.begin(), DockSites.end(), site), DockSites.end());
  if (isSite) DockSites.push_back(site);
}

}  // namespace ui
