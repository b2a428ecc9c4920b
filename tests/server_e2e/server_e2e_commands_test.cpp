// The tools program's commands to the real tarnbel.exe and what they change in the running routes:
// unloading and resetting the cache, the tools program's hello and goodbye, the settings, route and
// mapping changes, and the outside clients' messages for a route's input.
#include "midi_mapper_instrument.h"
#include "server_e2e_fixture.h"

using namespace e2e;

namespace {

const char* const kKeys = "Keys --> Synth --> SB Live!";

uint32_t ProgramChange(int channel, int program) { return static_cast<uint32_t>(0xC0 | channel | program << 8); }
uint32_t NoteOn(int channel) { return static_cast<uint32_t>(0x90 | channel | 0x30 << 8 | 0x40 << 16); }

std::string Describe(const std::vector<CachedPresetRecord>& records) {
  std::string text = std::to_string(records.size()) + " cached:";
  for (const CachedPresetRecord& r : records)
    text += " [" + std::to_string(r.Bank) + ":" + std::to_string(r.Program) + " " + GetShortString(r.PresetName) + " (" +
            GetShortString(r.MappingName) + ")" + (r.Loading ? " loading" : "") + "]";
  return text;
}

bool HasLoaded(const std::vector<CachedPresetRecord>& records, const std::string& preset, const std::string& mapping) {
  for (const CachedPresetRecord& r : records)
    if (!r.Loading && GetShortString(r.PresetName) == preset && GetShortString(r.MappingName) == mapping) return true;
  return false;
}

}  // namespace

class ServerCommandsE2E : public ServerE2E {
 protected:
  // Studio mapping, the route Keys -> Synth turned on and watched by the test.
  void StartStudioRoute(const char* ports = "in:Keys;out:Synth") {
    StoreStudioMapping(Folder.File("studio.sf2"));
    StoreActiveRoute("Keys");
    StartServerWithVirtualMidi(ports);
    ASSERT_EQ(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)->LParam, 1);
    Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload(kKeys), 0);
    ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", 5000));
  }

  void Play(uint32_t message) { ASSERT_EQ(TVirtualMidiBus::Play("Keys", message), TVirtualPlayResult::Played); }

  // Waits until the list holds a loaded preset of that name and mapping.
  bool WaitLoaded(const std::string& preset, const std::string& mapping = "Studio") {
    return Tools->PumpUntil([&] { return CachedPresets(Records) && HasLoaded(Records, preset, mapping); }, 15000);
  }

  testsupport::TempFolder Folder;
  std::vector<CachedPresetRecord> Records;
};

TEST_F(ServerCommandsE2E, UnloadAndCacheResetEmptyTheCard) {
  StartStudioRoute();
  Play(ProgramChange(0, 9));
  Play(ProgramChange(9, 4));
  ASSERT_TRUE(WaitCachedPresets(2, Records));

  // One preset by its bank and program, although channel 1 still plays it.
  Query(WM_TB_UNLOAD_PRESET, 0, 9);
  ASSERT_TRUE(WaitCachedPresets(1, Records));
  EXPECT_EQ(GetShortString(Records[0].PresetName), "Room Kit");
  uint64_t total = 0, free = 0;
  ASSERT_TRUE(CardMemory(total, free));
  EXPECT_EQ(total - free, KitBytes());

  // An outside client's cache reset empties the card.
  Query(WM_TB_REQ_1067, 0, 0);
  ASSERT_TRUE(WaitCachedPresets(0, Records));
  ASSERT_TRUE(CardMemory(total, free));
  EXPECT_EQ(total, free);
  EXPECT_EQ(State(), 1);
}

TEST_F(ServerCommandsE2E, AfterGoodbyeNothingReachesTheToolsUntilHello) {
  StartStudioRoute();
  Play(NoteOn(0));
  ASSERT_NE(Tools->WaitFor(WM_TB_NOTE_ON_LAMP), nullptr) << "the watched route lights its lamps";

  Query(WM_TB_TOOLS_BYE, 0, 0);
  size_t from = Tools->Received.size();
  Query(WM_TB_GET_STATE, 0, 0);
  Query(WM_TB_GET_CACHE_INFO, 0, 0);
  Play(NoteOn(0));
  Tools->PumpFor(1500);
  EXPECT_EQ(Tools->Count(WM_TB_SERVER_STATE, from), 0u);
  EXPECT_EQ(Tools->Count(WM_TB_CACHE_MAX, from), 0u);
  EXPECT_EQ(Tools->Count(WM_TB_NOTE_ON_LAMP, from), 0u);

  Query(WM_TB_TOOLS_HELLO, 0, 0);
  EXPECT_NE(Tools->WaitFor(WM_TB_CACHE_MAX, from), nullptr) << "hello brings the cache figures";
  EXPECT_EQ(State(), 1);
}

TEST_F(ServerCommandsE2E, SettingsChangeTheServerWithoutBeingStored) {
  StartStudioRoute();
  StoreFileMapping("Studio", 1, Folder.File("studio.sf2"), {{"Warm Pad", 0, 3, 0, 9}, {"Bright Keys", 0, 5, 0, 10}});
  Query(WM_TB_MAPPING_SAVED, IPCWriteStringPayload("Studio"), 0);

  const std::vector<std::pair<UINT, const char*>> settings = {
      {WM_TB_SET_UNLOAD_IF_UNUSED, "UnloadPresetIfUnused"}, {WM_TB_SET_DEFAULT_MELODIC, "UseDefaultMelodicBank"},
      {WM_TB_SET_DEFAULT_DRUMS, "UseDefaultDrumPreset"},   {WM_TB_SET_UNLOAD_TIME, "UnloadTime"},
      {WM_TB_SET_UNLOAD_ORPHAN, "UnloadOrphanPreset"},     {WM_TB_SET_ORPHAN_TIME, "UnloadOrphanTime"},
      {WM_TB_SET_RELOAD_FIRST_NOTE, "ReloadOnFirstNote"},  {WM_TB_SET_RANDOM_MAPPING, "RandomMapping"},
      {WM_TB_SET_RANDOM_DRUM_BANK, "RandomDrumBank"},      {WM_TB_SET_RANDOM_PRESETS, "RandomPresets"},
      {WM_TB_SET_RANDOM_BANKS, "RandomBanks"},             {WM_TB_SET_RANDOM_PROGRAMS, "RandomPrograms"},
      {WM_TB_SET_RANDOM_ONLY_WINAMP, "RandomOnlyWinamp"},  {WM_TB_SET_WINAMP_RESET_CACHE, "WinampResetCache"},
      {WM_TB_SET_ADD_BANK_NAME, "AddBankNameToPresetName"}, {WM_TB_SET_IMMEDIATE_CHANGES, "ImmediateChanges"},
      {WM_TB_SET_DISABLE_SF_INTERFACE, "DisableSoundFontDeviceInterface"}};
  std::vector<testsupport::RawValue> before;
  for (const auto& setting : settings) before.push_back(testsupport::ReadRaw(TarnbelKeyPath, setting.second));

  // Presets not played for a second leave the card, but not while unloading is off.
  Query(WM_TB_SET_UNLOAD_IF_UNUSED, 0, 0);
  Query(WM_TB_SET_UNLOAD_TIME, 0, 1);
  Play(ProgramChange(0, 9));
  ASSERT_TRUE(WaitLoaded("Warm Pad"));
  Play(ProgramChange(1, 10));
  ASSERT_TRUE(WaitLoaded("Bright Keys"));
  Tools->PumpFor(2500);
  ASSERT_TRUE(CachedPresets(Records));
  EXPECT_EQ(Records.size(), 2u) << "nothing unloaded while unloading is off";
  Query(WM_TB_SET_UNLOAD_IF_UNUSED, 0, 1);
  ASSERT_TRUE(WaitCachedPresets(0, Records, 5000)) << Describe(Records);
  uint64_t total = 0, free = 0;
  ASSERT_TRUE(CardMemory(total, free));
  EXPECT_EQ(total, free);

  // The rest are taken as they come; none of them is written to the registry.
  for (const auto& setting : settings) Query(setting.first, 0, setting.first == WM_TB_SET_UNLOAD_TIME ? 7 : 1);
  for (size_t i = 0; i < settings.size(); ++i) {
    testsupport::RawValue after = testsupport::ReadRaw(TarnbelKeyPath, settings[i].second);
    EXPECT_EQ(after.found, before[i].found) << settings[i].second;
    EXPECT_EQ(after.data, before[i].data) << settings[i].second;
  }
  EXPECT_EQ(Query(WM_TB_QUERY_ROUTE_COUNT, 0, 0), 0) << "the device interface is off now";
  EXPECT_EQ(State(), 1);
}

TEST_F(ServerCommandsE2E, ChangedRoutesAndPreviewRouteReopenWhatRuns) {
  StartStudioRoute("in:Keys;in:Pads;out:Synth");
  const std::string pads = "Pads --> [none] --> SB Live!";
  {
    TRegArray routes(RoutesPath, true);
    routes.Add(RouteRecordToString({"Pads", RouteNone, "SB Live!", RouteActive}), true);
    routes.Save();
  }
  // A restart: the list of the turn-off, then the new one, made from the last stored route to the first.
  const TReceived* list = Ask(WM_TB_ROUTES_CHANGED, 0, 0, WM_TB_ROUTE_LIST);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Payload, "[no info]\x01" + pads + "\x01" + kKeys + "\x01");

  // A preview started while on, its route changed under it, then ended: back to the normal routes.
  WritePreviewRoute({"Keys", "Synth", "SB Live!", ""});
  Query(WM_TB_PREVIEW_ON, 0, 0);
  WritePreviewRoute({"Pads", RouteNone, "SB Live!", ""});
  size_t from = Tools->Received.size();
  Query(WM_TB_PREVIEW_ROUTE_CHANGED, 0, 0);
  ASSERT_NE(Tools->WaitFor(WM_TB_PREVIEW_STARTED, from), nullptr);
  Tools->PumpFor(100);
  const TReceived* preview = LastReceived(WM_TB_ROUTE_LIST);
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->Payload, pads + "\x01");
  EXPECT_EQ(State(), 1);

  from = Tools->Received.size();
  Query(WM_TB_PREVIEW_OFF, 0, 0);
  ASSERT_NE(Tools->WaitFor(WM_TB_PREVIEW_STOPPED, from), nullptr);
  Tools->PumpFor(100);
  const TReceived* after = LastReceived(WM_TB_ROUTE_LIST);
  ASSERT_NE(after, nullptr);
  EXPECT_EQ(after->Payload, "[no info]\x01" + pads + "\x01" + kKeys + "\x01");
  EXPECT_EQ(State(), 1);

  // Routes changed while off: nothing starts.
  Ask(WM_TB_TURN_OFF, 0, 0, WM_TB_SERVER_STATE);
  Query(WM_TB_ROUTES_CHANGED, 0, 0);
  EXPECT_EQ(State(), 0);
}

TEST_F(ServerCommandsE2E, EditedMappingsReachThePlayingRouteWhenApplied) {
  StartStudioRoute();
  Play(ProgramChange(0, 9));
  ASSERT_TRUE(WaitLoaded("Warm Pad"));

  // The editor saved slot 0:9 with another preset: the queries know it at once, the route once the
  // changes are applied.
  StoreFileMapping("Studio", 1, Folder.File("studio.sf2"), {{"Bright Keys", 0, 5, 0, 9}});
  Query(WM_TB_MAPPING_SAVED, IPCWriteStringPayload("Studio"), 0);
  EXPECT_EQ(ReadAtomText(Query(WM_TB_QUERY_PRESET_NAME, 0, 9)), "Bright Keys");
  ASSERT_TRUE(CachedPresets(Records));
  EXPECT_FALSE(HasLoaded(Records, "Bright Keys", "Studio"));
  Query(WM_TB_MAPPINGS_APPLY, 0, 0);
  ASSERT_TRUE(WaitLoaded("Bright Keys"));

  // A mapping added by the manager is found once the set is reloaded.
  StoreFileMapping("Organ", 0, Folder.File("studio.sf2"), {{"Warm Pad", 0, 3, 0, 20}});
  EXPECT_EQ(ReadAtomText(Query(WM_TB_QUERY_PRESET_NAME, 0, 20)), NoneMarker);
  Query(WM_TB_MAPPINGS_CHANGED, 0, 0);
  EXPECT_EQ(ReadAtomText(Query(WM_TB_QUERY_PRESET_NAME, 0, 20)), "Warm Pad");
}

TEST_F(ServerCommandsE2E, RandomIncludeAndExcludePickTheMappingOfAPlaylist) {
  testsupport::MidiMapperInstrument instrument("tarnbel e2e synth", "Keys");
  StartStudioRoute();
  StoreFileMapping("Alt", 0, Folder.File("studio.sf2"), {{"Bright Keys", 0, 5, 0, 9}});
  Query(WM_TB_MAPPINGS_CHANGED, 0, 0);
  Query(WM_TB_SET_RANDOM_MAPPING, 0, 1);


  // With one mapping left in the draw, the playlist's preset comes from it; nothing else is.
  Query(WM_TB_RANDOM_EXCLUDE, IPCWriteStringPayload("default"), 0);
  Query(WM_TB_RANDOM_EXCLUDE, IPCWriteStringPayload("Studio"), 0);
  Query(WM_TB_RANDOM_INCLUDE, IPCWriteStringPayload("Alt"), 0);
  ASSERT_TRUE(WinampLoad({PlaylistSlot(0, 9)}));
  ASSERT_TRUE(WaitCachedPresets(1, Records)) << Describe(Records);
  EXPECT_TRUE(HasLoaded(Records, "Bright Keys", "Alt"));

  Query(WM_TB_RANDOM_INCLUDE, IPCWriteStringPayload("Studio"), 0);
  Query(WM_TB_RANDOM_EXCLUDE, IPCWriteStringPayload("Alt"), 0);
  ASSERT_TRUE(WinampLoad({PlaylistSlot(0, 9)}));
  ASSERT_TRUE(WaitCachedPresets(1, Records)) << Describe(Records);
  EXPECT_TRUE(HasLoaded(Records, "Warm Pad", "Studio"));
}

TEST_F(ServerCommandsE2E, DriverAndPlayerMessagesReachTheRouteInput) {
  testsupport::MidiMapperInstrument instrument("tarnbel e2e synth", "Tarnbel loopback 1");
  StoreStudioMapping(Folder.File("studio.sf2"));
  StoreFileMapping("Studio", 1, Folder.File("studio.sf2"), {{"Warm Pad", 0, 3, 0, 9}, {"Bright Keys", 0, 5, 5, 9}});
  StoreActiveRoute("Tarnbel loopback 1");
  StartServerWithVirtualMidi("in:Tarnbel loopback 1;out:Synth");
  ASSERT_EQ(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)->LParam, 1);
  Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload("Tarnbel loopback 1 --> Synth --> SB Live!"), 0);
  const std::string port = "Tarnbel loopback 1";
  ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted(port, 5000));

  // The driver selects bank 5 on channel 1 of loopback port 0; the next program change plays it.
  Query(WM_TB_DRIVER_1138, 0, MAKELONG(0, 5));
  ASSERT_EQ(TVirtualMidiBus::Play(port, ProgramChange(0, 9)), TVirtualPlayResult::Played);
  ASSERT_TRUE(WaitLoaded("Bright Keys"));

  // The player's port reset sets every bank back to 0.
  Query(WM_TB_WINAMP_1145, 0, 0);
  // The route has reopened its ports once it answers the channel query the cache list asks after it.
  ASSERT_TRUE(CachedPresets(Records));
  ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted(port, 5000));
  ASSERT_EQ(TVirtualMidiBus::Play(port, ProgramChange(0, 9)), TVirtualPlayResult::Played);
  ASSERT_TRUE(WaitLoaded("Warm Pad"));

  // Suspended by the player: no lamps; resumed: lamps again.
  Query(WM_TB_WINAMP_1195, 0, 0);
  size_t from = Tools->Received.size();
  ASSERT_EQ(TVirtualMidiBus::Play(port, NoteOn(0)), TVirtualPlayResult::Played);
  Tools->PumpFor(1000);
  EXPECT_EQ(Tools->Count(WM_TB_NOTE_ON_LAMP, from), 0u);
  Query(WM_TB_WINAMP_1196, 0, 0);
  ASSERT_EQ(TVirtualMidiBus::Play(port, NoteOn(0)), TVirtualPlayResult::Played);
  EXPECT_NE(Tools->WaitFor(WM_TB_NOTE_ON_LAMP, from), nullptr);
}


TEST_F(ServerCommandsE2E, TrayMenuCommandsReachTheToolsAndTheRoutes) {
  StartStudioRoute();
  // The windows of the tools program, each asked for once.
  const std::vector<std::pair<UINT, UINT>> shows = {{TRAY_MENU_ABOUT, WM_TB_SHOW_ABOUT},
                                                    {TRAY_MENU_PREFERENCES, WM_TB_SHOW_PREFERENCES},
                                                    {TRAY_MENU_MONITOR, WM_TB_SHOW_MONITOR},
                                                    {TRAY_MENU_MANAGER, WM_TB_SHOW_MANAGER},
                                                    {TRAY_MENU_EDITOR, WM_TB_SHOW_EDITOR}};
  for (const auto& show : shows) {
    size_t from = Tools->Received.size();
    Query(WM_COMMAND, show.first, 0);
    EXPECT_NE(Tools->WaitFor(show.second, from), nullptr) << "item " << show.first;
    EXPECT_EQ(Tools->Count(show.second, from), 1u) << "item " << show.first;
  }

  // Cache reset and clear-all empty the card; a MIDI reset leaves it as it is.
  Play(ProgramChange(0, 9));
  ASSERT_TRUE(WaitCachedPresets(1, Records));
  Query(WM_COMMAND, TRAY_MENU_MIDI_RESET, 0);
  Tools->PumpFor(300);
  ASSERT_TRUE(WaitCachedPresets(1, Records));
  Query(WM_COMMAND, TRAY_MENU_RESET_CACHE, 0);
  ASSERT_TRUE(WaitCachedPresets(0, Records)) << Describe(Records);
  Play(ProgramChange(2, 9));
  ASSERT_TRUE(WaitCachedPresets(1, Records));
  Query(WM_COMMAND, TRAY_MENU_CLEAR_ALL, 0);
  ASSERT_TRUE(WaitCachedPresets(0, Records)) << Describe(Records);

  size_t from = Tools->Received.size();
  Query(WM_COMMAND, TRAY_MENU_RESTART, 0);
  ASSERT_TRUE(Tools->PumpUntil([&] { return Tools->Count(WM_TB_SERVER_STATE, from) == 2; }));
  EXPECT_EQ(LParamOf(Tools->WaitFor(WM_TB_SERVER_STATE, from)), 0);
  EXPECT_EQ(LParamOf(LastReceived(WM_TB_SERVER_STATE)), 1);
  Query(WM_COMMAND, TRAY_MENU_TURN_OFF, 0);
  EXPECT_EQ(State(), 0);
  Query(WM_COMMAND, TRAY_MENU_TURN_ON, 0);
  EXPECT_EQ(State(), 1);
}
