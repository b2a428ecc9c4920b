// Two processes: this suite and the peer program beside it exchange every payload kind.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ipc.h"
#include "protocol_payloads.h"
#include "server_test_support.h"
#include "tarnbel_protocol.h"
#include "thread_post.h"

using servertest::AtomName;
using servertest::PayloadFiles;
using servertest::PumpUntil;
using servertest::TRecordedMessage;
using servertest::TTestWindow;

namespace {

// The peer program, started beside this executable and always stopped again.
class TPeerProcess {
 public:
  TPeerProcess(const std::string& peerTitle, const std::string& ownTitle) : Link(peerTitle, 0) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof(exe));
    std::string path(exe);
    path = path.substr(0, path.rfind('\\') + 1) + "ipc_test_peer.exe";
    std::string command = "\"" + path + "\" " + peerTitle + " " + ownTitle;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    if (CreateProcessA(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &FProcess)) {
      CloseHandle(FProcess.hThread);
      PumpUntil([&] { return Link.PeerExists(); }, 10000);
    } else {
      FProcess.hProcess = nullptr;
    }
  }
  ~TPeerProcess() { Stop(); }

  void Stop() {
    if (!FProcess.hProcess) return;
    if (Link.PeerExists()) PostMessageA(Link.PeerWindow(), WM_CLOSE, 0, 0);
    if (WaitForSingleObject(FProcess.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(FProcess.hProcess, 1);
    WaitForSingleObject(FProcess.hProcess, 5000);
    CloseHandle(FProcess.hProcess);
    FProcess.hProcess = nullptr;
  }

  bool Running() const { return FProcess.hProcess && Link.PeerWindow(); }
  TIPCLink Link;

 private:
  PROCESS_INFORMATION FProcess{};
};

// Names of the payload atoms this side posts, to check afterwards that the receiver removed them.
std::vector<std::string> sentNames;
BOOL RecordingPost(HWND window, DWORD thread, UINT id, WPARAM w, LPARAM l) {
  if (window && MessageCarriesPayload(id) && w) sentNames.push_back(AtomName(w));
  return SystemPost(window, thread, id, w, l);
}

std::string Titles(const char* role) { return std::string("tb_ipc_") + role + "_" + std::to_string(GetCurrentProcessId()); }

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

}  // namespace

class IPCPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureMessageQueue();
    FilesBefore = PayloadFiles();
    Window = std::make_unique<TTestWindow>(Titles("test"));
    Window->OnMessage = [this](const TRecordedMessage& message) {
      std::vector<uint8_t> data;
      if (MessageCarriesPayload(message.id) && message.wParam) {
        ReceivedNames.push_back(AtomName(message.wParam));
        EXPECT_TRUE(IPCReceiveBuffer(message.wParam, data));
      }
      Replies[message.id].push_back({message.wParam, message.lParam, data});
    };
    Peer = std::make_unique<TPeerProcess>(Titles("peer"), Titles("test"));
    ASSERT_TRUE(Peer->Running());
    sentNames.clear();
    SetPostFunction(&RecordingPost);
  }

  void TearDown() override {
    SetPostFunction(nullptr);
    Peer->Stop();
    for (const std::string& name : sentNames) EXPECT_EQ(0, GlobalFindAtomA(name.c_str())) << name;
    for (const std::string& name : ReceivedNames) EXPECT_EQ(0, GlobalFindAtomA(name.c_str())) << name;
    EXPECT_EQ(FilesBefore, PayloadFiles());
  }

  struct TReply {
    WPARAM wParam;
    LPARAM lParam;
    std::vector<uint8_t> data;
  };

  // Sends the payload and waits for the peer's answer of the same id.
  TReply RoundTrip(UINT id, const std::vector<uint8_t>& data, LPARAM lParam) {
    size_t before = Replies[id].size();
    EXPECT_TRUE(Peer->Link.SendData(data.data(), data.size(), id, lParam)) << id;
    EXPECT_TRUE(PumpUntil([&] { return Replies[id].size() > before; })) << id;
    return Replies[id].size() > before ? Replies[id].back() : TReply{0, 0, {}};
  }

  std::set<std::string> FilesBefore;
  std::unique_ptr<TTestWindow> Window;
  std::unique_ptr<TPeerProcess> Peer;
  std::map<UINT, std::vector<TReply>> Replies;
  std::vector<std::string> ReceivedNames;
};

TEST_F(IPCPeer, TextsOfEveryLengthAndCodePage) {
  std::string big(100000, 'a');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(1 + i % 255);
  for (const std::string& text : {std::string(), std::string("\x01"), big}) {
    TReply reply = RoundTrip(WM_TB_FILE_TEXT, Bytes(text), 0);
    EXPECT_EQ(Bytes(text), reply.data);
    EXPECT_NE(0u, reply.wParam);
  }
  const std::map<UINT, std::string> names = {
      {WM_TB_MAPPING_SAVED, "Fl\xfbte \xe9t\xe9"},        {WM_TB_RANDOM_INCLUDE, "\xc4rger"},
      {WM_TB_RANDOM_EXCLUDE, "\xd0\xf3\xf1"},             {WM_TB_MAPPING_ACTIVATE, "default"},
      {WM_TB_MAPPING_DEACTIVATE, "x"},                    {WM_TB_PREVIEW_FILE, "C:\\sf2\\\xe9l\xe9phant.sf2"},
      {WM_TB_SELECT_ROUTE, "SB Live! MIDI In"},           {WM_TB_FILE_NAME, "song \xa9.mid"},
      {WM_TB_SET_FILE_NAME, "a.mid"},                     {WM_TB_SET_FILE_TEXT, "lyrics"},
      {WM_TB_SEND_CACHE_LIST_TO, "some window"},
      {WM_TB_ROUTE_LIST, EncodeRouteList(true, {"In A", "In \xe9"})},
      {WM_TB_MAPPING_ORDER, EncodeMappingOrder({{"C", 1}, {"B", 2}, {"\xc4", 3}})}};
  for (const auto& item : names) {
    TReply reply = RoundTrip(item.first, Bytes(item.second), 0);
    EXPECT_EQ(item.second, std::string(reply.data.begin(), reply.data.end())) << item.first;
  }
  std::vector<std::string> routes = DecodeEntryList(std::string(Replies[WM_TB_ROUTE_LIST][0].data.begin(),
                                                                Replies[WM_TB_ROUTE_LIST][0].data.end()));
  EXPECT_EQ((std::vector<std::string>{"[no info]", "In A", "In \xe9"}), routes);
}

TEST_F(IPCPeer, BinaryBlocksAndThreadPayloads) {
  TMMDrumWords words{};
  for (size_t i = 0; i < words.size(); ++i) words[i] = static_cast<uint16_t>(i * 517);
  TReply drums = RoundTrip(WM_TB_MM_LOAD_DRUMS, EncodeMMDrumWords(words), 0x00020003);
  TMMDrumWords back{};
  ASSERT_TRUE(DecodeMMDrumWords(drums.data, back));
  EXPECT_EQ(words, back);
  EXPECT_EQ(0x00020003, drums.lParam);

  std::vector<BankProgramRecord> pairs{{0, 1, {7, 8, 9}, NoRequestedPair}, {32768, 35, {0, 0, 0}, 0x00800023u}};
  DWORD self = GetCurrentThreadId();
  std::vector<uint8_t> pairBlock = EncodeBankProgramBlock(pairs);
  // The requester's whole thread id travels in lParam, not 16 bits of it.
  EXPECT_TRUE(Peer->Link.SendData(pairBlock.data(), pairBlock.size(), WM_TB_WINAMP_LOAD_PRESETS, static_cast<LPARAM>(self)));
  MSG msg;
  ASSERT_TRUE(servertest::TakeThreadMessage(TM_WINAMP_LOADED, msg));
  ReceivedNames.push_back(AtomName(msg.wParam));
  std::vector<uint8_t> block;
  ASSERT_TRUE(IPCReceiveBuffer(msg.wParam, block));
  std::vector<BankProgramRecord> pairsBack;
  ASSERT_TRUE(DecodeBankProgramBlock(block, pairsBack));
  ASSERT_EQ(2u, pairsBack.size());
  EXPECT_EQ(32768, pairsBack[1].Bank);
  EXPECT_EQ(35, pairsBack[1].Program);
  EXPECT_EQ(9u, pairsBack[0].Carried[2]);
  EXPECT_EQ(0x00800023u, pairsBack[1].RequestedPair);

  std::vector<CachedPresetRecord> cached(3, EmptyPresetRecord());
  cached[0].Bank = 32768;
  cached[1].Channel = 15;
  SetShortString(cached[1].PresetName, "Fl\xfbte");
  SetShortString(cached[2].MappingName, NoneMarker);
  TReply list = RoundTrip(WM_TB_CACHE_LIST, EncodeCachedPresetRecords(cached), 0);
  std::vector<CachedPresetRecord> cachedBack;
  ASSERT_TRUE(DecodeCacheList(list.data, 3, cachedBack));
  EXPECT_EQ(32768, cachedBack[0].Bank);
  EXPECT_EQ(15, cachedBack[1].Channel);
  EXPECT_EQ("Fl\xfbte", GetShortString(cachedBack[1].PresetName));
  EXPECT_EQ(NoneMarker, GetShortString(cachedBack[2].MappingName));

  TMMPresetsBlock presets;
  for (size_t i = 0; i < presets.size(); ++i) presets[i] = static_cast<uint8_t>(255 - i);
  LPARAM requester;
  if (!EncodeMMRequesterParam(self, 4, requester)) GTEST_SKIP() << "thread id beyond 16 bits";
  EXPECT_TRUE(Peer->Link.SendData(presets.data(), presets.size(), WM_TB_MM_LOAD_PRESETS, requester));
  ASSERT_TRUE(servertest::TakeThreadMessage(TM_MM_DONE, msg));
  ReceivedNames.push_back(AtomName(msg.wParam));
  ASSERT_TRUE(IPCReceiveBuffer(msg.wParam, block));
  TMMPresetsBlock presetsBack{};
  ASSERT_TRUE(DecodeMMPresetsBlock(block, presetsBack));
  EXPECT_EQ(presets, presetsBack);
}

TEST_F(IPCPeer, PlainMessagesComeBackWithTheirParameters) {
  EXPECT_TRUE(Peer->Link.Notify(WM_TB_GET_STATE));
  EXPECT_TRUE(Peer->Link.NotifyFlag(WM_TB_SET_DEFAULT_DRUMS, true));
  EXPECT_TRUE(Peer->Link.Post(WM_TB_NOTE_ON_LAMP, 9, EncodeLampParam(128, 35)));
  ASSERT_TRUE(PumpUntil([&] { return Replies.count(WM_TB_NOTE_ON_LAMP) > 0; }));
  EXPECT_EQ(0, Replies[WM_TB_GET_STATE].at(0).lParam);
  EXPECT_EQ(1, Replies[WM_TB_SET_DEFAULT_DRUMS].at(0).lParam);
  int32_t bank, program;
  DecodeLampParam(Replies[WM_TB_NOTE_ON_LAMP].at(0).lParam, bank, program);
  EXPECT_EQ(32768, bank);
  EXPECT_EQ(35, program);
  EXPECT_EQ(9u, Replies[WM_TB_NOTE_ON_LAMP].at(0).wParam);
}

TEST_F(IPCPeer, VanishedOrForeignPayloadIsRefusedByThePeer) {
  ATOM vanished = IPCWriteStringPayload("soon gone");
  std::string vanishedName = AtomName(vanished);
  DeleteFileA(vanishedName.c_str());
  EXPECT_TRUE(Peer->Link.Post(WM_TB_FILE_TEXT, vanished, 0));

  std::string victim = servertest::TempFolder() + "tb_ipc_victim.txt";
  HANDLE file = CreateFileA(victim.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(file);
  ATOM foreign = GlobalAddAtomA(victim.c_str());
  EXPECT_TRUE(Peer->Link.Post(WM_TB_FILE_NAME, foreign, 0));

  ASSERT_TRUE(PumpUntil([&] { return Replies.count(WM_TB_FILE_TEXT) && Replies.count(WM_TB_FILE_NAME); }));
  EXPECT_EQ(0u, Replies[WM_TB_FILE_TEXT][0].wParam);
  EXPECT_EQ(0u, Replies[WM_TB_FILE_NAME][0].wParam);
  EXPECT_EQ(0, GlobalFindAtomA(vanishedName.c_str()));      // the peer dropped its atom
  EXPECT_EQ(foreign, GlobalFindAtomA(victim.c_str()));      // someone else's atom and file stay
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(victim.c_str()));
  sentNames.clear();
  GlobalDeleteAtom(foreign);
  DeleteFileA(victim.c_str());
}

TEST_F(IPCPeer, PeerClosedBeforeTheSendLeavesNoPayload) {
  HWND old = Peer->Link.PeerWindow();
  Peer->Stop();
  EXPECT_FALSE(IsWindow(old));
  EXPECT_FALSE(Peer->Link.SendString("nobody reads this", WM_TB_FILE_TEXT));
  EXPECT_FALSE(Peer->Link.Notify(WM_TB_GET_STATE));
  EXPECT_EQ(nullptr, Peer->Link.PeerWindow());
}
