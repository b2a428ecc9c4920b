#pragma once
// The simulated card: devices with a fixed sample memory and the items loaded into them.
// A load measures the real preset (or wave) in its file, refuses it when its sample bytes do not
// fit, reads the sample data as a card's transfer would, and charges the bytes to the device.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sample_source.h"
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
  uint64_t memory = 0;  // the device's sample memory; the cache limit changes it
  bool open = false;
  std::vector<SimItem> items;

  uint64_t Used() const;
  uint64_t Free() const;
  // Index of the item at bank and program, or -1.
  int32_t FindAt(uint16_t bank, uint16_t program) const;
  int32_t FindHandle(int32_t handle) const;
};

// The result codes one library gives for the outcomes of a load.
struct LoadCodes {
  int32_t noFile, damagedFile, damagedWave, noPreset, presetDoesNotFit, waveDoesNotFit, unsupportedWave;
};
int32_t LoadAnswer(LoadStatus status, bool wave, const LoadCodes& codes);

class SimCard {
 public:
  void Reset(const std::vector<DeviceConfig>& devices);

  // Every access to the devices and their items goes under this lock.
  std::mutex& Lock() { return FLock; }
  size_t DeviceCount() const { return FDevices.size(); }
  SimDevice& Device(size_t index) { return FDevices[index]; }

  // A new item at bank/program replaces the one that sat there.
  LoadStatus LoadPreset(size_t device, uint16_t sourceBank, uint16_t sourceProgram, uint16_t bank, uint16_t program,
                        const std::string& file, int32_t& handle);
  LoadStatus LoadWave(size_t device, uint16_t bank, uint16_t program, const std::string& file, int32_t& handle);

 private:
  LoadStatus Place(size_t device, uint16_t bank, uint16_t program, const std::string& file,
                   const SampleSource& source, int32_t& handle);

  std::mutex FLock;
  std::vector<SimDevice> FDevices;
  int32_t FNextHandle = 1;
};

}  // namespace simcard
