#include "sim_card.h"

namespace simcard {

namespace {
int* volatile nowhere = nullptr;
}

void FaultInsideLoad() { *nowhere = 1; }

int32_t LoadAnswer(LoadStatus status, bool wave, const LoadCodes& codes) {
  switch (status) {
    case LoadStatus::Loaded: return 0;
    case LoadStatus::NoFile: return codes.noFile;
    case LoadStatus::Damaged: return wave ? codes.damagedWave : codes.damagedFile;
    case LoadStatus::NoPreset: return codes.noPreset;
    case LoadStatus::DoesNotFit: return wave ? codes.waveDoesNotFit : codes.presetDoesNotFit;
    case LoadStatus::UnsupportedWave: return codes.unsupportedWave;
  }
  return codes.damagedFile;
}

uint64_t SimDevice::Used() const {
  uint64_t used = 0;
  for (const SimItem& item : items) used += item.bytes;
  return used;
}

uint64_t SimCard::Free(size_t index) const {
  const uint64_t used = FDevices[index].Used();
  const uint64_t memory = Memory(index);
  return used >= memory ? 0 : memory - used;
}

int32_t SimDevice::FindAt(uint16_t bank, uint16_t program) const {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].bank == bank && items[i].program == program) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t SimDevice::FindHandle(int32_t handle) const {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].handle == handle) return static_cast<int32_t>(i);
  }
  return -1;
}

void SimCard::Reset(const std::vector<DeviceConfig>& devices, const std::string& sharedName) {
  std::lock_guard<std::mutex> guard(FLock);
  FDevices.clear();
  std::vector<uint64_t> sizes;
  for (const DeviceConfig& config : devices) {
    SimDevice device;
    device.config = config;
    FDevices.push_back(device);
    sizes.push_back(config.memory);
  }
  FSizes.Open(sharedName, sizes);
}

// The item that sits at the location gives its memory back to the new one.
LoadStatus SimCard::Place(size_t device, uint16_t bank, uint16_t program, const std::string& file,
                          const SampleSource& source, int32_t& handle) {
  auto fits = [&]() {
    const SimDevice& d = FDevices[device];
    const int32_t old = d.FindAt(bank, program);
    const uint64_t reusable = old >= 0 ? d.items[old].bytes : 0;
    return source.Bytes() <= Free(device) + reusable;
  };
  {
    std::lock_guard<std::mutex> guard(FLock);
    if (!fits()) return LoadStatus::DoesNotFit;
  }
  if (!ReadSampleData(file, source)) return LoadStatus::Damaged;
  std::lock_guard<std::mutex> guard(FLock);
  if (!fits()) return LoadStatus::DoesNotFit;
  SimDevice& d = FDevices[device];
  const int32_t old = d.FindAt(bank, program);
  if (old >= 0) d.items.erase(d.items.begin() + old);
  handle = FNextHandle++;
  d.items.push_back({handle, bank, program, source.name, source.Bytes()});
  return LoadStatus::Loaded;
}

LoadStatus SimCard::LoadPreset(size_t device, uint16_t sourceBank, uint16_t sourceProgram, uint16_t bank,
                               uint16_t program, const std::string& file, int32_t& handle) {
  handle = -1;
  SampleSource source;
  const LoadStatus measured = MeasureSf2Preset(file, sourceBank, sourceProgram, source);
  if (measured != LoadStatus::Loaded) return measured;
  return Place(device, bank, program, file, source, handle);
}

LoadStatus SimCard::LoadWave(size_t device, uint16_t bank, uint16_t program, const std::string& file,
                             int32_t& handle) {
  handle = -1;
  SampleSource source;
  const LoadStatus measured = MeasureWave(file, source);
  if (measured != LoadStatus::Loaded) return measured;
  return Place(device, bank, program, file, source, handle);
}

}  // namespace simcard
