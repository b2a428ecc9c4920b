#include "list_controls.h"

#include <windowsx.h>

#include <algorithm>

#include "sys_utils.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TComboBox, UI_PROP_CLASS("Items", Items, SetItems, TStrings),
             UI_PROP_ENUM("Style", Style, SetStyle, "csDropDown", "csDropDownList"),
             UI_PROP_BOOL("Sorted", Sorted, SetSorted), UI_PROP(Integer, "DropDownCount", DropDownCount, SetDropDownCount),
             UI_PROP(Integer, "ItemIndex", ItemIndex, SetItemIndex), UI_PROP(String, "Text", Text, SetText))
UI_CLASSINFO(TListBox, UI_PROP_CLASS("Items", Items, SetItems, TStrings), UI_PROP_BOOL("Sorted", Sorted, SetSorted),
             UI_PROP_BOOL("MultiSelect", MultiSelect, SetMultiSelect),
             UI_PROP_ENUM("Style", Style, SetStyle, "lbStandard", "lbOwnerDrawFixed"),
             UI_PROP(Integer, "ItemHeight", ItemHeight, SetItemHeight),
             UI_PROP(Integer, "ItemIndex", ItemIndex, SetItemIndex))
UI_CLASSINFO(TCheckListBox, UI_PROP_BOOL("AllowGrayed", AllowGrayed, SetAllowGrayed))

// ---- TListControlItems ----

void TListControlItems::SetSorted(bool v) {
  if (v == FSorted) return;
  FSorted = v;
  if (!v || Count() < 2) return;
  struct Entry {
    std::string Text;
    TObject* Object;
    int Data;
  };
  std::vector<Entry> entries;
  for (int i = 0; i < Count(); ++i) entries.push_back({Strings(i), Objects(i), FData[size_t(i)]});
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return lstrcmpiA(a.Text.c_str(), b.Text.c_str()) < 0; });
  BeginUpdate();
  Clear();
  for (auto& e : entries) {
    int i = Count();
    Insert(i, e.Text, e.Object);
    FData[size_t(i)] = e.Data;
  }
  EndUpdate();
}

int TListControlItems::AddObject(const std::string& s, TObject* object) {
  int index = Count();
  if (FSorted) {
    // After the equal ones, as the system's own sorted lists insert.
    index = 0;
    while (index < Count() && lstrcmpiA(Strings(index).c_str(), s.c_str()) <= 0) ++index;
  }
  Insert(index, s, object);
  return index;
}

void TListControlItems::Insert(int index, const std::string& s, TObject* object) {
  TStrings::Insert(index, s, object);
  FData.insert(FData.begin() + index, 0);
  if (HWND h = Window()) SendMessageA(h, FMessages.Insert, WPARAM(index), reinterpret_cast<LPARAM>(s.c_str()));
}

void TListControlItems::Delete(int index) {
  TStrings::Delete(index);
  FData.erase(FData.begin() + index);
  if (HWND h = Window()) SendMessageA(h, FMessages.Delete, WPARAM(index), 0);
}

void TListControlItems::Clear() {
  TStrings::Clear();
  FData.clear();
  if (HWND h = Window()) SendMessageA(h, FMessages.Reset, 0, 0);
}

void TListControlItems::SetStrings(int index, const std::string& s) {
  TObject* object = Objects(index);
  int data = FData.at(size_t(index));
  BeginUpdate();
  Delete(index);
  Insert(index, s, object);
  FData[size_t(index)] = data;
  EndUpdate();
}

void TListControlItems::Reload() {
  HWND h = Window();
  if (!h) return;
  SendMessageA(h, WM_SETREDRAW, FALSE, 0);
  SendMessageA(h, FMessages.Reset, 0, 0);
  for (int i = 0; i < Count(); ++i)
    SendMessageA(h, FMessages.Insert, WPARAM(i), reinterpret_cast<LPARAM>(Strings(i).c_str()));
  SendMessageA(h, WM_SETREDRAW, TRUE, 0);
}

void TListControlItems::SetUpdateState(bool updating) {
  HWND h = Window();
  if (!h) return;
  SendMessageA(h, WM_SETREDRAW, !updating, 0);
  if (!updating) InvalidateRect(h, nullptr, TRUE);
}

// ---- TComboBox ----

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner) {
  FWidth = 145;
  FHeight = 21;
  FColor = clWindow;
  FTabStop = true;
}

int TComboBox::ListHeight() const { return FDropDownCount * 16 + 4; }

void TComboBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = "COMBOBOX";
  p.Style |= WS_VSCROLL | CBS_AUTOHSCROLL | (FStyle == csDropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN);
  p.Height = FHeight + ListHeight();
}

void TComboBox::CreateWnd() {
  std::string text = FCaption;
  TWinControl::CreateWnd();
  FItems.Reload();
  SendMessageA(Handle(), CB_SETCURSEL, WPARAM(FItemIndex), 0);
  if (FStyle == csDropDown && FItemIndex < 0) SetWindowTextA(Handle(), text.c_str());
}

void TComboBox::DestroyWnd() {
  FItemIndex = ItemIndex();
  TWinControl::DestroyWnd();
}

void TComboBox::SetBounds(int left, int top, int width, int height) {
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  TWinControl::SetBounds(left, top, width, height);
  // The window also holds the dropped-down list below the field.
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, left, top, width, height + ListHeight(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TComboBox::SetStyle(TComboBoxStyle v) {
  if (v == FStyle) return;
  FItemIndex = ItemIndex();
  FStyle = v;
  RecreateWnd();
}

void TComboBox::SetDropDownCount(int v) {
  if (v < 1 || v == FDropDownCount) return;
  FDropDownCount = v;
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, FWidth, FHeight + ListHeight(), SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

int TComboBox::ItemIndex() const {
  if (!HandleAllocated()) return FItemIndex;
  return int(SendMessageA(const_cast<TComboBox*>(this)->Handle(), CB_GETCURSEL, 0, 0));
}

void TComboBox::SetItemIndex(int v) {
  if (v < -1 || v >= FItems.Count()) v = -1;
  FItemIndex = v;
  if (HandleAllocated()) SendMessageA(Handle(), CB_SETCURSEL, WPARAM(v), 0);
  else FCaption = v >= 0 ? FItems[v] : "";
}

void TComboBox::SetText(const std::string& text) {
  if (FStyle == csDropDownList) {
    int index = -1;
    for (int i = 0; i < FItems.Count() && index < 0; ++i)
      if (FItems[i] == text) index = i;
    SetItemIndex(index);
    return;
  }
  SetCaption(text);
}

bool TComboBox::DroppedDown() const {
  return HandleAllocated() && SendMessageA(const_cast<TComboBox*>(this)->Handle(), CB_GETDROPPEDSTATE, 0, 0);
}

void TComboBox::SetDroppedDown(bool v) {
  if (HandleAllocated()) SendMessageA(Handle(), CB_SHOWDROPDOWN, v, 0);
}

void TComboBox::WndProc(TMessage& m) {
  if (m.Msg == CN_COMMAND) {
    switch (HIWORD(m.WParam)) {
      case CBN_SELCHANGE:
        // The edit shows the chosen text only after this notification: put it there first.
        if (FStyle == csDropDown) {
          int i = ItemIndex();
          if (i >= 0) SetWindowTextA(Handle(), FItems[i].c_str());
        }
        if (OnSelect) OnSelect(this);
        if (OnChange) OnChange(this);
        break;
      case CBN_EDITCHANGE:
        if (OnChange) OnChange(this);
        break;
      case CBN_DROPDOWN:
        if (OnDropDown) OnDropDown(this);
        break;
      case CBN_CLOSEUP:
        if (OnCloseUp) OnCloseUp(this);
        break;
      default:
        break;
    }
    return;
  }
  TWinControl::WndProc(m);
}

// ---- TListBox ----

TListBox::TListBox(TComponent* owner) : TWinControl(owner) {
  FWidth = 121;
  FHeight = 97;
  FColor = clWindow;
  FTabStop = true;
}

void TListBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = "LISTBOX";
  p.Style |= WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS;
  if (FMultiSelect) p.Style |= LBS_EXTENDEDSEL;
  if (FStyle == lbOwnerDrawFixed) p.Style |= LBS_OWNERDRAWFIXED;
  p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListBox::CreateWnd() {
  TWinControl::CreateWnd();
  FItems.Reload();
  if (FStyle == lbStandard && FItemHeight > 0) FItemHeight = int(SendMessageA(Handle(), LB_GETITEMHEIGHT, 0, 0));
  if (FMultiSelect) {
    for (size_t i = 0; i < FSavedSelection.size() && int(i) < FItems.Count(); ++i)
      if (FSavedSelection[i]) SendMessageA(Handle(), LB_SETSEL, TRUE, LPARAM(i));
    if (FSavedIndex >= 0) SendMessageA(Handle(), LB_SETCARETINDEX, WPARAM(FSavedIndex), FALSE);
  } else {
    SendMessageA(Handle(), LB_SETCURSEL, WPARAM(FSavedIndex), 0);
  }
  FSavedSelection.clear();
}

void TListBox::DestroyWnd() {
  FSavedIndex = ItemIndex();
  FSavedSelection.assign(size_t(FItems.Count()), false);
  for (int i = 0; i < FItems.Count(); ++i) FSavedSelection[size_t(i)] = Selected(i);
  TWinControl::DestroyWnd();
}

void TListBox::SetMultiSelect(bool v) {
  if (v == FMultiSelect) return;
  FMultiSelect = v;
  RecreateWnd();
}

void TListBox::SetStyle(TListBoxStyle v) {
  if (v == FStyle) return;
  FStyle = v;
  RecreateWnd();
}

void TListBox::SetItemHeight(int v) {
  if (v <= 0 || v == FItemHeight) return;
  FItemHeight = v;
  if (HandleAllocated()) SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, v);
}

int TListBox::ItemIndex() const {
  if (!HandleAllocated()) return FSavedIndex;
  HWND h = const_cast<TListBox*>(this)->Handle();
  if (!FMultiSelect) return int(SendMessageA(h, LB_GETCURSEL, 0, 0));
  int caret = int(SendMessageA(h, LB_GETCARETINDEX, 0, 0));
  return caret >= 0 && caret < FItems.Count() ? caret : -1;
}

void TListBox::SetItemIndex(int v) {
  if (v < -1 || v >= FItems.Count()) v = -1;
  if (!HandleAllocated()) {
    FSavedIndex = v;
    return;
  }
  if (!FMultiSelect) {
    SendMessageA(Handle(), LB_SETCURSEL, WPARAM(v), 0);
  } else if (v >= 0) {
    SendMessageA(Handle(), LB_SETCARETINDEX, WPARAM(v), FALSE);
  }
}

bool TListBox::Selected(int index) const {
  if (index < 0 || index >= FItems.Count()) throw EStringListError(Format("List index out of bounds (%d)", index));
  if (!HandleAllocated())
    return FMultiSelect ? size_t(index) < FSavedSelection.size() && FSavedSelection[size_t(index)] : index == FSavedIndex;
  return SendMessageA(const_cast<TListBox*>(this)->Handle(), LB_GETSEL, WPARAM(index), 0) > 0;
}

void TListBox::SetSelected(int index, bool v) {
  if (index < 0 || index >= FItems.Count()) throw EStringListError(Format("List index out of bounds (%d)", index));
  if (!FMultiSelect) {
    if (v) SetItemIndex(index);
    else if (ItemIndex() == index) SetItemIndex(-1);
    return;
  }
  if (HandleAllocated()) {
    SendMessageA(Handle(), LB_SETSEL, v, index);
  } else {
    FSavedSelection.resize(size_t(FItems.Count()), false);
    FSavedSelection[size_t(index)] = v;
  }
}

int TListBox::SelCount() const {
  int n = 0;
  for (int i = 0; i < FItems.Count(); ++i) n += Selected(i);
  return n;
}

void TListBox::ClearSelection() {
  for (int i = 0; i < FItems.Count(); ++i) SetSelected(i, false);
}

void TListBox::SelectAll() {
  if (!FMultiSelect) return;
  for (int i = 0; i < FItems.Count(); ++i) SetSelected(i, true);
}

int TListBox::ItemAtPos(POINT p) const {
  if (!HandleAllocated()) return -1;
  LRESULT r = SendMessageA(const_cast<TListBox*>(this)->Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(p.x, p.y));
  if (HIWORD(r)) return -1;  // outside every item
  int index = LOWORD(r);
  return index < FItems.Count() ? index : -1;
}

RECT TListBox::ItemRect(int index) const {
  RECT r{0, 0, 0, 0};
  if (HandleAllocated())
    SendMessageA(const_cast<TListBox*>(this)->Handle(), LB_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&r));
  return r;
}

void TListBox::DrawItem(int index, const RECT& rect, TSet32 state) {
  HDC dc = FCanvas.Handle();
  bool selected = state & (1u << odSelected);
  FillRect(dc, &rect, selected ? GetSysColorBrush(COLOR_HIGHLIGHT) : BrushHandle());
  if (index < 0 || index >= FItems.Count()) return;
  TSelectObject font(dc, Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : ColorToRGB(Font()->Color()));
  RECT r = rect;
  r.left += 2;
  DrawTextA(dc, FItems[index].c_str(), int(FItems[index].size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void TListBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      if (HIWORD(m.WParam) == LBN_SELCHANGE) Click();
      return;
    case CN_MEASUREITEM: {
      auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
      int height = FItemHeight;
      if (OnMeasureItem) OnMeasureItem(this, int(mi->itemID), height);
      mi->itemHeight = UINT(height);
      m.Result = TRUE;
      return;
    }
    case CN_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
      TSet32 state = 0;
      if (d->itemState & ODS_SELECTED) state |= 1u << odSelected;
      if (d->itemState & ODS_FOCUS) state |= 1u << odFocused;
      if (d->itemState & ODS_DISABLED) state |= 1u << odDisabled;
      TSaveDC saved(d->hDC);
      FCanvas.SetHandle(d->hDC);
      try {
        if (OnDrawItem) OnDrawItem(this, int(d->itemID), d->rcItem, state);
        else DrawItem(int(d->itemID), d->rcItem, state);
        if ((d->itemState & ODS_FOCUS) && (d->itemAction & (ODA_DRAWENTIRE | ODA_FOCUS))) DrawFocusRect(d->hDC, &d->rcItem);
      } catch (...) {
        FCanvas.SetHandle(nullptr);
        throw;
      }
      FCanvas.SetHandle(nullptr);
      m.Result = TRUE;
      return;
    }
    default:
      break;
  }
  TWinControl::WndProc(m);
}

// ---- TCheckListBox ----

namespace {
constexpr int kCheckWidth = 16;
}

TCheckListBox::TCheckListBox(TComponent* owner) : TListBox(owner) { SetStyle(lbOwnerDrawFixed); }

void TCheckListBox::SetState(int index, TCheckBoxState v) {
  if (index < 0 || index >= FItems.Count()) throw EStringListError(Format("List index out of bounds (%d)", index));
  if (State(index) == v) return;
  FItems.SetData(index, v);
  if (HandleAllocated()) {
    RECT r = ItemRect(index);
    InvalidateRect(Handle(), &r, FALSE);
  }
}

void TCheckListBox::ToggleByUser(int index) {
  if (index < 0 || index >= FItems.Count()) return;
  TCheckBoxState next = State(index) == cbUnchecked ? cbChecked
                        : State(index) == cbChecked && FAllowGrayed ? cbGrayed
                                                                    : cbUnchecked;
  SetState(index, next);
  FClickedIndex = index;
  if (OnClickCheck) OnClickCheck(this);
}

void TCheckListBox::DrawItem(int index, const RECT& rect, TSet32 state) {
  HDC dc = Canvas().Handle();
  RECT box{rect.left, rect.top, rect.left + kCheckWidth, rect.bottom};
  FillRect(dc, &box, BrushHandle());
  if (index >= 0 && index < FItems.Count()) {
    RECT mark{box.left + 2, box.top + (box.bottom - box.top - 13) / 2, box.left + 15, 0};
    mark.bottom = mark.top + 13;
    UINT flags = DFCS_BUTTONCHECK | (State(index) != cbUnchecked ? DFCS_CHECKED : 0) |
                 (State(index) == cbGrayed || !Enabled() ? DFCS_INACTIVE : 0);
    DrawFrameControl(dc, &mark, DFC_BUTTON, flags);
  }
  RECT text = rect;
  text.left += kCheckWidth;
  TListBox::DrawItem(index, text, state);
}

void TCheckListBox::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      int index = ItemAtPos(p);
      TListBox::WndProc(m);
      if (index >= 0 && p.x < kCheckWidth && Enabled()) ToggleByUser(index);
      return;
    }
    case WM_CHAR:
      if (m.WParam == ' ') {
        ToggleByUser(ItemIndex());
        return;
      }
      break;
    default:
      break;
  }
  TListBox::WndProc(m);
}

}  // namespace ui
