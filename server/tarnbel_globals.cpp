#include "tarnbel_globals.h"

#include <atomic>
#include <vector>

#include "route_record.h"
#include "route_thread.h"
#include "sf_thread_messages.h"
#include "text_compare.h"

namespace {
std::atomic<TRouteThreadList*> gRoutes{nullptr};
std::atomic<TSafeMappingsArray*> gMappings{nullptr};

int IndexIgnoringCase(const std::vector<std::string>& list, const std::string& name) {
  for (size_t i = 0; i < list.size(); ++i)
    if (AnsiSameText(list[i], name)) return static_cast<int>(i);
  return -1;
}

std::shared_ptr<TSFManagerThread> Ask(TRouteThread& route) {
  TGetSFManagerThreadMessage request(route.ThreadID());
  if (!request.Send()) return nullptr;
  return request.Thread;
}

// Walks the routes from the last; `accepts` picks the ones to ask.
template <class TAccept>
std::shared_ptr<TSFManagerThread> AskRoutes(TRouteThreadList& routes, TAccept accepts) {
  for (int i = routes.Count() - 1; i >= 0; --i) {
    TRouteThread* route = routes.At(i);
    // A route whose input did not open has nothing to lend.
    if (!route || route->ThreadID() == GetCurrentThreadId() || !route->HasSFThread() || !route->InputOpen()) continue;
    if (!accepts(*route)) continue;
    if (auto thread = Ask(*route)) return thread;
  }
  return nullptr;
}
}  // namespace

void SetRouteThreadList(TRouteThreadList* list) { gRoutes = list; }
TRouteThreadList* RouteThreadList() { return gRoutes; }
void SetServerMappings(TSafeMappingsArray* mappings) { gMappings = mappings; }
TSafeMappingsArray* ServerMappings() { return gMappings; }

std::shared_ptr<TSFManagerThread> FindSFManagerThread(const std::string& deviceName) {
  TRouteThreadList* routes = gRoutes;
  if (!routes) return nullptr;
  // Only the first route on the same device is asked; another route on it would answer the same.
  bool askedSameDevice = false;
  auto same = AskRoutes(*routes, [&](TRouteThread& route) {
    if (askedSameDevice || route.DeviceName() != deviceName) return false;
    askedSameDevice = true;
    return true;
  });
  if (same) return same;

  std::vector<std::string> shared = LoadShareMemoryList();
  int own = IndexIgnoringCase(shared, deviceName);
  if (own < 0) return nullptr;
  bool askedShared = false;
  return AskRoutes(*routes, [&](TRouteThread& route) {
    if (askedShared) return false;
    int other = IndexIgnoringCase(shared, route.DeviceName());
    if (other < 0 || other == own) return false;
    askedShared = true;
    return true;
  });
}
