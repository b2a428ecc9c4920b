#pragma once
// The server's settings under Software\tarnbel, declared once: each value's stored name, its type and
// its default. The server reads them all at start (writing the missing ones back), its routes take their
// share, and the tools program's preferences window reads and writes the same values.
#include <cstdint>
#include <climits>

class TRegKey;

// Both kinds are stored as a DWORD; a flag is 0 or 1.
enum class TSettingType { Flag, Integer };

struct TServerSettingDef {
  const char* Name;
  TSettingType Type;
  int32_t Default;
  // An integer outside [Min, Max] is damage and reads as the default.
  int32_t Min = INT32_MIN;
  int32_t Max = INT32_MAX;
};

// (name, type, default, least, greatest) in the order the server reads them at start; the name is the stored
// value's. OverrideCacheSizeValue (bytes) is read only while OverrideCacheSize is on, with the SoundFont
// Manager's current limit as its default; 0 stands where there is no manager; limits past 2 GB are stored
// negative. The times are seconds, at most what the preferences set (10000 minutes, 60000 seconds).
#define TARNBEL_SERVER_SETTINGS(X)                              \
  X(CurrentRoute, Integer, 0, 0, INT32_MAX)                     \
  X(OverrideCacheSize, Flag, 0, 0, 1)                           \
  X(OverrideCacheSizeValue, Integer, 0, INT32_MIN, INT32_MAX)   \
  X(UseDefaultDrumPreset, Flag, 1, 0, 1)                        \
  X(UseDefaultMelodicBank, Flag, 1, 0, 1)                       \
  X(UnloadPresetIfUnused, Flag, 1, 0, 1)                        \
  X(UnloadTime, Integer, 300, 0, 600000)                        \
  X(UnloadOrphanPreset, Flag, 0, 0, 1)                          \
  X(UnloadOrphanTime, Integer, 0, 0, 60000)                     \
  X(ReloadOnFirstNote, Flag, 0, 0, 1)                           \
  X(RandomMapping, Flag, 0, 0, 1)                               \
  X(RandomDrumBank, Flag, 0, 0, 1)                              \
  X(RandomPresets, Flag, 0, 0, 1)                               \
  X(RandomBanks, Flag, 0, 0, 1)                                 \
  X(RandomPrograms, Flag, 0, 0, 1)                              \
  X(DisableSoundFontDeviceInterface, Flag, 0, 0, 1)             \
  X(APSDelay, Integer, 100, 0, INT32_MAX)                       \
  X(SyncOperation, Flag, 0, 0, 1)                               \
  X(ImmediateChanges, Flag, 1, 0, 1)                            \
  X(RandomOnlyWinamp, Flag, 1, 0, 1)                            \
  X(WinampResetCache, Flag, 1, 0, 1)                            \
  X(AddBankNameToPresetName, Flag, 0, 0, 1)                     \
  X(AutoStart, Flag, 0, 0, 1)                                   \
  X(ShowControlPanel, Flag, 0, 0, 1)                            \
  X(ShowMonitor, Flag, 0, 0, 1)                                 \
  X(ShowMappingsEditor, Flag, 0, 0, 1)                          \
  X(ShowPreferences, Flag, 1, 0, 1)

namespace server_setting {

#define TARNBEL_SETTING_DEF(name, type, fallback, least, greatest) \
  inline constexpr TServerSettingDef name{#name, TSettingType::type, fallback, least, greatest};
TARNBEL_SERVER_SETTINGS(TARNBEL_SETTING_DEF)
#undef TARNBEL_SETTING_DEF

// The whole table, in the order above.
#define TARNBEL_SETTING_ENTRY(name, type, fallback, least, greatest) &name,
inline constexpr const TServerSettingDef* All[] = {TARNBEL_SERVER_SETTINGS(TARNBEL_SETTING_ENTRY)};
#undef TARNBEL_SETTING_ENTRY

}  // namespace server_setting

// A field's starting value from the table; a flag field bound to an integer setting, or the other way
// round, does not compile.
template <const TServerSettingDef& Setting>
constexpr bool FlagDefault() {
  static_assert(Setting.Type == TSettingType::Flag, "this setting is not a flag");
  static_assert(Setting.Default == 0 || Setting.Default == 1, "a flag's default is 0 or 1");
  return Setting.Default != 0;
}

template <const TServerSettingDef& Setting>
constexpr int32_t IntegerDefault() {
  static_assert(Setting.Type == TSettingType::Integer, "this setting is not an integer");
  return Setting.Default;
}

// Typed reads: the default where the value is missing or damaged (written back where it is missing or of the
// wrong type; a value out of range is left as it is), and the writes.
int32_t ReadSetting(TRegKey& key, const TServerSettingDef& setting);
bool ReadSettingFlag(TRegKey& key, const TServerSettingDef& setting);
void WriteSetting(TRegKey& key, const TServerSettingDef& setting, int32_t value);
void WriteSettingFlag(TRegKey& key, const TServerSettingDef& setting, bool value);
