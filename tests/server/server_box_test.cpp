#include "server_box.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "message_box_recorder.h"
#include "tarnbel_protocol.h"

using testsupport::MessageBoxRecorder;

TEST(ServerBox, ErrorEpisodeShowsOneBoxUntilItEnds) {
  MessageBoxRecorder boxes(IDYES);
  TErrorEpisode episode(nullptr);
  EXPECT_EQ(episode.ShowError("first", MB_ICONSTOP | SERVER_ERROR_BOX_FLAGS), IDYES);
  EXPECT_EQ(episode.ShowError("second", MB_ICONSTOP | SERVER_ERROR_BOX_FLAGS), 0);
  EXPECT_TRUE(episode.ErrorState());
  episode.End();
  EXPECT_EQ(episode.ShowError("third", MB_ICONEXCLAMATION | MB_YESNO), IDYES);
  episode.End();
  // A failure report without a box opens the episode too: the next box stays silent.
  episode.Begin();
  EXPECT_EQ(episode.ShowError("fourth", MB_ICONSTOP), 0);

  ASSERT_EQ(boxes.Boxes.size(), 2u);
  EXPECT_EQ(boxes.Boxes[0].Text, "first");
  EXPECT_EQ(boxes.Boxes[0].Caption, "tarnbel");
  EXPECT_EQ(boxes.Boxes[0].Flags, static_cast<UINT>(MB_ICONSTOP | MB_SYSTEMMODAL | MB_SETFOREGROUND));
  EXPECT_EQ(boxes.Boxes[1].Text, "third");
  EXPECT_EQ(boxes.Boxes[1].Caption, "tarnbel");
}

namespace {
constexpr UINT kReport = WM_USER + 700;
std::atomic<int> reportsTaken{0};
HHOOK takenHook = nullptr;

// Counts the reports a loop on this thread takes from the queue (the box's loop included).
LRESULT CALLBACK CountTakenReports(int code, WPARAM removal, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code >= 0 && removal == PM_REMOVE && msg && msg->hwnd == nullptr && msg->message == kReport) ++reportsTaken;
  return CallNextHookEx(takenHook, code, removal, lParam);
}
}  // namespace

// The real box: thread messages posted to the thread while it is up survive it, in order.
TEST(ServerBox, ThreadMessagesPostedWhileTheBoxIsUpAreKept) {
  DWORD self = GetCurrentThreadId();
  reportsTaken = 0;
  takenHook = SetWindowsHookExA(WH_GETMESSAGE, &CountTakenReports, nullptr, self);
  ASSERT_NE(takenHook, nullptr);
  std::atomic<bool> closed{false};
  std::atomic<bool> lookedAt{false};
  std::thread helper([&] {
    HWND box = nullptr;
    for (int i = 0; i < 500 && !box; ++i) {
      box = FindWindowA(nullptr, "tarnbel");
      if (!box) Sleep(10);
    }
    if (!box) return;
    for (WPARAM i = 1; i <= 3; ++i) PostThreadMessageA(self, kReport, i, 0);
    // The fourth must come after the box's loop has taken the first three.
    for (int i = 0; i < 500 && reportsTaken < 3; ++i) Sleep(10);
    lookedAt = reportsTaken >= 3;
    PostThreadMessageA(self, kReport, 4, 0);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    closed = true;
  });
  int answer = ServerBox(nullptr, "Already started.", MB_OK);
  helper.join();
  UnhookWindowsHookEx(takenHook);
  ASSERT_TRUE(closed.load()) << "no box captioned tarnbel appeared";
  EXPECT_TRUE(lookedAt.load()) << "the box's loop never took the reports";
  EXPECT_EQ(answer, IDOK);
  std::vector<WPARAM> order;
  MSG msg;
  while (PeekMessageA(&msg, reinterpret_cast<HWND>(-1), kReport, kReport, PM_REMOVE)) order.push_back(msg.wParam);
  EXPECT_EQ(order, (std::vector<WPARAM>{1, 2, 3, 4}));
}

// A box that is up is not opened again inside its own loop; another box still is.
TEST(ServerBox, OneBoxOfAKindAtATime) {
  int nestedSame = -1, nestedOther = -1;
  testsupport::MessageBoxRecorder boxes;
  ui::TMessageBoxHandler recorder = ui::SetMessageBoxHandler(nullptr);
  ui::SetMessageBoxHandler([&](const std::string& text, const std::string& caption, UINT flags) {
    int answer = recorder(text, caption, flags);
    if (text == "Installer") {
      EXPECT_TRUE(ServerBoxUp("Installer"));
      nestedSame = ServerBox(nullptr, "Installer", MB_OK);
      nestedOther = ServerBox(nullptr, "Preview", MB_OK);
      // Asked for from its own loop, the box that is up is not queued again either.
      RequestServerBox(GetCurrentThreadId(), "Installer");
      MSG queued;
      EXPECT_FALSE(PeekMessageA(&queued, reinterpret_cast<HWND>(-1), TM_SHOW_BOX, TM_SHOW_BOX, PM_NOREMOVE));
    }
    return answer;
  });
  EXPECT_EQ(ServerBox(nullptr, "Installer", MB_OK), IDOK);
  ui::SetMessageBoxHandler(recorder);
  EXPECT_FALSE(ServerBoxUp("Installer"));
  EXPECT_EQ(nestedSame, 0);
  EXPECT_EQ(nestedOther, IDOK);
  ASSERT_EQ(boxes.Boxes.size(), 2u);
  EXPECT_EQ(boxes.Boxes[1].Text, "Preview");
}

// An inner box hands the thread messages it held back to the queue, where a request's reply wait
// below it looks, not to the outer box that holds them until it closes.
TEST(ServerBox, AClosingInnerBoxLeavesHeldMessagesInTheQueue) {
  constexpr UINT kReply = WM_USER + 701;
  DWORD self = GetCurrentThreadId();
  bool replyInQueue = false;
  testsupport::MessageBoxRecorder boxes;
  ui::TMessageBoxHandler recorder = ui::SetMessageBoxHandler(nullptr);
  ui::SetMessageBoxHandler([&](const std::string& text, const std::string& caption, UINT flags) {
    if (text == "A") {
      PostThreadMessageA(self, kReply, 5, 0);
      ServerBox(nullptr, "B", MB_OK);
      MSG msg;
      replyInQueue = PeekMessageA(&msg, reinterpret_cast<HWND>(-1), kReply, kReply, PM_REMOVE) && msg.wParam == 5;
    }
    return recorder(text, caption, flags);
  });
  ServerBox(nullptr, "A", MB_OK);
  ui::SetMessageBoxHandler(recorder);
  EXPECT_TRUE(replyInQueue);
  EXPECT_EQ(boxes.Boxes.size(), 2u);
}

TEST(ServerBox, QueuedRequestsMakeOneBoxAndForeignRequestsNone) {
  testsupport::MessageBoxRecorder boxes;
  DWORD self = GetCurrentThreadId();
  // What any program can post: no box, nothing followed.
  MSG foreign{};
  foreign.message = TM_SHOW_BOX;
  foreign.lParam = 0x41414141;
  EXPECT_TRUE(HandleBoxRequest(foreign));
  EXPECT_TRUE(boxes.Boxes.empty());

  // A turn-on whose routes all failed: one box, each text once.
  for (int i = 0; i < 30; ++i) RequestServerBox(self, "Can't open MIDI Input:  \"In " + std::to_string(i % 25) + "\"");
  RequestServerBox(self, "MIDI Out device \"Gone\" not found.");
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), TM_SHOW_BOX, TM_SHOW_BOX, PM_REMOVE));
  EXPECT_TRUE(HandleBoxRequest(msg));
  EXPECT_FALSE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), TM_SHOW_BOX, TM_SHOW_BOX, PM_NOREMOVE));
  ASSERT_EQ(boxes.Boxes.size(), 1u);
  const std::string& text = boxes.Boxes[0].Text;
  EXPECT_EQ(text.find("Can't open MIDI Input:  \"In 0\"\n"), 0u);
  EXPECT_EQ(text.find("In 0\""), text.rfind("In 0\""));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(SERVER_BOX_MAX_LINES));
  EXPECT_NE(text.find("... and 6 more."), std::string::npos) << text;  // 26 texts, 20 shown
  EXPECT_EQ(boxes.Boxes[0].Caption, "tarnbel");
}
