#include "thread_post.h"

#include <atomic>
#include <vector>

namespace {
std::atomic<TPostFunction> postFunction{nullptr};
}

BOOL SystemPost(HWND window, DWORD threadId, UINT id, WPARAM wParam, LPARAM lParam) {
  if (window) return PostMessageA(window, id, wParam, lParam);
  return PostThreadMessageA(threadId, id, wParam, lParam);
}

BOOL PostOnce(HWND window, DWORD threadId, UINT id, WPARAM wParam, LPARAM lParam) {
  TPostFunction function = postFunction.load();
  return function ? function(window, threadId, id, wParam, lParam) : SystemPost(window, threadId, id, wParam, lParam);
}

TPostFunction SetPostFunction(TPostFunction function) { return postFunction.exchange(function); }

bool ThreadIsAlive(DWORD threadId) {
  if (threadId == 0) return false;
  HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, threadId);
  if (!thread) return false;
  bool alive = WaitForSingleObject(thread, 0) == WAIT_TIMEOUT;
  CloseHandle(thread);
  return alive;
}

bool PostThreadUntilAccepted(DWORD threadId, UINT id, WPARAM wParam, LPARAM lParam) {
  if (threadId == 0) return false;  // names no thread (some systems take it as the caller's own)
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    if (PostOnce(nullptr, threadId, id, wParam, lParam)) return true;
    // A full queue empties again; a thread that is gone (or never had a queue) never accepts.
    if (GetLastError() == ERROR_INVALID_THREAD_ID || !ThreadIsAlive(threadId)) return false;
  }
}

void EnsureMessageQueue() {
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
}

bool WaitForMatchingMessage(UINT id, bool (*matches)(const MSG& msg, const void* context), const void* context,
                            HANDLE watched, MSG& found) {
  std::vector<MSG> others;
  bool answered = false;
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, id, id, PM_REMOVE)) {
      if (matches(msg, context)) {
        found = msg;
        answered = true;
        break;
      }
      others.push_back(msg);
    }
    if (answered) break;
    // Wakes on newly posted messages, or when the watched thread ends.
    DWORD count = watched ? 1 : 0;
    DWORD result = MsgWaitForMultipleObjects(count, watched ? &watched : nullptr, FALSE, INFINITE, QS_POSTMESSAGE);
    if (watched && result == WAIT_OBJECT_0) {
      // It may have answered just before it ended.
      while (PeekMessageA(&msg, nullptr, id, id, PM_REMOVE)) {
        if (!answered && matches(msg, context)) {
          found = msg;
          answered = true;
        } else {
          others.push_back(msg);
        }
      }
      break;
    }
  }
  DWORD self = GetCurrentThreadId();
  for (const MSG& msg : others) PostThreadUntilAccepted(self, msg.message, msg.wParam, msg.lParam);
  return answered;
}
