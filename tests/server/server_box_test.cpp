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

// The real box: thread messages posted to the thread while it is up survive it, in order.
TEST(ServerBox, ThreadMessagesPostedWhileTheBoxIsUpAreKept) {
  constexpr UINT kReport = WM_USER + 700;
  DWORD self = GetCurrentThreadId();
  std::atomic<bool> closed{false};
  std::thread helper([&] {
    HWND box = nullptr;
    for (int i = 0; i < 500 && !box; ++i) {
      box = FindWindowA(nullptr, "tarnbel");
      if (!box) Sleep(10);
    }
    if (!box) return;
    for (WPARAM i = 1; i <= 3; ++i) PostThreadMessageA(self, kReport, i, 0);
    Sleep(300);  // the box's loop has looked at them by now
    PostThreadMessageA(self, kReport, 4, 0);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    closed = true;
  });
  int answer = ServerBox(nullptr, "Already started.", MB_OK);
  helper.join();
  ASSERT_TRUE(closed.load()) << "no box captioned tarnbel appeared";
  EXPECT_EQ(answer, IDOK);
  std::vector<WPARAM> order;
  MSG msg;
  while (PeekMessageA(&msg, reinterpret_cast<HWND>(-1), kReport, kReport, PM_REMOVE)) order.push_back(msg.wParam);
  EXPECT_EQ(order, (std::vector<WPARAM>{1, 2, 3, 4}));
}
