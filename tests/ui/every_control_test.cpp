// What every control shares, whatever its kind: notifications reflected to the child, unique child ids,
// fonts, alignment, GDI objects kept balanced, action links, mouse and key events, hints.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <set>
#include <algorithm>
#include <vector>

#include "action.h"
#include "graphic_controls.h"
#include "list_controls.h"
#include "std_controls.h"
#include "sys_utils.h"
#include "ui_test_support.h"

using namespace ui;
using namespace uitest;

namespace {

// An owner-drawn push button that records what its parent passed on.
class TOwnerDrawButton : public TWinControl {
 public:
  using TWinControl::TWinControl;
  std::vector<UINT> Reflected;
  UINT DrawnId = 0;
  void WndProc(TMessage& m) override {
    if (m.Msg >= CN_BASE && m.Msg < CN_BASE + 0x400) Reflected.push_back(m.Msg);
    if (m.Msg == CN_DRAWITEM) {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
      DrawnId = d->CtlID;
      FillRect(d->hDC, &d->rcItem, GetSysColorBrush(COLOR_HIGHLIGHT));
      m.Result = TRUE;
      return;
    }
    TWinControl::WndProc(m);
  }

 protected:
  void CreateParams(TCreateParams& p) override {
    TWinControl::CreateParams(p);
    p.SuperClass = "BUTTON";
    p.WinClassName = "TOwnerDrawButton";
    p.Style |= BS_OWNERDRAW;
  }
};

LOGFONTA FontOf(HWND window) {
  LOGFONTA lf{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  return lf;
}

int PixelHeight(int points) { return -MulDiv(points, Screen().PixelsPerInch(), 72); }

}  // namespace

TEST(EveryControl, NotificationsReachTheChildThroughAnyParent) {
  FormPtr form(new TForm(nullptr));
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(0, 0, 200, 100);
  auto* button = new TOwnerDrawButton(form.get());
  button->SetParent(panel);
  button->SetBounds(10, 10, 80, 30);
  auto* edit = new TEdit(form.get());
  edit->SetParent(panel);
  edit->SetBounds(100, 10, 80, 24);
  edit->SetColor(clRed);
  edit->Font()->SetColor(clBlue);
  form->Show();

  // WM_DRAWITEM reaches the button, with the button's own id.
  RedrawWindow(button->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(UINT(button->ControlId()), button->DrawnId);
  EXPECT_NE(std::find(button->Reflected.begin(), button->Reflected.end(), UINT(CN_DRAWITEM)), button->Reflected.end());

  // WM_CTLCOLOREDIT comes back with the edit's colours; the window paints with them.
  HDC dc = GetDC(edit->Handle());
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessageA(panel->Handle(), WM_CTLCOLOREDIT, WPARAM(dc), reinterpret_cast<LPARAM>(edit->Handle())));
  LOGBRUSH lb{};
  ASSERT_TRUE(GetObjectA(brush, sizeof lb, &lb));
  EXPECT_EQ(COLORREF(RGB(255, 0, 0)), lb.lbColor);
  EXPECT_EQ(COLORREF(RGB(0, 0, 255)), GetTextColor(dc));
  ReleaseDC(edit->Handle(), dc);
  RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  HDC screen = GetDC(edit->Handle());
  RECT client;
  GetClientRect(edit->Handle(), &client);
  EXPECT_EQ(COLORREF(RGB(255, 0, 0)), GetPixel(screen, client.right - 3, client.bottom - 3));
  ReleaseDC(edit->Handle(), screen);

  // A foreign window's notification is left to the parent; nothing reaches our controls.
  size_t before = button->Reflected.size();
  HWND stranger = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, panel->Handle(), nullptr, nullptr, nullptr);
  SendMessageA(panel->Handle(), WM_COMMAND, MAKEWPARAM(77, BN_CLICKED), reinterpret_cast<LPARAM>(stranger));
  DestroyWindow(stranger);
  EXPECT_EQ(before, button->Reflected.size());
}

TEST(EveryControl, ChildIdsAreUniqueAndSurviveRecreation) {
  FormPtr form(new TForm(nullptr));
  std::vector<TWinControl*> controls;
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  controls.push_back(panel);
  for (int i = 0; i < 5; ++i) {
    auto* b = new TButton(form.get());
    b->SetParent(i % 2 ? static_cast<TWinControl*>(panel) : form.get());
    controls.push_back(b);
  }
  auto* edit = new TEdit(form.get());
  edit->SetParent(panel);
  controls.push_back(edit);
  form->Show();
  std::set<int> ids;
  for (TWinControl* c : controls) {
    EXPECT_GE(c->ControlId(), 0x100);
    EXPECT_EQ(c->ControlId(), GetDlgCtrlID(c->Handle()));
    ids.insert(c->ControlId());
  }
  EXPECT_EQ(controls.size(), ids.size());
  EXPECT_EQ(0, form->ControlId());

  // A new window keeps the id, the font, the link to its action, and its notifications still arrive.
  auto* action = new TAction(form.get());
  action->SetCaption("Linked");
  edit->Font()->SetSize(14);
  auto* button = static_cast<TButton*>(controls[1]);
  button->SetAction(action);
  int clicks = 0;
  action->OnExecute = [&](TObject*) { ++clicks; };
  int id = button->ControlId();
  HWND old = button->Handle();
  form->RecreateWnd();
  EXPECT_NE(old, button->Handle());
  EXPECT_EQ(id, GetDlgCtrlID(button->Handle()));
  EXPECT_EQ(PixelHeight(14), FontOf(edit->Handle()).lfHeight);
  action->SetCaption("Still linked");
  EXPECT_EQ("Still linked", button->Caption());
  SendMessageA(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(1, clicks);
}

TEST(EveryControl, FontChangesReachTheWindowAndTheChildrenThatShowTheParentsFont) {
  FormPtr form(new TForm(nullptr));
  auto* inherits = new TEdit(form.get());
  inherits->SetParent(form.get());
  auto* own = new TEdit(form.get());
  own->SetParent(form.get());
  own->Font()->SetName("Courier New");
  EXPECT_FALSE(own->ParentFont());
  form->Show();

  form->Font()->SetSize(16);
  EXPECT_EQ(PixelHeight(16), FontOf(inherits->Handle()).lfHeight);
  EXPECT_EQ(16, inherits->Font()->Size());
  EXPECT_TRUE(inherits->ParentFont());
  EXPECT_EQ(8, own->Font()->Size());
  EXPECT_STREQ("Courier New", FontOf(own->Handle()).lfFaceName);

  // A font of its own after creation reaches the window at once, and the parent's no longer does.
  inherits->Font()->SetStyle(1u << fsBold);
  EXPECT_EQ(FW_BOLD, FontOf(inherits->Handle()).lfWeight);
  form->Font()->SetSize(10);
  EXPECT_EQ(PixelHeight(16), FontOf(inherits->Handle()).lfHeight);
  // Switched back on, it takes the parent's font again.
  inherits->SetParentFont(true);
  EXPECT_EQ(PixelHeight(10), FontOf(inherits->Handle()).lfHeight);
  EXPECT_EQ(FW_NORMAL, FontOf(inherits->Handle()).lfWeight);
}

TEST(EveryControl, AlignedControlsKeepTheOrderOfTheirPlacesWhateverTheInsertionOrder) {
  FormPtr form(new TForm(nullptr));
  form->SetBounds(0, 0, 400, 300);
  form->Show();
  RECT client = form->ClientRect();
  // Added in reverse: the right pane first, then the splitter, then the left pane.
  auto make = [&](TAlign align, int left, int top, int width, int height) {
    auto* p = new TPanel(form.get());
    p->SetBounds(left, top, width, height);
    p->SetAlign(align);
    p->SetParent(form.get());
    return p;
  };
  TPanel* bottom2 = make(alBottom, 0, 250, 10, 20);
  TPanel* bottom1 = make(alBottom, 0, 280, 10, 20);
  TPanel* top2 = make(alTop, 0, 30, 10, 20);
  TPanel* top1 = make(alTop, 0, 0, 10, 30);
  TPanel* client1 = make(alClient, 0, 0, 10, 10);
  TPanel* splitter = make(alLeft, 100, 0, 3, 10);
  TPanel* left = make(alLeft, 0, 0, 100, 10);
  EXPECT_EQ(0, top1->Top());
  EXPECT_EQ(30, top2->Top());
  EXPECT_EQ(client.bottom - 20, bottom1->Top());
  EXPECT_EQ(client.bottom - 40, bottom2->Top());
  EXPECT_EQ(0, left->Left());
  EXPECT_EQ(100, splitter->Left());
  EXPECT_EQ(103, client1->Left());
  EXPECT_EQ(50, left->Top());
  EXPECT_EQ(client.bottom - 40 - 50, left->Height());
  EXPECT_EQ(client.right - 103, client1->Width());

  // Dragging the splitter (a new place) keeps it between the panes.
  left->SetWidth(150);
  EXPECT_EQ(150, splitter->Left());
  EXPECT_EQ(153, client1->Left());
}

TEST(EveryControl, AThousandPaintsLeaveTheGdiObjectsAsTheyWere) {
  FormPtr form(new TForm(nullptr));
  form->SetBounds(0, 0, 300, 200);
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(0, 0, 300, 120);
  panel->SetCaption("panel");
  panel->SetColor(clSilver);
  auto* label = new TLabel(form.get());
  label->SetParent(panel);
  label->SetCaption("&label");
  auto* shape = new TShape(form.get());
  shape->SetParent(panel);
  shape->SetBounds(100, 10, 30, 30);
  auto* group = new TGroupBox(form.get());
  group->SetParent(form.get());
  group->SetBounds(0, 120, 150, 60);
  group->SetCaption("group");
  auto* edit = new TEdit(group);
  edit->SetParent(group);
  edit->SetColor(clLime);
  auto* list = new TCheckListBox(form.get());
  list->SetParent(form.get());
  list->SetBounds(160, 120, 120, 60);
  list->Items()->Add("checked");
  list->SetChecked(0, true);
  form->Show();
  auto paintAll = [&] {
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  };
  // Fonts, brushes and the system's own caches that live on are made in the first paints.
  for (int i = 0; i < 100; ++i) paintAll();
  // Where the system gives no count, the highest slot of many fresh brushes stands in for it: once the
  // free slots are used up, every object still alive pushes that slot one further.
  auto highestFreshSlot = [] {
    std::vector<HBRUSH> fresh;
    uintptr_t highest = 0;
    for (int i = 0; i < 8192; ++i) {
      HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
      if (!b) break;
      highest = std::max<uintptr_t>(highest, reinterpret_cast<uintptr_t>(b) & 0xFFFF);
      fresh.push_back(b);
    }
    for (HBRUSH b : fresh) DeleteObject(b);
    return highest;
  };
  DWORD countBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  uintptr_t slotBefore = highestFreshSlot();
  for (int i = 0; i < 1000; ++i) paintAll();
  DWORD countAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  uintptr_t slotAfter = highestFreshSlot();
  if (countBefore != 0) {
    EXPECT_EQ(countBefore, countAfter);
  } else {
    // A leak of even one object per paint would push it a thousand slots up.
    EXPECT_LT(slotAfter, slotBefore + 64) << std::hex << slotBefore << " " << slotAfter;
  }
}

TEST(EveryControl, ActionLinksFollowCheckedAndImageAndEndWhenEitherSideGoes) {
  FormPtr form(new TForm(nullptr));
  auto* action = new TAction(nullptr);
  action->SetCaption("Option");
  action->SetChecked(true);
  action->SetHint("short|long");
  auto* check = new TCheckBox(form.get());
  check->SetParent(form.get());
  int clicks = 0;
  check->OnClick = [&](TObject*) { ++clicks; };
  check->SetAction(action);
  EXPECT_TRUE(check->Checked());
  EXPECT_EQ("Option", check->Caption());
  EXPECT_EQ("short|long", check->Hint());
  EXPECT_EQ(0, clicks);  // following the action is no click
  action->SetChecked(false);
  EXPECT_FALSE(check->Checked());
  action->SetEnabled(false);
  EXPECT_FALSE(check->Enabled());
  EXPECT_EQ(1, action->LinkCount());

  // The client goes first: the action forgets it.
  check->Free();
  EXPECT_EQ(0, action->LinkCount());
  action->SetCaption("after the client");

  // The action goes first: the client keeps its state and clicks run nothing.
  auto* button = new TButton(form.get());
  button->SetParent(form.get());
  button->SetAction(action);
  action->Free();
  EXPECT_EQ(nullptr, button->Action());
  EXPECT_EQ("after the client", button->Caption());
  button->Click();
}

TEST(EveryControl, MouseAndKeyEventsReachWindowedAndGraphicControls) {
  FormPtr form(new TForm(nullptr));
  form->SetBounds(0, 0, 300, 200);
  auto* panel = new TPanel(form.get());
  panel->SetParent(form.get());
  panel->SetBounds(0, 0, 300, 150);
  auto* shape = new TShape(form.get());
  shape->SetParent(panel);
  shape->SetBounds(50, 50, 40, 40);
  auto* edit = new TEdit(form.get());
  edit->SetParent(form.get());
  edit->SetBounds(0, 160, 100, 20);
  std::vector<std::string> log;
  shape->OnMouseEnter = [&](TObject*) { log.push_back("enter"); };
  shape->OnMouseLeave = [&](TObject*) { log.push_back("leave"); };
  shape->OnMouseDown = [&](TObject*, TMouseButton b, TSet32, int x, int y) {
    log.push_back(Format("down %d %d,%d", int(b), x, y));
  };
  shape->OnMouseMove = [&](TObject*, TSet32, int x, int y) { log.push_back(Format("move %d,%d", x, y)); };
  shape->OnMouseUp = [&](TObject*, TMouseButton b, TSet32, int, int) { log.push_back(Format("up %d", int(b))); };
  shape->OnDblClick = [&](TObject*) { log.push_back("dblclick"); };
  int panelEnters = 0, panelLeaves = 0;
  panel->OnMouseEnter = [&](TObject*) { ++panelEnters; };
  panel->OnMouseLeave = [&](TObject*) { ++panelLeaves; };
  form->Show();

  HWND p = panel->Handle();
  SendMessageA(p, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  SendMessageA(p, WM_MOUSEMOVE, 0, MAKELPARAM(60, 60));
  // Pressed on the shape, moved outside: the shape holds the mouse until the button comes up.
  SendMessageA(p, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(60, 60));
  EXPECT_TRUE(shape->MouseCapture());
  SendMessageA(p, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(200, 120));
  SendMessageA(p, WM_RBUTTONUP, 0, MAKELPARAM(200, 120));
  EXPECT_FALSE(shape->MouseCapture());
  SendMessageA(p, WM_MOUSEMOVE, 0, MAKELPARAM(55, 55));
  SendMessageA(p, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(55, 55));
  SendMessageA(p, WM_LBUTTONUP, 0, MAKELPARAM(55, 55));
  SendMessageA(p, WM_MOUSELEAVE, 0, 0);
  std::vector<std::string> expected{"enter", "move 10,10", "down 1 10,10", "leave",      "move 150,70", "up 1",
                                    "enter", "move 5,5",   "dblclick",     "down 0 5,5", "up 0",        "leave"};
  EXPECT_EQ(expected, log);
  EXPECT_EQ(1, panelEnters);
  EXPECT_EQ(1, panelLeaves);

  // Keys: down and up with the shift state, press with the character, each may be swallowed.
  std::vector<std::string> keys;
  edit->OnKeyDown = [&](TObject*, WORD& key, TSet32 shift) {
    keys.push_back(Format("down %d %s", key, shift & (1u << ssCtrl) ? "ctrl" : ""));
  };
  edit->OnKeyUp = [&](TObject*, WORD& key, TSet32) { keys.push_back(Format("up %d", key)); };
  edit->OnKeyPress = [&](TObject*, char& key) {
    keys.push_back(Format("press %c", key));
    if (key == 'x') key = 0;
    if (key == 'a') key = 'b';
  };
  {
    HeldKeys ctrl({VK_CONTROL});
    SendMessageA(edit->Handle(), WM_KEYDOWN, 'K', 0);
  }
  SendMessageA(edit->Handle(), WM_KEYUP, 'K', 0);
  SendMessageA(edit->Handle(), WM_CHAR, 'a', 0);
  SendMessageA(edit->Handle(), WM_CHAR, 'x', 0);
  std::vector<std::string> expectedKeys{"down 75 ctrl", "up 75", "press a", "press x"};
  EXPECT_EQ(expectedKeys, keys);
  EXPECT_EQ("b", edit->Text());
}

TEST(EveryControl, HintsSetTheApplicationHintAndPassOnShowHint) {
  FormPtr form(new TForm(nullptr));
  form->SetBounds(200, 200, 300, 200);
  auto* button = new TButton(form.get());
  button->SetParent(form.get());
  button->SetBounds(20, 20, 100, 40);
  button->SetHint("Save|Saves the mapping");
  button->SetShowHint(true);
  auto* quiet = new TShape(form.get());
  quiet->SetParent(form.get());
  quiet->SetBounds(150, 20, 40, 40);
  quiet->SetHint("Shape");
  std::vector<std::string> hints;
  Application().OnHint = [&](TObject*) { hints.push_back(Application().Hint()); };
  std::string shown;
  TControl* about = nullptr;
  Application().OnShowHint = [&](std::string& text, bool& canShow, THintInfo& info) {
    shown = text;
    about = info.HintControl;
    text = "[" + text + "]";
    canShow = true;
  };
  form->Show();

  SendMessageA(button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  SendMessageA(button->Handle(), WM_MOUSELEAVE, 0, 0);
  SendMessageA(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(160, 30));
  std::vector<std::string> expected{"Saves the mapping", "", "Shape"};
  EXPECT_EQ(expected, hints);

  // The tooltip asks for the text: the control's short hint, through OnShowHint.
  HWND tips = Application().HintWindow();
  ASSERT_NE(nullptr, tips);
  NMTTDISPINFOA info{};
  info.hdr.hwndFrom = tips;
  info.hdr.code = TTN_GETDISPINFOA;
  info.hdr.idFrom = reinterpret_cast<UINT_PTR>(static_cast<TControl*>(button));
  SendMessageA(button->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ("Save", shown);
  EXPECT_EQ(button, about);
  ASSERT_NE(nullptr, info.lpszText);
  EXPECT_STREQ("[Save]", info.lpszText);
  // A control without ShowHint has no tooltip; one that goes takes its tooltip along.
  info.hdr.idFrom = reinterpret_cast<UINT_PTR>(static_cast<TControl*>(quiet));
  shown.clear();
  SendMessageA(form->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ("", shown);
  // F1 asks for help with the nearest help context, through OnHelp.
  std::vector<intptr_t> helped;
  Application().OnHelp = [&](WORD command, intptr_t data, bool&) {
    if (command == HELP_CONTEXT) helped.push_back(data);
    return true;
  };
  form->SetHelpContext(40);
  HELPINFO help{};
  help.cbSize = sizeof help;
  SendMessageA(button->Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
  button->SetHelpContext(7);
  SendMessageA(button->Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
  EXPECT_EQ(std::vector<intptr_t>({40, 7}), helped);
  Application().OnHelp = nullptr;

  int tools = int(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0));
  button->Free();
  EXPECT_EQ(tools - 1, int(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0)));
  Application().OnHint = nullptr;
  Application().OnShowHint = nullptr;
}
