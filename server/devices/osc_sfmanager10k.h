#pragma once
// TOSC_SFManager10k: the 10k-family API (version 0x50000) of the SoundFont Manager library;
// serves the "SB Live!" devices. Loads hand back an item handle that clears give back.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

class TOSC_SFManager10k {
 public:
  TOSC_SFManager10k();
  ~TOSC_SFManager10k();
  TOSC_SFManager10k(const TOSC_SFManager10k&) = delete;
  TOSC_SFManager10k& operator=(const TOSC_SFManager10k&) = delete;

  int32_t LastResult() const { return FLastResult; }
  int32_t Device() const { return FDevice; }
  int32_t LoadCounter() const { return FLoadCounter; }

  int32_t GetNumDevs(int32_t& count);
  int32_t GetDeviceNames(std::vector<std::string>& names);
  void SetDevice(int32_t index) { FDevice = index; }
  int32_t QueryMemory(uint32_t& total, uint32_t& free);
  int32_t LoadPreset(int32_t sourceBank, int32_t sourcePreset, int32_t bank, int32_t program,
                     const std::string& file, int32_t& handle);
  // faulted: a processor fault ended the load (last result -1).
  int32_t LoadWave(int32_t bank, int32_t program, const std::string& file, bool& faulted);
  // The first loaded item at bank and program whose name query succeeds, or -1.
  int32_t FindHandle(int32_t bank, int32_t program);
  int32_t GetPresetName(int32_t bank, int32_t program, std::string& name);
  int32_t ClearPreset(int32_t bank, int32_t program, int32_t handle);
  int32_t ClearBank(int32_t bank);

  // The key under HKEY_LOCAL_MACHINE in which the library notes loaded files.
  static void DeleteFilesKey();

 private:
  bool Bound();
  void CountLoad();

  HMODULE FLibrary = nullptr;
  void* FEntry = nullptr;
  void* FApiTable = nullptr;
  int32_t FDevice = 0;
  int32_t FLoadCounter = 0;
  int32_t FLastResult = 1;
};
