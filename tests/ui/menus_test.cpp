#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "action.h"
#include "bitmap.h"
#include "image_list.h"
#include "menu_window.h"
#include "menus.h"
#include "message_box.h"
#include "std_controls.h"
#include "timer.h"
#include "ui_exceptions.h"
#include "ui_test_support.h"

using namespace ui;
using namespace uitest;

namespace {

// Waits (from another thread) for the GUI thread's tracked menu window.
HWND WaitForTrackedMenu(DWORD guiThread, DWORD timeoutMs = 5000) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    if (HWND found = testsupport::TrackedMenuWindow(guiThread)) return found;
    Sleep(10);
  }
  return nullptr;
}

struct TEntry {
  std::string Text;
  bool Checked, Greyed, Radio, Separator, HasBitmap;
};

std::vector<TEntry> ReadMenu(HMENU menu) {
  std::vector<TEntry> entries;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[64] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_BITMAP;
    info.dwTypeData = text;
    info.cch = sizeof text;
    GetMenuItemInfoA(menu, UINT(i), TRUE, &info);
    entries.push_back({text, (info.fState & MFS_CHECKED) != 0, (info.fState & MFS_GRAYED) != 0,
                       (info.fType & MFT_RADIOCHECK) != 0, (info.fType & MFT_SEPARATOR) != 0,
                       info.hbmpItem != nullptr});
  }
  return entries;
}

// Chooses the n-th entry of the tracked menu from another thread: down n+1 times, then Enter.
class TMenuDriver {
 public:
  TMenuDriver(int choice, std::function<void(HMENU)> inspect = nullptr)
      : FGui(GetCurrentThreadId()), FThread([this, choice, inspect] {
          HWND popup = WaitForTrackedMenu(FGui);
          if (!popup) return;
          FOpened = true;
          if (inspect) inspect(reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0)));
          if (choice < 0) {
            PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
            return;
          }
          for (int i = 0; i <= choice; ++i) PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
          PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
        }) {}
  ~TMenuDriver() { FThread.join(); }
  bool Opened() const { return FOpened; }

 private:
  DWORD FGui;
  std::atomic<bool> FOpened{false};
  std::thread FThread;
};

}  // namespace

TEST(Menus, MainMenuItemsFollowTheirActionsAndRunThem) {
  FormPtr form(new TForm(nullptr));
  auto* actions = new TActionList(form.get());
  auto* images = new TImageList(form.get());
  TBitmap picture;
  picture.SetSize(16, 16);
  picture.Canvas().Brush.Color = clBlue;
  picture.Canvas().FillRect(RECT{0, 0, 16, 16});
  images->AddMasked(picture, clRed);
  auto* save = new TAction(form.get());
  save->SetActionList(actions);
  save->SetCaption("Save mapping");
  save->SetShortCut(ShortCut('S', 1u << ssCtrl));
  save->SetImageIndex(0);
  int saves = 0;
  save->OnExecute = [&](TObject*) { ++saves; };
  auto* preview = new TAction(form.get());
  preview->SetActionList(actions);
  preview->SetCaption("Preview mode");
  preview->SetChecked(true);
  bool canSave = true;
  save->OnUpdate = [&](TObject*) { save->SetEnabled(canSave); };

  auto* menu = new TMainMenu(form.get());
  menu->SetImages(images);
  auto* files = new TMenuItem(form.get());
  files->SetCaption("&Files");
  menu->Items()->Add(files);
  auto* saveItem = new TMenuItem(form.get());
  saveItem->SetAction(save);
  files->Add(saveItem);
  auto* line = new TMenuItem(form.get());
  line->SetCaption("-");
  files->Add(line);
  auto* previewItem = new TMenuItem(form.get());
  previewItem->SetAction(preview);
  files->Add(previewItem);
  form->SetMenu(menu);
  form->Show();

  HMENU bar = GetMenu(form->Handle());
  ASSERT_EQ(menu->Handle(), bar);
  HMENU sub = GetSubMenu(bar, 0);
  ASSERT_EQ(files->Handle(), sub);
  std::vector<TEntry> entries = ReadMenu(sub);
  ASSERT_EQ(3u, entries.size());
  EXPECT_EQ("Save mapping\tCtrl+S", entries[0].Text);
  EXPECT_TRUE(entries[0].HasBitmap);
  EXPECT_FALSE(entries[0].Greyed);
  EXPECT_TRUE(entries[1].Separator);
  EXPECT_TRUE(entries[2].Checked);

  // The action changes: the item follows at once.
  preview->SetChecked(false);
  EXPECT_FALSE(ReadMenu(sub)[2].Checked);
  // Opening the submenu runs the actions' updates.
  canSave = false;
  SendMessageA(form->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), 0);
  EXPECT_TRUE(ReadMenu(sub)[0].Greyed);
  canSave = true;
  SendMessageA(form->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), 0);
  EXPECT_FALSE(ReadMenu(sub)[0].Greyed);

  // Choosing the item runs the action; so does its shortcut through the form.
  PostMessageA(form->Handle(), WM_COMMAND, saveItem->Command(), 0);
  EXPECT_TRUE(RunUntil([&] { return saves == 1; }));
  EXPECT_TRUE(form->IsShortCut(ShortCut('S', 1u << ssCtrl)));
  EXPECT_EQ(2, saves);

  // A hidden item leaves the menu; the form's new window gets the same menu.
  line->SetVisible(false);
  EXPECT_EQ(2, GetMenuItemCount(sub));
  form->RecreateWnd();
  EXPECT_EQ(menu->Handle(), GetMenu(form->Handle()));
  EXPECT_TRUE(IsMenu(sub));
}

TEST(Menus, RadioItemsOfAGroupAreExclusive) {
  std::unique_ptr<TPopupMenu, TFreeDeleter> menu(new TPopupMenu(nullptr));
  std::vector<TMenuItem*> items;
  for (int i = 0; i < 4; ++i) {
    auto* item = new TMenuItem(menu.get());
    item->SetCaption("item " + std::to_string(i));
    item->SetRadioItem(true);
    item->SetAutoCheck(true);
    item->SetGroupIndex(i < 3 ? 1 : 2);
    menu->Items()->Add(item);
    items.push_back(item);
  }
  items[0]->SetChecked(true);
  items[3]->SetChecked(true);
  items[2]->Click();
  EXPECT_FALSE(items[0]->Checked());
  EXPECT_TRUE(items[2]->Checked());
  EXPECT_TRUE(items[3]->Checked());  // another group
  std::vector<TEntry> entries = ReadMenu(menu->Handle());
  EXPECT_TRUE(entries[2].Checked && entries[2].Radio);
  EXPECT_FALSE(entries[0].Checked);
  // Clicking the checked radio item leaves it checked.
  items[2]->Click();
  EXPECT_TRUE(items[2]->Checked());
}

TEST(Menus, RightClickShowsTheControlsPopupMenuAndAChoiceRunsTheAction) {
  FormPtr form(new TForm(nullptr));
  form->SetBounds(100, 100, 300, 200);
  auto* edit = new TEdit(form.get());
  edit->SetParent(form.get());
  auto* unload = new TAction(form.get());
  unload->SetCaption("Unload selected from cache");
  int unloads = 0;
  unload->OnExecute = [&](TObject*) { ++unloads; };
  auto* clear = new TAction(form.get());
  clear->SetCaption("Clear cache");
  clear->OnUpdate = [&](TObject*) { clear->SetEnabled(false); };
  auto* popup = new TPopupMenu(form.get());
  auto* export_ = new TMenuItem(form.get());
  export_->SetCaption("E&xport");
  for (TAction* a : {unload, clear}) {
    auto* item = new TMenuItem(form.get());
    item->SetAction(a);
    popup->Items()->Add(item);
  }
  popup->Items()->Add(export_);
  auto* inner = new TMenuItem(form.get());
  inner->SetCaption("Save as text...");
  export_->Add(inner);
  int popups = 0;
  popup->OnPopup = [&](TObject*) { ++popups; };
  edit->SetPopupMenu(popup);
  form->Show();

  std::vector<TEntry> seen;
  {
    TMenuDriver driver(0, [&](HMENU m) { seen = ReadMenu(m); });
    PostMessageA(edit->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(RunUntil([&] { return unloads == 1; }, 8000));
  }
  EXPECT_EQ(1, popups);
  EXPECT_EQ(edit, popup->PopupComponent());
  ASSERT_EQ(3u, seen.size());
  EXPECT_EQ("Unload selected from cache", seen[0].Text);
  EXPECT_TRUE(seen[1].Greyed);  // its action's update ran before the menu showed

  // The context-menu key shows it too; Escape closes it without a choice.
  {
    TMenuDriver driver(-1);
    edit->SetFocus();
    PostMessageA(edit->Handle(), WM_KEYUP, VK_APPS, LPARAM(0xC0000001));
    EXPECT_TRUE(RunUntil([&] { return popups == 2; }, 8000));
    RunUntil([&] { return driver.Opened(); }, 5000);
  }
  RunFor(100);
  EXPECT_EQ(1, unloads);
}

TEST(Menus, FreedItemsAndActionsAreNeverCalled) {
  FormPtr form(new TForm(nullptr));
  auto* popup = new TPopupMenu(form.get());
  auto* keep = new TMenuItem(form.get());
  keep->SetCaption("keep");
  auto* doomed = new TMenuItem(form.get());
  doomed->SetCaption("doomed");
  popup->Items()->Add(keep);
  popup->Items()->Add(doomed);
  int doomedClicks = 0, keepClicks = 0;
  doomed->OnClick = [&](TObject*) { ++doomedClicks; };
  keep->OnClick = [&](TObject*) { ++keepClicks; };
  WORD doomedCommand = doomed->Command();
  form->Show();

  // While the menu is on screen, a timer frees the second item; then the user chooses that entry.
  std::atomic<bool> freed{false};
  std::atomic<int> entriesAfterFree{-1};
  std::unique_ptr<TTimer, TFreeDeleter> timer(new TTimer(nullptr));
  timer->SetInterval(30);
  timer->OnTimer = [&](TObject*) {
    timer->SetEnabled(false);
    doomed->Free();
    freed = true;
  };
  std::thread chooser([&] {
    HWND menuWindow = WaitForTrackedMenu(GetWindowThreadProcessId(form->Handle(), nullptr));
    if (!menuWindow) return;
    for (int i = 0; i < 200 && !freed; ++i) Sleep(10);
    entriesAfterFree = GetMenuItemCount(reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0)));
    PostMessageA(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
  });
  popup->Popup(10, 10);
  chooser.join();
  RunFor(150);
  EXPECT_TRUE(freed);
  // The menu on screen kept the entry, the user chose it, and nothing ran.
  EXPECT_EQ(2, entriesAfterFree);
  EXPECT_EQ(0, doomedClicks);
  EXPECT_EQ(0, keepClicks);
  EXPECT_FALSE(DispatchMenuCommand(doomedCommand));
  // Once closed, the menu shows only what is left.
  ASSERT_EQ(1, GetMenuItemCount(popup->Handle()));
  EXPECT_EQ("keep", ReadMenu(popup->Handle())[0].Text);

  // An action freed before its menu item: the item keeps its look and a click runs nothing.
  auto* action = new TAction(nullptr);
  action->SetCaption("Gone");
  int runs = 0;
  action->OnExecute = [&](TObject*) { ++runs; };
  keep->OnClick = nullptr;
  keep->SetAction(action);
  action->Free();
  EXPECT_EQ(nullptr, keep->Action());
  EXPECT_EQ("Gone", keep->Caption());
  keep->Click();
  EXPECT_EQ(0, runs);

  // A freed popup menu leaves no control pointing at it.
  auto* edit = new TEdit(form.get());
  edit->SetParent(form.get());
  edit->SetPopupMenu(popup);
  popup->Free();
  EXPECT_EQ(nullptr, edit->PopupMenu());
}

TEST(Menus, ShortCutTextsNameTheKeys) {
  EXPECT_EQ("Ctrl+S", ShortCutToText(ShortCut('S', 1u << ssCtrl)));
  EXPECT_EQ("Shift+Ctrl+Alt+S", ShortCutToText(ShortCut('S', (1u << ssCtrl) | (1u << ssAlt) | (1u << ssShift))));
  EXPECT_EQ("Del", ShortCutToText(VK_DELETE));
  EXPECT_EQ("Ctrl+Del", ShortCutToText(ShortCut(VK_DELETE, 1u << ssCtrl)));
  EXPECT_EQ("F7", ShortCutToText(VK_F7));
  EXPECT_EQ("Ins", ShortCutToText(VK_INSERT));
  EXPECT_EQ("Alt+Enter", ShortCutToText(ShortCut(VK_RETURN, 1u << ssAlt)));
  EXPECT_EQ("", ShortCutToText(0));
}

TEST(Menus, AFailingChoiceStaysInsideTheWindowProcedure) {
  std::unique_ptr<TPopupMenu, TFreeDeleter> menu(new TPopupMenu(nullptr));
  auto* item = new TMenuItem(menu.get());
  menu->Items()->Add(item);
  item->OnClick = [](TObject*) { throw Exception("menu choice failed"); };
  std::string reported;
  Application().OnException = [&](TObject*, const std::exception& e) { reported = e.what(); };
  EXPECT_NO_THROW(SendMessageA(Application().Handle(), WM_COMMAND, item->Command(), 0));
  EXPECT_EQ("menu choice failed", reported);
  // Even a report that fails itself (a box that throws) ends inside.
  Application().OnException = nullptr;
  TMessageBoxHandler previous = SetMessageBoxHandler([](const std::string&, const std::string&, UINT) -> int {
    throw Exception("no box today");
  });
  EXPECT_NO_THROW(SendMessageA(Application().Handle(), WM_COMMAND, item->Command(), 0));
  SetMessageBoxHandler(previous);
}
