// The mappings manager of the real tools program, started with the real server: two mappings fill the same
// slot, and the card follows the order and the active flags the user sets there, and holds still while
// "Apply changes instantly" is off.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cached_preset_record.h"
#include "dialog_windows.h"
#include "ipc.h"
#include "peer_programs.h"
#include "played_server.h"
#include "program_process.h"
#include "protocol_payloads.h"
#include "pump_until.h"
#include "recording_window.h"
#include "reg_export.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "remote_list_view.h"
#include "remote_menu.h"
#include "scratch_folder.h"
#include "server_profile.h"
#include "sf2_builder.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "virtual_midi_bus.h"

namespace {

const DWORD kWaitMs = 20000;
const char* const kListener = "tarnbel manager e2e listener";
const int kProgram = 5;
// The Order toolbar's buttons: "Apply changes instantly", a separator, active, up, down.
const int kImmediateButton = 0, kUpButton = 3;
// The Combos toolbar's: the box's place, a separator, save, delete.
const int kSaveComboButton = 2;
// The list's pop-up menu, counted from 1: edit, copy, rename, delete, new, import, apply, export, check, ...
const int kCopyItem = 2, kDeleteItem = 4, kCheckItem = 9;
// The Tools toolbar's: new, import, a separator, edit, copy, rename, delete, ...
const int kEditButton = 3, kDeleteButton = 6;

bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) {
  return testsupport::PumpUntil(done, timeoutMs);
}

class ManagerE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EndToolsPrograms()) << "a tools program from an earlier run does not end";
    testsupport::ResetTarnbelKey();
    StoreBank("Strings", "Strings Lead");
    StoreBank("Pads", "Warm Pads");
    testsupport::StoreOneRouteProfile("Strings", false);
    TRegKey(MappingPath("Strings"), true).WriteInteger("Priority", 2);
    TRegKey(MappingPath("Pads"), true).WriteInteger("Priority", 1);
    TRegKey(MappingPath("Pads"), true).WriteBool("Active", true);
    TRegKey(TarnbelKeyPath, true).WriteBool("ShowControlPanel", true);
  }
  void TearDown() override {
    Server.Stop();
    testsupport::EndToolsPrograms();
    testsupport::ResetTarnbelKey();
  }

  static std::string MappingPath(const std::string& name) { return std::string(TarnbelKeyPath) + "\\mappings\\" + name; }
  // A bank of its own with one preset, mapped by the mapping of that name to bank 0, program 5.
  void StoreBank(const std::string& mapping, const std::string& preset) {
    const std::string file = Folder[mapping + ".sf2"];
    sf2test::Sf2Builder bank;
    bank.AddPresetWithSamples(preset, 0, kProgram, {2000});
    ASSERT_TRUE(bank.Write(file));
    TMapping stored(mapping, false, nullptr, "");
    stored.AddItem(file, 0, true, 0, preset, kProgram, 0, kProgram);
  }

  // The preset the card holds for channel 0 as the server's cache list tells it; empty when none.
  std::string Held() {
    size_t from = Listener.Received.size();
    DWORD_PTR result = 0;
    HWND server = FindWindowA(SERVER_WINDOW_CLASS, SERVER_WINDOW_TITLE);
    if (!SendMessageTimeoutA(server, WM_TB_SEND_CACHE_LIST_TO, IPCWriteStringPayload(kListener), 0, SMTO_NORMAL, 5000,
                             &result))
      return "";
    const testsupport::TRecordedMessage* list = nullptr;
    testsupport::PumpUntil([&] {
      for (size_t i = from; i < Listener.Received.size() && !list; ++i)
        if (Listener.Received[i].Id == WM_TB_CACHE_LIST) list = &Listener.Received[i];
      return list != nullptr;
    }, 1500);
    if (!list) return "";
    for (const CachedPresetRecord& r : DecodeCachedPresetRecords(list->Payload.data(), list->Payload.size()))
      if (r.Channel == 0 && r.Bank == 0 && r.Program == kProgram && !r.Removing)
        return std::string(reinterpret_cast<const char*>(r.PresetName + 1), r.PresetName[0]);
    return "";
  }
  bool CardHolds(const std::string& preset, DWORD timeoutMs = kWaitMs) {
    return Pump([&] { return Held() == preset; }, timeoutMs);
  }
  bool StoredActive(const std::string& name) { return TRegKey(MappingPath(name), true).ReadBool("Active", true); }

  // A click on a toolbar's button, once its action lets it.
  bool ClickButton(HWND bar, int index) {
    RECT rect{};
    int command = 0;
    if (!testsupport::ReadRemoteToolButton(bar, index, rect, command)) return false;
    if (!Pump([&] { return SendMessageA(bar, TB_ISBUTTONENABLED, WPARAM(command), 0) != 0; })) return false;
    LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    PostMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(bar, WM_LBUTTONUP, 0, at);
    return true;
  }
  bool ClickOrderButton(int index) { return ClickButton(OrderBar, index); }
  // A right click on the row, then the pop-up menu's item chosen by the keyboard.
  bool PopupCommand(int row, int item) {
    const int height = int(SendMessageA(List, LB_GETITEMHEIGHT, 0, 0));
    return testsupport::RunRemotePopupItem(ToolsPid, List, POINT{60, row * height + height / 2}, item);
  }
  // Types the text into the prompt of that caption and presses its OK.
  bool AnswerPrompt(const std::string& caption, const wchar_t* text) {
    HWND prompt = nullptr;
    if (!Pump([&] { return (prompt = testsupport::VisibleWindow(caption)) != nullptr; })) return false;
    HWND edit = testsupport::FindChildOfClass(prompt, "TEdit");
    if (!edit) return false;
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    PostMessageA(testsupport::ChildWithCaption(prompt, "OK", "TButton"), BM_CLICK, 0, 0);
    return true;
  }
  int RowOf(const std::string& name) {
    const int count = int(SendMessageA(List, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
      if (Row(row) == name) return row;
    return -1;
  }
  // Answers the box of that caption, whose text holds the words, with the button.
  bool AnswerBox(const std::string& caption, const std::string& words, int button) {
    HWND box = nullptr;
    if (!Pump([&] { return (box = testsupport::FindWindowOf(ToolsPid, "#32770", caption)) != nullptr; })) return false;
    EXPECT_NE(std::string::npos, testsupport::BoxText(box).find(words)) << testsupport::BoxText(box);
    PostMessageA(box, WM_COMMAND, WPARAM(button), 0);
    return Pump([&] { return !IsWindow(box); });
  }
  // Finds the manager of the tools program the server started, and its list.
  void FindManager(HWND& manager) {
    ASSERT_TRUE(Pump([&] {
      manager = FindWindowA(nullptr, "tarnbel manager");
      return manager && IsWindowVisible(manager);
    })) << "ShowControlPanel did not bring the manager up";
    GetWindowThreadProcessId(manager, &ToolsPid);
    List = testsupport::FindChildOfClass(manager, "TCheckListBox");
    OrderBar = testsupport::ChildWithCaption(manager, "Order");
    ASSERT_NE(List, nullptr);
  }
  // A row's text, by the list's own message (the system carries the text across processes; its wide form
  // comes back whole under Wine).
  std::string Row(int row) {
    wchar_t wide[256] = {0};
    LRESULT length = SendMessageW(List, LB_GETTEXTLEN, WPARAM(row), 0);
    if (length < 0 || length >= 256) return "";
    SendMessageW(List, LB_GETTEXT, WPARAM(row), reinterpret_cast<LPARAM>(wide));
    char text[512] = {0};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
  }
  // Selects the row as the program's own list does, then Space switches its check.
  void SpaceOn(int row) {
    SendMessageA(List, LB_SETCURSEL, WPARAM(row), 0);
    PostMessageA(List, WM_CHAR, ' ', 0);
  }

  testsupport::TScratchFolder Folder{"manager_e2e"};
  testsupport::TRecordingWindow Listener{kListener};
  e2e::TProgramProcess Server;
  HWND List = nullptr;
  HWND OrderBar = nullptr;
  DWORD ToolsPid = 0;
};

}  // namespace

TEST_F(ManagerE2E, TheCardFollowsTheOrderAndTheActiveFlagsSetInTheManager) {
  ASSERT_TRUE(e2e::StartServerOnBus(Server));
  HWND manager = nullptr;
  FindManager(manager);
  const DWORD pid = ToolsPid;
  EXPECT_NE(pid, Server.ProcessId());
  ASSERT_NE(OrderBar, nullptr);
  // The server keeps a mapping of its own below the two.
  ASSERT_EQ("Strings", Row(0));
  ASSERT_EQ("Pads", Row(1));
  ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", kWaitMs));

  // The top mapping wins the slot.
  ASSERT_EQ(TVirtualMidiBus::Play("Keys", uint32_t(0xC0 | kProgram << 8)), TVirtualPlayResult::Played);
  ASSERT_TRUE(CardHolds("Strings Lead")) << Held();

  // Pads moved up by the Order toolbar's button: now it wins.
  SendMessageA(List, LB_SETCURSEL, 1, 0);
  ASSERT_TRUE(ClickOrderButton(kUpButton));
  EXPECT_TRUE(Pump([&] { return Row(0) == "Pads"; })) << Row(0);
  EXPECT_GT(TRegKey(MappingPath("Pads"), true).ReadInteger("Priority", 0),
            TRegKey(MappingPath("Strings"), true).ReadInteger("Priority", 0));
  EXPECT_TRUE(CardHolds("Warm Pads")) << Held();

  // Space on Pads: off, the slot falls back to Strings; on again, Pads.
  SpaceOn(0);
  EXPECT_TRUE(CardHolds("Strings Lead")) << Held();
  SpaceOn(0);
  EXPECT_TRUE(CardHolds("Warm Pads")) << Held();

  // Changes stored but not applied while "Apply changes instantly" is off; switched on, they are.
  ASSERT_TRUE(ClickOrderButton(kImmediateButton));
  EXPECT_TRUE(Pump([&] { return !TRegKey(TarnbelKeyPath, true).ReadBool("ImmediateChanges", true); }));
  SpaceOn(0);
  EXPECT_TRUE(Pump([&] { return !StoredActive("Pads"); }));
  EXPECT_FALSE(CardHolds("Strings Lead", 1500)) << "a change was applied while applying is off";
  EXPECT_EQ("Warm Pads", Held());
  ASSERT_TRUE(ClickOrderButton(kImmediateButton));
  EXPECT_TRUE(CardHolds("Strings Lead")) << Held();

  // The figure: from Space to the card's new preset, over 50 switches.
  std::vector<double> ms;
  for (int i = 0; i < 50; ++i) {
    const std::string next = i % 2 == 0 ? "Warm Pads" : "Strings Lead";
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    SpaceOn(0);
    ASSERT_TRUE(CardHolds(next)) << "switch " << i << ": " << Held();
    QueryPerformanceCounter(&end);
    ms.push_back(double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));
  }
  std::sort(ms.begin(), ms.end());
  std::printf("[figure] Space in the manager to the card's new preset, over 50: p50 %.0f ms, p99 %.0f ms\n",
              ms[ms.size() / 2], ms[ms.size() * 99 / 100]);

  // Renamed by F2 and the prompt, Pads keeps its place and serves the card under its new name.
  ASSERT_EQ("Pads", Row(0));
  EXPECT_EQ("Strings Lead", Held());
  SendMessageA(List, LB_SETCURSEL, 0, 0);
  PostMessageA(List, WM_KEYDOWN, VK_F2, 0);
  PostMessageA(List, WM_KEYUP, VK_F2, 0);
  ASSERT_TRUE(AnswerPrompt("Rename mapping", L"Soft Pads"));
  EXPECT_TRUE(Pump([&] { return Row(0) == "Soft Pads"; })) << Row(0);
  EXPECT_FALSE(testsupport::KeyExists(MappingPath("Pads")));
  EXPECT_TRUE(testsupport::KeyExists(MappingPath("Soft Pads")));
  SpaceOn(0);
  EXPECT_TRUE(CardHolds("Warm Pads")) << Held();

  // The order kept as a combo, changed, and the combo chosen in its box: the first order comes back, and the
  // card with it.
  HWND combos = testsupport::ChildWithCaption(manager, "Combos");
  ASSERT_NE(combos, nullptr);
  ASSERT_TRUE(ClickButton(combos, kSaveComboButton));
  ASSERT_TRUE(AnswerPrompt("Save combo", L"Live"));
  EXPECT_TRUE(Pump([&] { return testsupport::KeyExists(std::string(TarnbelKeyPath) + "\\combos\\Live"); }));
  SendMessageA(List, LB_SETCURSEL, 1, 0);
  ASSERT_TRUE(ClickButton(OrderBar, kUpButton));
  EXPECT_TRUE(Pump([&] { return Row(0) == "Strings"; })) << Row(0);
  EXPECT_TRUE(CardHolds("Strings Lead")) << Held();
  HWND box = testsupport::FindChildOfClass(manager, "TComboBox");
  ASSERT_NE(box, nullptr);
  SendMessageA(box, CB_SETCURSEL, 0, 0);
  PostMessageA(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE), LPARAM(box));
  HWND question = nullptr;
  ASSERT_TRUE(Pump([&] { return (question = testsupport::FindWindowOf(pid, "#32770", "Confirmation")) != nullptr; }));
  EXPECT_NE(std::string::npos, testsupport::BoxText(question).find("Current combo was changed."));
  PostMessageA(question, WM_COMMAND, IDNO, 0);
  EXPECT_TRUE(Pump([&] { return Row(0) == "Soft Pads"; })) << Row(0);
  EXPECT_GT(TRegKey(MappingPath("Soft Pads"), true).ReadInteger("Priority", 0),
            TRegKey(MappingPath("Strings"), true).ReadInteger("Priority", 0));
  EXPECT_TRUE(CardHolds("Warm Pads")) << Held();

  // Copied and deleted from the list's pop-up menu: the prompt and the question found by their captions.
  ASSERT_TRUE(PopupCommand(1, kCopyItem));
  ASSERT_TRUE(AnswerPrompt("Copy mapping", L"Strings 2"));
  EXPECT_TRUE(Pump([&] { return testsupport::KeyExists(MappingPath("Strings 2")); }));
  int copy = -1;
  ASSERT_TRUE(Pump([&] {
    for (int row = 0; row < 4 && copy < 0; ++row)
      if (Row(row) == "Strings 2") copy = row;
    return copy >= 0;
  }));
  ASSERT_TRUE(PopupCommand(copy, kDeleteItem));
  HWND sure = nullptr;
  ASSERT_TRUE(Pump([&] { return (sure = testsupport::FindWindowOf(pid, "#32770", "Confirmation")) != nullptr; }));
  EXPECT_NE(std::string::npos, testsupport::BoxText(sure).find("Really want to delete mapping \"Strings 2\" ?"));
  PostMessageA(sure, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(Pump([&] { return !testsupport::KeyExists(MappingPath("Strings 2")); }));
  EXPECT_TRUE(Pump([&] { return SendMessageA(List, LB_GETCOUNT, 0, 0) == 3; }));
  EXPECT_EQ("Warm Pads", Held());

  // Closed, the manager leaves nothing behind in the tools program.
  PostMessageA(manager, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Pump([&] { return !IsWindow(manager); }));
}

// The manager deletes or renames the mapping the editor has open, with and without an unsaved edit: once
// the editor is closed, nothing is stored under the old name.
TEST_F(ManagerE2E, AMappingDeletedOrRenamedWhileTheEditorHasItOpenDoesNotComeBack) {
  struct TCase {
    const char* Victim;
    bool Rename, Edited;  // edited: a preset detached and not saved
  };
  const TCase cases[] = {{"V1", false, false}, {"V2", false, true}, {"V3", true, false}, {"V4", true, true}};
  for (const TCase& c : cases) StoreBank(c.Victim, "Lost Lead");
  ASSERT_TRUE(e2e::StartServerOnBus(Server));
  HWND manager = nullptr;
  FindManager(manager);
  HWND tools = testsupport::ChildWithCaption(manager, "Tools");
  ASSERT_NE(tools, nullptr);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Victim);
    const std::string renamed = std::string(c.Victim) + " renamed";
    int row = -1;
    ASSERT_TRUE(Pump([&] { return (row = RowOf(c.Victim)) >= 0; }));
    SendMessageA(List, LB_SETCURSEL, WPARAM(row), 0);
    ASSERT_TRUE(ClickButton(tools, kEditButton));
    HWND editor = nullptr;
    ASSERT_TRUE(Pump([&] {
      editor = testsupport::FindTopWindowStartingWith(ToolsPid, std::string("tarnbel editor - ") + c.Victim);
      return editor && IsWindowEnabled(editor) && testsupport::ListViewsLeftToRight(editor).size() == 2;
    }));
    if (c.Edited) {
      HWND files = testsupport::ListViewsLeftToRight(editor)[1];
      auto selected = [&] {
        std::vector<testsupport::TRemoteRow> rows = testsupport::ReadRemoteListView(files, 1);
        return rows.size() == 2 && rows[1].Selected;  // the entry, below its group's header
      };
      ASSERT_TRUE(testsupport::PostClickOnRemoteRow(files, 1));
      ASSERT_TRUE(Pump(selected));
      PostMessageA(files, WM_KEYDOWN, VK_DELETE, 1);
      ASSERT_TRUE(AnswerBox("Confirmation", "Really detach 1 preset ?", IDOK));
      // Detached, and the editor's job is over (its window is enabled again).
      ASSERT_TRUE(Pump([&] { return testsupport::ReadRemoteListView(files, 1).size() < 2 && IsWindowEnabled(editor); }));
    }
    if (c.Rename) {
      SendMessageA(List, LB_SETCURSEL, WPARAM(row), 0);
      PostMessageA(List, WM_KEYDOWN, VK_F2, 0);
      ASSERT_TRUE(AnswerPrompt("Rename mapping", std::wstring(renamed.begin(), renamed.end()).c_str()));
    } else {
      SendMessageA(List, LB_SETCURSEL, WPARAM(row), 0);
      ASSERT_TRUE(ClickButton(tools, kDeleteButton));
      ASSERT_TRUE(AnswerBox("Confirmation", "Really want to delete mapping", IDOK));
      if (c.Edited) {
        ASSERT_TRUE(AnswerBox("Confirmation", "Leave it anyway ?", IDYES));
      }
    }
    ASSERT_TRUE(Pump([&] { return RowOf(c.Victim) < 0; }));
    // The user closes whatever editor is left; an edit it still holds is left unsaved.
    HWND open = testsupport::FindTopWindowStartingWith(ToolsPid, "tarnbel editor - ");
    if (open && IsWindowVisible(open)) PostMessageA(open, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Pump([&] {
      if (HWND box = testsupport::FindWindowOf(ToolsPid, "#32770", "Confirmation")) PostMessageA(box, WM_COMMAND, IDYES, 0);
      return !open || !IsWindow(open);
    }));
    EXPECT_TRUE(testsupport::ExportRegistryKey("HKCU\\" + MappingPath(c.Victim)).empty()) << "stored again";
    // Nor does the next editor open it again.
    EXPECT_EQ(c.Rename ? renamed : "default", TRegKey(TarnbelKeyPath, true).ReadString("CurrentEditorMapping", ""));
    // A rename takes the edit along.
    if (c.Rename) {
      EXPECT_EQ(c.Edited ? 0 : 1, TRegKey(MappingPath(renamed), true).ReadInteger("Count", -1));
    }
  }
}

// The check of every mapping, from the manager, while the editor has one of them open: the check's result
// box is the manager's and leaves it the keyboard; the editor lets go of its mapping for the check and opens
// it again after, so that its next save keeps the check's redirect of a moved bank.
TEST_F(ManagerE2E, TheCheckFromTheManagerKeepsItsRedirectAndGivesTheKeyboardBack) {
  StoreBank("Tim", "Tim Bells");
  const std::string moved = Folder["moved"] + "\\Tim.sf2";
  ASSERT_TRUE(e2e::StartServerOnBus(Server));
  HWND manager = nullptr;
  FindManager(manager);
  int row = -1;
  ASSERT_TRUE(Pump([&] { return (row = RowOf("Tim")) >= 0; }));
  SendMessageA(List, LB_SETCURSEL, WPARAM(row), 0);
  ASSERT_TRUE(ClickButton(testsupport::ChildWithCaption(manager, "Tools"), kEditButton));
  HWND editor = nullptr;
  ASSERT_TRUE(Pump([&] { return (editor = testsupport::FindTopWindowStartingWith(ToolsPid, "tarnbel editor - Tim")); }));
  // The system's export of the mapping: UTF-16 text, backslashes doubled.
  auto exports = [&](const std::string& path) {
    std::string text;
    for (char c : path) text += c == '\\' ? std::string{'\\', '\0', '\\', '\0'} : std::string{c, '\0'};
    return testsupport::ExportRegistryKey("HKCU\\" + MappingPath("Tim")).find(text) != std::string::npos;
  };

  // A click gives the manager's list the keyboard; the check asked for there ends with it there again.
  GUITHREADINFO input{};
  input.cbSize = sizeof input;
  const DWORD thread = GetWindowThreadProcessId(manager, nullptr);
  auto keyboardInList = [&] {
    return GetGUIThreadInfo(thread, &input) && input.hwndActive == manager && input.hwndFocus == List;
  };
  const int height = int(SendMessageA(List, LB_GETITEMHEIGHT, 0, 0));
  PostMessageA(List, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, row * height + height / 2));
  PostMessageA(List, WM_LBUTTONUP, 0, MAKELPARAM(60, row * height + height / 2));
  ASSERT_TRUE(Pump(keyboardInList));
  ASSERT_TRUE(PopupCommand(row, kCheckItem));
  HWND box = nullptr;
  ASSERT_TRUE(Pump([&] { return (box = testsupport::FindWindowOf(ToolsPid, "#32770", "tarnbel integrity checker")); }));
  EXPECT_EQ(GetWindow(box, GW_OWNER), manager) << testsupport::WindowTitle(GetWindow(box, GW_OWNER));
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(Pump(keyboardInList)) << testsupport::WindowTitle(input.hwndActive);

  // The bank moves; the check's search from its old folder finds it below, and OK redirects the mapping.
  CreateDirectoryA(Folder["moved"].c_str(), nullptr);
  ASSERT_TRUE(MoveFileA(Folder["Tim.sf2"].c_str(), moved.c_str()));
  ASSERT_TRUE(PopupCommand(row, kCheckItem));
  HWND dialog = nullptr;
  ASSERT_TRUE(Pump([&] { return (dialog = testsupport::VisibleWindow("Choose a location of the source file")); }));
  for (const char* button : {"Find", "OK"}) {
    HWND b = testsupport::ChildWithCaption(dialog, button, "TButton");
    ASSERT_TRUE(Pump([&] { return IsWindowEnabled(b) != FALSE; }));
    PostMessageA(b, BM_CLICK, 0, 0);
  }
  ASSERT_TRUE(Pump([&] { return exports(moved); }));

  // The editor's edit and save: its own check has nothing to ask, and the redirect stays.
  ASSERT_TRUE(testsupport::RunRemoteMenuItem(ToolsPid, editor, 'm', 12));
  ASSERT_TRUE(AnswerPrompt("Set default melodic bank number", L"5"));
  ASSERT_TRUE(testsupport::RunRemoteMenuItem(ToolsPid, editor, 'f', 3));
  EXPECT_TRUE(Pump([&] { return TRegKey(MappingPath("Tim"), true).ReadInteger("DefaultMelodicBank", 0) == 5; }))
      << "the save asks about the old place again";
  EXPECT_TRUE(exports(moved));
  EXPECT_FALSE(exports(Folder["Tim.sf2"]));
}
