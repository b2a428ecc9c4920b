#include "rw_lock.h"

bool TMultiReadExclusiveWriteSynchronizer::OtherReadersActive(DWORD self) const {
  for (const auto& reader : FReaders)
    if (reader.first != self && !reader.second.WaitingToWrite) return true;
  return false;
}

void TMultiReadExclusiveWriteSynchronizer::BeginRead() {
  DWORD self = GetCurrentThreadId();
  std::unique_lock<std::mutex> guard(FMutex);
  auto held = FReaders.find(self);
  // The writer and threads already reading go on at once; waiting for a queued writer would deadlock them.
  if (FWriter == self || held != FReaders.end()) {
    ++FReaders[self].Depth;
    return;
  }
  FChanged.wait(guard, [&] { return FWriter == 0 && FWaitingWriters == 0; });
  FReaders[self].Depth = 1;
}

void TMultiReadExclusiveWriteSynchronizer::EndRead() {
  DWORD self = GetCurrentThreadId();
  std::lock_guard<std::mutex> guard(FMutex);
  auto held = FReaders.find(self);
  if (held == FReaders.end()) return;
  if (--held->second.Depth <= 0) FReaders.erase(held);
  FChanged.notify_all();
}

bool TMultiReadExclusiveWriteSynchronizer::BeginWrite() {
  DWORD self = GetCurrentThreadId();
  std::unique_lock<std::mutex> guard(FMutex);
  if (FWriter == self) {
    ++FWriteDepth;
    return true;
  }
  uint32_t serial = FWriteSerial;
  auto held = FReaders.find(self);
  if (held != FReaders.end()) held->second.WaitingToWrite = true;
  ++FWaitingWriters;
  FChanged.notify_all();  // readers waiting to write may now pass each other's holds
  FChanged.wait(guard, [&] { return FWriter == 0 && !OtherReadersActive(self); });
  --FWaitingWriters;
  held = FReaders.find(self);
  if (held != FReaders.end()) held->second.WaitingToWrite = false;
  FWriter = self;
  FWriteDepth = 1;
  return ++FWriteSerial == serial + 1;
}

void TMultiReadExclusiveWriteSynchronizer::EndWrite() {
  DWORD self = GetCurrentThreadId();
  std::lock_guard<std::mutex> guard(FMutex);
  if (FWriter != self) return;
  if (--FWriteDepth > 0) return;
  FWriter = 0;
  FChanged.notify_all();
}
