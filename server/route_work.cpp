#include "route_work.h"

#include "thread_post.h"

bool TRouteWork::Defer(UINT message, WPARAM wParam, LPARAM lParam) {
  if (FDepth == 0) return false;
  if (!FKept.empty()) {
    const MSG& last = FKept.back();
    if (last.message == message && last.wParam == wParam && last.lParam == lParam) return true;
  }
  if (FKept.size() >= FLimit) FKept.pop_front();
  MSG kept{};
  kept.hwnd = FWindow;
  kept.message = message;
  kept.wParam = wParam;
  kept.lParam = lParam;
  FKept.push_back(kept);
  return true;
}

void TRouteWork::Leave() {
  if (--FDepth > 0) return;
  std::deque<MSG> kept;
  kept.swap(FKept);
  // A post the window cannot take any more is lost with the window.
  for (const MSG& msg : kept)
    if (FWindow) PostOnce(FWindow, 0, msg.message, msg.wParam, msg.lParam);
}
