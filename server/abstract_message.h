#pragma once
// Requests between the server's threads. A request is posted to its target thread with param as
// lParam; a synchronous one blocks its sender until the target answers with Reply.
#include <windows.h>
#include <cstdint>

class TAbstractMessage {
 public:
  TAbstractMessage(DWORD targetThreadId, bool synchronous, UINT messageId);
  virtual ~TAbstractMessage() = default;
  TAbstractMessage(const TAbstractMessage&) = delete;
  TAbstractMessage& operator=(const TAbstractMessage&) = delete;

  // Called on the sender's thread. Posts the request until accepted; a synchronous request then
  // waits for its own reply. False when the target is gone: the request was not delivered, or
  // the target ended (quit with the request still queued) without answering.
  bool Send();

  // Called by the target once the results are written into the request; the target must not
  // touch the request afterwards.
  bool Reply();

  // The request object behind the lParam of a synchronous request.
  static TAbstractMessage* FromParam(LPARAM lParam) { return reinterpret_cast<TAbstractMessage*>(lParam); }

  DWORD SenderThreadID() const { return FSenderThreadId; }
  DWORD TargetThreadID() const { return FTargetThreadId; }
  UINT MessageID() const { return FMessageId; }
  bool Synchronous() const { return FSynchronous; }
  // True once the reply of a synchronous request has arrived.
  bool Answered() const { return FAnswered; }
  const MSG& ReplyMessage() const { return FReply; }
  LPARAM Param() const { return FParam; }

 protected:
  virtual void Prepare() {}
  virtual void Finish() {}
  // Called by Send when the request never reached a live target (or the target ended without
  // taking it): what the receiver would have freed is still the sender's to free.
  virtual void Undelivered() {}
  void SetParam(LPARAM param) { FParam = param; }

 private:
  DWORD FSenderThreadId;
  DWORD FTargetThreadId;
  UINT FMessageId;
  bool FSynchronous;
  bool FAnswered = false;
  MSG FReply{};
  LPARAM FParam = 0;
};

// Not waited for; param is 0 or a payload record that the receiver frees.
class TAsyncMessage : public TAbstractMessage {
 public:
  TAsyncMessage(DWORD targetThreadId, UINT messageId) : TAbstractMessage(targetThreadId, false, messageId) {}
};

// Waited for; param is the request object itself (as for every synchronous request).
class TSyncMessage : public TAbstractMessage {
 public:
  TSyncMessage(DWORD targetThreadId, UINT messageId) : TAbstractMessage(targetThreadId, true, messageId) {}
};
