#include "osc_sfmanager10k.h"

#include "osc_sfmanager.h"
#include "sfman_api.h"
#include "vendor_fault_guard.h"

using namespace sfman;

namespace {
// A library that answers every device query would otherwise be counted for ever.
constexpr int32_t MaxDevices = 64;
// Items a single bank can hold (one per program and stale ones) with room to spare; bounds the
// walks over a bank's items, and the clearing loop when the library reports a clear as done but
// keeps handing out the same item.
constexpr int32_t MaxItemsPerBank = 1024;
constexpr int32_t LoadsBetweenKeyDeletions = 10;
}  // namespace

void TOSC_SFManager10k::DeleteFilesKey() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\SoundFont", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegDeleteTreeA(key, "Files");
  RegDeleteKeyA(key, "Files");
  RegCloseKey(key);
}

TOSC_SFManager10k::TOSC_SFManager10k() {
  FLastResult = BindSFManager(TenKApiVersion, FLibrary, FEntry, FApiTable);
  DeleteFilesKey();
}

TOSC_SFManager10k::~TOSC_SFManager10k() {
  DeleteFilesKey();
  if (FLibrary != nullptr) FreeLibrary(FLibrary);
}

// Calls of an object whose binding failed are not made; the binding's result stays.
bool TOSC_SFManager10k::Bound() { return FApiTable != nullptr; }

void TOSC_SFManager10k::CountLoad() {
  if (++FLoadCounter >= LoadsBetweenKeyDeletions) {
    DeleteFilesKey();
    FLoadCounter = 0;
  }
}

int32_t TOSC_SFManager10k::GetNumDevs(int32_t& count) {
  count = 0;
  if (!Bound()) return FLastResult;
  auto query = Slot<tenk::QueryDeviceProc>(FApiTable, tenk::QueryDevice);
  uint32_t total = 0;
  while (count < MaxDevices && query(static_cast<uint32_t>(count), &total) == 0) ++count;
  FLastResult = 0;
  return FLastResult;
}

int32_t TOSC_SFManager10k::GetDeviceNames(std::vector<std::string>& names) {
  names.clear();
  int32_t count = 0;
  if (GetNumDevs(count) != 0) return FLastResult;
  for (int32_t i = 0; i < count; ++i) {
    std::string name = "SB Live!";
    if (count != 1) name += std::string(" #") + static_cast<char>(48 + i);
    names.push_back(name);
  }
  return FLastResult;
}

int32_t TOSC_SFManager10k::QueryMemory(uint32_t& total, uint32_t& free) {
  total = free = 0;
  if (!Bound()) return FLastResult;
  const uint32_t device = static_cast<uint32_t>(FDevice);
  FLastResult = Slot<tenk::QueryDeviceProc>(FApiTable, tenk::QueryDevice)(device, &total);
  if (FLastResult != 0) return FLastResult;
  uint32_t scratch = 0;
  FLastResult = Slot<tenk::QueryFreeProc>(FApiTable, tenk::QueryFree)(device, 0, &scratch, &free);
  return FLastResult;
}

int32_t TOSC_SFManager10k::LoadPreset(int32_t sourceBank, int32_t sourcePreset, int32_t bank, int32_t program,
                                      const std::string& file, int32_t& handle) {
  handle = -1;
  if (!Bound()) return FLastResult;
  const SFLocation source = MakeLocation(sourceBank, sourcePreset);
  const SFLocation target = MakeLocation(bank, program);
  const SFPathBuffer path = MakePath(file);
  auto load = Slot<tenk::LoadPresetProc>(FApiTable, tenk::LoadPreset);
  const uint32_t device = static_cast<uint32_t>(FDevice);
  int32_t result = 0;
  int32_t answer = -1;
  FLastResult = RunGuardedVendorCall([&] { result = load(device, &source, &target, &path, &answer); }) ? result : -1;
  if (FLastResult == 0) handle = answer;
  CountLoad();
  return FLastResult;
}

int32_t TOSC_SFManager10k::LoadWave(int32_t bank, int32_t program, const std::string& file, bool& faulted) {
  faulted = false;
  if (!Bound()) return FLastResult;
  const SFLocation location = MakeLocation(bank, program);
  const SFPathBuffer path = MakePath(file);
  auto load = Slot<tenk::LoadWaveProc>(FApiTable, tenk::LoadWave);
  const uint32_t device = static_cast<uint32_t>(FDevice);
  int32_t result = 0;
  faulted = !RunGuardedVendorCall([&] { result = load(device, &location, &path); });
  FLastResult = faulted ? -1 : result;
  CountLoad();
  return FLastResult;
}

// The program must match too: a bank holds many items, and taking the first one of the bank
// would name, hand back or clear another preset than the one asked for.
int32_t TOSC_SFManager10k::FindHandle(int32_t bank, int32_t program) {
  if (!Bound()) return -1;
  const uint32_t device = static_cast<uint32_t>(FDevice);
  auto first = Slot<tenk::FirstItemProc>(FApiTable, tenk::FirstItem);
  auto next = Slot<tenk::NextItemProc>(FApiTable, tenk::NextItem);
  auto nameOf = Slot<tenk::ItemNameProc>(FApiTable, tenk::ItemName);
  SF10kItem item = {};
  int32_t result = first(device, static_cast<uint16_t>(bank), &item);
  for (int32_t steps = 0; result == 0 && steps < MaxItemsPerBank; ++steps) {
    if (item.location.program == static_cast<uint16_t>(program)) {
      SFPathBuffer name = {};
      name.length = PathChars;
      if (nameOf(device, item.handle, &name) == 0) return item.handle;
    }
    result = next(device, item.handle, &item);
  }
  return -1;
}

int32_t TOSC_SFManager10k::GetPresetName(int32_t bank, int32_t program, std::string& name) {
  name.clear();
  if (!Bound()) return FLastResult;
  const int32_t handle = FindHandle(bank, program);
  if (handle == -1) {
    FLastResult = 1;
    return FLastResult;
  }
  SFPathBuffer buffer = {};
  buffer.length = PathChars;
  FLastResult = Slot<tenk::ItemNameProc>(FApiTable, tenk::ItemName)(static_cast<uint32_t>(FDevice), handle, &buffer);
  if (FLastResult == 0) name.assign(buffer.text, strnlen(buffer.text, PathChars));
  return FLastResult;
}

int32_t TOSC_SFManager10k::ClearPreset(int32_t bank, int32_t program, int32_t handle) {
  if (!Bound()) return FLastResult;
  if (handle == -1) handle = FindHandle(bank, program);
  if (handle == -1) {
    FLastResult = 1;
    return FLastResult;
  }
  FLastResult = Slot<tenk::ClearItemProc>(FApiTable, tenk::ClearItem)(static_cast<uint32_t>(FDevice), handle);
  DeleteFilesKey();
  return FLastResult;
}

int32_t TOSC_SFManager10k::ClearBank(int32_t bank) {
  if (!Bound()) return FLastResult;
  const uint32_t device = static_cast<uint32_t>(FDevice);
  auto first = Slot<tenk::FirstItemProc>(FApiTable, tenk::FirstItem);
  auto clear = Slot<tenk::ClearItemProc>(FApiTable, tenk::ClearItem);
  FLastResult = 0;
  SF10kItem item = {};
  for (int32_t steps = 0; steps < MaxItemsPerBank; ++steps) {
    if (first(device, static_cast<uint16_t>(bank), &item) != 0) break;  // bank is empty
    FLastResult = clear(device, item.handle);
    if (FLastResult != 0) break;
  }
  DeleteFilesKey();
  return FLastResult;
}
