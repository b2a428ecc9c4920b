#pragma once
// TAbstractSFDevice: one view of the card's sample memory over the three back ends (10k-family
// SoundFont Manager, APS card manager, general SoundFont Manager): a merged device list, one open
// device, and one last-error code with the few error classes the manager thread acts on.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "osc_sfmanager.h"
#include "osc_sfmanager10k.h"
#include "sf_device.h"

#pragma pack(push, 1)
struct SFDeviceRef {
  uint8_t kind;  // 1 10k-family, 2 APS, 3 SoundFont Manager device
  uint32_t index;
};
#pragma pack(pop)
static_assert(sizeof(SFDeviceRef) == 5, "device reference is 5 bytes");

enum : uint8_t { sfkNone = 0, sfk10k = 1, sfkAPS = 2, sfkSFManager = 3 };

bool IsLiveName(const std::string& name);
bool IsAPSName(const std::string& name);

class TAbstractSFDevice {
 public:
  TAbstractSFDevice();
  ~TAbstractSFDevice();
  TAbstractSFDevice(const TAbstractSFDevice&) = delete;
  TAbstractSFDevice& operator=(const TAbstractSFDevice&) = delete;

  bool GetDeviceList(std::vector<std::string>& names, std::vector<SFDeviceRef>& refs);
  bool GetDeviceNames(std::vector<std::string>& names);
  int32_t GetDeviceCount();
  bool GetDeviceName(int32_t index, std::string& name);
  int32_t LastError() const { return FLastError; }

  bool Open(int32_t index);
  bool Close();

  bool LoadPreset(int32_t sourceBank, int32_t sourcePreset, int32_t bank, int32_t program, const std::string& file,
                  int32_t& handle);
  bool LoadWave(int32_t bank, int32_t program, const std::string& file, int32_t& handle);
  bool ClearPreset(int32_t bank, int32_t program, int32_t handle);
  bool ClearAll();
  bool QueryMemory(uint32_t& total, uint32_t& free);
  bool GetPresetName(int32_t bank, int32_t program, std::string& name);
  // The .sf2 preset's samples (or the wave file) are more than the open device's whole sample memory:
  // no eviction can make room for it. Sets the last error as QueryMemory does.
  bool ExceedsMemory(bool wave, int32_t sourceBank, int32_t sourcePreset, const std::string& file);

  bool IsOutOfMemory(int32_t code);
  bool IsUnsupportedWave(int32_t code);
  bool IsRetryable(int32_t code);

  // The AudioHQ cache limit of SoundFont Manager device 0, for the server's start and the
  // preferences; usable when HasSFManagerDevice holds.
  bool HasSFManagerDevice();
  bool GetCacheLimit(uint32_t& bytes);
  bool SetCacheLimit(uint32_t bytes);

  bool Opened() const { return FOpened; }
  bool Has10k() const { return FHas10k; }
  bool HasAPS() const { return FHasAPS; }
  bool HasSFManager() const { return FHasSFManager; }
  int32_t OpenIndex() const { return FOpenIndex; }
  uint8_t OpenKind() const { return FOpenKind; }
  bool UnsupportedWave() const { return FUnsupportedWave; }

 private:
  // The kind that device operations go to: none unless a device is open.
  uint8_t CurrentKind() const { return FOpened ? FOpenKind : static_cast<uint8_t>(sfkNone); }
  bool Finish(int32_t result);
  bool NoDevice();
  bool APSBusy();
  void CheckPlainTenKFailure(const std::string& file, bool wave, int32_t sourceBank, int32_t sourcePreset);
  void ClearAllSFManager();

  int32_t FLastError = 0;
  bool FOpened = false;
  bool FHas10k = false;
  bool FHasAPS = false;
  bool FHasSFManager = false;
  int32_t FOpenIndex = -1;
  uint8_t FOpenKind = sfkNone;
  bool FUnsupportedWave = false;
  // The last 10k load answered 1 although what it needs fits in the free memory: a plain failure.
  bool FPlainTenKFailure = false;
  std::unique_ptr<TOSC_SFManager10k> F10k;
  std::unique_ptr<TAPSSFDevice> FAPS;
  std::unique_ptr<TOSC_SFManager> FSFManager;
};
