#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ipc.h"
#include "server_test_support.h"
#include "tarnbel_protocol.h"
#include "thread_post.h"

using servertest::PayloadFiles;
using servertest::TTestWindow;

using servertest::AtomName;
using servertest::TempFolder;

namespace {
bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteFile(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}
}  // namespace

TEST(PayloadChannel, RoundTripsTextsAndBlocksThenRemovesFileAndAtom) {
  auto before = PayloadFiles();
  std::string big(100000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  for (const std::string& text : {std::string(), std::string("x"), std::string("Fl\xfbte \xe9t\xe9\x01"), big}) {
    ATOM atom = IPCWriteStringPayload(text);
    ASSERT_NE(0, atom);
    std::string path = AtomName(atom);
    EXPECT_TRUE(IsPayloadFileName(path)) << path;
    std::string received = "stale";
    ASSERT_TRUE(IPCReceiveString(atom, received));
    EXPECT_EQ(text, received);
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(0, GlobalFindAtomA(path.c_str()));
  }
  EXPECT_EQ(before, PayloadFiles());
}

TEST(PayloadChannel, VanishedFileFailsAndStillDropsTheAtom) {
  ATOM atom = IPCWriteStringPayload("gone");
  std::string path = AtomName(atom);
  ASSERT_TRUE(DeleteFileA(path.c_str()));
  std::vector<uint8_t> data{1};
  EXPECT_FALSE(IPCReceiveBuffer(atom, data));
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(0, GlobalFindAtomA(path.c_str()));
  EXPECT_FALSE(IPCReceiveBuffer(0, data));
  EXPECT_FALSE(IPCReceiveBuffer(0x12345, data));  // not an atom at all
}

TEST(PayloadChannel, AtomNamingAnyOtherFileIsNeitherReadNorDeleted) {
  std::string folder = TempFolder();
  CreateDirectoryA((folder + "tbsub").c_str(), nullptr);
  const std::vector<std::string> others = {folder + "victim.txt", folder + "tbsub\\$$$1.tmp", folder + "$$$2.txt",
                                           folder + "tbsub\\..\\$$$3.tmp"};
  for (const std::string& path : others) {
    WriteFile(path, "keep");
    ATOM atom = GlobalAddAtomA(path.c_str());
    ASSERT_NE(0, atom);
    EXPECT_FALSE(IsPayloadFileName(path)) << path;
    std::string text;
    EXPECT_FALSE(IPCReceiveString(atom, text)) << path;
    EXPECT_TRUE(text.empty());
    TIPCLink::DiscardPayload(atom);
    EXPECT_TRUE(Exists(path)) << path;
    EXPECT_EQ(atom, GlobalFindAtomA(path.c_str()));  // not ours to remove either
    GlobalDeleteAtom(atom);
    DeleteFileA(path.c_str());
  }
  RemoveDirectoryA((folder + "tbsub").c_str());
}

TEST(PayloadChannel, NameLongerThanAnAtomHoldsIsAFailureAndLeavesNoFile) {
  // A temporary folder so deep that a payload's full name (folder + "$$$xxxx.tmp") no longer
  // fits in an atom (255 characters), though the file itself can still be made there.
  std::string deep = TempFolder() + "tb_long";
  CreateDirectoryA(deep.c_str(), nullptr);
  auto descend = [&](size_t length) {
    deep += "\\" + std::string(length, 'd');
    CreateDirectoryA(deep.c_str(), nullptr);
  };
  // The unique part of the name has 1 to 4 hex digits: the folder alone takes 248 characters.
  while (247 - deep.size() > 61) descend(30);
  size_t rest = 247 - deep.size(), half = rest / 2;
  descend(half - 1);
  descend(rest - half - 1);
  ASSERT_EQ(247u, deep.size());
  char probe[MAX_PATH + 2];
  ASSERT_NE(0u, GetTempFileNameA(deep.c_str(), "$$$", 0, probe));
  DeleteFileA(probe);
  ASSERT_GT(strlen(probe), 255u);

  char saved[MAX_PATH + 2];
  DWORD savedLength = GetEnvironmentVariableA("TMP", saved, sizeof(saved));
  SetEnvironmentVariableA("TMP", deep.c_str());
  ASSERT_EQ(deep + "\\", TempFolder());
  // A run stopped half-way may have left a file here; it must not decide this run.
  for (const std::string& file : PayloadFiles()) DeleteFileA(file.c_str());
  EXPECT_EQ(0, IPCWritePayload("x", 1));
  auto left = PayloadFiles();
  SetEnvironmentVariableA("TMP", savedLength ? saved : nullptr);
  EXPECT_TRUE(left.empty());
  for (const std::string& file : left) DeleteFileA(file.c_str());
  while (deep.size() > TempFolder().size() + 7) {
    RemoveDirectoryA(deep.c_str());
    deep.resize(deep.rfind('\\'));
  }
  RemoveDirectoryA(deep.c_str());
}

TEST(IPCLink, FindsThePeerByExactTitleOnly) {
  TTestWindow window("tb_ipc_Case_Peer");
  TIPCLink exact("tb_ipc_Case_Peer", WM_TB_FILE_TEXT);
  TIPCLink otherCase("tb_ipc_case_peer", WM_TB_FILE_TEXT);
  TIPCLink prefix("tb_ipc_Case", WM_TB_FILE_TEXT);
  EXPECT_EQ(window.Handle(), exact.PeerWindow());
  EXPECT_EQ(nullptr, otherCase.PeerWindow());
  EXPECT_EQ(nullptr, prefix.PeerWindow());
  EXPECT_FALSE(otherCase.Notify(WM_TB_TOOLS_HELLO));
  exact.ForgetPeer();
  EXPECT_FALSE(exact.Notify(WM_TB_TOOLS_HELLO));
  EXPECT_TRUE(exact.PeerExists());
}

TEST(IPCLink, PostReachesAWindowReopenedUnderTheSameTitle) {
  auto first = std::make_unique<TTestWindow>("tb_ipc_reopened");
  TIPCLink link("tb_ipc_reopened", 0);
  HWND old = link.PeerWindow();
  first.reset();
  TTestWindow second("tb_ipc_reopened");
  ASSERT_NE(old, second.Handle());
  EXPECT_TRUE(link.NotifyFlag(WM_TB_SET_UNLOAD_ORPHAN, true));
  EXPECT_EQ(second.Handle(), link.PeerWindow());
  ASSERT_TRUE(servertest::PumpUntil([&] { return !second.Messages.empty(); }));
  EXPECT_EQ(WM_TB_SET_UNLOAD_ORPHAN, second.Messages[0].id);
  EXPECT_EQ(1, second.Messages[0].lParam);
}

TEST(IPCLink, SendToAbsentOrClosedPeerLeavesNoPayload) {
  auto before = PayloadFiles();
  TIPCLink absent("tb_ipc_nobody_here", WM_TB_FILE_TEXT);
  EXPECT_FALSE(absent.SendString("text", 0));
  auto window = std::make_unique<TTestWindow>("tb_ipc_closing");
  TIPCLink link("tb_ipc_closing", WM_TB_FILE_TEXT);
  ASSERT_NE(nullptr, link.PeerWindow());
  window.reset();
  EXPECT_FALSE(link.SendString("text", 0));
  EXPECT_EQ(nullptr, link.PeerWindow());
  EXPECT_EQ(before, PayloadFiles());
}

TEST(IPCLink, PayloadRefusedByAFullQueueIsPostedAgainAndArrivesOnce) {
  TTestWindow window("tb_ipc_full_queue");
  std::string received;
  int arrivals = 0;
  window.OnMessage = [&](const servertest::TRecordedMessage& message) {
    ++arrivals;
    EXPECT_TRUE(IPCReceiveString(message.wParam, received));
  };
  TIPCLink link("tb_ipc_full_queue", WM_TB_FILE_NAME);
  servertest::TPostFunctionGuard guard;
  servertest::FailNextPosts(25, [](HWND window, UINT) { return window != nullptr; });
  EXPECT_TRUE(link.SendString("C:\\a.sf2", 0));
  EXPECT_EQ(0, servertest::FailuresLeft());
  ASSERT_TRUE(servertest::PumpUntil([&] { return arrivals > 0; }));
  servertest::PumpUntil([] { return false; }, 50);
  EXPECT_EQ(1, arrivals);
  EXPECT_EQ(WM_TB_FILE_NAME, window.Messages[0].id);
  EXPECT_EQ("C:\\a.sf2", received);
}

namespace {
DWORD WINAPI ShortLivedThread(LPVOID) {
  EnsureMessageQueue();
  return 0;
}
}  // namespace

TEST(IPCLink, ThreadPayloadToAThreadThatIsGoneLeavesNothing) {
  DWORD ended = 0;
  HANDLE thread = CreateThread(nullptr, 0, &ShortLivedThread, nullptr, 0, &ended);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  auto before = PayloadFiles();
  EXPECT_FALSE(TIPCLink::PostThreadData(ended, "block", 5, TM_MM_DONE));
  EXPECT_EQ(before, PayloadFiles());

  EnsureMessageQueue();
  ASSERT_TRUE(TIPCLink::PostThreadData(GetCurrentThreadId(), "block", 5, TM_MM_DONE));
  MSG msg;
  ASSERT_TRUE(servertest::TakeThreadMessage(TM_MM_DONE, msg));
  std::string text;
  ASSERT_TRUE(IPCReceiveString(msg.wParam, text));
  EXPECT_EQ("block", text);
  EXPECT_EQ(0, msg.lParam);
}
