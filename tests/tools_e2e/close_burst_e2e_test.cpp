// Closes asked for in a burst, as an impatient user or another program posts them, to the windows of the
// real tools program: each window closes once and asks its question once, and the program goes on or
// ends cleanly.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "dialog_windows.h"
#include "peer_programs.h"
#include "program_process.h"
#include "pump_until.h"
#include "reg_export.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "remote_list_view.h"
#include "scratch_folder.h"
#include "sf2_builder.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"

namespace {

const DWORD kWaitMs = 20000;
const int kBurst = 5;
const std::string DemoKey = std::string(TarnbelKeyPath) + "\\mappings\\Demo";

bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) {
  return testsupport::PumpUntil(done, timeoutMs);
}

bool Answers(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &result) != 0;
}

class CloseBurstE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EndToolsPrograms()) << "a tools program from an earlier run does not end";
    testsupport::ResetTarnbelKey();
    const std::string bank = Folder["demo.sf2"];
    sf2test::Sf2Builder demo;
    demo.AddPresetWithSamples("Grand Piano", 0, 0, {2000});
    demo.AddPresetWithSamples("Soft Piano", 0, 1, {2000});
    demo.AddPresetWithSamples("Bright Piano", 0, 2, {2000});
    ASSERT_TRUE(demo.Write(bank));
    // Slot 0:0 is held by one preset and wanted by a second (a conflict); slot 0:1 has one.
    TMapping mapping("Demo", false, nullptr, "");
    mapping.AddItem(bank, 0, true, 0, "Grand Piano", 0, 0, 0);
    mapping.AddItem(bank, 0, false, 0, "Soft Piano", 1, 0, 0);
    mapping.AddItem(bank, 0, true, 0, "Bright Piano", 2, 0, 1);
  }
  void TearDown() override {
    Tools.Stop();
    testsupport::EndToolsPrograms();
    testsupport::ResetTarnbelKey();
  }

  HWND WaitVisible(const std::string& title) {
    HWND found = nullptr;
    Pump([&] {
      found = testsupport::FindWindowOf(Tools.ProcessId(), "", title);
      return found && IsWindowVisible(found) && IsWindowEnabled(found);
    });
    return found;
  }
  static int RowOf(HWND list, const std::string& preset) {
    std::vector<testsupport::TRemoteRow> rows = testsupport::ReadRemoteListView(list, 1);
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i].Texts[0].find(preset) != std::string::npos) return int(i);
    return -1;
  }
  std::vector<HWND> Questions() {
    std::vector<HWND> boxes;
    for (HWND window : testsupport::TopLevelWindowsOf(Tools.ProcessId()))
      if (testsupport::WindowClass(window) == "#32770" && testsupport::WindowTitle(window) == "Confirmation" &&
          IsWindowVisible(window))
        boxes.push_back(window);
    return boxes;
  }
  // The closes, then a new selection mark (another of its rows) for the list: the mark is there only once
  // the program has taken every close from its queue, as a thread's posted messages come in their order.
  static int BurstOfCloses(HWND window, HWND list) {
    const int mark = SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0) == 0 ? 1 : 0;
    for (int i = 0; i < kBurst; ++i) PostMessageA(window, WM_CLOSE, 0, 0);
    PostMessageA(list, LVM_SETSELECTIONMARK, 0, mark);
    return mark;
  }
  // The editor's one question after a burst: there, with every close taken, and answered.
  void AnswerTheOneQuestion(HWND editor, int answer) {
    HWND files = testsupport::ListViewsLeftToRight(editor)[1];
    const int mark = BurstOfCloses(editor, files);
    ASSERT_TRUE(Pump([&] { return Questions().size() == 1; }));
    HWND box = Questions()[0];
    EXPECT_NE(std::string::npos, testsupport::BoxText(box).find("There are conflicts in mapping Demo."))
        << testsupport::BoxText(box);
    ASSERT_TRUE(Pump([&] { return SendMessageA(files, LVM_GETSELECTIONMARK, 0, 0) == mark; }));
    EXPECT_EQ(Questions().size(), 1u) << "asked again";
    PostMessageA(box, WM_COMMAND, WPARAM(answer), 0);
  }

  testsupport::TScratchFolder Folder{"close_burst_e2e"};
  e2e::TProgramProcess Tools;
};

}  // namespace

TEST_F(CloseBurstE2E, EachWindowClosesOnceAndTheProgramGoesOnOrEndsCleanly) {
  struct TCase {
    const char* Params;
    UINT Show;  // posted to the tools window; 0: none
    // Buttons clicked on the way: the window that holds each and its caption.
    std::vector<std::pair<const char*, const char*>> Clicks;
    const char* Window;  // gets the closes
    const char* Stays;   // answers afterwards; null: the program ends
  };
  const TCase cases[] = {
      {"/EDITOR Demo", 0, {}, "tarnbel editor - Demo", nullptr},
      {"", WM_TB_SHOW_MANAGER, {}, "tarnbel manager", "tarnbel monitor"},
      {"-", WM_TB_SHOW_PREFERENCES, {}, "tarnbel preferences", nullptr},
      {"", WM_TB_SHOW_PREFERENCES, {{"tarnbel preferences", "Routes..."}}, "tarnbel routes", "tarnbel preferences"},
      {"-",
       WM_TB_SHOW_PREFERENCES,
       {{"tarnbel preferences", "Routes..."}, {"tarnbel routes", "Memory..."}},
       "select sf devices sharing the same memory:",
       "tarnbel routes"},
      {"", WM_TB_SHOW_ABOUT, {}, "about tarnbel", "tarnbel monitor"},
      {"", 0, {}, "tarnbel monitor", nullptr},
  };
  // The editor's question on conflicts is the next case's.
  TRegKey(TarnbelKeyPath, true).WriteBool("ConflictsConfirmation", false);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Window);
    ASSERT_TRUE(Tools.Start("tb_tools.exe", c.Params));
    if (c.Show) {
      HWND launcher = nullptr;
      ASSERT_TRUE(Pump([&] {
        return (launcher = testsupport::FindWindowOf(Tools.ProcessId(), "", TOOLS_WINDOW_TITLE)) != nullptr;
      }));
      PostMessageA(launcher, c.Show, 0, 0);
    }
    for (const auto& click : c.Clicks) {
      HWND holder = WaitVisible(click.first);
      ASSERT_NE(holder, nullptr) << click.first;
      PostMessageA(testsupport::ChildWithCaption(holder, click.second), BM_CLICK, 0, 0);
    }
    HWND window = WaitVisible(c.Window);
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < kBurst; ++i) PostMessageA(window, WM_CLOSE, 0, 0);
    if (!c.Stays) {
      DWORD code = 99;
      ASSERT_TRUE(Tools.WaitExit(kWaitMs, code));
      EXPECT_EQ(code, 0u);
      continue;
    }
    EXPECT_TRUE(Pump([&] { return !IsWindow(window); })) << "freed";
    HWND stays = testsupport::FindWindowOf(Tools.ProcessId(), "", c.Stays);
    EXPECT_TRUE(stays && Answers(stays) && IsWindowVisible(stays));
    EXPECT_TRUE(Tools.Running());
    Tools.Stop();
  }
}

// With conflicts the editor asks before it closes; with an unsaved edit the answer decides what is stored.
TEST_F(CloseBurstE2E, TheEditorAsksOnceAndStoresOnlyWhatTheUserConfirmed) {
  ASSERT_TRUE(Tools.Start("tb_tools.exe", "/EDITOR Demo"));
  HWND editor = WaitVisible("tarnbel editor - Demo");
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(Pump([&] { return testsupport::ListViewsLeftToRight(editor).size() == 2; }));
  HWND files = testsupport::ListViewsLeftToRight(editor)[1];

  // "Bright Piano" detached and not saved.
  int row = -1;
  ASSERT_TRUE(Pump([&] { return (row = RowOf(files, "Bright Piano")) >= 0; }));
  ASSERT_TRUE(testsupport::PostClickOnRemoteRow(files, row));
  ASSERT_TRUE(Pump([&] { return testsupport::ReadRemoteListView(files, 1)[size_t(row)].Selected; }));
  PostMessageA(files, WM_KEYDOWN, VK_DELETE, 1);
  ASSERT_TRUE(Pump([&] { return Questions().size() == 1; }));
  PostMessageA(Questions()[0], WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(Pump([&] { return RowOf(files, "Bright Piano") < 0 && IsWindowEnabled(editor); }));
  const std::string stored = testsupport::ExportRegistryKey("HKCU\\" + DemoKey);

  // No: the window stays, and so does the stored mapping.
  AnswerTheOneQuestion(editor, IDNO);
  ASSERT_TRUE(Pump([&] { return Questions().empty(); }));
  EXPECT_TRUE(Answers(editor));
  EXPECT_TRUE(IsWindowVisible(editor));
  EXPECT_EQ(stored, testsupport::ExportRegistryKey("HKCU\\" + DemoKey));

  // Yes: the edit is stored once and the program, with nothing else open, ends.
  AnswerTheOneQuestion(editor, IDYES);
  DWORD code = 99;
  ASSERT_TRUE(Tools.WaitExit(kWaitMs, code));
  EXPECT_EQ(code, 0u);
  TMapping saved("Demo", false, nullptr, "");
  saved.SaveOnDestroy = false;
  EXPECT_FALSE(saved.SlotFilled(0, 1));
  EXPECT_TRUE(saved.SlotFilled(0, 0));
  EXPECT_EQ(saved.Inactive.size(), 1u);
}
