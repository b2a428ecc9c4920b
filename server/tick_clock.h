#pragma once
// The server's millisecond clock for cache time stamps and ages. One replaceable function, so tests
// can run the cache across the 49.7-day wrap of GetTickCount.
#include <cstdint>

using TTickFunction = uint32_t (*)();

uint32_t TickCount();

// Replaces the clock; nullptr restores GetTickCount. Returns the previous function.
TTickFunction SetTickFunction(TTickFunction function);

// Milliseconds from stamp to now across a wrap of the counter. A stamp taken after `now` was read
// (a use that came in meanwhile) is no age at all rather than nearly 49.7 days.
inline uint32_t TickAge(uint32_t now, uint32_t stamp) {
  uint32_t age = now - stamp;
  return age >= 0x80000000u ? 0 : age;
}
