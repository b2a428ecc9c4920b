#pragma once
// The server's settings as the tools program last read or set them. The preferences window reads them
// from the registry at its creation and keeps them current as the user changes them.
#include <cstdint>

struct TToolsServerSettings {
  bool UnloadPresetIfUnused = true;
  int32_t UnloadTime = 300;  // seconds
  bool UnloadOrphanPreset = false;
  int32_t UnloadOrphanTime = 0;  // seconds
  bool UseDefaultMelodicBank = true;
  bool UseDefaultDrumPreset = true;
  bool ReloadOnFirstNote = false;
  bool OverrideCacheSize = false;
  uint32_t OverrideCacheSizeValue = 0;  // bytes
  bool WinampResetCache = true;
  bool AddBankNameToPresetName = false;
  bool DisableSoundFontDeviceInterface = false;
  bool RandomMapping = false;
  bool RandomPresets = false;
  bool RandomDrumBank = false;
  bool RandomBanks = false;
  bool RandomPrograms = false;
  bool RandomOnlyWinamp = true;
};

extern TToolsServerSettings ToolsServerSettings;
