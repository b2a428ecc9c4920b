#pragma once
// TOSC_SFManager: the general API (version 0x10001) of the SoundFont Manager library; serves
// every SoundFont Manager device. Each call keeps the library's result as the last result.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

class TOSC_SFManager {
 public:
  TOSC_SFManager();
  ~TOSC_SFManager();
  TOSC_SFManager(const TOSC_SFManager&) = delete;
  TOSC_SFManager& operator=(const TOSC_SFManager&) = delete;

  // The library and its API table were obtained: the facade counts the back end present.
  bool HasApi() const { return FApiTable != nullptr; }
  HMODULE Library() const { return FLibrary; }
  // Outcome of the binding: 0, 1 (no library), 500 (no export) or 501 (version refused).
  int32_t BindResult() const { return FBindResult; }
  int32_t LastResult() const { return FLastResult; }
  int32_t OpenDevice() const { return FOpenDevice; }
  bool Opened() const { return FOpened; }

  int32_t GetNumDevs(uint16_t& count);
  int32_t GetDevCaps(int32_t index, std::string& name);
  int32_t GetDeviceNames(std::vector<std::string>& names, bool numbered);
  int32_t Open(int32_t index);
  int32_t Close();
  int32_t QueryMemory(uint32_t& total, uint32_t& free);
  int32_t LoadPreset(int32_t sourceBank, int32_t sourcePreset, int32_t bank, int32_t program,
                     const std::string& file);
  int32_t GetPresetName(int32_t bank, int32_t program, std::string& name);
  int32_t ClearPreset(int32_t bank, int32_t program);
  int32_t LoadWave(int32_t bank, int32_t program, const std::string& file);

  // The AudioHQ cache limit of a device, through the library's two cache-limit exports;
  // 500 when the library has none.
  int32_t GetCacheLimit(int32_t device, uint32_t& bytes);
  int32_t SetCacheLimit(int32_t device, uint32_t bytes);

 private:
  int32_t NoApi();

  HMODULE FLibrary = nullptr;
  void* FEntry = nullptr;
  void* FApiTable = nullptr;
  int32_t FBindResult = 1;
  int32_t FOpenDevice = -1;
  bool FOpened = false;
  int32_t FLastResult = 0;
};

// Binds "SFMAN32.DLL" and asks its "SFManager" export for the table of one API version.
// Shared by both SoundFont Manager back ends; result 0, 1, 500 or 501.
int32_t BindSFManager(uint32_t version, HMODULE& library, void*& entry, void*& table);
