#pragma once
// TAdvancedThread: a worker thread with its own message loop. It reports ready to its creator,
// hands every message to ProcessMessage, answers TM_ECHO and ends on the TM_QUIT its owner posts.
// Any program can post any id to the thread: a TM_QUIT the owner did not ask for is dropped, and so is
// a control message of an id the thread takes only from this process (OwnerOnly).
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>

class TAdvancedThread {
 public:
  // Records the calling thread as creator and gives it a message queue, so the ready report
  // can reach it. The thread itself starts with StartThread (Make does both). stackReserve is the
  // address space its stack takes: 0 for the program's default, which suits a thread that runs
  // code whose depth we cannot know (the vendor's library on the manager thread, other programs'
  // hooks in the tray menu); a thread of which the server runs many reserves what it needs.
  explicit TAdvancedThread(SIZE_T stackReserve = 0);
  virtual ~TAdvancedThread();
  TAdvancedThread(const TAdvancedThread&) = delete;
  TAdvancedThread& operator=(const TAdvancedThread&) = delete;

  // Builds a thread object and starts it once it is whole, so the thread never runs ahead of
  // the derived constructor.
  template <class T, class... Args>
  static std::unique_ptr<T> Make(Args&&... args) {
    std::unique_ptr<T> thread(new T(std::forward<Args>(args)...));
    thread->StartThread();
    return thread;
  }

  // Creates the running thread; returns once the thread has its message queue. False when
  // the system refused the thread or it was already started.
  bool StartThread();

  // Starts a thread that deletes its own object when its loop has ended (after DoStop). On
  // success the caller must not touch the object again; on failure it still owns it. The id of
  // the started thread goes to threadId (may be null).
  static bool StartSelfFreeing(TAdvancedThread* thread, DWORD* threadId);

  // Called on the creator's thread: waits for this thread's ready report. Ready reports of other
  // threads stay queued. False when the thread ended without reporting.
  bool WaitReady();

  // Called from another thread: posts TM_QUIT and waits until the thread has ended.
  void Stop();
  // Posts a message to a thread as this process does (retried as PostThreadUntilAccepted): a thread
  // that takes the id only from its owner acts on it. Every post of ours to a worker thread or to the
  // server's main thread goes here.
  static bool PostAsOwner(DWORD threadId, UINT id, WPARAM wParam, LPARAM lParam);
  // The owner's quit, from any thread (the thread itself too): the loop ends at the TM_QUIT posted
  // here, once the messages queued before it are handled. False when the thread is gone.
  bool PostQuit();
  // The owner has asked the thread to end (readable from any thread).
  bool QuitAsked() const { return FQuitAsked; }
  // The thread has ended, although its owner never asked it to (it was killed from outside).
  bool EndedUnasked() const;

  // Asks the loop to end after the message being handled.
  void Terminate() {
    FQuitAsked = true;
    FTerminated = true;
  }
  bool Terminated() const { return FTerminated; }

  DWORD ThreadID() const { return FThreadId; }
  DWORD CreatorThreadID() const { return FCreatorThreadId; }
  HANDLE Handle() const { return FHandle; }

 protected:
  // Called on the thread for every message, the owner's TM_QUIT and TM_ECHO included.
  virtual void ProcessMessage(const MSG& msg) { (void)msg; }
  // Called on the thread before the ready report and after the loop.
  virtual void DoStart() {}
  virtual void DoStop() {}
  // Called on the thread for each message still queued behind TM_QUIT: it will never be handled,
  // so free whatever it owns. Senders waiting on a synchronous request are released by the
  // thread's end.
  virtual void DiscardMessage(const MSG& msg) { (void)msg; }
  // True for the thread-message ids whose lParam this thread follows as an object. Such a message
  // reaches ProcessMessage (or DiscardMessage) only when its lParam is an outstanding object of
  // that id (TLiveRequests); anything else posted from outside is dropped unread.
  virtual bool CarriesObject(UINT id) const {
    (void)id;
    return false;
  }
  // True for the thread-message ids this thread acts on only when PostAsOwner posted them; the same id
  // posted by another program is dropped unread.
  virtual bool OwnerOnly(UINT id) const {
    (void)id;
    return false;
  }

  // Inside ProcessMessage: posts the current message again to this thread, behind those queued.
  bool Requeue();
  // Inside ProcessMessage: posts the current message to another thread.
  bool ForwardTo(DWORD threadId);

  const MSG& CurrentMessage() const { return FCurrentMessage; }

 private:
  static DWORD WINAPI ThreadProc(LPVOID self);
  void Execute();
  void DiscardQueued();
  bool Accepts(const MSG& msg) const;
  // The thread's registration for PostAsOwner, while it runs (it is whole from its start to its Stop).
  void RegisterOwnerPosts();
  void ForgetOwnerPosts(DWORD threadId);
  static bool TakesOnlyOwnPosts(const void* thread, UINT id);
  // A thread message of the quit id (a window message of that id is an ordinary one).
  static bool IsQuit(const MSG& msg);

  DWORD FCreatorThreadId = 0;
  SIZE_T FStackReserve = 0;
  DWORD FThreadId = 0;
  HANDLE FHandle = nullptr;
  HANDLE FQueueReady = nullptr;
  // Set once the creator is done with the object; a self-freeing thread waits for it before
  // deleting itself.
  HANDLE FLaunched = nullptr;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FQuitAsked{false};
  MSG FCurrentMessage{};
};
