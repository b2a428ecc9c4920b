#include "virtual_midi_bus.h"

#include <cstring>

#include "virtual_midi_bus_internal.h"

namespace midibus {
namespace {
constexpr uint32_t kMagic = 0x424D4254;  // "TBMB"
constexpr uint32_t kVersion = 1;
const char* const kPrefix = "Local\\tarnbel_midibus_v1_";

struct View {
  HANDLE Mutex = nullptr;
  HANDLE Mapping = nullptr;
  Section* Data = nullptr;
  HANDLE InData[TVirtualMidiBus::MaxPorts] = {};
  HANDLE InRoom[TVirtualMidiBus::MaxPorts] = {};
  HANDLE OutData[TVirtualMidiBus::MaxPorts] = {};
};

HANDLE NamedEvent(const char* kind, int slot) {
  std::string name = std::string(kPrefix) + kind + std::to_string(slot);
  return CreateEventA(nullptr, FALSE, FALSE, name.c_str());
}

// Opened once per process and kept for its life.
View* OpenView() {
  View* v = new View;
  v->Mutex = CreateMutexA(nullptr, FALSE, (std::string(kPrefix) + "mutex").c_str());
  v->Mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Section),
                                  (std::string(kPrefix) + "section").c_str());
  if (v->Mutex && v->Mapping)
    v->Data = static_cast<Section*>(MapViewOfFile(v->Mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Section)));
  for (int i = 0; i < TVirtualMidiBus::MaxPorts; ++i) {
    v->InData[i] = NamedEvent("indata", i);
    v->InRoom[i] = NamedEvent("inroom", i);
    v->OutData[i] = NamedEvent("outdata", i);
  }
  if (v->Data) {
    DWORD w = WaitForSingleObject(v->Mutex, INFINITE);
    if (w == WAIT_OBJECT_0 || w == WAIT_ABANDONED) {
      if (v->Data->Magic == 0) {  // a fresh section is all zeros
        v->Data->Magic = kMagic;
        v->Data->Version = kVersion;
        v->Data->NextSerial = 1;
      }
      if (v->Data->Magic != kMagic || v->Data->Version != kVersion) v->Data = nullptr;
      ReleaseMutex(v->Mutex);
    } else {
      v->Data = nullptr;
    }
  }
  return v;
}

View& TheView() {
  static View* view = OpenView();
  return *view;
}

int LastByName(const PortHead* first, size_t stride, uint32_t count, const std::string& name) {
  for (int i = static_cast<int>(count) - 1; i >= 0; --i) {
    auto head = reinterpret_cast<const PortHead*>(reinterpret_cast<const char*>(first) + stride * i);
    if (name == head->Name) return i;
  }
  return -1;
}

int InputByName(Section* s, const std::string& name) {
  return LastByName(&s->In[0].Head, sizeof(InPort), s->InCount, name);
}

int OutputByName(Section* s, const std::string& name) {
  return LastByName(&s->Out[0].Head, sizeof(OutPort), s->OutCount, name);
}

void ResetHead(Section* s, PortHead& head, const std::string& name) {
  std::memset(&head, 0, sizeof head);
  std::strncpy(head.Name, name.c_str(), TVirtualMidiBus::NameLength);
  head.Serial = s->NextSerial++;
}

template <typename Port>
int AddPort(Port* ports, uint32_t& count, const std::string& name) {
  Section* s = Shared();
  if (!s || name.empty()) return -1;
  Lock lock;
  if (count >= static_cast<uint32_t>(TVirtualMidiBus::MaxPorts)) return -1;
  ResetHead(s, ports[count].Head, name);
  return static_cast<int>(count++);
}

std::vector<TVirtualMidiEvent> DrainOutput(Section* s, int slot) {
  std::vector<TVirtualMidiEvent> events;
  PortHead& head = s->Out[slot].Head;
  while (head.Read != head.Written) {
    const Event& e = s->Out[slot].Queue[head.Read % TVirtualMidiBus::OutputQueueSize];
    TVirtualMidiEvent out;
    out.Message = e.Message;
    out.Timestamp = e.Timestamp;
    out.Played = e.Played;
    out.Arrived = e.Arrived;
    events.push_back(out);
    ++head.Read;
  }
  return events;
}
}  // namespace

Section* Shared() { return TheView().Data; }
HANDLE InDataEvent(int slot) { return TheView().InData[slot]; }
HANDLE InRoomEvent(int slot) { return TheView().InRoom[slot]; }
HANDLE OutDataEvent(int slot) { return TheView().OutData[slot]; }

Lock::Lock() { WaitForSingleObject(TheView().Mutex, INFINITE); }  // an abandoned mutex is ours too
Lock::~Lock() { ReleaseMutex(TheView().Mutex); }

bool ProcessAlive(uint32_t pid) {
  if (pid == 0) return false;
  if (pid == GetCurrentProcessId()) return true;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return false;
  bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return alive;
}

bool PortOwned(const PortHead& head) { return head.OwnerPid != 0 && ProcessAlive(head.OwnerPid); }

int64_t Counter() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

void AppendToOutput(Section* s, int slot, const Event& event) {
  PortHead& head = s->Out[slot].Head;
  if (head.Written - head.Read >= static_cast<uint32_t>(TVirtualMidiBus::OutputQueueSize)) {
    ++head.Read;
    ++head.Dropped;
  }
  s->Out[slot].Queue[head.Written % TVirtualMidiBus::OutputQueueSize] = event;
  ++head.Written;
}

}  // namespace midibus

using namespace midibus;

int TVirtualMidiBus::AddInput(const std::string& name) {
  Section* s = Shared();
  return s ? AddPort(s->In, s->InCount, name) : -1;
}

int TVirtualMidiBus::AddOutput(const std::string& name) {
  Section* s = Shared();
  return s ? AddPort(s->Out, s->OutCount, name) : -1;
}

void TVirtualMidiBus::RemoveAllPorts() {
  Section* s = Shared();
  if (!s) return;
  Lock lock;
  for (int i = 0; i < MaxPorts; ++i) {
    ResetHead(s, s->In[i].Head, "");
    ResetHead(s, s->Out[i].Head, "");
  }
  s->InCount = 0;
  s->OutCount = 0;
}

void TVirtualMidiBus::ConfigureFromEnvironment() {
  char buffer[4096];
  DWORD n = GetEnvironmentVariableA("TARNBEL_MIDI_PORTS", buffer, sizeof buffer);
  Section* s = Shared();
  if (n == 0 || n >= sizeof buffer || !s) return;
  std::string list(buffer, n);
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t end = list.find(';', pos);
    if (end == std::string::npos) end = list.size();
    std::string entry = list.substr(pos, end - pos);
    pos = end + 1;
    bool input = entry.compare(0, 3, "in:") == 0;
    bool output = entry.compare(0, 4, "out:") == 0;
    if (!input && !output) continue;
    std::string name = entry.substr(input ? 3 : 4).substr(0, NameLength);
    Lock lock;  // the bus mutex is re-entrant: look-up and add are one step for other processes
    if (input && InputByName(s, name) < 0) AddInput(name);
    if (output && OutputByName(s, name) < 0) AddOutput(name);
  }
}

TVirtualPlayResult TVirtualMidiBus::Play(const std::string& input, uint32_t message) {
  Section* s = Shared();
  if (!s) return TVirtualPlayResult::BusUnavailable;
  Event e = {message, 0, Counter(), 0};
  DWORD start = GetTickCount();
  int slot;
  for (;;) {
    {
      Lock lock;
      slot = InputByName(s, input);
      if (slot < 0) return TVirtualPlayResult::NoSuchInput;
      PortHead& head = s->In[slot].Head;
      if (!head.Started || head.OwnerPid == 0) return TVirtualPlayResult::NotStarted;
      if (head.Written - head.Read < static_cast<uint32_t>(InputQueueSize)) {
        e.Timestamp = GetTickCount() - head.StartTick;
        s->In[slot].Queue[head.Written % InputQueueSize] = e;
        ++head.Written;
        break;
      }
      // Full: only worth waiting for while its owner lives to drain it.
      if (!ProcessAlive(head.OwnerPid)) return TVirtualPlayResult::NotStarted;
    }
    if (GetTickCount() - start >= 1000) {
      Lock lock;
      ++s->In[slot].Head.Dropped;
      return TVirtualPlayResult::QueueFull;
    }
    WaitForSingleObject(InRoomEvent(slot), 20);
  }
  SetEvent(InDataEvent(slot));
  return TVirtualPlayResult::Played;
}

namespace {
// Polls the last input of that name, under the bus lock, until `holds` is true of its head or the
// time is up; a missing input is waited for as well.
template <class TCondition>
bool WaitOnInput(const std::string& input, DWORD timeoutMs, DWORD pollMs, TCondition holds) {
  Section* s = Shared();
  if (!s) return false;
  DWORD start = GetTickCount();
  for (;;) {
    {
      Lock lock;
      int slot = InputByName(s, input);
      if (slot >= 0 && holds(s->In[slot].Head)) return true;
    }
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(pollMs);
  }
}
}  // namespace

bool TVirtualMidiBus::WaitInputStarted(const std::string& input, DWORD timeoutMs) {
  return WaitOnInput(input, timeoutMs, 10, [](const PortHead& head) { return head.Started && PortOwned(head); });
}

bool TVirtualMidiBus::WaitDelivered(const std::string& input, DWORD timeoutMs) {
  return WaitOnInput(input, timeoutMs, 1,
                     [](const PortHead& head) { return static_cast<int32_t>(head.Written - head.Delivered) <= 0; });
}

bool TVirtualMidiBus::HasInput(const std::string& input) {
  Section* s = Shared();
  if (!s) return false;
  Lock lock;
  return InputByName(s, input) >= 0;
}

std::vector<TVirtualMidiEvent> TVirtualMidiBus::ReadOutput(const std::string& output) {
  Section* s = Shared();
  if (!s) return {};
  Lock lock;
  int slot = OutputByName(s, output);
  return slot < 0 ? std::vector<TVirtualMidiEvent>() : DrainOutput(s, slot);
}

bool TVirtualMidiBus::WaitOutput(const std::string& output, size_t count, DWORD timeoutMs,
                                 std::vector<TVirtualMidiEvent>& events) {
  Section* s = Shared();
  if (!s) return false;
  DWORD start = GetTickCount();
  for (;;) {
    int slot;
    {
      Lock lock;
      slot = OutputByName(s, output);
      if (slot < 0) return false;
      std::vector<TVirtualMidiEvent> more = DrainOutput(s, slot);
      events.insert(events.end(), more.begin(), more.end());
    }
    if (events.size() >= count) return true;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    // Woken by every arrival; the timeout only bounds a missed wake-up.
    WaitForSingleObject(OutDataEvent(slot), timeoutMs - elapsed < 50 ? timeoutMs - elapsed : 50);
  }
}

uint32_t TVirtualMidiBus::OutputOverflows(const std::string& output) {
  Section* s = Shared();
  if (!s) return 0;
  Lock lock;
  int slot = OutputByName(s, output);
  return slot < 0 ? 0 : s->Out[slot].Head.Dropped;
}

std::vector<TVirtualDriverMessage> TVirtualMidiBus::ReadDriverMessages(const std::string& input) {
  std::vector<TVirtualDriverMessage> messages;
  Section* s = Shared();
  if (!s) return messages;
  Lock lock;
  int slot = InputByName(s, input);
  if (slot < 0) return messages;
  PortHead& head = s->In[slot].Head;
  if (head.DriverWritten - head.DriverRead > static_cast<uint32_t>(DriverLogSize))
    head.DriverRead = head.DriverWritten - DriverLogSize;
  for (; head.DriverRead != head.DriverWritten; ++head.DriverRead) {
    const DriverEntry& d = s->In[slot].Driver[head.DriverRead % DriverLogSize];
    messages.push_back({d.Message, d.Param1, d.Param2});
  }
  return messages;
}
