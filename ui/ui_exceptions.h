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

}  // namespace ui

#include "messages.h"
