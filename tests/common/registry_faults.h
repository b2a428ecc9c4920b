#pragma once
// Makes the n-th registry create, write or delete done through TRegKey fail, to walk a command's
// failure paths step by step. One at a time, for the life of the object.
#include <windows.h>

#include <string>
#include <vector>

#include "registry_internal.h"

namespace testsupport {

class RegistryFaultAt {
 public:
  // Operation number n (from 1) fails with error; 0 fails none and only counts.
  explicit RegistryFaultAt(int n, LONG error = ERROR_ACCESS_DENIED);
  ~RegistryFaultAt();
  RegistryFaultAt(const RegistryFaultAt&) = delete;
  RegistryFaultAt& operator=(const RegistryFaultAt&) = delete;

  // Operations seen so far, the failed one included.
  int Count() const;
  bool Fired() const;
  // Each operation seen, as the key's path, a backslash and the value or subkey name.
  const std::vector<std::string>& Operations() const;
};

}  // namespace testsupport
