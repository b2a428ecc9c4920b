// The source browser's road, with the real tb_tools.exe and tarnbel.exe, the stand-in card and the virtual
// MIDI bus: the editor opens on the SoundFont its tree last showed, "Set bank in file..." moves its presets
// to bank 3, they are attached and saved, and the server plays them from the rewritten file; the editor's
// preferences put waves at bank 5, which a new start attaches there and the server plays.
// Another process's menu cannot be read under Wine, and modifier keys cannot be posted to it: the commands
// go through the menus by their letters and the tracked menu's keys.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "peer_programs.h"
#include "played_server.h"
#include "program_process.h"
#include "pump_until.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "remote_list_view.h"
#include "remote_menu.h"
#include "server_profile.h"
#include "sf2_builder.h"
#include "standin_support.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "virtual_midi_bus.h"

using testsupport::TRemoteRow;

namespace {

const DWORD kWaitMs = 20000;
const std::string MappingKey = std::string(TarnbelKeyPath) + "\\mappings\\E2E";

bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) { return testsupport::PumpUntil(done, timeoutMs); }

uint32_t BankSelect(int channel, int bank) { return static_cast<uint32_t>(0xB0 | channel | bank << 16); }
uint32_t ProgramChange(int channel, int program) { return static_cast<uint32_t>(0xC0 | channel | program << 8); }

std::vector<std::string> SortedCaptions(HWND list) {
  std::vector<std::string> captions;
  for (const TRemoteRow& row : testsupport::ReadRemoteListView(list, 1))
    if (!row.Texts[0].empty() && row.Texts[0][0] != ' ') captions.push_back(row.Texts[0]);
  std::sort(captions.begin(), captions.end());
  return captions;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM data) {
  reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  return TRUE;
}

// The window's children of a class, left to right.
std::vector<HWND> ChildrenByX(HWND top, const std::string& className) {
  std::vector<HWND> all, found;
  EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&all));
  for (HWND w : all)
    if (testsupport::WindowClass(w) == className) found.push_back(w);
  std::sort(found.begin(), found.end(), [](HWND a, HWND b) {
    RECT ra, rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  return found;
}

class BrowserE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EndToolsPrograms()) << "a tools program from an earlier run does not end";
    testsupport::ResetTarnbelKey();
    Bank = Folder.File("bank.sf2");
    Waves = Folder.File("waves");
    sf2test::Sf2Builder builder;
    builder.AddPresetWithSamples("Grand Piano", 0, 0, {3000});
    builder.AddPresetWithSamples("Warm Pad", 0, 3, {4000});
    ASSERT_TRUE(builder.Write(Bank));
    CreateDirectoryA(Waves.c_str(), nullptr);
    for (const char* wave : {"ah.wav", "oh.wav"})
      ASSERT_TRUE(testsupport::WriteWaveFile(Waves + "\\" + wave, 1, 1, 16, 1500));
    // "E2E" holds a bell of another file already.
    const std::string other = Folder.File("other.sf2");
    sf2test::Sf2Builder bell;
    bell.AddPresetWithSamples("Bell", 0, 9, {1000});
    ASSERT_TRUE(bell.Write(other));
    {
      TMapping mapping("E2E", false, nullptr, "");
      mapping.AddItem(other, 0, true, 0, "Bell", 9, 0, 9);
    }
    testsupport::StoreOneRouteProfile("E2E", false);
    SelectInTree(Bank);
  }
  void TearDown() override {
    Tools.Stop();
    Server.Stop();
    testsupport::EndToolsPrograms();
    testsupport::ResetTarnbelKey();
  }

  // The tree's selection as the last session left it.
  static void SelectInTree(const std::string& path) {
    TRegKey placement(std::string(TarnbelKeyPath) + "\\placement\\mapping", true);
    placement.WriteString("FormVersion", "5");
    placement.WriteString("SystemTreeView_Selection", path);
  }
  void StartServer() {
    ASSERT_TRUE(e2e::StartServerOnBus(Server));
    ASSERT_TRUE(Pump([] { return FindWindowA(nullptr, SERVER_WINDOW_TITLE) != nullptr; }));
    ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", kWaitMs));
  }
  void OpenEditor() {
    ASSERT_TRUE(Tools.Start("tb_tools.exe", "-EDITOR E2E"));
    ASSERT_TRUE(Pump([&] {
      Editor = testsupport::FindTopWindowStartingWith(Tools.ProcessId(), "tarnbel editor - E2E");
      return Editor && IsWindowVisible(Editor);
    }));
    std::vector<HWND> lists = ChildrenByX(Editor, "TListView");
    std::vector<HWND> trees = ChildrenByX(Editor, "TKitSystemTreeView");
    ASSERT_EQ(lists.size(), 2u);
    ASSERT_EQ(trees.size(), 1u);
    Presets = lists[0];
    Attached = lists[1];
    Tree = trees[0];
    // The monitor beside it shows the server's cache.
    PostMessageA(FindWindowA(nullptr, TOOLS_WINDOW_TITLE), WM_TB_SHOW_MONITOR, 0, 0);
  }
  // With the tree focused (the items' enabling follows the focus), runs the menu's item, counted from the
  // top without separators, disabled ones too.
  void RunMenuItem(char letter, int item) {
    ASSERT_TRUE(testsupport::PostClickOnRemoteTreeSelection(Tree));
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(Editor, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &ignored);
    ASSERT_TRUE(testsupport::RunRemoteMenuItem(Tools.ProcessId(), Editor, letter, item));
  }
  HWND ToolsWindow(const std::string& title) {
    HWND window = nullptr;
    Pump([&] { return (window = testsupport::FindWindowOf(Tools.ProcessId(), "", title)) != nullptr && IsWindowVisible(window); });
    return window;
  }
  std::vector<TRemoteRow> CachedRows() {
    HWND monitor = testsupport::FindTopWindowStartingWith(Tools.ProcessId(), "tarnbel monitor");
    HWND list = monitor ? testsupport::FindListViewWithColumns(monitor, 9) : nullptr;
    return list ? testsupport::ReadRemoteListView(list, 9) : std::vector<TRemoteRow>{};
  }
  // Plays the messages again each second until a cached row satisfies the test: the saved mapping reaches
  // the server's routes in their own time.
  const TRemoteRow* PlayUntilCached(const std::vector<uint32_t>& messages, const std::function<bool(const TRemoteRow&)>& match) {
    static TRemoteRow found;
    DWORD last = GetTickCount() - 1000;
    bool ok = Pump([&] {
      for (const TRemoteRow& row : CachedRows())
        if (row.Texts.size() == 9 && match(row)) {
          found = row;
          return true;
        }
      if (GetTickCount() - last >= 1000) {
        for (uint32_t m : messages) TVirtualMidiBus::Play("Keys", m);
        // The monitor shows the cache when it asks for it.
        PostMessageA(FindWindowA(nullptr, SERVER_WINDOW_TITLE), WM_TB_GET_CACHE_INFO, 0, 0);
        last = GetTickCount();
      }
      return false;
    });
    return ok ? &found : nullptr;
  }
  static int StoredEntries() {
    testsupport::RawValue count = testsupport::ReadRaw(MappingKey, "Count");
    return count.found && count.data.size() == 4 ? int(count.data[0]) : -1;
  }

  testsupport::TempFolder Folder;
  std::string Bank, Waves;
  e2e::TProgramProcess Server, Tools;
  HWND Editor = nullptr, Presets = nullptr, Attached = nullptr, Tree = nullptr;
};

}  // namespace

TEST_F(BrowserE2E, ABankSetInTheFileIsAttachedSavedAndPlayedAndWavesGoToThePreferredBank) {
  StartServer();
  OpenEditor();
  ASSERT_TRUE(Pump([&] {
    return SortedCaptions(Presets) == std::vector<std::string>{"000: 000: Grand Piano", "000: 003: Warm Pad"};
  })) << testsupport::ReadRemoteListView(Presets, 1).size();

  // "&Files", seventh item: "Set bank in file...", answered with 3 and Enter.
  RunMenuItem('f', 7);
  HWND query = ToolsWindow("Change bank in file");
  ASSERT_NE(query, nullptr);
  HWND edit = testsupport::FindChildOfClass(query, "TEdit");
  ASSERT_NE(edit, nullptr);
  SetWindowTextA(edit, "3");
  PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
  ASSERT_TRUE(Pump([&] {
    return SortedCaptions(Presets) == std::vector<std::string>{"003: 000: Grand Piano", "003: 003: Warm Pad"};
  }));

  // "&Mapping", second item: "Attach all from selected location"; then "&Files", third: "Save mapping".
  RunMenuItem('m', 2);
  ASSERT_TRUE(Pump([&] {
    return SortedCaptions(Attached) ==
           std::vector<std::string>{"000: 009: Bell", "003: 000: Grand Piano", "003: 003: Warm Pad"};
  }));
  RunMenuItem('f', 3);
  ASSERT_TRUE(Pump([] { return StoredEntries() == 2; })) << StoredEntries();

  // The server reloads the mapping and plays bank 3, program 0 from the rewritten file.
  const TRemoteRow* piano = PlayUntilCached({BankSelect(0, 3), ProgramChange(0, 0)}, [](const TRemoteRow& row) {
    return row.Texts[4] == "Grand Piano";
  });
  ASSERT_NE(piano, nullptr);
  EXPECT_EQ(piano->Texts[2], "3");
  EXPECT_EQ(piano->Texts[3], "0");
  EXPECT_EQ(piano->Texts[5], "E2E");
  EXPECT_EQ(piano->Texts[6], Bank);
  EXPECT_EQ(piano->Texts[7], "3");

  // "&Options", second item: "Editor preferences..."; the wave bank typed, Escape closes.
  RunMenuItem('o', 2);
  HWND preferences = ToolsWindow("Mappings editor preferences");
  ASSERT_NE(preferences, nullptr);
  HWND spin = testsupport::FindChildOfClass(preferences, "TKitSpinEdit");
  ASSERT_NE(spin, nullptr);
  SetWindowTextA(spin, "5");
  ASSERT_TRUE(Pump([] { return TRegKey(TarnbelKeyPath, false).ReadInteger("DefaultWaveBank", -1) == 5; }));
  PostMessageA(spin, WM_KEYDOWN, VK_ESCAPE, 1);
  ASSERT_TRUE(Pump([&] { return !IsWindow(preferences) || !IsWindowVisible(preferences); }));

  // A new start on the wave folder: its waves attach from bank 5 on, and one plays.
  PostMessageA(Editor, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Pump([&] { return !IsWindow(Editor) || !IsWindowVisible(Editor); }));
  ASSERT_TRUE(testsupport::EndToolsPrograms());
  Tools.Stop();
  SelectInTree(Waves);
  OpenEditor();
  ASSERT_TRUE(Pump([&] { return SortedCaptions(Presets) == std::vector<std::string>{"ah.wav", "oh.wav"}; }));
  RunMenuItem('m', 2);
  ASSERT_TRUE(Pump([&] {
    std::vector<std::string> attached = SortedCaptions(Attached);
    return std::count(attached.begin(), attached.end(), "005: 000: ah.wav") +
               std::count(attached.begin(), attached.end(), "005: 001: oh.wav") ==
           2;
  }));
  RunMenuItem('f', 3);
  const TRemoteRow* wave = PlayUntilCached({BankSelect(0, 5), ProgramChange(0, 0)}, [&](const TRemoteRow& row) {
    return row.Texts[2] == "5" && row.Texts[3] == "0";
  });
  ASSERT_NE(wave, nullptr);
  // A wave entry holds its folder and the wave's file name; the cache names it without its extension.
  EXPECT_EQ(wave->Texts[4], "ah");
  EXPECT_EQ(wave->Texts[6], Waves + "\\");
  EXPECT_EQ(wave->Texts[7], "wave");
}
