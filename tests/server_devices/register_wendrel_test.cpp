// Registration of the companion driver with the SoundFont Manager stand-in.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "registry_test_support.h"
#include "standin_support.h"
#include "tarnbel_register_wendrel.h"
#include "vendor_library.h"

using testsupport::StandinConfig;
using testsupport::StandinRemoved;

namespace {
const char* DevicesKey = "Software\\SoundFont\\Devices";
// The device layer keeps the vendor libraries for the process; the stand-in helpers let them go.
const bool standinReleaserSet = (testsupport::SetStandinReleaser(&ReleaseVendorLibraries), true);
}

TEST(DriverRegistration, RecordIsNulFilled) {
  const auto* bytes = reinterpret_cast<const char*>(&DriverRegistrationRecord);
  EXPECT_EQ(std::string(bytes, 11), "wendrel.dll");
  EXPECT_EQ(std::string(bytes + 20, 12), "WendrelEntry");
  for (int i = 11; i < 20; ++i) EXPECT_EQ(bytes[i], '\0') << i;
  for (int i = 32; i < 40; ++i) EXPECT_EQ(bytes[i], '\0') << i;
}

TEST(DriverRegistration, RegisterAndUnregisterThroughTheLibrary) {
  StandinConfig config("");
  RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, DevicesKey, "wendrel.dll");
  ASSERT_TRUE(RegisterDriverDevice());
  // The library received the 40 bytes of the record as they are.
  const auto stored = testsupport::ReadRaw(DevicesKey, "wendrel.dll", HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(stored.found);
  ASSERT_EQ(stored.data.size(), 40u);
  EXPECT_EQ(std::memcmp(stored.data.data(), &DriverRegistrationRecord, 40), 0);
  UnregisterDriverDevice();
  EXPECT_FALSE(testsupport::ValueExists(DevicesKey, "wendrel.dll", HKEY_LOCAL_MACHINE));
  UnregisterDriverDevice();  // a second time: the library's refusal is not looked at
}

TEST(DriverRegistration, FailsWithoutLibraryExportOrConsent) {
  {
    StandinConfig config("sfman.registerfail=1\n");
    EXPECT_FALSE(RegisterDriverDevice());
  }
  {
    StandinConfig config("sfman.hide=SF_RegisterDevice\n");
    EXPECT_FALSE(RegisterDriverDevice());
    EXPECT_FALSE(testsupport::ValueExists(DevicesKey, "wendrel.dll", HKEY_LOCAL_MACHINE));
  }
  {
    StandinRemoved library("SFMAN32.DLL");
    EXPECT_FALSE(RegisterDriverDevice());
    UnregisterDriverDevice();
  }
}

// Registration needs only the library and its export, not the API table.
TEST(DriverRegistration, WorksWhenTheApiEntryIsMissing) {
  StandinConfig config("sfman.hide=SFManager\n");
  EXPECT_TRUE(RegisterDriverDevice());
  UnregisterDriverDevice();
  EXPECT_FALSE(testsupport::ValueExists(DevicesKey, "wendrel.dll", HKEY_LOCAL_MACHINE));
}
