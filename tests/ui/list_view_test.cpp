#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <map>

#include "application.h"
#include "form.h"
#include "list_view.h"
#include "pump_until.h"
#include "ui_input.h"

using namespace ui;
using testsupport::PumpUntil;

namespace {

using FormPtr = std::unique_ptr<TForm, TFreeDeleter>;

void LoopStep() { Application().HandleMessage(); }

double Seconds(LARGE_INTEGER from) {
  LARGE_INTEGER now, freq;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&freq);
  return double(now.QuadPart - from.QuadPart) / double(freq.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t;
}

// A report list on a shown form.
struct ListForm {
  FormPtr Form{new TForm(nullptr)};
  TListView* List;
  explicit ListForm(bool ownerData = false) {
    Form->SetBounds(20, 20, 420, 320);
    List = new TListView(Form.get());
    List->SetViewStyle(vsReport);
    List->SetOwnerData(ownerData);
    List->SetParent(Form.get());
    List->SetBounds(0, 0, 400, 280);
    Form->Show();
  }
};

// What the control shows in a cell, asked through its own message.
std::string CellText(HWND list, int row, int column) {
  char buf[256] = "";
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buf;
  item.cchTextMax = sizeof buf;
  SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(row), LPARAM(&item));
  return buf;
}

std::vector<int> SelectedRows(HWND list) {
  std::vector<int> rows;
  for (int i = int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); i >= 0;
       i = int(SendMessageA(list, LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED)))
    rows.push_back(i);
  return rows;
}

std::vector<std::string> Column(HWND list, int column) {
  std::vector<std::string> texts;
  int n = int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) texts.push_back(CellText(list, i, column));
  return texts;
}

bool IsNumber(const std::string& s, long& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  v = std::strtol(s.c_str(), &end, 10);
  return *end == 0;
}

}  // namespace

TEST(ListView, TenThousandItemsInAnUpdateBracketThenSorted) {
  ListForm f;
  f.List->Columns()->Add()->SetCaption("Name");
  f.List->Columns()->Add()->SetCaption("Value");
  LARGE_INTEGER start = Now();
  f.List->Items().BeginUpdate();
  for (int i = 0; i < 10000; ++i) {
    TListItem* item = f.List->Items().Add();
    item->SetCaption("item " + std::to_string(i));
    item->AddSubItem(std::to_string((i * 7919) % 10000));
    item->SetData(reinterpret_cast<void*>(intptr_t(i)));
  }
  f.List->Items().EndUpdate();
  double adding = Seconds(start);
  HWND h = f.List->Handle();
  ASSERT_EQ(10000, SendMessageA(h, LVM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ("item 9999", CellText(h, 9999, 0));
  EXPECT_EQ(std::to_string((9999 * 7919) % 10000), CellText(h, 9999, 1));

  start = Now();
  ASSERT_TRUE(f.List->CustomSort([](TListItem* a, TListItem* b, intptr_t) {
    return std::atoi(a->SubItem(0).c_str()) - std::atoi(b->SubItem(0).c_str());
  }));
  double sorting = Seconds(start);
  // Our items follow the control's order, each with its own data.
  for (int i = 0; i < 10000; ++i) {
    ASSERT_EQ(std::to_string(i), CellText(h, i, 1)) << i;
    TListItem* item = f.List->Items()[i];
    ASSERT_EQ(i, item->Index());
    intptr_t added = intptr_t(item->Data());
    ASSERT_EQ(i, (added * 7919) % 10000);
    ASSERT_EQ("item " + std::to_string(added), item->Caption());
  }
  std::printf("figure: adding 10000 list items %.3f s, sorting 10000 by the control %.3f s\n", adding, sorting);
}

TEST(ListView, ColumnsStoredAndRestoredThroughThePropertyTable) {
  ListForm f;
  auto* c = f.List->Columns()->Add();
  c->SetCaption("Channel");
  c->SetWidth(51);
  c->SetAlignment(taRightJustify);
  c = f.List->Columns()->Add();
  c->SetCaption("Name");
  c->SetWidth(40);
  c->SetAutoSize(true);
  c = f.List->Columns()->Add();
  c->SetCaption("File");
  c->SetWidth(28);
  // The user widens the first column.
  SendMessageA(f.List->Handle(), LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(77, 0));

  // Store: every published property of every item, by name, as a property store would.
  std::map<std::string, std::string> store;
  auto* columns = dynamic_cast<TCollection*>(GetPropValue(*f.List, "Columns").Obj);
  ASSERT_NE(nullptr, columns);
  store["Count"] = std::to_string(columns->Count());
  for (int i = 0; i < columns->Count(); ++i) {
    for (const TPropInfo* p : GetPropList(*columns->Items(i))) {
      TPropValue v = p->Get(*columns->Items(i));
      store["Item" + std::to_string(i) + "_" + p->Name] =
          p->Kind == TTypeKind::String ? v.Str
          : p->Kind == TTypeKind::Enumeration ? GetEnumName(*p, v.Ord) : std::to_string(v.Ord);
    }
  }
  EXPECT_EQ("77", store["Item0_Width"]);
  EXPECT_EQ("taRightJustify", store["Item0_Alignment"]);
  EXPECT_EQ("True", store["Item1_AutoSize"]);

  // Load into a list that has five columns: the count differs, so it is cleared and refilled.
  ListForm g;
  for (int i = 0; i < 5; ++i) g.List->Columns()->Add()->SetCaption("x");
  HWND h = g.List->Handle();
  auto* target = dynamic_cast<TCollection*>(GetPropValue(*g.List, "Columns").Obj);
  int count = std::atoi(store["Count"].c_str());
  target->BeginUpdate();
  target->Clear();
  for (int i = 0; i < count; ++i) {
    TCollectionItem* item = target->Add();
    for (const TPropInfo* p : GetPropList(*item)) {
      auto it = store.find("Item" + std::to_string(i) + "_" + p->Name);
      if (it == store.end()) continue;
      TPropValue v;
      if (p->Kind == TTypeKind::String) v.Str = it->second;
      else if (p->Kind == TTypeKind::Enumeration) v.Ord = GetEnumValue(*p, it->second);
      else v.Ord = std::atoi(it->second.c_str());
      p->Set(*item, v);
    }
  }
  target->EndUpdate();

  HWND header = HWND(SendMessageA(h, LVM_GETHEADER, 0, 0));
  ASSERT_EQ(3, SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  char text[64];
  LVCOLUMNA col{};
  col.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
  col.pszText = text;
  col.cchTextMax = sizeof text;
  SendMessageA(h, LVM_GETCOLUMNA, 0, LPARAM(&col));
  EXPECT_STREQ("Channel", text);
  EXPECT_EQ(77, col.cx);
  EXPECT_EQ(LVCFMT_RIGHT, col.fmt & LVCFMT_JUSTIFYMASK);
  SendMessageA(h, LVM_GETCOLUMNA, 2, LPARAM(&col));
  EXPECT_STREQ("File", text);
  EXPECT_EQ(28, col.cx);
  // The auto-sized column takes what the others leave of the client width.
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(client.right - 77 - 28, SendMessageA(h, LVM_GETCOLUMNWIDTH, 1, 0));
}

TEST(ListView, MultiSelectionByClicksReadBackAndKeptOverANewWindow) {
  ListForm f;
  f.List->Columns()->Add()->SetWidth(200);
  f.List->SetMultiSelect(true);
  f.List->SetRowSelect(true);
  for (int i = 0; i < 8; ++i) f.List->Items().Add()->SetCaption("row " + std::to_string(i));
  std::vector<std::pair<int, bool>> heard;
  f.List->OnSelectItem = [&](TObject*, TListItem* item, bool selected) {
    heard.emplace_back(item ? item->Index() : -1, selected);
  };
  HWND h = f.List->Handle();
  testsupport::ClickAt(testsupport::ScreenCentre(h, f.List->Items()[1]->DisplayRect()));
  ASSERT_TRUE(PumpUntil([&] { return SelectedRows(h) == std::vector<int>{1}; }, 3000, LoopStep));
  testsupport::ClickAt(testsupport::ScreenCentre(h, f.List->Items()[4]->DisplayRect()), true);
  testsupport::ClickAt(testsupport::ScreenCentre(h, f.List->Items()[6]->DisplayRect()), true);
  ASSERT_TRUE(PumpUntil([&] { return SelectedRows(h) == std::vector<int>({1, 4, 6}); }, 3000, LoopStep));
  EXPECT_EQ(3, f.List->SelCount());
  EXPECT_EQ(f.List->Items()[1], f.List->Selected());
  EXPECT_EQ(f.List->Items()[4], f.List->GetNextItem(f.List->Items()[1], LVNI_SELECTED));
  EXPECT_TRUE(f.List->Items()[6]->Focused());
  EXPECT_NE(heard.end(), std::find(heard.begin(), heard.end(), std::make_pair(6, true)));

  // A style that needs a new window keeps rows, selection and focus, and tells no one.
  heard.clear();
  f.List->SetReadOnly(true);
  HWND h2 = f.List->Handle();
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(0, GetWindowLongPtrA(h2, GWL_STYLE) & LVS_EDITLABELS);
  EXPECT_EQ(8, SendMessageA(h2, LVM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ("row 7", CellText(h2, 7, 0));
  EXPECT_EQ(std::vector<int>({1, 4, 6}), SelectedRows(h2));
  EXPECT_EQ(6, SendMessageA(h2, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
  EXPECT_TRUE(heard.empty());
  // Deleting a selected row tells of that row only, never of the one that moves into its place.
  std::vector<TListItem*> told;
  f.List->OnSelectItem = [&](TObject*, TListItem* item, bool) { told.push_back(item); };
  TListItem* next = f.List->Items()[5];
  f.List->Items()[4]->Delete();
  for (TListItem* t : told) EXPECT_NE(next, t);
  EXPECT_EQ(std::vector<int>({1, 5}), SelectedRows(h2));
  EXPECT_EQ(5, f.List->Items()[5]->Index());
  EXPECT_EQ("row 6", f.List->Items()[5]->Caption());
  // Check boxes read back as the control shows them.
  f.List->SetCheckboxes(true);
  f.List->Items()[2]->SetChecked(true);
  EXPECT_EQ(UINT(INDEXTOSTATEIMAGEMASK(2)), SendMessageA(h2, LVM_GETITEMSTATE, 2, LVIS_STATEIMAGEMASK));
  EXPECT_FALSE(f.List->Items()[3]->Checked());
}

TEST(ListView, CheckMarksSetBeforeTheWindowExistsAreShown) {
  FormPtr form{new TForm(nullptr)};
  auto* list = new TListView(form.get());
  list->SetViewStyle(vsReport);
  list->SetCheckboxes(true);
  list->SetParent(form.get());
  for (int i = 0; i < 3; ++i) list->Items().Add()->SetChecked(i != 1);
  HWND h = list->Handle();
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(UINT(INDEXTOSTATEIMAGEMASK(i != 1 ? 2 : 1)), SendMessageA(h, LVM_GETITEMSTATE, WPARAM(i), LVIS_STATEIMAGEMASK))
        << i;
  // And over a new window.
  list->RecreateWnd();
  EXPECT_TRUE(list->Items()[2]->Checked());
  EXPECT_FALSE(list->Items()[1]->Checked());
}

TEST(ListView, ColumnClickSortsNumbersAndTextByTheTestsCompareStably) {
  ListForm f;
  f.List->Columns()->Add()->SetCaption("Name");
  f.List->Columns()->Add()->SetCaption("Bank");
  f.List->Columns()->Items(0)->SetWidth(150);
  f.List->Columns()->Items(1)->SetWidth(150);
  // Ties on the bank: a, c and e share 10; b and f share "d".
  const char* rows[][2] = {{"a", "10"}, {"b", "d"}, {"c", "10"}, {"d", "2"}, {"e", "10"}, {"f", "d"}, {"g", "100"}};
  for (auto& r : rows) {
    TListItem* item = f.List->Items().Add();
    item->SetCaption(r[0]);
    item->AddSubItem(r[1]);
  }
  int sortColumn = -1;
  bool descending = false;
  int clicks = 0;
  f.List->OnColumnClick = [&](TObject*, TListColumn* column) {
    descending = column->Index() == sortColumn ? !descending : false;
    sortColumn = column->Index();
    f.List->AlphaSort();
    ++clicks;
  };
  // Numbers by value, anything else as text after them; a strict weak ordering either way.
  f.List->OnCompare = [&](TObject*, TListItem* a, TListItem* b, intptr_t, int& compare) {
    const std::string &x = a->ColumnText(sortColumn), &y = b->ColumnText(sortColumn);
    long vx, vy;
    bool nx = IsNumber(x, vx), ny = IsNumber(y, vy);
    if (nx && ny) compare = (vx > vy) - (vx < vy);
    else if (nx != ny) compare = nx ? -1 : 1;
    else compare = x.compare(y) < 0 ? -1 : x.compare(y) > 0;
    if (descending) compare = -compare;
  };
  HWND h = f.List->Handle();
  HWND header = HWND(SendMessageA(h, LVM_GETHEADER, 0, 0));
  RECT bankHeader;
  SendMessageA(header, HDM_GETITEMRECT, 1, LPARAM(&bankHeader));
  auto clickBank = [&](int expected) {
    // A little apart each time, so that no two clicks make a double click.
    POINT p = testsupport::ScreenCentre(header, bankHeader);
    p.x += (expected - 2) * 12;
    testsupport::ClickAt(p);
    return PumpUntil([&] { return clicks == expected; }, 3000, LoopStep);
  };
  ASSERT_TRUE(clickBank(1));
  std::vector<std::string> first = Column(h, 0);
  EXPECT_EQ(std::vector<std::string>({"d", "a", "c", "e", "g", "b", "f"}), first);
  ASSERT_TRUE(clickBank(2));
  // Descending: equal banks keep the order they had.
  EXPECT_EQ(std::vector<std::string>({"b", "f", "g", "a", "c", "e", "d"}), Column(h, 0));
  ASSERT_TRUE(clickBank(3));
  EXPECT_EQ(first, Column(h, 0));
  for (int i = 0; i < 7; ++i) EXPECT_EQ(Column(h, 0)[size_t(i)], f.List->Items()[i]->Caption());
}

TEST(ListView, ItemDeletedDuringItsSortOrEditIsNeverTouchedAgain) {
  ListForm f;
  f.List->Columns()->Add()->SetWidth(150);
  for (int i = 0; i < 50; ++i) f.List->Items().Add()->SetCaption(std::to_string(1000 + (i * 37) % 50));
  TListItem* victim = f.List->Items()[10];
  std::string victimText = victim->Caption();
  bool deleted = false;
  ASSERT_TRUE(f.List->CustomSort([&](TListItem* a, TListItem* b, intptr_t) {
    if (!deleted) {
      deleted = true;
      victim->Delete();
    } else {
      EXPECT_NE(victim, a);
      EXPECT_NE(victim, b);
    }
    return a->Caption().compare(b->Caption());
  }));
  HWND h = f.List->Handle();
  ASSERT_EQ(49, f.List->Items().Count());
  ASSERT_EQ(49, SendMessageA(h, LVM_GETITEMCOUNT, 0, 0));
  std::vector<std::string> shown = Column(h, 0);
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
  EXPECT_EQ(shown.end(), std::find(shown.begin(), shown.end(), victimText));

  // A compare that throws: the sort ends, the failure reaches the caller, the rows stay whole.
  EXPECT_THROW(f.List->CustomSort([](TListItem*, TListItem*, intptr_t) -> int { throw std::runtime_error("x"); }),
               std::runtime_error);
  EXPECT_EQ(49, SendMessageA(h, LVM_GETITEMCOUNT, 0, 0));

  // Label editing renames; an item deleted while its label is edited is not renamed or reported.
  std::vector<std::string> edited;
  f.List->OnEdited = [&](TObject*, TListItem* item, std::string& s) {
    edited.push_back(item->Caption() + ">" + s);
    s += "!";
  };
  TListItem* first = f.List->Items()[0];
  ASSERT_TRUE(first->EditCaption());
  HWND edit = HWND(SendMessageA(h, LVM_GETEDITCONTROL, 0, 0));
  ASSERT_TRUE(edit);
  SetWindowTextA(edit, "renamed");
  SetFocus(f.Form->Handle());
  ASSERT_TRUE(PumpUntil([&] { return !f.List->IsEditing(); }, 3000, LoopStep));
  EXPECT_EQ("renamed!", first->Caption());
  EXPECT_EQ("renamed!", CellText(h, 0, 0));
  ASSERT_EQ(1u, edited.size());

  TListItem* second = f.List->Items()[1];
  ASSERT_TRUE(second->EditCaption());
  edit = HWND(SendMessageA(h, LVM_GETEDITCONTROL, 0, 0));
  ASSERT_TRUE(edit);
  SetWindowTextA(edit, "lost");
  second->Delete();
  EXPECT_FALSE(IsWindow(edit));  // no editor left over a row that is gone
  SetFocus(f.Form->Handle());
  PumpUntil([&] { return f.List->Focused() == false; }, 1000, LoopStep);
  EXPECT_FALSE(f.List->IsEditing());
  EXPECT_EQ(1u, edited.size());
  EXPECT_EQ(48, SendMessageA(h, LVM_GETITEMCOUNT, 0, 0));
}

TEST(ListView, OwnerDataListOfSixteenThousandRowsScrolledToItsEnd) {
  ListForm f(true);
  f.List->Columns()->Add()->SetWidth(150);
  f.List->Columns()->Add()->SetWidth(100);
  constexpr int kRows = 16512;
  int highest = -1;
  long requests = 0;
  f.List->OnData = [&](TObject*, TListItem* item) {
    ++requests;
    highest = std::max(highest, item->Index());
    item->SetCaption("slot " + std::to_string(item->Index()));
    item->AddSubItem(std::to_string(item->Index() / 128));
  };
  f.List->Items().SetCount(kRows);
  HWND h = f.List->Handle();
  ASSERT_EQ(kRows, SendMessageA(h, LVM_GETITEMCOUNT, 0, 0));
  UpdateWindow(h);
  int perPage = int(SendMessageA(h, LVM_GETCOUNTPERPAGE, 0, 0));
  ASSERT_GT(perPage, 0);

  // Page by page, each page painted, as the user's scrolling would.
  LARGE_INTEGER start = Now();
  int pages = 0;
  while (SendMessageA(h, LVM_GETTOPINDEX, 0, 0) + perPage < kRows && pages < kRows) {
    SendMessageA(h, WM_VSCROLL, SB_PAGEDOWN, 0);
    UpdateWindow(h);
    ++pages;
  }
  double scrolling = Seconds(start);
  EXPECT_GE(SendMessageA(h, LVM_GETTOPINDEX, 0, 0) + perPage, kRows);
  EXPECT_EQ(kRows - 1, highest);
  EXPECT_EQ("slot 16511", CellText(h, kRows - 1, 0));
  EXPECT_EQ("128", CellText(h, kRows - 1, 1));
  std::printf("figure: scrolling the %d-row owner-data list top to bottom, %d pages painted, %ld rows asked, %.3f s\n",
              kRows, pages, requests, scrolling);

  // Its selection lives in the control and is carried over a new window.
  f.List->SetMultiSelect(true);
  f.List->Items()[16000]->SetSelected(true);
  f.List->Items()[16500]->SetSelected(true);
  EXPECT_EQ(2, f.List->SelCount());
  f.List->SetHideSelection(false);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(std::vector<int>({16000, 16500}), SelectedRows(f.List->Handle()));
  EXPECT_EQ("slot 16500", f.List->Selected() ? f.List->GetNextItem(f.List->Selected(), LVNI_SELECTED)->Caption()
                                             : std::string());
}

TEST(ListView, CustomDrawColoursReadBackFromTheScreen) {
  ListForm f;
  f.List->Columns()->Add()->SetWidth(120);
  f.List->Columns()->Add()->SetWidth(120);
  f.List->SetRowSelect(true);
  for (int i = 0; i < 4; ++i) {
    TListItem* item = f.List->Items().Add();
    item->SetCaption("r" + std::to_string(i));
    item->AddSubItem("s");
  }
  const TColor kBack = TColor(RGB(0x20, 0xC0, 0x40));
  const TColor kSubBack = TColor(RGB(0xD0, 0x30, 0x90));
  int itemCalls = 0;
  f.List->OnCustomDrawItem = [&](TObject*, TListItem* item, TCustomDrawInfo& info) {
    ++itemCalls;
    if (item->Index() == 2) {
      info.BackColor = kBack;
      info.TextColor = clWhite;
      info.Font.SetStyle(1u << fsBold);
    }
  };
  f.List->OnCustomDrawSubItem = [&](TObject*, TListItem* item, TCustomDrawInfo& info) {
    if (item->Index() == 3 && info.SubItem == 1) info.BackColor = kSubBack;
  };
  HWND h = f.List->Handle();
  InvalidateRect(h, nullptr, TRUE);
  UpdateWindow(h);
  ASSERT_GT(itemCalls, 0);

  auto screenPixel = [&](int row, int x) {
    RECT r = f.List->Items()[row]->DisplayRect();
    POINT p{x, r.bottom - 2};
    ClientToScreen(h, &p);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return TColor(c);
  };
  // Far right of the first column's text: background only.
  EXPECT_EQ(kBack, screenPixel(2, 110));
  EXPECT_EQ(kSubBack, screenPixel(3, 230));
  EXPECT_NE(kBack, screenPixel(1, 110));
  EXPECT_NE(kSubBack, screenPixel(3, 110));
}

// The column header paints only in its own paint, after every other control's: a list just shown has its
// header drawn with its background, not a black bar until the loop comes round.
TEST(ListView, AListJustShownHasItsHeaderDrawn) {
  FormPtr form{new TForm(nullptr)};
  form->SetBounds(20, 20, 420, 320);
  auto* list = new TListView(form.get());
  list->SetViewStyle(vsReport);
  list->SetParent(form.get());
  list->SetBounds(0, 0, 400, 280);
  list->Columns()->Add()->SetCaption("No files");
  form->Show();
  HWND header = HWND(SendMessageA(list->Handle(), LVM_GETHEADER, 0, 0));
  ASSERT_NE(header, nullptr);
  EXPECT_FALSE(GetUpdateRect(header, nullptr, FALSE));
  RECT r;
  GetClientRect(header, &r);
  HDC dc = GetDC(header);
  // Right of the caption, inside the column's edge.
  EXPECT_NE(GetPixel(dc, r.right - 40, r.bottom / 2), RGB(0, 0, 0));
  ReleaseDC(header, dc);
}

// Virtual items: each change leaves rows numbered as the control shows them, selection and focus with
// their items, and tells the owner of a row it selected, or once of a change of many rows.
TEST(ListView, VirtualItemsKeepNumbersSelectionAndFocusThroughEveryChange) {
  ListForm f;
  f.List->Columns()->Add()->SetWidth(200);
  f.List->SetMultiSelect(true);
  f.List->SetRowSelect(true);
  f.List->SetVirtualItems(true);
  TListItems& items = f.List->Items();
  HWND h = f.List->Handle();
  ASSERT_NE(0, GetWindowLongPtrA(h, GWL_STYLE) & LVS_OWNERDATA);
  using Told = std::vector<std::pair<std::string, bool>>;  // the row's caption, "*" for none
  Told told;
  f.List->OnSelectItem = [&](TObject*, TListItem* item, bool selected) {
    told.emplace_back(item ? item->Caption() : "*", selected);
  };
  auto name = [](int i) {
    char s[8];
    std::snprintf(s, sizeof s, "r%04d", i);
    return std::string(s);
  };
  auto row = [&](const std::string& caption) {
    for (int i = 0; i < items.Count(); ++i)
      if (items[i]->Caption() == caption) return items[i];
    throw std::runtime_error("no row " + caption);
  };
  constexpr int kRows = 2000;
  const std::vector<std::string> range = [&] {
    std::vector<std::string> r;
    for (int i = 20; i >= 3; --i)
      if (i != 10) r.push_back(name(i));  // r0010 is deleted by then
    return r;
  }();
  struct Step {
    const char* Name;
    std::function<void()> Act;
    int SelectedCount;
    std::vector<std::string> Selected;  // in row order, when not every row
    std::string Focused;
    Told Expected;  // exactly, or for a change the control makes in steps, the last of its whole-list notices
    bool InSteps = false;
  };
  const Step steps[] = {
      {"filled in a bracket",
       [&] {
         items.BeginUpdate();
         for (int i = 0; i < kRows; ++i)
           items.Add([&, i](TListItem* r) {
             r->SetCaption(name(i));
             r->SetImageIndex(i % 7);
             r->SetStateIndex(i % 5);
           });
         items.EndUpdate();
       },
       0, {}, "", {}},
      {"two selected, one focused",
       [&] {
         row("r0010")->SetSelected(true);
         row("r0020")->SetSelected(true);
         row("r0020")->SetFocused(true);
       },
       2, {"r0010", "r0020"}, "r0020", {{"r0010", true}, {"r0020", true}}},
      {"a row inserted above them", [&] { items.Insert(0)->SetCaption("a"); }, 2, {"r0010", "r0020"}, "r0020", {}},
      {"a selected row deleted", [&] { row("r0010")->Delete(); }, 1, {"r0020"}, "r0020", {{"*", false}}},
      {"sorted descending",
       [&] {
         f.List->CustomSort([](TListItem* a, TListItem* b, intptr_t) {
           return (a->Caption() < b->Caption()) - (a->Caption() > b->Caption());
         });
       },
       1, {"r0020"}, "r0020", {}},
      {"inserted, selected and deleted in a bracket",
       [&] {
         items.BeginUpdate();
         items.Insert(3)->SetCaption("b");
         row("r0005")->SetSelected(true);
         items.Delete(0);
         items.EndUpdate();
       },
       2, {"r0020", "r0005"}, "r0020", {{"*", true}}},
      {"a range by shift-click",
       [&] {
         row("r0003")->MakeVisible(false);
         testsupport::SendKey(VK_SHIFT, true);
         testsupport::ClickAt(testsupport::ScreenCentre(h, row("r0003")->DisplayRect()));
         testsupport::SendKey(VK_SHIFT, false);
         PumpUntil([&] { return f.List->SelCount() == int(range.size()); }, 3000, LoopStep);
       },
       int(range.size()), range, "r0003", {{"*", true}}, true},
      {"all selected", [&] { f.List->SelectAll(); }, kRows, {}, "r0003", {{"*", true}}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.Name);
    told.clear();
    step.Act();
    ASSERT_EQ(items.Count(), SendMessageA(h, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < items.Count(); ++i) {
      TListItem* item = items[i];
      ASSERT_EQ(i, item->Index());
      ASSERT_EQ(item->Caption(), CellText(h, i, 0)) << i;
      UINT image = item->StateIndex() >= 0 ? INDEXTOSTATEIMAGEMASK(item->StateIndex() + 1) : 0;
      ASSERT_EQ(image, UINT(SendMessageA(h, LVM_GETITEMSTATE, WPARAM(i), LVIS_STATEIMAGEMASK))) << i;
    }
    std::vector<std::string> shown, read;
    for (int i : SelectedRows(h)) shown.push_back(items[i]->Caption());
    for (TListItem* s = f.List->Selected(); s; s = f.List->GetNextItem(s, LVNI_SELECTED)) read.push_back(s->Caption());
    EXPECT_EQ(step.SelectedCount, int(shown.size()));
    EXPECT_EQ(shown, read);
    EXPECT_EQ(step.SelectedCount, f.List->SelCount());
    if (step.SelectedCount < items.Count()) {
      EXPECT_EQ(step.Selected, shown);
    }
    int focused = int(SendMessageA(h, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
    EXPECT_EQ(step.Focused, focused >= 0 ? items[focused]->Caption() : std::string());
    EXPECT_EQ(step.Focused, f.List->ItemFocused() ? f.List->ItemFocused()->Caption() : std::string());
    if (step.InSteps) {
      EXPECT_TRUE(std::all_of(told.begin(), told.end(), [](const auto& t) { return t.first == "*"; }));
      EXPECT_EQ(step.Expected, Told(told.end() - std::min<size_t>(told.size(), 1), told.end()));
    } else {
      EXPECT_EQ(step.Expected, told);
    }
  }
  // A search by caption (type-ahead, LVM_FINDITEM) is answered from the items.
  LVFINDINFOA find{};
  find.flags = LVFI_STRING;
  find.psz = "R0003";
  EXPECT_EQ(row("r0003")->Index(), SendMessageA(h, LVM_FINDITEMA, WPARAM(-1), LPARAM(&find)));
}
