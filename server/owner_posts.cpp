#include "owner_posts.h"

#include <limits>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "thread_post.h"

namespace {
struct TRegistration {
  const void* Owner;
  TOwnerPosts::TFilter OwnerOnly;
};

// The calling thread's own registration, which it reads without the lock on every message it takes: a
// thread woken by any post and ended from outside at once (a program with the rights can) then holds no
// lock that every other post would wait for.
thread_local TRegistration ownRegistration{nullptr, nullptr};

bool OwnIdOnly(UINT id) { return ownRegistration.OwnerOnly && ownRegistration.OwnerOnly(ownRegistration.Owner, id); }

// By target thread, id and parameters. Another program cannot add to it, so what it posts matches nothing.
using TPostKey = std::tuple<DWORD, UINT, WPARAM, LPARAM>;
struct TRegistry {
  std::mutex Lock;
  std::unordered_map<DWORD, TRegistration> Threads;
  std::map<TPostKey, unsigned> Pending;

  bool OwnerOnly(DWORD threadId, UINT id) const {
    auto thread = Threads.find(threadId);
    return thread != Threads.end() && thread->second.OwnerOnly(thread->second.Owner, id);
  }
  bool Take(const TPostKey& key) {
    auto found = Pending.find(key);
    if (found == Pending.end()) return false;
    if (--found->second == 0) Pending.erase(found);
    return true;
  }
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}
}  // namespace

void TOwnerPosts::Register(DWORD threadId, const void* owner, TFilter ownerOnly) {
  TRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  registry.Threads[threadId] = TRegistration{owner, ownerOnly};
  if (threadId == GetCurrentThreadId()) ownRegistration = TRegistration{owner, ownerOnly};
}

void TOwnerPosts::Forget(DWORD threadId, const void* owner) {
  TRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  auto thread = registry.Threads.find(threadId);
  if (threadId == GetCurrentThreadId() && ownRegistration.Owner == owner)
    ownRegistration = TRegistration{nullptr, nullptr};
  if (thread == registry.Threads.end() || thread->second.Owner != owner) return;
  registry.Threads.erase(thread);
  // Posts the thread never took: its id may later name another thread.
  auto first = registry.Pending.lower_bound(TPostKey(threadId, 0, 0, std::numeric_limits<LPARAM>::min()));
  auto last = first;
  while (last != registry.Pending.end() && std::get<0>(last->first) == threadId) ++last;
  registry.Pending.erase(first, last);
}

bool TOwnerPosts::Post(DWORD threadId, UINT id, WPARAM wParam, LPARAM lParam) {
  bool noted = false;
  {
    TRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.Lock);
    if (registry.OwnerOnly(threadId, id)) {
      ++registry.Pending[TPostKey(threadId, id, wParam, lParam)];
      noted = true;
    }
  }
  if (PostThreadUntilAccepted(threadId, id, wParam, lParam)) return true;
  if (noted) Take(threadId, id, wParam, lParam);
  return false;
}

bool TOwnerPosts::OwnerOnly(DWORD threadId, UINT id) {
  if (threadId == GetCurrentThreadId()) return OwnIdOnly(id);
  TRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  return registry.OwnerOnly(threadId, id);
}

bool TOwnerPosts::Take(DWORD threadId, UINT id, WPARAM wParam, LPARAM lParam) {
  TRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  return registry.Take(TPostKey(threadId, id, wParam, lParam));
}

bool TOwnerPosts::Accept(const MSG& msg) {
  // Most messages are of ids anyone may post: they pass without the lock.
  if (msg.hwnd != nullptr || !OwnIdOnly(msg.message)) return true;
  TRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  return registry.Take(TPostKey(GetCurrentThreadId(), msg.message, msg.wParam, msg.lParam));
}
