// Loads through the real tarnbel.exe that end in the stand-in card: the editor's preview, and the
// requests of outside clients (the Winamp plug-in on the MIDI mapper's route, the companion driver's
// MIDI-mapper loads on a loopback route).
#include "midi_mapper_instrument.h"
#include "server_e2e_fixture.h"

using namespace e2e;

namespace {

const char* const kCaption = "Keys --> Synth --> SB Live!";

bool OutputReceived(const std::vector<TVirtualMidiEvent>& events, uint32_t message) {
  for (const TVirtualMidiEvent& event : events)
    if (event.Message == message) return true;
  return false;
}

// A bank in the folder with "Soft Bell" (5:7), its path; the preview route Keys --> Synth --> SB Live! stored.
std::string StoreBellAndPreviewRoute(testsupport::TempFolder& folder, sf2test::Sf2Builder& builder) {
  builder.AddPresetWithSamples("Soft Bell", 5, 7, {2500});
  const std::string bell = folder.File("bell.sf2");
  EXPECT_TRUE(builder.Write(bell));
  WritePreviewRoute({"Keys", "Synth", "SB Live!", ""});
  return bell;
}

}  // namespace

TEST_F(ServerE2E, PreviewPlaysTheChosenPresetFromBankZeroAndStopClearsIt) {
  testsupport::TempFolder folder;
  sf2test::Sf2Builder builder;
  const std::string bell = StoreBellAndPreviewRoute(folder, builder);
  StartServerWithVirtualMidi();

  // A preset chosen before preview mode loads nothing.
  Query(WM_TB_PREVIEW_FILE, IPCWriteStringPayload(bell), 0);
  Query(WM_TB_PREVIEW_PRESET, 5, 7);

  size_t from = Tools->Received.size();
  Query(WM_TB_PREVIEW_ON, 0, 0);
  ASSERT_NE(Tools->WaitFor(WM_TB_PREVIEW_STARTED, from), nullptr);
  const TReceived* list = Tools->WaitFor(WM_TB_ROUTE_LIST, from);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Payload, std::string(kCaption) + "\x01");  // only the preview route, no "[no info]"
  EXPECT_EQ(State(), 1);
  Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload(kCaption), 0);
  ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", 5000));
  std::vector<CachedPresetRecord> records;
  ASSERT_TRUE(CachedPresets(records));
  EXPECT_TRUE(records.empty());

  TVirtualMidiBus::ReadOutput("Synth");
  Query(WM_TB_PREVIEW_PRESET, 5, 7);
  ASSERT_TRUE(WaitCachedPresets(1, records)) << records.size() << " records";
  const CachedPresetRecord& preview = records[0];
  EXPECT_EQ(preview.Bank, 0);
  EXPECT_EQ(preview.Program, 0);
  EXPECT_EQ(GetShortString(preview.PresetName), "Soft Bell");
  EXPECT_EQ(GetShortString(preview.MappingName), NoneMarker);
  EXPECT_EQ(GetShortString(preview.SourceFile), bell);
  EXPECT_EQ(preview.SourceBank, 5);
  EXPECT_EQ(preview.SourcePreset, 7);
  uint64_t total = 0, free = 0;
  ASSERT_TRUE(CardMemory(total, free));
  EXPECT_EQ(total - free, builder.PresetSampleBytes(0));
  // The synth is switched to bank 0, program 0 where the preview sits.
  std::vector<TVirtualMidiEvent> sent;
  ASSERT_TRUE(TVirtualMidiBus::WaitOutput("Synth", 2, 5000, sent));
  EXPECT_TRUE(OutputReceived(sent, 0x0000B0));
  EXPECT_TRUE(OutputReceived(sent, 0x0000C0));

  Query(WM_TB_PREVIEW_STOP, 0, 0);
  ASSERT_TRUE(WaitCachedPresets(0, records)) << records.size() << " records";
  ASSERT_TRUE(CardMemory(total, free));
  EXPECT_EQ(total, free);

  from = Tools->Received.size();
  Query(WM_TB_PREVIEW_OFF, 0, 0);
  EXPECT_NE(Tools->WaitFor(WM_TB_PREVIEW_STOPPED, from), nullptr);
  EXPECT_EQ(State(), 0);
  PostMessageA(Window, WM_COMMAND, TRAY_MENU_EXIT, 0);
  ExpectEndsCleanly();
}

// The editor starts the server and asks for preview as soon as its window exists, while the server
// still turns its routes on. The monitor answers the report of those routes with its selection, which
// the server takes after the preview began; the preview must keep its route's cache reported.
TEST_F(ServerE2E, PreviewAskedDuringStartUpKeepsItsCacheReportedThroughTheMonitorsLateSelection) {
  testsupport::TempFolder folder;
  sf2test::Sf2Builder builder;
  const std::string bell = StoreBellAndPreviewRoute(folder, builder);
  StoreActiveRoute("Keys");
  StoreActiveRoute("Pads", RouteNone);
  {
    TRegKey settings(TarnbelKeyPath, true);
    settings.WriteBool("AutoStart", true);
    settings.WriteInteger("CurrentRoute", 1);
  }
  StartServerWithVirtualMidi("in:Keys;in:Pads;out:Synth");
  PostMessageA(Window, WM_TB_PREVIEW_ON, 0, 0);

  // The routes of the start-up, last stored first, and the current one among them.
  const TReceived* list = Tools->WaitFor(WM_TB_ROUTE_LIST, 0, 20000);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->Payload, std::string("[no info]\x01Pads --> [none] --> SB Live!\x01") + kCaption + "\x01");
  ASSERT_EQ(LParamOf(Tools->WaitFor(WM_TB_CURRENT_ROUTE)), 1);
  PostMessageA(Window, WM_TB_SELECT_ROUTE, IPCWriteStringPayload("Pads --> [none] --> SB Live!"), 0);
  ASSERT_NE(Tools->WaitFor(WM_TB_PREVIEW_STARTED, 0, 20000), nullptr);

  Query(WM_TB_PREVIEW_FILE, IPCWriteStringPayload(bell), 0);
  Query(WM_TB_PREVIEW_PRESET, 5, 7);
  std::vector<CachedPresetRecord> records;
  ASSERT_TRUE(WaitCachedPresets(1, records)) << records.size() << " records";
  EXPECT_EQ(GetShortString(records[0].SourceFile), bell);
  EXPECT_EQ(records[0].SourcePreset, 7);
  EXPECT_EQ(TRegKey(TarnbelKeyPath, false).ReadInteger("CurrentRoute", -1), 1);
}

TEST_F(ServerE2E, WinampRequestsReachTheMidiMapperRouteOnly) {
  testsupport::TempFolder folder;
  StoreStudioMapping(folder.File("studio.sf2"));
  StoreActiveRoute("Keys");
  // The mapper's instrument names another port for now.
  testsupport::MidiMapperInstrument instrument("tarnbel e2e synth", "Some Other Synth");
  StartServerWithVirtualMidi();
  ASSERT_EQ(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)->LParam, 1);
  Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload(kCaption), 0);
  DWORD self = GetCurrentThreadId();

  // No route is the mapper's: the requester still hears back, and nothing is loaded.
  PostMessageA(Window, WM_TB_WINAMP_MODE_ON, 0, static_cast<LPARAM>(self));
  ASSERT_NE(Tools->WaitForThreadMessage(TM_WINAMP_MODE_ON_DONE), nullptr);
  ASSERT_TRUE(WinampLoad({PlaylistSlot(0, 9), PlaylistSlot(128, 4)}));
  std::vector<CachedPresetRecord> records;
  ASSERT_TRUE(CachedPresets(records));
  EXPECT_TRUE(records.empty());

  // Now the mapper plays into "Keys": the playlist's presets are in the card once the reply comes.
  instrument.SetFriendlyName("Keys");
  PostMessageA(Window, WM_TB_WINAMP_MODE_ON, 0, static_cast<LPARAM>(self));
  ASSERT_NE(Tools->WaitForThreadMessage(TM_WINAMP_MODE_ON_DONE), nullptr);
  ASSERT_TRUE(WinampLoad({PlaylistSlot(0, 9), PlaylistSlot(128, 4)}));
  ASSERT_TRUE(CachedPresets(records));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Loading, 0);
  EXPECT_EQ(records[1].Loading, 0);
  uint64_t total = 0, free = 0;
  ASSERT_TRUE(CardMemory(total, free));
  EXPECT_EQ(total - free, PadBytes() + KitBytes());

  // The next playlist resets the cache: the kit it no longer needs leaves the card.
  ASSERT_TRUE(WinampLoad({PlaylistSlot(0, 9)}));
  ASSERT_TRUE(WaitCachedPresets(1, records));
  EXPECT_EQ(records[0].Bank, 0);
  EXPECT_EQ(records[0].Program, 9);
  EXPECT_EQ(GetShortString(records[0].PresetName), "Warm Pad");
  ASSERT_TRUE(CardMemory(total, free));
  EXPECT_EQ(total - free, PadBytes());

  PostMessageA(Window, WM_TB_WINAMP_MODE_OFF, 0, 0);
  // Turned off, the requests are answered without loading.
  ASSERT_EQ(Ask(WM_TB_TURN_OFF, 0, 0, WM_TB_SERVER_STATE)->LParam, 0);
  EXPECT_TRUE(WinampLoad({PlaylistSlot(0, 9)}));
  EXPECT_TRUE(Server.Running());
}

TEST_F(ServerE2E, MidiMapperLoadsReleaseTheirRequesterThroughTheLoopbackRoute) {
  StoreActiveRoute("Tarnbel loopback 1");
  StartServerWithVirtualMidi("in:Tarnbel loopback 1;out:Synth");
  ASSERT_EQ(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)->LParam, 1);
  LPARAM requester = 0;
  // The first loopback port is number 0 to its clients.
  if (!EncodeMMRequesterParam(GetCurrentThreadId(), 0, requester))
    GTEST_SKIP() << "thread id does not fit the 16-bit field";

  // The route answers the block: it comes back to the requester's thread as its payload.
  std::vector<uint8_t> presets(MM_PRESETS_BLOCK_SIZE);
  for (size_t i = 0; i < presets.size(); ++i) presets[i] = static_cast<uint8_t>(i * 7);
  PostMessageA(Window, WM_TB_MM_LOAD_PRESETS, IPCWritePayload(presets.data(), presets.size()), requester);
  const MSG* done = Tools->WaitForThreadMessage(TM_MM_DONE);
  ASSERT_NE(done, nullptr);
  std::vector<uint8_t> answered;
  ASSERT_TRUE(IPCReceiveBuffer(done->wParam, answered));
  EXPECT_EQ(answered, presets);

  // Another loopback number finds no route: a bare reply.
  Tools->ThreadMessages.clear();
  LPARAM elsewhere = 0;
  ASSERT_TRUE(EncodeMMRequesterParam(GetCurrentThreadId(), 3, elsewhere));
  PostMessageA(Window, WM_TB_MM_LOAD_PRESETS, IPCWritePayload(presets.data(), presets.size()), elsewhere);
  done = Tools->WaitForThreadMessage(TM_MM_DONE);
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(done->wParam, 0u);

  for (bool anySet : {true, false}) {
    Tools->ThreadMessages.clear();
    TMMDrumWords words{};
    if (anySet) words[36] = 1;
    std::vector<uint8_t> drums = EncodeMMDrumWords(words);
    PostMessageA(Window, WM_TB_MM_LOAD_DRUMS, IPCWritePayload(drums.data(), drums.size()), requester);
    EXPECT_NE(Tools->WaitForThreadMessage(TM_MM_DONE), nullptr) << anySet;
  }
  EXPECT_EQ(State(), 1);
}
