#pragma once
// TRouteWork: keeps the server's state changes out of its route work. A wait for a route thread's
// answer lets sent messages in, and a turn-off handled there would close the routes that the
// waiting work still reads. While work is in progress such a command is kept; once the outermost
// work is over the kept commands are posted back to the window, in their order, and handled then.
#include <windows.h>

#include <cstddef>
#include <deque>

class TRouteWork {
 public:
  explicit TRouteWork(size_t limit = 32) : FLimit(limit) {}
  TRouteWork(const TRouteWork&) = delete;
  TRouteWork& operator=(const TRouteWork&) = delete;

  void SetWindow(HWND window) { FWindow = window; }
  bool InProgress() const { return FDepth > 0; }
  // True when the command was kept for later. A command equal to the last one kept is kept once;
  // beyond the limit the oldest are dropped, so a flood ends with its latest commands.
  bool Defer(UINT message, WPARAM wParam, LPARAM lParam);
  size_t KeptCount() const { return FKept.size(); }

  // Route work in progress for its lifetime; scopes nest.
  class TScope {
   public:
    explicit TScope(TRouteWork& work) : FWork(work) { ++FWork.FDepth; }
    ~TScope() { FWork.Leave(); }
    TScope(const TScope&) = delete;
    TScope& operator=(const TScope&) = delete;

   private:
    TRouteWork& FWork;
  };

 private:
  void Leave();

  HWND FWindow = nullptr;
  int FDepth = 0;
  size_t FLimit;
  std::deque<MSG> FKept;
};
