// Virtual items: TListView's items stay TListItem objects of ours while the control runs in owner-data
// mode and asks for their texts, images and state images. The control keeps selection and focus by row
// number; while rows move (an insert before the end, a delete, a sort) the items hold them in their own
// bits, and the control gets them back, renumbered, at the next sync: at once outside an update bracket,
// else at its end or before the control is asked something that depends on row numbers.
#include <algorithm>

#include "list_view.h"

namespace ui {

namespace {

constexpr UINT kSelectionBits = LVIS_SELECTED | LVIS_FOCUSED;

void SetControlState(HWND list, int index, UINT state, UINT mask) {
  LVITEMA item{};
  item.state = state;
  item.stateMask = mask;
  SendMessageA(list, LVM_SETITEMSTATE, WPARAM(index), LPARAM(&item));
}

// A stable merge sort that stays within its ranges whatever the compare answers (a compare that failed
// answers "equal" from then on).
void MergeSort(std::vector<TListItem*>& items, const std::function<bool(TListItem*, TListItem*)>& less) {
  std::vector<TListItem*> buffer(items.size());
  const size_t n = items.size();
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t from = 0; from < n; from += 2 * width) {
      size_t middle = std::min(from + width, n), to = std::min(from + 2 * width, n);
      std::merge(items.begin() + long(from), items.begin() + long(middle), items.begin() + long(middle),
                 items.begin() + long(to), buffer.begin() + long(from), less);
    }
    items.swap(buffer);
  }
}

}  // namespace

void TListView::SetVirtualItems(bool v) {
  if (v == FVirtualItems) return;
  if (v && FOwnerData) SetOwnerData(false);
  // The old window is read in its own mode before the flag changes; the new one is written in the new.
  SyncNow();
  if (HandleAllocated()) SaveWindowData();
  FVirtualItems = v;
  FCountStale = false;
  FStateStale = v && HandleAllocated();
  StyleChanged();
}

// Before rows move the items take selection and focus from the control.
void TListView::RowsMoving() {
  if (!FVirtualItems || !HandleAllocated() || FStateStale) return;
  TakeStateFromControl();
  FStateStale = true;
}

void TListView::RowsChanged() {
  if (!FVirtualItems || !HandleAllocated()) return;
  FCountStale = true;
  if (FItems.FUpdateCount == 0 && FSortDepth == 0) SyncControl();
}

void TListView::SyncNow() {
  if (FVirtualItems && (FCountStale || FStateStale) && HandleAllocated()) SyncControl();
}

void TListView::TakeStateFromControl() {
  std::vector<TListItem*>& items = FItems.FItems;
  for (TListItem* i : items) i->FState &= ~kSelectionBits;
  // Rows added since the last sync are past the control's count and have no state there.
  const int known = std::min(int(Send(LVM_GETITEMCOUNT)), int(items.size()));
  for (int i = int(Send(LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); i >= 0 && i < known;
       i = int(Send(LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED)))
    items[size_t(i)]->FState |= LVIS_SELECTED;
  int focused = int(Send(LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
  if (focused >= 0 && focused < known) items[size_t(focused)]->FState |= LVIS_FOCUSED;
}

// Count, selection and focus to the control, with no notices to the owner: nothing changed for it.
void TListView::SyncControl() {
  const bool restoring = FRestoring;
  FRestoring = true;
  const std::vector<TListItem*>& items = FItems.FItems;
  const int count = int(items.size());
  // An unchanged count is not sent again: the control would lay out its scroll bar and header anew.
  if ((FCountStale || FStateStale) && int(Send(LVM_GETITEMCOUNT)) != count)
    Send(LVM_SETITEMCOUNT, WPARAM(count), LVSICF_NOSCROLL);
  if (FStateStale) {
    HWND h = Handle();
    const int selected = int(std::count_if(items.begin(), items.end(),
                                           [](TListItem* i) { return (i->FState & LVIS_SELECTED) != 0; }));
    SetControlState(h, -1, 0, kSelectionBits);
    // Whichever is fewer: the selected rows one by one, or all of them less the unselected ones.
    const bool most = FMultiSelect && selected > count / 2;
    if (most) SetControlState(h, -1, LVIS_SELECTED, LVIS_SELECTED);
    for (int i = 0; i < count; ++i) {
      const bool on = (items[size_t(i)]->FState & LVIS_SELECTED) != 0;
      if (on != most) SetControlState(h, i, on ? LVIS_SELECTED : 0, LVIS_SELECTED);
    }
    for (int i = 0; i < count; ++i) {
      if (!(items[size_t(i)]->FState & LVIS_FOCUSED)) continue;
      SetControlState(h, i, LVIS_FOCUSED, LVIS_FOCUSED);
      Send(LVM_SETSELECTIONMARK, 0, LPARAM(i));
      break;
    }
  }
  FCountStale = FStateStale = false;
  FRestoring = restoring;
  if (FItems.FUpdateCount == 0) InvalidateRect(Handle(), nullptr, TRUE);
  const auto change = FSelectionChange;
  FSelectionChange = scNone;
  if (change != scNone && !FRestoring && OnSelectItem) OnSelectItem(this, nullptr, change == scJoined);
}

void TListView::SelectionChanged(bool joined) {
  // Without a window nobody is told, as for a selection set before there is one.
  if (!HandleAllocated()) return;
  if (joined) FSelectionChange = scJoined;
  else if (FSelectionChange == scNone) FSelectionChange = scLeft;
}

void TListView::SetVirtualState(TListItem* item, UINT state, UINT mask) {
  mask &= kSelectionBits;
  if (!mask) return;
  const bool listed = item->FIndex >= 0 && !item->FDeleted;
  // A row the control does not know yet moves the state into the items.
  if (listed && FCountStale && !FStateStale) RowsMoving();
  if (!listed || StateInItems()) {
    if (listed && (state & mask & LVIS_FOCUSED))
      for (TListItem* i : FItems.FItems) i->FState &= ~UINT(LVIS_FOCUSED);
    if (listed && !FMultiSelect && (state & mask & LVIS_SELECTED))
      for (TListItem* i : FItems.FItems) i->FState &= ~UINT(LVIS_SELECTED);
    if (listed && (mask & LVIS_SELECTED) && ((item->FState ^ state) & LVIS_SELECTED))
      SelectionChanged((state & LVIS_SELECTED) != 0);
    item->FState = (item->FState & ~mask) | (state & mask);
    return;
  }
  SetControlState(Handle(), item->FIndex, state, mask);
}

TListItem* TListView::NextInItems(TListItem* start, UINT flags) {
  const UINT wanted = ((flags & LVNI_SELECTED) ? LVIS_SELECTED : 0) | ((flags & LVNI_FOCUSED) ? LVIS_FOCUSED : 0);
  const std::vector<TListItem*>& items = FItems.FItems;
  for (size_t i = start ? size_t(start->FIndex + 1) : 0; i < items.size(); ++i)
    if ((items[i]->FState & wanted) == wanted) return items[i];
  return nullptr;
}

bool TListView::SortVirtual(const TLVCompare& compare, intptr_t data) {
  RowsMoving();
  std::exception_ptr failure;
  ++FSortDepth;
  // Items deleted meanwhile go last and are no longer handed to the compare, nor is anything after a
  // failed call.
  MergeSort(FItems.FItems, [&](TListItem* a, TListItem* b) {
    if (a->FDeleted != b->FDeleted) return b->FDeleted;
    if (failure || a->FDeleted) return false;
    try {
      return compare(a, b, data) < 0;
    } catch (...) {
      failure = std::current_exception();
      return false;
    }
  });
  --FSortDepth;
  FinishSort();
  RowsChanged();
  if (failure) std::rethrow_exception(failure);
  return true;
}

// Type-ahead and LVM_FINDITEM: the next caption from the start row that begins with (or is) the text, case-blind.
// The control may ask in either character set (the record's layout is the same).
int TListView::FindCaption(const NMLVFINDITEMA& find, bool wide) {
  const LVFINDINFOA& info = find.lvfi;
  if (!(info.flags & (LVFI_STRING | LVFI_PARTIAL)) || !info.psz) return -1;
  std::string text = info.psz;
  if (wide) {
    auto* w = reinterpret_cast<const wchar_t*>(info.psz);
    int size = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
    text.assign(size_t(std::max(size, 1)), '\0');
    WideCharToMultiByte(CP_ACP, 0, w, -1, &text[0], size, nullptr, nullptr);
    text.resize(text.size() - 1);
  }
  const int count = FItems.Count();
  if (count == 0) return -1;
  const int start = std::max(0, std::min(find.iStart, count));
  const bool partial = (info.flags & LVFI_PARTIAL) != 0;
  const int steps = (info.flags & LVFI_WRAP) ? count : count - start;
  for (int n = 0; n < steps; ++n) {
    const int row = (start + n) % count;
    const std::string& caption = FItems.FItems[size_t(row)]->FCaption;
    if (caption.size() < text.size() || (!partial && caption.size() != text.size())) continue;
    if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, caption.data(), int(text.size()), text.data(),
                       int(text.size())) == CSTR_EQUAL)
      return row;
  }
  return -1;
}

// State and overlay images are asked for; selection and focus the control keeps itself.
void TListView::VirtualDisplayState(const TListItem* item, LVITEMA& it) {
  if (it.mask & LVIF_INDENT) it.iIndent = 0;
  if (!(it.mask & LVIF_STATE) || it.iSubItem != 0) return;
  UINT state = 0;
  if (item->FStateIndex >= 0 && item->FStateIndex < 15) state |= INDEXTOSTATEIMAGEMASK(item->FStateIndex + 1);
  if (item->FOverlayIndex >= 0 && item->FOverlayIndex < 15) state |= INDEXTOOVERLAYMASK(item->FOverlayIndex + 1);
  const UINT mask = it.stateMask & (LVIS_STATEIMAGEMASK | LVIS_OVERLAYMASK);
  it.state = (it.state & ~mask) | (state & mask);
}

}  // namespace ui
