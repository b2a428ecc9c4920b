#include "single_instance.h"

#include "ipc.h"
#include "tarnbel_protocol.h"

TSingleInstance::TSingleInstance() {
  FMutex = CreateMutexA(nullptr, FALSE, SERVER_INSTANCE_MUTEX);
  bool owned = FMutex && GetLastError() != ERROR_ALREADY_EXISTS;
  if (!owned && FMutex) {
    CloseHandle(FMutex);
    FMutex = nullptr;
  }
  // The window check of every other start stays.
  FFirst = owned && !TIPCLink(SERVER_WINDOW_TITLE, 0).PeerExists();
}

TSingleInstance::~TSingleInstance() {
  if (FMutex) CloseHandle(FMutex);
}
