// The device facade over the stand-in card: merged list, open, the device operations per kind and
// the error classes the manager thread acts on.
#include <gtest/gtest.h>
#include <windows.h>

#include "abstract_sf_device.h"
#include "sf2_builder.h"
#include "sf2_damage.h"
#include "standin_support.h"

using testsupport::StandinConfig;
using testsupport::StandinRemoved;
using testsupport::TempFolder;

namespace {

const char* OneOfEachKind =
    "sfman.device=10k,2097152,SB Live! Synth A\n"
    "sfman.device=general,2097152,Plain Synth\n"
    "sfman.device=general,2097152,E-mu APS Synth twin\n"
    "aps.device=2097152,APS Synth 1\n"
    "aps.device=2097152,APS Synth 2\n";

// Index in the merged list of OneOfEachKind.
enum { LiveEntry = 0, APSEntry = 1, PlainEntry = 2 };

struct Files {
  TempFolder folder;
  sf2test::Sf2Builder builder;
  std::string bank, big, wave, wave24, damaged;
  uint64_t pianoBytes = 0;

  Files() {
    builder.AddPresetWithSamples("Piano", 0, 0, {20000, 10000});
    builder.AddPresetWithSamples("Kit", 128, 0, {5000});
    pianoBytes = builder.PresetSampleBytes(0);
    bank = folder.File("bank.sf2");
    builder.Write(bank);
    sf2test::Sf2Builder huge;
    huge.AddPresetWithSamples("Organ", 0, 0, {1500000});  // 3 MB of samples: more than 2 MB of memory
    big = folder.File("big.sf2");
    huge.Write(big);
    wave = folder.File("hit.wav");
    testsupport::WriteWaveFile(wave, 1, 1, 16, 4000);
    wave24 = folder.File("deep.wav");
    testsupport::WriteWaveFile(wave24, 1, 2, 24, 100);
    damaged = folder.File("damaged.sf2");
    std::string bytes = builder.Build();
    testsupport::WriteBytes(damaged, bytes.substr(0, bytes.size() / 2));
  }
};

uint64_t Used(TAbstractSFDevice& device) {
  uint32_t total = 0, free = 0;
  EXPECT_TRUE(device.QueryMemory(total, free));
  return total - free;
}

}  // namespace

TEST(SFDeviceFacade, DefaultCardListsOneLiveAndOneGeneralDevice) {
  StandinConfig config("");
  TAbstractSFDevice device;
  EXPECT_TRUE(device.Has10k());
  EXPECT_TRUE(device.HasSFManager());
  EXPECT_TRUE(device.HasAPS()) << "the APS library answers, it just finds no card";
  std::vector<std::string> names;
  std::vector<SFDeviceRef> refs;
  EXPECT_TRUE(device.GetDeviceList(names, refs));
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "SB Live!");
  EXPECT_EQ(refs[0].kind, sfk10k);
  EXPECT_EQ(refs[0].index, 0u);
  EXPECT_EQ(refs[1].kind, sfkSFManager);
  EXPECT_EQ(refs[1].index, 1u);
  EXPECT_EQ(device.GetDeviceCount(), 2);
  std::string name;
  EXPECT_TRUE(device.GetDeviceName(1, name));
  EXPECT_FALSE(device.GetDeviceName(2, name));
  uint32_t total = 0, free = 0;
  ASSERT_TRUE(device.Open(1));
  EXPECT_TRUE(device.QueryMemory(total, free));
  EXPECT_EQ(total, 32u * 1024 * 1024);
}

TEST(SFDeviceFacade, MergedListOrderNamingAndDeduplication) {
  StandinConfig config(OneOfEachKind);
  TAbstractSFDevice device;
  std::vector<std::string> names;
  std::vector<SFDeviceRef> refs;
  device.GetDeviceList(names, refs);
  ASSERT_EQ(names, std::vector<std::string>({"SB Live!", "APS", "Plain Synth"}));
  EXPECT_EQ(refs[APSEntry].kind, sfkAPS);
  EXPECT_EQ(refs[APSEntry].index, 1u) << "two devices per card, the second one is used";
  EXPECT_EQ(refs[PlainEntry].kind, sfkSFManager);
  EXPECT_EQ(refs[PlainEntry].index, 1u);
}

TEST(SFDeviceFacade, APSCardsAreCountedInPairs) {
  {
    StandinConfig config("aps.device=1024,APS Synth 1\naps.device=1024,APS Synth 2\naps.device=1024,APS Synth 3\n");
    TAbstractSFDevice device;
    std::vector<std::string> names;
    std::vector<SFDeviceRef> refs;
    device.GetDeviceList(names, refs);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[1], "APS #0");
    EXPECT_EQ(refs[1].index, 1u);
    EXPECT_EQ(names[2], "APS #1");
    EXPECT_EQ(refs[2].index, 2u) << "an odd last device is used itself";
  }
  {
    // Without the APS back end nothing is called "APS", and APS-named manager devices stay.
    StandinRemoved aps("EAPSMAN.DLL");
    StandinConfig config("sfman.device=general,1024,E-mu APS Synth twin\n");
    TAbstractSFDevice device;
    std::vector<std::string> names;
    device.GetDeviceNames(names);
    EXPECT_EQ(names, std::vector<std::string>({"E-mu APS Synth twin"}));
  }
}

TEST(SFDeviceFacade, NoLibrariesNoDevices) {
  StandinRemoved sfman("SFMAN32.DLL");
  StandinRemoved aps("EAPSMAN.DLL");
  TAbstractSFDevice device;
  EXPECT_FALSE(device.Has10k());
  EXPECT_FALSE(device.HasAPS());
  EXPECT_FALSE(device.HasSFManager());
  EXPECT_EQ(device.GetDeviceCount(), 0);
  EXPECT_FALSE(device.Open(0));
  EXPECT_EQ(device.LastError(), 1);
  EXPECT_FALSE(device.HasSFManagerDevice());
  uint32_t limit = 5;
  EXPECT_FALSE(device.GetCacheLimit(limit));
}

// A back end whose library refuses its version or lacks its entry is absent; the others carry on.
TEST(SFDeviceFacade, AbsentBackEndsLeaveTheOthersListed) {
  {
    StandinConfig config(std::string(OneOfEachKind) + "sfman.refuse=0x50000\naps.hide=EmuAPSManager\n");
    TAbstractSFDevice device;
    EXPECT_FALSE(device.Has10k());
    EXPECT_FALSE(device.HasAPS());
    ASSERT_TRUE(device.HasSFManager());
    std::vector<std::string> names;
    device.GetDeviceNames(names);
    // Nothing else lists the card's own devices now, so their manager names stay.
    EXPECT_EQ(names, std::vector<std::string>({"SB Live! Synth A", "Plain Synth", "E-mu APS Synth twin"}));
  }
  {
    StandinConfig config(std::string(OneOfEachKind) + "sfman.hide=SFManager\n");
    TAbstractSFDevice device;
    EXPECT_FALSE(device.Has10k());
    EXPECT_FALSE(device.HasSFManager());
    EXPECT_FALSE(device.HasSFManagerDevice());
    std::vector<std::string> names;
    device.GetDeviceNames(names);
    EXPECT_EQ(names, std::vector<std::string>({"APS"}));
  }
}

TEST(SFDeviceFacade, OpenOutOfRangeAndOperationsAfterClose) {
  StandinConfig config(OneOfEachKind);
  Files files;
  TAbstractSFDevice device;
  EXPECT_FALSE(device.Open(device.GetDeviceCount()));
  EXPECT_EQ(device.LastError(), 1);
  int32_t handle = 0;
  EXPECT_FALSE(device.LoadPreset(0, 0, 0, 0, files.bank, handle));
  EXPECT_EQ(device.LastError(), 1);

  ASSERT_TRUE(device.Open(PlainEntry));
  EXPECT_EQ(device.OpenKind(), sfkSFManager);
  EXPECT_EQ(device.OpenIndex(), 1);
  EXPECT_TRUE(device.Close());
  EXPECT_FALSE(device.Opened());
  EXPECT_FALSE(device.LoadPreset(0, 0, 0, 0, files.bank, handle));
  EXPECT_EQ(device.LastError(), 1);
  EXPECT_FALSE(device.IsOutOfMemory(1)) << "no device: not a full memory";
  // No call reached the card: reopened, its memory is untouched.
  ASSERT_TRUE(device.Open(PlainEntry));
  EXPECT_EQ(Used(device), 0u);
}

// The same road on each kind of device: load, name, wave, clear, clear all.
TEST(SFDeviceFacade, LoadsNamesAndClearsOnEveryKind) {
  StandinConfig config(OneOfEachKind);
  Files files;
  for (int entry : {LiveEntry, APSEntry, PlainEntry}) {
    SCOPED_TRACE(entry);
    TAbstractSFDevice device;
    ASSERT_TRUE(device.Open(entry));
    int32_t handle = 0;
    ASSERT_TRUE(device.LoadPreset(0, 0, 3, 7, files.bank, handle)) << device.LastError();
    EXPECT_EQ(handle != -1, entry == LiveEntry) << "only the 10k library hands out handles";
    EXPECT_EQ(Used(device), files.pianoBytes);
    std::string name;
    EXPECT_TRUE(device.GetPresetName(3, 7, name));
    EXPECT_EQ(name, "Piano");
    ASSERT_TRUE(device.LoadPreset(128, 0, 32768, 0, files.bank, handle));
    EXPECT_TRUE(device.GetPresetName(32768, 0, name));
    EXPECT_EQ(name, "Kit");
    int32_t waveHandle = 0;
    ASSERT_TRUE(device.LoadWave(4, 1, files.wave, waveHandle)) << device.LastError();
    EXPECT_EQ(waveHandle != -1, entry == LiveEntry);
    EXPECT_EQ(Used(device), files.builder.PresetSampleBytes(0) + files.builder.PresetSampleBytes(1) + 8000);
    EXPECT_TRUE(device.GetPresetName(4, 1, name));
    EXPECT_EQ(name, "hit");

    EXPECT_TRUE(device.ClearPreset(4, 1, waveHandle));
    EXPECT_EQ(Used(device), files.builder.PresetSampleBytes(0) + files.builder.PresetSampleBytes(1));
    EXPECT_TRUE(device.ClearAll());
    EXPECT_EQ(Used(device), 0u);
  }
}

TEST(SFDeviceFacade, PresetThatDoesNotFitIsOutOfMemoryOnEveryKind) {
  StandinConfig config(OneOfEachKind);
  Files files;
  for (int entry : {LiveEntry, APSEntry, PlainEntry}) {
    SCOPED_TRACE(entry);
    TAbstractSFDevice device;
    ASSERT_TRUE(device.Open(entry));
    int32_t handle = 0;
    EXPECT_FALSE(device.LoadPreset(0, 0, 0, 0, files.big, handle));
    EXPECT_EQ(device.LastError(), entry == LiveEntry ? 1 : 204);
    EXPECT_TRUE(device.IsOutOfMemory(device.LastError()));
    EXPECT_FALSE(device.IsRetryable(device.LastError()));
    EXPECT_EQ(Used(device), 0u);
  }
}

// The 10k library answers 1 for a damaged file as well as for a full memory.
TEST(SFDeviceFacade, DamagedFilesAreNeverOutOfMemory) {
  StandinConfig config(OneOfEachKind);
  Files files;
  for (int entry : {LiveEntry, APSEntry, PlainEntry}) {
    SCOPED_TRACE(entry);
    TAbstractSFDevice device;
    ASSERT_TRUE(device.Open(entry));
    int32_t handle = 0;
    EXPECT_FALSE(device.LoadPreset(0, 0, 0, 0, files.damaged, handle));
    EXPECT_NE(device.LastError(), 0);
    EXPECT_FALSE(device.IsOutOfMemory(device.LastError()));
    EXPECT_FALSE(device.IsUnsupportedWave(device.LastError()));
    EXPECT_FALSE(device.LoadPreset(0, 0, 0, 0, files.folder.File("absent.sf2"), handle));
    EXPECT_FALSE(device.IsOutOfMemory(device.LastError()));
    EXPECT_FALSE(device.LoadPreset(0, 99, 0, 0, files.bank, handle)) << "no such preset in the file";
    EXPECT_FALSE(device.IsOutOfMemory(device.LastError()));
    EXPECT_EQ(Used(device), 0u);
  }
}

// A damaged bank larger than the free memory: its failure is still no full memory, which only a
// preset whose own samples exceed the free memory is.
TEST(SFDeviceFacade, DamagedBanksLargerThanTheFreeMemoryAreNeverOutOfMemory) {
  StandinConfig config(OneOfEachKind);
  TempFolder folder;
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Piano", 0, 0, {20000});
  builder.AddPresetWithSamples("Filler", 0, 1, {1500000});  // 3 MB: the file is larger than the card
  std::vector<std::string> damaged;
  for (const sf2test::Sf2DamagedCopy& copy : sf2test::DamagedCopies(builder)) {
    damaged.push_back(folder.File("damaged" + std::to_string(damaged.size()) + ".sf2"));
    ASSERT_TRUE(testsupport::WriteBytes(damaged.back(), copy.Bytes));
  }
  const std::string bank = folder.File("bank.sf2");
  ASSERT_TRUE(builder.Write(bank));
  sf2test::Sf2Builder halfCard;
  halfCard.AddPresetWithSamples("Half", 0, 0, {600000});  // 1.2 MB of 2 MB
  const std::string half = folder.File("half.sf2");
  ASSERT_TRUE(halfCard.Write(half));

  for (int entry : {LiveEntry, APSEntry, PlainEntry}) {
    SCOPED_TRACE(entry);
    TAbstractSFDevice device;
    ASSERT_TRUE(device.Open(entry));
    int32_t handle = 0;
    for (size_t i = 0; i < damaged.size(); ++i) {
      EXPECT_FALSE(device.LoadPreset(0, 0, 0, 0, damaged[i], handle)) << i;
      EXPECT_NE(device.LastError(), 0) << i;
      EXPECT_FALSE(device.IsOutOfMemory(device.LastError())) << i;
    }
    EXPECT_EQ(Used(device), 0u);
    // Half the card taken: the same half again fits the card but not what is left of it.
    ASSERT_TRUE(device.LoadPreset(0, 0, 0, 0, half, handle));
    EXPECT_FALSE(device.LoadPreset(0, 0, 0, 1, half, handle));
    EXPECT_TRUE(device.IsOutOfMemory(device.LastError()));
    EXPECT_FALSE(device.LoadPreset(0, 1, 0, 2, bank, handle));
    EXPECT_TRUE(device.IsOutOfMemory(device.LastError()));
    ASSERT_TRUE(device.LoadPreset(0, 0, 0, 3, bank, handle)) << "the small preset of the large file fits";
    EXPECT_TRUE(device.ClearAll());
  }
}

TEST(SFDeviceFacade, UnsupportedWavePerKind) {
  StandinConfig config(OneOfEachKind);
  Files files;
  for (int entry : {LiveEntry, APSEntry, PlainEntry}) {
    SCOPED_TRACE(entry);
    TAbstractSFDevice device;
    ASSERT_TRUE(device.Open(entry));
    int32_t handle = 0;
    EXPECT_FALSE(device.LoadWave(0, 0, files.wave24, handle));
    // The 10k card faults on such a wave; the fault is caught and flagged.
    EXPECT_EQ(device.LastError(), entry == LiveEntry ? -1 : entry == APSEntry ? 107 : 108);
    EXPECT_TRUE(device.IsUnsupportedWave(device.LastError()));
    EXPECT_EQ(handle, -1);
    // The next good load clears the flag and the device still works.
    ASSERT_TRUE(device.LoadWave(0, 0, files.wave, handle));
    EXPECT_FALSE(device.IsUnsupportedWave(device.LastError()));
  }
}

TEST(SFDeviceFacade, FaultInsideAVendorLoadIsAFailure) {
  StandinConfig config(std::string(OneOfEachKind) + "sfman.crash=1\naps.crash=1\n");
  Files files;
  for (int entry : {LiveEntry, APSEntry, PlainEntry}) {
    SCOPED_TRACE(entry);
    TAbstractSFDevice device;
    ASSERT_TRUE(device.Open(entry));
    int32_t handle = 0;
    EXPECT_FALSE(device.LoadPreset(0, 0, 0, 0, files.bank, handle));
    EXPECT_EQ(device.LastError(), -1);
    EXPECT_FALSE(device.LoadWave(0, 0, files.wave, handle));
    EXPECT_EQ(device.LastError(), -1);
    EXPECT_EQ(device.IsUnsupportedWave(-1), entry == LiveEntry);
    EXPECT_FALSE(device.IsOutOfMemory(-1));
    EXPECT_EQ(Used(device), 0u) << "the device still answers";
  }
}

TEST(SFDeviceFacade, FailingLoadsAreNeitherFullNorRetryable) {
  StandinConfig config(std::string(OneOfEachKind) + "sfman.loadfail=1\naps.loadfail=1\n");
  Files files;
  for (int entry : {LiveEntry, APSEntry, PlainEntry}) {
    SCOPED_TRACE(entry);
    TAbstractSFDevice device;
    ASSERT_TRUE(device.Open(entry));
    int32_t handle = 0;
    EXPECT_FALSE(device.LoadPreset(0, 0, 0, 0, files.bank, handle));
    EXPECT_FALSE(device.IsOutOfMemory(device.LastError()));
    EXPECT_FALSE(device.IsRetryable(device.LastError()));
  }
}

TEST(SFDeviceFacade, BusyAPSDeviceIsRetryable) {
  StandinConfig config(std::string(OneOfEachKind) + "aps.busy=2\n");
  Files files;
  TAbstractSFDevice device;
  ASSERT_TRUE(device.Open(APSEntry));
  int32_t handle = 0;
  EXPECT_FALSE(device.LoadPreset(0, 0, 0, 0, files.bank, handle));
  EXPECT_EQ(device.LastError(), 202);
  EXPECT_TRUE(device.IsRetryable(202));
  EXPECT_FALSE(device.ClearAll());
  EXPECT_EQ(device.LastError(), 202);
  EXPECT_EQ(Used(device), 0u) << "a busy device was not asked to load";
  EXPECT_TRUE(device.LoadPreset(0, 0, 0, 0, files.bank, handle));
  EXPECT_EQ(Used(device), files.pianoBytes);
}

TEST(SFDeviceFacade, ClearAllWaitsOutABusyManagerDeviceAndEndsInTime) {
  StandinConfig config(std::string(OneOfEachKind) + "sfman.busy=3\n");
  Files files;
  TAbstractSFDevice device;
  ASSERT_TRUE(device.Open(PlainEntry));
  int32_t handle = 0;
  ASSERT_TRUE(device.LoadPreset(0, 0, 0, 0, files.bank, handle));
  ASSERT_TRUE(device.LoadPreset(128, 0, 32768, 0, files.bank, handle));
  const DWORD start = GetTickCount();
  device.ClearAll();
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_EQ(Used(device), 0u);
  // Empty slots answer with a failure; waiting 10 ms for each of them would take minutes.
  EXPECT_LT(elapsed, 5000u);
}

TEST(SFDeviceFacade, ClearAllGivesUpOnADeviceThatStaysBusy) {
  StandinConfig config(std::string(OneOfEachKind) + "sfman.busy=1000000\n");
  Files files;
  TAbstractSFDevice device;
  ASSERT_TRUE(device.Open(PlainEntry));
  int32_t handle = 0;
  ASSERT_TRUE(device.LoadPreset(0, 0, 0, 0, files.bank, handle));
  const DWORD start = GetTickCount();
  EXPECT_FALSE(device.ClearAll());
  EXPECT_LT(GetTickCount() - start, 10000u);
  EXPECT_EQ(device.LastError(), 900);
  EXPECT_FALSE(device.IsRetryable(900));
  EXPECT_EQ(Used(device), files.pianoBytes) << "nothing was cleared";
}

TEST(SFDeviceFacade, CacheLimitOfManagerDeviceZero) {
  StandinConfig config(OneOfEachKind);
  Files files;
  TAbstractSFDevice device;
  ASSERT_TRUE(device.HasSFManagerDevice());
  uint32_t limit = 0;
  ASSERT_TRUE(device.GetCacheLimit(limit));
  EXPECT_EQ(limit, 2097152u);
  ASSERT_TRUE(device.SetCacheLimit(8u * 1024 * 1024));
  ASSERT_TRUE(device.GetCacheLimit(limit));
  EXPECT_EQ(limit, 8u * 1024 * 1024);
  // Manager device 0 is the card's 10k device: the big preset fits now.
  ASSERT_TRUE(device.Open(LiveEntry));
  int32_t handle = 0;
  EXPECT_TRUE(device.LoadPreset(0, 0, 0, 0, files.big, handle)) << device.LastError();
  ASSERT_TRUE(device.SetCacheLimit(1024));
  uint32_t total = 0, free = 0;
  EXPECT_TRUE(device.QueryMemory(total, free));
  EXPECT_EQ(total, 1024u);
  EXPECT_EQ(free, 0u);
}

// Run only as the other program of the test below: sets the limit through its own facade.
TEST(SFDeviceFacade, DISABLED_OtherProgramSetsTheCacheLimit) {
  TAbstractSFDevice device;
  ASSERT_TRUE(device.SetCacheLimit(3u * 1024 * 1024));
}

// The preferences of the tools program set the limit in their own process; the server's card
// must see it, as the one card both programs share.
TEST(SFDeviceFacade, CacheLimitSetByTheOtherProgramHolds) {
  StandinConfig config(OneOfEachKind);
  TAbstractSFDevice device;
  ASSERT_TRUE(device.Open(LiveEntry));

  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command = std::string("\"") + self +
                        "\" --gtest_also_run_disabled_tests"
                        " --gtest_filter=SFDeviceFacade.DISABLED_OtherProgramSetsTheCacheLimit";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(exitCode, 0u);

  uint32_t total = 0, free = 0;
  ASSERT_TRUE(device.QueryMemory(total, free));
  EXPECT_EQ(total, 3u * 1024 * 1024);
}
