#pragma once
// Layout of the virtual bus's shared section and the process's view of it. Fixed-width fields
// only: 32-bit and 64-bit processes may share one bus.
#include <windows.h>

#include <cstdint>
#include <string>

#include "virtual_midi_bus.h"

namespace midibus {

#pragma pack(push, 1)
struct Event {
  uint32_t Message;
  uint32_t Timestamp;
  int64_t Played;
  int64_t Arrived;
};
static_assert(sizeof(Event) == 24, "bus event");

struct DriverEntry {
  uint32_t Message;
  uint32_t Reserved;
  uint64_t Param1;
  uint64_t Param2;
};
static_assert(sizeof(DriverEntry) == 24, "driver entry");

struct PortHead {
  char Name[TVirtualMidiBus::NameLength + 1];
  uint32_t Serial;     // changes whenever the slot is reused, so stale handles are refused
  uint32_t OwnerPid;   // process that has the port open, 0 when closed
  uint32_t Started;
  uint32_t StartTick;
  uint32_t ThruMask;   // inputs: the output slots connected to it
  uint32_t Written;    // queue counters, ever increasing; the difference is the queue's length
  uint32_t Read;
  uint32_t Dropped;
  uint32_t DriverWritten;
  uint32_t DriverRead;
  uint32_t Delivered;  // inputs: messages handed to the callback (and so posted on) since the last read reset
  uint32_t Reserved[5];
};
static_assert(sizeof(PortHead) == 128, "port head");

struct InPort {
  PortHead Head;
  Event Queue[TVirtualMidiBus::InputQueueSize];
  DriverEntry Driver[TVirtualMidiBus::DriverLogSize];
};

struct OutPort {
  PortHead Head;
  Event Queue[TVirtualMidiBus::OutputQueueSize];
};

struct Section {
  uint32_t Magic;
  uint32_t Version;
  uint32_t InCount;
  uint32_t OutCount;
  uint32_t NextSerial;
  uint32_t Reserved[3];
  InPort In[TVirtualMidiBus::MaxPorts];
  OutPort Out[TVirtualMidiBus::MaxPorts];
};
#pragma pack(pop)

// The process's mapping of the bus; null when it cannot be opened.
Section* Shared();
// Per-port events: an input's data (played messages waiting) and room (queue drained), an
// output's data (messages received).
HANDLE InDataEvent(int slot);
HANDLE InRoomEvent(int slot);
HANDLE OutDataEvent(int slot);

// Holds the bus mutex for its scope.
class Lock {
 public:
  Lock();
  ~Lock();
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
};

bool ProcessAlive(uint32_t pid);
// Whether the port is open by a process still running (a crashed owner leaves the port free).
bool PortOwned(const PortHead& head);
int64_t Counter();
// Appends to an output's queue, dropping the oldest entry when it is full. Under the lock.
void AppendToOutput(Section* s, int slot, const Event& event);

}  // namespace midibus
