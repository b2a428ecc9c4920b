#pragma once
// Settings of the simulated card, read from "simcard.ini" beside the stand-in library:
// its devices (kind, sample memory in bytes, name) and the faults to inject.
//
//   sfman.device=10k,33554432,SB Live! Synth A    devices of the SoundFont Manager (10k or general)
//   aps.device=16777216,APS Synth 1               devices of the APS card manager
//   sfman.refuse=0x50000                          API version the SoundFont Manager refuses
//   sfman.hide=SFManager                          export that the library does not offer
//   sfman.busy=3   aps.busy=3                     next N clears answer 900 / status answers busy
//   sfman.loadfail=1   aps.loadfail=1             every load fails
//   sfman.crash=1   aps.crash=1                   every load ends in a processor fault
//   sfman.registerfail=1                          driver registration is refused
//   sfedt.refuse=0x10000   sfedt.hide=SFEditEngine   the edit engine's version and export
//   sfedt.createfail=1   sfedt.importfail=1       new SoundFonts / wave imports are refused
//   sfedt.savefail=1                              saves fail midway, as on a full disk
//   sfedt.refuseload=1                            the edit engine refuses to load
//   sfedt.log=C:\path\calls.txt                   the edit engine appends its calls there
//
// Without sfman.device lines the card has one 10k-family device and one general device of
// 32 MB each; without aps.device lines the APS manager finds no card.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

namespace simcard {

enum class DeviceKind { TenK, General, APS };

struct DeviceConfig {
  DeviceKind kind;
  uint64_t memory;
  std::string name;
};

struct FaultConfig {
  std::vector<uint32_t> refusedVersions;
  std::vector<std::string> hiddenExports;
  int32_t busyCount = 0;
  bool loadFails = false;
  bool loadCrashes = false;
  bool registerFails = false;
  bool createFails = false;
  bool importFails = false;
  bool saveFails = false;
  bool refuseLoad = false;
};

struct SimConfig {
  std::vector<DeviceConfig> sfmanDevices;
  std::vector<DeviceConfig> apsDevices;
  FaultConfig sfman;
  FaultConfig aps;
  FaultConfig sfedt;
  std::string sfedtLog;
};

constexpr const char* ConfigFileName = "simcard.ini";
constexpr uint64_t DefaultMemory = 32u * 1024 * 1024;

// Parses the text of a config file; unknown lines are ignored.
SimConfig ParseSimConfig(const std::string& text);
// Reads the config beside the given module; a missing file gives the defaults.
SimConfig ReadSimConfig(HMODULE module);
// Full name of the config file beside the given module.
std::string ConfigPathBeside(HMODULE module);

}  // namespace simcard
