// The dialogs in front of the exports as a user meets them: the folder prompt of each manual export and
// the system's save dialog for the mapping's text file.
#include "export_dialogs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "choose_directory.h"
#include "export_test_support.h"
#include "message_box_recorder.h"
#include "modal_driver.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "scratch_folder.h"
#include "standin_support.h"
#include "tarnbel_func.h"

using namespace exporttest;
using testsupport::TModalDriver;

namespace {

TOKRightDlg* Picker() { return Shown<TOKRightDlg>(); }

// Once the picker shows the start folder: its caption is taken, the folder chosen and the key pressed.
std::vector<TModalDriver::TStep> Pick(const std::string& start, const std::string& choice, WORD key,
                                      std::string& caption) {
  return {[&caption, start, choice] {
            if (!Picker() || lstrcmpiA(Picker()->Label1->Caption().c_str(), start.c_str()) != 0) return false;
            caption = Picker()->Caption();
            Picker()->KitSystemTreeView1->SetSelection(choice);
            return true;
          },
          [choice, key] {
            if (lstrcmpiA(Picker()->Label1->Caption().c_str(), choice.c_str()) != 0) return false;
            testsupport::PostKey(Picker()->KitSystemTreeView1->Handle(), key);
            return true;
          }};
}

std::string Stored(const std::string& value) { return TRegKey(TarnbelKeyPath, false).ReadString(value, "?"); }

}  // namespace

// Each manual export asks with its own title, remembers the folder in its own value and exports there; a
// cancelled prompt exports nothing and keeps the value.
TEST(ExportDialogs, EachPromptStoresItsFolderAndExportsOnlyOnOk) {
  struct Case {
    bool (*Dialog)(ui::TComponent*, const TMapping&);
    const char *Title, *Value, *File;
  };
  const std::vector<Case> cases = {
      {&ExportCubaseDev12Dialog, "Choose directory for Cubase .dev files:", "DialogCubasePath",
       "tarnbel\\Orchestra\\m000-011.dev"},
      {&ExportCubaseDevSeparateDialog, "Choose directory for Cubase .dev files:", "DialogCubasePath",
       "tarnbel\\Orchestra\\drums.dev"},
      {&ExportCakewalkInsDialog, "Choose directory for Cakewalk .ins files:", "DialogCakewalkPath",
       "tarnbel\\Orchestra\\drums.ins"},
      {&ExportMassivaMxpDialog, "Choose directory for Massiva .mxp files:", "DialogMassivaPath",
       "tarnbel\\Orchestra\\drumsets.mxp"},
      {&ExportEncoreIniDialog, "Choose directory for Encore .ini files:", "DialogEncorePath",
       "tarnbel\\Orchestra\\drumsets.ini"},
      {&ExportEvolutionPlsDialog, "Choose directory for Evolution .pls files:", "DialogEvolutionPath",
       "tarnbel\\Orchestra\\drums.pls"},
      {&ExportQuartzSetDialog, "Choose directory for Quartz .set files:", "DialogQuartzPath",
       "sets\\Orchestra_drums.set"},
  };
  auto mapping = Orchestra();
  for (const Case& c : cases) {
    testsupport::ResetTarnbelKey();
    testsupport::TScratchFolder folder("dialogs");
    const std::string start = folder["start"], chosen = folder["chosen"];
    CreateDirectoryA(start.c_str(), nullptr);
    CreateDirectoryA(chosen.c_str(), nullptr);
    TRegKey(TarnbelKeyPath, true).WriteString(c.Value, start);
    std::string caption;
    bool cancelled, exported;
    {
      TModalDriver driver(nullptr, Pick(start, chosen, VK_ESCAPE, caption));
      cancelled = c.Dialog(nullptr, *mapping);
      ASSERT_TRUE(driver.AllDone()) << c.Title;
    }
    EXPECT_EQ(Stored(c.Value), start);
    EXPECT_EQ(caption, c.Title);
    {
      TModalDriver driver(nullptr, Pick(start, chosen, VK_RETURN, caption));
      exported = c.Dialog(nullptr, *mapping);
      ASSERT_TRUE(driver.AllDone()) << c.Title;
    }
    EXPECT_FALSE(cancelled);
    EXPECT_TRUE(exported) << c.Title;
    EXPECT_EQ(lstrcmpiA(Stored(c.Value).c_str(), chosen.c_str()), 0) << Stored(c.Value);
    EXPECT_TRUE(FileExistsNotDir(folder["chosen\\" + std::string(c.File)])) << c.File;
    EXPECT_TRUE(FilesBelow(start).empty());
  }
}

// The real save dialog: with overwriteSilently the proposed file is replaced unasked, and a file picked in
// its list is asked about; without it, the proposed file is asked about too.
TEST(ExportDialogs, TheSaveDialogAsksBeforeReplacingAFileOnlyWhenItShould) {
  struct Case {
    bool Silently, PickOther;
    int Prompts;
    const char* Replaced;
  };
  for (const Case c : {Case{true, false, 0, "Orchestra.txt"}, Case{true, true, 1, "other.txt"},
                       Case{false, false, 1, "Orchestra.txt"}}) {
    testsupport::ResetTarnbelKey();
    testsupport::TScratchFolder folder("save");
    TRegKey(TarnbelKeyPath, true).WriteString("DialogMappingPath", folder.Path());
    for (const char* file : {"Orchestra.txt", "other.txt"}) testsupport::WriteBytes(folder[file], "old");
    const DWORD gui = GetCurrentThreadId();
    std::atomic<int> prompts{0};
    std::atomic<bool> picked{false};
    std::thread user([&] {
      HWND dialog = WaitForDialog(gui, true);
      if (!dialog) return;
      if (c.PickOther) picked = PickInList(dialog, "other.txt");
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
      // Without a question the dialog closes: its window is gone before the wait is over.
      if (HWND prompt = WaitForDialog(gui, false, 2000)) {
        ++prompts;
        PostMessageA(prompt, WM_COMMAND, IDYES, 0);
      }
    });
    bool saved = SaveMappingFileDialog(nullptr, *Orchestra(), c.Silently);
    user.join();
    EXPECT_TRUE(saved);
    EXPECT_EQ(picked, c.PickOther);
    EXPECT_EQ(prompts, c.Prompts) << c.Silently << c.PickOther;
    for (const char* file : {"Orchestra.txt", "other.txt"})
      EXPECT_EQ(testsupport::ReadBytes(folder[file]) != "old", std::string(file) == c.Replaced) << file;
    EXPECT_EQ(Stored("DialogMappingPath"), folder.Path() + "\\");
  }
}
