// What the launcher window does with each message the server sends it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cached_preset_record.h"
#include "none_marker.h"
#include "presets_in_cache_form.h"
#include "protocol_payloads.h"
#include "tarnbel_fakeform.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "tools_test_support.h"

using toolstest::TPayload;

namespace {

CachedPresetRecord Record(const std::string& name, int32_t bank, int32_t program, int32_t channel) {
  CachedPresetRecord r = EmptyPresetRecord();
  SetShortString(r.PresetName, name);
  r.Bank = bank;
  r.Program = program;
  r.Channel = channel;
  SetShortString(r.MappingName, "Studio");
  return r;
}

std::string Bytes(const std::vector<uint8_t>& data) { return std::string(data.begin(), data.end()); }

class LauncherMessages : public toolstest::ToolsFixture {
 protected:
  TPresetsInCacheForm* Mon() { return PresetsInCacheForm; }
};

}  // namespace

TEST_F(LauncherMessages, StateFollowsTheReportsAndAnErrorSticks) {
  StartTools({"-"});
  EXPECT_EQ(ServerState, 7);
  PostToTools(WM_TB_SERVER_BUSY);
  EXPECT_EQ(ServerState, 1);
  PostToTools(WM_TB_SERVER_IDLE);
  EXPECT_EQ(ServerState, 0);
  PostToTools(WM_TB_SERVER_ERROR);
  PostToTools(WM_TB_SERVER_BUSY);
  EXPECT_EQ(ServerState, 2);
  PostToTools(WM_TB_SERVER_IDLE);
  EXPECT_EQ(ServerState, 2);

  PostToTools(WM_TB_CACHE_COUNT, 0, 1);
  std::vector<uint8_t> list = EncodeCachedPresetRecords({Record("Warm Pad", 0, 3, 0)});
  ToTools->SendData(list.data(), list.size(), WM_TB_CACHE_LIST, 0);
  RunUntil([&] { return Mon()->CachedPresets().size() == 1; });
  PostToTools(WM_TB_SERVER_STATE, 0, 1);
  EXPECT_EQ(ServerState, 0);
  EXPECT_TRUE(Mon()->ServerSwitchOn());
  EXPECT_EQ(Mon()->CachedPresets().size(), 1u);
  PostToTools(WM_TB_SERVER_STATE, 0, 0);
  EXPECT_EQ(ServerState, 3);
  EXPECT_FALSE(Mon()->ServerSwitchOn());
  EXPECT_TRUE(Mon()->CachedPresets().empty());
}

TEST_F(LauncherMessages, RepliesReachTheMonitorDecoded) {
  StartTools({"-"});
  PostToTools(WM_TB_CACHE_MAX, 0, 4000 * 1024);
  PostToTools(WM_TB_CACHE_FREE, 0, 1000 * 1024);
  PostToTools(WM_TB_CACHE_COUNT, 0, 2);
  EXPECT_EQ(Mon()->CacheStatus(), "1000k free, 3000k used, 4000k max, 2 cached");

  std::vector<uint8_t> list = EncodeCachedPresetRecords({Record("Warm Pad", 0, 3, 0), Record("Room Kit", 32768, 2, 9)});
  ASSERT_TRUE(ToTools->SendData(list.data(), list.size(), WM_TB_CACHE_LIST, 0));
  ASSERT_TRUE(RunUntil([&] { return Mon()->CachedPresets().size() == 2; }));
  EXPECT_EQ(GetShortString(Mon()->CachedPresets()[1].PresetName), "Room Kit");
  EXPECT_EQ(Mon()->CachedPresets()[1].Bank, 32768);

  ASSERT_TRUE(ToTools->SendString(EncodeRouteList(true, {"Keys --> Synth --> SB Live!"}), WM_TB_ROUTE_LIST));
  ASSERT_TRUE(RunUntil([&] { return Mon()->Routes().size() == 2; }));
  EXPECT_EQ(Mon()->Routes()[0], "[no info]");
  EXPECT_EQ(Mon()->Routes()[1], "Keys --> Synth --> SB Live!");
  PostToTools(WM_TB_CURRENT_ROUTE, 0, 1);
  EXPECT_EQ(Mon()->SelectedRoute(), 1);
  PostToTools(WM_TB_CURRENT_ROUTE, 0, 2);  // no such row
  PostToTools(WM_TB_CURRENT_ROUTE, 0, static_cast<LPARAM>(static_cast<int32_t>(-1)));
  EXPECT_EQ(Mon()->SelectedRoute(), 1);

  ASSERT_TRUE(ToTools->SendString("C:\\midi\\songs\\canyon.mid", WM_TB_FILE_NAME));
  ASSERT_TRUE(RunUntil([&] { return FakeForm->FileName == "C:\\midi\\songs\\canyon.mid"; }));
  EXPECT_EQ(Mon()->Caption(), "tarnbel monitor - canyon.mid");
  ASSERT_TRUE(ToTools->SendString("", WM_TB_FILE_TEXT));
  ASSERT_TRUE(ToTools->SendString("Title: Canyon\r\n(c) 1991", WM_TB_FILE_TEXT));
  ASSERT_TRUE(RunUntil([&] { return Mon()->FileText() == "Title: Canyon\r\n(c) 1991"; }));

  PostToTools(WM_TB_PRESET_CHANGED, 9, EncodePresetChangedParam(0x8000, 2));
  EXPECT_EQ(Mon()->LastPresetChange().Channel, 9);
  EXPECT_EQ(Mon()->LastPresetChange().Bank, 0x8000);
  EXPECT_EQ(Mon()->LastPresetChange().Program, 2);
  PostToTools(WM_TB_NOTE_ON_LAMP, 0, EncodeLampParam(5, 3));
  PostToTools(WM_TB_NOTE_OFF_LAMP, 15, EncodeLampParam(128, 7));
  EXPECT_EQ(Mon()->LastNoteOn().Bank, 5);
  EXPECT_EQ(Mon()->LastNoteOn().Program, 3);
  EXPECT_EQ(Mon()->LastNoteOff().Channel, 15);
  EXPECT_EQ(Mon()->LastNoteOff().Bank, 0x8000);
  // Channels come from the peer: anything past 15 is no channel and changes nothing.
  PostToTools(WM_TB_PRESET_CHANGED, 16, EncodePresetChangedParam(1, 1));
  PostToTools(WM_TB_NOTE_ON_LAMP, static_cast<WPARAM>(-1), EncodeLampParam(1, 1));
  EXPECT_EQ(Mon()->LastPresetChange().Channel, 9);
  EXPECT_EQ(Mon()->LastNoteOn().Channel, 0);

  PostToTools(WM_TB_CACHE_CLEAR);
  EXPECT_TRUE(Mon()->CachedPresets().empty());
  EXPECT_EQ(Mon()->CacheStatus(), "");
}

TEST_F(LauncherMessages, PayloadsAreRemovedOnEveryRoadAndForeignFilesLeftAlone) {
  StartTools({"-"});
  PostToTools(WM_TB_CACHE_COUNT, 0, 2);
  std::vector<uint8_t> one = EncodeCachedPresetRecords({Record("Lone", 0, 1, 0)});
  std::vector<uint8_t> torn = EncodeCachedPresetRecords({Record("A", 0, 1, 0), Record("B", 0, 2, 1)});
  torn.pop_back();

  // Announced two, sent one; a record cut short; an empty list while two were announced.
  for (const std::string& bytes : {Bytes(one), Bytes(torn), std::string()}) {
    TPayload payload = TPayload::Write(bytes);
    ASSERT_NE(payload.Atom, 0);
    PostToTools(WM_TB_CACHE_LIST, payload.Atom);
    EXPECT_TRUE(payload.FileGone());
    EXPECT_TRUE(payload.AtomGone());
    EXPECT_TRUE(Mon()->CachedPresets().empty());
  }

  // Payloads of ids the tools program does not take (a command meant for the server) are removed too.
  TPayload stray = TPayload::Write("Keys");
  PostToTools(WM_TB_SELECT_ROUTE, stray.Atom);
  EXPECT_TRUE(stray.FileGone());
  EXPECT_TRUE(stray.AtomGone());

  // An atom naming a file that is no payload: neither read nor deleted.
  char folder[MAX_PATH];
  GetTempPathA(sizeof(folder), folder);
  std::string foreign = std::string(folder) + "tools_foreign_" + std::to_string(GetCurrentProcessId()) + ".txt";
  HANDLE file = CreateFileA(foreign.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  ATOM atom = GlobalAddAtomA(foreign.c_str());
  for (UINT id : {WM_TB_ROUTE_LIST, WM_TB_FILE_TEXT, WM_TB_FILE_NAME, WM_TB_CACHE_LIST}) PostToTools(id, atom);
  EXPECT_NE(GetFileAttributesA(foreign.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(Mon()->Routes().empty());
  EXPECT_EQ(FakeForm->FileName, "");
  GlobalDeleteAtom(atom);
  DeleteFileA(foreign.c_str());

  // wParam values that are no atom at all.
  for (WPARAM junk : {WPARAM(0), WPARAM(1), WPARAM(0xBFFF), WPARAM(0x10000), static_cast<WPARAM>(-1)})
    for (UINT id : {WM_TB_CACHE_LIST, WM_TB_ROUTE_LIST, WM_TB_FILE_TEXT, WM_TB_FILE_NAME}) PostToTools(id, junk);
  EXPECT_TRUE(Mon()->CachedPresets().empty());
}

TEST_F(LauncherMessages, WithoutAMonitorEveryPayloadIsDiscarded) {
  StartTools({"-"});
  // The monitor counts as gone once its destruction has begun; a launcher of its own stands in.
  TPresetsInCacheForm* monitor = PresetsInCacheForm;
  PresetsInCacheForm = nullptr;
  std::vector<TPayload> payloads;
  for (UINT id : {WM_TB_CACHE_LIST, WM_TB_ROUTE_LIST, WM_TB_FILE_TEXT, WM_TB_FILE_NAME}) {
    payloads.push_back(TPayload::Write("data"));
    PostToTools(id, payloads.back().Atom);
  }
  for (const TPayload& p : payloads) {
    EXPECT_TRUE(p.FileGone()) << p.Path;
    EXPECT_TRUE(p.AtomGone());
  }
  EXPECT_EQ(FakeForm->FileName, "data");  // the file name is the launcher's own
  PostToTools(WM_TB_CACHE_CLEAR);
  PostToTools(WM_TB_SERVER_STATE, 0, 0);
  PostToTools(WM_TB_NOTE_ON_LAMP, 1, EncodeLampParam(0, 1));
  EXPECT_EQ(ServerState, 3);
  PresetsInCacheForm = monitor;
}

TEST_F(LauncherMessages, ServerStartedFindsTheNewWindowAndStoppedForgetsIt) {
  StartTools({"-"});
  ASSERT_EQ(ServerLink->PeerWindow(), Server->Handle());
  Server.reset();
  testsupport::TRecordingWindow replaced(SERVER_WINDOW_TITLE);
  PostToTools(WM_TB_SERVER_STARTED);
  EXPECT_EQ(ServerLink->PeerWindow(), replaced.Handle());

  FollowServer = false;
  PostToTools(WM_TB_SERVER_STOPPED);
  EXPECT_EQ(ServerLink->PeerWindow(), nullptr);
  RunFor(50);
  EXPECT_FALSE(Quit);
  EXPECT_NE(PresetsInCacheForm, nullptr);

  // Following the server, its stop closes everything and ends the program.
  FollowServer = true;
  PostToTools(WM_TB_SERVER_STOPPED);
  EXPECT_TRUE(RunUntil([&] { return Quit; }));
}

TEST_F(LauncherMessages, ShowMonitorShowsItDropsTheSplashAndAsksTheServerInOrder) {
  StartTools({"-"});
  ASSERT_FALSE(PresetsInCacheForm->Visible());
  EXPECT_FALSE(FakeForm->Visible());  // start-up is over: no splash left
  RunFor(20);
  size_t from = Server->Received.size();
  PostToTools(WM_TB_SHOW_MONITOR);
  EXPECT_TRUE(PresetsInCacheForm->Visible());
  EXPECT_TRUE(IsWindowVisible(PresetsInCacheForm->Handle()));
  EXPECT_FALSE(FakeForm->Visible());
  EXPECT_FALSE(PresetsInCacheForm->FirstShow);
  EXPECT_EQ(Server->Ids(from), (std::vector<UINT>{WM_TB_GET_ROUTES, WM_TB_GET_CURRENT_ROUTE, WM_TB_GET_CACHE_INFO,
                                                  WM_TB_GET_FILE_NAME, WM_TB_GET_FILE_TEXT, WM_TB_GET_STATE}));
  // Asked again, it asks again.
  PostToTools(WM_TB_SHOW_MONITOR);
  EXPECT_EQ(Server->Received.size() - from, 12u);
}

TEST_F(LauncherMessages, UnknownIdsChangeNothing) {
  StartTools({"-"});
  for (UINT id : {UINT(WM_USER), UINT(1034), UINT(1200), UINT(1300), UINT(WM_APP + 5)}) PostToTools(id, 12345, 678);
  RunFor(20);
  EXPECT_FALSE(Quit);
  EXPECT_EQ(ServerState, 7);
  EXPECT_NE(FakeForm, nullptr);
}
