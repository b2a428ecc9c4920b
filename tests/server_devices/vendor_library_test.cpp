// The vendor libraries stay loaded once the device layer has loaded them, and the stand-ins give
// back what their start-up took each time they are unloaded.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "abstract_sf_device.h"
#include "sf2_builder.h"
#include "standin_support.h"
#include "vendor_library.h"

using testsupport::StandinConfig;
using testsupport::TempFolder;

namespace {
// The device layer keeps the vendor libraries for the process; the stand-in helpers of this suite
// let them go, so a changed config or a removed library is met by a fresh load.
const bool standinReleaserSet = (testsupport::SetStandinReleaser(&ReleaseVendorLibraries), true);

// Every index the process can still get, counted by taking them all and giving them back.
size_t FreeTlsIndexes() {
  std::vector<DWORD> taken;
  for (DWORD index; (index = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.push_back(index);
  for (DWORD index : taken) TlsFree(index);
  return taken.size();
}

bool Loaded(const char* name) { return GetModuleHandleA(name) != nullptr; }

const char* const Card = "sfman.device=10k,1048576,SB Live! Synth A\naps.device=1048576,APS Synth 1\n";

}  // namespace

TEST(VendorLibraries, StayLoadedForTheProcessUntilReleased) {
  StandinConfig config(Card);
  TempFolder folder;
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Piano", 0, 0, {1000});
  const std::string bank = folder.File("bank.sf2");
  ASSERT_TRUE(builder.Write(bank));
  {
    TAbstractSFDevice device;
    ASSERT_TRUE(device.Open(0));
    int32_t handle = 0;
    ASSERT_TRUE(device.LoadPreset(0, 0, 0, 5, bank, handle));
  }
  // No back end is left, yet the libraries and the card's state are still there.
  EXPECT_TRUE(Loaded("SFMAN32.DLL"));
  EXPECT_TRUE(Loaded("EAPSMAN.DLL"));
  {
    TAbstractSFDevice device;
    ASSERT_TRUE(device.Open(0));
    std::string name;
    EXPECT_TRUE(device.GetPresetName(0, 5, name));
    EXPECT_EQ(name, "Piano");
    // Released while a back end still uses them: they stay until it is gone.
    ReleaseVendorLibraries();
    EXPECT_TRUE(device.ClearAll());
    EXPECT_TRUE(Loaded("SFMAN32.DLL"));
  }
  EXPECT_FALSE(Loaded("SFMAN32.DLL"));
  EXPECT_FALSE(Loaded("EAPSMAN.DLL"));
}

TEST(VendorLibraries, StandinsLoadedAndUnloadedAgainLeaveNoTlsIndexTaken) {
  // The edit engine is loaded for each save, and a library that refuses to load has started and
  // stopped its runtime all the same.
  auto cycles = [](bool engineRefuses, int count) {
    StandinConfig config(std::string(Card) + (engineRefuses ? "sfedt.refuseload=1\n" : ""));
    for (int i = 0; i < count; ++i) {
      {
        TAbstractSFDevice device;
        EXPECT_TRUE(device.Has10k());
        EXPECT_TRUE(device.HasAPS());
        uint32_t total = 0, free = 0;
        EXPECT_TRUE(device.Open(1));
        EXPECT_TRUE(device.QueryMemory(total, free));
      }
      ReleaseVendorLibraries();
      EXPECT_FALSE(Loaded("SFMAN32.DLL"));
      HMODULE engine = LoadLibraryA("sfedt32.dll");
      EXPECT_EQ(engine == nullptr, engineRefuses);
      if (engine != nullptr) FreeLibrary(engine);
    }
  };
  cycles(false, 1);
  cycles(true, 1);
  const size_t before = FreeTlsIndexes();
  cycles(false, 30);
  cycles(true, 30);
  EXPECT_EQ(FreeTlsIndexes(), before);
}
