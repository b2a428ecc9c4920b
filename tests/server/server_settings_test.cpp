#include "server_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "abstract_sf_device.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "standin_support.h"
#include "stored_settings.h"
#include "tarnbel_func.h"

using namespace testsupport;

namespace {

class ServerSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTarnbelKey(); }
  void TearDown() override { ResetTarnbelKey(); }
};

uint32_t StoredDword(const std::string& name) {
  RawValue value = ReadRaw(TarnbelKeyPath, name);
  EXPECT_TRUE(value.found) << name;
  uint32_t result = 0;
  if (value.found && value.data.size() == 4) memcpy(&result, value.data.data(), 4);
  return result;
}

}  // namespace

TEST_F(ServerSettingsTest, FreshProfileGetsEveryDefaultWrittenBack) {
  TServerSettings settings;
  {
    TRegKey key(TarnbelKeyPath, true);
    settings.Load(key, nullptr);
  }
  EXPECT_EQ(settings.UnloadTime.load(), 300);
  EXPECT_TRUE(settings.ShowPreferences.load());
  EXPECT_TRUE(settings.ShowsAnyWindow());
  EXPECT_EQ(StoredDword("UnloadTime"), 300u);
  EXPECT_EQ(StoredDword("APSDelay"), 100u);
  EXPECT_EQ(StoredDword("ImmediateChanges"), 1u);
  EXPECT_EQ(StoredDword("RandomOnlyWinamp"), 1u);
  EXPECT_EQ(StoredDword("AutoStart"), 0u);
  EXPECT_EQ(StoredDword("ShowPreferences"), 1u);
  EXPECT_EQ(StoredDword("AddBankNameToPresetName"), 0u);
  // Without the override the manager's limit is neither read nor stored.
  EXPECT_FALSE(ValueExists(TarnbelKeyPath, "OverrideCacheSizeValue"));
  EXPECT_EQ(StoredSettingsDifferences({}, {"OverrideCacheSizeValue"}), std::vector<std::string>{});
}

TEST_F(ServerSettingsTest, StoredValuesReachTheirFields) {
  // Every default flipped, so a misspelt value name shows as a field keeping its default.
  const std::vector<std::string> flipped = {"OverrideCacheSize",       "UseDefaultDrumPreset",
                                            "UseDefaultMelodicBank",   "UnloadPresetIfUnused",
                                            "UnloadOrphanPreset",      "ReloadOnFirstNote",
                                            "RandomMapping",           "RandomDrumBank",
                                            "RandomPresets",           "RandomBanks",
                                            "RandomPrograms",          "DisableSoundFontDeviceInterface",
                                            "SyncOperation",           "ImmediateChanges",
                                            "RandomOnlyWinamp",        "WinampResetCache",
                                            "AddBankNameToPresetName", "AutoStart",
                                            "ShowControlPanel",        "ShowMonitor",
                                            "ShowMappingsEditor",      "ShowPreferences"};
  TServerSettings defaults;
  {
    TRegKey key(TarnbelKeyPath, true);
    defaults.Load(key, nullptr);
    for (const std::string& name : flipped) key.WriteBool(name, !key.ReadBool(name, false));
    key.WriteInteger("CurrentRoute", 3);
    key.WriteInteger("UnloadTime", 7);
    key.WriteInteger("UnloadOrphanTime", 11);
    key.WriteInteger("APSDelay", 13);
  }
  TServerSettings settings;
  TRegKey key(TarnbelKeyPath, true);
  settings.Load(key, nullptr);
  const std::atomic<bool> TServerSettings::*flags[] = {
      &TServerSettings::OverrideCacheSize,       &TServerSettings::UseDefaultDrumPreset,
      &TServerSettings::UseDefaultMelodicBank,   &TServerSettings::UnloadPresetIfUnused,
      &TServerSettings::UnloadOrphanPreset,      &TServerSettings::ReloadOnFirstNote,
      &TServerSettings::RandomMapping,           &TServerSettings::RandomDrumBank,
      &TServerSettings::RandomPresets,           &TServerSettings::RandomBanks,
      &TServerSettings::RandomPrograms,          &TServerSettings::DisableSoundFontDeviceInterface,
      &TServerSettings::SyncOperation,           &TServerSettings::ImmediateChanges,
      &TServerSettings::RandomOnlyWinamp,        &TServerSettings::WinampResetCache,
      &TServerSettings::AddBankNameToPresetName, &TServerSettings::AutoStart,
      &TServerSettings::ShowControlPanel,        &TServerSettings::ShowMonitor,
      &TServerSettings::ShowMappingsEditor,      &TServerSettings::ShowPreferences};
  ASSERT_EQ(std::size(flags), flipped.size());
  for (size_t i = 0; i < flipped.size(); ++i)
    EXPECT_NE((settings.*flags[i]).load(), (defaults.*flags[i]).load()) << flipped[i];
  EXPECT_EQ(settings.CurrentRoute.load(), 3);
  EXPECT_EQ(settings.UnloadTime.load(), 7);
  EXPECT_EQ(settings.UnloadOrphanTime.load(), 11);
  EXPECT_EQ(settings.APSDelay.load(), 13);
}

TEST_F(ServerSettingsTest, CacheSizeOverrideDefaultsToTheManagersLimitAndIsApplied) {
  StandinConfig config("");
  TAbstractSFDevice device;
  ASSERT_TRUE(device.HasSFManagerDevice());
  uint32_t original = 0;
  ASSERT_TRUE(device.GetCacheLimit(original));
  {
    TRegKey key(TarnbelKeyPath, true);
    key.WriteBool("OverrideCacheSize", true);
    TServerSettings settings;
    settings.Load(key, &device);
    EXPECT_EQ(settings.OverrideCacheSizeValue.load(), original);
  }
  EXPECT_EQ(StoredDword("OverrideCacheSizeValue"), original);

  uint32_t wanted = original / 2 + 4096;
  {
    TRegKey key(TarnbelKeyPath, true);
    key.WriteInteger("OverrideCacheSizeValue", static_cast<int32_t>(wanted));
    TServerSettings settings;
    settings.Load(key, &device);
  }
  uint32_t limit = 0;
  ASSERT_TRUE(device.GetCacheLimit(limit));
  EXPECT_EQ(limit, wanted);
  device.SetCacheLimit(original);
}
