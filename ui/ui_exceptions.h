#pragma once
// The class library's exceptions. Everything derives from ui::Exception so one catch reaches all.
#include <windows.h>
#include <stdexcept>
#include <string>

namespace ui {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Silent: the application's exception report ignores it.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

class EReadError : public Exception {
 public:
  using Exception::Exception;
};

class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

class EStringListError : public Exception {
 public:
  using Exception::Exception;
};

class EPropertyError : public Exception {
 public:
  using Exception::Exception;
};

class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class EWin32Error : public Exception {
 public:
  EWin32Error(const std::string& message, DWORD code) : Exception(message), ErrorCode(code) {}
  DWORD ErrorCode;
};

[[noreturn]] inline void Abort() { throw EAbort(); }

// Message ids of our own, above the range the system's protocol uses (WM_USER + n).
enum : UINT {
  CM_BASE = 0xB100,
  CM_RELEASE = CM_BASE + 0,
  CM_SYNCHRONIZE = CM_BASE + 1,
  CN_COMMAND = CM_BASE + 2,
  CN_NOTIFY = CM_BASE + 3,
  CM_MOUSEENTER = CM_BASE + 4,
  CM_MOUSELEAVE = CM_BASE + 5,
};

}  // namespace ui
