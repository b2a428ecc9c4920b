#include "vendor_fault_guard.h"

#include <windows.h>

namespace {

struct GuardFrame {
  void* jump[5];  // __builtin_setjmp buffer
  GuardFrame* outer;
};

thread_local GuardFrame* tlsGuard = nullptr;

[[noreturn]] __attribute__((noinline)) void ResumeAfterFault() { __builtin_longjmp(tlsGuard->jump, 1); }

bool IsProcessorFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
      return true;
    default:
      return false;
  }
}

// Leaves the dispatcher normally (continue execution) with the thread redirected to a landing
// routine on a fresh piece of its own stack; the landing jumps back into the guard.
LONG CALLBACK FaultHandler(EXCEPTION_POINTERS* info) {
  if (tlsGuard == nullptr || !IsProcessorFault(info->ExceptionRecord->ExceptionCode)) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  CONTEXT* ctx = info->ContextRecord;
#if defined(_M_X64) || defined(__x86_64__)
  ctx->Rsp = ((ctx->Rsp - 512) & ~static_cast<DWORD64>(15)) - 8;
  ctx->Rip = reinterpret_cast<DWORD64>(&ResumeAfterFault);
#else
  ctx->Esp = ((ctx->Esp - 512) & ~static_cast<DWORD>(15)) - 4;
  ctx->Eip = reinterpret_cast<DWORD>(&ResumeAfterFault);
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

void EnsureHandler() {
  static PVOID handler = AddVectoredExceptionHandler(1, FaultHandler);
  (void)handler;
}

}  // namespace

__attribute__((noinline)) bool RunGuardedVendorCall(const std::function<void()>& f) {
  EnsureHandler();
  GuardFrame frame;
  frame.outer = tlsGuard;
  if (__builtin_setjmp(frame.jump) != 0) {
    // A fault ended the call: the frames of the vendor code were abandoned.
    tlsGuard = frame.outer;
    return false;
  }
  tlsGuard = &frame;
  f();
  tlsGuard = frame.outer;
  return true;
}
