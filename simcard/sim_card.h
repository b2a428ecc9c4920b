#pragma once
// The simulated card: devices with a fixed sample memory and the items loaded into them. The
// memory sizes are the card's own (shared by all processes); the items are this process's loads.
// A load measures the real preset (or wave) in its file, refuses it when its sample bytes do not
// fit, reads the sample data as a card's transfer would, and charges the bytes to the device.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sample_source.h"
#include "shared_memory_sizes.h"
#include "sim_config.h"

namespace simcard {

struct SimItem {
  int32_t handle;
  uint16_t bank;
  uint16_t program;
  std::string name;
  uint64_t bytes;
};

struct SimDevice {
  DeviceConfig config;
  bool open = false;
  std::vector<SimItem> items;

  uint64_t Used() const;
  // Index of the item at bank and program, or -1.
  int32_t FindAt(uint16_t bank, uint16_t program) const;
  int32_t FindHandle(int32_t handle) const;
};

// The result codes one library gives for the outcomes of a load.
struct LoadCodes {
  int32_t noFile, damagedFile, damagedWave, noPreset, presetDoesNotFit, waveDoesNotFit, unsupportedWave;
};
int32_t LoadAnswer(LoadStatus status, bool wave, const LoadCodes& codes);

// A processor fault as a vendor library makes it; callers make it outside the card lock.
void FaultInsideLoad();

class SimCard {
 public:
  // sharedName names the section that holds the memory sizes for every process.
  void Reset(const std::vector<DeviceConfig>& devices, const std::string& sharedName);

  // Every access to the devices and their items goes under this lock.
  std::mutex& Lock() { return FLock; }
  size_t DeviceCount() const { return FDevices.size(); }
  SimDevice& Device(size_t index) { return FDevices[index]; }
  // The device's sample memory; the cache limit changes it.
  uint64_t Memory(size_t index) const { return FSizes.Get(index); }
  void SetMemory(size_t index, uint64_t bytes) { FSizes.Set(index, bytes); }
  uint64_t Free(size_t index) const;

  // A new item at bank/program replaces the one that sat there.
  LoadStatus LoadPreset(size_t device, uint16_t sourceBank, uint16_t sourceProgram, uint16_t bank, uint16_t program,
                        const std::string& file, int32_t& handle);
  LoadStatus LoadWave(size_t device, uint16_t bank, uint16_t program, const std::string& file, int32_t& handle);

 private:
  LoadStatus Place(size_t device, uint16_t bank, uint16_t program, const std::string& file,
                   const SampleSource& source, int32_t& handle);

  std::mutex FLock;
  std::vector<SimDevice> FDevices;
  SharedMemorySizes FSizes;
  int32_t FNextHandle = 1;
};

}  // namespace simcard
