#include "live_requests.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace {
std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

std::unordered_map<uintptr_t, UINT>& Objects() {
  static std::unordered_map<uintptr_t, UINT> objects;
  return objects;
}
}  // namespace

void TLiveRequests::Add(const void* object, UINT id) {
  if (!object) return;
  std::lock_guard<std::mutex> guard(Lock());
  Objects()[reinterpret_cast<uintptr_t>(object)] = id;
}

void TLiveRequests::Remove(const void* object) {
  if (!object) return;
  std::lock_guard<std::mutex> guard(Lock());
  Objects().erase(reinterpret_cast<uintptr_t>(object));
}

bool TLiveRequests::Contains(LPARAM lParam, UINT id) {
  std::lock_guard<std::mutex> guard(Lock());
  auto found = Objects().find(static_cast<uintptr_t>(lParam));
  return found != Objects().end() && found->second == id;
}

bool TLiveRequests::Take(LPARAM lParam, UINT id) {
  std::lock_guard<std::mutex> guard(Lock());
  auto found = Objects().find(static_cast<uintptr_t>(lParam));
  if (found == Objects().end() || found->second != id) return false;
  Objects().erase(found);
  return true;
}

size_t TLiveRequests::Count() {
  std::lock_guard<std::mutex> guard(Lock());
  return Objects().size();
}
