#include "list_view.h"

#include <algorithm>

#include "drag_drop.h"
#include "sys_utils.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TListColumn,
             UI_PROP_ENUM("Alignment", Alignment, SetAlignment, "taLeftJustify", "taRightJustify", "taCenter"),
             UI_PROP_BOOL("AutoSize", AutoSize, SetAutoSize), UI_PROP(String, "Caption", Caption, SetCaption),
             UI_PROP(Integer, "ImageIndex", ImageIndex, SetImageIndex), UI_PROP(Integer, "Width", Width, SetWidth))
UI_CLASSINFO(TListColumns)
UI_CLASSINFO(TListView, UI_PROP_CLASS("Columns", Columns, SetColumns, TListColumns),
             UI_PROP_ENUM("ViewStyle", ViewStyle, SetViewStyle, "vsIcon", "vsSmallIcon", "vsList", "vsReport"),
             UI_PROP_BOOL("MultiSelect", MultiSelect, SetMultiSelect),
             UI_PROP_BOOL("RowSelect", RowSelect, SetRowSelect),
             UI_PROP_BOOL("Checkboxes", Checkboxes, SetCheckboxes), UI_PROP_BOOL("ReadOnly", ReadOnly, SetReadOnly),
             UI_PROP_BOOL("ShowColumnHeaders", ShowColumnHeaders, SetShowColumnHeaders),
             UI_PROP_BOOL("HideSelection", HideSelection, SetHideSelection),
             UI_PROP_BOOL("OwnerData", OwnerData, SetOwnerData),
             UI_PROP_BOOL("VirtualItems", VirtualItems, SetVirtualItems))

namespace {

// Selected, focused and the state image (check boxes live there) are what a new window must get back.
constexpr UINT kKeptState = LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK;

const std::string& EmptyText() {
  static const std::string empty;
  return empty;
}

struct SortContext {
  TListView* View;
  const TLVCompare& Compare;
  intptr_t Data;
  std::exception_ptr Failure;
};

int CALLBACK CompareItems(LPARAM a, LPARAM b, LPARAM context) {
  auto* c = reinterpret_cast<SortContext*>(context);
  auto* i1 = reinterpret_cast<TListItem*>(a);
  auto* i2 = reinterpret_cast<TListItem*>(b);
  // Items deleted meanwhile go last and are no longer handed to the compare, nor is anything after a
  // failed call; nothing unwinds through the control. The order stays consistent either way.
  bool gone1 = i1->Owner()->IndexOf(i1) < 0, gone2 = i2->Owner()->IndexOf(i2) < 0;
  if (gone1 != gone2) return gone1 ? 1 : -1;
  int r = 0;
  if (!c->Failure && !gone1) {
    try {
      r = c->Compare(i1, i2, c->Data);
    } catch (...) {
      c->Failure = std::current_exception();
    }
  }
  if (r == 0) r = (i1->Index() > i2->Index()) - (i1->Index() < i2->Index());
  return r;
}

}  // namespace

// ---- TListColumn ----

TListView* TListColumn::ListView() const {
  auto* columns = dynamic_cast<TListColumns*>(Collection());
  return columns ? columns->Owner() : nullptr;
}

void TListColumn::SetCaption(const std::string& v) {
  if (v != FCaption) FCaption = v, Changed(false);
}

int TListColumn::Width() const {
  TListView* lv = ListView();
  if (lv && lv->HandleAllocated() && !lv->FSizingColumns) {
    int w = int(lv->Send(LVM_GETCOLUMNWIDTH, WPARAM(Index())));
    if (w > 0) return w;
  }
  return FWidth;
}

void TListColumn::SetWidth(int v) {
  TListView* lv = ListView();
  if (v < 0 && v != ColumnTextWidth && v != ColumnHeaderWidth) v = 0;
  if (v < 0) {
    // Fitting needs the control's measure.
    if (lv && lv->HandleAllocated()) {
      lv->Send(LVM_SETCOLUMNWIDTH, WPARAM(Index()), MAKELPARAM(v == ColumnTextWidth ? LVSCW_AUTOSIZE
                                                                                      : LVSCW_AUTOSIZE_USEHEADER, 0));
      FWidth = int(lv->Send(LVM_GETCOLUMNWIDTH, WPARAM(Index())));
    }
    return;
  }
  FWidth = v;
  Changed(false);
}

void TListColumn::SetAlignment(TAlignment v) {
  if (v != FAlignment) FAlignment = v, Changed(false);
}

void TListColumn::SetAutoSize(bool v) {
  if (v != FAutoSize) FAutoSize = v, Changed(false);
}

void TListColumn::SetImageIndex(int v) {
  if (v != FImageIndex) FImageIndex = v, Changed(false);
}

void TListColumn::Assign(const TPersistent* source) {
  auto* c = dynamic_cast<const TListColumn*>(source);
  if (!c) {
    TCollectionItem::Assign(source);
    return;
  }
  FCaption = c->FCaption;
  FWidth = c->Width();
  FAlignment = c->FAlignment;
  FAutoSize = c->FAutoSize;
  FImageIndex = c->FImageIndex;
  Changed(false);
}

TListColumns::TListColumns(TListView* owner)
    : TOwnedCollection(owner,
                       [](TCollection* c) { return new TListColumn(c); }),
      FListView(owner) {}

void TListColumns::Update(TCollectionItem* item) {
  if (item) {
    FListView->UpdateColumn(static_cast<TListColumn*>(item));
  } else {
    FListView->UpdateColumns();
  }
}

// ---- TListItem ----

TListView* TListItem::ListView() const { return FOwner ? FOwner->FOwner : nullptr; }

const std::string& TListItem::SubItem(int index) const {
  return index >= 0 && index < SubItemCount() ? FSubItems[size_t(index)] : EmptyText();
}

void TListItem::SetSubItem(int index, const std::string& v) {
  if (index < 0) return;
  if (index >= SubItemCount()) FSubItems.resize(size_t(index) + 1);
  FSubItems[size_t(index)] = v;
  Update();
}

void TListItem::ClearSubItems() {
  FSubItems.clear();
  Update();
}

void TListItem::SetCaption(const std::string& v) {
  FCaption = v;
  Update();
}

void TListItem::SetImageIndex(int v) {
  FImageIndex = v;
  Update();
}

void TListItem::SetStateIndex(int v) {
  FStateIndex = v;
  if (ListView() && ListView()->FVirtualItems) Update();  // the control asks for it
  else if (ListView() && !ListView()->FCheckboxes)
    SetStateBits(v >= 0 && v < 15 ? INDEXTOSTATEIMAGEMASK(v + 1) : 0, LVIS_STATEIMAGEMASK);
}

void TListItem::SetOverlayIndex(int v) {
  FOverlayIndex = v;
  if (ListView() && ListView()->FVirtualItems) Update();
  else SetStateBits(v >= 0 && v < 15 ? INDEXTOOVERLAYMASK(v + 1) : 0, LVIS_OVERLAYMASK);
}

UINT TListItem::ControlState() const {
  TListView* lv = ListView();
  if (lv && !lv->StateInItems() && FIndex >= 0)
    return UINT(lv->Send(LVM_GETITEMSTATE, WPARAM(FIndex), LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK));
  return FState;
}

bool TListItem::StateBit(UINT bit) const { return (ControlState() & bit) != 0; }

void TListItem::SetStateBits(UINT state, UINT mask) {
  TListView* lv = ListView();
  if (lv && lv->FVirtualItems) {
    lv->SetVirtualState(this, state, mask);
    return;
  }
  FState = (FState & ~mask) | (state & mask);
  if (!lv || !lv->HandleAllocated() || FIndex < 0 || lv->FFillingData) return;
  LVITEMA item{};
  item.state = state;
  item.stateMask = mask;
  lv->Send(LVM_SETITEMSTATE, WPARAM(FIndex), LPARAM(&item));
}

bool TListItem::Selected() const { return StateBit(LVIS_SELECTED); }
void TListItem::SetSelected(bool v) { SetStateBits(v ? LVIS_SELECTED : 0, LVIS_SELECTED); }
bool TListItem::Focused() const { return StateBit(LVIS_FOCUSED); }
void TListItem::SetFocused(bool v) { SetStateBits(v ? LVIS_FOCUSED : 0, LVIS_FOCUSED); }
bool TListItem::Checked() const { return (ControlState() & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2); }
void TListItem::SetChecked(bool v) { SetStateBits(INDEXTOSTATEIMAGEMASK(v ? 2 : 1), LVIS_STATEIMAGEMASK); }

void TListItem::Delete() {
  if (FOwner && this != &FOwner->FOwner->FTempItem) FOwner->DeleteItem(this);
}

void TListItem::MakeVisible(bool partialOK) {
  TListView* lv = ListView();
  if (lv) lv->SyncNow();
  if (lv && lv->HandleAllocated()) lv->Send(LVM_ENSUREVISIBLE, WPARAM(FIndex), partialOK);
}

RECT TListItem::DisplayRect(int code) const {
  RECT r{code, 0, 0, 0};
  TListView* lv = ListView();
  if (lv) lv->SyncNow();
  if (!lv || !lv->HandleAllocated() || !lv->Send(LVM_GETITEMRECT, WPARAM(FIndex), LPARAM(&r))) r = RECT{};
  return r;
}

bool TListItem::EditCaption() {
  TListView* lv = ListView();
  if (!lv || lv->FReadOnly) return false;
  lv->SyncNow();
  lv->SetFocus();
  return lv->Send(LVM_EDITLABELA, WPARAM(FIndex)) != 0;
}

void TListItem::Update() {
  TListView* lv = ListView();
  if (lv && lv->HandleAllocated() && FIndex >= 0 && lv->FItems.FUpdateCount == 0 && !lv->FFillingData &&
      !lv->FCountStale && !lv->FStateStale)
    lv->Send(LVM_REDRAWITEMS, WPARAM(FIndex), LPARAM(FIndex));
}

// ---- TListItems ----

TListItems::~TListItems() {
  for (TListItem* i : FItems) delete i;
}

int TListItems::Count() const { return FOwner->FOwnerData ? FOwnerCount : int(FItems.size()); }

void TListItems::SetCount(int count) {
  if (!FOwner->FOwnerData || count < 0) return;
  FOwnerCount = count;
  if (FOwner->HandleAllocated()) FOwner->Send(LVM_SETITEMCOUNT, WPARAM(count), 0);
}

TListItem* TListItems::Insert(int index) {
  if (FOwner->FOwnerData) throw EInvalidOperation("An owner-data list has no items of its own");
  if (index < 0 || index > int(FItems.size())) throw EInvalidOperation(Format("List index out of bounds (%d)", index));
  auto* item = new TListItem(this);
  if (index < int(FItems.size())) FOwner->RowsMoving();
  FItems.insert(FItems.begin() + index, item);
  Renumber(index);
  FOwner->InsertIntoControl(item);
  return item;
}

TListItem* TListItems::Add(const std::function<void(TListItem*)>& prepare) {
  if (FOwner->FOwnerData) throw EInvalidOperation("An owner-data list has no items of its own");
  auto* item = new TListItem(this);
  if (prepare) prepare(item);
  if (item->FState & (LVIS_SELECTED | LVIS_FOCUSED)) FOwner->RowsMoving();
  item->FIndex = int(FItems.size());
  FItems.push_back(item);
  FOwner->InsertIntoControl(item);
  return item;
}

void TListItems::Renumber(int from) {
  for (size_t i = size_t(from); i < FItems.size(); ++i) FItems[i]->FIndex = int(i);
}

TListItem* TListItems::Item(int index) const {
  if (FOwner->FOwnerData) {
    if (index < 0 || index >= FOwnerCount) return nullptr;
    TListItem& temp = FOwner->FTempItem;
    temp.FIndex = index;
    temp.FCaption.clear();
    temp.FSubItems.clear();
    temp.FData = nullptr;
    temp.FImageIndex = temp.FStateIndex = temp.FOverlayIndex = -1;
    if (FOwner->OnData) {
      // What the handler sets is only handed to the control, which is drawing it right now.
      FOwner->FFillingData = true;
      try {
        FOwner->OnData(FOwner, &temp);
      } catch (...) {
        FOwner->FFillingData = false;
        throw;
      }
      FOwner->FFillingData = false;
    }
    return &temp;
  }
  return index >= 0 && index < int(FItems.size()) ? FItems[size_t(index)] : nullptr;
}

int TListItems::IndexOf(const TListItem* item) const {
  return item && item->FOwner == this && !item->FDeleted ? item->FIndex : -1;
}

void TListItems::Delete(int index) {
  if (FOwner->FOwnerData) return;
  if (index < 0 || index >= int(FItems.size())) throw EInvalidOperation(Format("List index out of bounds (%d)", index));
  DeleteItem(FItems[size_t(index)]);
}

void TListItems::DeleteItem(TListItem* item) {
  if (item->FDeleted) return;
  if (FOwner->FSortDepth > 0) {
    // The control still holds the item while it sorts; it goes once the sort is over.
    item->FDeleted = true;
    FPendingDeletes.push_back(item);
    return;
  }
  if (FOwner->FEditingItem == item) {
    FOwner->FEditingItem = nullptr;
    if (FOwner->HandleAllocated()) FOwner->Send(LVM_CANCELEDITLABEL);
  }
  if (FOwner->FVirtualItems) {
    FOwner->RowsMoving();
    if (item->FState & LVIS_SELECTED) FOwner->SelectionChanged(false);
  }
  // Still ours while the control tells of its going (a deselection, say); no second deletion meanwhile.
  item->FDeleted = true;
  if (FOwner->HandleAllocated() && !FOwner->FVirtualItems) FOwner->Send(LVM_DELETEITEM, WPARAM(item->FIndex));
  int index = item->FIndex;
  FItems.erase(FItems.begin() + index);
  item->FOwner = nullptr;
  Renumber(index);
  delete item;
  FOwner->RowsChanged();
}

void TListItems::Clear() {
  if (FOwner->FOwnerData) {
    SetCount(0);
    return;
  }
  if (FOwner->FSortDepth > 0) {
    for (TListItem* i : FItems) DeleteItem(i);
    return;
  }
  if (FOwner->FEditingItem) {
    FOwner->FEditingItem = nullptr;
    if (FOwner->HandleAllocated()) FOwner->Send(LVM_CANCELEDITLABEL);
  }
  // As the control's own delete-all, this tells of no deselection.
  if (FOwner->FVirtualItems) FOwner->RowsMoving();
  std::vector<TListItem*> items;
  items.swap(FItems);
  if (FOwner->HandleAllocated() && !FOwner->FVirtualItems) FOwner->Send(LVM_DELETEALLITEMS);
  FOwner->RowsChanged();
  for (TListItem* i : items) {
    i->FOwner = nullptr;
    delete i;
  }
}

void TListItems::BeginUpdate() {
  if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) FOwner->Send(WM_SETREDRAW, FALSE);
}

void TListItems::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount > 0) return;
  FOwner->SyncNow();
  if (FOwner->HandleAllocated()) {
    FOwner->Send(WM_SETREDRAW, TRUE);
    InvalidateRect(FOwner->Handle(), nullptr, TRUE);
  }
}

// ---- TListView ----

TListView::TListView(TComponent* owner) : TWinControl(owner), FColumns(this), FItems(this), FTempItem(&FItems) {
  FWidth = 250;
  FHeight = 150;
  FColor = clWindow;
}

TListView::~TListView() = default;

LRESULT TListView::Send(UINT msg, WPARAM w, LPARAM l) {
  return HandleAllocated() ? SendMessageA(Handle(), msg, w, l) : 0;
}

void TListView::SetColumns(TListColumns* v) {
  if (v) FColumns.Assign(v);
}

void TListView::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = WC_LISTVIEWA;
  static const DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  p.Style |= WS_TABSTOP | LVS_SHAREIMAGELISTS | views[FViewStyle];
  if (!FMultiSelect) p.Style |= LVS_SINGLESEL;
  if (!FReadOnly) p.Style |= LVS_EDITLABELS;
  if (!FShowColumnHeaders) p.Style |= LVS_NOCOLUMNHEADER;
  if (!FHideSelection) p.Style |= LVS_SHOWSELALWAYS;
  if (FOwnerData || FVirtualItems) p.Style |= LVS_OWNERDATA;
  p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListView::CreateWnd() {
  TWinControl::CreateWnd();
  ApplyExtendedStyle();
  ApplyImages();
  UpdateColumns();
  FRestoring = true;
  if (FVirtualItems) {
    // The items' bits hold selection and focus while there is no window.
    Send(LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK | LVIS_OVERLAYMASK);
    FCountStale = FStateStale = true;
    SyncControl();
  } else if (FOwnerData) {
    Send(LVM_SETITEMCOUNT, WPARAM(FItems.FOwnerCount), 0);
    LVITEMA state{};
    state.stateMask = state.state = LVIS_SELECTED;
    for (int i : FSavedSelection)
      if (i < FItems.FOwnerCount) Send(LVM_SETITEMSTATE, WPARAM(i), LPARAM(&state));
    if (FSavedFocus >= 0 && FSavedFocus < FItems.FOwnerCount) {
      state.stateMask = state.state = LVIS_FOCUSED;
      Send(LVM_SETITEMSTATE, WPARAM(FSavedFocus), LPARAM(&state));
    }
  } else {
    Send(WM_SETREDRAW, FALSE);
    Send(LVM_SETITEMCOUNT, WPARAM(FItems.FItems.size()), 0);
    for (TListItem* i : FItems.FItems) InsertIntoControl(i);
    if (FItems.FUpdateCount == 0) Send(WM_SETREDRAW, TRUE);
  }
  if (FSavedTop > 0) Send(LVM_ENSUREVISIBLE, WPARAM(FSavedTop), FALSE);
  FSavedSelection.clear();
  FSavedFocus = FSavedTop = -1;
  FRestoring = false;
}

void TListView::SaveWindowData() {
  if (IsDestroying()) return;
  for (int i = 0; i < FColumns.Count(); ++i) FColumns.Items(i)->FWidth = FColumns.Items(i)->Width();
  FSavedTop = int(Send(LVM_GETTOPINDEX));
  if (FVirtualItems) {
    if (!FStateStale) TakeStateFromControl();
    return;
  }
  if (FOwnerData) {
    FSavedSelection.clear();
    for (int i = int(Send(LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); i >= 0;
         i = int(Send(LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED)))
      FSavedSelection.push_back(i);
    FSavedFocus = int(Send(LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
    return;
  }
  for (TListItem* i : FItems.FItems) i->FState = UINT(Send(LVM_GETITEMSTATE, WPARAM(i->FIndex), kKeptState));
}

void TListView::StyleChanged() {
  if (HandleAllocated()) RecreateWnd();
}

void TListView::ApplyExtendedStyle() {
  DWORD ex = (FRowSelect ? LVS_EX_FULLROWSELECT : 0) | (FCheckboxes ? LVS_EX_CHECKBOXES : 0);
  Send(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES, LPARAM(ex));
}

void TListView::ApplyImages() {
  Send(LVM_SETIMAGELIST, LVSIL_SMALL, LPARAM(FSmallImages ? FSmallImages->Handle() : nullptr));
  if (!FCheckboxes) Send(LVM_SETIMAGELIST, LVSIL_STATE, LPARAM(FStateImages ? FStateImages->Handle() : nullptr));
  HWND header = HWND(Send(LVM_GETHEADER));
  if (header && FHeaderImages) SendMessageA(header, HDM_SETIMAGELIST, 0, LPARAM(FHeaderImages->Handle()));
}

void TListView::SetViewStyle(TViewStyle v) {
  if (v != FViewStyle) FViewStyle = v, StyleChanged();
}
void TListView::SetMultiSelect(bool v) {
  if (v != FMultiSelect) FMultiSelect = v, StyleChanged();
}
void TListView::SetReadOnly(bool v) {
  if (v != FReadOnly) FReadOnly = v, StyleChanged();
}
void TListView::SetShowColumnHeaders(bool v) {
  if (v != FShowColumnHeaders) FShowColumnHeaders = v, StyleChanged();
}
void TListView::SetHideSelection(bool v) {
  if (v != FHideSelection) FHideSelection = v, StyleChanged();
}

void TListView::SetRowSelect(bool v) {
  if (v == FRowSelect) return;
  FRowSelect = v;
  if (HandleAllocated()) ApplyExtendedStyle();
}

void TListView::SetCheckboxes(bool v) {
  if (v == FCheckboxes) return;
  FCheckboxes = v;
  if (!HandleAllocated()) return;
  ApplyExtendedStyle();
  if (!v) ApplyImages();
}

void TListView::SetOwnerData(bool v) {
  if (v == FOwnerData) return;
  FVirtualItems = false;
  // Rows of one mode mean nothing in the other.
  FItems.Clear();
  FItems.FOwnerCount = 0;
  FSavedSelection.clear();
  FSavedFocus = -1;
  FOwnerData = v;
  StyleChanged();
}

void TListView::SetImageList(TImageList*& field, TImageList* v) {
  if (field == v) return;
  if (field) RemoveFreeNotification(field);
  field = v;
  if (v) FreeNotification(v);
  if (HandleAllocated()) ApplyImages();
}

void TListView::SetSmallImages(TImageList* v) { SetImageList(FSmallImages, v); }
void TListView::SetStateImages(TImageList* v) { SetImageList(FStateImages, v); }
void TListView::SetHeaderImages(TImageList* v) { SetImageList(FHeaderImages, v); }

void TListView::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  bool changed = false;
  for (TImageList** f : {&FSmallImages, &FStateImages, &FHeaderImages}) {
    if (*f == component) *f = nullptr, changed = true;
  }
  if (changed && HandleAllocated() && !IsDestroying()) ApplyImages();
}

// ---- columns ----

namespace {
void FillColumn(LVCOLUMNA& lc, TListColumn* c, std::string& text) {
  static const int formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
  text = c->Caption();
  // An image index in the record shows an image in some versions whatever the format says: none is sent
  // for a column without one.
  lc.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | (c->ImageIndex() >= 0 ? LVCF_IMAGE : 0);
  lc.fmt = formats[c->Alignment()] | (c->ImageIndex() >= 0 ? LVCFMT_IMAGE : 0);
  lc.pszText = &text[0];
  lc.iImage = c->ImageIndex();
}
}  // namespace

void TListView::UpdateColumns() {
  if (!HandleAllocated()) return;
  FSizingColumns = true;
  // Only as many as the header holds: deleting from an empty list is not safe in every version.
  HWND header = HWND(Send(LVM_GETHEADER));
  for (int n = header ? int(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0; n > 0; --n) Send(LVM_DELETECOLUMN, 0);
  for (int i = 0; i < FColumns.Count(); ++i) {
    TListColumn* c = FColumns.Items(i);
    LVCOLUMNA lc{};
    std::string text;
    FillColumn(lc, c, text);
    lc.cx = c->FWidth;
    Send(LVM_INSERTCOLUMNA, WPARAM(i), LPARAM(&lc));
  }
  FSizingColumns = false;
  AutoSizeColumns();
}

void TListView::UpdateColumn(TListColumn* c) {
  if (!HandleAllocated()) return;
  LVCOLUMNA lc{};
  std::string text;
  FillColumn(lc, c, text);
  lc.cx = c->FWidth;
  Send(LVM_SETCOLUMNA, WPARAM(c->Index()), LPARAM(&lc));
  AutoSizeColumns();
}

void TListView::AutoSizeColumns() {
  if (!HandleAllocated() || FSizingColumns || FViewStyle != vsReport) return;
  int fixed = 0, autos = 0;
  for (int i = 0; i < FColumns.Count(); ++i) {
    if (FColumns.Items(i)->FAutoSize) ++autos;
    else fixed += FColumns.Items(i)->Width();
  }
  if (autos == 0) return;
  RECT r;
  GetClientRect(Handle(), &r);
  int each = std::max(0, int(r.right - r.left) - fixed) / autos;
  FSizingColumns = true;
  for (int i = 0; i < FColumns.Count(); ++i) {
    TListColumn* c = FColumns.Items(i);
    if (!c->FAutoSize) continue;
    c->FWidth = each;
    Send(LVM_SETCOLUMNWIDTH, WPARAM(i), MAKELPARAM(each, 0));
  }
  FSizingColumns = false;
}

// ---- items ----

void TListView::InsertIntoControl(TListItem* item) {
  if (FVirtualItems) {
    RowsChanged();
    return;
  }
  if (!HandleAllocated()) return;
  LVITEMA lv{};
  lv.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
  lv.iItem = item->FIndex;
  lv.pszText = LPSTR_TEXTCALLBACKA;
  lv.iImage = I_IMAGECALLBACK;
  lv.lParam = reinterpret_cast<LPARAM>(item);
  UINT state = item->FState & (LVIS_SELECTED | LVIS_FOCUSED);
  if (FCheckboxes) {
    state |= (item->FState & LVIS_STATEIMAGEMASK) ? (item->FState & LVIS_STATEIMAGEMASK) : INDEXTOSTATEIMAGEMASK(1);
  } else if (item->FStateIndex >= 0 && item->FStateIndex < 15) {
    state |= INDEXTOSTATEIMAGEMASK(item->FStateIndex + 1);
  }
  if (item->FOverlayIndex >= 0 && item->FOverlayIndex < 15) state |= INDEXTOOVERLAYMASK(item->FOverlayIndex + 1);
  lv.state = state;
  lv.stateMask = kKeptState | LVIS_OVERLAYMASK;
  int index = int(Send(LVM_INSERTITEMA, 0, LPARAM(&lv)));
  if (FCheckboxes && index >= 0 && (state & LVIS_STATEIMAGEMASK) != INDEXTOSTATEIMAGEMASK(1)) {
    // Wine inserts every row of a check-box list unchecked: the mark goes on afterwards.
    LVITEMA check{};
    check.state = state & LVIS_STATEIMAGEMASK;
    check.stateMask = LVIS_STATEIMAGEMASK;
    Send(LVM_SETITEMSTATE, WPARAM(index), LPARAM(&check));
  }
}

TListItem* TListView::ItemAtIndex(int index) {
  if (index < 0) return nullptr;
  return FItems.Item(index);
}

bool TListView::StateInItems() const { return !HandleAllocated() || (FVirtualItems && FStateStale); }

TListItem* TListView::Selected() {
  if (FVirtualItems && StateInItems()) return NextInItems(nullptr, LVNI_SELECTED);
  if (!HandleAllocated()) {
    for (TListItem* i : FItems.FItems)
      if (i->FState & LVIS_SELECTED) return i;
    return nullptr;
  }
  return ItemAtIndex(int(Send(LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)));
}

void TListView::SetSelected(TListItem* item) {
  ClearSelection();
  if (item) item->SetSelected(true);
}

int TListView::SelCount() {
  if (StateInItems()) {
    return int(std::count_if(FItems.FItems.begin(), FItems.FItems.end(),
                             [](TListItem* i) { return (i->FState & LVIS_SELECTED) != 0; }));
  }
  return int(Send(LVM_GETSELECTEDCOUNT));
}

TListItem* TListView::ItemFocused() {
  if (FVirtualItems && StateInItems()) return NextInItems(nullptr, LVNI_FOCUSED);
  if (!HandleAllocated()) return nullptr;
  return ItemAtIndex(int(Send(LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED)));
}

void TListView::SetItemFocused(TListItem* item) {
  if (item) {
    item->SetFocused(true);
  } else if (TListItem* f = ItemFocused()) {
    f->SetFocused(false);
  }
}

void TListView::SelectAll() {
  if (!FMultiSelect) return;
  SyncNow();
  for (TListItem* i : FItems.FItems) i->FState |= LVIS_SELECTED;
  if (!HandleAllocated()) return;
  LVITEMA state{};
  state.stateMask = state.state = LVIS_SELECTED;
  Send(LVM_SETITEMSTATE, WPARAM(-1), LPARAM(&state));
}

void TListView::ClearSelection() {
  SyncNow();
  for (TListItem* i : FItems.FItems) i->FState &= ~UINT(LVIS_SELECTED);
  if (!HandleAllocated()) return;
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED;
  Send(LVM_SETITEMSTATE, WPARAM(-1), LPARAM(&state));
}

TListItem* TListView::GetNextItem(TListItem* start, UINT flags) {
  if (FVirtualItems && StateInItems() && !(flags & ~UINT(LVNI_SELECTED | LVNI_FOCUSED))) return NextInItems(start, flags);
  SyncNow();
  if (!HandleAllocated()) return nullptr;
  int from = start ? start->FIndex : -1;
  return ItemAtIndex(int(Send(LVM_GETNEXTITEM, WPARAM(from), LPARAM(flags))));
}

TListItem* TListView::GetItemAt(int x, int y) {
  SyncNow();
  if (!HandleAllocated()) return nullptr;
  LVHITTESTINFO hit{};
  hit.pt = POINT{x, y};
  int index = int(Send(LVM_HITTEST, 0, LPARAM(&hit)));
  return (hit.flags & LVHT_ONITEM) ? ItemAtIndex(index) : nullptr;
}

TListItem* TListView::TopItem() {
  SyncNow();
  if (!HandleAllocated()) return nullptr;
  return ItemAtIndex(int(Send(LVM_GETTOPINDEX)));
}

int TListView::VisibleRowCount() { return HandleAllocated() ? int(Send(LVM_GETCOUNTPERPAGE)) : 0; }

void TListView::Scroll(int dx, int dy) {
  if (HandleAllocated()) Send(LVM_SCROLL, WPARAM(dx), LPARAM(dy));
}

bool TListView::CustomSort(TLVCompare compare, intptr_t data) {
  if (FOwnerData || (!HandleAllocated() && !Parent())) return false;
  HandleNeeded();
  if (!compare) {
    if (OnCompare) {
      compare = [this](TListItem* a, TListItem* b, intptr_t d) {
        int r = 0;
        OnCompare(this, a, b, d, r);
        return r;
      };
    } else {
      compare = [](TListItem* a, TListItem* b, intptr_t) {
        return lstrcmpA(a->Caption().c_str(), b->Caption().c_str());
      };
    }
  }
  if (FVirtualItems) return SortVirtual(compare, data);
  SortContext context{this, compare, data, nullptr};
  ++FSortDepth;
  Send(LVM_SORTITEMS, WPARAM(&context), LPARAM(&CompareItems));
  --FSortDepth;
  // Our list follows the control's new order.
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  for (int i = 0; i < int(FItems.FItems.size()); ++i) {
    item.iItem = i;
    if (Send(LVM_GETITEMA, 0, LPARAM(&item))) FItems.FItems[size_t(i)] = reinterpret_cast<TListItem*>(item.lParam);
  }
  FItems.Renumber(0);
  if (FSortDepth == 0) {
    std::vector<TListItem*> pending;
    pending.swap(FItems.FPendingDeletes);
    for (TListItem* i : pending) {
      i->FDeleted = false;
      FItems.DeleteItem(i);
    }
  }
  if (context.Failure) std::rethrow_exception(context.Failure);
  return true;
}

// ---- messages ----

void TListView::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CN_NOTIFY:
      Notify(m);
      return;
    case WM_SIZE:
      TWinControl::WndProc(m);
      AutoSizeColumns();
      return;
    default:
      TWinControl::WndProc(m);
  }
}

bool TListView::DragAutoScroll(int x, int y) { return ScrollNearEdges(this, x, y); }

void TListView::Notify(TMessage& m) {
  auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
  switch (hdr->code) {
    case LVN_BEGINDRAG:
      if (DragMode() == dmAutomatic && Enabled()) BeginDrag(true);
      return;
    case LVN_GETDISPINFOA:
      DisplayInfo(*reinterpret_cast<NMLVDISPINFOA*>(m.LParam));
      return;
    case LVN_ITEMCHANGED: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(m.LParam);
      // A whole-list change of virtual items comes as one notice with no row (iItem -1).
      if (FRestoring || !(nm->uChanged & LVIF_STATE) || !((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED)) return;
      if (OnSelectItem) OnSelectItem(this, ItemAtIndex(nm->iItem), (nm->uNewState & LVIS_SELECTED) != 0);
      return;
    }
    case LVN_ODSTATECHANGED: {
      auto* nm = reinterpret_cast<NMLVODSTATECHANGE*>(m.LParam);
      if (!FRestoring && ((nm->uOldState ^ nm->uNewState) & LVIS_SELECTED) && OnSelectItem)
        OnSelectItem(this, nullptr, (nm->uNewState & LVIS_SELECTED) != 0);
      return;
    }
    case LVN_COLUMNCLICK: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(m.LParam);
      if (OnColumnClick && nm->iSubItem >= 0 && nm->iSubItem < FColumns.Count())
        OnColumnClick(this, FColumns.Items(nm->iSubItem));
      return;
    }
    case LVN_ODFINDITEMA:
      if (FVirtualItems) {
        auto* nm = reinterpret_cast<NMLVFINDITEMA*>(m.LParam);
        m.Result = FindCaption(nm->lvfi, nm->iStart);
      }
      return;
    case LVN_BEGINLABELEDITA: {
      auto* di = reinterpret_cast<NMLVDISPINFOA*>(m.LParam);
      TListItem* item = FOwnerData ? nullptr : ItemAtIndex(di->item.iItem);
      bool allow = item && !FReadOnly;
      // Set first: a handler that deletes the item clears it.
      FEditingItem = item;
      if (allow && OnEditing) OnEditing(this, item, allow);
      allow = allow && FEditingItem == item;
      if (!allow) FEditingItem = nullptr;
      m.Result = !allow;
      return;
    }
    case LVN_ENDLABELEDITA:
      EndEdit(*reinterpret_cast<NMLVDISPINFOA*>(m.LParam));
      m.Result = FALSE;
      return;
    case LVN_DELETEALLITEMS:
      m.Result = TRUE;  // no per-item notices: the items are ours
      return;
    case NM_RCLICK: {
      // The control's own tracking takes the right button's release: the release is told from this notice.
      auto* nm = reinterpret_cast<NMITEMACTIVATE*>(m.LParam);
      MouseUp(mbRight, KeyboardShiftState(), nm->ptAction.x, nm->ptAction.y);
      return;
    }
    case NM_CUSTOMDRAW:
      CustomDraw(m);
      return;
    default:
      return;
  }
}

void TListView::DisplayInfo(NMLVDISPINFOA& di) {
  LVITEMA& it = di.item;
  TListItem* item = ItemAtIndex(it.iItem);
  if (!item) return;
  if ((it.mask & LVIF_TEXT) && it.pszText && it.cchTextMax > 0)
    lstrcpynA(it.pszText, item->ColumnText(it.iSubItem).c_str(), it.cchTextMax);
  if (it.mask & LVIF_IMAGE) it.iImage = it.iSubItem == 0 ? item->FImageIndex : -1;
  if (FVirtualItems) VirtualDisplayState(item, it);
}

void TListView::EndEdit(NMLVDISPINFOA& di) {
  TListItem* item = FEditingItem;
  if (!item) return;
  if (di.item.pszText) {
    std::string s = di.item.pszText;
    if (OnEdited) OnEdited(this, item, s);
    // The handler may have deleted the item; then there is nothing to rename.
    if (FEditingItem == item) item->SetCaption(s);
  }
  FEditingItem = nullptr;
}

void TListView::CustomDraw(TMessage& m) {
  auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(m.LParam);
  auto itemStage = [this](const TLVCustomDrawItemEvent& event) -> TCustomDraw::TStageHandler {
    if (!event) return nullptr;
    return [this, &event](DWORD_PTR index, LPARAM, TCustomDrawInfo& info) {
      if (TListItem* item = ItemAtIndex(int(index))) event(this, item, info);
    };
  };
  FCustomDraw.OnPaint = nullptr;
  if (OnCustomDraw)
    FCustomDraw.OnPaint = [this](DWORD_PTR, LPARAM, TCustomDrawInfo& info) { OnCustomDraw(this, info); };
  FCustomDraw.OnItem = itemStage(OnCustomDrawItem);
  FCustomDraw.OnSubItem = itemStage(OnCustomDrawSubItem);
  m.Result = FCustomDraw.Notify(cd->nmcd, cd->clrText, cd->clrTextBk, cd->iSubItem, *Font());
}

}  // namespace ui
