// The card's config text.
#include <gtest/gtest.h>

#include "sim_config.h"

using namespace simcard;

TEST(SimConfig, DefaultsWithoutDeviceLines) {
  const SimConfig config = ParseSimConfig("# nothing but a comment\naps.busy=2\n");
  ASSERT_EQ(config.sfmanDevices.size(), 2u);
  EXPECT_EQ(config.sfmanDevices[0].kind, DeviceKind::TenK);
  EXPECT_NE(config.sfmanDevices[0].name.find("SB Live!"), std::string::npos);
  EXPECT_EQ(config.sfmanDevices[1].kind, DeviceKind::General);
  EXPECT_EQ(config.sfmanDevices[0].memory, 32u * 1024 * 1024);
  EXPECT_EQ(config.sfmanDevices[1].memory, 32u * 1024 * 1024);
  EXPECT_TRUE(config.apsDevices.empty());
  EXPECT_EQ(config.aps.busyCount, 2);
  EXPECT_EQ(config.sfman.busyCount, 0);
}

TEST(SimConfig, DevicesAndFaults) {
  const SimConfig config = ParseSimConfig(
      "sfman.device = general, 0x100000, Synth, with comma\r\n"
      "sfman.device=bogus,1,ignored\n"
      "aps.device=4096,APS Synth 1\n"
      "sfman.refuse=0x50000\n"
      "sfman.refuse=65537\n"
      "sfman.hide=SF_RegisterDevice\n"
      "sfman.crash=1\n"
      "aps.loadfail=1\n"
      "garbage line\n");
  ASSERT_EQ(config.sfmanDevices.size(), 1u) << "listed devices replace the defaults, bad lines are skipped";
  EXPECT_EQ(config.sfmanDevices[0].memory, 0x100000u);
  EXPECT_EQ(config.sfmanDevices[0].name, "Synth, with comma");
  ASSERT_EQ(config.apsDevices.size(), 1u);
  EXPECT_EQ(config.apsDevices[0].kind, DeviceKind::APS);
  EXPECT_EQ(config.apsDevices[0].memory, 4096u);
  EXPECT_EQ(config.sfman.refusedVersions, std::vector<uint32_t>({0x50000, 0x10001}));
  EXPECT_EQ(config.sfman.hiddenExports, std::vector<std::string>({"SF_RegisterDevice"}));
  EXPECT_TRUE(config.sfman.loadCrashes);
  EXPECT_FALSE(config.sfman.loadFails);
  EXPECT_TRUE(config.aps.loadFails);
  EXPECT_FALSE(config.aps.loadCrashes);
}
