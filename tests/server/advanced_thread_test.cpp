#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "abstract_message.h"
#include "advanced_thread.h"
#include "server_test_support.h"
#include "tarnbel_protocol.h"
#include "thread_post.h"

namespace {

constexpr UINT kDouble = 1300;   // synchronous: out := 2 * in
constexpr UINT kPayload = 1301;  // asynchronous: lParam is an int the receiver frees
constexpr UINT kBlock = 1302;    // holds the worker until its gate opens
constexpr UINT kMark = 1303;     // only recorded
constexpr UINT kRequeue = 1304;  // requeued once, the first time

std::atomic<int> livePayloads{0};

class TDoubleRequest : public TSyncMessage {
 public:
  TDoubleRequest(DWORD target, int value) : TSyncMessage(target, kDouble), In(value) {}
  int In;
  int Out = 0;
};

class TPayloadRequest : public TAsyncMessage {
 public:
  TPayloadRequest(DWORD target, int value) : TAsyncMessage(target, kPayload) {
    ++livePayloads;
    SetParam(reinterpret_cast<LPARAM>(new int(value)));
  }

 protected:
  void Undelivered() override;
};

void FreePayload(LPARAM lParam) {
  delete reinterpret_cast<int*>(lParam);
  --livePayloads;
}

void TPayloadRequest::Undelivered() { FreePayload(Param()); }

TDoubleRequest decoy(0, 0);  // a same-id message that is not the reply being waited for

class TWorker : public TAdvancedThread {
 public:
  TWorker() : Gate(CreateEventA(nullptr, TRUE, FALSE, nullptr)), Blocked(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~TWorker() override {
    Stop();
    CloseHandle(Gate);
    CloseHandle(Blocked);
  }

  std::vector<std::pair<UINT, WPARAM>> Seen() {
    std::lock_guard<std::mutex> hold(FLock);
    return FSeen;
  }
  std::vector<UINT> Discarded() {
    std::lock_guard<std::mutex> hold(FLock);
    return FDiscarded;
  }

  HANDLE Gate, Blocked;
  std::atomic<bool> Started{false}, StoppedAfterStart{false};
  std::atomic<long> PayloadSum{0};

 protected:
  void DoStart() override { Started = true; }
  void DoStop() override { StoppedAfterStart = Started.load(); }
  void ProcessMessage(const MSG& msg) override {
    {
      std::lock_guard<std::mutex> hold(FLock);
      FSeen.emplace_back(msg.message, msg.wParam);
    }
    switch (msg.message) {
      case kDouble: {
        auto* request = static_cast<TDoubleRequest*>(TAbstractMessage::FromParam(msg.lParam));
        if (request->In == -1) PostThreadUntilAccepted(request->SenderThreadID(), kDouble, 0, reinterpret_cast<LPARAM>(&decoy));
        request->Out = 2 * request->In;
        request->Reply();
        break;
      }
      case kPayload:
        PayloadSum += *reinterpret_cast<int*>(msg.lParam);
        FreePayload(msg.lParam);
        break;
      case kBlock:
        SetEvent(Blocked);
        WaitForSingleObject(Gate, 10000);
        break;
      case kRequeue:
        if (!FRequeued) {
          FRequeued = true;
          Requeue();
        }
        break;
    }
  }
  void DiscardMessage(const MSG& msg) override {
    {
      std::lock_guard<std::mutex> hold(FLock);
      FDiscarded.push_back(msg.message);
    }
    if (msg.message == kPayload) FreePayload(msg.lParam);
  }

 private:
  std::mutex FLock;
  std::vector<std::pair<UINT, WPARAM>> FSeen;
  std::vector<UINT> FDiscarded;
  bool FRequeued = false;
};

std::unique_ptr<TWorker> StartWorker() {
  auto worker = TAdvancedThread::Make<TWorker>();
  EXPECT_TRUE(worker->WaitReady());
  return worker;
}

bool Contains(const std::vector<std::pair<UINT, WPARAM>>& seen, UINT id) {
  for (const auto& item : seen)
    if (item.first == id) return true;
  return false;
}

}  // namespace

TEST(AdvancedThread, ReadyAfterStartWhileOtherMessagesStayQueued) {
  EnsureMessageQueue();
  ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), kMark, 7, 0));
  auto first = TAdvancedThread::Make<TWorker>();
  auto second = TAdvancedThread::Make<TWorker>();
  // Each waits for its own report, whichever came first.
  EXPECT_TRUE(second->WaitReady());
  EXPECT_TRUE(first->WaitReady());
  EXPECT_TRUE(first->Started);
  EXPECT_EQ(GetCurrentThreadId(), first->CreatorThreadID());
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, kMark, kMark, PM_REMOVE));
  EXPECT_EQ(7u, msg.wParam);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, TM_THREAD_READY, TM_THREAD_READY, PM_REMOVE));
}

TEST(AdvancedThread, EchoReachesHandlerThenCreator) {
  auto worker = StartWorker();
  ASSERT_TRUE(PostThreadUntilAccepted(worker->ThreadID(), TM_ECHO, 0, 0));
  MSG msg;
  ASSERT_TRUE(servertest::TakeThreadMessage(TM_ECHO, msg));
  EXPECT_TRUE(Contains(worker->Seen(), TM_ECHO));
}

TEST(AdvancedThread, RequeuedMessageComesAfterThoseQueued) {
  auto worker = StartWorker();
  DWORD id = worker->ThreadID();
  PostThreadUntilAccepted(id, kBlock, 0, 0);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(worker->Blocked, 5000));
  PostThreadUntilAccepted(id, kRequeue, 1, 0);
  PostThreadUntilAccepted(id, kMark, 2, 0);
  PostThreadUntilAccepted(id, kMark, 3, 0);
  SetEvent(worker->Gate);
  ASSERT_TRUE(servertest::PumpUntil([&] { return worker->Seen().size() >= 5; }));
  std::vector<std::pair<UINT, WPARAM>> expected{{kBlock, 0}, {kRequeue, 1}, {kMark, 2}, {kMark, 3}, {kRequeue, 1}};
  EXPECT_EQ(expected, worker->Seen());
}

TEST(AdvancedThread, QuitEndsLoopAndReleasesWhatIsQueuedBehindIt) {
  static HANDLE requestPosted = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ResetEvent(requestPosted);
  servertest::TPostFunctionGuard guard;
  SetPostFunction([](HWND window, DWORD thread, UINT id, WPARAM w, LPARAM l) -> BOOL {
    BOOL ok = SystemPost(window, thread, id, w, l);
    if (ok && id == kDouble) SetEvent(requestPosted);
    return ok;
  });

  auto worker = StartWorker();
  DWORD id = worker->ThreadID();
  int before = livePayloads;
  PostThreadUntilAccepted(id, kBlock, 0, 0);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(worker->Blocked, 5000));
  worker->PostQuit();
  PostThreadUntilAccepted(id, kMark, 9, 0);
  TPayloadRequest(id, 5).Send();

  bool sent = true, answered = true;
  std::thread sender([&] {
    TDoubleRequest request(id, 21);
    sent = request.Send();
    answered = request.Answered();
  });
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(requestPosted, 5000));
  SetEvent(worker->Gate);
  sender.join();  // a sender behind the quit is released, not left waiting

  EXPECT_FALSE(sent);
  EXPECT_FALSE(answered);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(worker->Handle(), 5000));
  EXPECT_TRUE(worker->StoppedAfterStart);
  auto seen = worker->Seen();
  ASSERT_EQ(2u, seen.size());
  EXPECT_EQ(TM_QUIT, seen[1].first);
  EXPECT_EQ((std::vector<UINT>{kMark, kPayload, kDouble}), worker->Discarded());
  EXPECT_EQ(before, livePayloads);  // the queued payload was freed
}

// Any program can post the quit id to a worker: only its owner's quit ends it. A worker killed
// from outside is told apart from one that was stopped.
TEST(AdvancedThread, OnlyTheOwnersQuitEndsTheLoopAndAnEndFromOutsideIsNoticed) {
  auto worker = StartWorker();
  DWORD id = worker->ThreadID();
  for (WPARAM w : {WPARAM(0), WPARAM(1)}) ASSERT_TRUE(PostThreadUntilAccepted(id, TM_QUIT, w, LPARAM(w)));
  TDoubleRequest after(id, 4);
  ASSERT_TRUE(after.Send());
  EXPECT_EQ(8, after.Out);
  EXPECT_FALSE(Contains(worker->Seen(), TM_QUIT));
  EXPECT_FALSE(worker->QuitAsked());
  EXPECT_FALSE(worker->EndedUnasked());
  worker->Stop();
  EXPECT_TRUE(Contains(worker->Seen(), TM_QUIT));
  EXPECT_FALSE(worker->EndedUnasked());

  auto killed = StartWorker();
  ASSERT_TRUE(TerminateThread(killed->Handle(), 1));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(killed->Handle(), 5000));
  EXPECT_TRUE(killed->EndedUnasked());
  EXPECT_FALSE(killed->StoppedAfterStart);
}

TEST(AdvancedThread, ManySendersGetEachTheirOwnReply) {
  auto worker = StartWorker();
  DWORD target = worker->ThreadID();
  constexpr int kSenders = 6, kEach = 300;
  std::atomic<int> wrong{0}, unanswered{0};
  int payloadsBefore = livePayloads;
  std::vector<std::thread> senders;
  for (int s = 0; s < kSenders; ++s) {
    senders.emplace_back([&, s] {
      for (int i = 0; i < kEach; ++i) {
        int value = s * 100000 + i;
        TPayloadRequest(target, 1).Send();
        TDoubleRequest request(target, value);
        if (!request.Send() || !request.Answered()) ++unanswered;
        if (request.Out != 2 * value || request.ReplyMessage().message != kDouble) ++wrong;
      }
      MSG stray;  // no reply doubled or left over
      if (PeekMessageA(&stray, nullptr, kDouble, kDouble, PM_REMOVE)) ++wrong;
    });
  }
  for (auto& sender : senders) sender.join();
  // Asynchronous requests are in the queue before the last synchronous one of each sender is answered.
  EXPECT_EQ(0, unanswered.load());
  EXPECT_EQ(0, wrong.load());
  EXPECT_EQ(kSenders * kEach, worker->PayloadSum.load());
  EXPECT_EQ(payloadsBefore, livePayloads.load());
}

TEST(AdvancedThread, ReplyIsMatchedOnTheRequestNotOnlyItsId) {
  auto worker = StartWorker();
  TDoubleRequest request(worker->ThreadID(), -1);  // the worker first posts a decoy of the same id
  ASSERT_TRUE(request.Send());
  EXPECT_EQ(-2, request.Out);
  EXPECT_EQ(reinterpret_cast<LPARAM>(static_cast<TAbstractMessage*>(&request)), request.ReplyMessage().lParam);
  MSG msg;  // the decoy is still there for whoever it belongs to
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, kDouble, kDouble, PM_REMOVE));
  EXPECT_EQ(reinterpret_cast<LPARAM>(&decoy), msg.lParam);
}

namespace {
bool RequestPosts(HWND window, UINT id) { return !window && (id == kPayload || id == kDouble); }
}  // namespace

TEST(AdvancedThread, RequestRefusedByAFullQueueIsPostedAgainAndDeliveredOnce) {
  auto worker = StartWorker();
  servertest::TPostFunctionGuard guard;
  servertest::FailNextPosts(50, &RequestPosts);
  EXPECT_TRUE(TPayloadRequest(worker->ThreadID(), 3).Send());
  EXPECT_EQ(51, servertest::SelectedPostAttempts());
  servertest::FailNextPosts(20, &RequestPosts);
  TDoubleRequest request(worker->ThreadID(), 4);
  EXPECT_TRUE(request.Send());
  EXPECT_EQ(0, servertest::FailuresLeft());
  EXPECT_EQ(8, request.Out);
  ASSERT_TRUE(servertest::PumpUntil([&] { return worker->PayloadSum == 3; }));
  int payloads = 0;
  for (const auto& item : worker->Seen()) payloads += item.first == kPayload;
  EXPECT_EQ(1, payloads);
}

TEST(AdvancedThread, PostingToAThreadThatIsGoneGivesUp) {
  DWORD ended;
  {
    auto worker = StartWorker();
    ended = worker->ThreadID();
    worker->Stop();
  }
  EXPECT_FALSE(ThreadIsAlive(ended));
  EXPECT_FALSE(PostThreadUntilAccepted(ended, kMark, 0, 0));
  EXPECT_FALSE(PostThreadUntilAccepted(0, kMark, 0, 0));
  TDoubleRequest request(ended, 1);
  EXPECT_FALSE(request.Send());
  TDoubleRequest toSelf(GetCurrentThreadId(), 1);
  EXPECT_FALSE(toSelf.Send());
  MSG stray;
  EXPECT_FALSE(PeekMessageA(&stray, nullptr, kDouble, kDouble, PM_REMOVE));
  int before = livePayloads;
  EXPECT_FALSE(TPayloadRequest(ended, 1).Send());
  EXPECT_EQ(before, livePayloads.load());  // the undelivered record was freed by its sender

  // Even a post that keeps failing as a full queue stops once the target has ended.
  servertest::TPostFunctionGuard guard;
  servertest::FailNextPosts(1 << 30, &RequestPosts);
  EXPECT_FALSE(PostThreadUntilAccepted(ended, kPayload, 0, 0));
}

namespace {

std::atomic<int> selfFreeingAlive{0};
std::atomic<int> selfFreeingStopped{0};

// Ends on its own at once: the quit is queued before the loop starts.
class TSelfFreeing : public TAdvancedThread {
 public:
  TSelfFreeing() { ++selfFreeingAlive; }
  ~TSelfFreeing() override { --selfFreeingAlive; }

 protected:
  void DoStart() override { PostQuit(); }
  void DoStop() override { ++selfFreeingStopped; }
};

}  // namespace

TEST(AdvancedThread, SelfFreeingThreadsDeleteThemselvesOnceEvenWhenEndingDuringTheirStart) {
  std::vector<HANDLE> ended;
  for (int i = 0; i < 20; ++i) {
    DWORD id = 0;
    ASSERT_TRUE(TAdvancedThread::StartSelfFreeing(new TSelfFreeing, &id));
    ASSERT_NE(id, 0u);
    if (HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id)) ended.push_back(thread);
  }
  for (HANDLE thread : ended) {
    EXPECT_EQ(WaitForSingleObject(thread, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(thread);
  }
  EXPECT_TRUE(servertest::PumpUntil([] { return selfFreeingAlive.load() == 0; }, 5000));
  EXPECT_EQ(selfFreeingStopped.load(), 20);
  // The ready reports of the ended threads are not waited for by anyone.
  MSG msg;
  while (PeekMessageA(&msg, reinterpret_cast<HWND>(-1), TM_THREAD_READY, TM_THREAD_READY, PM_REMOVE)) {
  }
}
