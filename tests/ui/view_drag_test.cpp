// Rows dragged out of a list view onto the nodes of a tree view, with real input.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "drag_drop.h"
#include "input_support.h"
#include "list_view.h"
#include "tree_view.h"

using namespace ui;
using namespace uitest;

namespace {

struct TViewsForm {
  CursorKeeper Cursor;
  FormPtr Form{new TForm(nullptr)};
  TListView* List;
  TTreeView* Tree;
  TTreeNode* Yes;
  TTreeNode* No;
  std::vector<std::string> Drops;
  TViewsForm() {
    Form->SetBounds(100, 100, 520, 320);
    List = new TListView(Form.get());
    List->SetParent(Form.get());
    List->SetBounds(10, 10, 200, 200);
    List->SetViewStyle(vsReport);
    List->Columns()->Add()->SetCaption("preset");
    for (const char* name : {"Piano", "Organ", "Strings"}) List->Items().Add()->SetCaption(name);
    List->SetDragMode(dmAutomatic);
    Tree = new TTreeView(Form.get());
    Tree->SetParent(Form.get());
    Tree->SetBounds(260, 10, 200, 200);
    Yes = Tree->Items().Add(nullptr, "yes");
    No = Tree->Items().Add(nullptr, "no");
    // Only the node "yes" takes rows of the list.
    Tree->OnDragOver = [this](TObject*, TObject* source, int x, int y, TDragState, bool& accept) {
      TTreeNode* node = Tree->GetNodeAt(x, y);
      accept = source == List && node == Yes;
    };
    Tree->OnDragDrop = [this](TObject*, TObject*, int x, int y) {
      TTreeNode* node = Tree->GetNodeAt(x, y);
      Drops.push_back(node ? node->Text() : "nowhere");
    };
    Form->Show();
  }
  POINT RowCentre(int index) {
    RECT r = List->Items()[index]->DisplayRect(LVIR_LABEL);
    return ScreenPoint(List->Handle(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  POINT NodeCentre(TTreeNode* node) {
    RECT r = node->DisplayRect(true);
    return ScreenPoint(Tree->Handle(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  // Presses on a row and glides onto a node; the list view starts the drag once the cursor left the press.
  bool DragRowTo(int index, TTreeNode* node) {
    POINT from = RowCentre(index);
    return MouseTo(from) && LeftDown() && MouseGlide(from, NodeCentre(node), 8) &&
           RunUntil([] { return DragSource() != nullptr; });
  }
};

}  // namespace

TEST(ViewDrag, ARowDroppedOnAnAcceptingNodeReachesItAndARefusingNodeTakesNothing) {
  TViewsForm f;
  ASSERT_TRUE(f.DragRowTo(1, f.Yes));
  EXPECT_EQ(DragSource(), f.List);
  ASSERT_TRUE(LeftUp());
  EXPECT_EQ(f.Drops, (std::vector<std::string>{"yes"}));
  EXPECT_EQ(DragSource(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);

  ASSERT_TRUE(f.DragRowTo(0, f.No));
  ASSERT_TRUE(LeftUp());
  EXPECT_EQ(f.Drops.size(), 1u) << "the node \"no\" refuses";
  EXPECT_EQ(DragSource(), nullptr);
}

TEST(ViewDrag, EscapeCancelsADragOverAnAcceptingNode) {
  TViewsForm f;
  ASSERT_TRUE(f.DragRowTo(2, f.Yes));
  ASSERT_TRUE(KeyTap(VK_ESCAPE));
  EXPECT_TRUE(RunUntil([] { return DragSource() == nullptr; }));
  ASSERT_TRUE(LeftUp());
  EXPECT_TRUE(f.Drops.empty());
  EXPECT_EQ(GetCapture(), nullptr);
}
