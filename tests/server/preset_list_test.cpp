#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "preset_list.h"
#include "tick_clock.h"

namespace {

std::atomic<uint32_t> fakeNow{0};
uint32_t FakeClock() { return fakeNow.load(); }

// Runs the cache on a clock the test sets, and restores the system's clock afterwards.
class PresetListTest : public ::testing::Test {
 protected:
  void SetUp() override { FPrevious = SetTickFunction(&FakeClock); }
  void TearDown() override { SetTickFunction(FPrevious); }

  int AddAt(int32_t bank, int32_t program, uint32_t stamp) { return List.Add(bank, program, program, bank, "m", stamp); }

  TPresetList List;
  TTickFunction FPrevious = nullptr;
};

TEST_F(PresetListTest, FindByIdIgnoresSlotAndBySlotTakesProgramAsByte) {
  AddAt(1, 5, 10);
  AddAt(2, 0, 10);
  int third = AddAt(1, 5, 10);
  EXPECT_EQ(third, List.Find(99, 99, List[third].Id));
  EXPECT_EQ(-1, List.Find(1, 5, 12345));
  EXPECT_EQ(1, List.Find(2, 256));  // 256 as a byte is program 0
  EXPECT_EQ(0, List.Find(1, 5));
  EXPECT_EQ(2, List.FindNext(0, 1, 5));
  EXPECT_EQ(-1, List.FindNext(2, 1, 5));
  EXPECT_TRUE(List.Contains(1, 5));
  EXPECT_FALSE(List.Contains(1, 6));
}

TEST_F(PresetListTest, DrumKitBankIsKeptAs32768) {
  int drum = AddAt(128, 0, 10);
  EXPECT_EQ(CacheDrumKitBank, List[drum].Bank);
  EXPECT_EQ(drum, List.Find(32768, 0));
  EXPECT_EQ(drum, List.Find(128, 0));
}

TEST_F(PresetListTest, DeleteMovesTheLastEntryIntoTheGapAndIdsAreNeverReused) {
  for (int p = 0; p < 4; ++p) AddAt(0, p, 10);
  List.Delete(3);  // the last: nothing moves
  ASSERT_EQ(3, List.Count());
  EXPECT_EQ(2, List[2].Program);
  List.Delete(0);  // inner: the last takes its place
  ASSERT_EQ(2, List.Count());
  EXPECT_EQ(2, List[0].Program);
  EXPECT_EQ(1, List[1].Program);
  List.Delete(-1);
  EXPECT_EQ(2, List.Count());
  int fresh = AddAt(0, 9, 10);
  EXPECT_EQ(4u, List[fresh].Id);  // ids 0-3 were given before
  List.Remove(0, 0, List[fresh].Id);
  EXPECT_EQ(-1, List.Find(0, 9));
}

TEST_F(PresetListTest, VictimIsTheOldestEvictableEntry) {
  fakeNow = 1000;
  EXPECT_EQ(-1, List.PickVictim(false));
  int a = AddAt(0, 1, 500);
  int b = AddAt(0, 2, 100);  // oldest
  AddAt(0, 3, 900);
  EXPECT_EQ(b, List.PickVictim(false));
  List[b].AddUse();  // a channel plays it: the others go first
  EXPECT_EQ(a, List.PickVictim(false));
  List[a].AddUse();
  List[2].AddUse();
  EXPECT_EQ(b, List.PickVictim(false)) << "all in use: the oldest";
  List[b].Pending = true;
  EXPECT_EQ(a, List.PickVictim(false));
  List[a].Releasing = true;  // being unloaded: picking it again would loop
  EXPECT_EQ(2, List.PickVictim(false));
  List[2].Pending = true;
  EXPECT_EQ(-1, List.PickVictim(false)) << "only pending or releasing entries are left";
}

TEST_F(PresetListTest, VictimTiesGoToTheLastMelodicEntryAndDrumsCanBeSkipped) {
  fakeNow = 1000;
  AddAt(0, 1, 100);
  AddAt(0, 2, 100);
  AddAt(32768, 0, 100);
  EXPECT_EQ(1, List.PickVictim(false));
  List[2].TimeStamp = 50;  // an older drum kit wins unless drums are skipped
  EXPECT_EQ(2, List.PickVictim(false));
  EXPECT_EQ(1, List.PickVictim(true));
  TPresetList drums;
  drums.Add(32768, 0, 0, 128, "m", 100);
  drums.Add(32768, 1, 1, 128, "m", 100);
  EXPECT_EQ(0, drums.PickVictim(false));
  EXPECT_EQ(-1, drums.PickVictim(true));
}

TEST_F(PresetListTest, AgesSurviveTheTickCounterWrapping) {
  fakeNow = 0xFFFFFF00u;
  int beforeWrap = AddAt(0, 1, CurrentTime);
  EXPECT_EQ(0xFFFFFF00u, List[beforeWrap].TimeStamp);
  fakeNow = 0x00000100u;  // 512 ms later, after the wrap
  int afterWrap = AddAt(0, 2, CurrentTime);
  EXPECT_EQ(512u, List[beforeWrap].Age(fakeNow));
  EXPECT_EQ(0u, List[afterWrap].Age(fakeNow));
  EXPECT_EQ(beforeWrap, List.PickVictim(false)) << "the stamp taken before the wrap is the older";
  // A use stamped after the clock was read is no age, not 49 days.
  EXPECT_EQ(0u, List[afterWrap].Age(0x000000F0u));
}

TEST_F(PresetListTest, UseCountNeverGoesBelowZero) {
  TPresetData& entry = List[AddAt(0, 1, 10)];
  EXPECT_FALSE(entry.DropUse());
  EXPECT_EQ(0u, entry.UseCount());
  entry.AddUse();
  entry.AddUse();
  EXPECT_TRUE(entry.DropUse());
  EXPECT_TRUE(entry.DropUse());
  EXPECT_FALSE(entry.DropUse());
  EXPECT_EQ(0u, entry.UseCount());
}

TEST_F(PresetListTest, CopyKeepsIdsAndChannelsButNotStateOfTheLoad) {
  List.Add(0, 1, 7, 3, "first", 10);
  List.Add(32768, 2, 2, 128, "second", 0xFFFFFFFFu - 1);
  List.Delete(0);
  List[0].Pending = true;
  List[0].Channel = 9;
  List[0].DeviceHandle = 77;
  List[0].AddUse();
  TPresetList copy;
  copy.Add(5, 5, 5, 5, "already there", 1);
  copy.Add(5, 6, 5, 5, "already there", 1);
  List.CopyTo(copy);
  ASSERT_EQ(3, copy.Count());
  const TPresetData& c = copy[2];
  EXPECT_EQ(1u, c.Id) << "the source's id, although the target's counter was at 2";
  EXPECT_EQ(9, c.Channel);
  EXPECT_EQ(CacheDrumKitBank, c.Bank);
  EXPECT_EQ("second", c.MappingName);
  EXPECT_EQ(128, c.SlotBank);
  EXPECT_EQ(0xFFFFFFFFu - 1, c.TimeStamp);
  EXPECT_FALSE(c.Pending);
  EXPECT_EQ(0, c.DeviceHandle);
  EXPECT_EQ(0u, c.UseCount());
}

TEST_F(PresetListTest, RecordCarriesTheEntry) {
  TPresetData& entry = List[List.Add(32768, 3, 4, 128, "drums", 1234)];
  entry.Name = std::string(300, 'n');
  entry.Releasing = true;
  entry.Channel = 9;
  CachedPresetRecord record = EmptyPresetRecord();
  entry.FillRecord(record);
  EXPECT_EQ(0, record.Loading);
  EXPECT_EQ(1, record.Removing);
  EXPECT_EQ(32768, record.Bank);
  EXPECT_EQ(3, record.Program);
  EXPECT_EQ(std::string(255, 'n'), GetShortString(record.PresetName));
  EXPECT_EQ(1234u, record.LastUsed);
  EXPECT_EQ(entry.Id, record.EntryId);
  EXPECT_EQ(9, record.Channel);
  EXPECT_EQ("", GetShortString(record.SourceFile));
  EXPECT_EQ("drums", GetShortString(record.MappingName));
  EXPECT_EQ(128, record.SourceBank);
  EXPECT_EQ(4, record.SourcePreset);
}

// Writers add and delete while readers scan: a reader never sees a half-made entry, and the writers'
// re-entrant takes (a write inside a write, a read inside a write) do not block themselves.
TEST(SafePresetList, ReadersSeeWholeEntriesWhileWritersChangeTheList) {
  TSafePresetList cache;
  std::atomic<bool> torn{false};
  std::atomic<bool> stop{false};
  std::vector<std::thread> writers;
  for (int w = 0; w < 3; ++w) {
    writers.emplace_back([&cache, w] {
      for (int i = 0; i < 2000; ++i) {
        TWriteLock outer(cache);
        TWriteLock inner(cache);
        TReadLock read(cache);
        TPresetList& list = cache.List();
        int index = list.Add(w, i & 0x7F, i & 0x7F, w, std::to_string(w * 100000 + i), 10);
        list[index].Channel = w;
        if (i % 3 == 0) list.Delete(0);
      }
    });
  }
  std::thread reader([&] {
    while (!stop) {
      TReadLock read(cache);
      const TPresetList& list = cache.List();
      for (int i = 0; i < list.Count(); ++i) {
        const TPresetData& entry = list[i];
        int number = std::stoi(entry.MappingName);
        if (entry.Bank != number / 100000 || entry.Channel != entry.Bank || entry.Program != (number % 100000 & 0x7F))
          torn = true;
      }
    }
  });
  for (auto& writer : writers) writer.join();
  stop = true;
  reader.join();
  EXPECT_FALSE(torn);
  EXPECT_EQ(3 * 2000 - 3 * 667, cache.List().Count());
}

}  // namespace
