#pragma once
// Every post of the server goes through PostOnce, so tests can stand in for a full queue
// (which Wine never produces by itself).
#include <windows.h>
#include <cstdint>

// One post: to the window when it is given, else a thread message to the thread.
using TPostFunction = BOOL (*)(HWND window, DWORD threadId, UINT id, WPARAM wParam, LPARAM lParam);

BOOL PostOnce(HWND window, DWORD threadId, UINT id, WPARAM wParam, LPARAM lParam);

// Replaces the function behind PostOnce; nullptr restores the system's posting. Returns the previous one.
TPostFunction SetPostFunction(TPostFunction function);

// The system's own posting, for stand-ins that fail some posts and pass the others on.
BOOL SystemPost(HWND window, DWORD threadId, UINT id, WPARAM wParam, LPARAM lParam);

// True while the thread exists and has not ended.
bool ThreadIsAlive(DWORD threadId);

// Posts the thread message again at once until the system accepts it. Gives up (false) only when
// the target can never accept it: the thread id is invalid or the thread has ended.
bool PostThreadUntilAccepted(DWORD threadId, UINT id, WPARAM wParam, LPARAM lParam);

// Makes sure the calling thread has its message queue, so that posts to it are accepted.
void EnsureMessageQueue();

// Takes messages of the one id from the calling thread's queue until one satisfies `matches`
// (copied into `found`). Messages of other ids stay queued; those of the same id that do not
// match are posted back to the calling thread afterwards, in their order. Returns false when
// `watched` (a thread handle, may be null) is signalled first: no answer will come.
bool WaitForMatchingMessage(UINT id, bool (*matches)(const MSG& msg, const void* context), const void* context,
                            HANDLE watched, MSG& found);
