// The real tarnbel.exe against a hostile peer (tb_hostile_peer.exe beside this suite) and damaged
// settings: whatever arrives, the server keeps running and answers a sent query within a second.
#include <algorithm>
#include <cstdlib>
#include <thread>

#include "file_link.h"
#include "remote_message_box.h"
#include "server_e2e_fixture.h"
#include "server_test_support.h"

using namespace e2e;

namespace {

BOOL CALLBACK CountBox(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<std::pair<DWORD, int>*>(context);
  char className[64] = {0}, title[64] = {0};
  GetClassNameA(window, className, sizeof(className));
  GetWindowTextA(window, title, sizeof(title));
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == search->first && std::string(className) == "#32770" && std::string(title) == "tarnbel") ++search->second;
  return TRUE;
}

// Every value below a key, with its type and data, for before/after comparisons.
void Snapshot(const std::string& path, std::vector<std::string>& out) {
  using namespace testsupport;
  for (const std::string& name : ValueNames(path)) {
    RawValue v = ReadRaw(path, name);
    out.push_back(path + "|" + name + "|" + std::to_string(v.type) + "|" + std::string(v.data.begin(), v.data.end()));
  }
  for (const std::string& sub : SubkeyNames(path)) Snapshot(path + "\\" + sub, out);
}

}  // namespace

class HostileE2E : public ServerE2E {
 protected:
  int BoxCount() {
    std::pair<DWORD, int> search{Server.ProcessId(), 0};
    EnumWindows(&CountBox, reinterpret_cast<LPARAM>(&search));
    return search.second;
  }

  void ClickBoxes() {
    if (HWND box = FindServerBox(Server.ProcessId())) PostMessageA(box, WM_COMMAND, IDOK, 0);
  }

  // Runs the peer with its arguments until it ends; its exit code, or -1 when it had to be stopped.
  long RunPeer(const std::string& arguments, DWORD timeoutMs, bool clickBoxes) {
    std::string path = ProgramFolder() + "tb_hostile_peer.exe";
    std::string command = "\"" + path + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION peer{};
    if (!CreateProcessA(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &peer))
      return -1;
    CloseHandle(peer.hThread);
    bool ended = Tools->PumpUntil(
        [&] {
          if (clickBoxes) ClickBoxes();
          return WaitForSingleObject(peer.hProcess, 0) == WAIT_OBJECT_0;
        },
        timeoutMs);
    DWORD code = 0;
    if (!ended) TerminateProcess(peer.hProcess, 1);
    GetExitCodeProcess(peer.hProcess, &code);
    CloseHandle(peer.hProcess);
    return ended ? static_cast<long>(code) : -1;
  }

  // A sent query answered within the time; its result in `count`.
  bool AnswersWithin(DWORD ms, LRESULT* count = nullptr) {
    DWORD_PTR result = 0;
    DWORD start = GetTickCount();
    bool answered = SendMessageTimeoutA(Window, WM_TB_QUERY_ROUTE_COUNT, 0, 0, SMTO_NORMAL, ms, &result) != 0;
    if (count) *count = static_cast<LRESULT>(result);
    return answered && GetTickCount() - start <= ms;
  }

  // Every message posted before is handled: a marker posted after them comes back. The tools
  // window is announced again first, since a hostile peer may have said goodbye in its name.
  bool PostedServed(DWORD timeoutMs = 20000, bool clickBoxes = false) {
    std::vector<std::string> markers;
    size_t from = Tools->Received.size();
    DWORD start = GetTickCount();
    for (;;) {
      DWORD_PTR result;
      SendMessageTimeoutA(Window, WM_TB_TOOLS_HELLO, 0, 0, SMTO_NORMAL, 1000, &result);
      markers.push_back("served " + std::to_string(++FMarkers));
      PostMessageA(Window, WM_TB_SET_FILE_NAME, IPCWriteStringPayload(markers.back()), 0);
      bool seen = Tools->PumpUntil(
          [&] {
            if (clickBoxes) ClickBoxes();
            for (size_t i = from; i < Tools->Received.size(); ++i)
              for (const std::string& marker : markers)
                if (Tools->Received[i].Id == WM_TB_FILE_NAME && Tools->Received[i].Payload == marker) return true;
            return false;
          },
          2000);
      if (seen) return true;
      if (GetTickCount() - start >= timeoutMs) return false;
    }
  }

  int FMarkers = 0;

  LRESULT RouteCount() {
    LRESULT count = -1;
    EXPECT_TRUE(AnswersWithin(1000, &count));
    return count;
  }

  // The mapping "Studio" (program 9: "Warm Pad") and the route Keys --> Synth, the server off.
  void StartWithStudioRoute() {
    StoreStudioMapping(Folder.File("studio.sf2"));
    StoreActiveRoute("Keys");
    StartServerWithVirtualMidi();
  }
  // Program 9 into Keys loads "Warm Pad".
  void ExpectMidiLoads() {
    ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", 5000));
    ASSERT_EQ(TVirtualMidiBus::Play("Keys", 0x09C0), TVirtualPlayResult::Played);
    std::vector<CachedPresetRecord> records;
    ASSERT_TRUE(WaitCachedPresets(1, records));
    EXPECT_EQ(GetShortString(records[0].PresetName), "Warm Pad");
  }

  testsupport::TempFolder Folder;
};

TEST_F(HostileE2E, TurnOffSentJustAfterATurnOnLeavesStateAndRoutesAgreeing) {
  StoreActiveRoute("Keys");
  StoreActiveRoute("Pads", RouteNone);
  StartServerWithVirtualMidi("in:Keys;in:Pads;out:Synth");
  for (const char* delay : {"0", "0.5", "1", "1.5", "2", "3", "4", "5"}) {
    SCOPED_TRACE(std::string("turn-off sent ") + delay + " ms after the turn-on");
    ASSERT_EQ(RunPeer(std::string("onoff ") + delay, 60000, true), 0);
    ASSERT_TRUE(Server.Running());
    ASSERT_TRUE(PostedServed());
    EXPECT_TRUE(AnswersWithin(1000));
    // Which came first is the system's choice; what the server says and what runs agree.
    LPARAM state = State();
    const TReceived* list = Ask(WM_TB_GET_ROUTES, 0, 0, WM_TB_ROUTE_LIST);
    ASSERT_NE(list, nullptr);
    if (state == 1) {
      EXPECT_EQ(RouteCount(), 2);
      EXPECT_EQ(list->Payload, "[no info]\x01Pads --> [none] --> SB Live!\x01Keys --> Synth --> SB Live!\x01");
      ASSERT_NE(Ask(WM_TB_TURN_OFF, 0, 0, WM_TB_SERVER_STATE), nullptr);
    } else {
      EXPECT_EQ(state, 0);
      EXPECT_EQ(RouteCount(), 0);
      EXPECT_EQ(list->Payload, "");
    }
    ASSERT_EQ(State(), 0);
  }
  // And on again: both routes run.
  Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE);
  EXPECT_EQ(State(), 1);
  EXPECT_EQ(RouteCount(), 2);
  HWND box = FindServerBox(Server.ProcessId());
  EXPECT_EQ(box, nullptr) << testsupport::BoxText(box);
}

TEST_F(HostileE2E, ObjectCarryingThreadMessagesFromOutsideAreIgnored) {
  StoreActiveRoute("Keys");
  StartServerWithVirtualMidi();
  ASSERT_NE(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE), nullptr);
  ASSERT_EQ(State(), 1);
  // The main thread, the route's thread and its SoundFont thread at least.
  EXPECT_GE(RunPeer("objects", 30000, false), 3);
  ASSERT_TRUE(PostedServed());
  EXPECT_TRUE(Server.Running());
  EXPECT_TRUE(AnswersWithin(1000));
  EXPECT_EQ(State(), 1);
  EXPECT_EQ(RouteCount(), 1);
  EXPECT_EQ(BoxCount(), 0);
}

// The worker threads' quit id posted by another program: the route and SoundFont threads go on, and a
// program change still loads its preset.
TEST_F(HostileE2E, AQuitPostedToEveryWorkerThreadLeavesMidiLoadingPresets) {
  StartWithStudioRoute();
  ASSERT_EQ(LParamOf(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)), 1);
  Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload("Keys --> Synth --> SB Live!"), 0);
  // The route's thread and its SoundFont thread at least.
  EXPECT_GE(RunPeer("quit", 30000, false), 2);
  ASSERT_TRUE(PostedServed());
  EXPECT_EQ(State(), 1);
  EXPECT_EQ(RouteCount(), 1);
  ExpectMidiLoads();
  EXPECT_EQ(BoxCount(), 0);
}

// Every thread-message id of the server posted by another program to its worker threads, with lParam 0
// and a junk one: after each the server is on with its route, a program change loads its preset, and
// no box came.
TEST_F(HostileE2E, ControlMessagesPostedToTheWorkerThreadsChangeNothing) {
  const UINT ids[] = {TM_QUIT, TM_LOAD_PRESET, TM_CLEAR_PRESET, TM_QUERY_SAMPLE_MEMORY, TM_ROUTE_OPEN,
                      TM_ROUTE_CLOSE, TM_THREAD_READY, TM_ECHO, TM_ROUTE_1044, TM_CLEAR_ALL_LOADED,
                      TM_GET_CACHED_LIST, TM_1050, WM_TB_SERVER_BUSY, WM_TB_SERVER_IDLE, WM_TB_SERVER_ERROR,
                      TM_GET_SF_THREAD, WM_TB_NOTE_ON_LAMP, WM_TB_NOTE_OFF_LAMP, TM_UNLOAD_UNUSED, TM_MIDI_RESET,
                      TM_MONITOR_ON, TM_MONITOR_OFF, TM_ROUTE_1063, TM_ROUTE_1064, TM_GET_CHANNELS,
                      WM_TB_PRESET_CHANGED, TM_SF_ADD_CLIENT, TM_SF_REMOVE_CLIENT, TM_1120, TM_MM_DONE,
                      TM_MM_LOAD_PRESETS, TM_LOAD_PRESET_SYNC, TM_MM_LOAD_DRUMS, TM_DRIVER_1140, TM_DRIVER_1141,
                      TM_WINAMP_LOADED, TM_WINAMP_LOAD_PRESETS, TM_WINAMP_1146, TM_WINAMP_MODE_ON,
                      TM_WINAMP_MODE_OFF, TM_WINAMP_MODE_ON_DONE, TM_UNSUPPORTED_WAVE, TM_PREVIEW_SELECT,
                      TM_GET_CACHED_COUNT, TM_PRESET_TOO_BIG, TM_PRESET_NOT_FOUND, TM_RELOAD_MAPPINGS,
                      TM_PREVIEW_ON, TM_PREVIEW_OFF, WM_TB_WINAMP_1195, WM_TB_WINAMP_1196, TM_CLEAR_PRESET_SYNC,
                      TM_UNLOAD_UNUSED_SYNC, TM_MIDI_EVENT, TM_SHOW_BOX};
  StartWithStudioRoute();
  ASSERT_EQ(LParamOf(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)), 1);
  Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload("Keys --> Synth --> SB Live!"), 0);
  std::vector<CachedPresetRecord> records;
  for (UINT id : ids) {
    SCOPED_TRACE("thread message " + std::to_string(id));
    // The route's thread and its SoundFont thread at least.
    ASSERT_GE(RunPeer("control " + std::to_string(id), 30000, false), 2);
    ASSERT_NO_FATAL_FAILURE(ExpectMidiLoads());
    ASSERT_TRUE(PostedServed());
    ASSERT_EQ(BoxCount(), 0);
    ASSERT_EQ(State(), 1);
    ASSERT_EQ(RouteCount(), 1);
    // Unloaded again, so the next program change has something to load.
    Query(WM_TB_UNLOAD_PRESET, 0, 9);
    ASSERT_TRUE(WaitCachedPresets(0, records));
  }
}

// The reports the main thread acts on, posted to it by another program: no box, no error state, nothing
// passed on to the tools window; a real failure afterwards still has its box.
TEST_F(HostileE2E, ReportsPostedToTheMainThreadChangeNothing) {
  StoreMapping("Gone", 2, {{0, 20}});  // a file that is not there
  StartWithStudioRoute();
  ASSERT_EQ(LParamOf(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)), 1);
  const size_t from = Tools->Received.size();
  for (UINT id : {TM_ECHO, WM_TB_SERVER_BUSY, WM_TB_SERVER_IDLE, WM_TB_SERVER_ERROR, WM_TB_NOTE_ON_LAMP,
                  WM_TB_NOTE_OFF_LAMP, WM_TB_PRESET_CHANGED, TM_UNSUPPORTED_WAVE, TM_PRESET_TOO_BIG,
                  TM_PRESET_NOT_FOUND}) {
    SCOPED_TRACE("thread message " + std::to_string(id));
    ASSERT_EQ(RunPeer("main " + std::to_string(id), 30000, false), 1);
    ASSERT_TRUE(PostedServed());
    ASSERT_EQ(BoxCount(), 0);
  }
  for (UINT id : {WM_TB_SERVER_BUSY, WM_TB_SERVER_IDLE, WM_TB_SERVER_ERROR, WM_TB_NOTE_ON_LAMP, WM_TB_NOTE_OFF_LAMP,
                  WM_TB_PRESET_CHANGED, WM_TB_PREVIEW_WAVE_ERROR})
    EXPECT_EQ(Tools->Count(id, from), 0u) << "reported to the tools window: " << id;
  ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", 5000));
  ASSERT_EQ(TVirtualMidiBus::Play("Keys", 0x14C0), TVirtualPlayResult::Played);  // program 20
  HWND box = WaitForBox(Server.ProcessId());
  ASSERT_NE(box, nullptr) << "the real failure has no box";
  EXPECT_NE(testsupport::BoxText(box).find("One or more of requested presets not found"), std::string::npos);
}

// Worker threads ended from outside: the server notices, says it is off and shows its error state and
// box, rather than report on while nothing handles the MIDI; turned on again, MIDI loads again.
TEST_F(HostileE2E, WorkerThreadsEndedFromOutsideTurnTheServerOffWithItsError) {
  StartWithStudioRoute();
  size_t from = Tools->Received.size();
  EXPECT_EQ(RunPeer("kill", 30000, false), 2);  // the route's thread and its SoundFont thread
  ASSERT_NE(Tools->WaitFor(WM_TB_SERVER_STATE, from), nullptr);
  ASSERT_NE(Tools->WaitFor(WM_TB_SERVER_ERROR, from, 10000), nullptr);
  HWND box = WaitForBox(Server.ProcessId());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(testsupport::MessageBoxText(box), "A route of tarnbel stopped unexpectedly, so tarnbel has been turned off. Turn it on again to go on.");
  EXPECT_EQ(LParamOf(LastReceived(WM_TB_SERVER_STATE)), 0);
  EXPECT_EQ(State(), 0);
  EXPECT_EQ(RouteCount(), 0);
  ClickBoxes();
  ASSERT_TRUE(Tools->PumpUntil([&] { return BoxCount() == 0; }, 5000));

  ASSERT_EQ(LParamOf(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)), 1);
  Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload("Keys --> Synth --> SB Live!"), 0);
  ExpectMidiLoads();
}

TEST_F(HostileE2E, AThousandPostedBoxRequestsShowOneBox) {
  StartServer();
  for (UINT id : {WM_TB_INSTALLER_RUNNING, WM_TB_PREVIEW_ON}) {
    SCOPED_TRACE(id);
    ASSERT_EQ(RunPeer("flood " + std::to_string(id) + " 1000", 30000, false), 0);
    ASSERT_TRUE(PostedServed(30000));  // all handled, inside the box's loop
    EXPECT_EQ(BoxCount(), 1);
    EXPECT_TRUE(AnswersWithin(1000));  // also while the box is up
    ClickBoxes();
    ASSERT_TRUE(Tools->PumpUntil([&] { return BoxCount() == 0; }, 5000));
    ASSERT_TRUE(PostedServed());
    EXPECT_EQ(BoxCount(), 0);
  }
  EXPECT_TRUE(Server.Running());
}

TEST_F(HostileE2E, PostedQueriesLeaveNoPayloadAndNoAtom) {
  StartServer();
  size_t files = servertest::PayloadFiles().size();
  for (UINT id : {WM_TB_QUERY_ROUTE_NAME, WM_TB_QUERY_1175, WM_TB_QUERY_PRESET_NAME, WM_TB_QUERY_BANK_NAMES})
    ASSERT_EQ(RunPeer("flood " + std::to_string(id) + " 5000", 60000, false), 0);
  ASSERT_TRUE(PostedServed(60000));
  EXPECT_EQ(servertest::PayloadFiles().size(), files);
  // The desktop's atom table has room: 20,000 answers would have filled it.
  ATOM probe = GlobalAddAtomA("tarnbel hostile peer probe");
  EXPECT_NE(probe, 0);
  GlobalDeleteAtom(probe);
  // A sent query still answers with its payload.
  EXPECT_EQ(ReadAtomText(Query(WM_TB_QUERY_ROUTE_NAME, 0, 0)), NoneMarker);
  EXPECT_TRUE(AnswersWithin(1000));
}

TEST_F(HostileE2E, ActivatingUnknownOrNestedNamesWritesNothing) {
  StoreMapping("Demo", 1, {{0, 1}});
  { TRegKey key(kMappings + "\\Demo\\BankNames", true); }
  StartServer();
  ASSERT_TRUE(PostedServed());
  std::vector<std::string> before;
  Snapshot(TarnbelKeyPath, before);
  for (const char* name : {"Brand New", "Evil\\Sub\\Deep", "..\\..\\Software\\Other", "Demo\\BankNames", ""}) {
    Query(WM_TB_MAPPING_ACTIVATE, IPCWriteStringPayload(name), 0);
    EXPECT_TRUE(AnswersWithin(1000)) << name;
  }
  ASSERT_TRUE(PostedServed());
  std::vector<std::string> after;
  Snapshot(TarnbelKeyPath, after);
  EXPECT_EQ(before, after);
  EXPECT_FALSE(testsupport::KeyExists("Software\\Other"));
}

TEST_F(HostileE2E, PayloadLinkLeadingOutsideTheTempFolderLeavesItsTargetAlone) {
  const std::string target = "C:\\tarnbel_e2e_link_target.txt";
  ASSERT_TRUE(testsupport::WriteBytes(target, "secret"));
  char temp[MAX_PATH];
  GetTempPathA(sizeof(temp), temp);
  const std::string link = std::string(temp) + "$$$E" + std::to_string(GetCurrentProcessId() & 0xFFF) + ".tmp";
  testsupport::RemoveSymbolicLink(link);
  if (!testsupport::MakeSymbolicLink(link, target)) {
    DeleteFileA(target.c_str());
    GTEST_SKIP() << "no symbolic link can be made here";
  }
  StartServer();
  ATOM atom = GlobalAddAtomA(link.c_str());
  Query(WM_TB_SET_FILE_TEXT, atom, 0);
  Query(WM_TB_PREVIEW_FILE, atom, 0);
  ASSERT_TRUE(PostedServed());
  EXPECT_EQ(testsupport::ReadBytes(target), "secret");
  EXPECT_EQ(Tools->Count(WM_TB_FILE_TEXT), 0u);
  EXPECT_TRUE(AnswersWithin(1000));
  GlobalDeleteAtom(atom);
  testsupport::RemoveSymbolicLink(link);
  DeleteFileA(target.c_str());
}

// While box A is up, its loop starts route requests whose waits let in box-making messages: once the
// boxes are closed, posted messages are served again.
TEST_F(HostileE2E, BoxesAskedForDuringARouteWaitLeavePostedMessagesServed) {
  StoreActiveRoute("Keys");
  StartServerWithVirtualMidi();
  ASSERT_NE(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE), nullptr);
  PostMessageA(Window, WM_TB_INSTALLER_RUNNING, 0, 0);
  ASSERT_NE(WaitForBox(Server.ProcessId()), nullptr);
  for (int round = 0; round < 3; ++round) {
    std::thread cacheInfo([&] {
      DWORD_PTR result;
      for (int i = 0; i < 5; ++i) SendMessageTimeoutA(Window, WM_TB_GET_CACHE_INFO, 0, 0, SMTO_NORMAL, 5000, &result);
    });
    std::thread preview([&] {
      DWORD_PTR result;
      SendMessageTimeoutA(Window, WM_TB_PREVIEW_ON, 0, 0, SMTO_NORMAL, 5000, &result);
    });
    preview.join();
    cacheInfo.join();
    ASSERT_TRUE(Tools->PumpUntil(
        [&] {
          ClickBoxes();
          return BoxCount() == 0;
        },
        10000));
    ASSERT_TRUE(PostedServed(10000)) << "posted messages are no longer served";
    EXPECT_TRUE(AnswersWithin(1000));
    Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE);
    PostMessageA(Window, WM_TB_INSTALLER_RUNNING, 0, 0);
    ASSERT_NE(WaitForBox(Server.ProcessId()), nullptr);
  }
  EXPECT_TRUE(Server.Running());
}

// 10,001 stored routes, 5,001 of them active, none of whose inputs exist: the server stays
// responsive while it turns on, and the inputs that did not open are reported in one box.
TEST_F(HostileE2E, TenThousandStoredRoutesReportTheirFailuresInOneBox) {
  {
    TRegArray routes(RoutesPath, false);
    for (int i = 0; i <= 10000; ++i)
      routes.Add(RouteRecordToString({"Gone " + std::to_string(i), RouteNone, "SB Live!",
                                      i % 2 == 0 ? RouteActive : RoutePassive}),
                 true);
    routes.Save();
  }
  StartServer();
  size_t from = Tools->Received.size();
  DWORD start = GetTickCount(), longest = 0;
  PostMessageA(Window, WM_TB_TURN_ON, 0, 0);
  // Answers within a second all through the turn-on.
  ASSERT_TRUE(Tools->PumpUntil(
      [&] {
        DWORD asked = GetTickCount();
        EXPECT_TRUE(AnswersWithin(1000));
        longest = std::max(longest, GetTickCount() - asked);
        return Tools->Count(WM_TB_SERVER_STATE, from) > 0;
      },
      240000));
  std::cout << "turn-on of 5,001 routes: " << GetTickCount() - start << " ms, longest answer " << longest << " ms"
            << std::endl;
  HWND box = WaitForBox(Server.ProcessId());
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(PostedServed());
  EXPECT_EQ(BoxCount(), 1);
  std::string text = testsupport::BoxText(box);
  EXPECT_EQ(text.find("Can't open MIDI Input:  \"Gone 10000\""), 0u) << text.substr(0, 200);
  EXPECT_NE(text.find("... and 4981 more."), std::string::npos) << text.substr(text.size() > 200 ? text.size() - 200 : 0);
  // Each route whose thread started runs; on a host with few file handles the last ones may not
  // start, and are in the box with the others. So are those a 32-bit process has no room for: of its
  // 2 GB, a thread takes over 2 MB under Wine (a stack reserves 1 MB at the least, and Wine's own
  // side of the thread as much), some 900 threads beside the program, less what the server keeps.
  LRESULT running = RouteCount();
  EXPECT_GT(running, sizeof(void*) == 4 ? 700 : 4000);
  EXPECT_LE(running, 5001);
  std::cout << "routes running: " << running << std::endl;
  ClickBoxes();
  ASSERT_TRUE(Tools->PumpUntil([&] { return BoxCount() == 0; }, 5000));
  PostMessageA(Window, WM_TB_TURN_OFF, 0, 0);
  ASSERT_TRUE(PostedServed(240000));
  EXPECT_EQ(RouteCount(), 0);
}

// A "Count" of the routes stored as eight bytes: the routes are taken from the stored items.
TEST_F(HostileE2E, AnOverlongRouteCountStillStartsTheStoredRoutes) {
  StoreActiveRoute("Keys");
  StoreActiveRoute("Pads", RouteNone);
  const uint64_t wide = 2;
  testsupport::WriteRaw(RoutesPath, "Count", REG_QWORD, &wide, sizeof(wide));
  StartServerWithVirtualMidi("in:Keys;in:Pads;out:Synth");
  ASSERT_NE(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE), nullptr);
  EXPECT_EQ(RouteCount(), 2);
}

TEST_F(HostileE2E, RandomMessageStormLeavesTheServerAliveAndAnswering) {
  uint32_t seed = GetTickCount();
  if (const char* given = std::getenv("TARNBEL_STORM_SEED")) seed = static_cast<uint32_t>(std::strtoul(given, nullptr, 10));
  std::cout << "message storm seed: " << seed << " (TARNBEL_STORM_SEED repeats it)" << std::endl;
  StartServer();
  size_t files = servertest::PayloadFiles().size();
  DWORD start = GetTickCount();
  EXPECT_EQ(RunPeer("storm " + std::to_string(seed) + " 20000", 400000, true), 0) << "seed " << seed;
  ASSERT_TRUE(Server.Running()) << "seed " << seed;
  ASSERT_TRUE(PostedServed(120000, true)) << "seed " << seed;
  std::cout << "storm of 20,000 messages: " << GetTickCount() - start << " ms" << std::endl;
  ASSERT_TRUE(Tools->PumpUntil(
      [&] {
        ClickBoxes();
        return BoxCount() == 0;
      },
      10000));
  EXPECT_TRUE(AnswersWithin(1000)) << "seed " << seed;
  Tools->PumpFor(100);  // what the server sent the tools window is read, and its payloads removed
  EXPECT_EQ(servertest::PayloadFiles().size(), files) << "seed " << seed;
  EXPECT_TRUE(Server.Running());
}
