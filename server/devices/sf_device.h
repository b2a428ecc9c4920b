#pragma once
// TSFDevice: a device-manager library with one command entry point; TAPSSFDevice binds it to the
// E-mu APS card's manager. Each command's result is kept as the last result.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

class TSFDevice {
 public:
  TSFDevice(const std::string& libraryName, const std::string& entryName);
  virtual ~TSFDevice();
  TSFDevice(const TSFDevice&) = delete;
  TSFDevice& operator=(const TSFDevice&) = delete;

  int32_t LastResult() const { return FLastResult; }
  bool Opened() const { return FOpened; }
  int32_t OpenIndex() const { return FOpenIndex; }
  uint32_t DeviceHandle() const { return FDeviceHandle; }

  int32_t GetNumDevs(int32_t& count);
  int32_t GetDevCaps(int32_t index, std::string& name);
  int32_t GetDeviceNames(std::vector<std::string>& names, bool numbered);
  int32_t Open(int32_t index);
  int32_t Close();
  int32_t Status(int32_t index);
  int32_t GetPresetName(int32_t bank, int32_t program, std::string& name);
  int32_t QueryMemory(uint32_t& total, uint32_t& free);
  int32_t LoadPreset(int32_t sourceBank, int32_t sourcePreset, int32_t bank, int32_t program,
                     const std::string& file);
  int32_t ClearPreset(int32_t bank, int32_t program);
  int32_t LoadWave(int32_t bank, int32_t program, const std::string& file);

  // The drum-kit bank 32768 is addressed as bank 0, program 128 + p.
  static void ToDeviceLocation(int32_t bank, int32_t program, uint16_t& deviceBank, uint16_t& deviceProgram);

 private:
  int32_t Command(uint32_t handle, uint32_t command, UINT_PTR p1, UINT_PTR p2);
  int32_t GuardedCommand(uint32_t handle, uint32_t command, UINT_PTR p1, UINT_PTR p2);

  std::string FLibraryName;
  std::string FEntryName;
  HMODULE FLibrary = nullptr;
  void* FEntry = nullptr;
  int32_t FOpenIndex = -1;
  uint32_t FDeviceHandle = 0;
  bool FOpened = false;
  int32_t FLastResult = 1;
};

class TAPSSFDevice : public TSFDevice {
 public:
  TAPSSFDevice();
};
