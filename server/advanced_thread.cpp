#include "advanced_thread.h"

#include "live_requests.h"
#include "owner_posts.h"
#include "tarnbel_protocol.h"
#include "thread_post.h"

namespace {
// The thread object whose loop runs on this thread, if any.
thread_local const TAdvancedThread* runningThread = nullptr;
}  // namespace

TAdvancedThread::TAdvancedThread(SIZE_T stackReserve)
    : FCreatorThreadId(GetCurrentThreadId()), FStackReserve(stackReserve) {
  EnsureMessageQueue();
}

TAdvancedThread::~TAdvancedThread() {
  // Owners stop the thread while the derived object is still whole; this only catches a forgotten Stop.
  Stop();
  ForgetOwnerPosts(FThreadId);
  if (FHandle) CloseHandle(FHandle);
}

bool TAdvancedThread::StartThread() {
  if (FHandle) return false;
  FQueueReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!FQueueReady) return false;
  FHandle = CreateThread(nullptr, FStackReserve, &TAdvancedThread::ThreadProc, this,
                         FStackReserve ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0, &FThreadId);
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
  runningThread = thread;
  EnsureMessageQueue();
  thread->RegisterOwnerPosts();
  SetEvent(thread->FQueueReady);
  thread->Execute();
  thread->ForgetOwnerPosts(GetCurrentThreadId());
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
    if (IsQuit(msg)) break;
    if (msg.message == TM_ECHO) PostAsOwner(FCreatorThreadId, TM_ECHO, 0, 0);
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

bool TAdvancedThread::IsQuit(const MSG& msg) { return msg.message == TM_QUIT && msg.hwnd == nullptr; }

bool TAdvancedThread::Accepts(const MSG& msg) const {
  // Only a quit the owner asked for ends the loop; another program's is dropped unread.
  if (IsQuit(msg)) return FQuitAsked;
  if (!TOwnerPosts::Accept(msg)) return false;
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
  PostQuit();
  WaitForSingleObject(FHandle, INFINITE);
  // Also a thread ended from outside, whose loop never got to forget its registration.
  ForgetOwnerPosts(FThreadId);
}

bool TAdvancedThread::PostAsOwner(DWORD threadId, UINT id, WPARAM wParam, LPARAM lParam) {
  return TOwnerPosts::Post(threadId, id, wParam, lParam);
}

bool TAdvancedThread::TakesOnlyOwnPosts(const void* thread, UINT id) {
  return static_cast<const TAdvancedThread*>(thread)->OwnerOnly(id);
}

void TAdvancedThread::RegisterOwnerPosts() { TOwnerPosts::Register(GetCurrentThreadId(), this, &TakesOnlyOwnPosts); }

void TAdvancedThread::ForgetOwnerPosts(DWORD threadId) { TOwnerPosts::Forget(threadId, this); }

bool TAdvancedThread::PostQuit() {
  // Asked before the post: the loop may take the message at once.
  FQuitAsked = true;
  // On the thread itself, also during its start before the creator has stored the id.
  return PostThreadUntilAccepted(runningThread == this ? GetCurrentThreadId() : FThreadId, TM_QUIT, 0, 0);
}

bool TAdvancedThread::EndedUnasked() const {
  return FHandle && !FQuitAsked && WaitForSingleObject(FHandle, 0) == WAIT_OBJECT_0;
}

// What this thread took is posted on as its owner would.
bool TAdvancedThread::Requeue() {
  return PostAsOwner(FThreadId, FCurrentMessage.message, FCurrentMessage.wParam, FCurrentMessage.lParam);
}

bool TAdvancedThread::ForwardTo(DWORD threadId) {
  return PostAsOwner(threadId, FCurrentMessage.message, FCurrentMessage.wParam, FCurrentMessage.lParam);
}
