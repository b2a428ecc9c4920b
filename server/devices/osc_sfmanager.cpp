#include "osc_sfmanager.h"

#include "device_names.h"
#include "sfman_api.h"
#include "vendor_fault_guard.h"
#include "vendor_library.h"

using namespace sfman;

int32_t BindSFManager(uint32_t version, HMODULE& library, void*& entry, void*& table) {
  library = LoadVendorLibrary(LibraryName);
  if (library == nullptr) return 1;
  entry = reinterpret_cast<void*>(GetProcAddress(library, EntryName));
  if (entry == nullptr) return 500;
  void* answer = nullptr;
  if (reinterpret_cast<EntryProc>(entry)(version, &answer) != 0 || answer == nullptr) return 501;
  table = answer;
  return 0;
}

TOSC_SFManager::TOSC_SFManager() { FBindResult = BindSFManager(GeneralApiVersion, FLibrary, FEntry, FApiTable); }

TOSC_SFManager::~TOSC_SFManager() {
  if (FOpened && FApiTable != nullptr) Close();
  if (FLibrary != nullptr) FreeLibrary(FLibrary);
}

// Calls of an object whose binding failed are not made.
int32_t TOSC_SFManager::NoApi() {
  FLastResult = FBindResult != 0 ? FBindResult : 1;
  return FLastResult;
}

int32_t TOSC_SFManager::GetNumDevs(uint16_t& count) {
  count = 0;
  if (!HasApi()) return NoApi();
  FLastResult = Slot<general::GetNumDevsProc>(FApiTable, general::GetNumDevs)(&count);
  return FLastResult;
}

int32_t TOSC_SFManager::GetDevCaps(int32_t index, std::string& name) {
  name.clear();
  if (!HasApi()) return NoApi();
  SFDevCaps caps = {};
  caps.structSize = sizeof(caps);
  FLastResult = Slot<general::GetDevCapsProc>(FApiTable, general::GetDevCaps)(static_cast<uint16_t>(index), &caps);
  if (FLastResult == 0) name.assign(caps.name, strnlen(caps.name, sizeof(caps.name)));
  return FLastResult;
}

int32_t TOSC_SFManager::GetDeviceNames(std::vector<std::string>& names, bool numbered) {
  names.clear();
  uint16_t count = 0;
  if (GetNumDevs(count) != 0) return FLastResult;
  CollectDeviceNames(count, numbered, names, [this](int32_t i, std::string& name) { return GetDevCaps(i, name); });
  return FLastResult;
}

int32_t TOSC_SFManager::Open(int32_t index) {
  if (!HasApi()) return NoApi();
  uint16_t count = 0;
  GetNumDevs(count);
  if (index < 0 || index >= count) {
    FLastResult = 502;
    return FLastResult;
  }
  if (FOpened) Close();
  FOpenDevice = index;
  FOpened = true;
  FLastResult = Slot<general::DeviceProc>(FApiTable, general::Open)(static_cast<uint16_t>(index));
  return FLastResult;
}

int32_t TOSC_SFManager::Close() {
  if (!HasApi()) return NoApi();
  FLastResult = Slot<general::DeviceProc>(FApiTable, general::Close)(static_cast<uint16_t>(FOpenDevice));
  FOpenDevice = -1;
  FOpened = false;
  return FLastResult;
}

int32_t TOSC_SFManager::QueryMemory(uint32_t& total, uint32_t& free) {
  total = free = 0;
  if (!HasApi()) return NoApi();
  FLastResult =
      Slot<general::QueryMemoryProc>(FApiTable, general::QueryMemory)(static_cast<uint16_t>(FOpenDevice), &total, &free);
  return FLastResult;
}

int32_t TOSC_SFManager::LoadPreset(int32_t sourceBank, int32_t sourcePreset, int32_t bank, int32_t program,
                                   const std::string& file) {
  if (!HasApi()) return NoApi();
  const SFLocation source = MakeLocation(sourceBank, sourcePreset);
  const SFLocation target = MakeLocation(bank, program);
  const SFPathBuffer path = MakePath(file);
  auto load = Slot<general::LoadPresetProc>(FApiTable, general::LoadPreset);
  const uint16_t device = static_cast<uint16_t>(FOpenDevice);
  int32_t result = 0;
  FLastResult = RunGuardedVendorCall([&] { result = load(device, &source, &target, &path); }) ? result : -1;
  return FLastResult;
}

int32_t TOSC_SFManager::GetPresetName(int32_t bank, int32_t program, std::string& name) {
  name.clear();
  if (!HasApi()) return NoApi();
  const SFLocation location = MakeLocation(bank, program);
  SFPathBuffer buffer = {};
  buffer.length = PathChars;
  FLastResult = Slot<general::GetPresetNameProc>(FApiTable, general::GetPresetName)(
      static_cast<uint16_t>(FOpenDevice), &location, &buffer);
  if (FLastResult == 0) name.assign(buffer.text, strnlen(buffer.text, PathChars));
  return FLastResult;
}

int32_t TOSC_SFManager::ClearPreset(int32_t bank, int32_t program) {
  if (!HasApi()) return NoApi();
  const SFLocation location = MakeLocation(bank, program);
  FLastResult = Slot<general::ClearPresetProc>(FApiTable, general::ClearPreset)(static_cast<uint16_t>(FOpenDevice),
                                                                                &location);
  return FLastResult;
}

int32_t TOSC_SFManager::LoadWave(int32_t bank, int32_t program, const std::string& file) {
  if (!HasApi()) return NoApi();
  const SFLocation location = MakeLocation(bank, program);
  const SFPathBuffer path = MakePath(file);
  auto load = Slot<general::LoadWaveProc>(FApiTable, general::LoadWave);
  const uint16_t device = static_cast<uint16_t>(FOpenDevice);
  int32_t result = 0;
  FLastResult = RunGuardedVendorCall([&] { result = load(device, &location, &path); }) ? result : -1;
  return FLastResult;
}

int32_t TOSC_SFManager::GetCacheLimit(int32_t device, uint32_t& bytes) {
  bytes = 0;
  if (!HasApi()) return NoApi();
  auto get = ExportOf<GetCacheLimitProc>(FLibrary, GetCacheLimitName);
  FLastResult = get != nullptr ? get(static_cast<uint16_t>(device), &bytes) : 500;
  return FLastResult;
}

int32_t TOSC_SFManager::SetCacheLimit(int32_t device, uint32_t bytes) {
  if (!HasApi()) return NoApi();
  auto set = ExportOf<SetCacheLimitProc>(FLibrary, SetCacheLimitName);
  FLastResult = set != nullptr ? set(static_cast<uint16_t>(device), bytes) : 500;
  return FLastResult;
}
