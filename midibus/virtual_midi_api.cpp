// The virtual bus's winmm-like entry points. Handles are objects of this process; the ports they
// stand for live in the shared section.
#include <mutex>
#include <map>
#include <vector>

#include "midi_api.h"
#include "virtual_midi_bus_internal.h"

using namespace midibus;

namespace {
constexpr uint32_t kInMagic = 0x4E494254;   // "TBIN"
constexpr uint32_t kOutMagic = 0x54554F42;  // "BOUT"

typedef void(CALLBACK* InCallback)(HMIDIIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);

struct InHandle {
  uint32_t Magic = kInMagic;
  uintptr_t Id = 0;
  int Slot = 0;
  uint32_t Serial = 0;
  InCallback Callback = nullptr;
  DWORD_PTR Instance = 0;
  HANDLE StopEvent = nullptr;
  HANDLE Thread = nullptr;
  DWORD ThreadId = 0;
};

struct OutHandle {
  uint32_t Magic = kOutMagic;
  uintptr_t Id = 0;
  int Slot = 0;
  uint32_t Serial = 0;
};

// Handles are numbers of this process's table, never reused, so that a stale or foreign handle
// is refused rather than followed or mistaken for a later port's.
std::mutex gHandlesLock;
std::map<uintptr_t, void*> gHandles;
uintptr_t gNextHandle = 0x1000;

uintptr_t Register(void* h) {
  std::lock_guard<std::mutex> guard(gHandlesLock);
  gNextHandle += 4;
  gHandles[gNextHandle] = h;
  return gNextHandle;
}

void Unregister(uintptr_t id) {
  std::lock_guard<std::mutex> guard(gHandlesLock);
  gHandles.erase(id);
}

template <typename Handle>
Handle* Find(const void* h, uint32_t magic) {
  std::lock_guard<std::mutex> guard(gHandlesLock);
  auto it = gHandles.find(reinterpret_cast<uintptr_t>(h));
  if (it == gHandles.end()) return nullptr;
  Handle* handle = static_cast<Handle*>(it->second);
  return handle->Magic == magic ? handle : nullptr;
}

InHandle* FindIn(const void* h) { return Find<InHandle>(h, kInMagic); }
OutHandle* FindOut(const void* h) { return Find<OutHandle>(h, kOutMagic); }

// The port behind a handle, when it was not removed from the bus meanwhile. Under the lock.
PortHead* InHead(Section* s, const InHandle* h) {
  PortHead& head = s->In[h->Slot].Head;
  return head.Serial == h->Serial ? &head : nullptr;
}

PortHead* OutHead(Section* s, const OutHandle* h) {
  PortHead& head = s->Out[h->Slot].Head;
  return head.Serial == h->Serial ? &head : nullptr;
}

void Notify(const InHandle* h, UINT msg, DWORD_PTR param1, DWORD_PTR param2) {
  if (h->Callback) h->Callback(reinterpret_cast<HMIDIIN>(h->Id), msg, h->Instance, param1, param2);
}

// Plays the part of the system's multimedia thread for one open input: forwards each message to
// the connected outputs, then hands it to the callback, in the order played.
DWORD WINAPI DeliveryThread(LPVOID param) {
  InHandle* h = static_cast<InHandle*>(param);
  Notify(h, MIM_OPEN, 0, 0);
  HANDLE waits[2] = {h->StopEvent, InDataEvent(h->Slot)};
  std::vector<Event> batch;
  while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
    batch.clear();
    uint32_t woken = 0;
    {
      Lock lock;
      Section* s = Shared();
      PortHead* head = InHead(s, h);
      if (!head) continue;
      for (; head->Read != head->Written; ++head->Read)
        batch.push_back(s->In[h->Slot].Queue[head->Read % TVirtualMidiBus::InputQueueSize]);
      woken = head->ThruMask;
      for (Event e : batch) {
        for (int out = 0; out < TVirtualMidiBus::MaxPorts; ++out) {
          if (!(woken & (1u << out))) continue;
          e.Arrived = Counter();
          AppendToOutput(s, out, e);
        }
      }
    }
    SetEvent(InRoomEvent(h->Slot));
    if (!batch.empty()) {
      for (int out = 0; out < TVirtualMidiBus::MaxPorts; ++out)
        if (woken & (1u << out)) SetEvent(OutDataEvent(out));
    }
    for (const Event& e : batch) Notify(h, MIM_DATA, e.Message, e.Timestamp);
    if (!batch.empty()) {
      Lock lock;
      PortHead* head = InHead(Shared(), h);
      if (head && head->OwnerPid == GetCurrentProcessId()) head->Delivered += static_cast<uint32_t>(batch.size());
    }
  }
  Notify(h, MIM_CLOSE, 0, 0);
  return 0;
}

MMRESULT CheckCallbackFlags(DWORD flags, bool functionAllowed) {
  DWORD type = flags & CALLBACK_TYPEMASK;
  if (type == CALLBACK_NULL || (functionAllowed && type == CALLBACK_FUNCTION)) return MMSYSERR_NOERROR;
  return MMSYSERR_INVALFLAG;
}

UINT WINAPI InGetNumDevs() {
  Section* s = Shared();
  if (!s) return 0;
  Lock lock;
  return s->InCount;
}

UINT WINAPI OutGetNumDevs() {
  Section* s = Shared();
  if (!s) return 0;
  Lock lock;
  return s->OutCount;
}

// Fills the product name as the system does: cut to fit the field, always terminated.
template <typename Caps>
MMRESULT GetCaps(UINT_PTR id, Caps* caps, UINT size, bool output) {
  Section* s = Shared();
  if (!s) return MMSYSERR_NODRIVER;
  if (!caps) return MMSYSERR_INVALPARAM;
  Caps full = {};
  {
    Lock lock;
    if (id >= (output ? s->OutCount : s->InCount)) return MMSYSERR_BADDEVICEID;
    const PortHead& head = output ? s->Out[id].Head : s->In[id].Head;
    lstrcpynA(full.szPname, head.Name, sizeof full.szPname);
  }
  full.wMid = 0xFFFF;  // no registered manufacturer or product
  full.wPid = 0xFFFF;
  full.vDriverVersion = 0x0100;
  memcpy(caps, &full, size < sizeof full ? size : sizeof full);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI InGetDevCaps(UINT_PTR id, LPMIDIINCAPSA caps, UINT size) { return GetCaps(id, caps, size, false); }

MMRESULT WINAPI OutGetDevCaps(UINT_PTR id, LPMIDIOUTCAPSA caps, UINT size) {
  MMRESULT r = GetCaps(id, caps, size, true);
  if (r == MMSYSERR_NOERROR && size >= sizeof *caps) {
    caps->wTechnology = MOD_MIDIPORT;
    caps->wChannelMask = 0xFFFF;
  }
  return r;
}

MMRESULT WINAPI InOpen(LPHMIDIIN result, UINT id, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
  if (!result) return MMSYSERR_INVALPARAM;
  if (MMRESULT r = CheckCallbackFlags(flags, true)) return r;
  Section* s = Shared();
  if (!s) return MMSYSERR_NODRIVER;
  InHandle* h = new InHandle;
  {
    Lock lock;
    if (id >= s->InCount) {
      delete h;
      return MMSYSERR_BADDEVICEID;
    }
    PortHead& head = s->In[id].Head;
    if (PortOwned(head)) {
      delete h;
      return MMSYSERR_ALLOCATED;
    }
    head.OwnerPid = GetCurrentProcessId();
    head.Started = 0;
    head.ThruMask = 0;
    head.Read = head.Written;  // nothing from an earlier opening
    head.Delivered = head.Written;
    h->Slot = static_cast<int>(id);
    h->Serial = head.Serial;
  }
  if ((flags & CALLBACK_TYPEMASK) == CALLBACK_FUNCTION) h->Callback = reinterpret_cast<InCallback>(callback);
  h->Instance = instance;
  h->Id = Register(h);
  h->StopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // One per open input, as many as the server's routes: it reserves what it needs (its road, the
  // input's callback included, takes under 4 KB).
  if (h->StopEvent)
    h->Thread = CreateThread(nullptr, 64 * 1024, DeliveryThread, h, STACK_SIZE_PARAM_IS_A_RESERVATION, &h->ThreadId);
  if (!h->Thread) {
    Unregister(h->Id);
    if (h->StopEvent) CloseHandle(h->StopEvent);
    Lock lock;
    if (PortHead* head = InHead(s, h)) head->OwnerPid = 0;
    delete h;
    return MMSYSERR_NOMEM;
  }
  *result = reinterpret_cast<HMIDIIN>(h->Id);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI InClose(HMIDIIN handle) {
  InHandle* h = FindIn(handle);
  if (!h) return MMSYSERR_INVALHANDLE;
  // Closing from its own callback would wait for itself.
  if (GetCurrentThreadId() == h->ThreadId) return MMSYSERR_ERROR;
  Unregister(h->Id);
  {
    Lock lock;
    if (PortHead* head = InHead(Shared(), h)) {
      head->OwnerPid = 0;
      head->Started = 0;
      head->ThruMask = 0;
      head->Read = head->Written;
      head->Delivered = head->Written;
    }
  }
  SetEvent(h->StopEvent);
  WaitForSingleObject(h->Thread, INFINITE);
  CloseHandle(h->Thread);
  CloseHandle(h->StopEvent);
  delete h;
  return MMSYSERR_NOERROR;
}

MMRESULT SetStarted(HMIDIIN handle, bool started) {
  InHandle* h = FindIn(handle);
  if (!h) return MMSYSERR_INVALHANDLE;
  Lock lock;
  PortHead* head = InHead(Shared(), h);
  if (!head) return MMSYSERR_INVALHANDLE;
  if (started && !head->Started) head->StartTick = GetTickCount();
  head->Started = started ? 1 : 0;
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI InStart(HMIDIIN handle) { return SetStarted(handle, true); }
MMRESULT WINAPI InStop(HMIDIIN handle) { return SetStarted(handle, false); }

MMRESULT WINAPI InMessage(HMIDIIN handle, UINT msg, DWORD_PTR param1, DWORD_PTR param2) {
  InHandle* h = FindIn(handle);
  if (!h) return MMSYSERR_INVALHANDLE;
  Section* s = Shared();
  Lock lock;
  PortHead* head = InHead(s, h);
  if (!head) return MMSYSERR_INVALHANDLE;
  s->In[h->Slot].Driver[head->DriverWritten % TVirtualMidiBus::DriverLogSize] = {msg, 0, param1, param2};
  ++head->DriverWritten;
  return MMSYSERR_NOERROR;
}

MMRESULT SetThru(HMIDI input, HMIDIOUT output, bool connected) {
  InHandle* in = FindIn(input);
  OutHandle* out = FindOut(output);
  if (!in || !out) return MMSYSERR_INVALHANDLE;
  Section* s = Shared();
  Lock lock;
  PortHead* inHead = InHead(s, in);
  if (!inHead || !OutHead(s, out)) return MMSYSERR_INVALHANDLE;
  if (connected)
    inHead->ThruMask |= 1u << out->Slot;
  else
    inHead->ThruMask &= ~(1u << out->Slot);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI Connect(HMIDI input, HMIDIOUT output, LPVOID) { return SetThru(input, output, true); }
MMRESULT WINAPI Disconnect(HMIDI input, HMIDIOUT output, LPVOID) { return SetThru(input, output, false); }

MMRESULT WINAPI OutOpen(LPHMIDIOUT result, UINT id, DWORD_PTR, DWORD_PTR, DWORD flags) {
  if (!result) return MMSYSERR_INVALPARAM;
  if (MMRESULT r = CheckCallbackFlags(flags, false)) return r;
  Section* s = Shared();
  if (!s) return MMSYSERR_NODRIVER;
  Lock lock;
  if (id >= s->OutCount) return MMSYSERR_BADDEVICEID;
  PortHead& head = s->Out[id].Head;
  if (PortOwned(head)) return MMSYSERR_ALLOCATED;
  head.OwnerPid = GetCurrentProcessId();
  OutHandle* h = new OutHandle;
  h->Slot = static_cast<int>(id);
  h->Serial = head.Serial;
  h->Id = Register(h);
  *result = reinterpret_cast<HMIDIOUT>(h->Id);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI OutClose(HMIDIOUT handle) {
  OutHandle* h = FindOut(handle);
  if (!h) return MMSYSERR_INVALHANDLE;
  Unregister(h->Id);
  {
    Section* s = Shared();
    Lock lock;
    if (PortHead* head = OutHead(s, h)) {
      head->OwnerPid = 0;
      for (uint32_t i = 0; i < s->InCount; ++i) s->In[i].Head.ThruMask &= ~(1u << h->Slot);
    }
  }
  delete h;
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI OutShortMsg(HMIDIOUT handle, DWORD msg) {
  OutHandle* h = FindOut(handle);
  if (!h) return MMSYSERR_INVALHANDLE;
  Section* s = Shared();
  {
    Lock lock;
    if (!OutHead(s, h)) return MMSYSERR_INVALHANDLE;
    int64_t now = Counter();
    AppendToOutput(s, h->Slot, {msg, 0, now, now});
  }
  SetEvent(OutDataEvent(h->Slot));
  return MMSYSERR_NOERROR;
}

const TMidiApi kVirtual = {
    InGetNumDevs, InGetDevCaps, InOpen,        InClose, InStart,  InStop,   InMessage,
    Connect,      Disconnect,   OutGetNumDevs, OutGetDevCaps, OutOpen, OutClose, OutShortMsg,
};
}  // namespace

const TMidiApi& VirtualMidiApi() { return kVirtual; }
