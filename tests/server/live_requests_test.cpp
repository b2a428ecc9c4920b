// Thread messages whose lParam is an object: only objects this process handed over, and only while
// they are outstanding, are followed; anything another program posts with the same id is dropped.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "abstract_message.h"
#include "advanced_thread.h"
#include "live_requests.h"
#include "server_test_support.h"
#include "sf_thread_messages.h"
#include "tarnbel_protocol.h"
#include "thread_post.h"

namespace {

constexpr UINT kAsk = 1310;    // synchronous: the request's Seen := true
constexpr UINT kOwned = 1311;  // lParam an int the receiver takes and frees
constexpr UINT kBlock = 1312;  // holds the worker until its gate opens
constexpr UINT kPlain = 1313;  // no object: lParam is a number

class TAskRequest : public TSyncMessage {
 public:
  explicit TAskRequest(DWORD target) : TSyncMessage(target, kAsk) {}
  bool Seen = false;
};

class TObjectWorker : public TAdvancedThread {
 public:
  TObjectWorker() : Gate(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~TObjectWorker() override {
    SetEvent(Gate);
    Stop();
    CloseHandle(Gate);
  }
  std::vector<LPARAM> Handled() {
    std::lock_guard<std::mutex> hold(FLock);
    return FHandled;
  }
  std::vector<LPARAM> Discarded() {
    std::lock_guard<std::mutex> hold(FLock);
    return FDiscarded;
  }
  HANDLE Gate;

 protected:
  bool CarriesObject(UINT id) const override { return id == kAsk || id == kOwned; }
  void ProcessMessage(const MSG& msg) override {
    if (msg.message == kBlock) WaitForSingleObject(Gate, 5000);
    if (msg.message != kAsk && msg.message != kOwned && msg.message != kPlain) return;
    {
      std::lock_guard<std::mutex> hold(FLock);
      FHandled.push_back(msg.lParam);
    }
    if (msg.message == kAsk) {
      auto* request = static_cast<TAskRequest*>(TAbstractMessage::FromParam(msg.lParam));
      request->Seen = true;
      request->Reply();
    } else if (msg.message == kOwned && TLiveRequests::Take(msg.lParam, kOwned)) {
      delete reinterpret_cast<int*>(msg.lParam);
    }
  }
  void DiscardMessage(const MSG& msg) override {
    if (msg.message != kOwned) return;
    std::lock_guard<std::mutex> hold(FLock);
    FDiscarded.push_back(msg.lParam);
    TLiveRequests::Remove(reinterpret_cast<const void*>(msg.lParam));
    delete reinterpret_cast<int*>(msg.lParam);
  }

 private:
  std::mutex FLock;
  std::vector<LPARAM> FHandled;
  std::vector<LPARAM> FDiscarded;
};

LPARAM NewOwned(int value) {
  int* object = new int(value);
  TLiveRequests::Add(object, kOwned);
  return reinterpret_cast<LPARAM>(object);
}

}  // namespace

TEST(LiveRequests, ForeignObjectParamsNeverReachTheHandler) {
  auto worker = TAdvancedThread::Make<TObjectWorker>();
  ASSERT_TRUE(worker->WaitReady());
  DWORD id = worker->ThreadID();
  const size_t before = TLiveRequests::Count();

  // What another program could post: addresses that are no request of ours, and an object of the
  // wrong id.
  LPARAM owned = NewOwned(7);
  for (LPARAM junk : {LPARAM(0), LPARAM(0x41414141), LPARAM(-1), LPARAM(1)}) {
    ASSERT_TRUE(PostThreadUntilAccepted(id, kAsk, 0, junk));
    ASSERT_TRUE(PostThreadUntilAccepted(id, kOwned, 0, junk));
  }
  ASSERT_TRUE(PostThreadUntilAccepted(id, kAsk, 0, owned));
  ASSERT_TRUE(PostThreadUntilAccepted(id, kPlain, 0, 0x41414141));  // no object: passes as a number
  ASSERT_TRUE(PostThreadUntilAccepted(id, kOwned, 0, owned));

  TAskRequest ask(id);
  ASSERT_TRUE(ask.Send());
  EXPECT_TRUE(ask.Seen);
  EXPECT_EQ(worker->Handled(), (std::vector<LPARAM>{LPARAM(0x41414141), owned, reinterpret_cast<LPARAM>(&ask)}));
  // The answered request is no longer outstanding: the same address posted again is foreign now.
  EXPECT_FALSE(TLiveRequests::Contains(reinterpret_cast<LPARAM>(&ask), kAsk));
  ASSERT_TRUE(PostThreadUntilAccepted(id, kAsk, 0, reinterpret_cast<LPARAM>(&ask)));
  TAskRequest again(id);
  ASSERT_TRUE(again.Send());
  EXPECT_EQ(worker->Handled().size(), 4u);
  EXPECT_EQ(TLiveRequests::Count(), before);
}

TEST(LiveRequests, OnlyOwnObjectsQueuedBehindTheQuitAreFreed) {
  auto worker = TAdvancedThread::Make<TObjectWorker>();
  ASSERT_TRUE(worker->WaitReady());
  DWORD id = worker->ThreadID();
  const size_t before = TLiveRequests::Count();
  ASSERT_TRUE(PostThreadUntilAccepted(id, kBlock, 0, 0));
  LPARAM owned = NewOwned(3);
  ASSERT_TRUE(worker->PostQuit());
  ASSERT_TRUE(PostThreadUntilAccepted(id, kOwned, 0, 0x41414141));
  ASSERT_TRUE(PostThreadUntilAccepted(id, kOwned, 0, owned));
  SetEvent(worker->Gate);
  worker->Stop();
  EXPECT_EQ(worker->Discarded(), (std::vector<LPARAM>{owned}));
  EXPECT_EQ(TLiveRequests::Count(), before);
}

TEST(LiveRequests, PayloadRecordsStayOutstandingUntilFreedWhereverTheyTravel) {
  const size_t before = TLiveRequests::Count();
  DWORD self = GetCurrentThreadId();
  LPARAM record = 0;
  {
    TClearPresetMessage clear(self, 0, 5, -1, false);
    record = clear.Param();
    EXPECT_TRUE(TLiveRequests::Contains(record, TM_CLEAR_PRESET));
    EXPECT_FALSE(TLiveRequests::Contains(record, TM_LOAD_PRESET));
    ASSERT_TRUE(clear.Send());
  }
  // Posted and not yet taken: the receiver's, still outstanding after the request object went.
  MSG msg;
  ASSERT_TRUE(servertest::TakeThreadMessage(TM_CLEAR_PRESET, msg));
  EXPECT_EQ(msg.lParam, record);
  EXPECT_TRUE(TLiveRequests::Contains(record, TM_CLEAR_PRESET));
  delete TClearPresetMessage::RecordOf(record);
  EXPECT_FALSE(TLiveRequests::Contains(record, TM_CLEAR_PRESET));
  {
    TLoadPresetMessage unsent(self, "x.sf2", 0, 0, 0, 0, -1, -1, false);
    EXPECT_EQ(TLiveRequests::Count(), before + 1);
  }
  EXPECT_EQ(TLiveRequests::Count(), before);
  // The manager thread's ids that carry an object, and one that carries a thread id.
  EXPECT_TRUE(SFThreadCarriesObject(TM_LOAD_PRESET_SYNC));
  EXPECT_TRUE(SFThreadCarriesObject(TM_QUERY_SAMPLE_MEMORY));
  EXPECT_FALSE(SFThreadCarriesObject(TM_SF_ADD_CLIENT));
}
