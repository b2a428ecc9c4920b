// The manager's list: the order read from the stored priorities and sent to the server byte for byte,
// moves and checks by real input, the active flags and messages of each change, and when the changes are
// applied.
#include <algorithm>

#include "manager_fixture.h"
#include "registry_test_support.h"
#include "send_input.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"

using namespace ui;
using namespace managertest;
using testsupport::OnScreen;

namespace {

const std::string Mappings = "Software\\tarnbel\\mappings\\";

POINT ButtonCentre(TToolButton* button) {
  return OnScreen(button->Parent()->Handle(), button->Left() + button->Width() / 2, button->Top() + button->Height() / 2);
}

TToolButton* ButtonOf(TToolBar* bar, TAction* action) {
  for (int i = 0; i < bar->ButtonCount(); ++i)
    if (bar->Buttons(i)->Action() == action) return bar->Buttons(i);
  return nullptr;
}

POINT RowPoint(TCheckListBox* list, int row, bool box) {
  RECT r = list->ItemRect(row);
  return OnScreen(list->Handle(), box ? r.left + 6 : (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

}  // namespace

TEST_F(ManagerFixture, OrderComesFromStoredPrioritiesAndGoesOutNumberedFromTheBottom) {
  struct TStored {
    const char* Name;
    DWORD Type;
    std::vector<uint8_t> Priority;  // empty: no value
  };
  auto dword = [](uint32_t v) { return std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; };
  struct TCase {
    const char* What;
    std::vector<TStored> Stored;
    std::vector<std::string> Rows;
  };
  const TCase cases[] = {
      {"three", {{"A", REG_DWORD, dword(3)}, {"B", REG_DWORD, dword(2)}, {"C", REG_DWORD, dword(1)}}, {"A", "B", "C"}},
      {"missing sorts to the bottom", {{"A", REG_DWORD, dword(1)}, {"B", REG_DWORD, {}}}, {"A", "B"}},
      {"negative sorts above every positive", {{"A", REG_DWORD, dword(9)}, {"B", REG_DWORD, dword(uint32_t(-1))}},
       {"B", "A"}},
      {"damaged reads as 0", {{"A", REG_DWORD, dword(1)}, {"B", REG_SZ, {'a', 'b', 'c', 'd', 'e', 0}}}, {"A", "B"}},
      {"a short value of another type reads as 0", {{"A", REG_DWORD, dword(1)}, {"B", REG_BINARY, {7}}}, {"A", "B"}},
      {"a short decimal text reads as its number", {{"A", REG_DWORD, dword(1)}, {"B", REG_SZ, {'7', 0}}}, {"B", "A"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    ResetRegistry();
    for (const TStored& s : c.Stored) {
      StoreMapping(s.Name, NoPriority, true);
      if (!s.Priority.empty())
        testsupport::WriteRaw(Mappings + s.Name, "Priority", s.Type, s.Priority.data(), DWORD(s.Priority.size()));
    }
    size_t from = Mark();
    Open();
    EXPECT_EQ(c.Rows, Rows());
    std::string order;
    const int n = int(c.Rows.size());
    for (int i = n - 1; i >= 0; --i) {
      order += c.Rows[size_t(i)] + '\x01' + std::to_string(n - i) + '\x01';
      EXPECT_EQ(n - i, StoredPriority(c.Rows[size_t(i)]));
      EXPECT_EQ(REG_DWORD, testsupport::ReadRaw(Mappings + c.Rows[size_t(i)], "Priority").type);
    }
    EXPECT_EQ(std::vector<std::string>{order}, Payloads(WM_TB_MAPPING_ORDER, from));
    FreeManager();
  }
}

TEST_F(ManagerFixture, MovesAndChecksByRealInput) {
  testsupport::CursorKeeper cursor;
  using V = std::vector<std::string>;
  struct TCase {
    const char* What;
    int Selected;
    std::function<void(TMappingsManagerForm*)> Gesture;
    V Rows;
    std::vector<bool> Checks;
  };
  auto upButton = [](TMappingsManagerForm* m) {
    testsupport::MouseClick(ButtonCentre(ButtonOf(m->OrderToolBar, m->MappingUpAction)), &ManagerFixture::LoopStep);
  };
  auto downButton = [](TMappingsManagerForm* m) {
    testsupport::MouseClick(ButtonCentre(ButtonOf(m->OrderToolBar, m->MappingDownAction)), &ManagerFixture::LoopStep);
  };
  auto drag = [](int from, int to) {
    return [from, to](TMappingsManagerForm* m) {
      testsupport::MouseDrag(RowPoint(m->CheckListBox1, from, false), RowPoint(m->CheckListBox1, to, false),
                             &ManagerFixture::LoopStep);
    };
  };
  // From the combo box (which Ctrl+arrows would switch): a press on a row, moved less than the drag threshold
  // (no drag begins), gives the list the keyboard.
  auto pressThen = [](int row, int moved, WORD modifier, WORD key) {
    return [=](TMappingsManagerForm* m) {
      m->ComboBox1->SetFocus();
      POINT p = RowPoint(m->CheckListBox1, row, false);
      ASSERT_TRUE(testsupport::MouseTo(p, &ManagerFixture::LoopStep) &&
                  testsupport::MouseButton(MOUSEEVENTF_LEFTDOWN, &ManagerFixture::LoopStep) &&
                  testsupport::MouseTo(POINT{p.x + moved, p.y + moved}, &ManagerFixture::LoopStep));
      EXPECT_EQ(-1, DragIndex);
      ASSERT_TRUE(testsupport::MouseButton(MOUSEEVENTF_LEFTUP, &ManagerFixture::LoopStep));
      ASSERT_TRUE(modifier ? Keys({modifier}, key) : Keys({}, key));
    };
  };
  const std::vector<bool> all = {true, true, true, true};
  const TCase cases[] = {
      {"click, Ctrl+Up", 0, pressThen(2, 0, VK_CONTROL, VK_UP), {"A", "C", "B", "D"}, all},
      {"click, Space", 0, pressThen(1, 0, 0, VK_SPACE), {"A", "B", "C", "D"}, {true, false, true, true}},
      {"nudged press, Shift+Down", 0, pressThen(1, 2, VK_SHIFT, VK_DOWN), {"A", "C", "B", "D"}, all},
      {"Up button", 1, upButton, {"B", "A", "C", "D"}, all},
      {"Up button on the top row", 0, upButton, {"A", "B", "C", "D"}, all},
      {"Down button on the bottom row", 3, downButton, {"A", "B", "C", "D"}, all},
      {"Down button", 2, downButton, {"A", "B", "D", "C"}, all},
      {"Ctrl+Down", 0, [](TMappingsManagerForm*) { Keys({VK_CONTROL}, VK_DOWN); },
       {"B", "A", "C", "D"}, all},
      {"Shift+Up", 2, [](TMappingsManagerForm*) { Keys({VK_SHIFT}, VK_UP); }, {"A", "C", "B", "D"},
       all},
      {"Down alone only selects", 0, [](TMappingsManagerForm*) { Keys({}, VK_DOWN); },
       {"A", "B", "C", "D"}, all},
      {"drag the last row onto the first", 0, drag(3, 0), {"D", "A", "B", "C"}, all},
      {"drag a row onto itself", 1, drag(2, 2), {"A", "B", "C", "D"}, all},
      {"Space", 1, [](TMappingsManagerForm*) { Keys({}, VK_SPACE); }, {"A", "B", "C", "D"},
       {true, false, true, true}},
      {"click on another row's box", 0,
       [](TMappingsManagerForm* m) { testsupport::MouseClick(RowPoint(m->CheckListBox1, 2, true), &ManagerFixture::LoopStep); },
       {"A", "B", "C", "D"}, {true, true, false, true}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    ResetRegistry();
    for (const char* name : {"A", "B", "C", "D"}) StoreMapping(name, 'E' - name[0], true);
    TMappingsManagerForm* m = Open();
    SetForegroundWindow(m->Handle());
    m->CheckListBox1->SetFocus();
    m->CheckListBox1->SetItemIndex(c.Selected);
    m->ActionList1->UpdateActions();
    RunUntil([] { return false; }, 50);
    size_t from = Mark();
    c.Gesture(m);
    RunUntil([] { return false; }, 50);
    EXPECT_EQ(c.Rows, Rows());
    EXPECT_EQ(c.Checks, Checks());
    for (size_t i = 0; i < c.Rows.size(); ++i) {
      EXPECT_EQ(int(c.Rows.size() - i), StoredPriority(c.Rows[i]));
      EXPECT_EQ(bool(c.Checks[i]), StoredActive(c.Rows[i]));
    }
    bool moved = c.Rows != V{"A", "B", "C", "D"};
    EXPECT_EQ(moved ? 1u : 0u, ServerCount(WM_TB_MAPPING_ORDER, from));
    EXPECT_EQ(-1, DragIndex);
    FreeManager();
  }
}

TEST_F(ManagerFixture, EveryShortcutReachesItsCommand) {
  StoreMapping("A", 2, true);
  StoreMapping("B", 1, true);
  TRegKey("Software\\tarnbel\\combos\\Live", true).WriteInteger("Count", 0);
  TMappingsManagerForm* m = Open();
  int fileDialogs = 0;
  auto oldFiles = SetFileDialogHandler([&](TFileDialogRequest&) {
    ++fileDialogs;
    return false;
  });
  struct TCase {
    std::vector<WORD> Modifiers;
    WORD Key;
    const char* Prompt;  // the caption of the prompt it asks, else null
    const char* Box;     // the caption of the box it shows, else null
    int FileDialogs;
  };
  const TCase cases[] = {
      {{VK_CONTROL}, 'N', "New mapping", nullptr, 0},          {{VK_CONTROL}, VK_F3, nullptr, nullptr, 1},
      {{VK_CONTROL}, 'C', "Copy mapping", nullptr, 0},         {{}, VK_F2, "Rename mapping", nullptr, 0},
      {{VK_CONTROL}, VK_F2, nullptr, nullptr, 1},               {{VK_CONTROL}, 'L', "Create Logic patch list", nullptr, 0},
      {{VK_CONTROL}, 'S', "Save combo", nullptr, 0},           {{VK_CONTROL}, 'D', nullptr, "Confirmation", 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Prompt ? c.Prompt : c.Box ? c.Box : "file dialog");
    SetForegroundWindow(m->Handle());
    m->CheckListBox1->SetFocus();
    m->CheckListBox1->SetItemIndex(1);
    m->ComboBox1->SetItemIndex(0);
    m->ActionList1->UpdateActions();
    Queries.clear();
    Boxes.clear();
    BoxAnswers = {IDCANCEL};
    fileDialogs = 0;
    if (c.Modifiers.empty()) Keys({}, c.Key);
    else Keys({VK_CONTROL}, c.Key);
    RunUntil([] { return false; }, 50);
    ASSERT_EQ(c.Prompt ? 1u : 0u, Queries.size());
    EXPECT_EQ(c.Prompt ? c.Prompt : "", Queries.empty() ? "" : Queries[0].Caption);
    ASSERT_EQ(c.Box ? 1u : 0u, Boxes.size());
    EXPECT_EQ(c.Box ? c.Box : "", Boxes.empty() ? "" : Boxes[0].Caption);
    EXPECT_EQ(c.FileDialogs, fileDialogs);
    EXPECT_EQ((std::vector<std::string>{"A", "B"}), Rows());
  }
  // Ctrl+E hands the selected row to the editor; Ctrl+A switches applying off and on.
  Keys({VK_CONTROL}, 'E');
  EXPECT_EQ(std::vector<std::string>{"B"}, TestLauncher->Edited);
  size_t from = Mark();
  Keys({VK_CONTROL}, 'A');
  EXPECT_FALSE(m->ImmediateChangesAction->Checked());
  Keys({VK_CONTROL}, 'A');
  EXPECT_TRUE(m->ImmediateChangesAction->Checked());
  SyncServer();
  std::vector<LPARAM> flags;
  for (size_t i = from; i < Server->Received.size(); ++i)
    if (Server->Received[i].Id == WM_TB_SET_IMMEDIATE_CHANGES) flags.push_back(Server->Received[i].LParam);
  EXPECT_EQ((std::vector<LPARAM>{0, 1}), flags);
  SetFileDialogHandler(oldFiles);
}

TEST_F(ManagerFixture, EachChangeStoresActiveSendsItsIdAndIsAppliedOnlyWhileApplyingIsOn) {
  StoreMapping("A", 2, true);
  StoreMapping("B", 1, true);
  TMappingsManagerForm* m = Open();
  RunUntil([] { return false; }, 50);

  // On: each change is applied at once.
  size_t from = Mark();
  m->CheckListBox1->SetItemIndex(0);
  m->MappingActiveAction->Execute();
  EXPECT_FALSE(StoredActive("A"));
  EXPECT_EQ(std::vector<std::string>{"A"}, Payloads(WM_TB_MAPPING_DEACTIVATE, from));
  EXPECT_EQ(1u, ServerCount(WM_TB_MAPPINGS_APPLY, from));
  EXPECT_TRUE(m->ComboModified);

  // Off: written and sent, not applied.
  m->ImmediateChangesAction->Execute();
  EXPECT_FALSE(TRegKey("Software\\tarnbel", true).ReadBool("ImmediateChanges", true));
  from = Mark();
  m->MappingActiveAction->Execute();
  m->CheckListBox1->SetItemIndex(1);
  m->MappingUpAction->Execute();
  EXPECT_TRUE(StoredActive("A"));
  EXPECT_EQ((std::vector<std::string>{"B", "A"}), Rows());
  EXPECT_EQ(2, StoredPriority("B"));
  EXPECT_EQ(std::vector<std::string>{"A"}, Payloads(WM_TB_MAPPING_ACTIVATE, from));
  EXPECT_EQ(std::vector<std::string>{std::string("A\x01" "1\x01" "B\x01" "2\x01")}, Payloads(WM_TB_MAPPING_ORDER, from));
  EXPECT_EQ(0u, ServerCount(WM_TB_MAPPINGS_APPLY, from));

  // On again: what waited is applied once.
  from = Mark();
  m->ImmediateChangesAction->Execute();
  EXPECT_EQ(1u, ServerCount(WM_TB_MAPPINGS_APPLY, from));
  EXPECT_TRUE(m->ImmediateChangesAction->Checked());
  from = Mark();
  m->ImmediateChangesAction->Execute();
  m->ImmediateChangesAction->Execute();
  EXPECT_EQ(0u, ServerCount(WM_TB_MAPPINGS_APPLY, from)) << "nothing waited";

  // Freeing the window with applying off leaves the waiting change for later.
  m->ImmediateChangesAction->Execute();
  m->MappingDownAction->Execute();
  from = Mark();
  FreeManager();
  EXPECT_EQ(0u, ServerCount(WM_TB_MAPPINGS_APPLY, from));
}
