#pragma once
// TSingleInstance: at most one server runs per session. The window title "tarnbel_running" alone
// would let two starts race past each other before either window exists, so the first start also
// holds a named mutex for its whole life.
#include <windows.h>

constexpr const char* SERVER_INSTANCE_MUTEX = "tarnbel_server_instance";
constexpr const char* ALREADY_STARTED_TEXT = "Already started.";

class TSingleInstance {
 public:
  // Takes the mutex. First() is false when another server holds it or its window exists.
  TSingleInstance();
  ~TSingleInstance();
  TSingleInstance(const TSingleInstance&) = delete;
  TSingleInstance& operator=(const TSingleInstance&) = delete;

  bool First() const { return FFirst; }

 private:
  HANDLE FMutex = nullptr;
  bool FFirst = false;
};
