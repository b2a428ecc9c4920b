#include "toolbar.h"

#include <windowsx.h>

#include <algorithm>

#include "action.h"
#include "application.h"
#include "image_list.h"
#include "menus.h"

namespace ui {

UI_CLASSINFO(TToolButton,
             UI_PROP_ENUM("Style", Style, SetStyle, "tbsButton", "tbsCheck", "tbsDropDown", "tbsSeparator",
                          "tbsDivider"),
             UI_PROP(Integer, "ImageIndex", ImageIndex, SetImageIndex), UI_PROP_BOOL("Down", Down, SetDown),
             UI_PROP_BOOL("Grouped", Grouped, SetGrouped), UI_PROP_BOOL("AllowAllUp", AllowAllUp, SetAllowAllUp),
             UI_PROP_CLASS("DropdownMenu", DropdownMenu, SetDropdownMenu, TPopupMenu))
UI_CLASSINFO(TToolBar, UI_PROP_CLASS("Images", Images, SetImages, TImageList),
             UI_PROP_CLASS("HotImages", HotImages, SetHotImages, TImageList),
             UI_PROP_CLASS("DisabledImages", DisabledImages, SetDisabledImages, TImageList),
             UI_PROP_BOOL("Flat", Flat, SetFlat), UI_PROP_BOOL("ShowCaptions", ShowCaptions, SetShowCaptions),
             UI_PROP_BOOL("Wrapable", Wrapable, SetWrapable), UI_PROP_BOOL("AutoSize", AutoSize, SetAutoSize),
             UI_PROP(Integer, "Indent", Indent, SetIndent),
             UI_PROP_SET("EdgeBorders", EdgeBorders, SetEdgeBorders, "ebLeft", "ebTop", "ebRight", "ebBottom"),
             UI_PROP_ENUM("EdgeInner", EdgeInner, SetEdgeInner, "esNone", "esRaised", "esLowered"),
             UI_PROP_ENUM("EdgeOuter", EdgeOuter, SetEdgeOuter, "esNone", "esRaised", "esLowered"),
             UI_PROP(Integer, "BorderWidth", BorderWidth, SetBorderWidth))

// ---- TToolButton ----

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) {
  FWidth = 23;
  FHeight = 22;
  FClickEvents = false;  // the toolbar reports clicks
}

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(Parent()); }

int TToolButton::Index() const {
  TToolBar* bar = ToolBar();
  return bar ? bar->SlotIndex(this) : -1;
}

void TToolButton::Changed() {
  if (TToolBar* bar = ToolBar()) {
    bar->SyncButton(this);
    bar->ArrangeButtons();
  }
}

void TToolButton::StateChanged() {
  if (TToolBar* bar = ToolBar()) bar->SyncState(this);
}

void TToolButton::SetStyle(TToolButtonStyle v) {
  if (v == FStyle) return;
  FStyle = v;
  Changed();
}

void TToolButton::SetImageIndex(int v) {
  if (v == FImageIndex) return;
  FImageIndex = v;
  Changed();
}

void TToolButton::SetDown(bool v) {
  if (v == FDown) return;
  FDown = v;
  if (v && FGrouped && FStyle == tbsCheck)
    if (TToolBar* bar = ToolBar()) bar->UngroupOthers(this);
  StateChanged();
}

void TToolButton::SetGrouped(bool v) {
  if (v == FGrouped) return;
  FGrouped = v;
  Changed();
}

void TToolButton::SetDropdownMenu(TPopupMenu* menu) {
  if (menu == FDropdownMenu) return;
  if (FDropdownMenu) RemoveFreeNotification(FDropdownMenu);
  FDropdownMenu = menu;
  if (menu) FreeNotification(menu);
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == FDropdownMenu) FDropdownMenu = nullptr;
}

void TToolButton::SetCaption(const std::string& caption) {
  if (caption == FCaption) return;
  FCaption = caption;
  Changed();
}

void TToolButton::SetVisible(bool visible) {
  if (visible == FVisible) return;
  TGraphicControl::SetVisible(visible);
  Changed();
}

void TToolButton::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  StateChanged();
}

void TToolButton::SetBounds(int, int, int width, int) {
  if (!IsSeparator() || width == FSeparatorWidth) return;
  FSeparatorWidth = std::max(0, width);
  Changed();
}

void TToolButton::Place(const RECT& r) {
  if (r.left == FLeft && r.top == FTop && r.right - r.left == FWidth && r.bottom - r.top == FHeight) return;
  UpdateBoundsFields(r.left, r.top, r.right - r.left, r.bottom - r.top);
  Application().UpdateHintTool(this);
}

void TToolButton::ActionChange(TAction* sender) {
  TGraphicControl::ActionChange(sender);
  SetImageIndex(sender->ImageIndex());
  SetDown(sender->Checked());
}

// ---- TToolBar ----

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner) {
  FWidth = 150;
  FHeight = 29;
}

void TToolBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = TOOLBARCLASSNAMEA;
  p.WinClassName = "TToolBar";
  // We place the toolbar and wrap its rows ourselves.
  p.Style |= CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER;
  if (FFlat) p.Style |= TBSTYLE_FLAT;
}

void TToolBar::CreateWnd() {
  TWinControl::CreateWnd();
  HWND h = Handle();
  // The dialog keys walk into hosted controls, as into our own containers.
  SetWindowLongPtrA(h, GWL_EXSTYLE, GetWindowLongPtrA(h, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
  SendMessageA(h, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(h, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  SendMessageA(h, TB_SETINDENT, WPARAM(FIndent), 0);
  SendMessageA(h, TB_SETMAXTEXTROWS, FShowCaptions ? 1 : 0, 0);
  ApplyImages();
  for (const TSlot& slot : FSlots) AddNativeSlot(slot);
  FrameChanged();
}

BYTE TToolBar::NativeState(TToolButton* b) const {
  BYTE state = 0;
  if (b->Enabled()) state |= TBSTATE_ENABLED;
  if (!b->Visible()) state |= TBSTATE_HIDDEN;
  if (b->FDown) state |= b->FStyle == tbsCheck ? TBSTATE_CHECKED : TBSTATE_PRESSED;
  return state;
}

TBBUTTON TToolBar::NativeButton(TToolButton* b, std::string& text) const {
  TBBUTTON t{};
  t.idCommand = b->FCommand;
  t.fsState = NativeState(b);
  switch (b->FStyle) {
    case tbsCheck: t.fsStyle = BTNS_CHECK | (b->FGrouped ? BTNS_GROUP : 0); break;
    case tbsDropDown: t.fsStyle = BTNS_DROPDOWN; break;
    case tbsSeparator:
    case tbsDivider: t.fsStyle = BTNS_SEP; break;
    default: t.fsStyle = BTNS_BUTTON; break;
  }
  t.iBitmap = b->IsSeparator() ? b->FSeparatorWidth : b->FImageIndex >= 0 ? b->FImageIndex : I_IMAGENONE;
  text = b->Caption();
  t.iString = b->IsSeparator() ? -1 : reinterpret_cast<INT_PTR>(text.c_str());
  return t;
}

void TToolBar::SyncButton(TToolButton* b) {
  if (!HandleAllocated()) return;
  std::string text;
  TBBUTTON t = NativeButton(b, text);
  TBBUTTONINFOA info{};
  info.cbSize = sizeof info;
  info.dwMask = TBIF_IMAGE | TBIF_STATE | TBIF_STYLE | TBIF_TEXT | (b->IsSeparator() ? TBIF_SIZE : 0);
  info.iImage = t.iBitmap;
  info.fsState = t.fsState;
  info.fsStyle = t.fsStyle;
  info.cx = WORD(b->FSeparatorWidth);
  info.pszText = const_cast<char*>(text.c_str());
  // Changed in place: a button's own click may change it while the toolbar is still handling that click.
  SendMessageA(Handle(), TB_SETBUTTONINFOA, WPARAM(b->FCommand), reinterpret_cast<LPARAM>(&info));
}

void TToolBar::SyncState(TToolButton* b) {
  if (!HandleAllocated()) return;
  LRESULT old = SendMessageA(Handle(), TB_GETSTATE, WPARAM(b->FCommand), 0);
  BYTE wrap = old >= 0 ? BYTE(old & TBSTATE_WRAP) : 0;
  SendMessageA(Handle(), TB_SETSTATE, WPARAM(b->FCommand), MAKELPARAM(NativeState(b) | wrap, 0));
}

int TToolBar::SlotIndex(const TControl* control) const {
  for (size_t i = 0; i < FSlots.size(); ++i)
    if (FSlots[i].Control == control) return int(i);
  return -1;
}

TToolButton* TToolBar::ButtonAt(int slot) const {
  return slot >= 0 && slot < int(FSlots.size()) ? dynamic_cast<TToolButton*>(FSlots[size_t(slot)].Control) : nullptr;
}

// A hosted control's place: a disabled, empty button as wide as the control, so that it wraps and
// counts like the buttons; the control itself covers it.
TBBUTTON TToolBar::NativePlaceholder(const TSlot& slot) const {
  TBBUTTON t{};
  t.idCommand = slot.Command;
  t.fsState = slot.Control->Visible() ? 0 : TBSTATE_HIDDEN;
  t.fsStyle = BTNS_BUTTON;
  t.iBitmap = I_IMAGENONE;
  t.iString = -1;
  return t;
}

void TToolBar::AddNativeSlot(const TSlot& slot) {
  HWND h = Handle();
  if (auto* b = dynamic_cast<TToolButton*>(slot.Control)) {
    std::string text;
    TBBUTTON native = NativeButton(b, text);
    SendMessageA(h, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&native));
    return;
  }
  TBBUTTON native = NativePlaceholder(slot);
  SendMessageA(h, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&native));
  SyncPlaceholder(slot);
}

void TToolBar::SyncPlaceholder(const TSlot& slot) {
  if (!HandleAllocated()) return;
  TBBUTTONINFOA info{};
  info.cbSize = sizeof info;
  info.dwMask = TBIF_SIZE | TBIF_STATE;
  info.cx = WORD(std::max(0, slot.Control->Width()));
  info.fsState = slot.Control->Visible() ? 0 : TBSTATE_HIDDEN;
  TBBUTTONINFOA old{};
  old.cbSize = sizeof old;
  old.dwMask = TBIF_SIZE | TBIF_STATE;
  if (SendMessageA(Handle(), TB_GETBUTTONINFOA, WPARAM(slot.Command), reinterpret_cast<LPARAM>(&old)) >= 0 &&
      old.cx == info.cx && (old.fsState & TBSTATE_HIDDEN) == info.fsState)
    return;
  SendMessageA(Handle(), TB_SETBUTTONINFOA, WPARAM(slot.Command), reinterpret_cast<LPARAM>(&info));
}

void TToolBar::PlaceHosted(const TSlot& slot, const RECT& r) {
  TControl* c = slot.Control;
  if (c->Left() != r.left || c->Top() != r.top) c->SetBounds(r.left, r.top, c->Width(), c->Height());
}

void TToolBar::ControlListChange(TControl* control, bool inserting) {
  TWinControl::ControlListChange(control, inserting);
  auto* b = dynamic_cast<TToolButton*>(control);
  if (!b && !control->IsWindowed()) return;
  if (inserting) {
    TSlot slot{control, FNextCommand++};
    if (b) {
      b->FCommand = slot.Command;
      FButtons.push_back(b);
    }
    FSlots.push_back(slot);
    if (HandleAllocated()) AddNativeSlot(slot);
  } else {
    int index = SlotIndex(control);
    if (index < 0) return;
    if (HandleAllocated()) SendMessageA(Handle(), TB_DELETEBUTTON, WPARAM(index), 0);
    FSlots.erase(FSlots.begin() + index);
    if (b) FButtons.erase(std::remove(FButtons.begin(), FButtons.end(), b), FButtons.end());
  }
  ArrangeButtons();
}

void TToolBar::ChildChanged(TControl* child) {
  TWinControl::ChildChanged(child);
  // A hosted control resized, shown or hidden by its owner: its slot follows.
  if (FArranging || dynamic_cast<TToolButton*>(child)) return;
  int index = SlotIndex(child);
  if (index < 0) return;
  SyncPlaceholder(FSlots[size_t(index)]);
  ArrangeButtons();
}

TToolButton* TToolBar::ButtonOfCommand(int command) const {
  for (TToolButton* b : FButtons)
    if (b->FCommand == command) return b;
  return nullptr;
}

void TToolBar::UngroupOthers(TToolButton* b) {
  // The group: the grouped check buttons next to it, up to the first button that is none.
  auto grouped = [this](int slot) {
    TToolButton* x = ButtonAt(slot);
    return x && x->FStyle == tbsCheck && x->FGrouped;
  };
  int i = b->Index();
  for (int j = i - 1; grouped(j); --j) ButtonAt(j)->SetDown(false);
  for (int j = i + 1; grouped(j); ++j) ButtonAt(j)->SetDown(false);
}

void TToolBar::Clicked(TToolButton* b) {
  if (b->FStyle == tbsCheck) {
    bool down = b->FGrouped ? !(b->FDown && b->FAllowAllUp) : !b->FDown;
    b->FDown = !down;  // the toolbar already flipped its own state: set ours and the toolbar's again
    b->SetDown(down);
  }
  b->Click();
  // A linked button shows its action's check, whatever the click did to the toolbar's state.
  if (TAction* a = b->Action()) b->SetDown(a->Checked());
}

void TToolBar::DroppedDown(TToolButton* b) {
  RECT r;
  if (!b->FDropdownMenu || !SendMessageA(Handle(), TB_GETRECT, WPARAM(b->FCommand), reinterpret_cast<LPARAM>(&r)))
    return;
  POINT p{r.left, r.bottom};
  ::ClientToScreen(Handle(), &p);
  b->FDropdownMenu->SetPopupComponent(b);
  b->FDropdownMenu->Popup(p.x, p.y);
}

void TToolBar::SetImageList(TImageList*& field, TImageList* v) {
  if (v == field) return;
  if (field) RemoveFreeNotification(field);
  field = v;
  if (v) FreeNotification(v);
  ApplyImages();
  ArrangeButtons();
}

void TToolBar::SetImages(TImageList* v) { SetImageList(FImages, v); }
void TToolBar::SetHotImages(TImageList* v) { SetImageList(FHotImages, v); }
void TToolBar::SetDisabledImages(TImageList* v) { SetImageList(FDisabledImages, v); }

void TToolBar::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  bool gone = false;
  for (TImageList** f : {&FImages, &FHotImages, &FDisabledImages})
    if (*f == component) *f = nullptr, gone = true;
  // The toolbar never keeps the handle of a freed list.
  if (gone && !IsDestroying()) ApplyImages();
}

void TToolBar::ApplyImages() {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  auto handle = [](TImageList* l) { return reinterpret_cast<LPARAM>(l ? l->Handle() : nullptr); };
  SendMessageA(h, TB_SETIMAGELIST, 0, handle(FImages));
  SendMessageA(h, TB_SETHOTIMAGELIST, 0, handle(FHotImages));
  ApplyDisabledImages();
  int w = FImages ? FImages->Width() : 16, ht = FImages ? FImages->Height() : 16;
  SendMessageA(h, TB_SETBITMAPSIZE, 0, MAKELPARAM(w, ht));
}

void TToolBar::ApplyDisabledImages() {
  if (!HandleAllocated()) return;
  HIMAGELIST disabled = FDisabledImages ? FDisabledImages->Handle() : FImages ? FFadedImages.Of(*FImages) : nullptr;
  if (reinterpret_cast<HIMAGELIST>(SendMessageA(Handle(), TB_GETDISABLEDIMAGELIST, 0, 0)) != disabled)
    SendMessageA(Handle(), TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabled));
}

void TToolBar::ApplyStyle() {
  if (!HandleAllocated()) return;
  LRESULT style = SendMessageA(Handle(), TB_GETSTYLE, 0, 0);
  style = FFlat ? style | TBSTYLE_FLAT : style & ~LRESULT(TBSTYLE_FLAT);
  SendMessageA(Handle(), TB_SETSTYLE, 0, style);
  SendMessageA(Handle(), TB_SETMAXTEXTROWS, FShowCaptions ? 1 : 0, 0);
  ArrangeButtons();
  Invalidate();
}

void TToolBar::SetFlat(bool v) {
  if (v == FFlat) return;
  FFlat = v;
  ApplyStyle();
}

void TToolBar::SetShowCaptions(bool v) {
  if (v == FShowCaptions) return;
  FShowCaptions = v;
  ApplyStyle();
}

void TToolBar::SetWrapable(bool v) {
  if (v == FWrapable) return;
  FWrapable = v;
  ArrangeButtons();
}

void TToolBar::SetAutoSize(bool v) {
  if (v == FAutoSize) return;
  FAutoSize = v;
  ArrangeButtons();
}

void TToolBar::SetIndent(int v) {
  if (v == FIndent) return;
  FIndent = v;
  if (HandleAllocated()) SendMessageA(Handle(), TB_SETINDENT, WPARAM(v), 0);
  ArrangeButtons();
}

void TToolBar::SetEdgeBorders(TSet32 v) {
  if (v != FEdgeBorders) FEdgeBorders = v, FrameChanged();
}
void TToolBar::SetEdgeInner(TEdgeStyle v) {
  if (v != FEdgeInner) FEdgeInner = v, FrameChanged();
}
void TToolBar::SetEdgeOuter(TEdgeStyle v) {
  if (v != FEdgeOuter) FEdgeOuter = v, FrameChanged();
}
void TToolBar::SetBorderWidth(int v) {
  if (v != FBorderWidth) FBorderWidth = std::max(0, v), FrameChanged();
}

void TToolBar::SetMinWidth(int v) {
  FMinWidth = std::max(0, v);
  SetBounds(Left(), Top(), Width(), Height());
}

void TToolBar::SetMinHeight(int v) {
  FMinHeight = std::max(0, v);
  SetBounds(Left(), Top(), Width(), Height());
}

void TToolBar::FrameChanged() {
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ArrangeButtons();
}

int TToolBar::EdgeWidth(TEdgeBorder side) const {
  int edge = (FEdgeBorders & (1u << side)) ? (FEdgeInner != esNone) + (FEdgeOuter != esNone) : 0;
  return edge + FBorderWidth;
}

void TToolBar::CalcNonClient(RECT& r) const {
  r.left += EdgeWidth(ebLeft);
  r.top += EdgeWidth(ebTop);
  r.right -= EdgeWidth(ebRight);
  r.bottom -= EdgeWidth(ebBottom);
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
}

void TToolBar::PaintNonClient() {
  HWND h = Handle();
  RECT window, client;
  GetWindowRect(h, &window);
  OffsetRect(&window, -window.left, -window.top);
  client = window;
  CalcNonClient(client);
  HDC dc = GetWindowDC(h);
  {
    TSaveDC saved(dc);
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    FillRect(dc, &window, GetSysColorBrush(COLOR_BTNFACE));
    UINT edge = (FEdgeInner == esRaised ? BDR_RAISEDINNER : FEdgeInner == esLowered ? BDR_SUNKENINNER : 0) |
                (FEdgeOuter == esRaised ? BDR_RAISEDOUTER : FEdgeOuter == esLowered ? BDR_SUNKENOUTER : 0);
    UINT sides = ((FEdgeBorders & (1u << ebLeft)) ? BF_LEFT : 0) | ((FEdgeBorders & (1u << ebTop)) ? BF_TOP : 0) |
                 ((FEdgeBorders & (1u << ebRight)) ? BF_RIGHT : 0) |
                 ((FEdgeBorders & (1u << ebBottom)) ? BF_BOTTOM : 0);
    if (edge && sides) DrawEdge(dc, &window, edge, sides);
  }
  ReleaseDC(h, dc);
}

bool TToolBar::Vertical() const {
  if (Align() == alLeft || Align() == alRight) return true;
  TWinControl* site = HostDockSite();
  return site && site == Parent() && (site->Align() == alLeft || site->Align() == alRight);
}

void TToolBar::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, FMinWidth);
  height = std::max(height, FMinHeight);
  TWinControl::SetBounds(left, top, width, height);
  if (!FArranging) ArrangeButtons();
}

void TToolBar::ArrangeButtons() {
  if (!HandleAllocated() || FArranging || IsDestroying()) return;
  FArranging = true;
  HWND h = Handle();
  // The toolbar wraps its rows by its width: a change of indent lays it out again.
  auto layout = [&](bool wrap) {
    LRESULT style = SendMessageA(h, TB_GETSTYLE, 0, 0);
    SendMessageA(h, TB_SETSTYLE, 0, wrap ? style | TBSTYLE_WRAPABLE : style & ~LRESULT(TBSTYLE_WRAPABLE));
    SendMessageA(h, TB_SETINDENT, WPARAM(FIndent + 1), 0);
    SendMessageA(h, TB_SETINDENT, WPARAM(FIndent), 0);
  };
  auto itemRect = [&](int i) {
    RECT r{0, 0, 0, 0};
    if (FSlots[size_t(i)].Control->Visible()) SendMessageA(h, TB_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&r));
    return r;
  };
  int slots = int(FSlots.size());
  auto frame = [&] {
    RECT window, client;
    GetWindowRect(h, &window);
    GetClientRect(h, &client);
    return SIZE{(window.right - window.left) - client.right, (window.bottom - window.top) - client.bottom};
  };
  bool vertical = Vertical();
  if (vertical) {
    // A column: as wide as the widest button, so each button begins a row.
    layout(false);
    int widest = 0;
    for (int i = 0; i < slots; ++i) {
      RECT r = itemRect(i);
      widest = std::max(widest, int(r.right - r.left));
    }
    if (FAutoSize && widest > 0) TWinControl::SetBounds(Left(), Top(), FIndent + widest + frame().cx, Height());
  }
  layout(vertical || FWrapable);
  RECT extent{0, 0, 0, 0};
  bool any = false;
  for (int i = 0; i < slots; ++i) {
    const TSlot& slot = FSlots[size_t(i)];
    RECT r = itemRect(i);
    if (TToolButton* b = ButtonAt(i)) {
      b->Place(r);
    } else {
      PlaceHosted(slot, r);
      r.bottom = std::max(r.bottom, LONG(r.top + slot.Control->Height()));
    }
    if (!slot.Control->Visible()) continue;
    any = true;
    extent.right = std::max(extent.right, r.right);
    extent.bottom = std::max(extent.bottom, r.bottom);
  }
  if (FAutoSize && any) {
    SIZE f = frame();
    int w = std::max(int(extent.right) + int(f.cx), FMinWidth);
    int ht = std::max(int(extent.bottom) + int(f.cy), FMinHeight);
    TWinControl::SetBounds(Left(), Top(), w, ht);
  }
  FArranging = false;
}

void TToolBar::WndProc(TMessage& m) {
  if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MBUTTONDBLCLK) {
    // The buttons belong to the toolbar's own window: no child control takes the mouse from it.
    if (HWND tips = Application().HintWindow()) {
      MSG relay{Handle(), m.Msg, m.WParam, m.LParam, 0, {0, 0}};
      SendMessageA(tips, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
    }
    if (m.Msg == WM_MOUSEMOVE && !MouseInControl()) {
      TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, Handle(), 0};
      TrackMouseEvent(&track);
      Perform(CM_MOUSEENTER);
    }
    MouseMessage(m);
    DefaultHandler(m);
    if (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) BeginAutoDrag();
    return;
  }
  switch (m.Msg) {
    case CN_COMMAND:
      if (TToolButton* b = ButtonOfCommand(LOWORD(m.WParam))) Clicked(b);
      return;
    case CN_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(m.LParam);
      if (header->code == UINT(TBN_DROPDOWN)) {
        TToolButton* b = ButtonOfCommand(reinterpret_cast<NMTOOLBARA*>(m.LParam)->iItem);
        if (b && b->FDropdownMenu) {
          DroppedDown(b);
          m.Result = TBDDRET_DEFAULT;
        } else {
          m.Result = TBDDRET_NODEFAULT;
        }
        return;
      }
      break;
    }
    case WM_NCCALCSIZE: {
      DefaultHandler(m);
      RECT* r = m.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0] : reinterpret_cast<RECT*>(m.LParam);
      CalcNonClient(*r);
      return;
    }
    case WM_NCPAINT:
      DefaultHandler(m);
      PaintNonClient();
      return;
    case WM_PAINT:
      // The images may have changed since the copies for disabled buttons were made.
      ApplyDisabledImages();
      break;
    default:
      break;
  }
  TWinControl::WndProc(m);
}

}  // namespace ui
