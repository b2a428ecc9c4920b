// The three back ends over the stand-in libraries: binding results, addressing and the 10k
// library's bookkeeping.
#include <gtest/gtest.h>
#include <windows.h>

#include "aps_api.h"
#include "osc_sfmanager.h"
#include "osc_sfmanager10k.h"
#include "registry_test_support.h"
#include "sf2_builder.h"
#include "sf_device.h"
#include "sfman_api.h"
#include "standin_support.h"

using testsupport::StandinConfig;
using testsupport::StandinRemoved;
using testsupport::TempFolder;

namespace {

const char* FilesKey = "Software\\SoundFont\\Files";

void CreateFilesKey() {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, FilesKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "old.sf2", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
  RegCloseKey(key);
}

bool FilesKeyExists() { return testsupport::KeyExists(FilesKey, HKEY_LOCAL_MACHINE); }

std::string WriteBank(const TempFolder& folder, const std::string& name, sf2test::Sf2Builder& builder) {
  const std::string path = folder.File(name);
  EXPECT_TRUE(builder.Write(path));
  return path;
}

}  // namespace

TEST(SFBackends, MissingLibraryGivesOneAndNoLaterCall) {
  StandinRemoved sfman("SFMAN32.DLL");
  StandinRemoved aps("EAPSMAN.DLL");
  TOSC_SFManager general;
  EXPECT_EQ(general.BindResult(), 1);
  EXPECT_FALSE(general.HasApi());
  uint32_t total = 7, free = 7;
  EXPECT_EQ(general.QueryMemory(total, free), 1);
  EXPECT_EQ(total, 0u);
  TOSC_SFManager10k tenK;
  EXPECT_EQ(tenK.LastResult(), 1);
  int32_t count = 5;
  EXPECT_EQ(tenK.GetNumDevs(count), 1);
  EXPECT_EQ(count, 0);
  TAPSSFDevice device;
  EXPECT_EQ(device.LastResult(), 1);
  EXPECT_EQ(device.GetNumDevs(count), 1);
  EXPECT_EQ(device.Open(0), 1);
}

TEST(SFBackends, MissingExportsAndRefusedVersion) {
  {
    StandinConfig config("sfman.hide=SFManager\naps.hide=EmuAPSManager\naps.device=1024,APS Synth A\n");
    TOSC_SFManager general;
    EXPECT_EQ(general.BindResult(), 500);
    EXPECT_NE(general.Library(), nullptr);
    TOSC_SFManager10k tenK;
    EXPECT_EQ(tenK.LastResult(), 500);
    // The APS library has no version call: a missing entry is a failed entry.
    TAPSSFDevice device;
    EXPECT_EQ(device.LastResult(), 501);
    int32_t count = 3;
    EXPECT_EQ(device.GetNumDevs(count), 501);
    EXPECT_EQ(count, 0);
  }
  {
    StandinConfig config("sfman.refuse=0x50000\n");
    TOSC_SFManager10k tenK;
    EXPECT_EQ(tenK.LastResult(), 501);
    std::vector<std::string> names;
    EXPECT_EQ(tenK.GetDeviceNames(names), 501);
    EXPECT_TRUE(names.empty());
    TOSC_SFManager general;
    EXPECT_EQ(general.BindResult(), 0);
    EXPECT_TRUE(general.HasApi());
  }
}

TEST(SFBackends, GeneralDeviceNamesAndOpenRange) {
  StandinConfig config(
      "sfman.device=general,1048576,First synth\n"
      "sfman.device=general,1048576,A name that fills all forty caps bytes!!\n");
  TOSC_SFManager general;
  std::vector<std::string> names;
  EXPECT_EQ(general.GetDeviceNames(names, true), 0);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "0 First synth");
  EXPECT_EQ(names[1], "1 A name that fills all forty caps bytes!!");
  EXPECT_EQ(general.Open(2), 502);
  EXPECT_EQ(general.Open(-1), 502);
  EXPECT_FALSE(general.Opened());
  EXPECT_EQ(general.Open(1), 0);
  EXPECT_EQ(general.OpenDevice(), 1);
  EXPECT_EQ(general.Close(), 0);
  EXPECT_EQ(general.OpenDevice(), -1);
}

TEST(SFBackends, TenKDeviceNamesFollowTheCount) {
  {
    StandinConfig config("sfman.device=10k,1048576,SB Live! A\nsfman.device=general,1048576,Other\n");
    TOSC_SFManager10k tenK;
    std::vector<std::string> names;
    tenK.GetDeviceNames(names);
    EXPECT_EQ(names, std::vector<std::string>({"SB Live!"}));
  }
  {
    StandinConfig config("sfman.device=10k,1048576,SB Live! A\nsfman.device=10k,1048576,SB Live! B\n");
    TOSC_SFManager10k tenK;
    std::vector<std::string> names;
    tenK.GetDeviceNames(names);
    EXPECT_EQ(names, std::vector<std::string>({"SB Live! #0", "SB Live! #1"}));
  }
}

TEST(SFBackends, TenKFilesKeyAndLoadCounter) {
  StandinConfig config("sfman.device=10k,33554432,SB Live! A\n");
  TempFolder folder;
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Tone", 0, 0, {100});
  const std::string bank = WriteBank(folder, "tone.sf2", builder);

  CreateFilesKey();
  {
    TOSC_SFManager10k tenK;
    EXPECT_FALSE(FilesKeyExists()) << "deleted when created";
    int32_t handle = -1;
    for (int i = 1; i <= 9; ++i) {
      ASSERT_EQ(tenK.LoadPreset(0, 0, 0, i, bank, handle), 0);
      EXPECT_EQ(tenK.LoadCounter(), i);
    }
    EXPECT_TRUE(FilesKeyExists()) << "the library notes its loads";
    ASSERT_EQ(tenK.LoadPreset(0, 0, 0, 10, bank, handle), 0);
    EXPECT_EQ(tenK.LoadCounter(), 0);
    EXPECT_FALSE(FilesKeyExists()) << "deleted after the tenth load";

    ASSERT_EQ(tenK.LoadPreset(0, 0, 0, 11, bank, handle), 0);
    EXPECT_TRUE(FilesKeyExists());
    EXPECT_EQ(tenK.ClearPreset(0, 11, handle), 0);
    EXPECT_FALSE(FilesKeyExists()) << "deleted after a clear";
    ASSERT_EQ(tenK.LoadPreset(0, 0, 0, 12, bank, handle), 0);
  }
  EXPECT_FALSE(FilesKeyExists()) << "deleted when destroyed";
}

TEST(SFBackends, TenKHandleLookupMatchesTheProgram) {
  StandinConfig config("sfman.device=10k,33554432,SB Live! A\n");
  TempFolder folder;
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("First", 0, 0, {100});
  builder.AddPresetWithSamples("Second", 0, 1, {200});
  const std::string bank = WriteBank(folder, "two.sf2", builder);

  TOSC_SFManager10k tenK;
  int32_t first = -1, second = -1;
  ASSERT_EQ(tenK.LoadPreset(0, 0, 5, 1, bank, first), 0);
  ASSERT_EQ(tenK.LoadPreset(0, 1, 5, 2, bank, second), 0);
  EXPECT_EQ(tenK.FindHandle(5, 1), first);
  EXPECT_EQ(tenK.FindHandle(5, 2), second);
  EXPECT_EQ(tenK.FindHandle(5, 3), -1);
  std::string name;
  EXPECT_EQ(tenK.GetPresetName(5, 2, name), 0);
  EXPECT_EQ(name, "Second");
  EXPECT_EQ(tenK.GetPresetName(5, 3, name), 1);

  // Clearing program 2 without a handle leaves program 1 in place.
  EXPECT_EQ(tenK.ClearPreset(5, 2, -1), 0);
  EXPECT_EQ(tenK.FindHandle(5, 2), -1);
  EXPECT_EQ(tenK.GetPresetName(5, 1, name), 0);
  EXPECT_EQ(name, "First");
  EXPECT_EQ(tenK.ClearPreset(5, 2, -1), 1) << "nothing left to clear";

  EXPECT_EQ(tenK.ClearBank(5), 0);
  EXPECT_EQ(tenK.FindHandle(5, 1), -1);
  uint32_t total = 0, free = 0;
  EXPECT_EQ(tenK.QueryMemory(total, free), 0);
  EXPECT_EQ(total, free);
}

TEST(SFBackends, APSDrumKitAddressingAndWordMemory) {
  uint16_t bank = 1, program = 1;
  TSFDevice::ToDeviceLocation(32768, 5, bank, program);
  EXPECT_EQ(bank, 0);
  EXPECT_EQ(program, 133);
  TSFDevice::ToDeviceLocation(3, 5, bank, program);
  EXPECT_EQ(bank, 3);
  EXPECT_EQ(program, 5);

  StandinConfig config("aps.device=2097152,APS Synth A\naps.device=2097152,APS Synth B\n");
  TempFolder folder;
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Kit", 128, 0, {1000});
  const std::string file = WriteBank(folder, "kit.sf2", builder);

  TAPSSFDevice device;
  ASSERT_EQ(device.LastResult(), 0);
  EXPECT_EQ(device.Open(2), 502);
  ASSERT_EQ(device.Open(1), 0);
  uint32_t total = 0, free = 0;
  EXPECT_EQ(device.QueryMemory(total, free), 0);
  EXPECT_EQ(total, 2097152u);
  EXPECT_EQ(free, total);
  ASSERT_EQ(device.LoadPreset(128, 0, 32768, 5, file), 0);
  EXPECT_EQ(device.QueryMemory(total, free), 0);
  EXPECT_EQ(total - free, builder.PresetSampleBytes(0));

  // The library itself holds the kit at bank 0, program 133.
  HMODULE library = GetModuleHandleA("EAPSMAN.DLL");
  ASSERT_NE(library, nullptr);
  auto entry = sfman::ExportOf<aps::EntryProc>(library, "EmuAPSManager");
  aps::APSPresetNameBlock block = {};
  EXPECT_EQ(entry(device.DeviceHandle(), aps::CmdGetPresetName, aps::PackLocation(0, 133),
                  reinterpret_cast<UINT_PTR>(&block)),
            0u);
  EXPECT_EQ(block.found, 1u);
  EXPECT_STREQ(block.name, "Kit");
  std::string name;
  EXPECT_EQ(device.GetPresetName(32768, 5, name), 0);
  EXPECT_EQ(name, "Kit");
  EXPECT_EQ(device.ClearPreset(32768, 5), 0);
  EXPECT_EQ(device.GetPresetName(32768, 5, name), 0);
  EXPECT_EQ(name, "") << "the block reports nothing there";
}
