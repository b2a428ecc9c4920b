#include "runtime_tls.h"

#include <pthread.h>

namespace simcard {

// An index is handed out lowest first: the one free just before the runtime asks is the one it
// gets. It is believed only when the runtime has stored this thread's record in it, which no
// other thread can do for this one.
void TRuntimeTlsIndex::Claim() {
  const DWORD next = TlsAlloc();
  if (next == TLS_OUT_OF_INDEXES) return;
  TlsFree(next);
  pthread_self();
  if (TlsGetValue(next) != nullptr) FIndex = next;
}

void TRuntimeTlsIndex::Release() {
  if (FIndex != TLS_OUT_OF_INDEXES) TlsFree(FIndex);
  FIndex = TLS_OUT_OF_INDEXES;
}

}  // namespace simcard
