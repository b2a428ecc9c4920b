#include <gtest/gtest.h>

#include "application.h"
#include "form.h"
#include "gdi.h"
#include "status_bar.h"
#include "tree_view.h"

using namespace ui;

namespace {

using FormPtr = std::unique_ptr<TForm, TFreeDeleter>;

struct TreeForm {
  FormPtr Form{new TForm(nullptr)};
  TTreeView* Tree;
  TreeForm() {
    Form->SetBounds(30, 30, 320, 400);
    Tree = new TTreeView(Form.get());
    Tree->SetParent(Form.get());
    Tree->SetBounds(0, 0, 300, 360);
    Form->Show();
  }
};

// What the control shows for an item, asked through its own message.
std::string ItemText(HWND tree, HTREEITEM item) {
  char buf[128] = "";
  TVITEMA it{};
  it.mask = TVIF_TEXT;
  it.hItem = item;
  it.pszText = buf;
  it.cchTextMax = sizeof buf;
  SendMessageA(tree, TVM_GETITEMA, 0, LPARAM(&it));
  return buf;
}

HTREEITEM Next(HWND tree, UINT code, HTREEITEM item = nullptr) {
  return HTREEITEM(SendMessageA(tree, TVM_GETNEXTITEM, code, LPARAM(item)));
}

bool ExpandedInControl(HWND tree, HTREEITEM item) {
  return (SendMessageA(tree, TVM_GETITEMSTATE, WPARAM(item), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

// Three levels: roots "A".."C" read their children when first expanded, and so do the children.
void FillOnDemand(TTreeView* tree, std::vector<std::string>& asked) {
  tree->OnExpanding = [&asked, tree](TObject*, TTreeNode* node, bool& allow) {
    asked.push_back(node->Text());
    if (node->Count() > 0 || node->Level() >= 2) return;
    for (int i = 0; i < 3; ++i) {
      TTreeNode* child = tree->Items().AddChild(node, node->Text() + std::to_string(i));
      child->SetData(reinterpret_cast<void*>(intptr_t(node->Level() * 100 + i)));
      child->SetHasChildren(node->Level() == 0);
    }
    allow = true;
  };
  for (const char* name : {"A", "B", "C"}) tree->Items().Add(nullptr, name)->SetHasChildren(true);
}

}  // namespace

TEST(TreeView, ThreeLevelsReadOnDemandThroughMayExpand) {
  TreeForm f;
  std::vector<std::string> asked;
  FillOnDemand(f.Tree, asked);
  HWND h = f.Tree->Handle();
  EXPECT_EQ(3, SendMessageA(h, TVM_GETCOUNT, 0, 0));
  HTREEITEM b = Next(h, TVGN_NEXT, Next(h, TVGN_ROOT));
  ASSERT_EQ("B", ItemText(h, b));
  // Expanded from outside, as a click on the button does: the control asks first.
  SendMessageA(h, TVM_EXPAND, TVE_EXPAND, LPARAM(b));
  EXPECT_EQ(std::vector<std::string>{"B"}, asked);
  EXPECT_TRUE(ExpandedInControl(h, b));
  HTREEITEM b1 = Next(h, TVGN_NEXT, Next(h, TVGN_CHILD, b));
  ASSERT_EQ("B1", ItemText(h, b1));
  // And through the node: the third level.
  TTreeNode* nodeB1 = f.Tree->Items().GetFirstNode()->GetNextSibling()->Item(1);
  ASSERT_EQ(b1, nodeB1->ItemId());
  nodeB1->Expand(false);
  EXPECT_EQ(std::vector<std::string>({"B", "B1"}), asked);
  TTreeNode* leaf = nodeB1->Item(2);
  ASSERT_NE(nullptr, leaf);
  EXPECT_EQ("B12", ItemText(h, leaf->ItemId()));
  EXPECT_EQ(2, leaf->Level());
  EXPECT_EQ(102, intptr_t(leaf->Data()));
  EXPECT_EQ(9, f.Tree->Items().Count());
  EXPECT_EQ(leaf, f.Tree->Items().Item(6));  // A, B, B0, B1, B10, B11, B12
  // A refusal keeps the node shut.
  f.Tree->OnExpanding = [](TObject*, TTreeNode*, bool& allow) { allow = false; };
  HTREEITEM c = Next(h, TVGN_NEXT, b);
  SendMessageA(h, TVM_EXPAND, TVE_EXPAND, LPARAM(c));
  EXPECT_FALSE(ExpandedInControl(h, c));

  // Selection from outside asks OnChanging, which may refuse, and tells OnChange of the node.
  std::vector<std::string> changed;
  f.Tree->OnChanging = [](TObject*, TTreeNode* node, bool& allow) { allow = node->Text() != "C"; };
  f.Tree->OnChange = [&](TObject*, TTreeNode* node) { changed.push_back(node ? node->Text() : "-"); };
  SendMessageA(h, TVM_SELECTITEM, TVGN_CARET, LPARAM(b1));
  SendMessageA(h, TVM_SELECTITEM, TVGN_CARET, LPARAM(c));
  EXPECT_EQ(b1, Next(h, TVGN_CARET));
  EXPECT_EQ(std::vector<std::string>{"B1"}, changed);
  EXPECT_EQ(nodeB1, f.Tree->Selected());
  EXPECT_TRUE(nodeB1->Selected());
}

TEST(TreeView, CheckBoxStyleToggledKeepsNodesDataExpansionAndSelection) {
  TreeForm f;
  std::vector<std::string> asked;
  FillOnDemand(f.Tree, asked);
  TTreeNode* a = f.Tree->Items().GetFirstNode();
  a->Expand(false);
  a->Item(1)->Expand(false);
  TTreeNode* selected = a->Item(1)->Item(2);
  selected->SetSelected(true);
  int changes = 0, deletions = 0;
  f.Tree->OnChange = [&](TObject*, TTreeNode*) { ++changes; };
  f.Tree->OnDeletion = [&](TObject*, TTreeNode*) { ++deletions; };
  HWND h = f.Tree->Handle();
  int count = int(SendMessageA(h, TVM_GETCOUNT, 0, 0));

  f.Tree->SetCheckboxes(true);
  HWND h2 = f.Tree->Handle();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_TRUE(GetWindowLongPtrA(h2, GWL_STYLE) & TVS_CHECKBOXES);
  EXPECT_EQ(count, SendMessageA(h2, TVM_GETCOUNT, 0, 0));
  EXPECT_TRUE(ExpandedInControl(h2, a->ItemId()));
  EXPECT_TRUE(ExpandedInControl(h2, a->Item(1)->ItemId()));
  EXPECT_FALSE(ExpandedInControl(h2, a->Item(0)->ItemId()));
  HTREEITEM caret = Next(h2, TVGN_CARET);
  EXPECT_EQ(selected->ItemId(), caret);
  EXPECT_EQ("A12", ItemText(h2, caret));
  EXPECT_EQ(selected, f.Tree->Selected());
  EXPECT_EQ(102, intptr_t(selected->Data()));
  EXPECT_EQ(0, changes);
  EXPECT_EQ(0, deletions);
  // No second "may expand" for nodes already read.
  EXPECT_EQ(std::vector<std::string>({"A", "A1"}), asked);

  f.Tree->SetCheckboxes(false);
  EXPECT_EQ(0, GetWindowLongPtrA(f.Tree->Handle(), GWL_STYLE) & TVS_CHECKBOXES);
  EXPECT_EQ(selected, f.Tree->Selected());
  EXPECT_EQ(count, SendMessageA(f.Tree->Handle(), TVM_GETCOUNT, 0, 0));
}

TEST(TreeView, ASharedImageListIsShownButNeverFreedByItsHolder) {
  HIMAGELIST shared = ImageList_Create(20, 18, ILC_COLOR24 | ILC_MASK, 2, 2);
  ASSERT_NE(nullptr, shared);
  {
    TreeForm f;
    auto* images = new TImageList(f.Form.get());
    images->SetSharedHandle(shared);
    EXPECT_TRUE(images->Shared());
    EXPECT_EQ(20, images->Width());
    EXPECT_EQ(18, images->Height());
    f.Tree->SetImages(images);
    EXPECT_EQ(LRESULT(shared), SendMessageA(f.Tree->Handle(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    // Replacing the handle and freeing the holder leave the shared list alone.
    images->SetSharedHandle(nullptr);
    EXPECT_FALSE(images->Shared());
    images->SetSharedHandle(shared);
    images->Free();
    EXPECT_EQ(0, SendMessageA(f.Tree->Handle(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
  }
  EXPECT_EQ(0, ImageList_GetImageCount(shared));
  int w = 0, h = 0;
  EXPECT_TRUE(ImageList_GetIconSize(shared, &w, &h));
  EXPECT_EQ(20, w);
  EXPECT_TRUE(ImageList_Destroy(shared));
}

TEST(TreeView, LabelEditRenamesAndADeletedNodeIsNotRenamed) {
  TreeForm f;
  TTreeNode* first = f.Tree->Items().Add(nullptr, "first");
  TTreeNode* second = f.Tree->Items().Add(nullptr, "second");
  std::vector<std::string> edited;
  f.Tree->OnEdited = [&](TObject*, TTreeNode* node, std::string& s) { edited.push_back(node->Text() + ">" + s); };
  HWND h = f.Tree->Handle();
  ASSERT_TRUE(first->EditText());
  HWND edit = HWND(SendMessageA(h, TVM_GETEDITCONTROL, 0, 0));
  ASSERT_TRUE(edit);
  SetWindowTextA(edit, "renamed");
  SendMessageA(h, TVM_ENDEDITLABELNOW, FALSE, 0);
  EXPECT_EQ(std::vector<std::string>{"first>renamed"}, edited);
  EXPECT_EQ("renamed", first->Text());
  EXPECT_EQ("renamed", ItemText(h, first->ItemId()));
  EXPECT_FALSE(f.Tree->IsEditing());

  // Refused by OnEditing: no editor.
  f.Tree->OnEditing = [&](TObject*, TTreeNode* node, bool& allow) { allow = node != first; };
  EXPECT_FALSE(first->EditText());
  int deletions = 0;
  f.Tree->OnDeletion = [&](TObject*, TTreeNode* node) { deletions += node == second; };
  ASSERT_TRUE(second->EditText());
  second->Delete();
  SendMessageA(h, TVM_ENDEDITLABELNOW, FALSE, 0);
  EXPECT_EQ(1u, edited.size());
  EXPECT_EQ(1, deletions);
  EXPECT_EQ(1, SendMessageA(h, TVM_GETCOUNT, 0, 0));
}

TEST(TreeView, CustomSortIsStableAndANodeDeletedMidSortIsNotTouched) {
  TreeForm f;
  TTreeNode* root = f.Tree->Items().Add(nullptr, "root");
  for (const char* t : {"b2", "a1", "c1", "a2", "b1", "c2"}) f.Tree->Items().AddChild(root, t);
  root->Expand(false);
  // By the letter only: equal letters keep their order.
  ASSERT_TRUE(root->CustomSort([](TTreeNode* x, TTreeNode* y, intptr_t) { return x->Text()[0] - y->Text()[0]; }, 0));
  std::vector<std::string> order;
  HWND h = f.Tree->Handle();
  for (HTREEITEM i = Next(h, TVGN_CHILD, root->ItemId()); i; i = Next(h, TVGN_NEXT, i)) order.push_back(ItemText(h, i));
  EXPECT_EQ(std::vector<std::string>({"a1", "a2", "b2", "b1", "c1", "c2"}), order);
  EXPECT_EQ("b1", root->Item(3)->Text());

  TTreeNode* victim = root->Item(2);
  bool deleted = false;
  bool touched = false;
  std::vector<TTreeNode*> gone;
  f.Tree->OnDeletion = [&](TObject*, TTreeNode* node) { gone.push_back(node); };
  f.Tree->OnCompare = [&](TObject*, TTreeNode* x, TTreeNode* y, intptr_t, int& compare) {
    if (!deleted) {
      deleted = true;
      victim->Delete();
    } else if (x == victim || y == victim) {
      touched = true;
    }
    compare = -x->Text().compare(y->Text());
  };
  ASSERT_TRUE(root->AlphaSort());
  EXPECT_FALSE(touched);
  ASSERT_EQ(std::vector<TTreeNode*>{victim}, gone);
  ASSERT_EQ(5, root->Count());
  EXPECT_EQ(6, SendMessageA(h, TVM_GETCOUNT, 0, 0));
  order.clear();
  for (HTREEITEM i = Next(h, TVGN_CHILD, root->ItemId()); i; i = Next(h, TVGN_NEXT, i)) order.push_back(ItemText(h, i));
  EXPECT_EQ(std::vector<std::string>({"c2", "c1", "b1", "a2", "a1"}), order);

  // Emptied from inside its own sort: every child goes once the sort is over.
  gone.clear();
  ASSERT_TRUE(root->CustomSort(
      [&](TTreeNode* x, TTreeNode* y, intptr_t) {
        root->DeleteChildren();
        return x->Text().compare(y->Text());
      },
      0));
  EXPECT_EQ(0, root->Count());
  EXPECT_EQ(5u, gone.size());
  EXPECT_EQ(1, SendMessageA(h, TVM_GETCOUNT, 0, 0));
  EXPECT_EQ(1, f.Tree->Items().Count());
}

TEST(TreeView, CustomDrawAndImagesOnRequest) {
  TreeForm f;
  TTreeNode* node = f.Tree->Items().Add(nullptr, "painted");
  f.Tree->Items().Add(nullptr, "plain");
  int asked = 0;
  f.Tree->OnGetImageIndex = [&](TObject*, TTreeNode* n) {
    ++asked;
    n->SetImageIndex(n->Index() + 5);
  };
  const TColor kBack = TColor(RGB(0x10, 0x60, 0xE0));
  f.Tree->OnCustomDrawItem = [&](TObject*, TTreeNode* n, TCustomDrawInfo& info) {
    if (n == node) info.BackColor = kBack, info.TextColor = clWhite;
  };
  HWND h = f.Tree->Handle();
  InvalidateRect(h, nullptr, TRUE);
  UpdateWindow(h);
  RECT text = node->DisplayRect(true);
  ASSERT_GT(text.right, text.left);
  POINT p{text.right - 2, (text.top + text.bottom) / 2};
  ClientToScreen(h, &p);
  HDC screen = GetDC(nullptr);
  COLORREF pixel = GetPixel(screen, p.x, p.y);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(kBack, TColor(pixel));

  TVITEMA it{};
  it.mask = TVIF_IMAGE;
  it.hItem = node->GetNextSibling()->ItemId();
  SendMessageA(h, TVM_GETITEMA, 0, LPARAM(&it));
  EXPECT_EQ(6, it.iImage);
  EXPECT_GT(asked, 0);
}

TEST(StatusBar, SimpleTextAndPanels) {
  FormPtr form(new TForm(nullptr));
  form->SetBounds(40, 40, 400, 200);
  auto* bar = new TStatusBar(form.get());
  bar->SetParent(form.get());
  TStatusPanel* icon = bar->Panels()->Add();
  icon->SetWidth(24);
  TStatusPanel* text = bar->Panels()->Add();
  text->SetText("1000k free");
  form->Show();
  HWND h = bar->Handle();
  RECT client;
  GetClientRect(form->Handle(), &client);
  RECT r;
  GetWindowRect(h, &r);
  MapWindowPoints(HWND_DESKTOP, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(client.bottom, r.bottom);  // aligned to the bottom
  int edges[4] = {};
  ASSERT_EQ(2, SendMessageA(h, SB_GETPARTS, 4, LPARAM(edges)));
  EXPECT_EQ(24, edges[0]);
  EXPECT_EQ(-1, edges[1]);
  char buf[64] = "";
  SendMessageA(h, SB_GETTEXTA, 1, LPARAM(buf));
  EXPECT_STREQ("1000k free", buf);
  text->SetText("12 cached");
  SendMessageA(h, SB_GETTEXTA, 1, LPARAM(buf));
  EXPECT_STREQ("12 cached", buf);

  bar->SetSimplePanel(true);
  bar->SetSimpleText("Selected 3 presets");
  EXPECT_TRUE(SendMessageA(h, SB_ISSIMPLE, 0, 0));
  buf[0] = 0;
  SendMessageA(h, SB_GETTEXTA, 0, LPARAM(buf));  // a simple bar reads as its one part
  EXPECT_STREQ("Selected 3 presets", buf);
  // The panels are kept for when the simple text goes.
  bar->SetSimplePanel(false);
  EXPECT_FALSE(SendMessageA(h, SB_ISSIMPLE, 0, 0));
  SendMessageA(h, SB_GETTEXTA, 1, LPARAM(buf));
  EXPECT_STREQ("12 cached", buf);
}

TEST(StatusBar, AnOwnerDrawnPanelIsPaintedByTheBar) {
  FormPtr form(new TForm(nullptr));
  form->SetBounds(40, 40, 400, 200);
  auto* bar = new TStatusBar(form.get());
  bar->SetParent(form.get());
  TStatusPanel* lamp = bar->Panels()->Add();
  lamp->SetWidth(40);
  lamp->SetStyle(psOwnerDraw);
  bar->Panels()->Add()->SetText("free");
  const TColor kLamp = RGB(0x20, 0xC0, 0x40);
  std::vector<int> painted;
  bar->OnDrawPanel = [&](TStatusBar* sender, TStatusPanel* panel, const RECT& rect) {
    painted.push_back(panel->Index());
    TBrushHandle brush(CreateSolidBrush(kLamp));
    FillRect(sender->Canvas()->Handle(), &rect, brush.Get());
  };
  form->Show();
  HWND h = bar->Handle();
  InvalidateRect(h, nullptr, TRUE);
  UpdateWindow(h);
  ASSERT_FALSE(painted.empty());
  EXPECT_EQ(painted.front(), 0);
  RECT part;
  ASSERT_TRUE(SendMessageA(h, SB_GETRECT, 0, LPARAM(&part)));
  POINT p{(part.left + part.right) / 2, (part.top + part.bottom) / 2};
  ClientToScreen(h, &p);
  HDC screen = GetDC(nullptr);
  COLORREF pixel = GetPixel(screen, p.x, p.y);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(kLamp, TColor(pixel));
  // The text panel beside it keeps its text.
  char buf[32] = "";
  SendMessageA(h, SB_GETTEXTA, 1, LPARAM(buf));
  EXPECT_STREQ("free", buf);
}
