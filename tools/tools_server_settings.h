#pragma once
// The server's settings as the tools program last read or set them, starting from the stored defaults.
// The preferences window reads them from the registry at its creation and keeps them current as the
// user changes them.
#include <cstdint>

#include "server_setting_defs.h"

struct TToolsServerSettings {
  bool UnloadPresetIfUnused = FlagDefault<server_setting::UnloadPresetIfUnused>();
  int32_t UnloadTime = IntegerDefault<server_setting::UnloadTime>();  // seconds
  bool UnloadOrphanPreset = FlagDefault<server_setting::UnloadOrphanPreset>();
  int32_t UnloadOrphanTime = IntegerDefault<server_setting::UnloadOrphanTime>();  // seconds
  bool UseDefaultMelodicBank = FlagDefault<server_setting::UseDefaultMelodicBank>();
  bool UseDefaultDrumPreset = FlagDefault<server_setting::UseDefaultDrumPreset>();
  bool ReloadOnFirstNote = FlagDefault<server_setting::ReloadOnFirstNote>();
  bool OverrideCacheSize = FlagDefault<server_setting::OverrideCacheSize>();
  uint32_t OverrideCacheSizeValue = IntegerDefault<server_setting::OverrideCacheSizeValue>();  // bytes
  bool WinampResetCache = FlagDefault<server_setting::WinampResetCache>();
  bool AddBankNameToPresetName = FlagDefault<server_setting::AddBankNameToPresetName>();
  bool DisableSoundFontDeviceInterface = FlagDefault<server_setting::DisableSoundFontDeviceInterface>();
  bool RandomMapping = FlagDefault<server_setting::RandomMapping>();
  bool RandomPresets = FlagDefault<server_setting::RandomPresets>();
  bool RandomDrumBank = FlagDefault<server_setting::RandomDrumBank>();
  bool RandomBanks = FlagDefault<server_setting::RandomBanks>();
  bool RandomPrograms = FlagDefault<server_setting::RandomPrograms>();
  bool RandomOnlyWinamp = FlagDefault<server_setting::RandomOnlyWinamp>();
};

extern TToolsServerSettings ToolsServerSettings;
