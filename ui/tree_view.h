#pragma once
// TTreeView over the common tree view. The nodes live here, so they, their data, expansion and selection
// outlast a new window.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "control.h"
#include "custom_draw.h"
#include "image_list.h"

namespace ui {

class TTreeNodes;
class TTreeView;

class TTreeNode {
 public:
  TTreeNode(const TTreeNode&) = delete;
  TTreeNode& operator=(const TTreeNode&) = delete;

  TTreeNodes* Owner() const { return FOwner; }
  TTreeView* TreeView() const;
  // The control's item, nullptr without a window.
  HTREEITEM ItemId() const { return FItemId; }

  const std::string& Text() const { return FText; }
  void SetText(const std::string& v);
  void* Data() const { return FData; }
  void SetData(void* v) { FData = v; }
  // Shows the expand button before any child exists (children read on expansion).
  bool HasChildren() const { return FHasChildren; }
  void SetHasChildren(bool v);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int v);
  int SelectedIndex() const { return FSelectedIndex; }
  void SetSelectedIndex(int v);
  // Overlay and state images, -1 for none; the control shows 0-14.
  int OverlayIndex() const { return FOverlayIndex; }
  void SetOverlayIndex(int v);
  int StateIndex() const { return FStateIndex; }
  void SetStateIndex(int v);

  bool Expanded() const;
  void SetExpanded(bool v) { v ? Expand(false) : Collapse(false); }
  bool Selected() const;
  void SetSelected(bool v);
  bool DropTarget() const;
  void SetDropTarget(bool v);

  // Parent node, nullptr at the top level.
  TTreeNode* Parent() const;
  int Count() const { return int(FChildren.size()); }
  TTreeNode* Item(int index) const;
  TTreeNode* GetFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front(); }
  TTreeNode* GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back(); }
  TTreeNode* GetNextSibling() const;
  TTreeNode* GetPrevSibling() const;
  // The next node in the whole tree, children first.
  TTreeNode* GetNext() const;
  int Index() const;
  int Level() const;

  // Expanding asks CanExpand (the "may expand" event) first, which may add the children.
  void Expand(bool recurse);
  void Collapse(bool recurse);
  void MakeVisible();
  // Removes and frees the node and its children (after the sort when one is running).
  void Delete();
  void DeleteChildren();
  bool EditText();
  RECT DisplayRect(bool textOnly) const;
  // Sorts the children with the control's own sort; equal nodes keep their order.
  bool AlphaSort(bool recurse = false);
  bool CustomSort(std::function<int(TTreeNode*, TTreeNode*, intptr_t)> compare, intptr_t data, bool recurse = false);

 private:
  friend class TTreeNodes;
  friend class TTreeView;
  explicit TTreeNode(TTreeNodes* owner) : FOwner(owner) {}
  ~TTreeNode();
  bool StateBit(UINT bit) const;
  void SetStateBits(UINT state, UINT mask);
  void Redraw();

  TTreeNodes* FOwner;
  TTreeNode* FParent = nullptr;
  std::vector<TTreeNode*> FChildren;
  HTREEITEM FItemId = nullptr;
  std::string FText;
  void* FData = nullptr;
  bool FHasChildren = false;
  int FImageIndex = -1, FSelectedIndex = -1, FOverlayIndex = -1, FStateIndex = -1;
  UINT FState = 0;        // expanded, selected, state image while there is no window
  int FSortIndex = 0;     // place before the running sort, for equal nodes
  bool FDeleted = false;  // deletion waits for the running sort
};

class TTreeNodes {
 public:
  explicit TTreeNodes(TTreeView* owner);
  ~TTreeNodes();
  TTreeNodes(const TTreeNodes&) = delete;
  TTreeNodes& operator=(const TTreeNodes&) = delete;

  TTreeView* Owner() const { return FOwner; }
  // A new last sibling of sibling (top level for nullptr).
  TTreeNode* Add(TTreeNode* sibling, const std::string& text) { return AddObject(sibling, text, nullptr); }
  TTreeNode* AddObject(TTreeNode* sibling, const std::string& text, void* data);
  // A new last child of parent (top level for nullptr).
  TTreeNode* AddChild(TTreeNode* parent, const std::string& text) { return AddChildObject(parent, text, nullptr); }
  TTreeNode* AddChildObject(TTreeNode* parent, const std::string& text, void* data);
  // A new node just before sibling (last at the top level for nullptr).
  TTreeNode* Insert(TTreeNode* sibling, const std::string& text);
  void Delete(TTreeNode* node);
  void Clear();
  // Every node of the tree.
  int Count() const { return FCount; }
  TTreeNode* GetFirstNode() const { return FRoot.GetFirstChild(); }
  // The node at a place of the whole tree walked children first.
  TTreeNode* Item(int index) const;

  void BeginUpdate();
  void EndUpdate();

 private:
  friend class TTreeNode;
  friend class TTreeView;
  TTreeNode* InsertNode(TTreeNode* parent, int index, const std::string& text, void* data);
  TTreeNode* ParentOf(TTreeNode* node) { return node ? node : &FRoot; }

  TTreeView* FOwner;
  TTreeNode FRoot;  // the top-level nodes are its children
  std::vector<TTreeNode*> FPendingDeletes;
  int FCount = 0;
  int FUpdateCount = 0;
};

using TTVExpandingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allow)>;
using TTVNodeEvent = std::function<void(TObject* sender, TTreeNode* node)>;
using TTVChangingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allowChange)>;
using TTVEditingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allowEdit)>;
using TTVEditedEvent = std::function<void(TObject* sender, TTreeNode* node, std::string& s)>;
using TTVCompareEvent =
    std::function<void(TObject* sender, TTreeNode* node1, TTreeNode* node2, intptr_t data, int& compare)>;
using TTVCustomDrawEvent = std::function<void(TObject* sender, TCustomDrawInfo& info)>;
using TTVCustomDrawItemEvent = std::function<void(TObject* sender, TTreeNode* node, TCustomDrawInfo& info)>;
using TTVCompare = std::function<int(TTreeNode*, TTreeNode*, intptr_t)>;

class TTreeView : public TWinControl {
  UI_CLASS(TTreeView, TWinControl)
 public:
  explicit TTreeView(TComponent* owner);
  ~TTreeView() override;

  TTreeNodes& Items() { return FItems; }
  TTreeNode* Selected();
  void SetSelected(TTreeNode* node);
  TTreeNode* TopItem();
  void SetTopItem(TTreeNode* node);
  TTreeNode* DropTarget();
  TTreeNode* GetNodeAt(int x, int y);
  bool IsEditing() const { return FEditingNode != nullptr; }
  void FullExpand();
  void FullCollapse();
  bool AlphaSort(bool recurse = false) { return CustomSort(nullptr, 0, recurse); }
  // The compare defaults to OnCompare, else the texts.
  bool CustomSort(TTVCompare compare, intptr_t data, bool recurse = false);

  bool ShowButtons() const { return HasStyle(TVS_HASBUTTONS); }
  void SetShowButtons(bool v) { SetStyle(TVS_HASBUTTONS, v); }
  bool ShowLines() const { return HasStyle(TVS_HASLINES); }
  void SetShowLines(bool v) { SetStyle(TVS_HASLINES, v); }
  bool ShowRoot() const { return HasStyle(TVS_LINESATROOT); }
  void SetShowRoot(bool v) { SetStyle(TVS_LINESATROOT, v); }
  bool ReadOnly() const { return !HasStyle(TVS_EDITLABELS); }
  void SetReadOnly(bool v) { SetStyle(TVS_EDITLABELS, !v); }
  bool HideSelection() const { return !HasStyle(TVS_SHOWSELALWAYS); }
  void SetHideSelection(bool v) { SetStyle(TVS_SHOWSELALWAYS, !v); }
  bool RowSelect() const { return HasStyle(TVS_FULLROWSELECT); }
  void SetRowSelect(bool v) { SetStyle(TVS_FULLROWSELECT, v); }
  bool HotTrack() const { return HasStyle(TVS_TRACKSELECT); }
  void SetHotTrack(bool v) { SetStyle(TVS_TRACKSELECT, v); }
  bool ToolTips() const { return !HasStyle(TVS_NOTOOLTIPS); }
  void SetToolTips(bool v) { SetStyle(TVS_NOTOOLTIPS, !v); }
  bool AutoExpand() const { return HasStyle(TVS_SINGLEEXPAND); }
  void SetAutoExpand(bool v) { SetStyle(TVS_SINGLEEXPAND, v); }
  bool Checkboxes() const { return HasStyle(TVS_CHECKBOXES); }
  void SetCheckboxes(bool v) { SetStyle(TVS_CHECKBOXES, v); }
  // A right click selects the node under the mouse.
  bool RightClickSelect() const { return FRightClickSelect; }
  void SetRightClickSelect(bool v) { FRightClickSelect = v; }
  // Pixels per level, 0 for the control's default.
  int Indent() const { return FIndent; }
  void SetIndent(int v);

  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* v);
  TImageList* StateImages() const { return FStateImages; }
  void SetStateImages(TImageList* v);

  TTVExpandingEvent OnExpanding;  // "may expand": may add the children first
  TTVNodeEvent OnExpanded;
  TTVExpandingEvent OnCollapsing;
  TTVNodeEvent OnCollapsed;
  TTVChangingEvent OnChanging;
  TTVNodeEvent OnChange;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;
  TTVCompareEvent OnCompare;
  TTVNodeEvent OnDeletion;
  // Set: the control asks for a node's images each time it draws them.
  TTVNodeEvent OnGetImageIndex;
  TTVNodeEvent OnGetSelectedIndex;
  TTVCustomDrawEvent OnCustomDraw;
  TTVCustomDrawItemEvent OnCustomDrawItem;

  void WndProc(TMessage& message) override;
  // The view starts an automatic drag on its own begin-drag notice, so a press still selects.
  bool BeginAutoDrag() override { return false; }
  bool DragAutoScroll(int x, int y) override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void SaveWindowData() override;
  void Destroying() override;
  // The steps behind the events; descendants add their own.
  virtual bool CanExpand(TTreeNode* node);
  virtual void Expand(TTreeNode* node);
  virtual bool CanCollapse(TTreeNode* node);
  virtual void Collapse(TTreeNode* node);
  virtual bool CanChange(TTreeNode* node);
  virtual void Change(TTreeNode* node);
  virtual bool CanEdit(TTreeNode* node);
  virtual void Edit(TTreeNode* node, std::string& s);
  virtual void Delete(TTreeNode* node);
  virtual void GetImageIndex(TTreeNode* node);
  virtual void GetSelectedIndex(TTreeNode* node);
  // A right click's popup menu (screen point); true when one showed.
  virtual bool ContextPopup(LPARAM screenPoint);

 private:
  friend class TTreeNode;
  friend class TTreeNodes;
  LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0);
  bool HasStyle(DWORD bit) const { return (FStyle & bit) != 0; }
  void SetStyle(DWORD bit, bool on);
  void ApplyImages();
  TTreeNode* NodeFromItem(HTREEITEM item);
  void InsertIntoControl(TTreeNode* node);
  void InsertTree(TTreeNode* parent);
  void RestoreState(TTreeNode* parent);
  void SaveState(TTreeNode* parent);
  bool SortChildren(TTreeNode* parent, const TTVCompare& compare, intptr_t data, bool recurse);
  void FinishPendingDeletes();
  void Notify(TMessage& m);
  void DisplayInfo(NMTVDISPINFOA& di);
  void EndEdit(NMTVDISPINFOA& di);
  void CustomDraw(TMessage& m);

  TTreeNodes FItems;
  DWORD FStyle = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS;
  bool FRightClickSelect = false;
  int FIndent = 0;
  TImageList *FImages = nullptr, *FStateImages = nullptr;
  TCustomDraw FCustomDraw;
  TTreeNode* FEditingNode = nullptr;
  // Kept over a new window.
  TTreeNode* FSavedSelected = nullptr;
  TTreeNode* FSavedTop = nullptr;
  int FSortDepth = 0;
  int FManualNotify = 0;  // our own expand or select: no events from the control's notices
  bool FRestoring = false;
  bool FInDisplayInfo = false;
};

}  // namespace ui
