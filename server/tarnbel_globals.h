#pragma once
// What the routes share with the server program: its set of mappings, its list of running route
// threads, and the search for a SoundFont manager thread that another route already runs.
#include <memory>
#include <string>

class TRouteThread;
class TSafeMappingsArray;
class TSFManagerThread;

// The server's running routes, in the order it keeps them. The server program provides it; a route
// thread reads it only while the main thread waits for that route's open.
class TRouteThreadList {
 public:
  virtual ~TRouteThreadList() = default;
  virtual int Count() const = 0;
  virtual TRouteThread* At(int index) const = 0;
};

void SetRouteThreadList(TRouteThreadList* list);
TRouteThreadList* RouteThreadList();

// The server's set of mappings; nullptr while there is none (routes then find no mapping).
void SetServerMappings(TSafeMappingsArray* mappings);
TSafeMappingsArray* ServerMappings();

// The manager thread of the last route on the same device, else of the last route on a device that
// shares its sample memory with it (the "ShareMemory" list); nullptr when the caller must make its own.
// The calling route thread itself is never asked.
std::shared_ptr<TSFManagerThread> FindSFManagerThread(const std::string& deviceName);
