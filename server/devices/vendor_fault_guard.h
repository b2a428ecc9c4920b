#pragma once
// Runs a call into a vendor library with processor faults turned into a plain failure.
// A vectored exception handler (this compiler has no __try) sends a fault that happens on the
// guarded thread back to the guard's caller; faults anywhere else are left to the system.
#include <functional>

// Calls f; true when it returned normally, false when a processor fault ended it.
bool RunGuardedVendorCall(const std::function<void()>& f);
