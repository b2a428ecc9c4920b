// The preferences window on real controls: what it shows from the registry, what each change posts to
// the server's window and writes, the cache limit through the device layer, and its closing.
#include <gtest/gtest.h>

#include <iostream>

#include "abstract_sf_device.h"
#include "options_form.h"
#include "presets_in_cache_form.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "tarnbel_fakeform.h"
#include "tarnbel_func.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "tools_test_support.h"

using namespace ui;
namespace ss = server_setting;

namespace {

class Preferences : public toolstest::ToolsFixture {
 protected:
  TOptionsForm* Open() {
    ToolWindowMakers.Preferences = [](TComponent* owner) { return new TOptionsForm(owner); };
    if (!PresetsInCacheForm) StartTools({"-"});
    FakeForm->PreferencesAction->Execute();
    // The start-up's requests and the opening's posts arrive before the test's own.
    RunFor(150);
    return static_cast<TOptionsForm*>(OptionsForm);
  }
  // Posts a click as the user's mouse would make it and runs until the box has turned and, when the
  // change is posted, the server's window has it.
  void Click(TCheckBox* box, bool posts) {
    size_t before = Server->Received.size();
    bool was = box->Checked();
    PostMessageA(box->Handle(), BM_CLICK, 0, 0);
    RunUntil([&] { return box->Checked() != was && (!posts || Server->Received.size() > before); }, 1000);
  }
  void Type(TKitSpinEdit* spin, const std::string& text) {
    SetWindowTextA(spin->Handle(), text.c_str());
    RunUntil([] { return false; }, 30);
  }
  int32_t Stored(const char* name) { return TRegKey(TarnbelKeyPath, false).ReadInteger(name, -12345); }
  bool Has(const char* name) { return testsupport::ValueExists(TarnbelKeyPath, name); }
  const testsupport::TRecordedMessage* Last(UINT id) {
    for (auto it = Server->Received.rbegin(); it != Server->Received.rend(); ++it)
      if (it->Id == id) return &*it;
    return nullptr;
  }
};

struct FlagRow {
  const char* Box;
  const char* Value;
  bool Default;
  UINT Id;  // 0: stored only
};

const FlagRow kFlags[] = {
    {"AutoClearCheckBox", "UnloadPresetIfUnused", true, WM_TB_SET_UNLOAD_IF_UNUSED},
    {"UnloadOrphanPresetCheckBox", "UnloadOrphanPreset", false, WM_TB_SET_UNLOAD_ORPHAN},
    {"UseDefaultMelodicBankCheckBox", "UseDefaultMelodicBank", true, WM_TB_SET_DEFAULT_MELODIC},
    {"UseDefaultDrumPresetCheckBox", "UseDefaultDrumPreset", true, WM_TB_SET_DEFAULT_DRUMS},
    {"ReloadOnFirstNoteCheckBox", "ReloadOnFirstNote", false, WM_TB_SET_RELOAD_FIRST_NOTE},
    {"TurnOnOnStartCheckBox", "AutoStart", false, 0},
    {"ShowControlPanelOnStartCheckBox", "ShowControlPanel", false, 0},
    {"ShowMonitorOnStartCheckBox", "ShowMonitor", false, 0},
    {"ShowMappingsEditorOnStartCheckBox", "ShowMappingsEditor", false, 0},
    {"ShowPreferencesOnStartCheckBox", "ShowPreferences", true, 0},
    {"OverrideCacheSizeCheckBox", "OverrideCacheSize", false, 0},
    {"WinampResetCacheCheckBox", "WinampResetCache", true, WM_TB_SET_WINAMP_RESET_CACHE},
    {"AddBankNameToPresetNameCheckBox", "AddBankNameToPresetName", false, WM_TB_SET_ADD_BANK_NAME},
    {"DisableSoundFontDeviceInterfaceCheckBox", "DisableSoundFontDeviceInterface", false,
     WM_TB_SET_DISABLE_SF_INTERFACE},
    {"RandomDrumsCheckBox", "RandomDrumBank", false, WM_TB_SET_RANDOM_DRUM_BANK},
    {"RandomBanksCheckBox", "RandomBanks", false, WM_TB_SET_RANDOM_BANKS},
    {"RandomProgramsCheckBox", "RandomPrograms", false, WM_TB_SET_RANDOM_PROGRAMS},
    {"RandomOnlyWinampCheckBox", "RandomOnlyWinamp", true, WM_TB_SET_RANDOM_ONLY_WINAMP},
};

}  // namespace

TEST_F(Preferences, ShowsDefaultsWritesThemBackAndEveryBoxPostsAndStoresItsValue) {
  ToolWindowMakers.Preferences = [](TComponent* owner) { return new TOptionsForm(owner); };
  StartTools({"-"});
  RunFor(150);
  DWORD start = GetTickCount();
  FakeForm->PreferencesAction->Execute();  // makes and shows the window before it returns
  auto* form = static_cast<TOptionsForm*>(OptionsForm);
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  std::cout << "[figure] preferences action to window shown: " << GetTickCount() - start << " ms" << std::endl;
  RunFor(150);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Caption(), "tarnbel preferences");
  ASSERT_EQ(form->PageControl1->PageCount(), 5);
  const char* tabs[] = {"Main", "Startup", "Misc", "Randomizer", "Integration"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(form->PageControl1->Pages(i)->Caption(), tabs[i]);
  EXPECT_EQ(form->UnloadTimeKitSpinEdit->Text(), "5");
  EXPECT_EQ(form->UnloadOrphanTimeKitSpinEdit->Text(), "0");
  EXPECT_TRUE(form->RandomFixedRadioButton->Checked());

  for (const FlagRow& row : kFlags) {
    auto* box = dynamic_cast<TCheckBox*>(form->FindComponent(row.Box));
    ASSERT_NE(box, nullptr) << row.Box;
    EXPECT_EQ(box->Checked(), row.Default) << row.Box;
    EXPECT_EQ(Stored(row.Value), row.Default ? 1 : 0) << row.Value << " written back";
    EXPECT_EQ(box->Checked(), SendMessageA(box->Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED) << row.Box;

    // The click is the user's: the page must be shown for the box to take it.
    form->PageControl1->SetActivePage(static_cast<TTabSheet*>(box->Parent()));
    size_t before = Server->Received.size();
    Click(box, row.Id != 0);
    EXPECT_EQ(box->Checked(), !row.Default) << row.Box;
    EXPECT_EQ(Stored(row.Value), row.Default ? 0 : 1) << row.Value;
    if (row.Id) {
      ASSERT_EQ(Server->Received.size(), before + 1) << row.Box;
      EXPECT_EQ(Server->Received.back().Id, row.Id) << row.Box;
      EXPECT_EQ(Server->Received.back().LParam, row.Default ? 0 : 1) << row.Box;
    } else {
      RunFor(50);
      EXPECT_EQ(Server->Received.size(), before) << row.Box << " is stored only";
    }
  }
  EXPECT_EQ(ToolsServerSettings.UnloadPresetIfUnused, false);
  EXPECT_EQ(ToolsServerSettings.RandomOnlyWinamp, false);
}

TEST_F(Preferences, StoredValuesShowAndOpeningPostsOnlyTheFlagsThatAreOn) {
  TRegKey key(TarnbelKeyPath, true);
  key.WriteInteger("UnloadTime", 90);
  key.WriteInteger("UnloadOrphanTime", 45);
  key.WriteBool("RandomPresets", true);
  key.WriteBool("UnloadPresetIfUnused", false);
  key.WriteBool("ReloadOnFirstNote", true);
  TOptionsForm* form = Open();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->UnloadTimeKitSpinEdit->Text(), "1");  // whole minutes
  EXPECT_EQ(form->UnloadOrphanTimeKitSpinEdit->Text(), "45");  // seconds as they are
  EXPECT_TRUE(form->RandomPresetRadioButton->Checked());
  EXPECT_FALSE(form->RandomFixedRadioButton->Checked());
  EXPECT_FALSE(form->AutoClearCheckBox->Checked());
  RunFor(50);
  // Setting the spin edits at creation neither posts nor rewrites: 90 s stays 90 s.
  EXPECT_EQ(Server->Count(WM_TB_SET_UNLOAD_TIME), 0u);
  EXPECT_EQ(Server->Count(WM_TB_SET_ORPHAN_TIME), 0u);
  EXPECT_EQ(Stored("UnloadTime"), 90);
  EXPECT_EQ(Server->Count(WM_TB_SET_UNLOAD_IF_UNUSED), 0u);
  ASSERT_NE(Last(WM_TB_SET_RELOAD_FIRST_NOTE), nullptr);
  EXPECT_EQ(Last(WM_TB_SET_RELOAD_FIRST_NOTE)->LParam, 1);
  ASSERT_NE(Last(WM_TB_SET_RANDOM_PRESETS), nullptr);
  EXPECT_EQ(Last(WM_TB_SET_RANDOM_PRESETS)->LParam, 1);
}

TEST_F(Preferences, TimesAreLimitedConvertedAndOnlyNumbersAreApplied) {
  TOptionsForm* form = Open();
  ASSERT_NE(form, nullptr);
  Type(form->UnloadTimeKitSpinEdit, "10001");
  EXPECT_EQ(form->UnloadTimeKitSpinEdit->Text(), "10000");
  ASSERT_NE(Last(WM_TB_SET_UNLOAD_TIME), nullptr);
  EXPECT_EQ(Last(WM_TB_SET_UNLOAD_TIME)->LParam, 600000);
  EXPECT_EQ(Last(WM_TB_SET_UNLOAD_TIME)->WParam, 0u);
  EXPECT_EQ(Stored("UnloadTime"), 600000);
  EXPECT_EQ(ToolsServerSettings.UnloadTime, 600000);

  size_t posts = Server->Count(WM_TB_SET_UNLOAD_TIME);
  Type(form->UnloadTimeKitSpinEdit, "");
  Type(form->UnloadTimeKitSpinEdit, "abc");
  EXPECT_EQ(Server->Count(WM_TB_SET_UNLOAD_TIME), posts);
  EXPECT_EQ(Stored("UnloadTime"), 600000);

  // The orphan time is seconds throughout.
  Type(form->UnloadOrphanTimeKitSpinEdit, "75");
  ASSERT_NE(Last(WM_TB_SET_ORPHAN_TIME), nullptr);
  EXPECT_EQ(Last(WM_TB_SET_ORPHAN_TIME)->LParam, 75);
  EXPECT_EQ(Stored("UnloadOrphanTime"), 75);
  Type(form->UnloadOrphanTimeKitSpinEdit, "-5");
  EXPECT_EQ(Last(WM_TB_SET_ORPHAN_TIME)->LParam, 0);
}

TEST_F(Preferences, RandomGroupPostsAndStoresInItsOrder) {
  TRegKey(TarnbelKeyPath, true).WriteBool("RandomMapping", true);
  TOptionsForm* form = Open();
  ASSERT_NE(form, nullptr);
  form->PageControl1->SetActivePage(form->RandomizerTabSheet);
  size_t from = Server->Received.size();
  PostMessageA(form->RandomFixedRadioButton->Handle(), BM_CLICK, 0, 0);
  RunUntil([&] { return Server->Received.size() >= from + 2; }, 1000);
  std::vector<UINT> ids = Server->Ids(from);
  ASSERT_GE(ids.size(), 2u);
  EXPECT_EQ(ids[0], WM_TB_SET_RANDOM_PRESETS);
  EXPECT_EQ(ids[1], WM_TB_SET_RANDOM_MAPPING);
  EXPECT_EQ(Server->Received[from].LParam, 0);
  EXPECT_EQ(Server->Received[from + 1].LParam, 0);
  EXPECT_EQ(Stored("RandomMapping"), 0);
  EXPECT_EQ(Stored("RandomPresets"), 0);
  EXPECT_FALSE(form->RandomSongRadioButton->Checked());

  from = Server->Received.size();
  PostMessageA(form->RandomPresetRadioButton->Handle(), BM_CLICK, 0, 0);
  RunUntil([&] { return Server->Received.size() >= from + 2; }, 1000);
  EXPECT_EQ(Stored("RandomPresets"), 1);
  EXPECT_EQ(Stored("RandomMapping"), 0);  // one mode at a time
  EXPECT_FALSE(form->RandomFixedRadioButton->Checked());
}

TEST_F(Preferences, CacheLimitFollowsTheBoxAndTheSpinEdit) {
  TAbstractSFDevice probe;
  uint32_t original = 0;
  if (!probe.HasSFManagerDevice() || !probe.GetCacheLimit(original)) GTEST_SKIP() << "no SoundFont Manager device";
  TOptionsForm* form = Open();
  ASSERT_NE(form, nullptr);
  // The default is the manager's limit, shown in kB.
  EXPECT_EQ(uint32_t(Stored("OverrideCacheSizeValue")), original);
  EXPECT_EQ(form->OverrideCacheSizeKitSpinEdit->Text(), std::to_string(original / 1024));

  Type(form->OverrideCacheSizeKitSpinEdit, "2048");
  uint32_t limit = 0;
  ASSERT_TRUE(probe.GetCacheLimit(limit));
  EXPECT_EQ(limit, original) << "unchecked: the manager's limit is kept";

  form->PageControl1->SetActivePage(form->MiscTabSheet);
  PostMessageA(form->OverrideCacheSizeCheckBox->Handle(), BM_CLICK, 0, 0);
  RunUntil([&] { return form->OverrideCacheSizeCheckBox->Checked(); }, 1000);
  ASSERT_TRUE(probe.GetCacheLimit(limit));
  EXPECT_EQ(limit, 2048u << 10);
  EXPECT_EQ(Stored("OverrideCacheSizeValue"), int32_t(2048u << 10));
  Type(form->OverrideCacheSizeKitSpinEdit, "0");
  ASSERT_TRUE(probe.GetCacheLimit(limit));
  EXPECT_EQ(limit, 2048u << 10) << "0 is never applied";
  // Past 4 GB the bytes would wrap (24,682,376 kB to 3,799,916,544 B): the largest value that fits is set.
  Type(form->OverrideCacheSizeKitSpinEdit, "24682376");
  ASSERT_TRUE(probe.GetCacheLimit(limit));
  EXPECT_EQ(limit, MaxCacheSizeKB << 10);
  EXPECT_EQ(uint32_t(Stored("OverrideCacheSizeValue")), MaxCacheSizeKB << 10);
  Type(form->OverrideCacheSizeKitSpinEdit, "2048");

  PostMessageA(form->OverrideCacheSizeCheckBox->Handle(), BM_CLICK, 0, 0);
  RunUntil([&] { return !form->OverrideCacheSizeCheckBox->Checked(); }, 1000);
  EXPECT_EQ(Stored("OverrideCacheSize"), 0);
  ASSERT_TRUE(probe.GetCacheLimit(limit));
  EXPECT_EQ(limit, 2048u << 10) << "unchecking leaves the limit as it is";
  probe.SetCacheLimit(original);
}

TEST_F(Preferences, IntegrationBoxesRunTheLaunchersHostActions) {
  TOptionsForm* form = Open();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->CubaseCheckBox->Checked(), FakeForm->CubaseAction->Checked());
  bool before = FakeForm->CubaseAction->Checked();
  form->PageControl1->SetActivePage(form->IntegrationTabSheet);
  PostMessageA(form->CubaseCheckBox->Handle(), BM_CLICK, 0, 0);
  RunUntil([&] { return FakeForm->CubaseAction->Checked() != before; }, 1000);
  EXPECT_EQ(FakeForm->CubaseAction->Checked(), !before) << "one click, one toggle";
  EXPECT_EQ(form->CubaseCheckBox->Checked(), !before);
  EXPECT_EQ(TRegKey(PlacementKeyPath(), false).ReadBool("CubaseActionVisible", before), !before);
}

TEST_F(Preferences, EscapeClosesTheMonitorFreesItAndPlaceAndTabAreKept) {
  TOptionsForm* form = Open();
  ASSERT_NE(form, nullptr);
  form->SetBounds(123, 77, form->Width(), form->Height());
  form->PageControl1->SetActivePage(form->RandomizerTabSheet);
  PostMessageA(form->PageControl1->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(RunUntil([] { return OptionsForm == nullptr; }));
  EXPECT_EQ(Server->Count(WM_TB_OPTIONS_CLOSED), 0u) << "the closed message goes to the monitor, not the server";

  form = Open();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->PageControl1->ActivePage(), form->RandomizerTabSheet);
  EXPECT_EQ(form->Left(), 123);
  EXPECT_EQ(form->Top(), 77);
}

namespace {
TOptionsForm* gClosing = nullptr;
bool gRoutesSeen = false;
void CALLBACK CloseUnderRoutes(HWND, UINT, UINT_PTR id, DWORD) {
  if (!FindWindowA(nullptr, "tarnbel routes")) return;
  KillTimer(nullptr, id);
  gRoutesSeen = true;
  gClosing->Close();  // as the server's stop closes the program's windows
}
}  // namespace

TEST_F(Preferences, AClosingDuringTheRoutesDialogEndsTheDialogFirstThenPostsAndCloses) {
  TOptionsForm* form = Open();
  ASSERT_NE(form, nullptr);
  gClosing = form;
  gRoutesSeen = false;
  UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseUnderRoutes);
  PostMessageA(form->Button2->Handle(), BM_CLICK, 0, 0);
  bool closed = RunUntil([] { return OptionsForm == nullptr; }, 5000);
  KillTimer(nullptr, timer);
  ASSERT_TRUE(closed);
  EXPECT_TRUE(gRoutesSeen);
  EXPECT_EQ(FindWindowA(nullptr, "tarnbel routes"), nullptr);
  EXPECT_EQ(Server->Count(WM_TB_ROUTES_CHANGED), 1u);
}

TEST_F(Preferences, SystemMenuMinimiseMinimisesTheProgram) {
  TOptionsForm* form = Open();
  ASSERT_NE(form, nullptr);
  PostMessageA(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(RunUntil([] { return IsIconic(Application().Handle()) != 0; }, 1000));
  EXPECT_FALSE(IsIconic(form->Handle()));
  Application().Restore();
}
