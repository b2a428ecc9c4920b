#pragma once
// TServerSettings: the server's settings from Software\tarnbel, read once at start-up (and on a
// settings reload) with their defaults written back where missing. The route threads and MIDI
// callbacks read them while the main thread changes single values on the tools program's
// messages (never writing them back): each value is atomic.
#include <atomic>
#include <cstdint>

#include "server_setting_defs.h"

class TAbstractSFDevice;

struct TServerSettings {
  std::atomic<int32_t> CurrentRoute{IntegerDefault<server_setting::CurrentRoute>()};
  std::atomic<bool> OverrideCacheSize{FlagDefault<server_setting::OverrideCacheSize>()};
  // Applied to SoundFont Manager device 0 only when OverrideCacheSize is on and such a device exists.
  std::atomic<uint32_t> OverrideCacheSizeValue{IntegerDefault<server_setting::OverrideCacheSizeValue>()};
  std::atomic<bool> UseDefaultDrumPreset{FlagDefault<server_setting::UseDefaultDrumPreset>()};
  std::atomic<bool> UseDefaultMelodicBank{FlagDefault<server_setting::UseDefaultMelodicBank>()};
  std::atomic<bool> UnloadPresetIfUnused{FlagDefault<server_setting::UnloadPresetIfUnused>()};
  std::atomic<int32_t> UnloadTime{IntegerDefault<server_setting::UnloadTime>()};
  std::atomic<bool> UnloadOrphanPreset{FlagDefault<server_setting::UnloadOrphanPreset>()};
  std::atomic<int32_t> UnloadOrphanTime{IntegerDefault<server_setting::UnloadOrphanTime>()};
  std::atomic<bool> ReloadOnFirstNote{FlagDefault<server_setting::ReloadOnFirstNote>()};
  std::atomic<bool> RandomMapping{FlagDefault<server_setting::RandomMapping>()};
  std::atomic<bool> RandomDrumBank{FlagDefault<server_setting::RandomDrumBank>()};
  std::atomic<bool> RandomPresets{FlagDefault<server_setting::RandomPresets>()};
  std::atomic<bool> RandomBanks{FlagDefault<server_setting::RandomBanks>()};
  std::atomic<bool> RandomPrograms{FlagDefault<server_setting::RandomPrograms>()};
  std::atomic<bool> DisableSoundFontDeviceInterface{FlagDefault<server_setting::DisableSoundFontDeviceInterface>()};
  std::atomic<int32_t> APSDelay{IntegerDefault<server_setting::APSDelay>()};  // kept only
  std::atomic<bool> SyncOperation{FlagDefault<server_setting::SyncOperation>()};
  std::atomic<bool> ImmediateChanges{FlagDefault<server_setting::ImmediateChanges>()};
  std::atomic<bool> RandomOnlyWinamp{FlagDefault<server_setting::RandomOnlyWinamp>()};
  std::atomic<bool> WinampResetCache{FlagDefault<server_setting::WinampResetCache>()};
  std::atomic<bool> AddBankNameToPresetName{FlagDefault<server_setting::AddBankNameToPresetName>()};  // kept only

  // Start-up: turn the routes on, start the tools program and show its windows.
  std::atomic<bool> AutoStart{FlagDefault<server_setting::AutoStart>()};
  std::atomic<bool> ShowControlPanel{FlagDefault<server_setting::ShowControlPanel>()};
  std::atomic<bool> ShowMonitor{FlagDefault<server_setting::ShowMonitor>()};
  std::atomic<bool> ShowMappingsEditor{FlagDefault<server_setting::ShowMappingsEditor>()};
  std::atomic<bool> ShowPreferences{FlagDefault<server_setting::ShowPreferences>()};

  // Reads every value in the stored order. When "OverrideCacheSize" is on and the device (may be
  // null) has a SoundFont Manager device, "OverrideCacheSizeValue" is read with device 0's
  // current cache limit as default and becomes that device's limit.
  void Load(TRegKey& key, TAbstractSFDevice* device);

  TServerSettings() = default;
  TServerSettings(const TServerSettings&) = delete;
  TServerSettings& operator=(const TServerSettings&) = delete;

  // Any of the four Show values is on: the tools program must run.
  bool ShowsAnyWindow() const { return ShowControlPanel || ShowMonitor || ShowMappingsEditor || ShowPreferences; }
};

// The program's one set, owned by the main thread.
extern TServerSettings ServerSettings;
