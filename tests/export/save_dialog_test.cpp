// The writer's own save dialog driven as a user would, overwrite prompt included, and the caller's window
// while the writer lets the message loop run.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>

#include "export_test_support.h"
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
