// Stand-in for the SoundFont Manager library "SFMAN32.DLL": the general API (0x10001) over every
// device of the simulated card and the 10k-family API (0x50000) over its 10k-family devices.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "export_guard.h"
#include "export_hiding.h"
#include "sfman_api.h"
#include "sim_card.h"
#include "sim_config.h"

using namespace sfman;
using namespace simcard;

namespace {

// Result codes of this library.
enum : int32_t {
  rcOk = 0,
  rcFailed = 1,  // the 10k-family API's answer to any failed load
  rcBadDevice = 2,
  rcNotOpen = 3,
  rcNothingThere = 4,
  rcNoFile = 102,
  rcDamagedFile = 103,
  rcNoPreset = 106,
  rcUnsupportedWave = 108,
  rcPresetDoesNotFit = 204,
  rcWaveDoesNotFit = 205,
  rcTenKWaveDoesNotFit = 105,
  rcBusy = 900,
  rcDamagedWave = 901,
};

HMODULE self = nullptr;
SimConfig config;
SimCard card;
int32_t busyLeft = 0;

void NoteLoadedFile(const char* file, uint16_t bank, uint16_t program) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\SoundFont\\Files", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return;
  }
  const std::string where = std::to_string(bank) + ":" + std::to_string(program);
  RegSetValueExA(key, file, 0, REG_SZ, reinterpret_cast<const BYTE*>(where.c_str()),
                 static_cast<DWORD>(where.size() + 1));
  RegCloseKey(key);
}

bool ValidDevice(uint32_t device) { return device < card.DeviceCount(); }

// The 10k-family API numbers only the 10k-family devices.
int32_t TenKDevice(uint32_t device) {
  uint32_t seen = 0;
  for (size_t i = 0; i < card.DeviceCount(); ++i) {
    if (card.Device(i).config.kind != DeviceKind::TenK) continue;
    if (seen++ == device) return static_cast<int32_t>(i);
  }
  return -1;
}

void CopyName(const std::string& name, SFPathBuffer* buffer) {
  SFPathBuffer filled;
  FillPathBuffer(filled, name.c_str());
  std::memcpy(buffer, &filled, sizeof(filled));
}

// ---- general API ----

int32_t WINAPI GenGetNumDevs(uint16_t* count) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    *count = static_cast<uint16_t>(card.DeviceCount());
    return rcOk;
  });
}

int32_t WINAPI GenGetDevCaps(uint16_t index, SFDevCaps* caps) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    if (!ValidDevice(index)) return rcBadDevice;
    std::memset(caps, 0, sizeof(*caps));
    caps->structSize = sizeof(*caps);
    caps->deviceType = card.Device(index).config.kind == DeviceKind::TenK ? 1 : 0;
    const std::string& name = card.Device(index).config.name;
    std::memcpy(caps->name, name.data(), std::min(name.size(), sizeof(caps->name)));
    return rcOk;
  });
}

int32_t WINAPI GenOpen(uint16_t device) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    if (!ValidDevice(device)) return rcBadDevice;
    std::lock_guard<std::mutex> guard(card.Lock());
    card.Device(device).open = true;
    return rcOk;
  });
}

int32_t WINAPI GenClose(uint16_t device) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    if (!ValidDevice(device)) return rcBadDevice;
    std::lock_guard<std::mutex> guard(card.Lock());
    card.Device(device).open = false;
    return rcOk;
  });
}

int32_t OpenState(uint16_t device) {
  if (!ValidDevice(device)) return rcBadDevice;
  return card.Device(device).open ? rcOk : rcNotOpen;
}

int32_t WINAPI GenQueryMemory(uint16_t device, uint32_t* total, uint32_t* free) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    std::lock_guard<std::mutex> guard(card.Lock());
    if (int32_t state = OpenState(device)) return state;
    *total = static_cast<uint32_t>(card.Memory(device));
    *free = static_cast<uint32_t>(card.Free(device));
    return rcOk;
  });
}

const LoadCodes generalCodes = {rcNoFile,         rcDamagedFile,    rcDamagedWave,    rcNoPreset,
                                rcPresetDoesNotFit, rcWaveDoesNotFit, rcUnsupportedWave};

// What every general load does first: check the device and play the injected faults. 0 to go on.
int32_t GenLoadStart(uint16_t device, int32_t failure) {
  {
    std::lock_guard<std::mutex> guard(card.Lock());
    if (int32_t state = OpenState(device)) return state;
  }
  if (config.sfman.loadCrashes) FaultInsideLoad();
  return config.sfman.loadFails ? failure : rcOk;
}

int32_t WINAPI GenLoadPreset(uint16_t device, const SFLocation* source, const SFLocation* target,
                             const SFPathBuffer* file) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    if (int32_t refused = GenLoadStart(device, rcDamagedFile)) return refused;
    int32_t handle = 0;
    return LoadAnswer(
        card.LoadPreset(device, source->bank, source->program, target->bank, target->program, file->text, handle),
        false, generalCodes);
  });
}

int32_t WINAPI GenGetPresetName(uint16_t device, const SFLocation* location, SFPathBuffer* name) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    std::lock_guard<std::mutex> guard(card.Lock());
    if (int32_t state = OpenState(device)) return state;
    const int32_t at = card.Device(device).FindAt(location->bank, location->program);
    if (at < 0) return rcNothingThere;
    CopyName(card.Device(device).items[at].name, name);
    return rcOk;
  });
}

int32_t WINAPI GenClearPreset(uint16_t device, const SFLocation* location) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    std::lock_guard<std::mutex> guard(card.Lock());
    if (int32_t state = OpenState(device)) return state;
    if (busyLeft > 0) {
      --busyLeft;
      return rcBusy;
    }
    SimDevice& d = card.Device(device);
    const int32_t at = d.FindAt(location->bank, location->program);
    if (at < 0) return rcNothingThere;
    d.items.erase(d.items.begin() + at);
    return rcOk;
  });
}

int32_t WINAPI GenLoadWave(uint16_t device, const SFLocation* location, const SFPathBuffer* file) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    if (int32_t refused = GenLoadStart(device, rcDamagedWave)) return refused;
    int32_t handle = 0;
    return LoadAnswer(card.LoadWave(device, location->bank, location->program, file->text, handle), true,
                      generalCodes);
  });
}

int32_t WINAPI Unused() { return rcFailed; }

// ---- 10k-family API ----

int32_t WINAPI TenKQueryDevice(uint32_t device, uint32_t* total) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    std::lock_guard<std::mutex> guard(card.Lock());
    const int32_t d = TenKDevice(device);
    if (d < 0) return rcBadDevice;
    *total = static_cast<uint32_t>(card.Memory(d));
    return rcOk;
  });
}

int32_t WINAPI TenKQueryFree(uint32_t device, uint32_t, uint32_t* scratch, uint32_t* free) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    std::lock_guard<std::mutex> guard(card.Lock());
    const int32_t d = TenKDevice(device);
    if (d < 0) return rcBadDevice;
    *scratch = 0;
    *free = static_cast<uint32_t>(card.Free(d));
    return rcOk;
  });
}

int32_t WINAPI TenKClearItem(uint32_t device, int32_t handle) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    std::lock_guard<std::mutex> guard(card.Lock());
    const int32_t d = TenKDevice(device);
    if (d < 0) return rcBadDevice;
    SimDevice& dev = card.Device(d);
    const int32_t at = dev.FindHandle(handle);
    if (at < 0) return rcNothingThere;
    dev.items.erase(dev.items.begin() + at);
    return rcOk;
  });
}

// Items of a bank in the order they were loaded.
int32_t ItemOfBank(uint32_t device, uint16_t bank, size_t from, SF10kItem* item) {
  const int32_t d = TenKDevice(device);
  if (d < 0) return rcBadDevice;
  const SimDevice& dev = card.Device(d);
  for (size_t i = from; i < dev.items.size(); ++i) {
    if (dev.items[i].bank != bank) continue;
    item->handle = dev.items[i].handle;
    item->location = {dev.items[i].bank, dev.items[i].program};
    return rcOk;
  }
  return rcNothingThere;
}

int32_t WINAPI TenKFirstItem(uint32_t device, uint16_t bank, SF10kItem* item) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    std::lock_guard<std::mutex> guard(card.Lock());
    return ItemOfBank(device, bank, 0, item);
  });
}

int32_t WINAPI TenKNextItem(uint32_t device, int32_t previous, SF10kItem* item) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    std::lock_guard<std::mutex> guard(card.Lock());
    const int32_t d = TenKDevice(device);
    if (d < 0) return rcBadDevice;
    const int32_t at = card.Device(d).FindHandle(previous);
    if (at < 0) return rcNothingThere;
    return ItemOfBank(device, card.Device(d).items[at].bank, static_cast<size_t>(at) + 1, item);
  });
}

// What every 10k load does first: find the device and play the injected faults. 0 to go on.
int32_t TenKLoadStart(uint32_t device, int32_t& d) {
  {
    std::lock_guard<std::mutex> guard(card.Lock());
    d = TenKDevice(device);
  }
  if (d < 0) return rcBadDevice;
  if (config.sfman.loadCrashes) FaultInsideLoad();
  return config.sfman.loadFails ? rcFailed : rcOk;
}

int32_t WINAPI TenKLoadPreset(uint32_t device, const SFLocation* source, const SFLocation* target,
                              const SFPathBuffer* file, int32_t* handle) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    int32_t d = -1;
    if (int32_t refused = TenKLoadStart(device, d)) return refused;
    const LoadStatus status =
        card.LoadPreset(d, source->bank, source->program, target->bank, target->program, file->text, *handle);
    if (status != LoadStatus::Loaded) return rcFailed;
    NoteLoadedFile(file->text, target->bank, target->program);
    return rcOk;
  });
}

int32_t WINAPI TenKItemName(uint32_t device, int32_t handle, SFPathBuffer* name) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    std::lock_guard<std::mutex> guard(card.Lock());
    const int32_t d = TenKDevice(device);
    if (d < 0) return rcBadDevice;
    const int32_t at = card.Device(d).FindHandle(handle);
    if (at < 0) return rcNothingThere;
    CopyName(card.Device(d).items[at].name, name);
    return rcOk;
  });
}

// The 10k-family cards are known to fault on wave formats they do not play.
int32_t WINAPI TenKLoadWave(uint32_t device, const SFLocation* location, const SFPathBuffer* file) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    int32_t d = -1;
    if (int32_t refused = TenKLoadStart(device, d)) return refused;
    int32_t handle = 0;
    const LoadStatus status = card.LoadWave(d, location->bank, location->program, file->text, handle);
    if (status == LoadStatus::UnsupportedWave) FaultInsideLoad();
    if (status == LoadStatus::DoesNotFit) return rcTenKWaveDoesNotFit;
    if (status != LoadStatus::Loaded) return rcFailed;
    NoteLoadedFile(file->text, location->bank, location->program);
    return rcOk;
  });
}

void* generalTable[general::TableSlots];
void* tenKTable[tenk::TableSlots];

void Put(void** table, size_t offset, void* proc) { table[SlotIndex(offset)] = proc; }

void BuildTables() {
  for (void*& slot : generalTable) slot = reinterpret_cast<void*>(&Unused);
  for (void*& slot : tenKTable) slot = reinterpret_cast<void*>(&Unused);
  Put(generalTable, general::GetNumDevs, reinterpret_cast<void*>(&GenGetNumDevs));
  Put(generalTable, general::GetDevCaps, reinterpret_cast<void*>(&GenGetDevCaps));
  Put(generalTable, general::Open, reinterpret_cast<void*>(&GenOpen));
  Put(generalTable, general::Close, reinterpret_cast<void*>(&GenClose));
  Put(generalTable, general::QueryMemory, reinterpret_cast<void*>(&GenQueryMemory));
  Put(generalTable, general::LoadPreset, reinterpret_cast<void*>(&GenLoadPreset));
  Put(generalTable, general::GetPresetName, reinterpret_cast<void*>(&GenGetPresetName));
  Put(generalTable, general::ClearPreset, reinterpret_cast<void*>(&GenClearPreset));
  Put(generalTable, general::LoadWave, reinterpret_cast<void*>(&GenLoadWave));
  Put(tenKTable, tenk::QueryFree, reinterpret_cast<void*>(&TenKQueryFree));
  Put(tenKTable, tenk::ClearItem, reinterpret_cast<void*>(&TenKClearItem));
  Put(tenKTable, tenk::FirstItem, reinterpret_cast<void*>(&TenKFirstItem));
  Put(tenKTable, tenk::NextItem, reinterpret_cast<void*>(&TenKNextItem));
  Put(tenKTable, tenk::LoadPreset, reinterpret_cast<void*>(&TenKLoadPreset));
  Put(tenKTable, tenk::ItemName, reinterpret_cast<void*>(&TenKItemName));
  Put(tenKTable, tenk::LoadWave, reinterpret_cast<void*>(&TenKLoadWave));
  Put(tenKTable, tenk::QueryDevice, reinterpret_cast<void*>(&TenKQueryDevice));
}

bool Refused(uint32_t version) {
  for (uint32_t refused : config.sfman.refusedVersions) {
    if (refused == version) return true;
  }
  return false;
}

std::string RecordFile(const DriverRecord* record) {
  return std::string(record->fileName, strnlen(record->fileName, sizeof(record->fileName)));
}

}  // namespace

extern "C" {

int32_t __cdecl SFManager(uint32_t version, void** table) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    if (table == nullptr || Refused(version)) return rcFailed;
    if (version == GeneralApiVersion) {
      *table = generalTable;
    } else if (version == TenKApiVersion) {
      *table = tenKTable;
    } else {
      return rcFailed;
    }
    return rcOk;
  });
}

// Registered driver libraries are kept as their raw records, one value per file name.
int32_t __cdecl SF_RegisterDevice(const DriverRecord* record) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    if (config.sfman.registerFails || record == nullptr) return rcFailed;
    const std::string file = RecordFile(record);
    if (file.empty()) return rcBadDevice;
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\SoundFont\\Devices", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
      return rcFailed;
    }
    const LONG stored =
        RegSetValueExA(key, file.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(record), sizeof(*record));
    RegCloseKey(key);
    return stored == ERROR_SUCCESS ? rcOk : rcFailed;
  });
}

int32_t __cdecl SF_UnRegisterDevice(const DriverRecord* record) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    if (record == nullptr) return rcFailed;
    const std::string file = RecordFile(record);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\SoundFont\\Devices", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
      return rcNothingThere;
    }
    const LONG removed = RegDeleteValueA(key, file.c_str());
    RegCloseKey(key);
    return removed == ERROR_SUCCESS ? rcOk : rcNothingThere;
  });
}

// The cache limit of a device is its sample memory, which is the card's: every program sees it.
int32_t __cdecl SF_GetCacheLimit(uint16_t device, uint32_t* bytes) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    std::lock_guard<std::mutex> guard(card.Lock());
    if (!ValidDevice(device) || bytes == nullptr) return rcBadDevice;
    *bytes = static_cast<uint32_t>(card.Memory(device));
    return rcOk;
  });
}

int32_t __cdecl SF_SetCacheLimit(uint16_t device, uint32_t bytes) {
  return AnswerOrFail<int32_t>(rcFailed, [&]() -> int32_t {
    std::lock_guard<std::mutex> guard(card.Lock());
    if (!ValidDevice(device)) return rcBadDevice;
    card.SetMemory(device, bytes);
    return rcOk;
  });
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  // A library that cannot set itself up refuses to load.
  return AnswerOrFail<BOOL>(FALSE, [&]() -> BOOL {
    self = instance;
    config = ReadSimConfig(self);
    card.Reset(config.sfmanDevices, "Local\\tarnbel_simcard_SFMAN32");
    busyLeft = config.sfman.busyCount;
    BuildTables();
    for (const std::string& name : config.sfman.hiddenExports) HideExport(self, name.c_str());
    return TRUE;
  });
}

}  // extern "C"
