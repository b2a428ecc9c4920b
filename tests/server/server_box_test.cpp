#include "server_box.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "message_box_recorder.h"

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
