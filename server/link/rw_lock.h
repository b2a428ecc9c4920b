#pragma once
// Multi-reader, single-writer lock, re-entrant for the thread that holds it: a reader may read again, a
// writer may write or read again, and a reader may ask to write (it waits until it is the only reader).
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>

class TMultiReadExclusiveWriteSynchronizer {
 public:
  TMultiReadExclusiveWriteSynchronizer() = default;
  virtual ~TMultiReadExclusiveWriteSynchronizer() = default;
  TMultiReadExclusiveWriteSynchronizer(const TMultiReadExclusiveWriteSynchronizer&) = delete;
  TMultiReadExclusiveWriteSynchronizer& operator=(const TMultiReadExclusiveWriteSynchronizer&) = delete;

  void BeginRead();
  void EndRead();
  // True when no other thread wrote between the call and the moment the lock was granted; a reader that
  // asks to write may see false, and must then look again at what it read.
  bool BeginWrite();
  void EndWrite();

 private:
  struct TReader {
    int Depth = 0;
    bool WaitingToWrite = false;  // its read hold does not keep writers out while it waits itself
  };
  bool OtherReadersActive(DWORD self) const;

  std::mutex FMutex;
  std::condition_variable FChanged;
  std::map<DWORD, TReader> FReaders;
  DWORD FWriter = 0;
  int FWriteDepth = 0;
  int FWaitingWriters = 0;
  uint32_t FWriteSerial = 0;
};

class TReadLock {
 public:
  explicit TReadLock(TMultiReadExclusiveWriteSynchronizer& lock) : FLock(lock) { FLock.BeginRead(); }
  ~TReadLock() { FLock.EndRead(); }
  TReadLock(const TReadLock&) = delete;
  TReadLock& operator=(const TReadLock&) = delete;

 private:
  TMultiReadExclusiveWriteSynchronizer& FLock;
};

class TWriteLock {
 public:
  explicit TWriteLock(TMultiReadExclusiveWriteSynchronizer& lock) : FLock(lock) { FLock.BeginWrite(); }
  ~TWriteLock() { FLock.EndWrite(); }
  TWriteLock(const TWriteLock&) = delete;
  TWriteLock& operator=(const TWriteLock&) = delete;

 private:
  TMultiReadExclusiveWriteSynchronizer& FLock;
};
