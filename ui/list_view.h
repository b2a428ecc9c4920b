#pragma once
// TListView over the common list view: columns, items with sub-items, owner data, the control's own sort,
// and virtual items (our items shown by an owner-data control).
#include <windows.h>

#include <commctrl.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "collection.h"
#include "control.h"
#include "custom_draw.h"
#include "image_list.h"

namespace ui {

class TListView;
class TListItems;

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

// Widths that fit a column to its contents, or to its contents and its header.
constexpr int ColumnTextWidth = -1;
constexpr int ColumnHeaderWidth = -2;

class TListColumn : public TCollectionItem {
  UI_CLASS(TListColumn, TCollectionItem)
 public:
  explicit TListColumn(TCollection* collection) : TCollectionItem(collection) {}

  std::string Caption() const { return FCaption; }
  void SetCaption(const std::string& v);
  // The control's width while it has a window (the user may have dragged it).
  int Width() const;
  void SetWidth(int v);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment v);
  // The column takes the client width the other columns leave.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool v);
  // Header image, -1 for none.
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int v);

  std::string DisplayName() const override { return FCaption.empty() ? TCollectionItem::DisplayName() : FCaption; }
  void Assign(const TPersistent* source) override;

 private:
  friend class TListView;
  TListView* ListView() const;
  std::string FCaption;
  int FWidth = 50;
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = false;
  int FImageIndex = -1;
};

class TListColumns : public TOwnedCollection {
  UI_CLASS(TListColumns, TOwnedCollection)
 public:
  explicit TListColumns(TListView* owner);
  TListColumn* Add() { return static_cast<TListColumn*>(TCollection::Add()); }
  TListColumn* Items(int index) const { return static_cast<TListColumn*>(TCollection::Items(index)); }
  TListView* Owner() const { return FListView; }

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TListView* FListView;
};

class TListItem {
 public:
  TListItem(const TListItem&) = delete;
  TListItem& operator=(const TListItem&) = delete;

  TListItems* Owner() const { return FOwner; }
  TListView* ListView() const;
  int Index() const { return FIndex; }

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& v);
  // Texts of the columns after the first; a missing one reads empty.
  int SubItemCount() const { return int(FSubItems.size()); }
  const std::string& SubItem(int index) const;
  void SetSubItem(int index, const std::string& v);
  void AddSubItem(const std::string& v) { SetSubItem(SubItemCount(), v); }
  void ClearSubItems();
  // The text of column 0 (caption) or of a later column.
  const std::string& ColumnText(int column) const { return column == 0 ? FCaption : SubItem(column - 1); }

  void* Data() const { return FData; }
  void SetData(void* v) { FData = v; }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int v);
  // State image (-1 none); the control shows 0-14.
  int StateIndex() const { return FStateIndex; }
  void SetStateIndex(int v);
  // Overlay image (-1 none); kept whole, the control shows 0-14.
  int OverlayIndex() const { return FOverlayIndex; }
  void SetOverlayIndex(int v);

  bool Selected() const;
  void SetSelected(bool v);
  bool Focused() const;
  void SetFocused(bool v);
  bool Checked() const;
  void SetChecked(bool v);

  // Removes and frees the item (after the sort when one is running).
  void Delete();
  void MakeVisible(bool partialOK);
  // The row's rectangle in client co-ordinates (LVIR_ code); empty without a window.
  RECT DisplayRect(int code = LVIR_BOUNDS) const;
  // Starts label editing.
  bool EditCaption();
  // Repaints the row.
  void Update();

 private:
  friend class TListItems;
  friend class TListView;
  explicit TListItem(TListItems* owner) : FOwner(owner) {}
  bool StateBit(UINT bit) const;
  void SetStateBits(UINT state, UINT mask);
  UINT ControlState() const;

  TListItems* FOwner;
  int FIndex = -1;
  std::string FCaption;
  std::vector<std::string> FSubItems;
  void* FData = nullptr;
  int FImageIndex = -1, FStateIndex = -1, FOverlayIndex = -1;
  UINT FState = 0;        // selected, focused and check bits while they are not read from the control
  bool FDeleted = false;  // deletion waits for the running sort
};

class TListItems {
 public:
  explicit TListItems(TListView* owner) : FOwner(owner) {}
  ~TListItems();
  TListItems(const TListItems&) = delete;
  TListItems& operator=(const TListItems&) = delete;

  TListView* Owner() const { return FOwner; }
  TListItem* Add() { return Insert(Count()); }
  // A row set up before the control holds it: caption, images and state go in with its one insert, which
  // in long lists costs less than changing the row afterwards.
  TListItem* Add(const std::function<void(TListItem*)>& prepare);
  TListItem* Insert(int index);
  void Delete(int index);
  void Clear();
  // In owner-data mode the number of rows the owner supplies.
  int Count() const;
  void SetCount(int count);
  // In owner-data mode a passing item that OnData fills; valid until the next call.
  TListItem* Item(int index) const;
  TListItem* operator[](int index) const { return Item(index); }
  int IndexOf(const TListItem* item) const;

  // Paints and per-item work wait until the outermost EndUpdate.
  void BeginUpdate();
  void EndUpdate();

 private:
  friend class TListItem;
  friend class TListView;
  void DeleteItem(TListItem* item);
  void Renumber(int from);

  TListView* FOwner;
  std::vector<TListItem*> FItems;
  std::vector<TListItem*> FPendingDeletes;
  int FOwnerCount = 0;
  int FUpdateCount = 0;
};

using TLVSelectItemEvent = std::function<void(TObject* sender, TListItem* item, bool selected)>;
using TLVColumnClickEvent = std::function<void(TObject* sender, TListColumn* column)>;
using TLVCompareEvent =
    std::function<void(TObject* sender, TListItem* item1, TListItem* item2, intptr_t data, int& compare)>;
using TLVOwnerDataEvent = std::function<void(TObject* sender, TListItem* item)>;
using TLVEditingEvent = std::function<void(TObject* sender, TListItem* item, bool& allowEdit)>;
using TLVEditedEvent = std::function<void(TObject* sender, TListItem* item, std::string& s)>;
using TLVCustomDrawEvent = std::function<void(TObject* sender, TCustomDrawInfo& info)>;
using TLVCustomDrawItemEvent = std::function<void(TObject* sender, TListItem* item, TCustomDrawInfo& info)>;
using TLVCompare = std::function<int(TListItem* item1, TListItem* item2, intptr_t data)>;

class TListView : public TWinControl {
  UI_CLASS(TListView, TWinControl)
 public:
  explicit TListView(TComponent* owner);
  ~TListView() override;

  TListColumns* Columns() { return &FColumns; }
  void SetColumns(TListColumns* v);
  TListItems& Items() { return FItems; }

  TViewStyle ViewStyle() const { return FViewStyle; }
  void SetViewStyle(TViewStyle v);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool v);
  bool RowSelect() const { return FRowSelect; }
  void SetRowSelect(bool v);
  bool Checkboxes() const { return FCheckboxes; }
  void SetCheckboxes(bool v);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool v);
  bool ShowColumnHeaders() const { return FShowColumnHeaders; }
  void SetShowColumnHeaders(bool v);
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool v);
  // Rows live with the owner, who fills them in OnData; Items().SetCount sets how many.
  bool OwnerData() const { return FOwnerData; }
  void SetOwnerData(bool v);
  // The items stay ours while the control, in owner-data mode, asks for what it shows: a fill, a sort or an
  // insert among thousands of rows costs the control nothing per row, and a change of the whole selection
  // (select all, a range by shift-click, selected rows deleted, rows selected inside an update bracket)
  // reaches OnSelectItem once, with no item.
  // Without check boxes. Excludes OwnerData.
  bool VirtualItems() const { return FVirtualItems; }
  void SetVirtualItems(bool v);

  TImageList* SmallImages() const { return FSmallImages; }
  void SetSmallImages(TImageList* v);
  TImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TImageList* v);
  TImageList* HeaderImages() const { return FHeaderImages; }
  void SetHeaderImages(TImageList* v);

  // The first selected item, nullptr when none; setting selects only that item.
  TListItem* Selected();
  void SetSelected(TListItem* item);
  int SelCount();
  TListItem* ItemFocused();
  void SetItemFocused(TListItem* item);
  void SelectAll();
  void ClearSelection();
  // The next item after start (nullptr: from the top) with the LVNI_ flags, or nullptr.
  TListItem* GetNextItem(TListItem* start, UINT flags);
  TListItem* GetItemAt(int x, int y);
  TListItem* TopItem();
  int VisibleRowCount();
  void Scroll(int dx, int dy);
  bool IsEditing() const { return FEditingItem != nullptr; }

  // Sorts with the control's own sort. Equal items keep their order. The compare defaults to OnCompare,
  // else the captions. False in owner-data mode or without a window.
  bool CustomSort(TLVCompare compare = nullptr, intptr_t data = 0);
  bool AlphaSort() { return CustomSort(); }

  TLVSelectItemEvent OnSelectItem;
  TLVColumnClickEvent OnColumnClick;
  TLVCompareEvent OnCompare;
  TLVOwnerDataEvent OnData;
  TLVEditingEvent OnEditing;
  TLVEditedEvent OnEdited;
  TLVCustomDrawEvent OnCustomDraw;
  TLVCustomDrawItemEvent OnCustomDrawItem;
  TLVCustomDrawItemEvent OnCustomDrawSubItem;

  void WndProc(TMessage& message) override;
  // The view starts an automatic drag on its own begin-drag notice, so a press still selects.
  bool BeginAutoDrag() override { return false; }
  bool DragAutoScroll(int x, int y) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void SaveWindowData() override;

 private:
  friend class TListColumn;
  friend class TListColumns;
  friend class TListItem;
  friend class TListItems;
  LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0);
  void StyleChanged();
  void ApplyExtendedStyle();
  void ApplyImages();
  void UpdateColumn(TListColumn* column);
  void UpdateColumns();
  void AutoSizeColumns();
  void InsertIntoControl(TListItem* item);
  TListItem* ItemAtIndex(int index);
  // Where selection and focus are read: the items' own bits without a window or while virtual items
  // wait for their sync, else the control.
  bool StateInItems() const;
  // Virtual items (list_view_virtual.cpp).
  void RowsMoving();
  void RowsChanged();
  void SyncNow();
  void SyncControl();
  void TakeStateFromControl();
  void SetVirtualState(TListItem* item, UINT state, UINT mask);
  void SelectionChanged(bool joined);
  bool SortVirtual(const TLVCompare& compare, intptr_t data);
  TListItem* NextInItems(TListItem* start, UINT flags);
  int FindCaption(const LVFINDINFOA& find, int start);
  void VirtualDisplayState(const TListItem* item, LVITEMA& it);
  void SetImageList(TImageList*& field, TImageList* v);
  void Notify(TMessage& m);
  void DisplayInfo(NMLVDISPINFOA& di);
  void EndEdit(NMLVDISPINFOA& di);
  void CustomDraw(TMessage& m);

  TListColumns FColumns;
  TListItems FItems;
  TListItem FTempItem;  // the passing item of owner-data mode
  TViewStyle FViewStyle = vsIcon;
  bool FMultiSelect = false, FRowSelect = false, FCheckboxes = false, FReadOnly = false;
  bool FShowColumnHeaders = true, FHideSelection = true, FOwnerData = false, FVirtualItems = false;
  // Virtual items: the control has not yet been told the count, or the selection and focus (then the
  // items' bits hold them).
  bool FCountStale = false, FStateStale = false;
  // Virtual items: the selection changed while the items held it (rows left it, or also joined it); the
  // owner hears of it once, at the sync.
  enum { scNone, scLeft, scJoined } FSelectionChange = scNone;
  TImageList *FSmallImages = nullptr, *FStateImages = nullptr, *FHeaderImages = nullptr;
  TCustomDraw FCustomDraw;
  TListItem* FEditingItem = nullptr;
  int FSortDepth = 0;
  bool FRestoring = false;
  bool FSizingColumns = false;
  bool FFillingData = false;  // inside OnData
  // Owner-data selection kept over a new window.
  std::vector<int> FSavedSelection;
  int FSavedFocus = -1;
  int FSavedTop = -1;
};

}  // namespace ui
