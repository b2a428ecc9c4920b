#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include <vector>

#include "bitmap.h"
#include "comctrls.h"
#include "graphic_controls.h"
#include "list_controls.h"
#include "std_controls.h"
#include "sys_utils.h"
#include "ui_exceptions.h"
#include "ui_test_support.h"

using namespace ui;
using namespace uitest;

namespace {

bool WindowChecked(TWinControl* c) { return SendMessageA(c->Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void ClickAt(HWND window, POINT p) {
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
  PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
}

}  // namespace

TEST(Controls, RadioButtonsOfOneParentAreExclusiveWhenSetFromCode) {
  FormPtr form(new TForm(nullptr));
  auto* group = new TGroupBox(form.get());
  group->SetParent(form.get());
  std::vector<TRadioButton*> radios;
  std::vector<int> clicks(3, 0);
  for (int i = 0; i < 3; ++i) {
    auto* r = new TRadioButton(form.get());
    r->SetParent(group);
    r->SetTop(20 * i + 15);
    r->OnClick = [&clicks, i](TObject*) { ++clicks[size_t(i)]; };
    radios.push_back(r);
  }
  auto* elsewhere = new TRadioButton(form.get());
  elsewhere->SetParent(form.get());
  elsewhere->SetChecked(true);
  form->Show();

  radios[0]->SetChecked(true);
  radios[2]->SetChecked(true);
  EXPECT_FALSE(radios[0]->Checked());
  EXPECT_FALSE(WindowChecked(radios[0]));
  EXPECT_TRUE(radios[2]->Checked());
  EXPECT_TRUE(WindowChecked(radios[2]));
  EXPECT_TRUE(elsewhere->Checked());  // another parent, another group
  // Becoming checked clicks; being turned off does not.
  EXPECT_EQ(std::vector<int>({1, 0, 1}), clicks);
  // Only the checked button of a group is a tab stop.
  EXPECT_TRUE(radios[2]->TabStop());
  EXPECT_FALSE(radios[0]->TabStop());

  // The user's click takes the same road.
  PostMessageA(radios[1]->Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(RunUntil([&] { return radios[1]->Checked(); }));
  EXPECT_FALSE(radios[2]->Checked());
  EXPECT_FALSE(WindowChecked(radios[2]));

  // Check boxes: the state survives a new window; a user's click steps through grey when allowed.
  auto* check = new TCheckBox(form.get());
  check->SetParent(form.get());
  check->SetAllowGrayed(true);
  int checkClicks = 0;
  check->OnClick = [&](TObject*) { ++checkClicks; };
  check->SetChecked(true);
  EXPECT_EQ(1, checkClicks);
  form->RecreateWnd();
  EXPECT_TRUE(WindowChecked(check));
  SendMessageA(check->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(cbGrayed, check->State());
  EXPECT_EQ(BST_INDETERMINATE, SendMessageA(check->Handle(), BM_GETCHECK, 0, 0));
  SendMessageA(check->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(cbUnchecked, check->State());
  EXPECT_EQ(3, checkClicks);
}

TEST(Controls, ComboBoxSelectionAndTypingRaiseTheirEvents) {
  FormPtr form(new TForm(nullptr));
  auto* list = new TComboBox(form.get());
  list->SetParent(form.get());
  list->SetStyle(csDropDownList);
  list->SetSorted(true);
  for (const char* s : {"pear", "Apple", "fig"}) list->Items()->Add(s);
  auto* edit = new TComboBox(form.get());
  edit->SetParent(form.get());
  edit->SetTop(40);
  edit->Items()->Add("first");
  edit->Items()->Add("second");
  std::vector<std::string> log;
  list->OnSelect = [&](TObject*) { log.push_back("select " + list->Text()); };
  list->OnChange = [&](TObject*) { log.push_back("change " + std::to_string(list->ItemIndex())); };
  edit->OnChange = [&](TObject*) { log.push_back("edit " + edit->Text()); };
  edit->OnSelect = [&](TObject*) { log.push_back("edit select " + edit->Text()); };
  form->Show();

  // Sorted without regard to case, in the window too.
  char text[32];
  SendMessageA(list->Handle(), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ("Apple", text);
  EXPECT_EQ(3, int(SendMessageA(list->Handle(), CB_GETCOUNT, 0, 0)));
  list->SetText("fig");
  EXPECT_EQ(1, list->ItemIndex());
  EXPECT_TRUE(log.empty());  // set from code: no events

  // The user steps down with the keyboard.
  list->SetFocus();
  PostMessageA(list->Handle(), WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_TRUE(RunUntil([&] { return log.size() >= 2; }));
  EXPECT_EQ(std::vector<std::string>({"select pear", "change 2"}), log);

  // Typing into the editable box, then choosing an item: the text follows each.
  log.clear();
  HWND editWindow = GetWindow(edit->Handle(), GW_CHILD);
  ASSERT_NE(nullptr, editWindow);
  SendMessageA(editWindow, WM_CHAR, 'x', 1);
  SendMessageA(edit->Handle(), CB_SETCURSEL, 1, 0);
  edit->SetFocus();
  PostMessageA(edit->Handle(), WM_KEYDOWN, VK_UP, 1);
  EXPECT_TRUE(RunUntil([&] { return log.size() >= 3; }));
  EXPECT_EQ(std::vector<std::string>({"edit x", "edit select first", "edit first"}), log);

  // Items and the selection come back with a new window.
  list->SetItemIndex(2);
  form->RecreateWnd();
  EXPECT_EQ(3, int(SendMessageA(list->Handle(), CB_GETCOUNT, 0, 0)));
  EXPECT_EQ("pear", list->Text());
  list->Items()->Delete(0);
  EXPECT_EQ(2, int(SendMessageA(list->Handle(), CB_GETCOUNT, 0, 0)));
}

TEST(Controls, ListBoxesSelectWithTheMouseAndKeepSeveralSelections) {
  FormPtr form(new TForm(nullptr));
  auto* list = new TListBox(form.get());
  list->SetParent(form.get());
  list->SetMultiSelect(true);
  for (const char* s : {"a", "b", "c", "d"}) list->Items()->Add(s);
  int clicks = 0, doubles = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  list->OnDblClick = [&](TObject*) { ++doubles; };
  form->Show();

  RECT r = list->ItemRect(1);
  ClickAt(list->Handle(), POINT{r.left + 3, r.top + 3});
  EXPECT_TRUE(RunUntil([&] { return clicks == 1; }));
  EXPECT_TRUE(list->Selected(1));
  r = list->ItemRect(3);
  {
    HeldKeys ctrl({VK_CONTROL});
    PostMessageA(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(r.left + 3, r.top + 3));
    PostMessageA(list->Handle(), WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(r.left + 3, r.top + 3));
    EXPECT_TRUE(RunUntil([&] { return clicks == 2; }));
  }
  EXPECT_EQ(2, list->SelCount());
  EXPECT_EQ(3, list->ItemIndex());
  PostMessageA(list->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(r.left + 3, r.top + 3));
  EXPECT_TRUE(RunUntil([&] { return doubles == 1; }));

  // The selection survives a new window.
  list->SetSelected(0, true);
  list->RecreateWnd();
  EXPECT_TRUE(list->Selected(0));
  EXPECT_FALSE(list->Selected(2));
  EXPECT_EQ(3, list->SelCount());
  EXPECT_THROW(list->Selected(4), EStringListError);

  // A check list box: a click on the box flips it, Space flips the focused item.
  auto* checks = new TCheckListBox(form.get());
  checks->SetParent(form.get());
  checks->SetLeft(150);
  checks->Items()->Add("default");
  checks->Items()->Add("rock");
  int flips = 0;
  checks->OnClickCheck = [&](TObject*) { ++flips; };
  checks->SetChecked(1, true);
  EXPECT_EQ(0, flips);
  r = checks->ItemRect(0);
  ClickAt(checks->Handle(), POINT{r.left + 5, r.top + 3});
  EXPECT_TRUE(RunUntil([&] { return flips == 1; }));
  EXPECT_TRUE(checks->Checked(0));
  ClickAt(checks->Handle(), POINT{r.left + 60, r.top + 3});  // on the text: selects only
  RunFor(50);
  EXPECT_EQ(1, flips);
  checks->SetItemIndex(1);
  PostMessageA(checks->Handle(), WM_CHAR, ' ', 1);
  EXPECT_TRUE(RunUntil([&] { return flips == 2; }));
  EXPECT_FALSE(checks->Checked(1));
  // The states move with their items.
  checks->Items()->Insert(0, "first");
  EXPECT_FALSE(checks->Checked(0));
  EXPECT_TRUE(checks->Checked(1));
}

TEST(Controls, OwnerDrawnListItemsAreMeasuredAndDrawnByTheControl) {
  FormPtr form(new TForm(nullptr));
  auto* list = new TListBox(form.get());
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(23);
  list->Items()->Add("drawn");
  list->Items()->Add("also drawn");
  std::vector<int> drawn;
  int measured = 0;
  list->OnMeasureItem = [&](TObject*, int, int&) { ++measured; };
  list->OnDrawItem = [&](TObject*, int index, const RECT& r, TSet32) {
    drawn.push_back(index);
    list->Canvas().Brush.Color = clRed;
    list->Canvas().FillRect(r);
  };
  list->SetParent(form.get());
  form->Show();
  RedrawWindow(list->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(1, measured);  // once, as the window was made
  EXPECT_EQ(23, int(SendMessageA(list->Handle(), LB_GETITEMHEIGHT, 0, 0)));
  ASSERT_GE(drawn.size(), 2u);
  EXPECT_EQ(0, drawn[0]);
  EXPECT_EQ(1, drawn[1]);
  HDC dc = GetDC(list->Handle());
  EXPECT_EQ(COLORREF(RGB(255, 0, 0)), GetPixel(dc, 5, 23 + 5));
  ReleaseDC(list->Handle(), dc);
}

TEST(Controls, PageControlPagesThroughThePropertyTableAndTheTabs) {
  FormPtr form(new TForm(nullptr));
  form->SetBounds(0, 0, 400, 300);
  auto* pages = new TPageControl(form.get());
  pages->SetName("PageControl1");
  pages->SetParent(form.get());
  pages->SetAlign(alClient);
  std::vector<TTabSheet*> sheets;
  for (const char* caption : {"Main", "Startup", "Misc"}) {
    auto* sheet = new TTabSheet(form.get());
    sheet->SetCaption(caption);
    sheet->SetPageControl(pages);
    sheets.push_back(sheet);
  }
  auto* check = new TCheckBox(form.get());
  check->SetParent(sheets[1]);
  int changes = 0;
  pages->OnChange = [&](TObject*) { ++changes; };
  form->Show();
  EXPECT_EQ(sheets[0], pages->ActivePage());
  EXPECT_EQ(3, int(SendMessageA(pages->Handle(), TCM_GETITEMCOUNT, 0, 0)));
  EXPECT_TRUE(IsWindowVisible(sheets[0]->Handle()));
  EXPECT_FALSE(IsWindowVisible(sheets[1]->Handle()));
  // The sheet fills the tab control's display area.
  RECT display;
  GetClientRect(pages->Handle(), &display);
  SendMessageA(pages->Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  EXPECT_EQ(display.top, sheets[0]->Top());
  EXPECT_EQ(display.right - display.left, sheets[0]->Width());

  // ActivePage through the property table, as the form's stored properties read and write it.
  const TPropInfo* prop = FindPropInfo(*pages, "ActivePage");
  ASSERT_NE(nullptr, prop);
  EXPECT_EQ(TTypeKind::Class, prop->Kind);
  EXPECT_EQ(&TTabSheet::StaticClassInfo(), prop->PropClass);
  TPropValue value;
  value.Obj = sheets[2];
  SetPropValue(*pages, "ActivePage", value);
  EXPECT_EQ(sheets[2], pages->ActivePage());
  EXPECT_EQ(sheets[2], GetPropValue(*pages, "ActivePage").Obj);
  EXPECT_EQ(2, int(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0)));
  EXPECT_TRUE(IsWindowVisible(sheets[2]->Handle()));
  EXPECT_FALSE(IsWindowVisible(sheets[0]->Handle()));
  EXPECT_EQ(0, changes);

  // The user picks a tab: the notification turns the page and OnChange follows; OnChanging may refuse.
  pages->SetFocus();
  PostMessageA(pages->Handle(), WM_KEYDOWN, VK_LEFT, 1);
  EXPECT_TRUE(RunUntil([&] { return changes == 1; }));
  EXPECT_EQ(sheets[1], pages->ActivePage());
  EXPECT_TRUE(IsWindowVisible(check->Handle()));
  pages->OnChanging = [](TObject*, bool& allow) { allow = false; };
  PostMessageA(pages->Handle(), WM_KEYDOWN, VK_LEFT, 1);
  RunFor(100);
  EXPECT_EQ(sheets[1], pages->ActivePage());
  EXPECT_EQ(1, int(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0)));

  // A freed active page hands over to its neighbour.
  sheets[1]->Free();
  EXPECT_EQ(sheets[2], pages->ActivePage());
  EXPECT_EQ(2, int(SendMessageA(pages->Handle(), TCM_GETITEMCOUNT, 0, 0)));
  sheets[2]->SetPageIndex(0);
  char text[16];
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(pages->Handle(), TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ("Misc", text);
  EXPECT_EQ(0, pages->ActivePageIndex());
}

TEST(Controls, PageControlTurnsByCtrlTabAndCtrlPageKeysAsATabClickDoes) {
  FormPtr form(new TForm(nullptr));
  form->SetBounds(0, 0, 400, 300);
  auto* pages = new TPageControl(form.get());
  pages->SetParent(form.get());
  pages->SetAlign(alClient);
  auto addPage = [&](TPageControl* control, const char* caption) {
    auto* sheet = new TTabSheet(form.get());
    sheet->SetCaption(caption);
    sheet->SetPageControl(control);
    return sheet;
  };
  std::vector<TTabSheet*> sheets = {addPage(pages, "Main"), addPage(pages, "Startup"), addPage(pages, "Misc")};
  auto* check = new TCheckBox(form.get());
  check->SetParent(sheets[0]);
  // A page control inside the first page: the keys turn the innermost one around the focus.
  auto* inner = new TPageControl(form.get());
  inner->SetParent(sheets[0]);
  inner->SetBounds(10, 40, 200, 120);
  TTabSheet* innerFirst = addPage(inner, "One");
  addPage(inner, "Two");
  auto* innerCheck = new TCheckBox(form.get());
  innerCheck->SetParent(innerFirst);
  int asked = 0;
  bool refuse = false;
  std::vector<int> changed;
  pages->OnChanging = [&](TObject*, bool& allow) {
    ++asked;
    allow = !refuse;
  };
  pages->OnChange = [&](TObject*) { changed.push_back(pages->ActivePageIndex()); };
  form->Show();
  check->SetFocus();

  auto press = [](std::initializer_list<int> held, WORD key) {
    HeldKeys keys(held);
    PressKey(key);
    return RunUntil([] { return HIWORD(GetQueueStatus(QS_POSTMESSAGE)) == 0; });
  };
  // Ctrl is held throughout, Shift where asked.
  struct Step {
    WORD Key;
    bool Shift;
    int Page;
  };
  const Step steps[] = {{VK_TAB, false, 1},   {VK_TAB, false, 2}, {VK_TAB, false, 0}, {VK_TAB, true, 2},
                        {VK_PRIOR, false, 1}, {VK_NEXT, false, 2}, {VK_NEXT, false, 0}};
  std::vector<int> expected;
  for (const Step& step : steps) {
    ASSERT_TRUE(step.Shift ? press({VK_CONTROL, VK_SHIFT}, step.Key) : press({VK_CONTROL}, step.Key));
    expected.push_back(step.Page);
    EXPECT_EQ(step.Page, pages->ActivePageIndex());
    EXPECT_EQ(step.Page, int(SendMessageA(pages->Handle(), TCM_GETCURSEL, 0, 0)));
    EXPECT_TRUE(IsWindowVisible(sheets[size_t(step.Page)]->Handle()));
    // The checked box went out of sight with its page: the tab strip holds the focus.
    EXPECT_EQ(pages->Handle(), GetFocus());
  }
  EXPECT_EQ(expected, changed);
  EXPECT_EQ(int(expected.size()), asked);

  // A refused change leaves the page; keys without Ctrl, or with Alt, turn nothing.
  refuse = true;
  ASSERT_TRUE(press({VK_CONTROL}, VK_TAB));
  EXPECT_EQ(int(expected.size()) + 1, asked);
  refuse = false;
  ASSERT_TRUE(press({VK_CONTROL, VK_MENU}, VK_NEXT));
  EXPECT_EQ(0, pages->ActivePageIndex());
  EXPECT_EQ(expected, changed);

  innerCheck->SetFocus();
  ASSERT_TRUE(press({VK_CONTROL}, VK_TAB));
  EXPECT_EQ(1, inner->ActivePageIndex());
  EXPECT_EQ(0, pages->ActivePageIndex());
  EXPECT_EQ(inner->Handle(), GetFocus());
}

TEST(Controls, UpDownAndProgressBarKeepTheirRanges) {
  FormPtr form(new TForm(nullptr));
  auto* edit = new TEdit(form.get());
  edit->SetParent(form.get());
  auto* updown = new TUpDown(form.get());
  updown->SetParent(form.get());
  updown->SetMin(0);
  updown->SetMax(10000);
  updown->SetIncrement(5);
  updown->SetPosition(20);
  updown->SetAssociate(edit);
  std::vector<int> clicks;
  updown->OnClick = [&](TObject*, TUDBtnType b) { clicks.push_back(b == btNext ? updown->Position() : -updown->Position()); };
  form->Show();
  EXPECT_EQ("20", edit->Text());
  // Arrow keys in the edit step it, through the up-down's scroll notification.
  edit->SetFocus();
  PostMessageA(edit->Handle(), WM_KEYDOWN, VK_UP, 1);
  EXPECT_TRUE(RunUntil([&] { return !clicks.empty(); }));
  EXPECT_EQ(25, updown->Position());
  EXPECT_EQ("25", edit->Text());
  updown->OnChanging = [](TObject*, bool& allow) { allow = false; };
  PostMessageA(edit->Handle(), WM_KEYDOWN, VK_DOWN, 1);
  RunFor(100);
  EXPECT_EQ(25, updown->Position());
  updown->SetPosition(20000);
  EXPECT_EQ(10000, updown->Position());

  auto* bar = new TProgressBar(form.get());
  bar->SetParent(form.get());
  bar->SetMax(200);
  bar->SetPosition(150);
  EXPECT_EQ(150, int(SendMessageA(bar->Handle(), PBM_GETPOS, 0, 0)));
  bar->SetPosition(250);
  EXPECT_EQ(200, bar->Position());
  bar->SetMax(100);
  EXPECT_EQ(100, int(SendMessageA(bar->Handle(), PBM_GETPOS, 0, 0)));
  EXPECT_EQ(100, int(SendMessageA(bar->Handle(), PBM_GETRANGE, FALSE, 0)));
}

TEST(Controls, MemoLinesAndRichEditColoursReachTheirWindows) {
  FormPtr form(new TForm(nullptr));
  auto* memo = new TMemo(form.get());
  memo->SetParent(form.get());
  memo->Lines()->Add("one");
  memo->Lines()->Add("two");
  form->Show();
  EXPECT_EQ("one\r\ntwo", memo->Text());
  SendMessageA(memo->Handle(), EM_SETSEL, 0, 0);
  SendMessageA(memo->Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("zero\r\n"));
  ASSERT_EQ(3, memo->Lines()->Count());
  EXPECT_EQ("zero", memo->Lines()->Strings(0));
  memo->Lines()->Delete(1);
  EXPECT_EQ("zero\r\ntwo", memo->Text());

  auto* rich = new TRichEdit(form.get());
  rich->SetParent(form.get());
  rich->SetTop(100);
  rich->SetReadOnly(true);
  rich->Font()->SetName("Courier New");
  rich->Font()->SetColor(clBlue);
  rich->SetColor(clSilver);
  rich->SetText("MIDI file text");
  EXPECT_EQ("MIDI file text", rich->Text());
  CHARFORMATA format{};
  format.cbSize = sizeof format;
  SendMessageA(rich->Handle(), EM_SETSEL, 0, -1);
  SendMessageA(rich->Handle(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  EXPECT_EQ(COLORREF(RGB(0, 0, 255)), format.crTextColor);
  EXPECT_EQ(COLORREF(0xC0C0C0), COLORREF(SendMessageA(rich->Handle(), EM_SETBKGNDCOLOR, 0, 0)));
}

TEST(Controls, ImagesShowTheirPictureAndLabelsSizeToTheirText) {
  FormPtr form(new TForm(nullptr));
  auto* image = new TImage(form.get());
  image->SetParent(form.get());
  image->SetAutoSize(true);
  TBitmap* bitmap = image->Picture()->Bitmap();
  bitmap->SetSize(20, 10);
  bitmap->Canvas().Brush.Color = clRed;
  bitmap->Canvas().FillRect(RECT{0, 0, 20, 10});
  image->Picture()->SetGraphic(bitmap);
  EXPECT_EQ(20, image->Width());
  EXPECT_EQ(10, image->Height());
  form->Show();
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  HDC dc = GetDC(form->Handle());
  EXPECT_EQ(COLORREF(RGB(255, 0, 0)), GetPixel(dc, 10, 5));
  ReleaseDC(form->Handle(), dc);
  EXPECT_THROW(image->Picture()->LoadFromFile("picture.xyz"), EInvalidGraphic);

  auto* label = new TLabel(form.get());
  label->SetParent(form.get());
  label->SetCaption("short");
  int shortWidth = label->Width();
  label->SetCaption("a much longer caption");
  EXPECT_GT(label->Width(), shortWidth);
  label->Font()->SetSize(20);
  EXPECT_GT(label->Height(), 20);
}
