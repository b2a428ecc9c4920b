#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "action.h"
#include "bitmap.h"
#include "image_list.h"
#include "input_support.h"
#include "list_controls.h"
#include "std_controls.h"
#include "ui_test_support.h"
#include "menus.h"
#include "timer.h"
#include "toolbar.h"

using namespace ui;
using namespace uitest;

namespace {

TImageList* SolidImages(TComponent* owner, int count) {
  auto* images = new TImageList(owner);
  for (int i = 0; i < count; ++i) {
    TBitmap picture;
    picture.SetSize(16, 16);
    picture.Canvas().Brush.Color = TColor(RGB(40 * i, 0, 255 - 40 * i));
    picture.Canvas().FillRect(RECT{0, 0, 16, 16});
    images->AddMasked(picture, clNone);
  }
  return images;
}

TToolButton* AddButton(TToolBar* bar, TToolButtonStyle style = tbsButton) {
  auto* b = new TToolButton(bar->Owner());
  b->SetStyle(style);
  b->SetParent(bar);
  return b;
}

RECT ItemRect(TToolBar* bar, int index) {
  RECT r{};
  SendMessageA(bar->Handle(), TB_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&r));
  return r;
}

LRESULT Query(TToolBar* bar, UINT msg, TToolButton* b) {
  TBBUTTON t{};
  SendMessageA(bar->Handle(), TB_GETBUTTON, WPARAM(b->Index()), reinterpret_cast<LPARAM>(&t));
  return SendMessageA(bar->Handle(), msg, WPARAM(t.idCommand), 0);
}

POINT ButtonCenter(TToolBar* bar, TToolButton* b) {
  RECT r = ItemRect(bar, b->Index());
  return ScreenPoint(bar->Handle(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

bool ClickAt(POINT p) { return MouseTo(p) && LeftDown() && LeftUp(); }

// The toolbar window's item that holds a hosted control: the one whose rectangle it covers.
int SlotOf(TToolBar* bar, TControl* c) {
  int count = int(SendMessageA(bar->Handle(), TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i)
    if (ItemRect(bar, i).left == c->Left() && ItemRect(bar, i).right - ItemRect(bar, i).left == c->Width()) return i;
  return -1;
}

struct TToolBarForm {
  CursorKeeper Cursor;
  FormPtr Form{new TForm(nullptr)};
  TToolBar* Bar;
  TToolBarForm() {
    Form->SetBounds(100, 100, 500, 300);
    Bar = new TToolBar(Form.get());
    Bar->SetParent(Form.get());
    Bar->SetBounds(0, 0, 400, 30);
  }
};

}  // namespace

TEST(ToolBar, ButtonsFollowTheirActionsAndAClickRunsTheAction) {
  TToolBarForm f;
  f.Bar->SetImages(SolidImages(f.Form.get(), 3));
  f.Bar->SetHotImages(SolidImages(f.Form.get(), 3));
  f.Bar->SetFlat(true);
  auto* toggle = new TAction(f.Form.get());
  toggle->SetImageIndex(1);
  toggle->SetHint("Stay on top");
  int toggles = 0;
  toggle->OnExecute = [&](TObject*) {
    ++toggles;
    toggle->SetChecked(!toggle->Checked());
  };
  auto* run = new TAction(f.Form.get());
  int runs = 0;
  run->OnExecute = [&](TObject*) { ++runs; };  // its check follows a later reply, not the click
  TToolButton* tb = AddButton(f.Bar, tbsCheck);
  tb->SetAction(toggle);
  TToolButton* rb = AddButton(f.Bar, tbsCheck);
  rb->SetAction(run);
  TToolButton* plain = AddButton(f.Bar);
  plain->SetAction(run);
  f.Form->Show();
  EXPECT_EQ(LRESULT(f.Bar->HotImages()->Handle()), SendMessageA(f.Bar->Handle(), TB_GETHOTIMAGELIST, 0, 0));

  // State changes of the actions reach the toolbar's own buttons.
  TBBUTTONINFOA info{};
  info.cbSize = sizeof info;
  info.dwMask = TBIF_IMAGE | TBIF_BYINDEX;
  SendMessageA(f.Bar->Handle(), TB_GETBUTTONINFOA, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(1, info.iImage);
  EXPECT_EQ("Stay on top", tb->Hint());
  toggle->SetChecked(true);
  EXPECT_NE(0, Query(f.Bar, TB_ISBUTTONCHECKED, tb));
  toggle->SetChecked(false);
  EXPECT_EQ(0, Query(f.Bar, TB_ISBUTTONCHECKED, tb));
  run->SetEnabled(false);
  EXPECT_EQ(0, Query(f.Bar, TB_ISBUTTONENABLED, rb));
  EXPECT_EQ(0, Query(f.Bar, TB_ISBUTTONENABLED, plain));

  // A click on a disabled button runs nothing; enabled, it runs its action once.
  ASSERT_TRUE(ClickAt(ButtonCenter(f.Bar, plain)));
  EXPECT_EQ(0, runs);
  run->SetEnabled(true);
  EXPECT_NE(0, Query(f.Bar, TB_ISBUTTONENABLED, plain));
  ASSERT_TRUE(ClickAt(ButtonCenter(f.Bar, plain)));
  EXPECT_TRUE(RunUntil([&] { return runs == 1; }));

  // The toggling action checks its button; the other keeps its button as its own check says.
  ASSERT_TRUE(ClickAt(ButtonCenter(f.Bar, tb)));
  EXPECT_TRUE(RunUntil([&] { return toggles == 1; }));
  EXPECT_TRUE(tb->Down());
  EXPECT_NE(0, Query(f.Bar, TB_ISBUTTONCHECKED, tb));
  ASSERT_TRUE(ClickAt(ButtonCenter(f.Bar, rb)));
  EXPECT_TRUE(RunUntil([&] { return runs == 2; }));
  EXPECT_FALSE(rb->Down());
  EXPECT_EQ(0, Query(f.Bar, TB_ISBUTTONCHECKED, rb));

  // A hidden action hides its button and the others close up.
  int left = ItemRect(f.Bar, plain->Index()).left;
  toggle->SetVisible(false);
  EXPECT_NE(0, Query(f.Bar, TB_ISBUTTONHIDDEN, tb));
  EXPECT_LT(ItemRect(f.Bar, plain->Index()).left, left);
  EXPECT_EQ(0, tb->Width());
}

TEST(ToolBar, AutoSizeEndsAtTheButtonsInARowOrAColumn) {
  TToolBarForm f;
  f.Bar->SetImages(SolidImages(f.Form.get(), 2));
  f.Bar->SetAutoSize(true);
  f.Bar->SetIndent(2);
  AddButton(f.Bar)->SetImageIndex(0);
  AddButton(f.Bar, tbsSeparator);
  AddButton(f.Bar)->SetImageIndex(1);
  TToolButton* last = AddButton(f.Bar);
  f.Bar->SetEdgeBorders((1u << ebLeft) | (1u << ebTop) | (1u << ebRight) | (1u << ebBottom));
  f.Bar->SetEdgeInner(esRaised);
  f.Bar->SetEdgeOuter(esNone);
  f.Form->Show();

  f.Bar->SetWidth(10000);
  RECT client;
  GetClientRect(f.Bar->Handle(), &client);
  EXPECT_EQ(ItemRect(f.Bar, 3).right, client.right);
  EXPECT_EQ(client.right + 2, f.Bar->Width());  // one pixel of edge on each side
  EXPECT_LT(f.Bar->Width(), 200);
  EXPECT_GT(f.Bar->Width(), f.Bar->Height());
  EXPECT_EQ(2, ItemRect(f.Bar, 0).left);
  // The buttons know their places, for hints.
  EXPECT_EQ(ItemRect(f.Bar, 3).left, last->Left());
  int row = f.Bar->Width();
  last->SetVisible(false);
  EXPECT_LT(f.Bar->Width(), row);
  last->SetVisible(true);
  EXPECT_EQ(row, f.Bar->Width());

  // Aligned to a side, one button a row: taller than wide, the buttons stacked.
  f.Bar->SetAlign(alLeft);
  EXPECT_GT(f.Bar->Height(), f.Bar->Width());
  EXPECT_LT(f.Bar->Width(), 40);
  EXPECT_GT(ItemRect(f.Bar, 2).top, ItemRect(f.Bar, 0).top);
  EXPECT_EQ(ItemRect(f.Bar, 0).left, ItemRect(f.Bar, 2).left);

  // Wrapping: a narrow toolbar of wrapping rows is two rows high.
  f.Bar->SetAlign(alNone);
  f.Bar->SetWrapable(true);
  f.Bar->SetBounds(0, 0, 10000, 30);
  int oneRow = f.Bar->Height();
  f.Bar->SetBounds(0, 0, ItemRect(f.Bar, 2).right + 4, 30);
  EXPECT_GT(f.Bar->Height(), oneRow);
  EXPECT_GT(ItemRect(f.Bar, 3).top, ItemRect(f.Bar, 0).top);
}

TEST(ToolBar, GroupedButtonsAndDropDownMenu) {
  TToolBarForm f;
  TToolButton* a = AddButton(f.Bar, tbsCheck);
  TToolButton* b = AddButton(f.Bar, tbsCheck);
  for (TToolButton* x : {a, b}) x->SetGrouped(true);
  TToolButton* drop = AddButton(f.Bar, tbsDropDown);
  auto* menu = new TPopupMenu(f.Form.get());
  auto* item = new TMenuItem(f.Form.get());
  item->SetCaption("Choice");
  menu->Items()->Add(item);
  drop->SetDropdownMenu(menu);
  int dropClicks = 0;
  drop->OnClick = [&](TObject*) { ++dropClicks; };
  f.Form->Show();

  a->SetDown(true);
  b->SetDown(true);
  EXPECT_FALSE(a->Down());
  EXPECT_EQ(0, Query(f.Bar, TB_ISBUTTONCHECKED, a));
  ASSERT_TRUE(ClickAt(ButtonCenter(f.Bar, a)));
  EXPECT_TRUE(RunUntil([&] { return a->Down(); }));
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(0, Query(f.Bar, TB_ISBUTTONCHECKED, b));
  // Clicked again it stays down, unless all may be up.
  ASSERT_TRUE(ClickAt(ButtonCenter(f.Bar, a)));
  EXPECT_TRUE(a->Down());
  a->SetAllowAllUp(true);
  ASSERT_TRUE(ClickAt(ButtonCenter(f.Bar, a)));
  EXPECT_TRUE(RunUntil([&] { return !a->Down(); }));

  // The arrow of a drop-down button shows its menu below the button; the menu closes from a timer.
  bool popped = false;
  menu->OnPopup = [&](TObject*) { popped = true; };
  TTimer closer(nullptr);
  closer.SetInterval(50);
  bool closed = false;
  RECT shown{};
  closer.OnTimer = [&](TObject*) {
    HWND window = FindWindowA("#32768", nullptr);
    if (popped && !closed && window && IsWindowVisible(window)) {
      GetWindowRect(window, &shown);
      closed = EndMenu();
    }
  };
  RECT r = ItemRect(f.Bar, drop->Index());
  POINT arrow = ScreenPoint(f.Bar->Handle(), r.right - 3, (r.top + r.bottom) / 2);
  ASSERT_TRUE(MouseTo(arrow));
  ASSERT_TRUE(LeftDown());
  EXPECT_TRUE(RunUntil([&] { return closed; }));
  LeftUp();
  POINT below = ScreenPoint(f.Bar->Handle(), r.left, r.bottom);
  EXPECT_EQ(below.x, shown.left);
  EXPECT_EQ(below.y, shown.top);
  EXPECT_EQ(drop, menu->PopupComponent());
  EXPECT_EQ(0, dropClicks);
  // Its face is a plain button.
  ASSERT_TRUE(ClickAt(ScreenPoint(f.Bar->Handle(), r.left + 4, (r.top + r.bottom) / 2)));
  EXPECT_TRUE(RunUntil([&] { return dropClicks == 1; }));

  // A freed menu is forgotten; the arrow then shows nothing.
  menu->Free();
  EXPECT_EQ(nullptr, drop->DropdownMenu());
}

namespace {

RECT BoundsInParent(TControl* c) { return RECT{c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()}; }

RECT WindowInParent(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace

TEST(ToolBar, HostedControlHoldsASlotAsWideAsItselfInEveryLayout) {
  TToolBarForm f;
  f.Bar->SetImages(SolidImages(f.Form.get(), 2));
  f.Bar->SetAutoSize(true);
  TToolButton* first = AddButton(f.Bar);
  auto* combo = new TComboBox(f.Form.get());
  combo->SetStyle(csDropDownList);
  combo->SetWidth(120);
  combo->SetParent(f.Bar);
  TToolButton* last = AddButton(f.Bar);
  f.Form->Show();

  // A row: the button, the control on its slot, the button after it; the bar ends at the last button.
  ASSERT_EQ(1, SlotOf(f.Bar, combo));
  RECT slot = ItemRect(f.Bar, 1);
  EXPECT_EQ(120, slot.right - slot.left);
  EXPECT_EQ(slot.left, WindowInParent(combo->Handle()).left);
  EXPECT_EQ(slot.top, WindowInParent(combo->Handle()).top);
  EXPECT_EQ(slot.right, ItemRect(f.Bar, 2).left);
  EXPECT_EQ(ItemRect(f.Bar, 2).left, last->Left());
  EXPECT_EQ(2, f.Bar->ButtonCount());
  EXPECT_EQ(2, last->Index());
  int row = f.Bar->Width();
  EXPECT_GE(row, 120 + 2 * first->Width());
  EXPECT_GE(f.Bar->Height(), combo->Height());

  // Resized or hidden by its owner, the control's slot follows.
  combo->SetWidth(60);
  EXPECT_EQ(60, ItemRect(f.Bar, 1).right - ItemRect(f.Bar, 1).left);
  EXPECT_EQ(row - 60, f.Bar->Width());
  combo->SetVisible(false);
  EXPECT_EQ(ItemRect(f.Bar, 0).right, ItemRect(f.Bar, 2).left);
  combo->SetVisible(true);
  combo->SetWidth(120);
  EXPECT_EQ(row, f.Bar->Width());

  // A column: one slot a row, as wide as the widest, the control below the first button.
  f.Bar->SetAlign(alLeft);
  EXPECT_GE(f.Bar->Width(), 120);
  EXPECT_GT(BoundsInParent(combo).top, ItemRect(f.Bar, 0).top);
  EXPECT_GE(ItemRect(f.Bar, 2).top, BoundsInParent(combo).bottom - 2);
  EXPECT_EQ(ItemRect(f.Bar, 1).left, WindowInParent(combo->Handle()).left);
  EXPECT_GE(f.Bar->Height(), ItemRect(f.Bar, 2).bottom);

  // Freed, its slot goes and the buttons close up.
  combo->Free();
  EXPECT_EQ(1, last->Index());
  EXPECT_EQ(2, int(SendMessageA(f.Bar->Handle(), TB_BUTTONCOUNT, 0, 0)));
}

TEST(ToolBar, HostedControlGetsItsNotificationsFocusAndKeys) {
  TToolBarForm f;
  auto* edit = new TEdit(f.Form.get());
  edit->SetParent(f.Form.get());
  edit->SetBounds(10, 100, 100, 21);
  AddButton(f.Bar);
  auto* combo = new TComboBox(f.Form.get());
  combo->SetStyle(csDropDownList);
  combo->SetParent(f.Bar);
  for (const char* name : {"one", "two", "three"}) combo->Items()->Add(name);
  int changes = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  f.Form->Show();

  // Tab walks from the form's edit into the toolbar's control.
  edit->SetFocus();
  uitest::PressKey(VK_TAB);
  ASSERT_TRUE(uitest::RunUntil([&] { return GetFocus() == combo->Handle(); }, 1000));
  // Its keys and its notifications are its own: Down chooses the next item and reports the change.
  uitest::PressKey(VK_DOWN);
  ASSERT_TRUE(uitest::RunUntil([&] { return changes == 1; }, 1000));
  EXPECT_EQ(0, combo->ItemIndex());
  uitest::PressKey(VK_DOWN);
  ASSERT_TRUE(uitest::RunUntil([&] { return changes == 2; }, 1000));
  EXPECT_EQ(1, combo->ItemIndex());
}
