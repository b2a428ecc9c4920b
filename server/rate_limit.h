#pragma once
// TRateLimit: lets an action run at most once per interval. A call inside the interval is not
// lost: it is marked pending, and the next timer tick runs it (the tray tip and the reload of the
// routes' mappings, each at most once per 500 ms).
#include <cstdint>

class TRateLimit {
 public:
  explicit TRateLimit(uint32_t intervalMs = 500) : FInterval(intervalMs) {}

  // True when the action may run now (its time is then recorded); else it becomes pending.
  bool Allow();
  // On the timer tick: true when a call was deferred. The mark is cleared and the next Allow
  // passes at once, so the caller runs the action right away.
  bool TakePending();
  bool Pending() const { return FPending; }

 private:
  uint32_t FInterval;
  uint32_t FLastTime = 0;
  bool FHasLast = false;
  bool FPending = false;
};
