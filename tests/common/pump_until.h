#pragma once
// Runs the calling thread's message loop until a condition holds or the time is up.
#include <windows.h>

#include <functional>

namespace testsupport {

// step runs one round of the loop (default: every queued message is dispatched). A thread timer keeps
// a step that waits for messages from waiting past the timeout. Returns whether done() became true.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, const std::function<void()>& step = nullptr);
// Runs the loop for a fixed time.
void PumpFor(DWORD ms, const std::function<void()>& step = nullptr);

}  // namespace testsupport
