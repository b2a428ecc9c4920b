// The road of one edit: the real tb_tools.exe opened on a mapping by its command line, a preset of a second
// SoundFont attached by a click and Ins, saved through the "&Files" menu; the real server, told of the save,
// loads it on that program change; detached and saved again, it is no longer served.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialog_windows.h"
#include "peer_programs.h"
#include "played_server.h"
#include "program_process.h"
#include "pump_until.h"
#include "registry_internal.h"
#include "reg_array.h"
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

using testsupport::TRemoteRow;

namespace {

const DWORD kWaitMs = 20000;
const std::string DemoKey = std::string(TarnbelKeyPath) + "\\mappings\\Demo";

bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) {
  return testsupport::PumpUntil(done, timeoutMs);
}

uint32_t ProgramChange(int channel, int program) { return static_cast<uint32_t>(0xC0 | channel | program << 8); }

std::vector<std::string> Captions(HWND list) {
  std::vector<std::string> captions;
  for (const TRemoteRow& row : testsupport::ReadRemoteListView(list, 1)) captions.push_back(row.Texts[0]);
  return captions;
}

// The rows that are presets: headers start with a blank, dividers are empty.
std::vector<std::string> Entries(HWND list) {
  std::vector<std::string> entries;
  for (const std::string& caption : Captions(list))
    if (!caption.empty() && caption[0] != ' ') entries.push_back(caption);
  return entries;
}

int IndexOf(const std::vector<std::string>& captions, const std::string& caption) {
  auto it = std::find(captions.begin(), captions.end(), caption);
  return it == captions.end() ? -1 : int(it - captions.begin());
}

std::vector<std::string> StoredList(const std::string& list) {
  TRegArray stored(DemoKey + "\\" + list, true);
  stored.SaveOnDestroy = false;
  return stored.Items();
}

int StoredKeyCount() {
  testsupport::RawValue count = testsupport::ReadRaw(DemoKey, "Count");
  return count.found && count.data.size() == 4 ? int(count.data[0]) : -1;
}

class EditorE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EndToolsPrograms()) << "a tools program from an earlier run does not end";
    testsupport::ResetTarnbelKey();
    Bank = Folder["demo.sf2"];
    Second = Folder["second.sf2"];
    sf2test::Sf2Builder demo, second;
    demo.AddPresetWithSamples("Grand Piano", 0, 0, {3000});
    second.AddPresetWithSamples("Solo Flute", 0, 42, {2500});
    second.AddPresetWithSamples("Glass Harp", 0, 43, {2500});
    ASSERT_TRUE(demo.Write(Bank));
    ASSERT_TRUE(second.Write(Second));
    {
      TMapping mapping("Demo", false, nullptr, "");
      mapping.AddItem(Bank, 0, true, 0, "Grand Piano", 0, 0, 0);
    }
    testsupport::StoreOneRouteProfile("Demo", false);
    // The editor's tree opens on the second SoundFont, as a last session left it.
    TRegKey placement(std::string(TarnbelKeyPath) + "\\placement\\mapping", true);
    placement.WriteString("FormVersion", "5");
    placement.WriteString("SystemTreeView_Selection", Second);
  }
  void TearDown() override {
    Tools.Stop();
    Server.Stop();
    testsupport::EndToolsPrograms();
    testsupport::ResetTarnbelKey();
  }

  void StartServer() {
    ASSERT_TRUE(e2e::StartServerOnBus(Server));
    ASSERT_TRUE(Pump([] { return FindWindowA(nullptr, SERVER_WINDOW_TITLE) != nullptr; }));
    ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", kWaitMs));
  }
  // The monitor's cached presets: channel, bank, program, name, mapping, file, ...
  std::vector<TRemoteRow> CachedRows() {
    HWND monitor = testsupport::FindTopWindowStartingWith(Tools.ProcessId(), "tarnbel monitor");
    HWND list = monitor ? testsupport::FindListViewWithColumns(monitor, 9) : nullptr;
    return list ? testsupport::ReadRemoteListView(list, 9) : std::vector<TRemoteRow>{};
  }
  static bool HasRow(const std::vector<TRemoteRow>& rows, const std::string& name) {
    for (const TRemoteRow& row : rows)
      if (row.Texts.size() == 9 && row.Texts[4] == name) return true;
    return false;
  }
  // Plays the program changes again each second until the rows satisfy done: a reloaded mapping takes
  // effect in the server's own time, and the monitor shows the cache when it asks for it.
  bool PlayUntil(const std::vector<uint32_t>& messages, const std::function<bool(const std::vector<TRemoteRow>&)>& done) {
    DWORD last = GetTickCount() - 1000;
    return Pump([&] {
      if (done(CachedRows())) return true;
      if (GetTickCount() - last >= 1000) {
        for (uint32_t m : messages) TVirtualMidiBus::Play("Keys", m);
        PostMessageA(FindWindowA(nullptr, SERVER_WINDOW_TITLE), WM_TB_GET_CACHE_INFO, 0, 0);
        last = GetTickCount();
      }
      return false;
    });
  }
  // "Save mapping" is the third item of "&Files".
  void SaveThroughTheFilesMenu() { ASSERT_TRUE(testsupport::RunRemoteMenuItem(Tools.ProcessId(), Editor, 'f', 3)); }
  void UnloadFromTheCache(int program) {
    HWND server = FindWindowA(nullptr, SERVER_WINDOW_TITLE);
    PostMessageA(server, WM_TB_UNLOAD_PRESET, 0, program);
  }

  testsupport::TScratchFolder Folder{"editor_e2e"};
  std::string Bank, Second;
  e2e::TProgramProcess Server, Tools;
  HWND Editor = nullptr, Presets = nullptr, Attached = nullptr;
};

}  // namespace

TEST_F(EditorE2E, AnAttachedPresetIsServedAfterTheSaveAndNoLongerOnceDetached) {
  StartServer();
  ASSERT_TRUE(Tools.Start("tb_tools.exe", "-EDITOR Demo"));
  ASSERT_TRUE(Pump([&] {
    Editor = testsupport::FindTopWindowStartingWith(Tools.ProcessId(), "tarnbel editor - Demo");
    return Editor && IsWindowVisible(Editor);
  }));
  // The editor's two lists: the source presets left of the attached ones.
  std::vector<HWND> lists = testsupport::ListViewsLeftToRight(Editor);
  ASSERT_EQ(lists.size(), 2u);
  // The monitor beside it, as the user opens it, shows the server's cache.
  PostMessageA(FindWindowA(nullptr, TOOLS_WINDOW_TITLE), WM_TB_SHOW_MONITOR, 0, 0);
  Presets = lists[0];
  Attached = lists[1];
  EXPECT_EQ(Entries(Attached), std::vector<std::string>{"000: 000: Grand Piano"});
  // The stored tree selection shows the second SoundFont's presets.
  ASSERT_TRUE(Pump([&] { return Entries(Presets).size() == 2; }));
  int flute = IndexOf(Captions(Presets), "000: 042: Solo Flute");
  ASSERT_GE(flute, 0);

  // A click on the preset, then Ins: attached at its own, unused slot.
  ASSERT_TRUE(testsupport::PostClickOnRemoteRow(Presets, flute));
  ASSERT_TRUE(Pump([&] { return testsupport::ReadRemoteListView(Presets, 1)[size_t(flute)].Selected; }));
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(Editor, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &ignored);
  SendMessageTimeoutA(Editor, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &ignored);
  PostMessageA(Presets, WM_KEYDOWN, VK_INSERT, 1);
  PostMessageA(Presets, WM_KEYUP, VK_INSERT, LPARAM(0xC0000001));
  ASSERT_TRUE(Pump([&] { return IndexOf(Captions(Attached), "000: 042: Solo Flute") >= 0; }));
  EXPECT_EQ(StoredKeyCount(), 1) << "not stored before the save";

  // Saved through the menu: stored, and the server told, whose route then loads it on that program change.
  SaveThroughTheFilesMenu();
  ASSERT_TRUE(Pump([] { return StoredKeyCount() == 2; }));
  ASSERT_TRUE(PlayUntil({ProgramChange(0, 42)}, [](const std::vector<TRemoteRow>& rows) {
    for (const TRemoteRow& row : rows)
      if (row.Texts.size() == 9 && row.Texts[4] == "Solo Flute")
        return row.Texts[2] == "0" && row.Texts[3] == "42" && row.Texts[5] == "Demo";
    return false;
  }));
  std::vector<TRemoteRow> rows = CachedRows();
  for (const TRemoteRow& row : rows) {
    if (row.Texts[4] == "Solo Flute") {
      EXPECT_EQ(row.Texts[6], Second);
    }
  }

  // Del asks first; OK detaches; saved again, the slot is empty in the stored mapping.
  int attachedRow = IndexOf(Captions(Attached), "000: 042: Solo Flute");
  ASSERT_TRUE(testsupport::PostClickOnRemoteRow(Attached, attachedRow));
  ASSERT_TRUE(Pump([&] { return testsupport::ReadRemoteListView(Attached, 1)[size_t(attachedRow)].Selected; }));
  PostMessageA(Attached, WM_KEYDOWN, VK_DELETE, 1);
  HWND box = nullptr;
  ASSERT_TRUE(Pump([&] { return (box = testsupport::FindWindowOf(Tools.ProcessId(), "", "Confirmation")) != nullptr; }));
  HWND ok = FindWindowExA(box, nullptr, "Button", "OK");
  ASSERT_NE(ok, nullptr);
  PostMessageA(ok, BM_CLICK, 0, 0);
  ASSERT_TRUE(Pump([&] { return Entries(Attached) == std::vector<std::string>{"000: 000: Grand Piano"}; }));
  ASSERT_TRUE(Pump([&] { return !IsWindow(box); }));
  SaveThroughTheFilesMenu();
  ASSERT_TRUE(Pump([] { return StoredKeyCount() == 1; }));

  // Out of the cache, the program change loads nothing any more; the piano's change after it, served in
  // order, shows that it was heard.
  UnloadFromTheCache(42);
  UnloadFromTheCache(0);
  ASSERT_TRUE(Pump([&] { return !HasRow(CachedRows(), "Solo Flute") && !HasRow(CachedRows(), "Grand Piano"); }));
  ASSERT_TRUE(PlayUntil({ProgramChange(0, 42), ProgramChange(0, 0)},
                        [](const std::vector<TRemoteRow>& r) { return HasRow(r, "Grand Piano"); }));
  EXPECT_FALSE(HasRow(CachedRows(), "Solo Flute"));
}

// Bank names and backgrounds that came with an imported text are stored by Save with the entries, while the
// editor stays open: the manager's automatic re-export, run next, names its files after the banks.
TEST_F(EditorE2E, SaveStoresImportedBankNamesForTheNextAutomaticExport) {
  const std::string exports = Folder["exports"];
  ASSERT_TRUE(CreateDirectoryA(exports.c_str(), nullptr));
  TRegKey settings(TarnbelKeyPath, true);
  settings.WriteBool("AutocreateCubase1", true);
  settings.WriteString("CubasePath", exports);
  const std::string text = Folder["Demo.txt"];
  {
    FILE* file = fopen(text.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fprintf(file, "[Name]\r\nDemo\r\n\r\n[Bank backgrounds]\r\n003:12632256\r\n\r\n[Bank colors]\r\n\r\n"
                  "[Bank names]\r\n000:Pianos\r\n003:Strings\r\n\r\n[%s]\r\n000: 000: 000: 000: Grand Piano\r\n"
                  "000: 000: 003: 005: Grand Piano\r\n",
            Bank.c_str());
    fclose(file);
  }
  ASSERT_TRUE(Tools.Start("tb_tools.exe", "-EDITOR Demo"));
  const DWORD pid = Tools.ProcessId();
  ASSERT_TRUE(Pump([&] {
    Editor = testsupport::FindTopWindowStartingWith(pid, "tarnbel editor - Demo");
    return Editor && IsWindowVisible(Editor);
  }));

  // "Import mapping from file...", the fifth item of "&Files": the file typed, the proposed name taken.
  ASSERT_TRUE(testsupport::RunRemoteMenuItem(pid, Editor, 'f', 5));
  const int kFileNameField = 0x47C;
  HWND dialog = nullptr;
  ASSERT_TRUE(Pump([&] {
    for (HWND w : testsupport::TopLevelWindowsOf(pid))
      if (testsupport::WindowClass(w) == "#32770" && IsWindowVisible(w) && GetDlgItem(w, kFileNameField)) dialog = w;
    return dialog != nullptr;
  }));
  SetDlgItemTextA(dialog, kFileNameField, text.c_str());
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
  HWND choose = nullptr;
  ASSERT_TRUE(Pump([&] { return (choose = testsupport::VisibleWindow("Load file as (choose mapping name):")) != nullptr; }));
  PostMessageA(testsupport::ChildWithCaption(choose, "Ok", "TButton"), BM_CLICK, 0, 0);
  std::vector<HWND> lists = testsupport::ListViewsLeftToRight(Editor);
  ASSERT_EQ(lists.size(), 2u);
  Attached = lists[1];
  ASSERT_TRUE(Pump([&] {
    return Entries(Attached) == std::vector<std::string>{"000: 000: Grand Piano", "003: 005: Grand Piano"};
  }));
  EXPECT_TRUE(StoredList("BankNames").empty()) << "stored before the save";

  // Saved, not closed: the three lists are in the registry with the entries.
  SaveThroughTheFilesMenu();
  // Waited for together: the save writes one list after the other.
  EXPECT_TRUE(Pump([] {
    return StoredList("BankNames") == std::vector<std::string>{"000:Pianos", "003:Strings"} &&
           StoredList("BankBackgrounds") == std::vector<std::string>{"003:12632256"};
  })) << "the bank lists were not stored by the save";
  EXPECT_TRUE(IsWindowVisible(Editor));

  // An applied change in the manager (Demo switched off and on) re-exports the active mappings.
  PostMessageA(FindWindowA(nullptr, TOOLS_WINDOW_TITLE), WM_TB_SHOW_MANAGER, 0, 0);
  HWND manager = nullptr, list = nullptr;
  ASSERT_TRUE(Pump([&] {
    manager = testsupport::FindWindowOf(pid, "", "tarnbel manager");
    list = manager ? testsupport::FindChildOfClass(manager, "TCheckListBox") : nullptr;
    return list && IsWindowVisible(manager) && SendMessageA(list, LB_GETCOUNT, 0, 0) == 1;
  }));
  for (bool active : {false, true}) {
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    PostMessageA(list, WM_CHAR, ' ', 0);
    ASSERT_TRUE(Pump([&] { return TRegKey(DemoKey, true).ReadBool("Active", !active) == active; }));
  }
  const std::string current = exports + "\\tarnbel\\current";
  // The export writes each file under a temporary name first: the names are waited for, not a count.
  const std::vector<std::string> named{"Pianos.dev", "Strings.dev"};
  EXPECT_TRUE(Pump([&] { return testsupport::FilesIn(current) == named; })) << [&] {
    std::string seen;
    for (const std::string& name : testsupport::FilesIn(current)) seen += name + " ";
    return seen;
  }();
}
