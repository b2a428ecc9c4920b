#pragma once
// The server's settings under Software\tarnbel: each value's name and default in one place, for the
// server that reads them at start and the tools program whose preferences window edits them.
#include <cstdint>

class TRegKey;

struct TServerSettingDef {
  const char* Name;
  int32_t Default;  // booleans: 0 or 1
};

namespace server_setting {
constexpr TServerSettingDef CurrentRoute{"CurrentRoute", 0};
constexpr TServerSettingDef OverrideCacheSize{"OverrideCacheSize", 0};
// Bytes; its default is the SoundFont Manager's limit at the time of reading, 0 without one.
constexpr TServerSettingDef OverrideCacheSizeValue{"OverrideCacheSizeValue", 0};
constexpr TServerSettingDef UseDefaultDrumPreset{"UseDefaultDrumPreset", 1};
constexpr TServerSettingDef UseDefaultMelodicBank{"UseDefaultMelodicBank", 1};
constexpr TServerSettingDef UnloadPresetIfUnused{"UnloadPresetIfUnused", 1};
constexpr TServerSettingDef UnloadTime{"UnloadTime", 300};  // seconds
constexpr TServerSettingDef UnloadOrphanPreset{"UnloadOrphanPreset", 0};
constexpr TServerSettingDef UnloadOrphanTime{"UnloadOrphanTime", 0};  // seconds
constexpr TServerSettingDef ReloadOnFirstNote{"ReloadOnFirstNote", 0};
constexpr TServerSettingDef RandomMapping{"RandomMapping", 0};
constexpr TServerSettingDef RandomDrumBank{"RandomDrumBank", 0};
constexpr TServerSettingDef RandomPresets{"RandomPresets", 0};
constexpr TServerSettingDef RandomBanks{"RandomBanks", 0};
constexpr TServerSettingDef RandomPrograms{"RandomPrograms", 0};
constexpr TServerSettingDef DisableSoundFontDeviceInterface{"DisableSoundFontDeviceInterface", 0};
constexpr TServerSettingDef APSDelay{"APSDelay", 100};
constexpr TServerSettingDef SyncOperation{"SyncOperation", 0};
constexpr TServerSettingDef ImmediateChanges{"ImmediateChanges", 1};
constexpr TServerSettingDef RandomOnlyWinamp{"RandomOnlyWinamp", 1};
constexpr TServerSettingDef WinampResetCache{"WinampResetCache", 1};
constexpr TServerSettingDef AddBankNameToPresetName{"AddBankNameToPresetName", 0};
constexpr TServerSettingDef AutoStart{"AutoStart", 0};
constexpr TServerSettingDef ShowControlPanel{"ShowControlPanel", 0};
constexpr TServerSettingDef ShowMonitor{"ShowMonitor", 0};
constexpr TServerSettingDef ShowMappingsEditor{"ShowMappingsEditor", 0};
constexpr TServerSettingDef ShowPreferences{"ShowPreferences", 1};
}  // namespace server_setting

// Typed reads that write the default back where the value is missing or damaged.
int32_t ReadSetting(TRegKey& key, const TServerSettingDef& setting);
bool ReadSettingFlag(TRegKey& key, const TServerSettingDef& setting);
