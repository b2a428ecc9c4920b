#pragma once
// TKitFolderMonitor calls OnChange on the GUI thread when the file system reports a change in a folder.
// Its TNotifyThread waits for the change notifications and reaches the GUI thread by Synchronize.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "component.h"
#include "timer.h"

enum TFileChangeFilter { fnFileName, fnDirName, fnAttributes, fnSize, fnLastWrite, fnLastAccess, fnCreation, fnSecurity };
// Bit n is the member with ordinal n.
using TFileChangeFilters = ui::TSet32;
constexpr TFileChangeFilters kDefaultChangeFilters =
    (1u << fnFileName) | (1u << fnDirName) | (1u << fnSize) | (1u << fnLastWrite);

// The system's change flags of the members present.
DWORD ChangeFilterFlags(TFileChangeFilters filter);

// The worker: one change-notification handle and a stop event. Its owner never deletes it: Release hands
// the object to the thread, and whichever of the two lets go last frees it, so stopping never waits.
class TNotifyThread {
 public:
  // Opens the notification and starts the thread. When the notification fails, ErrorCode says why, no
  // thread runs, and the caller releases the object.
  TNotifyThread(const std::string& folder, bool subtree, DWORD flags);
  TNotifyThread(const TNotifyThread&) = delete;
  TNotifyThread& operator=(const TNotifyThread&) = delete;

  // GUI thread only: the call made there for each change; empty stops the calls.
  void SetOnChange(std::function<void()> onChange) { FOnChange = std::move(onChange); }
  DWORD ErrorCode() const { return FErrorCode; }
  bool Finished() const { return FFinished; }
  bool Terminated() const { return FTerminated; }
  // Clears the callback, asks the thread to end and lets go of the object. Never waits for a running
  // thread; a finished one is waited for, which takes no time.
  void Release();

 private:
  ~TNotifyThread();
  static DWORD WINAPI ThreadProc(void* param);
  void Execute();
  void DropReference();

  HANDLE FNotifyHandle = INVALID_HANDLE_VALUE;
  HANDLE FStopEvent = nullptr;
  HANDLE FThread = nullptr;
  DWORD FThreadId = 0;
  std::function<void()> FOnChange;
  std::atomic<DWORD> FErrorCode{0};
  std::atomic<bool> FFinished{false};
  std::atomic<bool> FTerminated{false};
  // The owner's reference and, while it runs, the thread's.
  std::atomic<int> FReferences{1};
};

class TKitFolderMonitor : public ui::TComponent {
  UI_CLASS(TKitFolderMonitor, ui::TComponent)
 public:
  explicit TKitFolderMonitor(ui::TComponent* owner);
  ~TKitFolderMonitor() override;
  void Loaded() override;
  void Notification(ui::TComponent* component, ui::TOperation operation) override;

  // True exactly while a notification thread exists.
  bool Active() const { return FThread != nullptr; }
  // While loading, true is kept until the end of loading.
  void SetActive(bool active);
  // Milliseconds that gather changes into one OnChange; 0 calls at once. While a delayed call is pending
  // this is its timer's interval, and setting 0 drops that call.
  int DelayTime() const;
  void SetDelayTime(int ms);
  TFileChangeFilters Filter() const { return FFilter; }
  void SetFilter(TFileChangeFilters filter);
  const std::string& FolderName() const { return FFolderName; }
  void SetFolderName(const std::string& folder);
  bool MonitorSubtree() const { return FMonitorSubtree; }
  void SetMonitorSubtree(bool subtree);

  // Stops the current thread; when on and the folder exists, starts a new one. A failing notification
  // raises the system error and leaves the monitor inactive.
  virtual void SetMonitoring(bool on);

  ui::TNotifyEvent OnChange;

 protected:
  void Destroying() override;

 private:
  // On the GUI thread, once per reported change.
  void Changed();
  void DelayTimerFired();
  void CallOnChange();
  void StopThread();
  void FreeDelayTimer();

  TNotifyThread* FThread = nullptr;
  ui::TTimer* FDelayTimer = nullptr;
  int FDelayTime = 0;
  TFileChangeFilters FFilter = kDefaultChangeFilters;
  std::string FFolderName;
  bool FMonitorSubtree = true;
  bool FActivateAfterLoad = false;
};
