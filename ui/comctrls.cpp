#include "comctrls.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>

#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TTabSheet, UI_PROP(Integer, "PageIndex", PageIndex, SetPageIndex))
UI_CLASSINFO(TPageControl, UI_PROP_CLASS("ActivePage", ActivePage, SetActivePage, TTabSheet),
             UI_PROP_BOOL("HotTrack", HotTrack, SetHotTrack))
UI_CLASSINFO(TUpDown, UI_PROP(Integer, "Min", Min, SetMin), UI_PROP(Integer, "Max", Max, SetMax),
             UI_PROP(Integer, "Position", Position, SetPosition), UI_PROP(Integer, "Increment", Increment, SetIncrement),
             UI_PROP_BOOL("Wrap", Wrap, SetWrap),
             UI_PROP_ENUM("Orientation", Orientation, SetOrientation, "udVertical", "udHorizontal"),
             UI_PROP_CLASS("Associate", Associate, SetAssociate, TWinControl))
UI_CLASSINFO(TProgressBar, UI_PROP(Integer, "Min", Min, SetMin), UI_PROP(Integer, "Max", Max, SetMax),
             UI_PROP(Integer, "Position", Position, SetPosition), UI_PROP(Integer, "Step", Step, SetStep),
             UI_PROP_BOOL("Smooth", Smooth, SetSmooth))
UI_CLASSINFO(TRichEdit)

// ---- TTabSheet ----

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  FVisible = false;  // shown while it is the active page
  SetAlign(alClient);
}

TPageControl* TTabSheet::PageControl() const { return dynamic_cast<TPageControl*>(Parent()); }

void TTabSheet::SetPageControl(TPageControl* pageControl) { SetParent(pageControl); }

int TTabSheet::PageIndex() const {
  TPageControl* pc = PageControl();
  if (!pc) return -1;
  auto it = std::find(pc->FPages.begin(), pc->FPages.end(), this);
  return it == pc->FPages.end() ? -1 : int(it - pc->FPages.begin());
}

void TTabSheet::SetPageIndex(int index) {
  if (TPageControl* pc = PageControl()) pc->MovePage(this, index);
}

void TTabSheet::SetCaption(const std::string& caption) {
  TWinControl::SetCaption(caption);
  if (TPageControl* pc = PageControl()) pc->UpdateTabs();
}

// ---- TPageControl ----

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
  FWidth = 289;
  FHeight = 193;
}

void TPageControl::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = WC_TABCONTROLA;
  p.Style |= FHotTrack ? TCS_HOTTRACK : 0;
  p.ExStyle |= WS_EX_CONTROLPARENT;  // Tab walks into the active page
}

void TPageControl::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateTabs();
}

RECT TPageControl::ClientRect() const {
  RECT r = TWinControl::ClientRect();
  if (HandleAllocated()) SendMessageA(const_cast<TPageControl*>(this)->Handle(), TCM_ADJUSTRECT, FALSE,
                                      reinterpret_cast<LPARAM>(&r));
  return r;
}

void TPageControl::UpdateTabs() {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  SendMessageA(h, TCM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < FPages.size(); ++i) {
    std::string text = FPages[i]->Caption();
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = &text[0];
    SendMessageA(h, TCM_INSERTITEMA, WPARAM(i), reinterpret_cast<LPARAM>(&item));
  }
  SendMessageA(h, TCM_SETCURSEL, WPARAM(ActivePageIndex()), 0);
  AlignControls();  // the tabs' rows decide the display area
}

void TPageControl::MovePage(TTabSheet* page, int index) {
  auto it = std::find(FPages.begin(), FPages.end(), page);
  if (it == FPages.end()) return;
  FPages.erase(it);
  index = std::max(0, std::min(index, int(FPages.size())));
  FPages.insert(FPages.begin() + index, page);
  UpdateTabs();
}

void TPageControl::ControlListChange(TControl* control, bool inserting) {
  auto* page = dynamic_cast<TTabSheet*>(control);
  if (!page) return;
  if (inserting) {
    FPages.push_back(page);
    if (!FActivePage) SetActivePage(page);
    else page->SetVisible(false);
  } else {
    auto it = std::find(FPages.begin(), FPages.end(), page);
    if (it == FPages.end()) return;
    int index = int(it - FPages.begin());
    FPages.erase(it);
    if (FActivePage == page) {
      FActivePage = nullptr;
      if (!IsDestroying() && !FPages.empty()) SetActivePage(FPages[size_t(std::min(index, int(FPages.size()) - 1))]);
    }
  }
  if (!IsDestroying()) UpdateTabs();
}

int TPageControl::ActivePageIndex() const {
  auto it = std::find(FPages.begin(), FPages.end(), FActivePage);
  return it == FPages.end() ? -1 : int(it - FPages.begin());
}

void TPageControl::SetActivePageIndex(int index) {
  SetActivePage(index >= 0 && index < PageCount() ? FPages[size_t(index)] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->PageControl() != this) return;
  if (page == FActivePage) return;
  TTabSheet* old = FActivePage;
  FActivePage = page;
  if (page) page->SetVisible(true);
  if (old) old->SetVisible(false);
  if (HandleAllocated()) SendMessageA(Handle(), TCM_SETCURSEL, WPARAM(ActivePageIndex()), 0);
}

void TPageControl::SetHotTrack(bool v) {
  if (v == FHotTrack) return;
  FHotTrack = v;
  RecreateWnd();
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::Change(int index) {
  SetActivePageIndex(index);
  if (OnChange) OnChange(this);
}

void TPageControl::WndProc(TMessage& m) {
  if (m.Msg == CN_NOTIFY) {
    auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
    if (hdr->code == TCN_SELCHANGING) {
      bool allow = CanChange();
      m.Result = allow ? FALSE : TRUE;
      FChangeRefused = !allow;
      // Not every tab control heeds the refusal (keys move the tab anyway): the strip is put back afterwards.
      if (!allow) PostMessageA(Handle(), TCM_SETCURSEL, WPARAM(ActivePageIndex()), 0);
    } else if (hdr->code == TCN_SELCHANGE) {
      if (FChangeRefused) return;
      Change(int(SendMessageA(Handle(), TCM_GETCURSEL, 0, 0)));
    }
    return;
  }
  TWinControl::WndProc(m);
}

void TPageControl::SelectNextPage(bool forward) {
  int count = PageCount();
  if (count < 2 || !CanChange()) return;
  int current = ActivePageIndex();
  int next = current < 0 ? (forward ? 0 : count - 1) : (current + (forward ? 1 : count - 1)) % count;
  // The focus must not stay on a page that goes out of sight: the tab strip takes it.
  if (FActivePage && FActivePage->HandleAllocated() && IsChild(FActivePage->Handle(), GetFocus())) SetFocus();
  Change(next);
}

bool TPageControl::DialogKey(WORD key, TSet32 shift) {
  if (!(shift & (1u << ssCtrl)) || (shift & (1u << ssAlt)) || PageCount() < 2) return false;
  switch (key) {
    case VK_TAB: SelectNextPage(!(shift & (1u << ssShift))); return true;
    case VK_NEXT: SelectNextPage(true); return true;
    case VK_PRIOR: SelectNextPage(false); return true;
    default: return false;
  }
}

// ---- TUpDown ----

TUpDown::TUpDown(TComponent* owner) : TWinControl(owner) {
  FWidth = 17;
  FHeight = 25;
}

void TUpDown::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = UPDOWN_CLASSA;
  p.Style |= UDS_ARROWKEYS | UDS_NOTHOUSANDS;
  if (FAssociate) p.Style |= UDS_SETBUDDYINT | UDS_ALIGNRIGHT;
  if (FWrap) p.Style |= UDS_WRAP;
  if (FOrientation == udHorizontal) p.Style |= UDS_HORZ;
}

void TUpDown::CreateWnd() {
  TWinControl::CreateWnd();
  // The buddy first: setting the position writes it into the buddy's text.
  if (FAssociate) SendMessageA(Handle(), UDM_SETBUDDY, WPARAM(FAssociate->Handle()), 0);
  ApplyRange();
  SendMessageA(Handle(), UDM_SETPOS32, 0, FPosition);
}

void TUpDown::ApplyRange() {
  if (!HandleAllocated()) return;
  SendMessageA(Handle(), UDM_SETRANGE32, WPARAM(FMin), LPARAM(FMax));
  UDACCEL accel{0, UINT(FIncrement)};
  SendMessageA(Handle(), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
}

void TUpDown::SetMin(int v) {
  FMin = v;
  ApplyRange();
}

void TUpDown::SetMax(int v) {
  FMax = v;
  ApplyRange();
}

void TUpDown::SetIncrement(int v) {
  if (v < 1) v = 1;
  FIncrement = v;
  ApplyRange();
}

int TUpDown::Position() const {
  if (!HandleAllocated()) return FPosition;
  BOOL failed = FALSE;
  int pos = int(SendMessageA(const_cast<TUpDown*>(this)->Handle(), UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)));
  return failed ? FPosition : pos;
}

void TUpDown::SetPosition(int v) {
  FPosition = std::max(std::min(FMin, FMax), std::min(v, std::max(FMin, FMax)));
  if (HandleAllocated()) SendMessageA(Handle(), UDM_SETPOS32, 0, FPosition);
}

void TUpDown::SetWrap(bool v) {
  if (v == FWrap) return;
  FWrap = v;
  RecreateWnd();
}

void TUpDown::SetOrientation(TUDOrientation v) {
  if (v == FOrientation) return;
  FOrientation = v;
  RecreateWnd();
}

void TUpDown::SetAssociate(TWinControl* control) {
  if (control == FAssociate) return;
  if (FAssociate) RemoveFreeNotification(FAssociate);
  FAssociate = control;
  if (control) FreeNotification(control);
  FPosition = Position();
  RecreateWnd();
}

void TUpDown::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == FAssociate) FAssociate = nullptr;
}

void TUpDown::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
      if (hdr->code == UDN_DELTAPOS) {
        FLastDelta = reinterpret_cast<NMUPDOWN*>(m.LParam)->iDelta;
        bool allow = true;
        if (OnChanging) OnChanging(this, allow);
        m.Result = allow ? FALSE : TRUE;
      }
      return;
    }
    case CN_VSCROLL:
    case CN_HSCROLL:
      if (LOWORD(m.WParam) == SB_THUMBPOSITION) {
        FPosition = Position();
        if (OnClick) OnClick(this, FLastDelta >= 0 ? btNext : btPrev);
      }
      return;
    default:
      break;
  }
  TWinControl::WndProc(m);
}

// ---- TProgressBar ----

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {
  FWidth = 150;
  FHeight = 16;
}

void TProgressBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = PROGRESS_CLASSA;
  if (FSmooth) p.Style |= PBS_SMOOTH;
}

void TProgressBar::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(Handle(), PBM_SETRANGE32, WPARAM(FMin), LPARAM(FMax));
  SendMessageA(Handle(), PBM_SETPOS, WPARAM(FPosition), 0);
}

void TProgressBar::SetMin(int v) {
  FMin = v;
  if (HandleAllocated()) SendMessageA(Handle(), PBM_SETRANGE32, WPARAM(FMin), LPARAM(FMax));
  SetPosition(FPosition);
}

void TProgressBar::SetMax(int v) {
  FMax = v;
  if (HandleAllocated()) SendMessageA(Handle(), PBM_SETRANGE32, WPARAM(FMin), LPARAM(FMax));
  SetPosition(FPosition);
}

void TProgressBar::SetPosition(int v) {
  FPosition = std::max(FMin, std::min(v, FMax));
  if (HandleAllocated()) SendMessageA(Handle(), PBM_SETPOS, WPARAM(FPosition), 0);
}

void TProgressBar::SetSmooth(bool v) {
  if (v == FSmooth) return;
  FSmooth = v;
  RecreateWnd();
}

// ---- TRichEdit ----

namespace {
// The library that registers the rich edit class, loaded with the first pane and kept for the program's life.
void LoadRichEditLibrary() {
  static HMODULE library = LoadLibraryA("riched20.dll");
  if (!library) throw EWin32Error("Cannot load riched20.dll", GetLastError());
}
}  // namespace

TRichEdit::TRichEdit(TComponent* owner) : TMemo(owner) {}

void TRichEdit::CreateParams(TCreateParams& p) {
  LoadRichEditLibrary();
  TMemo::CreateParams(p);
  p.SuperClass = "RichEdit20A";
}

void TRichEdit::CreateWnd() {
  TMemo::CreateWnd();
  SendMessageA(Handle(), EM_SETEVENTMASK, 0, ENM_CHANGE);
  ApplyColors();
}

void TRichEdit::ApplyColors() {
  if (!HandleAllocated()) return;
  SendMessageA(Handle(), EM_SETBKGNDCOLOR, 0, LPARAM(ColorToRGB(Color())));
  CHARFORMAT2A format{};
  format.cbSize = sizeof format;
  format.dwMask = CFM_COLOR;
  format.crTextColor = ColorToRGB(Font()->Color());
  SendMessageA(Handle(), EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
  SendMessageA(Handle(), EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
}

void TRichEdit::FontChanged() {
  TMemo::FontChanged();
  ApplyColors();
}

void TRichEdit::ColorChanged() {
  TMemo::ColorChanged();
  ApplyColors();
}

}  // namespace ui
