#include "tick_clock.h"

#include <windows.h>

#include <atomic>

namespace {
std::atomic<TTickFunction> tickFunction{nullptr};
}

uint32_t TickCount() {
  TTickFunction function = tickFunction.load();
  return function ? function() : static_cast<uint32_t>(GetTickCount());
}

TTickFunction SetTickFunction(TTickFunction function) { return tickFunction.exchange(function); }
