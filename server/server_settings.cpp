#include "server_settings.h"

#include "abstract_sf_device.h"
#include "registry_internal.h"

TServerSettings ServerSettings;

void TServerSettings::Load(TRegKey& key, TAbstractSFDevice* device) {
  CurrentRoute = key.ReadInteger("CurrentRoute", 0);
  OverrideCacheSize = key.ReadBool("OverrideCacheSize", false);
  uint32_t limit = 0;
  if (OverrideCacheSize && device && device->HasSFManagerDevice() && device->GetCacheLimit(limit)) {
    // Stored as a signed registry integer; limits past 2 GB keep their bits.
    OverrideCacheSizeValue =
        static_cast<uint32_t>(key.ReadInteger("OverrideCacheSizeValue", static_cast<int32_t>(limit)));
    device->SetCacheLimit(OverrideCacheSizeValue);
  }
  UseDefaultDrumPreset = key.ReadBool("UseDefaultDrumPreset", true);
  UseDefaultMelodicBank = key.ReadBool("UseDefaultMelodicBank", true);
  UnloadPresetIfUnused = key.ReadBool("UnloadPresetIfUnused", true);
  UnloadTime = key.ReadInteger("UnloadTime", 300);
  UnloadOrphanPreset = key.ReadBool("UnloadOrphanPreset", false);
  UnloadOrphanTime = key.ReadInteger("UnloadOrphanTime", 0);
  ReloadOnFirstNote = key.ReadBool("ReloadOnFirstNote", false);
  RandomMapping = key.ReadBool("RandomMapping", false);
  RandomDrumBank = key.ReadBool("RandomDrumBank", false);
  RandomPresets = key.ReadBool("RandomPresets", false);
  RandomBanks = key.ReadBool("RandomBanks", false);
  RandomPrograms = key.ReadBool("RandomPrograms", false);
  DisableSoundFontDeviceInterface = key.ReadBool("DisableSoundFontDeviceInterface", false);
  APSDelay = key.ReadInteger("APSDelay", 100);
  SyncOperation = key.ReadBool("SyncOperation", false);
  ImmediateChanges = key.ReadBool("ImmediateChanges", true);
  RandomOnlyWinamp = key.ReadBool("RandomOnlyWinamp", true);
  WinampResetCache = key.ReadBool("WinampResetCache", true);
  AddBankNameToPresetName = key.ReadBool("AddBankNameToPresetName", false);

  AutoStart = key.ReadBool("AutoStart", false);
  ShowControlPanel = key.ReadBool("ShowControlPanel", false);
  ShowMonitor = key.ReadBool("ShowMonitor", false);
  ShowMappingsEditor = key.ReadBool("ShowMappingsEditor", false);
  ShowPreferences = key.ReadBool("ShowPreferences", true);
}
