// The road of a lost bank: the real server fails to load a preset whose file moved, asks, starts the
// check in the real tools program, the user finds the file there, and the preset is served again.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "dialog_windows.h"
#include "peer_programs.h"
#include "played_server.h"
#include "program_process.h"
#include "pump_until.h"
#include "reg_array_2d.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "remote_list_view.h"
#include "scratch_folder.h"
#include "server_profile.h"
#include "sf2_builder.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "virtual_midi_bus.h"

using testsupport::TRemoteRow;

namespace {

const DWORD kWaitMs = 20000;

bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) {
  return testsupport::PumpUntil(done, timeoutMs);
}

uint32_t ProgramChange(int channel, int program) { return static_cast<uint32_t>(0xC0 | channel | program << 8); }

class ValidatorE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EndToolsPrograms()) << "a tools program from an earlier run does not end";
    testsupport::ResetTarnbelKey();
    Moved = Folder["moved"] + "\\demo.sf2";
    CreateDirectoryA(Folder["moved"].c_str(), nullptr);
    sf2test::Sf2Builder builder;
    builder.AddPresetWithSamples("Grand Piano", 0, 0, {3000});
    ASSERT_TRUE(builder.Write(Moved));
    {
      // Stored while the bank lay beside the folder it has since moved into.
      TMapping mapping("Demo", false, nullptr, "");
      mapping.AddItem(Folder["demo.sf2"], 0, true, 0, "Grand Piano", 0, 0, 0);
    }
    testsupport::StoreOneRouteProfile("Demo", true);
  }
  void TearDown() override {
    Server.Stop();
    testsupport::EndToolsPrograms();
    testsupport::ResetTarnbelKey();
  }

  std::string StoredFile() {
    TRegArray2D store(std::string(TarnbelKeyPath) + "\\mappings\\Demo", true);
    store.SaveOnDestroy = false;
    return store.KeyCount() == 1 ? store.GetKeyName(0) : std::string();
  }
  HWND Button(HWND dialog, const char* caption) { return testsupport::ChildWithCaption(dialog, caption, "TButton"); }

  testsupport::TScratchFolder Folder{"validator_e2e"};
  std::string Moved;
  e2e::TProgramProcess Server;
};

}  // namespace

TEST_F(ValidatorE2E, AMovedBankIsFoundThroughTheServersQuestionAndServedAgain) {
  ASSERT_TRUE(e2e::StartServerOnBus(Server));
  HWND monitor = nullptr;
  ASSERT_TRUE(Pump([&] {
    monitor = testsupport::FindTopWindowStartingWith(0, "tarnbel monitor");
    return monitor && IsWindowVisible(monitor);
  }));
  HWND list = testsupport::FindListViewWithColumns(monitor, 9);
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", kWaitMs));

  // The load fails: the server asks whether to fix it; Yes starts the check in the tools program.
  ASSERT_EQ(TVirtualMidiBus::Play("Keys", ProgramChange(0, 0)), TVirtualPlayResult::Played);
  HWND box = nullptr;
  ASSERT_TRUE(Pump([&] { return (box = testsupport::FindWindowOf(Server.ProcessId(), "#32770", "tarnbel")) != nullptr; }));
  EXPECT_TRUE(Pump([&] { return testsupport::BoxText(box).find("Do you want to fix this problem?") != std::string::npos; }));
  PostMessageA(box, WM_COMMAND, IDYES, 0);

  HWND dialog = nullptr;
  ASSERT_TRUE(Pump([&] { return (dialog = testsupport::VisibleWindow("Choose a location of the source file")) != nullptr; }));
  EXPECT_FALSE(IsWindowEnabled(monitor));
  // The tree starts on the folder the bank was in: a search from there finds it below.
  HWND find = Button(dialog, "Find");
  ASSERT_NE(find, nullptr);
  ASSERT_TRUE(Pump([&] { return IsWindowEnabled(find) != FALSE; }));
  PostMessageA(find, BM_CLICK, 0, 0);
  ASSERT_TRUE(Pump([&] { return testsupport::WindowTitle(find) == "Next"; }));
  HWND ok = Button(dialog, "OK");
  ASSERT_TRUE(Pump([&] { return IsWindowEnabled(ok) != FALSE; }));
  PostMessageA(ok, BM_CLICK, 0, 0);
  ASSERT_TRUE(Pump([&] { return testsupport::VisibleWindow("Choose a location of the source file") == nullptr; }));

  EXPECT_TRUE(Pump([&] { return lstrcmpiA(StoredFile().c_str(), Moved.c_str()) == 0; })) << StoredFile();
  EXPECT_TRUE(Pump([&] { return IsWindowEnabled(monitor) != FALSE; }));
  // Told of the change, the server loads the preset from where it lies now; the monitor shows the cache
  // when it asks for it, as on being shown.
  DWORD last = GetTickCount() - 1000;
  std::vector<TRemoteRow> rows;
  EXPECT_TRUE(Pump([&] {
    rows = testsupport::ReadRemoteListView(list, 9);
    for (const TRemoteRow& row : rows)
      if (row.Texts.size() == 9 && row.Texts[4] == "Grand Piano" && lstrcmpiA(row.Texts[6].c_str(), Moved.c_str()) == 0)
        return true;
    if (GetTickCount() - last >= 1000) {
      TVirtualMidiBus::Play("Keys", ProgramChange(1, 0));
      PostMessageA(FindWindowA(nullptr, SERVER_WINDOW_TITLE), WM_TB_GET_CACHE_INFO, 0, 0);
      last = GetTickCount();
    }
    return false;
  })) << rows.size();
}
