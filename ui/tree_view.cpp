#include "tree_view.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "drag_drop.h"
#include "sys_utils.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TTreeView, UI_PROP_BOOL("ShowButtons", ShowButtons, SetShowButtons),
             UI_PROP_BOOL("ShowLines", ShowLines, SetShowLines), UI_PROP_BOOL("ShowRoot", ShowRoot, SetShowRoot),
             UI_PROP_BOOL("ReadOnly", ReadOnly, SetReadOnly),
             UI_PROP_BOOL("HideSelection", HideSelection, SetHideSelection),
             UI_PROP_BOOL("RowSelect", RowSelect, SetRowSelect), UI_PROP_BOOL("HotTrack", HotTrack, SetHotTrack),
             UI_PROP_BOOL("ToolTips", ToolTips, SetToolTips), UI_PROP_BOOL("AutoExpand", AutoExpand, SetAutoExpand),
             UI_PROP_BOOL("Checkboxes", Checkboxes, SetCheckboxes),
             UI_PROP_BOOL("RightClickSelect", RightClickSelect, SetRightClickSelect),
             UI_PROP(Integer, "Indent", Indent, SetIndent))

namespace {

constexpr UINT kKeptState = TVIS_EXPANDED | TVIS_STATEIMAGEMASK;

struct SortContext {
  const TTVCompare& Compare;
  intptr_t Data;
  std::exception_ptr Failure;
};

int CALLBACK CompareNodes(LPARAM a, LPARAM b, LPARAM context) {
  auto* c = reinterpret_cast<SortContext*>(context);
  auto* n1 = reinterpret_cast<TTreeNode*>(a);
  auto* n2 = reinterpret_cast<TTreeNode*>(b);
  // A failed handler is no longer asked; nothing unwinds through the control.
  if (c->Failure) return 0;
  try {
    return c->Compare(n1, n2, c->Data);
  } catch (...) {
    c->Failure = std::current_exception();
  }
  return 0;
}

}  // namespace

// ---- TTreeNode ----

TTreeNode::~TTreeNode() {
  for (TTreeNode* c : FChildren) delete c;
}

TTreeView* TTreeNode::TreeView() const { return FOwner->FOwner; }

TTreeNode* TTreeNode::Parent() const { return FParent == &FOwner->FRoot ? nullptr : FParent; }

TTreeNode* TTreeNode::Item(int index) const {
  return index >= 0 && index < Count() ? FChildren[size_t(index)] : nullptr;
}

int TTreeNode::Index() const {
  if (!FParent || FDeleted) return -1;
  auto& v = FParent->FChildren;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : int(it - v.begin());
}

TTreeNode* TTreeNode::GetNextSibling() const {
  int i = Index();
  return i < 0 ? nullptr : FParent->Item(i + 1);
}

TTreeNode* TTreeNode::GetPrevSibling() const {
  int i = Index();
  return i <= 0 ? nullptr : FParent->Item(i - 1);
}

TTreeNode* TTreeNode::GetNext() const {
  if (!FChildren.empty()) return FChildren.front();
  for (const TTreeNode* n = this; n && n->FParent; n = n->FParent)
    if (TTreeNode* s = n->GetNextSibling()) return s;
  return nullptr;
}

int TTreeNode::Level() const {
  int level = 0;
  for (TTreeNode* p = Parent(); p; p = p->Parent()) ++level;
  return level;
}

void TTreeNode::Redraw() {
  TTreeView* tv = TreeView();
  if (!FItemId || tv->FInDisplayInfo) return;
  // Text and images come from the node each time; a new call-back item makes the control ask again.
  TVITEMA it{};
  it.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  it.hItem = FItemId;
  it.pszText = LPSTR_TEXTCALLBACKA;
  it.iImage = it.iSelectedImage = I_IMAGECALLBACK;
  tv->Send(TVM_SETITEMA, 0, LPARAM(&it));
}

void TTreeNode::SetText(const std::string& v) {
  FText = v;
  Redraw();
}

void TTreeNode::SetImageIndex(int v) {
  FImageIndex = v;
  Redraw();
}

void TTreeNode::SetSelectedIndex(int v) {
  FSelectedIndex = v;
  Redraw();
}

void TTreeNode::SetHasChildren(bool v) {
  FHasChildren = v;
  if (!FItemId) return;
  TVITEMA it{};
  it.mask = TVIF_CHILDREN;
  it.hItem = FItemId;
  it.cChildren = v ? 1 : 0;
  TreeView()->Send(TVM_SETITEMA, 0, LPARAM(&it));
}

bool TTreeNode::StateBit(UINT bit) const {
  if (!FItemId) return (FState & bit) != 0;
  return (TreeView()->Send(TVM_GETITEMSTATE, WPARAM(FItemId), bit) & bit) != 0;
}

void TTreeNode::SetStateBits(UINT state, UINT mask) {
  FState = (FState & ~mask) | (state & mask);
  if (!FItemId) return;
  TVITEMA it{};
  it.mask = TVIF_STATE;
  it.hItem = FItemId;
  it.state = state;
  it.stateMask = mask;
  TreeView()->Send(TVM_SETITEMA, 0, LPARAM(&it));
}

void TTreeNode::SetOverlayIndex(int v) {
  FOverlayIndex = v;
  SetStateBits(v >= 0 && v < 15 ? INDEXTOOVERLAYMASK(v + 1) : 0, TVIS_OVERLAYMASK);
}

void TTreeNode::SetStateIndex(int v) {
  FStateIndex = v;
  if (!TreeView()->Checkboxes()) SetStateBits(v >= 0 && v < 15 ? INDEXTOSTATEIMAGEMASK(v + 1) : 0, TVIS_STATEIMAGEMASK);
}

bool TTreeNode::Expanded() const { return StateBit(TVIS_EXPANDED); }

bool TTreeNode::Selected() const {
  TTreeView* tv = TreeView();
  if (!tv->HandleAllocated()) return tv->FSavedSelected == this;
  return tv->Selected() == this;
}

void TTreeNode::SetSelected(bool v) {
  TTreeView* tv = TreeView();
  if (v) {
    tv->SetSelected(this);
  } else if (Selected()) {
    tv->SetSelected(nullptr);
  }
}

bool TTreeNode::DropTarget() const { return FItemId && TreeView()->DropTarget() == this; }

void TTreeNode::SetDropTarget(bool v) {
  TTreeView* tv = TreeView();
  if (!FItemId) return;
  if (v) {
    tv->Send(TVM_SELECTITEM, TVGN_DROPHILITE, LPARAM(FItemId));
  } else if (DropTarget()) {
    tv->Send(TVM_SELECTITEM, TVGN_DROPHILITE, 0);
  }
}

void TTreeNode::Expand(bool recurse) {
  TTreeView* tv = TreeView();
  if (!FItemId) {
    // Applied when the window is made.
    FState |= TVIS_EXPANDED;
  } else if (!Expanded() && tv->CanExpand(this) && FItemId) {
    ++tv->FManualNotify;
    tv->Send(TVM_EXPAND, TVE_EXPAND, LPARAM(FItemId));
    --tv->FManualNotify;
    if (Expanded()) tv->Expand(this);
  }
  if (recurse)
    for (size_t i = 0; i < FChildren.size(); ++i) FChildren[i]->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
  TTreeView* tv = TreeView();
  if (!FItemId) {
    FState &= ~UINT(TVIS_EXPANDED);
  } else if (Expanded() && tv->CanCollapse(this)) {
    ++tv->FManualNotify;
    tv->Send(TVM_EXPAND, TVE_COLLAPSE, LPARAM(FItemId));
    --tv->FManualNotify;
    tv->Collapse(this);
  }
  if (recurse)
    for (TTreeNode* c : FChildren) c->Collapse(true);
}

void TTreeNode::MakeVisible() {
  if (FItemId) TreeView()->Send(TVM_ENSUREVISIBLE, 0, LPARAM(FItemId));
}

void TTreeNode::Delete() { FOwner->Delete(this); }

void TTreeNode::DeleteChildren() {
  // Last first; children already waiting for a running sort are passed over.
  for (;;) {
    auto it = std::find_if(FChildren.rbegin(), FChildren.rend(), [](TTreeNode* n) { return !n->FDeleted; });
    if (it == FChildren.rend()) break;
    FOwner->Delete(*it);
  }
}

bool TTreeNode::EditText() {
  TTreeView* tv = TreeView();
  if (!FItemId || tv->ReadOnly()) return false;
  tv->SetFocus();
  return tv->Send(TVM_EDITLABELA, 0, LPARAM(FItemId)) != 0;
}

RECT TTreeNode::DisplayRect(bool textOnly) const {
  RECT r{};
  if (!FItemId) return r;
  // The message takes the item in the rectangle's first bytes.
  memcpy(&r, &FItemId, sizeof FItemId);
  if (!TreeView()->Send(TVM_GETITEMRECT, textOnly, LPARAM(&r))) r = RECT{};
  return r;
}

bool TTreeNode::AlphaSort(bool recurse) { return CustomSort(nullptr, 0, recurse); }

bool TTreeNode::CustomSort(std::function<int(TTreeNode*, TTreeNode*, intptr_t)> compare, intptr_t data,
                           bool recurse) {
  TTreeView* tv = TreeView();
  if (!tv->HandleAllocated()) return false;
  return tv->SortChildren(this, compare, data, recurse);
}

// ---- TTreeNodes ----

TTreeNodes::TTreeNodes(TTreeView* owner) : FOwner(owner), FRoot(this) {}

TTreeNodes::~TTreeNodes() = default;

TTreeNode* TTreeNodes::InsertNode(TTreeNode* parent, int index, const std::string& text, void* data) {
  auto* node = new TTreeNode(this);
  node->FParent = parent;
  node->FText = text;
  node->FData = data;
  parent->FChildren.insert(parent->FChildren.begin() + index, node);
  ++FCount;
  FOwner->InsertIntoControl(node);
  if (parent != &FRoot && !parent->FHasChildren) parent->SetHasChildren(true);
  return node;
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, const std::string& text, void* data) {
  TTreeNode* parent = sibling ? sibling->FParent : &FRoot;
  return InsertNode(parent, parent->Count(), text, data);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const std::string& text, void* data) {
  TTreeNode* p = ParentOf(parent);
  return InsertNode(p, p->Count(), text, data);
}

TTreeNode* TTreeNodes::Insert(TTreeNode* sibling, const std::string& text) {
  if (!sibling || sibling->Index() < 0) return InsertNode(&FRoot, FRoot.Count(), text, nullptr);
  return InsertNode(sibling->FParent, sibling->Index(), text, nullptr);
}

TTreeNode* TTreeNodes::Item(int index) const {
  TTreeNode* n = GetFirstNode();
  for (int i = 0; n && i < index; ++i) n = n->GetNext();
  return index >= 0 ? n : nullptr;
}

void TTreeNodes::Delete(TTreeNode* node) {
  if (!node || node == &FRoot || node->FDeleted || node->FOwner != this) return;
  TTreeView* tv = FOwner;
  if (tv->FSortDepth > 0) {
    // The control still holds the node while it sorts; it goes once the sort is over.
    node->FDeleted = true;
    FPendingDeletes.push_back(node);
    return;
  }
  // Handlers hear of the children first; none of them is reached again afterwards.
  std::vector<TTreeNode*> subtree{node};
  for (size_t i = 0; i < subtree.size(); ++i)
    for (TTreeNode* c : subtree[i]->FChildren) subtree.push_back(c);
  for (TTreeNode* n : subtree) n->FDeleted = true;
  for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) {
    TTreeNode* n = *it;
    if (tv->FEditingNode == n) {
      tv->FEditingNode = nullptr;
      if (tv->HandleAllocated()) tv->Send(TVM_ENDEDITLABELNOW, TRUE);
    }
    if (tv->FSavedSelected == n) tv->FSavedSelected = nullptr;
    if (tv->FSavedTop == n) tv->FSavedTop = nullptr;
    tv->Delete(n);
  }
  if (node->FItemId) {
    ++tv->FManualNotify;
    tv->Send(TVM_DELETEITEM, 0, LPARAM(node->FItemId));
    --tv->FManualNotify;
  }
  auto& siblings = node->FParent->FChildren;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), node), siblings.end());
  FCount -= int(subtree.size());
  delete node;
}

void TTreeNodes::Clear() { FRoot.DeleteChildren(); }

void TTreeNodes::BeginUpdate() {
  if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) FOwner->Send(WM_SETREDRAW, FALSE);
}

void TTreeNodes::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount > 0) return;
  if (FOwner->HandleAllocated()) {
    FOwner->Send(WM_SETREDRAW, TRUE);
    InvalidateRect(FOwner->Handle(), nullptr, TRUE);
  }
}

// ---- TTreeView ----

TTreeView::TTreeView(TComponent* owner) : TWinControl(owner), FItems(this) {
  FWidth = 121;
  FHeight = 97;
  FColor = clWindow;
}

TTreeView::~TTreeView() = default;

LRESULT TTreeView::Send(UINT msg, WPARAM w, LPARAM l) {
  return HandleAllocated() ? SendMessageA(Handle(), msg, w, l) : 0;
}

void TTreeView::Destroying() {
  // Handlers free what nodes hold while the tree is whole.
  FItems.Clear();
  TWinControl::Destroying();
}

void TTreeView::SetStyle(DWORD bit, bool on) {
  DWORD style = on ? (FStyle | bit) : (FStyle & ~bit);
  if (style == FStyle) return;
  FStyle = style;
  if (!HandleAllocated()) return;
  if (bit == TVS_CHECKBOXES) {
    // The control makes its check images only with a new window.
    RecreateWnd();
    return;
  }
  SetWindowLongPtrA(Handle(), GWL_STYLE, LONG_PTR((GetWindowLongPtrA(Handle(), GWL_STYLE) & ~LONG_PTR(bit)) |
                                                 (on ? LONG_PTR(bit) : 0)));
  InvalidateRect(Handle(), nullptr, TRUE);
}

void TTreeView::SetIndent(int v) {
  FIndent = v < 0 ? 0 : v;
  if (HandleAllocated() && FIndent > 0) Send(TVM_SETINDENT, WPARAM(FIndent));
}

void TTreeView::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = WC_TREEVIEWA;
  p.Style |= WS_TABSTOP | FStyle;
  p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TTreeView::CreateWnd() {
  TWinControl::CreateWnd();
  ApplyImages();
  if (FIndent > 0) Send(TVM_SETINDENT, WPARAM(FIndent));
  FRestoring = true;
  ++FManualNotify;
  Send(WM_SETREDRAW, FALSE);
  InsertTree(&FItems.FRoot);
  RestoreState(&FItems.FRoot);
  if (FSavedSelected) Send(TVM_SELECTITEM, TVGN_CARET, LPARAM(FSavedSelected->FItemId));
  if (FSavedTop) Send(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, LPARAM(FSavedTop->FItemId));
  if (FItems.FUpdateCount == 0) Send(WM_SETREDRAW, TRUE);
  FSavedSelected = FSavedTop = nullptr;
  --FManualNotify;
  FRestoring = false;
}

void TTreeView::InsertTree(TTreeNode* parent) {
  for (TTreeNode* n : parent->FChildren) {
    n->FItemId = nullptr;
    InsertIntoControl(n);
    InsertTree(n);
  }
}

void TTreeView::RestoreState(TTreeNode* parent) {
  for (TTreeNode* n : parent->FChildren) {
    RestoreState(n);
    if ((n->FState & TVIS_EXPANDED) && n->FItemId) Send(TVM_EXPAND, TVE_EXPAND, LPARAM(n->FItemId));
  }
}

void TTreeView::SaveState(TTreeNode* parent) {
  for (TTreeNode* n : parent->FChildren) {
    if (n->FItemId) n->FState = UINT(Send(TVM_GETITEMSTATE, WPARAM(n->FItemId), kKeptState));
    n->FItemId = nullptr;
    SaveState(n);
  }
}

void TTreeView::SaveWindowData() {
  if (IsDestroying()) return;
  FSavedSelected = Selected();
  FSavedTop = TopItem();
  SaveState(&FItems.FRoot);
}

void TTreeView::InsertIntoControl(TTreeNode* node) {
  if (!HandleAllocated()) return;
  TTreeNode* parent = node->FParent;
  TVINSERTSTRUCTA ins{};
  ins.hParent = parent == &FItems.FRoot ? TVI_ROOT : parent->FItemId;
  TTreeNode* prev = node->GetPrevSibling();
  ins.hInsertAfter = prev ? prev->FItemId : TVI_FIRST;
  TVITEMA& it = ins.item;
  it.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN | TVIF_STATE;
  it.pszText = LPSTR_TEXTCALLBACKA;
  it.iImage = it.iSelectedImage = I_IMAGECALLBACK;
  it.lParam = reinterpret_cast<LPARAM>(node);
  it.cChildren = node->FHasChildren ? 1 : 0;
  UINT state = 0;
  if (node->FOverlayIndex >= 0 && node->FOverlayIndex < 15) state |= INDEXTOOVERLAYMASK(node->FOverlayIndex + 1);
  if (Checkboxes()) {
    state |= (node->FState & TVIS_STATEIMAGEMASK) ? (node->FState & TVIS_STATEIMAGEMASK) : INDEXTOSTATEIMAGEMASK(1);
  } else if (node->FStateIndex >= 0 && node->FStateIndex < 15) {
    state |= INDEXTOSTATEIMAGEMASK(node->FStateIndex + 1);
  }
  it.state = state;
  it.stateMask = TVIS_OVERLAYMASK | TVIS_STATEIMAGEMASK;
  node->FItemId = reinterpret_cast<HTREEITEM>(Send(TVM_INSERTITEMA, 0, LPARAM(&ins)));
}

TTreeNode* TTreeView::NodeFromItem(HTREEITEM item) {
  if (!item || !HandleAllocated()) return nullptr;
  TVITEMA it{};
  it.mask = TVIF_PARAM;
  it.hItem = item;
  if (!Send(TVM_GETITEMA, 0, LPARAM(&it))) return nullptr;
  return reinterpret_cast<TTreeNode*>(it.lParam);
}

void TTreeView::ApplyImages() {
  Send(TVM_SETIMAGELIST, TVSIL_NORMAL, LPARAM(FImages ? FImages->Handle() : nullptr));
  if (!Checkboxes()) Send(TVM_SETIMAGELIST, TVSIL_STATE, LPARAM(FStateImages ? FStateImages->Handle() : nullptr));
}

void TTreeView::SetImages(TImageList* v) {
  if (v == FImages) return;
  if (FImages) RemoveFreeNotification(FImages);
  FImages = v;
  if (v) FreeNotification(v);
  if (HandleAllocated()) ApplyImages();
}

void TTreeView::SetStateImages(TImageList* v) {
  if (v == FStateImages) return;
  if (FStateImages) RemoveFreeNotification(FStateImages);
  FStateImages = v;
  if (v) FreeNotification(v);
  if (HandleAllocated()) ApplyImages();
}

void TTreeView::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove || (component != FImages && component != FStateImages)) return;
  if (component == FImages) FImages = nullptr;
  if (component == FStateImages) FStateImages = nullptr;
  if (HandleAllocated() && !IsDestroying()) ApplyImages();
}

TTreeNode* TTreeView::Selected() {
  if (!HandleAllocated()) return FSavedSelected;
  return NodeFromItem(reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TTreeView::SetSelected(TTreeNode* node) {
  if (!HandleAllocated()) {
    FSavedSelected = node;
    return;
  }
  Send(TVM_SELECTITEM, TVGN_CARET, LPARAM(node ? node->FItemId : nullptr));
}

TTreeNode* TTreeView::TopItem() {
  if (!HandleAllocated()) return FSavedTop;
  return NodeFromItem(reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)));
}

void TTreeView::SetTopItem(TTreeNode* node) {
  if (!HandleAllocated()) {
    FSavedTop = node;
    return;
  }
  if (node) Send(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, LPARAM(node->FItemId));
}

TTreeNode* TTreeView::DropTarget() {
  if (!HandleAllocated()) return nullptr;
  return NodeFromItem(reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_DROPHILITE, 0)));
}

TTreeNode* TTreeView::GetNodeAt(int x, int y) {
  if (!HandleAllocated()) return nullptr;
  TVHITTESTINFO hit{};
  hit.pt = POINT{x, y};
  HTREEITEM item = reinterpret_cast<HTREEITEM>(Send(TVM_HITTEST, 0, LPARAM(&hit)));
  if (!(hit.flags & (TVHT_ONITEM | TVHT_ONITEMRIGHT | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON))) return nullptr;
  return NodeFromItem(item);
}

void TTreeView::FullExpand() {
  for (TTreeNode* n = FItems.GetFirstNode(); n; n = n->GetNextSibling()) n->Expand(true);
}

void TTreeView::FullCollapse() {
  for (TTreeNode* n = FItems.GetFirstNode(); n; n = n->GetNextSibling()) n->Collapse(true);
}

bool TTreeView::CustomSort(TTVCompare compare, intptr_t data, bool recurse) {
  if (!HandleAllocated()) return false;
  return SortChildren(&FItems.FRoot, compare, data, recurse);
}

bool TTreeView::SortChildren(TTreeNode* parent, const TTVCompare& given, intptr_t data, bool recurse) {
  TTVCompare compare = given;
  if (!compare) {
    if (OnCompare) {
      compare = [this](TTreeNode* a, TTreeNode* b, intptr_t d) {
        int r = 0;
        OnCompare(this, a, b, d, r);
        return r;
      };
    } else {
      compare = [](TTreeNode* a, TTreeNode* b, intptr_t) { return lstrcmpA(a->Text().c_str(), b->Text().c_str()); };
    }
  }
  // Equal nodes keep their order whatever the control's sort does with them; nodes deleted meanwhile
  // go last and are not handed to the compare.
  TTVCompare stable = [&compare](TTreeNode* a, TTreeNode* b, intptr_t d) {
    if (a->FDeleted != b->FDeleted) return a->FDeleted ? 1 : -1;
    int r = a->FDeleted ? 0 : compare(a, b, d);
    return r != 0 ? r : (a->FSortIndex > b->FSortIndex) - (a->FSortIndex < b->FSortIndex);
  };
  std::vector<TTreeNode*> parents{parent};
  std::exception_ptr failure;
  ++FSortDepth;
  for (size_t p = 0; p < parents.size() && !failure; ++p) {
    TTreeNode* node = parents[p];
    for (size_t i = 0; i < node->FChildren.size(); ++i) node->FChildren[i]->FSortIndex = int(i);
    SortContext context{stable, data, nullptr};
    TVSORTCB sort{};
    sort.hParent = node == &FItems.FRoot ? TVI_ROOT : node->FItemId;
    sort.lpfnCompare = &CompareNodes;
    sort.lParam = reinterpret_cast<LPARAM>(&context);
    Send(TVM_SORTCHILDRENCB, 0, LPARAM(&sort));
    failure = context.Failure;
    // Our children follow the control's new order.
    std::vector<TTreeNode*> ordered;
    HTREEITEM first = node == &FItems.FRoot ? reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_ROOT, 0))
                                            : reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_CHILD,
                                                                               LPARAM(node->FItemId)));
    for (HTREEITEM h = first; h; h = reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(h))))
      if (TTreeNode* n = NodeFromItem(h)) ordered.push_back(n);
    if (ordered.size() == node->FChildren.size()) node->FChildren = ordered;
    if (recurse)
      for (TTreeNode* c : node->FChildren)
        if (!c->FChildren.empty()) parents.push_back(c);
  }
  --FSortDepth;
  if (FSortDepth == 0) FinishPendingDeletes();
  if (failure) std::rethrow_exception(failure);
  return true;
}

void TTreeView::FinishPendingDeletes() {
  std::vector<TTreeNode*> pending;
  pending.swap(FItems.FPendingDeletes);
  // A node whose parent also waits goes with that parent.
  for (TTreeNode* n : pending) {
    bool underAnother = false;
    for (TTreeNode* p = n->FParent; p; p = p->FParent)
      if (std::find(pending.begin(), pending.end(), p) != pending.end()) underAnother = true;
    if (!underAnother) n->FDeleted = false;
  }
  for (TTreeNode* n : pending)
    if (!n->FDeleted) FItems.Delete(n);
}

// ---- events ----

bool TTreeView::CanExpand(TTreeNode* node) {
  bool allow = true;
  if (OnExpanding) OnExpanding(this, node, allow);
  return allow;
}

void TTreeView::Expand(TTreeNode* node) {
  if (OnExpanded) OnExpanded(this, node);
}

bool TTreeView::CanCollapse(TTreeNode* node) {
  bool allow = true;
  if (OnCollapsing) OnCollapsing(this, node, allow);
  return allow;
}

void TTreeView::Collapse(TTreeNode* node) {
  if (OnCollapsed) OnCollapsed(this, node);
}

bool TTreeView::CanChange(TTreeNode* node) {
  bool allow = true;
  if (OnChanging) OnChanging(this, node, allow);
  return allow;
}

void TTreeView::Change(TTreeNode* node) {
  if (OnChange) OnChange(this, node);
}

bool TTreeView::CanEdit(TTreeNode* node) {
  bool allow = !ReadOnly();
  if (allow && OnEditing) OnEditing(this, node, allow);
  return allow;
}

void TTreeView::Edit(TTreeNode* node, std::string& s) {
  if (OnEdited) OnEdited(this, node, s);
}

void TTreeView::Delete(TTreeNode* node) {
  if (OnDeletion) OnDeletion(this, node);
}

void TTreeView::GetImageIndex(TTreeNode* node) {
  if (OnGetImageIndex) OnGetImageIndex(this, node);
}

void TTreeView::GetSelectedIndex(TTreeNode* node) {
  if (OnGetSelectedIndex) OnGetSelectedIndex(this, node);
}

// ---- messages ----

void TTreeView::WndProc(TMessage& m) {
  if (m.Msg == CN_NOTIFY) {
    Notify(m);
    return;
  }
  TWinControl::WndProc(m);
}

bool TTreeView::ContextPopup(LPARAM screenPoint) { return ShowPopupMenu(screenPoint); }

bool TTreeView::DragAutoScroll(int x, int y) { return ScrollNearEdges(this, x, y); }

void TTreeView::Notify(TMessage& m) {
  auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
  auto* nm = reinterpret_cast<NMTREEVIEWA*>(m.LParam);
  switch (hdr->code) {
    case TVN_BEGINDRAGA:
      if (DragMode() == dmAutomatic && Enabled()) BeginDrag(true);
      return;
    case TVN_GETDISPINFOA:
      DisplayInfo(*reinterpret_cast<NMTVDISPINFOA*>(m.LParam));
      return;
    case TVN_ITEMEXPANDINGA: {
      TTreeNode* node = NodeFromItem(nm->itemNew.hItem);
      if (FManualNotify || !node) return;
      bool allow = nm->action & TVE_EXPAND ? CanExpand(node) : CanCollapse(node);
      m.Result = !allow;
      return;
    }
    case TVN_ITEMEXPANDEDA: {
      TTreeNode* node = NodeFromItem(nm->itemNew.hItem);
      if (FManualNotify || !node) return;
      if (nm->action & TVE_EXPAND) Expand(node);
      else Collapse(node);
      return;
    }
    case TVN_SELCHANGINGA: {
      TTreeNode* node = NodeFromItem(nm->itemNew.hItem);
      if (FRestoring || (node && node->FDeleted)) return;
      m.Result = !CanChange(node);
      return;
    }
    case TVN_SELCHANGEDA: {
      TTreeNode* node = NodeFromItem(nm->itemNew.hItem);
      if (!FRestoring && !(node && node->FDeleted)) Change(node);
      return;
    }
    case TVN_BEGINLABELEDITA: {
      TTreeNode* node = NodeFromItem(reinterpret_cast<NMTVDISPINFOA*>(m.LParam)->item.hItem);
      // Set first: a handler that deletes the node clears it.
      FEditingNode = node;
      bool allow = node && CanEdit(node) && FEditingNode == node;
      if (!allow) FEditingNode = nullptr;
      m.Result = !allow;
      return;
    }
    case TVN_ENDLABELEDITA:
      EndEdit(*reinterpret_cast<NMTVDISPINFOA*>(m.LParam));
      m.Result = FALSE;
      return;
    case NM_RCLICK:
      if (FRightClickSelect) {
        DWORD pos = GetMessagePos();
        POINT p{short(LOWORD(pos)), short(HIWORD(pos))};
        ScreenToClient(Handle(), &p);
        if (TTreeNode* node = GetNodeAt(p.x, p.y)) SetSelected(node);
      }
      // The control eats the button-up, and not every one sends WM_CONTEXTMENU after: the menu shows here.
      if (ContextPopup(LPARAM(GetMessagePos()))) m.Result = 1;
      return;
    case NM_CUSTOMDRAW:
      CustomDraw(m);
      return;
    default:
      return;
  }
}

void TTreeView::DisplayInfo(NMTVDISPINFOA& di) {
  TVITEMA& it = di.item;
  TTreeNode* node = reinterpret_cast<TTreeNode*>(it.lParam);
  if (!node) node = NodeFromItem(it.hItem);
  if (!node) return;
  FInDisplayInfo = true;
  if ((it.mask & TVIF_TEXT) && it.pszText && it.cchTextMax > 0)
    lstrcpynA(it.pszText, node->FText.c_str(), it.cchTextMax);
  if (it.mask & TVIF_IMAGE) {
    GetImageIndex(node);
    it.iImage = node->FImageIndex;
  }
  if (it.mask & TVIF_SELECTEDIMAGE) {
    GetSelectedIndex(node);
    it.iSelectedImage = node->FSelectedIndex;
  }
  FInDisplayInfo = false;
}

void TTreeView::EndEdit(NMTVDISPINFOA& di) {
  TTreeNode* node = FEditingNode;
  if (!node) return;
  if (di.item.pszText) {
    std::string s = di.item.pszText;
    Edit(node, s);
    // The handler may have deleted the node; then there is nothing to rename.
    if (FEditingNode == node) node->SetText(s);
  }
  FEditingNode = nullptr;
}

void TTreeView::CustomDraw(TMessage& m) {
  auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(m.LParam);
  FCustomDraw.OnPaint = nullptr;
  FCustomDraw.OnItem = nullptr;
  if (OnCustomDraw)
    FCustomDraw.OnPaint = [this](DWORD_PTR, LPARAM, TCustomDrawInfo& info) { OnCustomDraw(this, info); };
  if (OnCustomDrawItem)
    FCustomDraw.OnItem = [this](DWORD_PTR item, LPARAM, TCustomDrawInfo& info) {
      if (TTreeNode* node = NodeFromItem(reinterpret_cast<HTREEITEM>(item))) OnCustomDrawItem(this, node, info);
    };
  m.Result = FCustomDraw.Notify(cd->nmcd, cd->clrText, cd->clrTextBk, -1, *Font());
}

}  // namespace ui
