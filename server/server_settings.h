#pragma once
// TServerSettings: the server's settings from Software\tarnbel, read once at start-up (and on a
// settings reload) with their defaults written back where missing. The server's threads read
// them; the main window changes single values on the tools program's messages and never writes
// them back.
#include <cstdint>

class TAbstractSFDevice;
class TRegKey;

struct TServerSettings {
  int32_t CurrentRoute = 0;
  bool OverrideCacheSize = false;
  // Applied to SoundFont Manager device 0 only when OverrideCacheSize is on and such a device exists.
  uint32_t OverrideCacheSizeValue = 0;
  bool UseDefaultDrumPreset = true;
  bool UseDefaultMelodicBank = true;
  bool UnloadPresetIfUnused = true;
  int32_t UnloadTime = 300;  // seconds
  bool UnloadOrphanPreset = false;
  int32_t UnloadOrphanTime = 0;  // seconds
  bool ReloadOnFirstNote = false;
  bool RandomMapping = false;
  bool RandomDrumBank = false;
  bool RandomPresets = false;
  bool RandomBanks = false;
  bool RandomPrograms = false;
  bool DisableSoundFontDeviceInterface = false;
  int32_t APSDelay = 100;  // kept only
  bool SyncOperation = false;
  bool ImmediateChanges = true;
  bool RandomOnlyWinamp = true;
  bool WinampResetCache = true;
  bool AddBankNameToPresetName = false;  // kept only

  // Start-up: turn the routes on, start the tools program and show its windows.
  bool AutoStart = false;
  bool ShowControlPanel = false;
  bool ShowMonitor = false;
  bool ShowMappingsEditor = false;
  bool ShowPreferences = true;

  // Reads every value in the stored order. When "OverrideCacheSize" is on and the device (may be
  // null) has a SoundFont Manager device, "OverrideCacheSizeValue" is read with device 0's
  // current cache limit as default and becomes that device's limit.
  void Load(TRegKey& key, TAbstractSFDevice* device);

  // Any of the four Show values is on: the tools program must run.
  bool ShowsAnyWindow() const { return ShowControlPanel || ShowMonitor || ShowMappingsEditor || ShowPreferences; }
};
