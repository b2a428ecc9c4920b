#pragma once
// The list controls: combo box, list box, check list box. Their items live here and are mirrored into the
// window, so a re-created window gets them back.
#include <vector>

#include "control.h"
#include "std_controls.h"
#include "strings.h"

namespace ui {

// The items of a list control; every change reaches the window while it exists.
class TListControlItems : public TStrings {
 public:
  struct TMessages {
    UINT Insert, Delete, Reset;
  };
  TListControlItems(TWinControl* control, TMessages messages) : FControl(control), FMessages(messages) {}

  bool Sorted() const { return FSorted; }
  // Sorts the items now and keeps new ones in order (case-blind, as the system compares).
  void SetSorted(bool v);
  int AddObject(const std::string& s, TObject* object) override;
  void Insert(int index, const std::string& s, TObject* object = nullptr) override;
  void Delete(int index) override;
  void Clear() override;
  void SetStrings(int index, const std::string& s) override;
  // Fills a new window from the items.
  void Reload();
  // A value kept per item beside it (the check list's states).
  int Data(int index) const { return FData.at(size_t(index)); }
  void SetData(int index, int value) { FData.at(size_t(index)) = value; }

 protected:
  void SetUpdateState(bool updating) override;

 private:
  HWND Window() const { return FControl->HandleAllocated() ? FControl->Handle() : nullptr; }
  TWinControl* FControl;
  TMessages FMessages;
  bool FSorted = false;
  std::vector<int> FData;
};

enum TComboBoxStyle { csDropDown, csDropDownList };

class TComboBox : public TWinControl {
  UI_CLASS(TComboBox, TWinControl)
 public:
  explicit TComboBox(TComponent* owner);
  TStrings* Items() { return &FItems; }
  void SetItems(TStrings* items) { FItems.Assign(items); }
  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle v);
  bool Sorted() const { return FItems.Sorted(); }
  void SetSorted(bool v) { FItems.SetSorted(v); }
  int DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int v);
  // -1: nothing selected.
  int ItemIndex() const;
  void SetItemIndex(int v);
  // The edit's text; in a drop-down list, setting it selects the item with that text.
  std::string Text() const { return Caption(); }
  void SetText(const std::string& text);
  bool DroppedDown() const;
  void SetDroppedDown(bool v);

  // OnChange: the text changed by the user (typing, or choosing an item); OnSelect: an item was chosen.
  TNotifyEvent OnChange, OnSelect, OnDropDown, OnCloseUp;
  void WndProc(TMessage& message) override;
  // The height is the closed box's; the window also holds the dropped list.
  void SetBounds(int left, int top, int width, int height) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;

 private:
  TListControlItems FItems{this, {CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT}};
  TComboBoxStyle FStyle = csDropDown;
  int FDropDownCount = 8;
  int FItemIndex = -1;
  int ListHeight() const;
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed };
enum TOwnerDrawStateItem { odSelected, odGrayed, odDisabled, odChecked, odFocused };

using TDrawItemEvent = std::function<void(TObject* sender, int index, const RECT& rect, TSet32 state)>;
using TMeasureItemEvent = std::function<void(TObject* sender, int index, int& height)>;

class TListBox : public TWinControl {
  UI_CLASS(TListBox, TWinControl)
 public:
  explicit TListBox(TComponent* owner);
  TStrings* Items() { return &FItems; }
  void SetItems(TStrings* items) { FItems.Assign(items); }
  bool Sorted() const { return FItems.Sorted(); }
  void SetSorted(bool v) { FItems.SetSorted(v); }
  // Several items may be selected (with Shift and Ctrl).
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool v);
  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle v);
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int v);
  // The focused item (the selected one without MultiSelect); -1 when none.
  int ItemIndex() const;
  void SetItemIndex(int v);
  bool Selected(int index) const;
  void SetSelected(int index, bool v);
  int SelCount() const;
  void ClearSelection();
  void SelectAll();
  // The item under a client point, or -1.
  int ItemAtPos(POINT p) const;
  RECT ItemRect(int index) const;
  // The canvas an owner-drawn item draws on while OnDrawItem runs.
  TCanvas& Canvas() { return FCanvas; }

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  virtual void DrawItem(int index, const RECT& rect, TSet32 state);
  TListControlItems FItems{this, {LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT}};

 private:
  bool FMultiSelect = false;
  TListBoxStyle FStyle = lbStandard;
  int FItemHeight = 16;
  TCanvas FCanvas;
  // Kept while the window is away.
  int FSavedIndex = -1;
  std::vector<bool> FSavedSelection;
};

// A list box with a check box before each item.
class TCheckListBox : public TListBox {
  UI_CLASS(TCheckListBox, TListBox)
 public:
  explicit TCheckListBox(TComponent* owner);
  bool Checked(int index) const { return State(index) == cbChecked; }
  void SetChecked(int index, bool v) { SetState(index, v ? cbChecked : cbUnchecked); }
  TCheckBoxState State(int index) const { return TCheckBoxState(FItems.Data(index)); }
  void SetState(int index, TCheckBoxState v);
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool v) { FAllowGrayed = v; }
  // The user changed an item's check (click on the box, or Space); ClickedIndex is that item.
  TNotifyEvent OnClickCheck;
  int ClickedIndex() const { return FClickedIndex; }
  void WndProc(TMessage& message) override;

 protected:
  void DrawItem(int index, const RECT& rect, TSet32 state) override;

 private:
  void ToggleByUser(int index);
  bool FAllowGrayed = false;
  int FClickedIndex = -1;
};

}  // namespace ui
