#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "drag_drop.h"
#include "input_support.h"
#include "list_controls.h"
#include "splitter.h"
#include "std_controls.h"
#include "sys_utils.h"
#include "toolbar.h"
#include "graphic_controls.h"

using namespace ui;
using namespace uitest;

namespace {

// A list box that scrolls while a drag rests near its edges.
class TScrollingList : public TListBox {
 public:
  using TListBox::TListBox;
  int ScrollCalls = 0;
  bool DragAutoScroll(int x, int y) override {
    ++ScrollCalls;
    return ScrollNearEdges(this, x, y);
  }
};

struct TDragForm {
  CursorKeeper Cursor;
  FormPtr Form{new TForm(nullptr)};
  TPanel* Source;
  TPanel* Accepting;
  TPanel* Refusing;
  std::vector<std::string> Log;
  TDragForm() {
    Form->SetBounds(100, 100, 500, 300);
    Source = MakePanel(10, 10, "source");
    Refusing = MakePanel(150, 10, "no");
    Accepting = MakePanel(300, 10, "yes");
    Source->SetDragMode(dmAutomatic);
    Source->OnStartDrag = [this](TObject*) { Log.push_back("start"); };
    Source->OnEndDrag = [this](TObject*, TObject* target, int x, int y) {
      Log.push_back(target ? Format("end %s %d,%d", static_cast<TControl*>(target)->Name().c_str(), x, y) : "end none");
    };
    for (TPanel* p : {Accepting, Refusing}) {
      p->OnDragOver = [this, p](TObject*, TObject* source, int, int, TDragState state, bool& accept) {
        accept = p == Accepting && source == Source;
        if (state != dsDragMove) Log.push_back(p->Name() + (state == dsDragEnter ? " enter" : " leave"));
      };
      p->OnDragDrop = [this, p](TObject*, TObject* source, int x, int y) {
        Log.push_back(Format("drop %s from %s %d,%d", p->Name().c_str(),
                             static_cast<TControl*>(source)->Name().c_str(), x, y));
      };
    }
    // Automatic drags wait for the cursor to move.
    Application().Mouse.DragImmediate = false;
    Form->Show();
  }
  ~TDragForm() { Application().Mouse.DragImmediate = true; }
  TPanel* MakePanel(int left, int top, const char* name) {
    auto* p = new TPanel(Form.get());
    p->SetName(name);
    p->SetParent(Form.get());
    p->SetBounds(left, top, 100, 100);
    return p;
  }
  POINT At(TWinControl* c, int x, int y) { return ScreenPoint(c->Handle(), x, y); }
};

}  // namespace

TEST(DragDrop, TheControlUnderTheCursorAcceptsOrRefusesAndTakesTheDrop) {
  TDragForm f;
  // Pressed and moved less than the threshold: no drag at all.
  ASSERT_TRUE(MouseTo(f.At(f.Source, 50, 50)));
  ASSERT_TRUE(LeftDown());
  EXPECT_EQ(f.Source, DragSource());
  ASSERT_TRUE(MouseTo(f.At(f.Source, 52, 52)));
  ASSERT_TRUE(LeftUp());
  EXPECT_EQ(nullptr, DragSource());
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_TRUE(f.Log.empty());

  // Over a control that refuses: the no-drop cursor, and a release there drops nothing.
  ASSERT_TRUE(LeftDown());
  ASSERT_TRUE(MouseGlide(f.At(f.Source, 50, 50), f.At(f.Refusing, 40, 30)));
  EXPECT_EQ(Screen().Cursors(crNoDrop), GetCursor());
  ASSERT_TRUE(LeftUp());
  std::vector<std::string> refused{"start", "no enter", "no leave", "end none"};
  EXPECT_EQ(refused, f.Log);
  EXPECT_EQ(nullptr, GetCapture());

  // Through the refusing one onto the accepting one: the drop lands there, at the point under the cursor.
  f.Log.clear();
  ASSERT_TRUE(MouseTo(f.At(f.Source, 50, 50)));
  ASSERT_TRUE(LeftDown());
  ASSERT_TRUE(MouseGlide(f.At(f.Source, 50, 50), f.At(f.Refusing, 20, 20)));
  ASSERT_TRUE(MouseGlide(f.At(f.Refusing, 20, 20), f.At(f.Accepting, 30, 40)));
  EXPECT_EQ(Screen().Cursors(f.Source->DragCursor()), GetCursor());
  ASSERT_TRUE(LeftUp());
  std::vector<std::string> dropped{"start",   "no enter", "no leave", "yes enter",
                                   "yes leave", "drop yes from source 30,40", "end yes 30,40"};
  EXPECT_EQ(dropped, f.Log);
  EXPECT_EQ(nullptr, DragSource());
}

TEST(DragDrop, EscapeAndEveryOtherEndReleaseTheCapture) {
  TDragForm f;
  // Escape over the accepting control: it hears the leave, nothing is dropped.
  ASSERT_TRUE(MouseTo(f.At(f.Source, 50, 50)));
  ASSERT_TRUE(LeftDown());
  ASSERT_TRUE(MouseGlide(f.At(f.Source, 50, 50), f.At(f.Accepting, 50, 50), 1));
  EXPECT_NE(nullptr, GetCapture());
  ASSERT_TRUE(KeyTap(VK_ESCAPE));
  EXPECT_TRUE(RunUntil([] { return DragSource() == nullptr; }));
  std::vector<std::string> cancelled{"start", "yes enter", "yes leave", "end none"};
  EXPECT_EQ(cancelled, f.Log);
  EXPECT_EQ(nullptr, GetCapture());
  ASSERT_TRUE(LeftUp());
  EXPECT_EQ(4u, f.Log.size());

  // The capture holds outside the window: a release far away ends the drag there, with no target.
  f.Log.clear();
  ASSERT_TRUE(MouseTo(f.At(f.Source, 50, 50)));
  ASSERT_TRUE(LeftDown());
  ASSERT_TRUE(MouseGlide(f.At(f.Source, 50, 50), POINT{1200, 900}));
  EXPECT_TRUE(f.Source->Dragging());
  ASSERT_TRUE(LeftUp());
  std::vector<std::string> outside{"start", "end none"};
  EXPECT_EQ(outside, f.Log);
  EXPECT_EQ(nullptr, GetCapture());

  // Capture taken by another window ends the drag without a drop.
  f.Log.clear();
  ASSERT_TRUE(MouseTo(f.At(f.Source, 50, 50)));
  ASSERT_TRUE(LeftDown());
  ASSERT_TRUE(MouseGlide(f.At(f.Source, 50, 50), f.At(f.Accepting, 10, 10), 1));
  SetCapture(f.Refusing->Handle());
  EXPECT_EQ(nullptr, DragSource());
  ReleaseCapture();
  ASSERT_TRUE(LeftUp());
  std::vector<std::string> lost{"start", "yes enter", "yes leave", "end none"};
  EXPECT_EQ(lost, f.Log);

  // A drag begun from code ends from code, with the drop where the cursor is.
  f.Log.clear();
  ASSERT_TRUE(MouseTo(f.At(f.Accepting, 5, 6)));
  f.Source->BeginDrag(true);
  f.Source->EndDrag(true);
  std::vector<std::string> coded{"start", "yes enter", "yes leave", "drop yes from source 5,6", "end yes 5,6"};
  EXPECT_EQ(coded, f.Log);
  EXPECT_EQ(nullptr, GetCapture());
}

TEST(DragDrop, ASourceFreedMidDragEndsTheDragAndAFreedTargetIsForgotten) {
  TDragForm f;
  ASSERT_TRUE(MouseTo(f.At(f.Source, 50, 50)));
  ASSERT_TRUE(LeftDown());
  ASSERT_TRUE(MouseGlide(f.At(f.Source, 50, 50), f.At(f.Accepting, 50, 50), 1));
  // The target goes: the next move finds the control now under the cursor, and nobody hears of the old one.
  f.Accepting->Free();
  f.Accepting = nullptr;
  f.Log.clear();
  ASSERT_TRUE(MouseTo(f.At(f.Refusing, 50, 50)));
  std::vector<std::string> afterTarget{"no enter"};
  EXPECT_EQ(afterTarget, f.Log);
  // The source goes: the drag ends at once, the capture with it; the release reaches nobody.
  f.Source->Free();
  EXPECT_EQ(nullptr, DragSource());
  EXPECT_EQ(nullptr, GetCapture());
  ASSERT_TRUE(LeftUp());
  EXPECT_EQ(afterTarget, f.Log);
}

TEST(DragDrop, AListScrollsWhileTheDragRestsNearItsEdge) {
  TDragForm f;
  auto* list = new TScrollingList(f.Form.get());
  list->SetParent(f.Form.get());
  list->SetBounds(150, 150, 150, 100);
  for (int i = 0; i < 100; ++i) list->Items()->Add(Format("row %d", i));
  bool overList = false;
  list->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool& accept) { accept = overList = true; };
  HWND h = list->Handle();
  RECT client;
  GetClientRect(h, &client);
  ASSERT_TRUE(MouseTo(f.At(f.Source, 50, 50)));
  ASSERT_TRUE(LeftDown());
  // In the middle nothing scrolls.
  ASSERT_TRUE(MouseGlide(f.At(f.Source, 50, 50), ScreenPoint(h, client.right / 2, client.bottom / 2)));
  EXPECT_TRUE(RunUntil([&] { return list->ScrollCalls >= 3; }));
  EXPECT_EQ(0, SendMessageA(h, LB_GETTOPINDEX, 0, 0));
  // Resting near the bottom edge it scrolls, again and again.
  ASSERT_TRUE(MouseTo(ScreenPoint(h, client.right / 2, client.bottom - 3)));
  EXPECT_TRUE(RunUntil([&] { return SendMessageA(h, LB_GETTOPINDEX, 0, 0) >= 3; }));
  // And back up near the top.
  LRESULT down = SendMessageA(h, LB_GETTOPINDEX, 0, 0);
  ASSERT_TRUE(MouseTo(ScreenPoint(h, client.right / 2, 2)));
  EXPECT_TRUE(RunUntil([&] { return SendMessageA(h, LB_GETTOPINDEX, 0, 0) < down; }));
  EXPECT_TRUE(overList);
  ASSERT_TRUE(LeftUp());
  EXPECT_EQ(nullptr, GetCapture());
}

TEST(Splitter, DragResizesTheNeighbourNeverBelowMinSize) {
  CursorKeeper cursor;
  FormPtr form(new TForm(nullptr));
  form->SetBounds(100, 100, 400, 300);
  auto* left = new TPanel(form.get());
  left->SetParent(form.get());
  left->SetBounds(0, 0, 100, 10);
  left->SetAlign(alLeft);
  auto* splitter = new TSplitter(form.get());
  splitter->SetParent(form.get());
  splitter->SetBounds(100, 0, 3, 10);
  auto* rest = new TPanel(form.get());
  rest->SetParent(form.get());
  rest->SetAlign(alClient);
  auto* bottom = new TPanel(form.get());
  bottom->SetParent(form.get());
  bottom->SetBounds(0, 200, 10, 60);
  bottom->SetAlign(alBottom);
  auto* hsplit = new TSplitter(form.get());
  hsplit->SetParent(form.get());
  hsplit->SetAlign(alBottom);
  hsplit->SetBounds(0, 190, 10, 4);
  int moved = 0;
  splitter->OnMoved = [&](TObject*) { ++moved; };
  form->Show();
  ASSERT_EQ(100, splitter->Left());
  RECT client = form->ClientRect();
  int mid = (client.bottom - 64) / 2;

  // Dragged left past MinSize: the neighbour stops at 30; back right it follows the cursor.
  POINT grip = ScreenPoint(form->Handle(), 101, mid);
  ASSERT_TRUE(MouseTo(grip));
  ASSERT_TRUE(LeftDown());
  ASSERT_TRUE(MouseGlide(grip, POINT{grip.x - 90, grip.y}));
  EXPECT_EQ(30, left->Width());
  EXPECT_EQ(30, splitter->Left());
  ASSERT_TRUE(MouseGlide(POINT{grip.x - 90, grip.y}, POINT{grip.x + 50, grip.y}));
  EXPECT_EQ(150, left->Width());
  EXPECT_EQ(153, rest->Left());
  // Far right, the client area keeps MinSize.
  ASSERT_TRUE(MouseGlide(POINT{grip.x + 50, grip.y}, POINT{grip.x + 600, grip.y}));
  EXPECT_EQ(client.right - 3 - 30, left->Width());
  ASSERT_TRUE(LeftUp());
  EXPECT_EQ(1, moved);

  // A bottom splitter sizes the panel below it: dragged up, the panel grows.
  POINT grip2 = ScreenPoint(form->Handle(), 200, hsplit->Top() + 1);
  ASSERT_TRUE(MouseTo(grip2));
  ASSERT_TRUE(LeftDown());
  ASSERT_TRUE(MouseGlide(grip2, POINT{grip2.x, grip2.y - 40}));
  ASSERT_TRUE(LeftUp());
  EXPECT_EQ(100, bottom->Height());
  EXPECT_EQ(bottom->Top() - 4, hsplit->Top());
  // A press and release without a move is no move.
  POINT grip3 = ScreenPoint(form->Handle(), splitter->Left() + 1, mid);
  ASSERT_TRUE(MouseTo(grip3));
  ASSERT_TRUE(LeftDown());
  ASSERT_TRUE(LeftUp());
  EXPECT_EQ(1, moved);
}

// With the program's settings (drags immediate), a click on a control in automatic drag mode is still the
// control's own click: the press and the release reach it, and no drag begins without a move.
TEST(DragDrop, AClickOnAControlInAutomaticDragModeIsItsOwnClick) {
  CursorKeeper cursor;
  FormPtr form{new TForm(nullptr)};
  form->SetBounds(100, 100, 500, 300);
  auto* list = new TListBox(form.get());
  auto* bar = new TToolBar(form.get());
  auto* label = new TLabel(form.get());
  std::vector<std::string> log;
  int left = 10;
  for (TControl* c : std::initializer_list<TControl*>{list, bar, label}) {
    c->SetParent(form.get());
    c->SetBounds(left, 10, 100, 100);
    left += 150;
    c->SetDragMode(dmAutomatic);
    c->OnStartDrag = [&](TObject*) { log.push_back("start"); };
  }
  list->Items()->Add("one");
  list->Items()->Add("two");
  bar->SetDragKind(dkDock);
  auto* button = new TToolButton(form.get());
  button->SetParent(bar);
  label->SetCaption("label");
  list->OnClick = [&](TObject*) { log.push_back("list " + std::to_string(list->ItemIndex())); };
  button->OnClick = [&](TObject*) { log.push_back("button"); };
  label->OnClick = [&](TObject*) { log.push_back("label"); };
  form->Show();
  RECT row = list->ItemRect(1);
  const std::pair<POINT, std::string> cases[] = {
      {ScreenPoint(list->Handle(), 20, (row.top + row.bottom) / 2), "list 1"},
      {ScreenPoint(bar->Handle(), button->Left() + 4, button->Top() + 4), "button"},
      {ScreenPoint(form->Handle(), label->Left() + 5, label->Top() + 5), "label"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.second);
    log.clear();
    ASSERT_TRUE(MouseTo(c.first) && LeftDown() && LeftUp());
    EXPECT_EQ(std::vector<std::string>{c.second}, log);
    EXPECT_EQ(nullptr, DragSource());
    EXPECT_EQ(nullptr, GetCapture());
  }
}
