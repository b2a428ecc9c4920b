// The save dialogs driven as a user would: the writer's own, overwrite prompt included, and the caller's
// window while the writer lets the message loop run; the mapping's text file typed or picked.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>

#include "export_dialogs.h"
#include "export_test_support.h"
#include "input_events.h"
#include "peer_programs.h"
#include "scratch_folder.h"
#include "form.h"
#include "message_box_recorder.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "saver_test_support.h"
#include "sf2_builder.h"
#include "sf2_checker.h"
#include "standin_support.h"
#include "tarnbel_func.h"
#include "tarnbel_sf2_saver.h"
#include "timer.h"

using exporttest::WaitForDialog;

using testsupport::StandinConfig;

TEST(SoundFontSaveDialog, DrivenWithAnOverwritePromptWhileTheCallerWaitsDisabled) {
  testsupport::ResetTarnbelKey();
  testsupport::TempFolder folder;
  StandinConfig config("");
  testsupport::MessageBoxRecorder boxes;
  sf2test::Sf2Builder source;
  source.AddPresetWithSamples("Piano", 0, 0, {4000});
  const std::string bank = folder.File("bank.sf2"), out = folder.File("existing.sf2");
  ASSERT_TRUE(source.Write(bank));
  testsupport::WriteBytes(out, "the old file");
  std::vector<CachedPresetRecord> records = {savertest::Record("Piano", 0, 0, bank, 0, 0)};

  std::unique_ptr<ui::TForm, ui::TFreeDeleter> caller(new ui::TForm(nullptr));
  caller->Show();
  // While the writer's progress window exists, the caller stays disabled and a second save is refused.
  int ticks = 0, enabledTicks = 0, nestedAsked = 0;
  std::unique_ptr<ui::TTimer, ui::TFreeDeleter> watch(new ui::TTimer(nullptr));
  watch->SetInterval(5);
  watch->OnTimer = [&](ui::TObject*) {
    if (!FindWindowA("TProgressForm", nullptr)) return;
    ++ticks;
    if (IsWindowEnabled(caller->Handle())) ++enabledTicks;
    savertest::FileDialogAnswer nested(folder.File("nested.sf2"));
    SavePresetsAsSoundFont(caller.get(), records.data(), 1, "");
    nestedAsked += nested.Asked;
  };

  const DWORD gui = GetCurrentThreadId();
  std::atomic<bool> typed{false}, confirmed{false};
  std::thread user([&] {
    HWND dialog = WaitForDialog(gui, true);
    if (!dialog) return;
    SetDlgItemTextA(dialog, 0x47C, out.c_str());
    typed = true;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
    HWND prompt = WaitForDialog(gui, false);
    if (!prompt) {
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    confirmed = true;
    PostMessageA(prompt, WM_COMMAND, IDYES, 0);
  });
  SavePresetsAsSoundFont(caller.get(), records.data(), 1, "suggested.sf2");
  user.join();
  watch.reset();

  ASSERT_TRUE(typed);
  EXPECT_TRUE(confirmed) << "the existing file was not asked about";
  EXPECT_EQ(boxes.Boxes.size(), 0u);
  sf2check::SoundFont sf = sf2check::CheckFile(out);
  for (const std::string& e : sf.Errors) ADD_FAILURE() << e;
  ASSERT_EQ(sf.Presets.size(), 1u);
  EXPECT_EQ(sf.Info["INAM"], "existing");
  EXPECT_EQ(TRegKey(TarnbelKeyPath, false).ReadString("LastSaverFolder", ""), folder.Path() + "\\");
  EXPECT_GT(ticks, 0);
  EXPECT_EQ(enabledTicks, 0);
  EXPECT_EQ(nestedAsked, 0);
  EXPECT_TRUE(IsWindowEnabled(caller->Handle()));
  testsupport::ResetTarnbelKey();
}

namespace {

// After the user's OK: the question the dialog asks, or null once the dialog closed without one.
HWND QuestionOrClose(DWORD gui, HWND dialog) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(10)) {
    if (!IsWindow(dialog)) return nullptr;
    if (HWND box = testsupport::FindDialog(gui, false)) return box;
  }
  return nullptr;
}

// The name field's text replaced by typing, as a user would.
bool TypeFileName(HWND dialog, const std::string& name) {
  testsupport::SendKeyTap(VK_END);
  testsupport::SendKey(VK_SHIFT, true);
  testsupport::SendKeyTap(VK_HOME);
  testsupport::SendKey(VK_SHIFT, false);
  testsupport::SendText(name);
  for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(10))
    if (testsupport::WindowTitle(GetDlgItem(dialog, 0x47C)) == name) return true;
  return false;
}

}  // namespace

// The mapping's text file offered under its own name: that file is replaced unasked; any other existing
// file the user types is asked about first (a picked one too, as before), and No keeps the dialog open.
TEST(MappingSaveDialog, AnotherExistingFileIsAskedAboutHoweverItIsChosen) {
  testsupport::TScratchFolder folder("save_typed");
  struct Case {
    const char* What;
    std::string Typed;  // empty: the proposal kept
    int Answer;  // to the question; 0: none expected
    const char* Replaced;
  };
  const Case cases[] = {
      {"proposal kept", "", 0, "Orchestra.txt"},
      {"proposal typed in capitals", "ORCHESTRA.TXT", 0, "Orchestra.txt"},
      {"other file typed", "other.txt", IDYES, "other.txt"},
      {"other file typed without extension, No", "other", IDNO, ""},
      {"other file typed with its folder", folder["other.txt"], IDYES, "other.txt"},
      {"new file typed", "new.txt", 0, "new.txt"},
  };
  for (const Case& c : cases) {
    testsupport::ResetTarnbelKey();
    TRegKey(TarnbelKeyPath, true).WriteString("DialogMappingPath", folder.Path());
    for (const char* file : {"Orchestra.txt", "other.txt"}) testsupport::WriteBytes(folder[file], "old");
    DeleteFileA(folder["new.txt"].c_str());
    const DWORD gui = GetCurrentThreadId();
    std::atomic<int> asked{0};
    std::atomic<bool> chosen{false}, keptOpen{false};
    std::thread user([&] {
      HWND dialog = WaitForDialog(gui, true);
      if (!dialog) return;
      chosen = c.Typed.empty() || TypeFileName(dialog, c.Typed);
      testsupport::SendKeyTap(VK_RETURN);
      while (HWND box = QuestionOrClose(gui, dialog)) {
        if (++asked > 1) break;
        PostMessageA(box, WM_COMMAND, c.Answer ? c.Answer : IDNO, 0);
        for (DWORD start = GetTickCount(); IsWindow(box) && GetTickCount() - start < 5000;) Sleep(10);
      }
      if (IsWindow(dialog)) {
        keptOpen = IsWindowVisible(dialog) != FALSE;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      }
    });
    const bool saved = SaveMappingFileDialog(nullptr, *exporttest::Orchestra(), true);
    user.join();
    ASSERT_TRUE(chosen) << c.What;
    EXPECT_EQ(asked, c.Answer ? 1 : 0) << c.What;
    EXPECT_EQ(saved, c.Answer != IDNO) << c.What;
    EXPECT_EQ(keptOpen, c.Answer == IDNO) << c.What;
    for (const char* file : {"Orchestra.txt", "other.txt", "new.txt"}) {
      const bool replaced = std::string(file) == c.Replaced;
      const std::string bytes = testsupport::ReadBytes(folder[file]);
      EXPECT_EQ(bytes != "old" && !bytes.empty(), replaced) << c.What << ": " << file;
    }
  }
  testsupport::ResetTarnbelKey();
}
