// The SoundFont manager thread over the stand-in card: loads, eviction, clears, unload passes,
// failures, clients and the default bank.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "sf2_damage.h"
#include "sf_thread_test_support.h"
#include "tarnbel_protocol.h"
#include "thread_post.h"

using namespace sfthreadtest;

namespace {

std::string LiveCard(uint64_t memory) { return "sfman.device=10k," + std::to_string(memory) + ",SB Live! Synth A\n"; }

void Register(DWORD sfThread, UINT id = TM_SF_ADD_CLIENT) {
  TAdvancedThread::PostAsOwner(sfThread, id, 0, static_cast<LPARAM>(GetCurrentThreadId()));
}

// The (bank, program) pairs of the TM_1120 notifications, in order.
std::vector<std::pair<int32_t, int32_t>> Removed(const std::vector<MSG>& messages) {
  std::vector<std::pair<int32_t, int32_t>> removed;
  for (const MSG& msg : messages)
    if (msg.message == TM_1120) removed.emplace_back(static_cast<int32_t>(msg.wParam), static_cast<int32_t>(msg.lParam));
  return removed;
}

size_t IndexOf(const std::vector<MSG>& messages, UINT id) {
  for (size_t i = 0; i < messages.size(); ++i)
    if (messages[i].message == id) return i;
  return messages.size();
}

class SFManagerThread : public ::testing::Test {
 protected:
  TBankFiles Files;
  TSFThreadFixture Fixture;
};

}  // namespace

TEST_F(SFManagerThread, FullMemoryEvictsTheLeastRecentlyUsedAndNeverAPendingEntry) {
  ASSERT_TRUE(Fixture.Start(LiveCard(Files.PresetBytes * 7 / 2), 0));
  Register(Fixture.Id());
  for (int p = 0; p < 3; ++p) {
    SetNow(1000 * (p + 1));
    ASSERT_TRUE(Fixture.LoadSync(0, p, 0, p, Files.Bank));
  }
  EXPECT_EQ(Fixture.Used(), 3 * Files.PresetBytes);
  {
    TWriteLock lock(Fixture.Thread().Cache());  // a channel selects program 0 again
    TPresetList& list = Fixture.Thread().Cache().List();
    list[list.Find(0, 0)].TimeStamp = 4000;
  }
  uint32_t waiting = Fixture.AddPending(0, 7);  // asked for, its load still queued somewhere
  Fixture.Drain();

  SetNow(5000);
  ASSERT_TRUE(Fixture.LoadSync(0, 3, 0, 3, Files.Bank));
  SetNow(6000);
  ASSERT_TRUE(Fixture.LoadSync(0, 4, 0, 4, Files.Bank));
  std::vector<MSG> reports = Fixture.Drain();

  EXPECT_EQ(Removed(reports), (std::vector<std::pair<int32_t, int32_t>>{{0, 1}, {0, 2}})) << "oldest first";
  EXPECT_EQ(-1, Fixture.Find(0, 1));
  EXPECT_EQ(-1, Fixture.Find(0, 2));
  for (int p : {0, 3, 4}) {
    int index = Fixture.Find(0, p);
    ASSERT_NE(-1, index) << p;
    EXPECT_FALSE(Fixture.Entry(index).Pending);
  }
  EXPECT_EQ(Fixture.Entry(Fixture.Find(0, 4)).TimeStamp, 6000u);
  int pending = Fixture.Find(0, 7, waiting);
  ASSERT_NE(-1, pending);
  EXPECT_TRUE(Fixture.Entry(pending).Pending);
  EXPECT_EQ(Fixture.Used(), 3 * Files.PresetBytes) << "nothing in the card that the cache does not account for";
  EXPECT_EQ(0u, CountOf(reports, TM_PRESET_TOO_BIG));
}

TEST_F(SFManagerThread, APresetLargerThanTheCardIsRefusedBeforeAnythingIsEvicted) {
  ASSERT_TRUE(Fixture.Start(LiveCard(Files.PresetBytes * 7 / 2), 0));
  ASSERT_LT(Files.PresetBytes * 7 / 2, Files.BigBytes);
  for (int p = 0; p < 2; ++p) ASSERT_TRUE(Fixture.LoadSync(0, p, 0, p, Files.Bank));
  uint32_t stuck = Fixture.AddPending(0, 6);
  Register(Fixture.Id());
  Fixture.Drain();

  // The big kit twice, then a wave longer than the card; each returns (no endless retry).
  const std::string longWave = Files.Folder.File("long.wav");
  ASSERT_TRUE(testsupport::WriteWaveFile(longWave, 1, 1, 16, static_cast<uint32_t>(Files.PresetBytes * 2)));
  for (int attempt = 0; attempt < 3; ++attempt) {
    const bool wave = attempt == 2;
    ASSERT_TRUE(wave ? Fixture.LoadSync(WaveLoadSourceBank, 0, 0, 7, longWave)
                     : Fixture.LoadSync(128, 1, CacheDrumKitBank, 0, Files.Bank));
    std::vector<MSG> reports = Fixture.Drain();

    EXPECT_EQ(1u, CountOf(reports, TM_PRESET_TOO_BIG)) << "each refusal is reported";
    EXPECT_LT(IndexOf(reports, WM_TB_SERVER_IDLE), IndexOf(reports, TM_PRESET_TOO_BIG)) << "idle comes first";
    EXPECT_EQ(0u, CountOf(reports, TM_PRESET_NOT_FOUND));
    size_t pairs = 0;
    EXPECT_TRUE(BusyIdleBalanced(reports, pairs));
    EXPECT_EQ(1u, pairs);
    // Only the request's own entry left; for the kit, 1050 for drum kit 0 leaving and for the drum bank
    // that does not fit.
    EXPECT_EQ(Removed(reports), (std::vector<std::pair<int32_t, int32_t>>{wave ? std::make_pair(0, 7)
                                                                               : std::make_pair(32768, 0)}));
    EXPECT_EQ(wave ? 0u : 2u, CountOf(reports, TM_1050));
    EXPECT_EQ(3u, Fixture.CacheCount());
    EXPECT_NE(-1, Fixture.Find(0, 6, stuck));
    EXPECT_EQ(Fixture.Used(), 2 * Files.PresetBytes) << "the presets in use stay";
  }
}

TEST_F(SFManagerThread, ClearingAndTimedUnloadingFreeTheMemory) {
  ASSERT_TRUE(Fixture.Start(LiveCard(Files.PresetBytes * 20), 0));
  for (int p = 0; p < 3; ++p) {
    SetNow(1000 * (p + 1));
    ASSERT_TRUE(Fixture.LoadSync(0, p, 0, p, Files.Bank));
  }
  uint32_t waiting = Fixture.AddPending(0, 7);
  Fixture.Drain();

  TClearPresetMessage(Fixture.Id(), 0, 1, -1, true).Send();
  std::vector<MSG> reports = Fixture.Drain(1);
  EXPECT_EQ(1u, CountOf(reports, TM_ECHO));
  EXPECT_EQ(-1, Fixture.Find(0, 1));
  EXPECT_EQ(Fixture.Used(), 2 * Files.PresetBytes);

  // Ages at 3500: program 0 is 2500 ms old, program 2 500 ms; the pending entry is never due.
  ASSERT_TRUE(Fixture.UnloadSync(3500, 1000));
  reports = Fixture.Drain();
  EXPECT_EQ(-1, Fixture.Find(0, 0));
  EXPECT_NE(-1, Fixture.Find(0, 2));
  EXPECT_NE(-1, Fixture.Find(0, 7, waiting));
  EXPECT_EQ(Fixture.Used(), Files.PresetBytes);
  EXPECT_EQ(1u, CountOf(reports, TM_ECHO)) << "something was unloaded";
  size_t pairs = 0;
  EXPECT_TRUE(BusyIdleBalanced(reports, pairs));
  EXPECT_EQ(1u, pairs);

  // Across the wrap of the tick counter: a stamp from before it is old; one taken after the pass's
  // clock was read is not old at all.
  {
    TWriteLock lock(Fixture.Thread().Cache());
    TPresetList& list = Fixture.Thread().Cache().List();
    list[list.Find(0, 2)].TimeStamp = 0xFFFFF000u;
  }
  SetNow(0x900);
  ASSERT_TRUE(Fixture.LoadSync(0, 3, 0, 3, Files.Bank));
  ASSERT_TRUE(Fixture.UnloadSync(0x800, 0x1000));
  EXPECT_EQ(-1, Fixture.Find(0, 2));
  EXPECT_NE(-1, Fixture.Find(0, 3));
  EXPECT_EQ(Fixture.Used(), Files.PresetBytes);

  // A pass with nothing due reports nothing.
  Fixture.Drain();
  ASSERT_TRUE(Fixture.UnloadSync(0x900, 1000));
  reports = Fixture.Drain();
  EXPECT_EQ(0u, CountOf(reports, WM_TB_SERVER_BUSY));
  EXPECT_EQ(0u, CountOf(reports, TM_ECHO));
}

TEST_F(SFManagerThread, ClearAllEmptiesCardAndCacheAndTellsTheClients) {
  ASSERT_TRUE(Fixture.Start(LiveCard(Files.PresetBytes * 20), 0));
  ASSERT_TRUE(Fixture.LoadSync(0, 0, 0, 0, Files.Bank));
  ASSERT_TRUE(Fixture.LoadSync(128, 0, 128, 0, Files.Bank));  // 128 is kept as 32768
  Fixture.AddPending(0, 5);
  Register(Fixture.Id());
  Fixture.Drain();
  ASSERT_EQ(Fixture.Used(), 2 * Files.PresetBytes);

  TClearAllLoadedSFMessage(Fixture.Id()).Send();
  std::vector<MSG> reports = Fixture.Drain(1);
  EXPECT_EQ(0u, Fixture.Used());
  EXPECT_EQ(0u, Fixture.CacheCount());
  EXPECT_EQ(IndexOf(reports, TM_1050), IndexOf(reports, TM_1120) - 1) << "1050 first";
  EXPECT_EQ(3u, Removed(reports).size());
  EXPECT_EQ(Removed(reports)[1], std::make_pair(32768, 0));
  size_t pairs = 0;
  EXPECT_TRUE(BusyIdleBalanced(reports, pairs));
  EXPECT_EQ(1u, pairs);
}

TEST_F(SFManagerThread, TheLargerEntryIdWinsItsSlot) {
  ASSERT_TRUE(Fixture.Start(LiveCard(Files.PresetBytes * 20), 0));
  // Two requests for one slot queued in turn: the first finds the newer entry and only drops its own.
  uint32_t first = Fixture.LoadAsync(0, 5, 0, 5, Files.Bank, true);
  uint32_t second = Fixture.LoadAsync(0, 5, 0, 5, Files.Bank, true);
  ASSERT_GT(second, first);
  std::vector<MSG> reports = Fixture.Drain(2);
  EXPECT_EQ(1u, Fixture.CacheCount());
  EXPECT_EQ(-1, Fixture.Find(0, 5, first));
  ASSERT_NE(-1, Fixture.Find(0, 5, second));
  EXPECT_FALSE(Fixture.Entry(Fixture.Find(0, 5, second)).Pending);
  EXPECT_EQ(Fixture.Used(), Files.PresetBytes);

  // A later request for the loaded slot unloads the older copy first.
  Register(Fixture.Id());
  Fixture.Drain();
  ASSERT_TRUE(Fixture.LoadSync(0, 5, 0, 5, Files.Bank));
  reports = Fixture.Drain();
  EXPECT_EQ(Removed(reports), (std::vector<std::pair<int32_t, int32_t>>{{0, 5}}));
  EXPECT_EQ(-1, Fixture.Find(0, 5, second));
  EXPECT_EQ(1u, Fixture.CacheCount());
  EXPECT_EQ(Fixture.Used(), Files.PresetBytes);
}

TEST_F(SFManagerThread, AnEntryClearedWhileItsLoadWaitsLeavesNothingInTheCard) {
  ASSERT_TRUE(Fixture.Start(LiveCard(Files.PresetBytes * 3 / 2), 0));
  ASSERT_TRUE(Fixture.LoadSync(0, 0, 0, 0, Files.Bank));
  Fixture.Drain();
  // The load meets a full card, evicts program 0 and waits in the queue behind the clear.
  uint32_t id = Fixture.LoadAsync(0, 1, 0, 1, Files.Bank, true);
  TClearPresetMessage(Fixture.Id(), 0, 1, static_cast<int32_t>(id), true).Send();
  std::vector<MSG> reports = Fixture.Drain(2);
  EXPECT_EQ(2u, CountOf(reports, TM_ECHO));
  EXPECT_EQ(0u, Fixture.CacheCount());
  EXPECT_EQ(0u, Fixture.Used()) << "the load of a cleared entry must not reach the card";
  size_t pairs = 0;
  EXPECT_TRUE(BusyIdleBalanced(reports, pairs));
  EXPECT_EQ(2u, pairs);
}

TEST_F(SFManagerThread, MissingPresetAndUnsupportedWaveTouchNoOtherEntry) {
  ASSERT_TRUE(Fixture.Start(LiveCard(Files.PresetBytes * 20), 0));
  ASSERT_TRUE(Fixture.LoadSync(0, 0, 0, 0, Files.Bank));
  TPresetData before = Fixture.Entry(Fixture.Find(0, 0));
  Register(Fixture.Id());
  Fixture.Drain();

  ASSERT_TRUE(Fixture.LoadSync(0, 77, 0, 9, Files.Bank));  // the file has no preset 0:77
  std::vector<MSG> reports = Fixture.Drain();
  EXPECT_EQ(1u, CountOf(reports, TM_PRESET_NOT_FOUND));
  EXPECT_LT(IndexOf(reports, WM_TB_SERVER_IDLE), IndexOf(reports, TM_PRESET_NOT_FOUND));
  EXPECT_EQ(Removed(reports), (std::vector<std::pair<int32_t, int32_t>>{{0, 9}})) << "only its own entry";
  ASSERT_NE(-1, Fixture.Find(0, 0));
  TPresetData after = Fixture.Entry(Fixture.Find(0, 0));
  EXPECT_EQ(before.Id, after.Id);
  EXPECT_EQ(before.DeviceHandle, after.DeviceHandle);
  EXPECT_EQ(Fixture.Used(), Files.PresetBytes);

  std::string deep = Files.Folder.File("deep.wav");
  ASSERT_TRUE(testsupport::WriteWaveFile(deep, 1, 2, 24, 100));
  ASSERT_TRUE(Fixture.LoadSync(WaveLoadSourceBank, 0, 0, 10, deep));
  reports = Fixture.Drain();
  EXPECT_EQ(1u, CountOf(reports, TM_UNSUPPORTED_WAVE));
  EXPECT_EQ(0u, CountOf(reports, TM_PRESET_NOT_FOUND));
  EXPECT_EQ(-1, Fixture.Find(0, 10));
  EXPECT_EQ(1u, Fixture.CacheCount());

  std::string hit = Files.Folder.File("hit.wav");
  ASSERT_TRUE(testsupport::WriteWaveFile(hit, 1, 1, 16, 4000));
  ASSERT_TRUE(Fixture.LoadSync(WaveLoadSourceBank, 0, 0, 11, hit));
  ASSERT_NE(-1, Fixture.Find(0, 11));
  EXPECT_FALSE(Fixture.Entry(Fixture.Find(0, 11)).Pending);
}

// Damaged copies of a bank larger than the free memory: each load ends "not found" and no cached
// preset goes to make room for it.
TEST_F(SFManagerThread, DamagedBanksEndNotFoundAndEvictNothing) {
  ASSERT_TRUE(Fixture.Start(LiveCard(Files.PresetBytes * 3), 0));
  ASSERT_TRUE(Fixture.LoadSync(0, 0, 0, 0, Files.Bank));
  const uint32_t inUse = Fixture.Entry(Fixture.Find(0, 0)).Id;
  Register(Fixture.Id());
  Fixture.Drain();

  const std::vector<sf2test::Sf2DamagedCopy> copies = sf2test::DamagedCopies(Files.Builder);
  ASSERT_FALSE(copies.empty());
  for (const sf2test::Sf2DamagedCopy& copy : copies) {
    SCOPED_TRACE(copy.Name);
    const std::string file = Files.Folder.File("damaged.sf2");
    ASSERT_TRUE(testsupport::WriteBytes(file, copy.Bytes));
    ASSERT_GT(copy.Bytes.size(), Files.PresetBytes * 2) << "larger than the free memory";
    ASSERT_TRUE(Fixture.LoadSync(0, 1, 0, 1, file));
    std::vector<MSG> reports = Fixture.Drain();
    EXPECT_EQ(1u, CountOf(reports, TM_PRESET_NOT_FOUND));
    EXPECT_EQ(0u, CountOf(reports, TM_PRESET_TOO_BIG));
    EXPECT_EQ(Removed(reports), (std::vector<std::pair<int32_t, int32_t>>{{0, 1}})) << "only its own entry";
    EXPECT_NE(-1, Fixture.Find(0, 0, inUse));
    EXPECT_EQ(Fixture.Used(), Files.PresetBytes);
  }
}

TEST(SFManagerThreadFile, PresetMissingWhenTheHeadersCannotBeReadOrLackIt) {
  TBankFiles files;
  auto missing = [](const std::string& file, int32_t sourceBank, int32_t sourcePreset) {
    TLoadRecord record;
    record.FileName = file;
    record.SourceBank = sourceBank;
    record.SourcePreset = sourcePreset;
    return TSFManagerThread::PresetMissingFromFile(record);
  };
  EXPECT_FALSE(missing(files.Bank, 0, 3));
  EXPECT_FALSE(missing(files.Bank, 128, 1));
  EXPECT_FALSE(missing(files.Bank, 128 + 65536, 1)) << "compared as 16-bit values";
  EXPECT_TRUE(missing(files.Bank, 0, 8));
  EXPECT_TRUE(missing(files.Bank, 1, 0));
  EXPECT_FALSE(missing(files.Folder.File("absent.sf2"), 0, 0));
  EXPECT_FALSE(missing(files.Bank, WaveLoadSourceBank, 0)) << "a wave has no preset headers";
  const std::string text = files.Folder.File("text.sf2");
  ASSERT_TRUE(testsupport::WriteBytes(text, "no SoundFont at all"));
  EXPECT_TRUE(missing(text, 0, 0));
  const std::string bytes = files.Builder.Build();
  for (const sf2test::Sf2ChunkSpan& span : files.Builder.Layout()) {
    if (span.ListType != "pdta") continue;
    const std::string cut = files.Folder.File("cut.sf2");
    ASSERT_TRUE(testsupport::WriteBytes(cut, bytes.substr(0, span.Pos)));
    EXPECT_TRUE(missing(cut, 0, 0)) << "the file ends before its preset headers";
  }
}

TEST_F(SFManagerThread, APendingEntryGoesWhateverTheDeviceSaysAndARefusedOneStays) {
  // No such device: every device call fails.
  ASSERT_TRUE(Fixture.Start(LiveCard(Files.PresetBytes * 20), 99));
  uint32_t pending = Fixture.AddPending(0, 1);
  ASSERT_TRUE(Fixture.ClearSync(0, 1, pending));
  EXPECT_EQ(-1, Fixture.Find(0, 1));

  uint32_t loaded = Fixture.AddPending(0, 2);
  {
    TWriteLock lock(Fixture.Thread().Cache());
    TPresetList& list = Fixture.Thread().Cache().List();
    list[list.Find(0, 2, loaded)].Pending = false;
    list[list.Find(0, 2, loaded)].DeviceHandle = 7;
  }
  ASSERT_TRUE(Fixture.ClearSync(0, 2, loaded));
  ASSERT_NE(-1, Fixture.Find(0, 2, loaded));
  EXPECT_TRUE(Fixture.Entry(Fixture.Find(0, 2, loaded)).Releasing);
  // The unload pass tries it again and ends although the device keeps refusing.
  ASSERT_TRUE(Fixture.UnloadSync(100000, 1000));
  EXPECT_NE(-1, Fixture.Find(0, 2, loaded));

  // A load the device refuses for good ends in a report, not in a loop.
  Fixture.Drain();
  ASSERT_TRUE(Fixture.LoadSync(0, 0, 0, 0, Files.Bank));
  std::vector<MSG> reports = Fixture.Drain();
  EXPECT_EQ(1u, CountOf(reports, TM_PRESET_NOT_FOUND));
  EXPECT_EQ(-1, Fixture.Find(0, 0));
}

TEST_F(SFManagerThread, AClientRegisteredTwiceHasTwoSlotsAndOneRemoveClearsBoth) {
  ASSERT_TRUE(Fixture.Start(LiveCard(Files.PresetBytes * 20), 0));
  Register(Fixture.Id());
  Register(Fixture.Id());
  // A client thread that ended without unregistering does not hold the others up.
  DWORD gone = 0;
  std::thread([&gone] {
    EnsureMessageQueue();
    gone = GetCurrentThreadId();
  }).join();
  TAdvancedThread::PostAsOwner(Fixture.Id(), TM_SF_ADD_CLIENT, 0, static_cast<LPARAM>(gone));

  ASSERT_TRUE(Fixture.LoadSync(128, 0, CacheDrumKitBank, 0, Files.Bank));
  ASSERT_TRUE(Fixture.ClearSync(CacheDrumKitBank, 0, NoEntryId));
  std::vector<MSG> reports = Fixture.Drain();
  EXPECT_EQ(Removed(reports), (std::vector<std::pair<int32_t, int32_t>>{{32768, 0}, {32768, 0}}));
  EXPECT_EQ(2u, CountOf(reports, TM_1050));

  Register(Fixture.Id(), TM_SF_REMOVE_CLIENT);
  ASSERT_TRUE(Fixture.LoadSync(0, 3, 0, 3, Files.Bank));
  ASSERT_TRUE(Fixture.ClearSync(0, 3, NoEntryId));
  reports = Fixture.Drain();
  EXPECT_EQ(0u, CountOf(reports, TM_1120));
  EXPECT_EQ(0u, Fixture.CacheCount());
}

TEST_F(SFManagerThread, DefaultBankIsLoadedAtStartAndClearedAtStop) {
  std::string path = DefaultBankPath();
  ASSERT_TRUE(Files.Builder.Write(path));
  struct TRemove {
    std::string Path;
    ~TRemove() { DeleteFileA(Path.c_str()); }
  } remove{path};
  testsupport::StandinConfig config(LiveCard(Files.PresetBytes * 20));
  TAbstractSFDevice observer;  // keeps the card alive after the thread has gone
  ASSERT_TRUE(observer.Open(0));
  {
    std::unique_ptr<TSFManagerThread> thread = TAdvancedThread::Make<TSFManagerThread>(0);
    ASSERT_TRUE(thread->WaitReady());
    MSG echo;
    EXPECT_TRUE(PeekMessageA(&echo, nullptr, TM_ECHO, TM_ECHO, PM_REMOVE)) << "ready after the start's echo";
    uint32_t total = 0, free = 0;
    ASSERT_TRUE(observer.QueryMemory(total, free));
    EXPECT_EQ(total - free, Files.PresetBytes) << "preset 0:0 of default.sf2";
    std::string name;
    EXPECT_TRUE(observer.GetPresetName(0, 0, name));
    EXPECT_EQ("P0", name);
    TGetCachedPresetsCountMessage count(thread->ThreadID());
    count.Send();
    EXPECT_EQ(0u, count.Count) << "the default bank is not a cached preset";
    thread->Stop();
  }
  uint32_t total = 0, free = 0;
  ASSERT_TRUE(observer.QueryMemory(total, free));
  EXPECT_EQ(total, free);
}

TEST_F(SFManagerThread, ABusyDeviceIsAskedAgainWithThePayloadIntactAndNotForever) {
  // Entry 1 of the merged list is the APS card; its status answers busy three times.
  ASSERT_TRUE(Fixture.Start(LiveCard(Files.PresetBytes * 20) + "aps.device=1048576,APS Synth 1\n"
                                "aps.device=1048576,APS Synth 2\naps.busy=3\n", 1));
  EXPECT_TRUE(Fixture.Thread().APSDevice());
  uint32_t id = Fixture.LoadAsync(0, 4, 0, 2, Files.Bank, true);
  std::vector<MSG> reports = Fixture.Drain(1);
  ASSERT_EQ(1u, CountOf(reports, TM_ECHO));
  int index = Fixture.Find(0, 2, id);
  ASSERT_NE(-1, index);
  EXPECT_FALSE(Fixture.Entry(index).Pending);
  size_t pairs = 0;
  EXPECT_TRUE(BusyIdleBalanced(reports, pairs));
  EXPECT_EQ(1u, pairs) << "busy once, however often it was re-queued";
  TGetListOfCachedPresetsMessage listing(Fixture.Id());
  ASSERT_TRUE(listing.Send());
  ASSERT_EQ(1, listing.List->Count());
  EXPECT_EQ("P4", (*listing.List)[0].Name) << "source preset 0:4 of the file landed in 0:2";
  EXPECT_EQ(Fixture.Used(), Files.PresetBytes);
}

TEST_F(SFManagerThread, ADeviceThatStaysBusyEndsTheRequest) {
  ASSERT_TRUE(Fixture.Start("aps.device=1048576,APS Synth 1\naps.device=1048576,APS Synth 2\naps.busy=1000000\n", 1));
  DWORD start = GetTickCount();
  ASSERT_TRUE(Fixture.LoadSync(0, 0, 0, 0, Files.Bank));
  std::vector<MSG> reports = Fixture.Drain();
  EXPECT_LT(GetTickCount() - start, 10000u);
  EXPECT_EQ(1u, CountOf(reports, TM_PRESET_NOT_FOUND));
  EXPECT_EQ(0u, Fixture.CacheCount());
}

TEST_F(SFManagerThread, AVictimTheCardWillNotReleaseIsNotPickedAgain) {
  // A plain SoundFont Manager device whose first clear is refused (900: not retryable there).
  ASSERT_TRUE(Fixture.Start("sfman.device=general," + std::to_string(Files.PresetBytes * 5 / 2) +
                                ",Plain Synth\nsfman.busy=1\n", 0));
  SetNow(1000);
  ASSERT_TRUE(Fixture.LoadSync(0, 0, 0, 0, Files.Bank));
  SetNow(2000);
  ASSERT_TRUE(Fixture.LoadSync(0, 1, 0, 1, Files.Bank));
  SetNow(3000);
  ASSERT_TRUE(Fixture.LoadSync(0, 2, 0, 2, Files.Bank));
  std::vector<MSG> reports = Fixture.Drain();
  EXPECT_EQ(0u, CountOf(reports, TM_PRESET_TOO_BIG));
  int refused = Fixture.Find(0, 0);
  ASSERT_NE(-1, refused);
  EXPECT_TRUE(Fixture.Entry(refused).Releasing) << "still in the card, still accounted for";
  EXPECT_EQ(-1, Fixture.Find(0, 1)) << "the next oldest went instead";
  ASSERT_NE(-1, Fixture.Find(0, 2));
  EXPECT_EQ(Fixture.Used(), 2 * Files.PresetBytes);

  // The next unload pass takes the refused one out, whatever its age.
  ASSERT_TRUE(Fixture.UnloadSync(3000, 100000));
  EXPECT_EQ(-1, Fixture.Find(0, 0));
  EXPECT_EQ(Fixture.Used(), Files.PresetBytes);
}
