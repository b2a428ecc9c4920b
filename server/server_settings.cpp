#include "server_settings.h"

#include "abstract_sf_device.h"
#include "registry_internal.h"
#include "server_setting_defs.h"

TServerSettings ServerSettings;

void TServerSettings::Load(TRegKey& key, TAbstractSFDevice* device) {
  CurrentRoute = ReadSetting(key, server_setting::CurrentRoute);
  OverrideCacheSize = ReadSettingFlag(key, server_setting::OverrideCacheSize);
  uint32_t limit = 0;
  if (OverrideCacheSize && device && device->HasSFManagerDevice() && device->GetCacheLimit(limit)) {
    // Stored as a signed registry integer; limits past 2 GB keep their bits.
    OverrideCacheSizeValue =
        static_cast<uint32_t>(key.ReadInteger(server_setting::OverrideCacheSizeValue.Name, static_cast<int32_t>(limit)));
    device->SetCacheLimit(OverrideCacheSizeValue);
  }
  UseDefaultDrumPreset = ReadSettingFlag(key, server_setting::UseDefaultDrumPreset);
  UseDefaultMelodicBank = ReadSettingFlag(key, server_setting::UseDefaultMelodicBank);
  UnloadPresetIfUnused = ReadSettingFlag(key, server_setting::UnloadPresetIfUnused);
  UnloadTime = ReadSetting(key, server_setting::UnloadTime);
  UnloadOrphanPreset = ReadSettingFlag(key, server_setting::UnloadOrphanPreset);
  UnloadOrphanTime = ReadSetting(key, server_setting::UnloadOrphanTime);
  ReloadOnFirstNote = ReadSettingFlag(key, server_setting::ReloadOnFirstNote);
  RandomMapping = ReadSettingFlag(key, server_setting::RandomMapping);
  RandomDrumBank = ReadSettingFlag(key, server_setting::RandomDrumBank);
  RandomPresets = ReadSettingFlag(key, server_setting::RandomPresets);
  RandomBanks = ReadSettingFlag(key, server_setting::RandomBanks);
  RandomPrograms = ReadSettingFlag(key, server_setting::RandomPrograms);
  DisableSoundFontDeviceInterface = ReadSettingFlag(key, server_setting::DisableSoundFontDeviceInterface);
  APSDelay = ReadSetting(key, server_setting::APSDelay);
  SyncOperation = ReadSettingFlag(key, server_setting::SyncOperation);
  ImmediateChanges = ReadSettingFlag(key, server_setting::ImmediateChanges);
  RandomOnlyWinamp = ReadSettingFlag(key, server_setting::RandomOnlyWinamp);
  WinampResetCache = ReadSettingFlag(key, server_setting::WinampResetCache);
  AddBankNameToPresetName = ReadSettingFlag(key, server_setting::AddBankNameToPresetName);

  AutoStart = ReadSettingFlag(key, server_setting::AutoStart);
  ShowControlPanel = ReadSettingFlag(key, server_setting::ShowControlPanel);
  ShowMonitor = ReadSettingFlag(key, server_setting::ShowMonitor);
  ShowMappingsEditor = ReadSettingFlag(key, server_setting::ShowMappingsEditor);
  ShowPreferences = ReadSettingFlag(key, server_setting::ShowPreferences);
}
