#pragma once
// TServerSettings: the server's settings from Software\tarnbel, read once at start-up (and on a
// settings reload) with their defaults written back where missing. The route threads and MIDI
// callbacks read them while the main thread changes single values on the tools program's
// messages (never writing them back): each value is atomic.
#include <atomic>
#include <cstdint>

class TAbstractSFDevice;
class TRegKey;

struct TServerSettings {
  std::atomic<int32_t> CurrentRoute{0};
  std::atomic<bool> OverrideCacheSize{false};
  // Applied to SoundFont Manager device 0 only when OverrideCacheSize is on and such a device exists.
  std::atomic<uint32_t> OverrideCacheSizeValue{0};
  std::atomic<bool> UseDefaultDrumPreset{true};
  std::atomic<bool> UseDefaultMelodicBank{true};
  std::atomic<bool> UnloadPresetIfUnused{true};
  std::atomic<int32_t> UnloadTime{300};  // seconds
  std::atomic<bool> UnloadOrphanPreset{false};
  std::atomic<int32_t> UnloadOrphanTime{0};  // seconds
  std::atomic<bool> ReloadOnFirstNote{false};
  std::atomic<bool> RandomMapping{false};
  std::atomic<bool> RandomDrumBank{false};
  std::atomic<bool> RandomPresets{false};
  std::atomic<bool> RandomBanks{false};
  std::atomic<bool> RandomPrograms{false};
  std::atomic<bool> DisableSoundFontDeviceInterface{false};
  std::atomic<int32_t> APSDelay{100};  // kept only
  std::atomic<bool> SyncOperation{false};
  std::atomic<bool> ImmediateChanges{true};
  std::atomic<bool> RandomOnlyWinamp{true};
  std::atomic<bool> WinampResetCache{true};
  std::atomic<bool> AddBankNameToPresetName{false};  // kept only

  // Start-up: turn the routes on, start the tools program and show its windows.
  std::atomic<bool> AutoStart{false};
  std::atomic<bool> ShowControlPanel{false};
  std::atomic<bool> ShowMonitor{false};
  std::atomic<bool> ShowMappingsEditor{false};
  std::atomic<bool> ShowPreferences{true};

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
