#include "abstract_sf_device.h"

#include <windows.h>

#include <fstream>

#include "sf2_preset_walk.h"

namespace {
constexpr int32_t DrumBank = 32768;
constexpr int32_t BusyWhileClearing = 900;
// Clearing all on a SoundFont Manager device waits 10 ms before each retry of a busy slot; the
// retries of one clear-all share this budget, so a device that stays busy cannot hold it for hours.
constexpr int32_t ClearAllBusyRetries = 300;

bool FileSize(const std::string& file, uint64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

// The sample bytes that preset sourceBank:sourcePreset of an .sf2 file plays; false when the file
// cannot be read, lacks the preset or is damaged anywhere on the way to its samples.
bool PresetSampleBytes(const std::string& file, int32_t sourceBank, int32_t sourcePreset, uint64_t& bytes) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  TPresetSamples preset;
  if (WalkSf2Preset(in, static_cast<uint16_t>(sourceBank), static_cast<uint16_t>(sourcePreset), preset) !=
      TPresetWalkResult::Found)
    return false;
  bytes = preset.Bytes();
  return true;
}

// What a load takes of the sample memory: the preset's own sample bytes, or for a wave its whole file.
bool BytesNeeded(const std::string& file, bool wave, int32_t sourceBank, int32_t sourcePreset, uint64_t& bytes) {
  return wave ? FileSize(file, bytes) : PresetSampleBytes(file, sourceBank, sourcePreset, bytes);
}
}  // namespace

bool IsLiveName(const std::string& name) { return name.find("SB Live!") != std::string::npos; }
bool IsAPSName(const std::string& name) { return name.find("APS Synth") != std::string::npos; }

TAbstractSFDevice::TAbstractSFDevice() {
  F10k = std::make_unique<TOSC_SFManager10k>();
  FHas10k = F10k->LastResult() == 0;
  FAPS = std::make_unique<TAPSSFDevice>();
  FHasAPS = FAPS->LastResult() == 0;
  FSFManager = std::make_unique<TOSC_SFManager>();
  FHasSFManager = FSFManager->HasApi();
  FLastError = 0;
}

TAbstractSFDevice::~TAbstractSFDevice() {
  if (FOpened) Close();
}

bool TAbstractSFDevice::GetDeviceList(std::vector<std::string>& names, std::vector<SFDeviceRef>& refs) {
  names.clear();
  refs.clear();
  std::vector<std::string> found;
  if (FHas10k) {
    F10k->GetDeviceNames(found);
    for (size_t i = 0; i < found.size(); ++i) {
      names.push_back(found[i]);
      refs.push_back({sfk10k, static_cast<uint32_t>(i)});
    }
  }
  if (FHasAPS) {
    // Two devices per card: one entry per card, addressed by its second device.
    FAPS->GetDeviceNames(found, false);
    const size_t n = found.size();
    const size_t cards = n / 2 + (n % 2);
    for (size_t i = 0; i < cards; ++i) {
      std::string name = "APS";
      if (n > 2) name += std::string(" #") + static_cast<char>(48 + i);
      names.push_back(name);
      const uint32_t index = (2 * i + 1 == n) ? static_cast<uint32_t>(2 * i) : static_cast<uint32_t>(2 * i + 1);
      refs.push_back({sfkAPS, index});
    }
  }
  if (FHasSFManager) {
    FSFManager->GetDeviceNames(found, false);
    for (size_t i = 0; i < found.size(); ++i) {
      if (FHas10k && IsLiveName(found[i])) continue;
      if (FHasAPS && IsAPSName(found[i])) continue;
      names.push_back(found[i]);
      refs.push_back({sfkSFManager, static_cast<uint32_t>(i)});
    }
  }
  FLastError = 0;
  return true;
}

bool TAbstractSFDevice::GetDeviceNames(std::vector<std::string>& names) {
  std::vector<SFDeviceRef> refs;
  return GetDeviceList(names, refs);
}

int32_t TAbstractSFDevice::GetDeviceCount() {
  std::vector<std::string> names;
  GetDeviceNames(names);
  return static_cast<int32_t>(names.size());
}

bool TAbstractSFDevice::GetDeviceName(int32_t index, std::string& name) {
  std::vector<std::string> names;
  GetDeviceNames(names);
  if (index < 0 || index >= static_cast<int32_t>(names.size())) return false;
  name = names[index];
  return true;
}

bool TAbstractSFDevice::Open(int32_t index) {
  std::vector<std::string> names;
  std::vector<SFDeviceRef> refs;
  GetDeviceList(names, refs);
  if (index < 0 || index >= static_cast<int32_t>(refs.size())) {
    FLastError = 1;
    return false;
  }
  // A device left open in another back end would stay open for ever.
  if (FOpened) Close();
  const SFDeviceRef ref = refs[index];
  bool ok = false;
  switch (ref.kind) {
    case sfk10k:
      F10k->SetDevice(static_cast<int32_t>(ref.index));
      ok = true;
      break;
    case sfkAPS:
      ok = FAPS->Open(static_cast<int32_t>(ref.index)) == 0;
      break;
    case sfkSFManager:
      ok = FSFManager->Open(static_cast<int32_t>(ref.index)) == 0;
      break;
    default:
      break;
  }
  if (!ok) {
    FLastError = 1;
    return false;
  }
  FLastError = 0;
  FOpenIndex = static_cast<int32_t>(ref.index);
  FOpenKind = ref.kind;
  FOpened = true;
  return true;
}

bool TAbstractSFDevice::Close() {
  if (FOpenKind == sfkAPS) FAPS->Close();
  if (FOpenKind == sfkSFManager) FSFManager->Close();
  FOpenIndex = -1;
  FOpenKind = sfkNone;
  FOpened = false;
  FLastError = 0;
  return true;
}

bool TAbstractSFDevice::Finish(int32_t result) {
  FLastError = result;
  return FLastError == 0;
}

bool TAbstractSFDevice::NoDevice() {
  FLastError = 1;
  return false;
}

bool TAbstractSFDevice::APSBusy() {
  if (FAPS->Status(FOpenIndex) == 0) return false;
  FLastError = 202;
  return true;
}

// The 10k library answers 1 both for a full memory and for a load that failed for any other reason
// (a damaged file, a missing preset). Memory is believed to be the reason only when what the load
// needs is more than the free memory: the preset's own sample bytes, or for a wave its whole file.
void TAbstractSFDevice::CheckPlainTenKFailure(const std::string& file, bool wave, int32_t sourceBank,
                                              int32_t sourcePreset) {
  FPlainTenKFailure = false;
  if (F10k->LastResult() != 1) return;
  uint64_t needed = 0;
  const bool measured = BytesNeeded(file, wave, sourceBank, sourcePreset, needed);
  uint32_t total = 0, free = 0;
  FPlainTenKFailure = !measured || F10k->QueryMemory(total, free) != 0 || needed <= free;
}

bool TAbstractSFDevice::LoadPreset(int32_t sourceBank, int32_t sourcePreset, int32_t bank, int32_t program,
                                   const std::string& file, int32_t& handle) {
  handle = -1;
  FPlainTenKFailure = false;
  switch (CurrentKind()) {
    case sfk10k: {
      FUnsupportedWave = false;
      F10k->LoadPreset(sourceBank, sourcePreset, bank, program, file, handle);
      const int32_t result = F10k->LastResult();
      CheckPlainTenKFailure(file, false, sourceBank, sourcePreset);
      return Finish(result);
    }
    case sfkAPS:
      if (APSBusy()) return false;
      return Finish(FAPS->LoadPreset(sourceBank, sourcePreset, bank, program, file));
    case sfkSFManager:
      return Finish(FSFManager->LoadPreset(sourceBank, sourcePreset, bank, program, file));
    default:
      return NoDevice();
  }
}

bool TAbstractSFDevice::LoadWave(int32_t bank, int32_t program, const std::string& file, int32_t& handle) {
  handle = -1;
  FPlainTenKFailure = false;
  switch (CurrentKind()) {
    case sfk10k: {
      FUnsupportedWave = false;
      bool faulted = false;
      F10k->LoadWave(bank, program, file, faulted);
      if (faulted) {
        FUnsupportedWave = true;
        return Finish(-1);
      }
      const int32_t result = F10k->LastResult();
      if (result == 0) {
        handle = F10k->FindHandle(bank, program);
        return Finish(0);
      }
      CheckPlainTenKFailure(file, true, 0, 0);
      return Finish(result);
    }
    case sfkAPS:
      if (APSBusy()) return false;
      return Finish(FAPS->LoadWave(bank, program, file));
    case sfkSFManager:
      return Finish(FSFManager->LoadWave(bank, program, file));
    default:
      return NoDevice();
  }
}

bool TAbstractSFDevice::ClearPreset(int32_t bank, int32_t program, int32_t handle) {
  switch (CurrentKind()) {
    case sfk10k:
      return Finish(F10k->ClearPreset(bank, program, handle));
    case sfkAPS:
      if (APSBusy()) return false;
      return Finish(FAPS->ClearPreset(bank, program));
    case sfkSFManager:
      return Finish(FSFManager->ClearPreset(bank, program));
    default:
      return NoDevice();
  }
}

bool TAbstractSFDevice::ClearAll() {
  switch (CurrentKind()) {
    case sfk10k: {
      int32_t failure = 0;
      for (int32_t bank = 0; bank <= 128; ++bank) {
        const int32_t result = F10k->ClearBank(bank == 128 ? DrumBank : bank);
        if (result != 0 && failure == 0) failure = result;
      }
      return Finish(failure);
    }
    case sfkAPS:
      if (APSBusy()) return false;
      for (int32_t bank = 0; bank <= 128; ++bank) {
        for (int32_t program = 0; program < 128; ++program) {
          FAPS->ClearPreset(bank == 128 ? DrumBank : bank, program);
        }
      }
      return Finish(0);
    case sfkSFManager:
      ClearAllSFManager();
      return FLastError == 0;
    default:
      return NoDevice();
  }
}

// Slots are cleared only while the device holds anything at all. Only a busy answer (900) is
// waited for and retried; any other failure of a clear (an empty slot) goes straight on.
void TAbstractSFDevice::ClearAllSFManager() {
  int32_t retriesLeft = ClearAllBusyRetries;
  for (int32_t step = 0; step <= 128; ++step) {
    const int32_t bank = step == 0 ? DrumBank : step - 1;
    for (int32_t program = 0; program < 128; ++program) {
      uint32_t total = 0, free = 0;
      FLastError = FSFManager->QueryMemory(total, free);
      if (total == free) continue;
      FLastError = FSFManager->ClearPreset(bank, program);
      while (FLastError == BusyWhileClearing && retriesLeft > 0) {
        --retriesLeft;
        Sleep(10);
        FLastError = FSFManager->ClearPreset(bank, program);
      }
    }
  }
}

bool TAbstractSFDevice::QueryMemory(uint32_t& total, uint32_t& free) {
  total = free = 0;
  switch (CurrentKind()) {
    case sfk10k:
      return Finish(F10k->QueryMemory(total, free));
    case sfkAPS:
      return Finish(FAPS->QueryMemory(total, free));
    case sfkSFManager:
      return Finish(FSFManager->QueryMemory(total, free));
    default:
      return NoDevice();
  }
}

bool TAbstractSFDevice::ExceedsMemory(bool wave, int32_t sourceBank, int32_t sourcePreset, const std::string& file) {
  uint64_t needed = 0;
  uint32_t total = 0, free = 0;
  return BytesNeeded(file, wave, sourceBank, sourcePreset, needed) && QueryMemory(total, free) && needed > total;
}

bool TAbstractSFDevice::GetPresetName(int32_t bank, int32_t program, std::string& name) {
  name.clear();
  switch (CurrentKind()) {
    case sfk10k:
      return Finish(F10k->GetPresetName(bank, program, name));
    case sfkAPS:
      return Finish(FAPS->GetPresetName(bank, program, name));
    case sfkSFManager:
      return Finish(FSFManager->GetPresetName(bank, program, name));
    default:
      return NoDevice();
  }
}

bool TAbstractSFDevice::IsOutOfMemory(int32_t code) {
  switch (FOpenKind) {
    case sfk10k:
      if (code == 1) return !(FPlainTenKFailure && code == FLastError);
      return code == 104 || code == 105;
    case sfkAPS:
    case sfkSFManager:
      return code == 204 || code == 205;
    default:
      return NoDevice();
  }
}

bool TAbstractSFDevice::IsUnsupportedWave(int32_t code) {
  switch (FOpenKind) {
    case sfk10k:
      return FUnsupportedWave;
    case sfkAPS:
      return code == 107 || code == 108;
    case sfkSFManager:
      return code == 108 || code >= 901;
    default:
      return NoDevice();
  }
}

bool TAbstractSFDevice::IsRetryable(int32_t code) {
  switch (FOpenKind) {
    case sfk10k:
    case sfkSFManager:
      return false;
    case sfkAPS:
      return code == 201 || code == 202;
    default:
      return NoDevice();
  }
}

bool TAbstractSFDevice::HasSFManagerDevice() {
  if (!FHasSFManager) return false;
  uint16_t count = 0;
  return FSFManager->GetNumDevs(count) == 0 && count > 0;
}

bool TAbstractSFDevice::GetCacheLimit(uint32_t& bytes) {
  bytes = 0;
  if (!HasSFManagerDevice()) return NoDevice();
  return Finish(FSFManager->GetCacheLimit(0, bytes));
}

bool TAbstractSFDevice::SetCacheLimit(uint32_t bytes) {
  if (!HasSFManagerDevice()) return NoDevice();
  return Finish(FSFManager->SetCacheLimit(0, bytes));
}
