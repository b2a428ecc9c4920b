#pragma once
// Helpers of the server suite: message pumping with a deadline, a hidden test window that
// records what reaches it, and the payload files present in the temporary folder.
#include <windows.h>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace servertest {

// Dispatches the calling thread's messages until `done` holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Takes the next thread message of the id from the calling thread's queue, waiting up to the timeout.
bool TakeThreadMessage(UINT id, MSG& msg, DWORD timeoutMs = 5000);

struct TRecordedMessage {
  UINT id;
  WPARAM wParam;
  LPARAM lParam;
};

// A hidden top-level window with the given title. Messages of the user range are recorded;
// a payload-carrying one can be received at once by the `onMessage` hook.
class TTestWindow {
 public:
  explicit TTestWindow(const std::string& title);
  ~TTestWindow();
  TTestWindow(const TTestWindow&) = delete;
  TTestWindow& operator=(const TTestWindow&) = delete;

  HWND Handle() const { return FWindow; }
  void Destroy();
  std::vector<TRecordedMessage> Messages;
  std::function<void(const TRecordedMessage&)> OnMessage;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT id, WPARAM wParam, LPARAM lParam);
  HWND FWindow = nullptr;
};

// The temporary folder, with its trailing backslash.
std::string TempFolder();
// The name of a global atom ("" when there is none).
std::string AtomName(WPARAM atom);

// Full names of the "$$$*.tmp" files in the temporary folder.
std::set<std::string> PayloadFiles();
// Names of the global atoms that name such a file: a payload posted and never taken leaves one.
std::set<std::string> PayloadAtoms();

// Stands in for a full queue: the next `count` posts that `applies` selects fail as a full queue
// would; every selected attempt is counted.
void FailNextPosts(int count, bool (*applies)(HWND window, UINT id));
int FailuresLeft();
int SelectedPostAttempts();

// Undoes a replaced post function when the test ends.
class TPostFunctionGuard {
 public:
  TPostFunctionGuard();
  ~TPostFunctionGuard();
};

}  // namespace servertest
