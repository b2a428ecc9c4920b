#include "KitNotify.h"

#include "KitWinUtils.h"
#include "application.h"
#include "folders.h"

using namespace ui;

UI_CLASSINFO(TKitFolderMonitor, UI_PROP_BOOL("Active", Active, SetActive),
             UI_PROP(Integer, "DelayTime", DelayTime, SetDelayTime),
             UI_PROP_SET("Filter", Filter, SetFilter, "fnFileName", "fnDirName", "fnAttributes", "fnSize",
                         "fnLastWrite", "fnLastAccess", "fnCreation", "fnSecurity"),
             UI_PROP(String, "FolderName", FolderName, SetFolderName),
             UI_PROP_BOOL("MonitorSubtree", MonitorSubtree, SetMonitorSubtree))

DWORD ChangeFilterFlags(TFileChangeFilters filter) {
  static const DWORD flags[] = {FILE_NOTIFY_CHANGE_FILE_NAME,  FILE_NOTIFY_CHANGE_DIR_NAME,
                                FILE_NOTIFY_CHANGE_ATTRIBUTES, FILE_NOTIFY_CHANGE_SIZE,
                                FILE_NOTIFY_CHANGE_LAST_WRITE, FILE_NOTIFY_CHANGE_LAST_ACCESS,
                                FILE_NOTIFY_CHANGE_CREATION,   FILE_NOTIFY_CHANGE_SECURITY};
  DWORD result = 0;
  for (int i = 0; i < 8; ++i)
    if (filter & (1u << i)) result |= flags[i];
  return result;
}

// ---- TNotifyThread ----

TNotifyThread::TNotifyThread(const std::string& folder, bool subtree, DWORD flags) {
  FNotifyHandle = FindFirstChangeNotificationA(folder.c_str(), subtree, flags);
  if (FNotifyHandle == INVALID_HANDLE_VALUE) {
    FErrorCode = GetLastError();
    FFinished = true;
    return;
  }
  FStopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!FStopEvent) {
    FErrorCode = GetLastError();
    FFinished = true;
    return;
  }
  FReferences = 2;
  FThread = CreateThread(nullptr, 0, &TNotifyThread::ThreadProc, this, 0, &FThreadId);
  if (!FThread) {
    FErrorCode = GetLastError();
    FReferences = 1;
    FFinished = true;
  }
}

TNotifyThread::~TNotifyThread() {
  if (FThread) {
    // The thread that lets go last may be this one: it must not wait for itself.
    if (GetCurrentThreadId() != FThreadId) WaitForSingleObject(FThread, INFINITE);
    CloseHandle(FThread);
  }
  if (FNotifyHandle != INVALID_HANDLE_VALUE) FindCloseChangeNotification(FNotifyHandle);
  if (FStopEvent) CloseHandle(FStopEvent);
}

void TNotifyThread::Release() {
  FOnChange = nullptr;
  FTerminated = true;
  // Signalled while the owner still holds its reference, so the event is alive.
  if (FStopEvent) SetEvent(FStopEvent);
  DropReference();
}

void TNotifyThread::DropReference() {
  if (--FReferences == 0) delete this;
}

DWORD WINAPI TNotifyThread::ThreadProc(void* param) {
  auto* self = static_cast<TNotifyThread*>(param);
  self->Execute();
  self->DropReference();
  return 0;
}

void TNotifyThread::Execute() {
  while (!FTerminated && FNotifyHandle != INVALID_HANDLE_VALUE) {
    HANDLE handles[2] = {FNotifyHandle, FStopEvent};
    DWORD waited = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (waited == WAIT_FAILED) {
      FErrorCode = GetLastError();
      break;
    }
    if (waited != WAIT_OBJECT_0) break;
    if (!FTerminated) {
      try {
        Application().Synchronize([this] {
          // A copy: the call may release this thread, which clears the original.
          std::function<void()> call = FOnChange;
          if (!call) return;
          try {
            call();
          } catch (...) {
            Application().HandleException(nullptr);
          }
        });
      } catch (...) {
        // Nothing of the GUI thread's failures belongs to this thread.
      }
    }
    if (!FindNextChangeNotification(FNotifyHandle)) {
      FErrorCode = GetLastError();
      break;
    }
  }
  // The watch goes at once; the stop event stays until the last reference goes.
  if (FNotifyHandle != INVALID_HANDLE_VALUE) FindCloseChangeNotification(FNotifyHandle);
  FNotifyHandle = INVALID_HANDLE_VALUE;
  FFinished = true;
}

// ---- TKitFolderMonitor ----

TKitFolderMonitor::TKitFolderMonitor(TComponent* owner) : TComponent(owner) {
  // The application window must belong to the GUI thread before a worker sends to it.
  Application().Handle();
}

TKitFolderMonitor::~TKitFolderMonitor() { StopThread(); }

void TKitFolderMonitor::Destroying() {
  if (FDelayTimer) FDelayTimer->OnTimer = nullptr;
  StopThread();
  FreeDelayTimer();
  TComponent::Destroying();
}

void TKitFolderMonitor::Loaded() {
  TComponent::Loaded();
  if (FActivateAfterLoad) {
    FActivateAfterLoad = false;
    SetActive(true);
  }
}

void TKitFolderMonitor::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FDelayTimer) FDelayTimer = nullptr;
}

void TKitFolderMonitor::SetActive(bool active) {
  if (IsLoading()) {
    FActivateAfterLoad = active;
    return;
  }
  if (active != Active()) SetMonitoring(active);
}

int TKitFolderMonitor::DelayTime() const { return FDelayTimer ? int(FDelayTimer->Interval()) : FDelayTime; }

void TKitFolderMonitor::SetDelayTime(int ms) {
  // A negative delay would become a timer of weeks: it means no delay.
  if (ms < 0) ms = 0;
  if (FDelayTimer) {
    if (ms == 0) FreeDelayTimer();
    else FDelayTimer->SetInterval(unsigned(ms));
  }
  FDelayTime = ms;
}

void TKitFolderMonitor::SetFilter(TFileChangeFilters filter) {
  if (filter == FFilter) return;
  FFilter = filter;
  SetMonitoring(Active());
}

void TKitFolderMonitor::SetFolderName(const std::string& folder) {
  if (folder == FFolderName) return;
  FFolderName = folder;
  SetMonitoring(Active());
}

void TKitFolderMonitor::SetMonitorSubtree(bool subtree) {
  if (subtree == FMonitorSubtree) return;
  FMonitorSubtree = subtree;
  SetMonitoring(Active());
}

void TKitFolderMonitor::SetMonitoring(bool on) {
  StopThread();
  if (!on || FFolderName.empty() || !DirExists(FFolderName)) return;
  auto* thread = new TNotifyThread(FFolderName, FMonitorSubtree, ChangeFilterFlags(FFilter));
  if (DWORD code = thread->ErrorCode()) {
    thread->Release();
    RaiseWin32Error(code);
  }
  thread->SetOnChange([this] { Changed(); });
  FThread = thread;
}

void TKitFolderMonitor::StopThread() {
  if (!FThread) return;
  TNotifyThread* thread = FThread;
  FThread = nullptr;
  thread->Release();
}

void TKitFolderMonitor::FreeDelayTimer() {
  if (!FDelayTimer) return;
  TTimer* timer = FDelayTimer;
  FDelayTimer = nullptr;
  timer->Free();
}

void TKitFolderMonitor::Changed() {
  if (FDelayTime == 0) {
    CallOnChange();
    return;
  }
  if (FDelayTimer) return;
  FDelayTimer = new TTimer(this);
  FDelayTimer->OnTimer = [this](TObject*) { DelayTimerFired(); };
  FDelayTimer->SetInterval(unsigned(FDelayTime));
}

void TKitFolderMonitor::DelayTimerFired() {
  // Runs inside the timer's own handler: nothing of the timer is touched after it is freed.
  FreeDelayTimer();
  CallOnChange();
}

void TKitFolderMonitor::CallOnChange() {
  // A copy: the handler may free this monitor, and with it the original.
  TNotifyEvent handler = OnChange;
  if (handler) handler(this);
}
