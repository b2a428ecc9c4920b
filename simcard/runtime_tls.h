#pragma once
// The static runtime's thread support takes a thread-local storage index at its first use in a
// library and never gives it back: a library loaded and freed again and again would use up the
// process's indexes (and then fail in its start-up). The library finds that index while it loads
// and frees it when it is unloaded.
#include <windows.h>

namespace simcard {

class TRuntimeTlsIndex {
 public:
  // At the very start of the library's process attach, before anything uses the thread support.
  void Claim();
  // At the process detach of a FreeLibrary (not at the process's end, when nothing matters).
  void Release();

 private:
  DWORD FIndex = TLS_OUT_OF_INDEXES;
};

}  // namespace simcard
