#include "abstract_message.h"

#include "advanced_thread.h"
#include "live_requests.h"
#include "thread_post.h"

TAbstractMessage::TAbstractMessage(DWORD targetThreadId, bool synchronous, UINT messageId)
    : FSenderThreadId(GetCurrentThreadId()),
      FTargetThreadId(targetThreadId),
      FMessageId(messageId),
      FSynchronous(synchronous) {
  if (synchronous) {
    FParam = reinterpret_cast<LPARAM>(this);
    EnsureMessageQueue();  // the reply must find the sender's queue
  }
}

namespace {
// The reply carries the request object, so another request of the same id answered meanwhile
// cannot be taken for this one.
bool IsReplyTo(const MSG& msg, const void* request) {
  return msg.lParam == reinterpret_cast<LPARAM>(request);
}
}  // namespace

bool TAbstractMessage::Send() {
  Prepare();
  bool delivered;
  if (FSynchronous && FTargetThreadId == GetCurrentThreadId()) {
    delivered = false;  // a thread blocked on its own request could never answer it
  } else if (FSynchronous) {
    // Watch the target, so a target that quits with the request still queued releases us.
    HANDLE target = OpenThread(SYNCHRONIZE, FALSE, FTargetThreadId);
    // Outstanding while we wait: the target follows lParam only while it names a live request.
    TLiveRequests::Add(this, FMessageId);
    delivered = PostThreadUntilAccepted(FTargetThreadId, FMessageId, 0, FParam);
    if (delivered) {
      const TAbstractMessage* self = this;
      FAnswered = WaitForMatchingMessage(FMessageId, &IsReplyTo, self, target, FReply);
    }
    TLiveRequests::Remove(this);
    if (target) CloseHandle(target);
    delivered = delivered && FAnswered;
  } else {
    delivered = TAdvancedThread::PostAsOwner(FTargetThreadId, FMessageId, 0, FParam);
  }
  if (!delivered) Undelivered();
  Finish();
  return delivered;
}

bool TAbstractMessage::Reply() {
  return PostThreadUntilAccepted(FSenderThreadId, FMessageId, 0, reinterpret_cast<LPARAM>(this));
}
