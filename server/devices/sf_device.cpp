#include "sf_device.h"

#include <cstring>

#include "aps_api.h"
#include "device_names.h"
#include "vendor_fault_guard.h"
#include "vendor_library.h"

using namespace aps;

TSFDevice::TSFDevice(const std::string& libraryName, const std::string& entryName)
    : FLibraryName(libraryName), FEntryName(entryName) {
  FLibrary = LoadVendorLibrary(FLibraryName.c_str());
  if (FLibrary == nullptr) {
    FLastResult = 1;
    return;
  }
  FEntry = reinterpret_cast<void*>(GetProcAddress(FLibrary, FEntryName.c_str()));
  FLastResult = FEntry != nullptr ? 0 : 501;
}

TSFDevice::~TSFDevice() {
  if (FOpened) Close();
  if (FLibrary != nullptr) FreeLibrary(FLibrary);
}

void TSFDevice::ToDeviceLocation(int32_t bank, int32_t program, uint16_t& deviceBank, uint16_t& deviceProgram) {
  if (bank == 32768) {
    deviceBank = 0;
    deviceProgram = static_cast<uint16_t>(128 + program);
  } else {
    deviceBank = static_cast<uint16_t>(bank);
    deviceProgram = static_cast<uint16_t>(program);
  }
}

// Without the entry no command is made; the binding's result stays the answer.
int32_t TSFDevice::Command(uint32_t handle, uint32_t command, UINT_PTR p1, UINT_PTR p2) {
  if (FEntry == nullptr) return FLastResult;
  FLastResult = static_cast<int32_t>(reinterpret_cast<EntryProc>(FEntry)(handle, command, p1, p2));
  return FLastResult;
}

int32_t TSFDevice::GuardedCommand(uint32_t handle, uint32_t command, UINT_PTR p1, UINT_PTR p2) {
  if (FEntry == nullptr) return FLastResult;
  auto entry = reinterpret_cast<EntryProc>(FEntry);
  uint32_t result = 0;
  FLastResult = RunGuardedVendorCall([&] { result = entry(handle, command, p1, p2); }) ? static_cast<int32_t>(result)
                                                                                        : -1;
  return FLastResult;
}

int32_t TSFDevice::GetNumDevs(int32_t& count) {
  uint16_t answer = 0;
  GuardedCommand(0, CmdGetNumDevs, reinterpret_cast<UINT_PTR>(&answer), 0);
  count = FLastResult == 0 ? answer : 0;
  return FLastResult;
}

int32_t TSFDevice::GetDevCaps(int32_t index, std::string& name) {
  name.clear();
  APSDevCaps caps = {};
  if (Command(0, CmdGetDevCaps, static_cast<UINT_PTR>(index), reinterpret_cast<UINT_PTR>(&caps)) == 0) {
    name.assign(caps.name, strnlen(caps.name, sizeof(caps.name)));
  }
  return FLastResult;
}

int32_t TSFDevice::GetDeviceNames(std::vector<std::string>& names, bool numbered) {
  names.clear();
  int32_t count = 0;
  if (GetNumDevs(count) != 0) return FLastResult;
  CollectDeviceNames(count, numbered, names, [this](int32_t i, std::string& name) { return GetDevCaps(i, name); });
  return FLastResult;
}

int32_t TSFDevice::Open(int32_t index) {
  if (FEntry == nullptr) return FLastResult;
  int32_t count = 0;
  GetNumDevs(count);
  if (index < 0 || index >= count) return 502;
  if (FOpened) Close();
  uint32_t handle = 0;
  if (Command(0, CmdOpen, reinterpret_cast<UINT_PTR>(&handle), static_cast<UINT_PTR>(index)) == 0) {
    FDeviceHandle = handle;
    FOpenIndex = index;
    FOpened = true;
  }
  return FLastResult;
}

int32_t TSFDevice::Close() {
  Command(FDeviceHandle, CmdClose, 0, 0);
  FOpenIndex = -1;
  FOpened = false;
  FDeviceHandle = 0;
  return FLastResult;
}

int32_t TSFDevice::Status(int32_t index) { return Command(FDeviceHandle, CmdStatus, static_cast<UINT_PTR>(index), 0); }

int32_t TSFDevice::GetPresetName(int32_t bank, int32_t program, std::string& name) {
  name.clear();
  uint16_t deviceBank, deviceProgram;
  ToDeviceLocation(bank, program, deviceBank, deviceProgram);
  APSPresetNameBlock block = {};
  if (Command(FDeviceHandle, CmdGetPresetName, PackLocation(deviceBank, deviceProgram),
              reinterpret_cast<UINT_PTR>(&block)) == 0 &&
      block.found != 0) {
    name.assign(block.name, strnlen(block.name, sizeof(block.name)));
  }
  return FLastResult;
}

// The library counts memory in 16-bit words.
int32_t TSFDevice::QueryMemory(uint32_t& total, uint32_t& free) {
  uint32_t a = 0, b = 0;
  Command(FDeviceHandle, CmdQueryMemory, reinterpret_cast<UINT_PTR>(&a), reinterpret_cast<UINT_PTR>(&b));
  total = 2 * a;
  free = 2 * b;
  return FLastResult;
}

int32_t TSFDevice::LoadPreset(int32_t sourceBank, int32_t sourcePreset, int32_t bank, int32_t program,
                              const std::string& file) {
  APSPresetLoad load = {};
  load.sourceBank = static_cast<uint16_t>(sourceBank);
  load.sourceProgram = static_cast<uint16_t>(sourcePreset);
  ToDeviceLocation(bank, program, load.bank, load.program);
  strncpy(load.file, file.c_str(), FileChars);
  return GuardedCommand(FDeviceHandle, CmdLoadPreset, reinterpret_cast<UINT_PTR>(&load), 0);
}

int32_t TSFDevice::ClearPreset(int32_t bank, int32_t program) {
  uint16_t deviceBank, deviceProgram;
  ToDeviceLocation(bank, program, deviceBank, deviceProgram);
  return Command(FDeviceHandle, CmdClearPreset, PackLocation(deviceBank, deviceProgram), 0);
}

int32_t TSFDevice::LoadWave(int32_t bank, int32_t program, const std::string& file) {
  APSWaveLoad load = {};
  ToDeviceLocation(bank, program, load.bank, load.program);
  strncpy(load.file, file.c_str(), FileChars);
  return GuardedCommand(FDeviceHandle, CmdLoadWave, reinterpret_cast<UINT_PTR>(&load), 0);
}

TAPSSFDevice::TAPSSFDevice() : TSFDevice(LibraryName, EntryName) {}
