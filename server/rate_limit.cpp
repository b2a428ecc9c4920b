#include "rate_limit.h"

#include "tick_clock.h"

bool TRateLimit::Allow() {
  uint32_t now = TickCount();
  if (FHasLast && TickAge(now, FLastTime) < FInterval) {
    FPending = true;
    return false;
  }
  FLastTime = now;
  FHasLast = true;
  return true;
}

bool TRateLimit::TakePending() {
  if (!FPending) return false;
  FPending = false;
  FHasLast = false;
  return true;
}
