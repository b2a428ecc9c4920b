// Stand-in for the E-mu APS card manager "EAPSMAN.DLL": one command entry over the simulated
// APS devices. Drum kit p arrives as bank 0, program 128 + p; memory is counted in 16-bit words.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "aps_api.h"
#include "export_guard.h"
#include "export_hiding.h"
#include "sim_card.h"
#include "sim_config.h"

using namespace aps;
using namespace simcard;

namespace {

enum : int32_t {
  rcOk = 0,
  rcFailed = 1,
  rcBadHandle = 2,
  rcBadIndex = 3,
  rcNothingThere = 4,
  rcUnknownCommand = 5,
  rcNoFile = 102,
  rcDamagedFile = 103,
  rcNoPreset = 106,
  rcUnsupportedWave = 107,
  rcDamagedWave = 108,
  rcPresetDoesNotFit = 204,
  rcWaveDoesNotFit = 205,
};

constexpr uint32_t HandleBase = 0x4150;  // device handles are this plus the device index

HMODULE self = nullptr;
SimConfig config;
SimCard card;
int32_t busyLeft = 0;

// Index of the open device a handle names, or -1.
int32_t DeviceOf(uint32_t handle) {
  if (handle < HandleBase || handle - HandleBase >= card.DeviceCount()) return -1;
  const int32_t index = static_cast<int32_t>(handle - HandleBase);
  return card.Device(index).open ? index : -1;
}

const LoadCodes apsCodes = {rcNoFile,           rcDamagedFile,    rcDamagedWave,    rcNoPreset,
                            rcPresetDoesNotFit, rcWaveDoesNotFit, rcUnsupportedWave};

uint32_t DeviceCommand(int32_t device, uint32_t command, UINT_PTR p1, UINT_PTR p2) {
  switch (command) {
    case CmdClose: {
      std::lock_guard<std::mutex> guard(card.Lock());
      card.Device(device).open = false;
      return rcOk;
    }
    case CmdStatus: {
      std::lock_guard<std::mutex> guard(card.Lock());
      if (busyLeft > 0) {
        --busyLeft;
        return 1;
      }
      return rcOk;
    }
    case CmdGetPresetName: {
      std::lock_guard<std::mutex> guard(card.Lock());
      auto* block = reinterpret_cast<APSPresetNameBlock*>(p2);
      std::memset(block, 0, sizeof(*block));
      const SimDevice& d = card.Device(device);
      const int32_t at = d.FindAt(LocationBank(p1), LocationProgram(p1));
      if (at < 0) return rcOk;  // the block tells that nothing is there
      block->found = 1;
      std::strncpy(block->name, d.items[at].name.c_str(), sizeof(block->name) - 1);
      return rcOk;
    }
    case CmdQueryMemory: {
      std::lock_guard<std::mutex> guard(card.Lock());
      *reinterpret_cast<uint32_t*>(p1) = static_cast<uint32_t>(card.Memory(device) / 2);
      *reinterpret_cast<uint32_t*>(p2) = static_cast<uint32_t>(card.Free(device) / 2);
      return rcOk;
    }
    case CmdLoadPreset: {
      const auto* load = reinterpret_cast<const APSPresetLoad*>(p1);
      if (config.aps.loadCrashes) FaultInsideLoad();
      if (config.aps.loadFails) return rcDamagedFile;
      const std::string file(load->file, strnlen(load->file, sizeof(load->file)));
      int32_t handle = 0;
      return LoadAnswer(
          card.LoadPreset(device, load->sourceBank, load->sourceProgram, load->bank, load->program, file, handle),
          false, apsCodes);
    }
    case CmdClearPreset: {
      std::lock_guard<std::mutex> guard(card.Lock());
      SimDevice& d = card.Device(device);
      const int32_t at = d.FindAt(LocationBank(p1), LocationProgram(p1));
      if (at < 0) return rcNothingThere;
      d.items.erase(d.items.begin() + at);
      return rcOk;
    }
    case CmdLoadWave: {
      const auto* load = reinterpret_cast<const APSWaveLoad*>(p1);
      if (config.aps.loadCrashes) FaultInsideLoad();
      if (config.aps.loadFails) return rcDamagedWave;
      const std::string file(load->file, strnlen(load->file, sizeof(load->file)));
      int32_t handle = 0;
      return LoadAnswer(card.LoadWave(device, load->bank, load->program, file, handle), true, apsCodes);
    }
    default:
      return rcUnknownCommand;
  }
}

uint32_t HandleCommand(uint32_t handle, uint32_t command, UINT_PTR p1, UINT_PTR p2) {
  switch (command) {
    case CmdGetNumDevs:
      *reinterpret_cast<uint16_t*>(p1) = static_cast<uint16_t>(card.DeviceCount());
      return rcOk;
    case CmdGetDevCaps: {
      if (p1 >= card.DeviceCount()) return rcBadIndex;
      auto* caps = reinterpret_cast<APSDevCaps*>(p2);
      std::memset(caps, 0, sizeof(*caps));
      const std::string& name = card.Device(p1).config.name;
      std::memcpy(caps->name, name.data(), std::min(name.size(), sizeof(caps->name)));
      return rcOk;
    }
    case CmdOpen: {
      if (p2 >= card.DeviceCount()) return rcBadIndex;
      std::lock_guard<std::mutex> guard(card.Lock());
      card.Device(p2).open = true;
      *reinterpret_cast<uint32_t*>(p1) = HandleBase + static_cast<uint32_t>(p2);
      return rcOk;
    }
    default: {
      int32_t device;
      {
        std::lock_guard<std::mutex> guard(card.Lock());
        device = DeviceOf(handle);
      }
      if (device < 0) return rcBadHandle;
      return DeviceCommand(device, command, p1, p2);
    }
  }
}

}  // namespace

extern "C" {

uint32_t WINAPI EmuAPSManager(uint32_t handle, uint32_t command, UINT_PTR p1, UINT_PTR p2) {
  return AnswerOrFail<uint32_t>(rcFailed, [&]() -> uint32_t { return HandleCommand(handle, command, p1, p2); });
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  // A library that cannot set itself up refuses to load.
  return AnswerOrFail<BOOL>(FALSE, [&]() -> BOOL {
    self = instance;
    config = ReadSimConfig(self);
    card.Reset(config.apsDevices, "Local\\tarnbel_simcard_EAPSMAN");
    busyLeft = config.aps.busyCount;
    for (const std::string& name : config.aps.hiddenExports) HideExport(self, name.c_str());
    return TRUE;
  });
}

}  // extern "C"
