#include "vendor_library.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

std::mutex keptLock;
std::vector<HMODULE> kept;

}  // namespace

HMODULE LoadVendorLibrary(const char* name) {
  HMODULE library = LoadLibraryA(name);
  if (library == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(keptLock);
  if (std::find(kept.begin(), kept.end(), library) == kept.end()) {
    HMODULE extra = LoadLibraryA(name);
    if (extra != nullptr) kept.push_back(extra);
  }
  return library;
}

void ReleaseVendorLibraries() {
  std::vector<HMODULE> released;
  {
    std::lock_guard<std::mutex> guard(keptLock);
    released.swap(kept);
  }
  for (HMODULE library : released) FreeLibrary(library);
}
