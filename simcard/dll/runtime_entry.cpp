// Entry point of each stand-in library, around the C runtime's own.
//
// The static runtime's thread support keeps each thread's record under a thread-local storage
// index that it takes at its first use in the library and never gives back: a library loaded and
// freed again and again would use up the process's indexes (and then fail in its start-up). On
// 32-bit Windows that first use is the runtime's own start-up, before DllMain: the unwinder
// registers the library's frame tables under a lock of the thread support. So the entry point
// makes the first use itself before the runtime starts, and frees the index after the runtime has
// shut down, when nothing of it runs any more.
#include <pthread.h>
#include <windows.h>

extern "C" BOOL WINAPI DllMainCRTStartup(HANDLE instance, DWORD reason, LPVOID reserved);

namespace {

// Every index a process can have: the thread block's slots and the expansion slots.
constexpr DWORD TlsIndexCount = TLS_MINIMUM_AVAILABLE + 1024;

DWORD runtimeIndex = TLS_OUT_OF_INDEXES;

// The runtime's index is the one slot of this thread that its first use fills: no other thread
// writes this thread's slots. Should the first use fill more than one, none is taken for it.
void ClaimRuntimeIndex() {
  static void* before[TlsIndexCount];
  for (DWORD index = 0; index < TlsIndexCount; ++index) before[index] = TlsGetValue(index);
  pthread_self();
  for (DWORD index = 0; index < TlsIndexCount; ++index) {
    if (before[index] != nullptr || TlsGetValue(index) == nullptr) continue;
    if (runtimeIndex != TLS_OUT_OF_INDEXES) {
      runtimeIndex = TLS_OUT_OF_INDEXES;
      return;
    }
    runtimeIndex = index;
  }
}

void ReleaseRuntimeIndex() {
  if (runtimeIndex != TLS_OUT_OF_INDEXES) TlsFree(runtimeIndex);
  runtimeIndex = TLS_OUT_OF_INDEXES;
}

}  // namespace

extern "C" BOOL WINAPI StandinEntry(HANDLE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) ClaimRuntimeIndex();
  const BOOL result = DllMainCRTStartup(instance, reason, reserved);
  // A refused load has shut its runtime down already. At the process's end (reserved set) the
  // indexes go with the process.
  const bool refused = reason == DLL_PROCESS_ATTACH && !result;
  const bool freed = reason == DLL_PROCESS_DETACH && reserved == nullptr;
  if (refused || freed) ReleaseRuntimeIndex();
  return result;
}
