#include "advanced_thread.h"

#include "live_requests.h"
#include "tarnbel_protocol.h"
#include "thread_post.h"

TAdvancedThread::TAdvancedThread() : FCreatorThreadId(GetCurrentThreadId()) { EnsureMessageQueue(); }

TAdvancedThread::~TAdvancedThread() {
  // Owners stop the thread while the derived object is still whole; this only catches a forgotten Stop.
  Stop();
  if (FHandle) CloseHandle(FHandle);
}

bool TAdvancedThread::StartThread() {
  if (FHandle) return false;
  FQueueReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!FQueueReady) return false;
  FHandle = CreateThread(nullptr, 0, &TAdvancedThread::ThreadProc, this, 0, &FThreadId);
  if (FHandle) {
    // Nobody may post to the thread before it has a queue: such a post would be refused for good.
    HANDLE waits[2] = {FQueueReady, FHandle};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  } else {
    FThreadId = 0;
  }
  CloseHandle(FQueueReady);
  FQueueReady = nullptr;
  return FHandle != nullptr;
}

bool TAdvancedThread::StartSelfFreeing(TAdvancedThread* thread, DWORD* threadId) {
  if (thread->FHandle || thread->FLaunched) return false;
  HANDLE launched = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!launched) return false;
  thread->FLaunched = launched;
  if (!thread->StartThread()) {
    thread->FLaunched = nullptr;
    CloseHandle(launched);
    return false;
  }
  if (threadId) *threadId = thread->FThreadId;
  // From here on the thread may end and free the object at any moment.
  SetEvent(launched);
  return true;
}

DWORD WINAPI TAdvancedThread::ThreadProc(LPVOID self) {
  auto* thread = static_cast<TAdvancedThread*>(self);
  EnsureMessageQueue();
  SetEvent(thread->FQueueReady);
  thread->Execute();
  if (HANDLE launched = thread->FLaunched) {
    WaitForSingleObject(launched, INFINITE);
    CloseHandle(launched);
    delete thread;
  }
  return 0;
}

void TAdvancedThread::Execute() {
  DoStart();
  PostThreadUntilAccepted(FCreatorThreadId, TM_THREAD_READY, FThreadId, 0);
  while (!FTerminated) {
    MSG msg;
    if (GetMessageA(&msg, nullptr, 0, 0) == -1) break;
    if (!Accepts(msg)) continue;
    FCurrentMessage = msg;
    ProcessMessage(msg);
    if (msg.message == TM_QUIT) break;
    if (msg.message == TM_ECHO) PostThreadUntilAccepted(FCreatorThreadId, TM_ECHO, 0, 0);
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  DiscardQueued();
  DoStop();
}

void TAdvancedThread::DiscardQueued() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    if (Accepts(msg)) DiscardMessage(msg);
}

bool TAdvancedThread::Accepts(const MSG& msg) const {
  if (msg.hwnd != nullptr || !CarriesObject(msg.message)) return true;
  return TLiveRequests::Contains(msg.lParam, msg.message);
}

namespace {
bool IsReadyOf(const MSG& msg, const void* context) {
  return msg.wParam == static_cast<WPARAM>(*static_cast<const DWORD*>(context));
}
}  // namespace

bool TAdvancedThread::WaitReady() {
  if (!FHandle) return false;
  MSG ready;
  return WaitForMatchingMessage(TM_THREAD_READY, &IsReadyOf, &FThreadId, FHandle, ready);
}

void TAdvancedThread::Stop() {
  if (!FHandle) return;
  if (GetCurrentThreadId() == FThreadId) {
    Terminate();  // the thread cannot wait for itself
    return;
  }
  PostThreadUntilAccepted(FThreadId, TM_QUIT, 0, 0);
  WaitForSingleObject(FHandle, INFINITE);
}

bool TAdvancedThread::Requeue() {
  return PostThreadUntilAccepted(FThreadId, FCurrentMessage.message, FCurrentMessage.wParam, FCurrentMessage.lParam);
}

bool TAdvancedThread::ForwardTo(DWORD threadId) {
  return PostThreadUntilAccepted(threadId, FCurrentMessage.message, FCurrentMessage.wParam, FCurrentMessage.lParam);
}
