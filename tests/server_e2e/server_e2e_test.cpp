// The real tarnbel.exe under Wine, with this suite as its tools program: start, commands and their
// replies, bad commands, second start, and the ways it ends.
#include "server_e2e_fixture.h"
#include "stored_settings.h"

using namespace e2e;

TEST_F(ServerE2E, StartsHiddenReadsItsSettingsAndQuitsFromTheMenuCommand) {
  StartServer();
  char className[64] = {0};
  GetClassNameA(Window, className, sizeof(className));
  EXPECT_STREQ(className, SERVER_WINDOW_CLASS);
  EXPECT_FALSE(IsWindowVisible(Window));
  EXPECT_EQ(Tools->Count(WM_TB_SERVER_STARTED), 1u);
  EXPECT_EQ(LParamOf(Tools->WaitFor(WM_TB_SERVER_STATE)), 0);
  // Settings are read with their defaults written back; the Show values off start no window.
  EXPECT_TRUE(testsupport::ValueExists(TarnbelKeyPath, "UnloadTime"));
  EXPECT_TRUE(testsupport::ValueExists(TarnbelKeyPath, "AddBankNameToPresetName"));
  EXPECT_TRUE(testsupport::ValueExists(TarnbelKeyPath, "AutoStart"));
  // The whole table, as the fixture left it (no preferences shown) and the cache size waiting for its override.
  EXPECT_EQ(testsupport::StoredSettingsDifferences({{"ShowPreferences", 0}}, {"OverrideCacheSizeValue"}),
            std::vector<std::string>{});
  EXPECT_EQ(Tools->Count(WM_TB_SHOW_PREFERENCES) + Tools->Count(WM_TB_SHOW_MONITOR), 0u);

  PostMessageA(Window, WM_COMMAND, TRAY_MENU_EXIT, 0);
  ExpectEndsCleanly();
}

TEST_F(ServerE2E, CloseAndEndOfSessionEndItLikeItsOwnExit) {
  StartServer();
  PostMessageA(Window, WM_CLOSE, 0, 0);
  ExpectEndsCleanly();

  Tools->Clear();
  StartServer();
  DWORD_PTR result = 0;
  SendMessageTimeoutA(Window, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &result);
  ExpectEndsCleanly();
}

TEST_F(ServerE2E, SecondStartShowsTheRealBoxAndEnds) {
  StartServer();
  e2e::TServerProcess second;
  ASSERT_TRUE(second.Start());
  HWND box = WaitForBox(second.ProcessId());
  ASSERT_NE(box, nullptr) << "no box captioned \"tarnbel\"";
  EXPECT_NE(testsupport::BoxText(box).find("Already started."), std::string::npos) << testsupport::BoxText(box);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  DWORD code = 99;
  EXPECT_TRUE(second.WaitExit(10000, code));
  EXPECT_EQ(code, 0u);

  // The first server runs on, alone.
  EXPECT_EQ(e2e::ServerWindow(), Window);
  EXPECT_EQ(State(), 0);
  EXPECT_EQ(Tools->Count(WM_TB_SERVER_STARTED), 1u);
}

TEST_F(ServerE2E, TurningOnAndOffReportsStateAndRouteList) {
  StartServer();
  EXPECT_EQ(State(), 0);
  const TReceived* list = Ask(WM_TB_GET_ROUTES, 0, 0, WM_TB_ROUTE_LIST);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->HasPayload);
  EXPECT_EQ(list->Payload, "");  // off: empty

  size_t from = Tools->Received.size();
  PostMessageA(Window, WM_TB_TURN_ON, 0, 0);
  list = Tools->WaitFor(WM_TB_ROUTE_LIST, from);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Payload, std::string("[no info]\x01"));
  const TReceived* state = Tools->WaitFor(WM_TB_SERVER_STATE, from);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->LParam, 1);
  EXPECT_NE(Tools->WaitFor(WM_TB_CURRENT_ROUTE, from), nullptr);
  EXPECT_EQ(State(), 1);
  list = Ask(WM_TB_GET_ROUTES, 0, 0, WM_TB_ROUTE_LIST);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Payload, std::string("[no info]\x01"));

  from = Tools->Received.size();
  PostMessageA(Window, WM_TB_TURN_OFF, 0, 0);
  EXPECT_NE(Tools->WaitFor(WM_TB_CACHE_CLEAR, from), nullptr);
  list = Tools->WaitFor(WM_TB_ROUTE_LIST, from);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Payload, "");
  EXPECT_EQ(State(), 0);

  // Restart from off turns on; the tray menu's Turn off ends it again.
  from = Tools->Received.size();
  PostMessageA(Window, WM_TB_RESTART, 0, 0);
  EXPECT_EQ(State(), 1);
  PostMessageA(Window, WM_COMMAND, TRAY_MENU_TURN_OFF, 0);
  EXPECT_EQ(State(), 0);
}

TEST_F(ServerE2E, FileNameAndTextAreKeptAndSentOn) {
  StartServer();
  TPayloadAtom atom(IPCWriteStringPayload("song.mid"));
  const TReceived* name = Ask(WM_TB_SET_FILE_NAME, atom, 0, WM_TB_FILE_NAME);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->Payload, "song.mid");
  EXPECT_FALSE(AtomExists(atom));  // read and removed

  atom = TPayloadAtom(IPCWriteStringPayload(std::string("line 1\r\nline 2")));
  const TReceived* text = Ask(WM_TB_SET_FILE_TEXT, atom, 0, WM_TB_FILE_TEXT);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Payload, "line 1\r\nline 2");

  name = Ask(WM_TB_GET_FILE_NAME, 0, 0, WM_TB_FILE_NAME);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->Payload, "song.mid");
  text = Ask(WM_TB_GET_FILE_TEXT, 0, 0, WM_TB_FILE_TEXT);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Payload, "line 1\r\nline 2");
}

TEST_F(ServerE2E, NameQueriesAnswerFromTheStoredMappings) {
  StoreMapping("piano", 1, {{3, 7}, {3, 9}}, "Pianos");
  StartServer();

  EXPECT_EQ(ReadAtomText(Query(WM_TB_QUERY_PRESET_NAME, 3, 7)), "piano preset");
  EXPECT_EQ(ReadAtomText(Query(WM_TB_QUERY_PRESET_NAME, 3, 8)), NoneMarker);
  EXPECT_EQ(ReadAtomText(Query(WM_TB_QUERY_1175, 0, 3)), "Pianos");
  // No routes run: any index is outside the list.
  EXPECT_EQ(Query(WM_TB_QUERY_ROUTE_COUNT, 0, 0), 0);
  EXPECT_EQ(ReadAtomText(Query(WM_TB_QUERY_ROUTE_NAME, 0, 0)), NoneMarker);
  EXPECT_EQ(ReadAtomText(Query(WM_TB_QUERY_ROUTE_NAME, 0, -1)), NoneMarker);

  // Bank 3's preset names, once until the flags are cleared.
  LRESULT atom = Query(WM_TB_QUERY_BANK_NAMES, 0, 3);
  ASSERT_NE(atom, 0);
  std::vector<uint8_t> block;
  ASSERT_TRUE(IPCReceiveBuffer(static_cast<WPARAM>(atom), block));
  std::vector<std::string> names;
  ASSERT_TRUE(DecodeBankNames(block, names));
  EXPECT_EQ(names[7], "piano preset");
  EXPECT_EQ(names[9], "piano preset");
  EXPECT_EQ(names[8], "");
  EXPECT_EQ(Query(WM_TB_QUERY_BANK_NAMES, 0, 3), 0);
  // The bank names (129) are served separately.
  atom = Query(WM_TB_QUERY_BANK_NAMES, 0, 129);
  ASSERT_NE(atom, 0);
  ASSERT_TRUE(IPCReceiveBuffer(static_cast<WPARAM>(atom), block));
  ASSERT_TRUE(DecodeBankNames(block, names));
  EXPECT_EQ(names[3], "Pianos");
  Query(WM_TB_RESET_NAME_FLAGS, 0, 0);  // sent: a posted one would come after the sent query
  atom = Query(WM_TB_QUERY_BANK_NAMES, 0, 3);
  EXPECT_NE(atom, 0);
  if (atom) IPCReceiveBuffer(static_cast<WPARAM>(atom), block);
  // Outside 0-129: refused.
  EXPECT_EQ(Query(WM_TB_QUERY_BANK_NAMES, 0, 130), 0);
  EXPECT_EQ(Query(WM_TB_QUERY_BANK_NAMES, 0, -1), 0);
}

TEST_F(ServerE2E, SelectingAnUnknownRouteStoresZero) {
  // Two stored routes, so that the stored choice names one of them.
  StoreActiveRoute("Keys");
  StoreActiveRoute("Pads");
  testsupport::WriteRawDword(TarnbelKeyPath, "CurrentRoute", 2);
  StartServer();
  const TReceived* current = Ask(WM_TB_GET_CURRENT_ROUTE, 0, 0, WM_TB_CURRENT_ROUTE);
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(current->LParam, 2);

  Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload("Nowhere -> Nothing"), 0);
  current = Ask(WM_TB_GET_CURRENT_ROUTE, 0, 0, WM_TB_CURRENT_ROUTE);
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(current->LParam, 0);
  testsupport::RawValue stored = testsupport::ReadRaw(TarnbelKeyPath, "CurrentRoute");
  ASSERT_TRUE(stored.found);
  ASSERT_EQ(stored.data.size(), 4u);
  EXPECT_EQ(stored.data[0] | stored.data[1] | stored.data[2] | stored.data[3], 0);
}

// The same route stored twice: the route that opens second cannot have the ports and says so. The
// monitor answers the current-route report with the caption of its row, which both routes have: the
// stored choice, the route that runs, stays.
TEST_F(ServerE2E, ARouteThatFailsToOpenChangesNoStoredChoice) {
  StoreActiveRoute("Keys");
  StoreActiveRoute("Keys");
  TRegKey(TarnbelKeyPath, true).WriteInteger("CurrentRoute", 1);
  StartServerWithVirtualMidi();
  ASSERT_EQ(LParamOf(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)), 1);
  HWND box = WaitForBox(Server.ProcessId());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(testsupport::BoxText(box).find("Can't open MIDI Input:  \"Keys\""), 0u) << testsupport::BoxText(box);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_EQ(LParamOf(LastReceived(WM_TB_CURRENT_ROUTE)), 1);

  Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload("Keys --> Synth --> SB Live!"), 0);
  EXPECT_EQ(LParamOf(Ask(WM_TB_GET_CURRENT_ROUTE, 0, 0, WM_TB_CURRENT_ROUTE)), 1);
  EXPECT_EQ(TRegKey(TarnbelKeyPath, false).ReadInteger("CurrentRoute", -1), 1);
}

TEST_F(ServerE2E, TurningOffDuringPreviewEndsItWithoutTurningBackOn) {
  WritePreviewRoute(RouteRecord{"Keys", "Synth", "SB Live!", ""});
  StartServerWithVirtualMidi();
  ASSERT_EQ(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)->LParam, 1);

  size_t from = Tools->Received.size();
  PostMessageA(Window, WM_TB_PREVIEW_ON, 0, 0);
  ASSERT_NE(Tools->WaitFor(WM_TB_PREVIEW_STARTED, from), nullptr);
  EXPECT_EQ(State(), 1);
  // In preview the list holds the preview route alone.
  const TReceived* list = Ask(WM_TB_GET_ROUTES, 0, 0, WM_TB_ROUTE_LIST);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Payload, std::string("Keys --> Synth --> SB Live!\x01"));

  from = Tools->Received.size();
  PostMessageA(Window, WM_TB_TURN_OFF, 0, 0);
  ASSERT_NE(Tools->WaitFor(WM_TB_PREVIEW_STOPPED, from), nullptr);
  Tools->PumpFor(700);
  EXPECT_EQ(State(), 0);
  for (size_t i = from; i < Tools->Received.size(); ++i) {
    if (Tools->Received[i].Id == WM_TB_SERVER_STATE) {
      EXPECT_EQ(Tools->Received[i].LParam, 0);
    }
  }
}

TEST_F(ServerE2E, PreviewWithoutARouteShowsItsBoxAndStaysOff) {
  StartServer();
  PostMessageA(Window, WM_TB_PREVIEW_ON, 0, 0);
  HWND box = WaitForBox(Server.ProcessId());
  ASSERT_NE(box, nullptr);
  EXPECT_NE(testsupport::BoxText(box).find("There is no preview route assigned."), std::string::npos);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  Tools->PumpUntil([&] { return e2e::FindServerBox(Server.ProcessId()) == nullptr; }, 5000);
  EXPECT_EQ(State(), 0);
  EXPECT_EQ(Tools->Count(WM_TB_PREVIEW_STARTED), 0u);

  PostMessageA(Window, WM_TB_INSTALLER_RUNNING, 0, 0);
  box = WaitForBox(Server.ProcessId());
  ASSERT_NE(box, nullptr);
  EXPECT_NE(testsupport::BoxText(box).find("Installer can't work while tarnbel is running."), std::string::npos);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST_F(ServerE2E, OutsideClientsHearBackOnTheirThreads) {
  StartServer();
  DWORD self = GetCurrentThreadId();

  PostMessageA(Window, WM_TB_WINAMP_MODE_ON, 0, static_cast<LPARAM>(self));
  EXPECT_NE(Tools->WaitForThreadMessage(TM_WINAMP_MODE_ON_DONE), nullptr);

  std::vector<uint8_t> block = EncodeBankProgramBlock({BankProgramRecord{}, BankProgramRecord{}});
  size_t from = Tools->Received.size();
  PostMessageA(Window, WM_TB_WINAMP_LOAD_PRESETS, IPCWritePayload(block.data(), block.size()),
               static_cast<LPARAM>(self));
  EXPECT_NE(Tools->WaitForThreadMessage(TM_WINAMP_LOADED), nullptr);
  // Busy while serving, idle again at once afterwards.
  EXPECT_NE(Tools->WaitFor(WM_TB_SERVER_BUSY, from), nullptr);
  EXPECT_NE(Tools->WaitFor(WM_TB_SERVER_IDLE, from), nullptr);

  LPARAM requester = 0;
  if (!EncodeMMRequesterParam(self, 1, requester)) GTEST_SKIP() << "thread id does not fit the 16-bit field";
  std::vector<uint8_t> presets(MM_PRESETS_BLOCK_SIZE, 0x11);
  PostMessageA(Window, WM_TB_MM_LOAD_PRESETS, IPCWritePayload(presets.data(), presets.size()), requester);
  const MSG* done = Tools->WaitForThreadMessage(TM_MM_DONE);
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(done->wParam, 0u);  // no route took the block

  Tools->ThreadMessages.clear();
  TMMDrumWords words{};
  words[35] = 1;
  std::vector<uint8_t> drums = EncodeMMDrumWords(words);
  PostMessageA(Window, WM_TB_MM_LOAD_DRUMS, IPCWritePayload(drums.data(), drums.size()), requester);
  EXPECT_NE(Tools->WaitForThreadMessage(TM_MM_DONE), nullptr);
}

TEST_F(ServerE2E, BadCommandsLeaveItRunning) {
  StartServer();
  DWORD self = GetCurrentThreadId();

  // Ids without a case.
  for (UINT id : {1074u, 1120u, 1199u, 1300u, WM_USER + 9000u}) PostMessageA(Window, id, 12345, 67890);

  // An atom naming a payload file that does not exist, and one naming a file outside the temp folder.
  char temp[MAX_PATH];
  GetTempPathA(sizeof(temp), temp);
  ATOM missing = GlobalAddAtomA((std::string(temp) + "$$$gone.tmp").c_str());
  PostMessageA(Window, WM_TB_SET_FILE_NAME, missing, 0);
  const std::string outside = "C:\\tarnbel_e2e_outside.tmp";
  ASSERT_TRUE(testsupport::WriteBytes(outside, "keep me"));
  ATOM outsideAtom = GlobalAddAtomA(outside.c_str());
  PostMessageA(Window, WM_TB_SET_FILE_TEXT, outsideAtom, 0);
  PostMessageA(Window, WM_TB_SELECT_ROUTE, outsideAtom, 0);

  // Payloads of the wrong size: the requester still hears back, and the payload is removed.
  LPARAM requester = 0;
  bool mmEncodable = EncodeMMRequesterParam(self, 1, requester);
  TPayloadAtom shortBlock(IPCWritePayload("0123456789", 10));
  TPayloadAtom oddDrums(IPCWritePayload("1234567", 7));
  if (mmEncodable) {
    PostMessageA(Window, WM_TB_MM_LOAD_PRESETS, shortBlock, requester);
    PostMessageA(Window, WM_TB_MM_LOAD_DRUMS, oddDrums, requester);
  }
  std::vector<uint8_t> badCount = EncodeBankProgramBlock({BankProgramRecord{}});
  badCount[0] = 5;  // claims five records, holds one
  PostMessageA(Window, WM_TB_WINAMP_LOAD_PRESETS, IPCWritePayload(badCount.data(), badCount.size()),
               static_cast<LPARAM>(self));

  // Requester threads that do not exist.
  PostMessageA(Window, WM_TB_WINAMP_MODE_ON, 0, 0x7FFFFFF0);
  std::vector<uint8_t> fine = EncodeBankProgramBlock({BankProgramRecord{}});
  PostMessageA(Window, WM_TB_WINAMP_LOAD_PRESETS, IPCWritePayload(fine.data(), fine.size()), 0x7FFFFFF0);
  LPARAM nobody = 0;
  if (EncodeMMRequesterParam(0xFFF0, 2, nobody)) {
    std::vector<uint8_t> presets(MM_PRESETS_BLOCK_SIZE, 0);
    PostMessageA(Window, WM_TB_MM_LOAD_PRESETS, IPCWritePayload(presets.data(), presets.size()), nobody);
  }

  EXPECT_NE(Tools->WaitForThreadMessage(TM_WINAMP_LOADED), nullptr);
  if (mmEncodable) {
    Tools->PumpUntil([&] {
      size_t count = 0;
      for (const MSG& msg : Tools->ThreadMessages) count += msg.message == TM_MM_DONE;
      return count == 2;
    });
    size_t count = 0;
    for (const MSG& msg : Tools->ThreadMessages) count += msg.message == TM_MM_DONE;
    EXPECT_EQ(count, 2u);
    EXPECT_FALSE(AtomExists(shortBlock));
    EXPECT_FALSE(AtomExists(oddDrums));
  }

  // Still there and answering; the file outside the temp folder was neither read nor removed.
  EXPECT_TRUE(Server.Running());
  EXPECT_EQ(State(), 0);
  EXPECT_EQ(Tools->Count(WM_TB_FILE_NAME) + Tools->Count(WM_TB_FILE_TEXT), 0u);
  EXPECT_EQ(testsupport::ReadBytes(outside), "keep me");
  DeleteFileA(outside.c_str());
  GlobalDeleteAtom(outsideAtom);
  GlobalDeleteAtom(missing);

  PostMessageA(Window, WM_COMMAND, TRAY_MENU_EXIT, 0);
  ExpectEndsCleanly();
}

TEST_F(ServerE2E, StartUpWithTwentyStoredMappings) {
  for (int m = 0; m < 20; ++m) {
    std::vector<std::pair<int, int>> slots;
    for (int p = 0; p < 64; ++p) slots.push_back({m % 8, p});
    StoreMapping("mapping" + std::to_string(m), m, slots);
  }
  DWORD start = GetTickCount();
  StartServer();
  DWORD elapsed = GetTickCount() - start;
  std::cout << "start-up with 20 stored mappings (64 presets each), process start to first state report: "
            << elapsed << " ms" << std::endl;
  EXPECT_EQ(ReadAtomText(Query(WM_TB_QUERY_PRESET_NAME, 3, 5)), "mapping19 preset");
}

TEST_F(ServerE2E, BusyIdleAndOneBoxPerErrorEpisode) {
  testsupport::TempFolder folder;
  StoreStudioMapping(folder.File("studio.sf2"));
  StoreMapping("Gone", 2, {{0, 20}});  // a file that is not there
  StoreActiveRoute("Keys");
  StartServerWithVirtualMidi();
  ASSERT_EQ(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)->LParam, 1);
  Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload("Keys --> Synth --> SB Live!"), 0);
  ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", 5000));
  auto play = [](uint32_t message) { ASSERT_EQ(TVirtualMidiBus::Play("Keys", message), TVirtualPlayResult::Played); };

  // A load while on: the idle report comes at once, and again once the half-second tick has brought
  // the idle icon back.
  size_t from = Tools->Received.size();
  play(0x09C0);
  ASSERT_NE(Tools->WaitFor(WM_TB_SERVER_BUSY, from), nullptr);
  ASSERT_NE(Tools->WaitFor(WM_TB_SERVER_IDLE, from), nullptr);
  DWORD firstIdle = GetTickCount();
  ASSERT_TRUE(Tools->PumpUntil([&] { return Tools->Count(WM_TB_SERVER_IDLE, from) == 2; }, 3000));
  DWORD delay = GetTickCount() - firstIdle;
  EXPECT_GE(delay, 300u);
  EXPECT_LE(delay, 1600u);

  // The first error shows its box; a second error and a lamp arrive while it is up.
  from = Tools->Received.size();
  play(0x14C0);  // program 20 on channel 1
  HWND box = WaitForBox(Server.ProcessId());
  ASSERT_NE(box, nullptr);
  EXPECT_NE(testsupport::BoxText(box).find("One or more of requested presets not found"), std::string::npos);
  EXPECT_EQ(Tools->Count(WM_TB_SERVER_ERROR, from), 1u);
  play(0x14C1);         // and on channel 2
  play(0x7F3C90);       // a note on channel 1
  Tools->PumpFor(200);
  PostMessageA(box, WM_COMMAND, IDNO, 0);

  // The lamp was kept through the box; the second error stays silent.
  const TReceived* lampSeen = Tools->WaitFor(WM_TB_NOTE_ON_LAMP, from);
  ASSERT_NE(lampSeen, nullptr);
  EXPECT_EQ(lampSeen->WParam, 0u);
  EXPECT_EQ(lampSeen->LParam, EncodeLampParam(0, 20));
  Tools->PumpFor(700);
  EXPECT_EQ(e2e::FindServerBox(Server.ProcessId()), nullptr);
  EXPECT_EQ(Tools->Count(WM_TB_SERVER_ERROR, from), 1u);

  // A left-click on the tray icon ends the episode: the next error has its box again.
  PostMessageA(Window, WM_TB_TRAY_CALLBACK, 0, WM_LBUTTONDOWN);
  play(0x14C2);
  box = WaitForBox(Server.ProcessId());
  ASSERT_NE(box, nullptr);
  PostMessageA(box, WM_COMMAND, IDNO, 0);
  EXPECT_EQ(Tools->Count(WM_TB_SERVER_ERROR, from), 2u);
}

// Drum notes keep asking for a kit whose file is gone while its box is up: what the box holds back for
// later stays bounded, and so does the server's private memory.
TEST_F(ServerE2E, RequestsHeldWhileABoxIsUpLeaveTheMemoryFlat) {
  StoreMapping("Gone", 1, {{128, 5}});  // a kit whose file is not there
  StoreActiveRoute("Keys");
  StartServerWithVirtualMidi();
  ASSERT_EQ(LParamOf(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)), 1);
  Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload("Keys --> Synth --> SB Live!"), 0);
  ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", 5000));
  ASSERT_EQ(TVirtualMidiBus::Play("Keys", 0x05C9), TVirtualPlayResult::Played);  // kit 5 on channel 10
  HWND box = WaitForBox(Server.ProcessId());
  ASSERT_NE(box, nullptr);
  // The notes; a list of the cache, which comes once the manager thread has failed each of them; and a
  // state report posted behind what the threads posted to the main thread meanwhile.
  std::vector<CachedPresetRecord> records;
  auto notes = [&](int count) {
    for (int i = 0; i < count; ++i) {
      ASSERT_TRUE(i % 512 || TVirtualMidiBus::WaitDelivered("Keys", 10000));
      ASSERT_EQ(TVirtualMidiBus::Play("Keys", 0x7F2499), TVirtualPlayResult::Played);
    }
    ASSERT_TRUE(TVirtualMidiBus::WaitDelivered("Keys", 10000));
    ASSERT_TRUE(CachedPresets(records));
    const size_t from = Tools->Received.size();
    PostMessageA(Window, WM_TB_GET_STATE, 0, 0);
    ASSERT_NE(Tools->WaitFor(WM_TB_SERVER_STATE, from, 60000), nullptr);
  };
  ASSERT_NO_FATAL_FAILURE(notes(5000));
  const size_t before = Server.PrivateBytes();
  DWORD start = GetTickCount();
  ASSERT_NO_FATAL_FAILURE(notes(60000));
  const size_t after = Server.PrivateBytes();
  std::cout << "60,000 drum notes held behind a box in " << GetTickCount() - start << " ms: private bytes "
            << before / 1024 << " KB before, " << after / 1024 << " KB after" << std::endl;
  ASSERT_GT(before, 0u);
  EXPECT_LT(after, before + 512 * 1024);
  PostMessageA(box, WM_COMMAND, IDNO, 0);
  EXPECT_TRUE(Tools->PumpUntil([&] { return e2e::FindServerBox(Server.ProcessId()) == nullptr; }));
}

TEST_F(ServerE2E, ExitChosenFromTheRealTrayMenuEndsIt) {
  StartServer();
  PostMessageA(Window, WM_TB_TRAY_CALLBACK, 0, WM_RBUTTONDOWN);
  HWND popup = nullptr;
  Tools->PumpUntil([&] { return (popup = e2e::FindServerMenu(Server.ProcessId())) != nullptr; }, 10000);
  ASSERT_NE(popup, nullptr) << "the tray menu did not open";
  // Down from no selection lands on the first item, "Exit".
  PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(popup, WM_CHAR, '\r', 0);
  ExpectEndsCleanly();
}

TEST_F(ServerE2E, MappingCommandsChangeWhatTheQueriesAnswer) {
  StoreMapping("piano", 1, {{3, 7}});
  StoreMapping("organ", 2, {{3, 7}});
  StartServer();
  auto presetName = [&](int bank, int program) { return ReadAtomText(Query(WM_TB_QUERY_PRESET_NAME, bank, program)); };
  EXPECT_EQ(presetName(3, 7), "organ preset");

  // The order text: name, 0x01, priority, 0x01.
  Query(WM_TB_MAPPING_ORDER, IPCWriteStringPayload(EncodeMappingOrder({{"organ", 1}, {"piano", 5}})), 0);
  EXPECT_EQ(presetName(3, 7), "piano preset");

  Query(WM_TB_MAPPING_DEACTIVATE, IPCWriteStringPayload("piano"), 0);
  EXPECT_EQ(presetName(3, 7), "organ preset");
  Query(WM_TB_MAPPING_DEACTIVATE, IPCWriteStringPayload("organ"), 0);
  EXPECT_EQ(presetName(3, 7), NoneMarker);
  Query(WM_TB_MAPPING_ACTIVATE, IPCWriteStringPayload("piano"), 0);
  EXPECT_EQ(presetName(3, 7), "piano preset");

  // A saved mapping is read again from the registry.
  StoreMapping("piano", 5, {{3, 7}, {3, 8}});
  EXPECT_EQ(presetName(3, 8), NoneMarker);
  Query(WM_TB_MAPPING_SAVED, IPCWriteStringPayload("piano"), 0);
  EXPECT_EQ(presetName(3, 8), "piano preset");

  // Activation and the bank-name setting clear the flags of the banks already served.
  std::vector<uint8_t> block;
  LRESULT atom = Query(WM_TB_QUERY_BANK_NAMES, 0, 3);
  ASSERT_NE(atom, 0);
  IPCReceiveBuffer(static_cast<WPARAM>(atom), block);
  EXPECT_EQ(Query(WM_TB_QUERY_BANK_NAMES, 0, 3), 0);
  Query(WM_TB_MAPPING_ACTIVATE, IPCWriteStringPayload("organ"), 0);
  atom = Query(WM_TB_QUERY_BANK_NAMES, 0, 3);
  ASSERT_NE(atom, 0);
  IPCReceiveBuffer(static_cast<WPARAM>(atom), block);
  Query(WM_TB_SET_ADD_BANK_NAME, 0, 1);
  atom = Query(WM_TB_QUERY_BANK_NAMES, 0, 3);
  ASSERT_NE(atom, 0);
  IPCReceiveBuffer(static_cast<WPARAM>(atom), block);
}

TEST_F(ServerE2E, TrayIconFollowsOffOnBusyErrorAndGoesAtExit) {
  testsupport::TempFolder folder;
  const std::string log = folder.File("tray.log");
  SetEnvironmentVariableA("TARNBEL_TRAY_LOG", log.c_str());
  StoreMapping("Gone", 1, {{0, 20}});  // a file that is not there
  StartServerWithVirtualMidi();
  SetEnvironmentVariableA("TARNBEL_TRAY_LOG", nullptr);

  std::vector<TTrayCall> calls = ReadTrayLog(log);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0].Message, static_cast<unsigned long>(NIM_ADD));
  const std::string disabled = calls[0].Icon;

  Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE);
  calls = ReadTrayLog(log);
  size_t mark = calls.size();
  std::vector<std::string> icons = IconsSet(calls);
  ASSERT_EQ(icons.size(), 2u);
  const std::string idle = icons[1];
  EXPECT_NE(idle, disabled);
  bool tipSet = false;
  for (const TTrayCall& call : calls) tipSet = tipSet || ((call.Flags & NIF_TIP) && call.Tip == "no info");
  EXPECT_TRUE(tipSet) << "without a route that has a SoundFont device the tip reads \"no info\"";

  // Busy with an outside client's request: the working icon; idle again after the half-second tick.
  const std::vector<uint8_t> noKits(256, 0);
  size_t from = Tools->Received.size();
  PostMessageA(Window, WM_TB_MM_LOAD_DRUMS, IPCWritePayload(noKits.data(), noKits.size()), 0);
  ASSERT_TRUE(Tools->PumpUntil([&] { return Tools->Count(WM_TB_SERVER_IDLE, from) == 2; }, 3000));
  calls = ReadTrayLog(log);
  icons = IconsSet(calls, mark);
  ASSERT_EQ(icons.size(), 2u);
  const std::string working = icons[0];
  EXPECT_NE(working, idle);
  EXPECT_NE(working, disabled);
  EXPECT_EQ(icons[1], idle);

  // A load that fails: the error icon until the user clicks the icon.
  StoreActiveRoute("Keys");
  ASSERT_EQ(LParamOf(Ask(WM_TB_ROUTES_CHANGED, 0, 0, WM_TB_SERVER_STATE)), 1);
  ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", 5000));
  mark = ReadTrayLog(log).size();
  ASSERT_EQ(TVirtualMidiBus::Play("Keys", 0x14C0), TVirtualPlayResult::Played);
  HWND box = WaitForBox(Server.ProcessId());
  ASSERT_NE(box, nullptr);
  PostMessageA(box, WM_COMMAND, IDNO, 0);
  ASSERT_TRUE(Tools->PumpUntil([&] { return e2e::FindServerBox(Server.ProcessId()) == nullptr; }));
  Query(WM_TB_TRAY_CALLBACK, 0, WM_LBUTTONDOWN);
  Ask(WM_TB_TURN_OFF, 0, 0, WM_TB_SERVER_STATE);
  calls = ReadTrayLog(log);
  icons = IconsSet(calls, mark);
  ASSERT_GE(icons.size(), 4u);
  EXPECT_EQ(icons[0], working);
  EXPECT_NE(icons[1], working);
  EXPECT_NE(icons[1], idle);
  EXPECT_NE(icons[1], disabled);
  EXPECT_EQ(icons[2], idle);
  EXPECT_EQ(icons.back(), disabled);

  PostMessageA(Window, WM_COMMAND, TRAY_MENU_EXIT, 0);
  ExpectEndsCleanly();
  calls = ReadTrayLog(log);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().Message, static_cast<unsigned long>(NIM_DELETE));
}

TEST_F(ServerE2E, AutoStartTurnsOnAndShowValuesReachTheRunningToolsInOrder) {
  {
    TRegKey key(TarnbelKeyPath, true);
    key.WriteBool("AutoStart", true);
    key.WriteBool("ShowMonitor", true);
    key.WriteBool("ShowControlPanel", true);
    key.WriteBool("ShowMappingsEditor", true);
    key.WriteBool("ShowPreferences", true);
  }
  StartServer();
  ASSERT_TRUE(Tools->PumpUntil([&] { return Tools->Count(WM_TB_SHOW_PREFERENCES) == 1; }));
  std::vector<UINT> order;
  LPARAM lastState = -1;
  for (const TReceived& r : Tools->Received) {
    if (r.Id == WM_TB_SHOW_MONITOR || r.Id == WM_TB_SHOW_MANAGER || r.Id == WM_TB_SHOW_EDITOR ||
        r.Id == WM_TB_SHOW_PREFERENCES)
      order.push_back(r.Id);
    if (r.Id == WM_TB_SERVER_STATE) lastState = r.LParam;
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_TB_SHOW_MONITOR, WM_TB_SHOW_MANAGER, WM_TB_SHOW_EDITOR,
                                      WM_TB_SHOW_PREFERENCES}));
  // Off reported first, then on by AutoStart, before the Show requests.
  EXPECT_EQ(LParamOf(Tools->WaitFor(WM_TB_SERVER_STATE)), 0);
  EXPECT_EQ(lastState, 1);
  EXPECT_EQ(State(), 1);
}

TEST_F(ServerE2E, StoredActiveRoutesRunWhileOnAndCanBeSelected) {
  {
    TRegArray routes(RoutesPath, false);
    routes.Add(RouteRecordToString({"Keys", "Synth", "SB Live!", RouteActive}), true);
    routes.Add(RouteRecordToString({"Pads", RouteNone, RouteNone, RoutePassive}), true);
    routes.Save();
  }
  StartServerWithVirtualMidi();

  const std::string caption = "Keys --> Synth --> SB Live!";
  size_t from = Tools->Received.size();
  ASSERT_EQ(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)->LParam, 1);
  const TReceived* list = Tools->WaitFor(WM_TB_ROUTE_LIST, from);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Payload, "[no info]\x01" + caption + "\x01");  // the passive route stays out
  EXPECT_EQ(Query(WM_TB_QUERY_ROUTE_COUNT, 0, 0), 1);
  EXPECT_EQ(ReadAtomText(Query(WM_TB_QUERY_ROUTE_NAME, 0, 0)), "Keys");
  EXPECT_EQ(ReadAtomText(Query(WM_TB_QUERY_ROUTE_NAME, 0, 1)), NoneMarker);

  Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload(caption), 0);
  const TReceived* current = Ask(WM_TB_GET_CURRENT_ROUTE, 0, 0, WM_TB_CURRENT_ROUTE);
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(current->LParam, 1);
  testsupport::RawValue stored = testsupport::ReadRaw(TarnbelKeyPath, "CurrentRoute");
  ASSERT_EQ(stored.data.size(), 4u);
  EXPECT_EQ(stored.data[0], 1);

  // Resets of the current route leave it running.
  Query(WM_TB_HARD_RESET, 0, 0);
  Query(WM_TB_MIDI_RESET, 0, 0);
  EXPECT_EQ(State(), 1);

  // Outside clients see no routes while the SoundFont device interface is off.
  Query(WM_TB_SET_DISABLE_SF_INTERFACE, 0, 1);
  EXPECT_EQ(Query(WM_TB_QUERY_ROUTE_COUNT, 0, 0), 0);

  from = Tools->Received.size();
  ASSERT_EQ(Ask(WM_TB_TURN_OFF, 0, 0, WM_TB_SERVER_STATE)->LParam, 0);
  list = Tools->WaitFor(WM_TB_ROUTE_LIST, from);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Payload, "");
  PostMessageA(Window, WM_COMMAND, TRAY_MENU_EXIT, 0);
  ExpectEndsCleanly();
}

TEST_F(ServerE2E, PresetsPlayedIntoARouteComeBackInTheCacheListTheCardAndTheTip) {
  testsupport::TempFolder folder;
  const std::string bank = folder.File("studio.sf2");
  StoreStudioMapping(bank);
  StoreActiveRoute("Keys");
  const std::string log = folder.File("tray.log");
  SetEnvironmentVariableA("TARNBEL_TRAY_LOG", log.c_str());
  StartServerWithVirtualMidi();
  SetEnvironmentVariableA("TARNBEL_TRAY_LOG", nullptr);
  ASSERT_EQ(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)->LParam, 1);
  Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload("Keys --> Synth --> SB Live!"), 0);
  ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", 5000));
  ASSERT_EQ(TVirtualMidiBus::Play("Keys", 0x0000B0), TVirtualPlayResult::Played);  // bank 0
  ASSERT_EQ(TVirtualMidiBus::Play("Keys", 0x09C0), TVirtualPlayResult::Played);    // program 9, channel 1
  ASSERT_EQ(TVirtualMidiBus::Play("Keys", 0x04C9), TVirtualPlayResult::Played);    // kit 4, drum channel

  std::vector<CachedPresetRecord> records;
  ASSERT_TRUE(WaitCachedPresets(2, records)) << records.size() << " records";
  const TReceived* count = LastReceived(WM_TB_CACHE_COUNT);
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count->LParam, 2);

  // The card holds both presets' samples, and the tip says so.
  uint64_t total = 0, free = 0;
  ASSERT_TRUE(CardMemory(total, free));
  EXPECT_EQ(total - free, PadBytes() + KitBytes());
  const std::string tip = std::to_string(free / 1024) + "k free, " + std::to_string((total - free) / 1024) +
                          "k used, " + std::to_string(total / 1024) + "k max, 2 cached";
  EXPECT_TRUE(Tools->PumpUntil([&] {
    std::vector<TTrayCall> calls = ReadTrayLog(log);
    return !calls.empty() && calls.back().Tip == tip;
  })) << "last tip: " << (ReadTrayLog(log).empty() ? "" : ReadTrayLog(log).back().Tip);

  // Last cached first: the kit, then the melodic preset.
  const CachedPresetRecord& kit = records[0];
  EXPECT_EQ(kit.Bank, 32768);
  EXPECT_EQ(kit.Program, 4);
  EXPECT_EQ(GetShortString(kit.PresetName), "Room Kit");
  EXPECT_EQ(GetShortString(kit.SourceFile), bank);
  EXPECT_EQ(GetShortString(kit.MappingName), "Studio");
  EXPECT_EQ(kit.SourceBank, 128);
  EXPECT_EQ(kit.SourcePreset, 2);
  EXPECT_EQ(kit.Channel, 9);

  const CachedPresetRecord& pad = records[1];
  EXPECT_EQ(pad.Loading, 0);
  EXPECT_EQ(pad.Removing, 0);
  EXPECT_EQ(pad.Bank, 0);
  EXPECT_EQ(pad.Program, 9);
  EXPECT_EQ(GetShortString(pad.PresetName), "Warm Pad");
  EXPECT_EQ(pad.Channel, 0);
  EXPECT_EQ(GetShortString(pad.SourceFile), bank);
  EXPECT_EQ(GetShortString(pad.MappingName), "Studio");
  EXPECT_EQ(pad.SourceBank, 0);
  EXPECT_EQ(pad.SourcePreset, 3);
  EXPECT_NE(pad.EntryId, kit.EntryId);

  PostMessageA(Window, WM_COMMAND, TRAY_MENU_EXIT, 0);
  ExpectEndsCleanly();
}
