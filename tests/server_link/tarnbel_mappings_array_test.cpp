#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <thread>

#include "mapping_random.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "tarnbel_mappings_array.h"

using namespace testsupport;

namespace {
const std::string kMappings = "Software\\tarnbel\\mappings";

class MappingsArrayTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTarnbelKey(); }
  void TearDown() override { ResetTarnbelKey(); }
};

// Stores a mapping the way the editor and the manager would.
void StoreMapping(const std::string& name, int priority, bool active, const std::vector<std::pair<int, int>>& slots,
                  bool random = true) {
  {
    TMapping m(name, false, nullptr, "");
    for (const auto& slot : slots)
      m.AddItem("C:\\" + name + ".sf2", slot.first, true, 0, name + " preset", slot.second, 0, slot.second);
  }
  TRegKey key(kMappings + "\\" + name, true);
  key.WriteInteger("Priority", priority);
  key.WriteBool("Active", active);
  key.WriteBool("Random", random);
}

std::string NameOf(const TMapping* m) { return m ? m->Name : "(none)"; }

// Every value below a key, with its data, for before/after comparisons.
void Snapshot(const std::string& path, std::vector<std::string>& out) {
  for (const std::string& name : ValueNames(path)) {
    RawValue v = ReadRaw(path, name);
    out.push_back(path + "|" + name + "|" + std::to_string(v.type) + "|" + std::string(v.data.begin(), v.data.end()));
  }
  for (const std::string& sub : SubkeyNames(path)) Snapshot(path + "\\" + sub, out);
}
}  // namespace

TEST_F(MappingsArrayTest, LookupFollowsActivePriorityAndNameOrder) {
  StoreMapping("a", 5, true, {{0, 0}, {1, 3}});
  StoreMapping("b", 5, true, {{0, 0}});
  StoreMapping("high", 9, true, {});
  StoreMapping("off", 50, false, {{0, 0}, {0, 1}});
  StoreMapping("negative", -3, true, {{0, 2}});
  StoreMapping("drums", 1, true, {{32768, 3}});
  TMappingsArray set;

  EXPECT_EQ("b", NameOf(set.FindMappingFor(0, 0)));      // equal priorities: the name sorting last
  EXPECT_EQ("a", NameOf(set.FindMappingFor(1, 3)));
  EXPECT_EQ("high", NameOf(set.FindMappingFor(0, 1)));   // inactive "off" is skipped; best overall
  EXPECT_EQ("high", NameOf(set.FindMappingFor(0, -1)));
  EXPECT_EQ("high", NameOf(set.FindMappingFor(0, 2)));   // a negative priority is never chosen
  EXPECT_EQ("drums", NameOf(set.FindMappingFor(32768, 3)));
  EXPECT_EQ("drums", NameOf(set.FindMappingFor(128, 3)));
  EXPECT_EQ("high", NameOf(set.FindMappingFor(500, 3)));  // no slot to test: best overall

  ASSERT_NE(nullptr, set.FindItem(0, 0));
  EXPECT_EQ("b preset", set.FindItem(0, 0)->Name);
  EXPECT_EQ(nullptr, set.FindItem(0, 1));
  EXPECT_EQ(nullptr, set.FindItem(-1, 0));
  EXPECT_EQ("drumsets", set.GetBankName(32768));
  EXPECT_EQ("bank 001", set.GetBankName(1));
  EXPECT_EQ("", set.GetBankName(7));

  // Only active mappings are loaded; the others are listed by name.
  int off = set.IndexOf("OFF");
  ASSERT_GE(off, 0);
  EXPECT_EQ(nullptr, set.MappingAt(off));
  set.ActivateMapping("off");
  EXPECT_EQ("off", NameOf(set.FindMappingFor(0, 1)));
  set.DeactivateMapping("off");
  EXPECT_EQ("high", NameOf(set.FindMappingFor(0, 1)));
  EXPECT_NE(nullptr, set.MappingAt(off));
}

TEST_F(MappingsArrayTest, DefaultIsCreatedWhenNothingElseServes) {
  StoreMapping("off", 1, false, {{0, 0}});
  TMappingsArray set;
  EXPECT_TRUE(KeyExists(kMappings + "\\default"));
  TMapping* fallback = set.FindMappingFor(0, 0);
  EXPECT_EQ("default", NameOf(fallback));
  EXPECT_EQ(fallback, set.GetOrCreateMapping(""));
  EXPECT_EQ(fallback, set.GetOrCreateMapping("no such mapping"));
  EXPECT_EQ(-1, set.IndexOf("no such mapping"));
  EXPECT_EQ(2, set.Count());
}

TEST_F(MappingsArrayTest, PrioritiesFromTextAndReloads) {
  StoreMapping("a", 0, true, {});
  StoreMapping("b", 0, true, {});
  StoreMapping("c", 0, true, {});
  StoreMapping("idle", 0, false, {});
  TMappingsArray set;
  set.ApplyPriorities("a\x01" "3\x01" "b\x01x\x01" "c\x01" "7\x01" "idle\x01" "5\x01" "d\x01" "8");
  EXPECT_EQ(3, set.GetOrCreateMapping("a")->Priority);
  EXPECT_EQ(0, set.GetOrCreateMapping("b")->Priority);
  EXPECT_EQ(7, set.GetOrCreateMapping("c")->Priority);
  EXPECT_EQ(nullptr, set.MappingAt(set.IndexOf("idle")));
  set.ApplyPriorities("a\x01\x01" "c\x01" "1");  // stops at the first empty value
  EXPECT_EQ(7, set.GetOrCreateMapping("c")->Priority);

  set.ReloadMapping("idle");  // listed but not loaded: stays so
  EXPECT_EQ(nullptr, set.MappingAt(set.IndexOf("idle")));
  StoreMapping("a", 4, true, {{2, 2}});
  set.ReloadMapping("a");
  EXPECT_EQ(4, set.GetOrCreateMapping("a")->Priority);
  EXPECT_TRUE(set.GetOrCreateMapping("a")->SlotFilled(2, 2));
}

TEST_F(MappingsArrayTest, RandomChoicesOfOneMapping) {
  StoreMapping("m", 0, true, {{127, 5}, {128, 9}, {128, 11}, {4, 6}});
  {
    TRegKey key(kMappings + "\\m", true);
    key.WriteInteger("DefaultDrumBank", 42);
  }
  StoreMapping("empty", 0, true, {});
  TMappingsArray set;
  TMapping& m = *set.GetOrCreateMapping("m");
  TMapping& empty = *set.GetOrCreateMapping("empty");
  for (int round = 0; round < 20; ++round) {
    EXPECT_EQ(127, GetRandomBank(m, 5));
    EXPECT_EQ(5, GetRandomProgram(m, 127));
    int kit = GetRandomDrumKit(m);
    EXPECT_TRUE(kit == 9 || kit == 11) << kit;
    int bank = -7, program = -7;
    GetRandomSlot(m, bank, program);  // the drum-kit bank is not among the slots
    EXPECT_TRUE((bank == 127 && program == 5) || (bank == 4 && program == 6)) << bank << "/" << program;
    int any = GetRandomBank(m, -1);
    EXPECT_TRUE(any >= 0 && any < 128);
  }
  EXPECT_EQ(-1, GetRandomBank(m, 7));
  EXPECT_EQ(-1, GetRandomBank(m, 500));
  EXPECT_EQ(-1, GetRandomProgram(m, 3));
  EXPECT_EQ(-1, GetRandomProgram(m, 4000));
  EXPECT_EQ(0, GetRandomDrumKit(empty));
  EXPECT_EQ(42, static_cast<int>(m.DefaultDrumBank));
  int bank = -7, program = -7;
  GetRandomSlot(empty, bank, program);
  EXPECT_EQ(-7, bank);
  EXPECT_EQ(-7, program);
}

TEST_F(MappingsArrayTest, RandomMappingLoadsCandidatesAndEndsWhenAKeyIsGone) {
  StoreMapping("default", 0, true, {}, false);
  StoreMapping("fixed", 2, true, {{0, 0}}, false);
  StoreMapping("lazy", 0, false, {{0, 0}});
  StoreMapping("gone", 0, false, {{0, 0}});
  TMappingsArray set;
  ASSERT_EQ(nullptr, set.MappingAt(set.IndexOf("lazy")));
  {
    TRegKey mappings(kMappings, true);
    mappings.DeleteKey("gone");
  }
  for (int round = 0; round < 10; ++round) EXPECT_EQ("lazy", NameOf(set.GetRandomMapping(0, 0)));
  EXPECT_EQ(nullptr, set.MappingAt(set.IndexOf("gone")));
  // No mapping that allows random choice fills 5/5: the best active mapping instead.
  EXPECT_EQ("fixed", NameOf(set.GetRandomMapping(5, 5)));
}

TEST_F(MappingsArrayTest, ServerSideNeverWritesMappings) {
  StoreMapping("a", 1, true, {{0, 0}, {3, 4}});
  StoreMapping("b", 2, false, {{1, 1}});
  StoreMapping("default", 0, true, {});
  {
    TRegKey key(kMappings + "\\a\\BankNames", true);  // make the bank lists exist with their defaults
  }
  { TMappingsArray warmUp; }  // the first load may write missing defaults back
  std::vector<std::string> before;
  Snapshot(kMappings, before);
  {
    TSafeMappingsArray safe;
    TWriteLock lock(safe);
    TMappingsArray& set = safe.Mappings();
    TMapping* a = set.GetOrCreateMapping("a");
    a->AddItem("C:\\new.sf2", 9, true, 0, "added in memory", 0, 0, 9);
    a->RemoveItem(0, 0);
    a->DefaultDrumBank = 77;
    set.ActivateMapping("b");
    set.ApplyPriorities("a\x01" "40");
    set.ReloadMapping("a");
    set.Reload();
  }
  std::vector<std::string> after;
  Snapshot(kMappings, after);
  EXPECT_EQ(before, after);
}

TEST_F(MappingsArrayTest, ReadersLoadSideBySideWithoutChangingTheNames) {
  for (int i = 0; i < 8; ++i) StoreMapping("m" + std::to_string(i), i, false, {{0, i}});
  TSafeMappingsArray safe;
  int names = safe.Mappings().Count();
  std::atomic<int> wrong{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t)
    readers.emplace_back([&] {
      for (int round = 0; round < 30; ++round) {
        TReadLock lock(safe);
        TMapping* m = safe.Mappings().GetRandomMapping(0, round % 8);
        if (!m || !m->SlotFilled(0, round % 8)) ++wrong;
        if (safe.Mappings().FindMappingFor(0, 0) == nullptr) ++wrong;
      }
    });
  for (auto& t : readers) t.join();
  EXPECT_EQ(0, wrong.load());
  EXPECT_EQ(names, safe.Mappings().Count());
}

TEST_F(MappingsArrayTest, LoadingTwentyMappingsOfFiveHundredEntries) {
  for (int i = 0; i < 20; ++i) {
    TMapping m("big" + std::to_string(i), false, nullptr, "");
    for (int e = 0; e < 500; ++e)
      m.AddItem("C:\\sf\\file" + std::to_string(e % 10) + ".sf2", e / 128, true, 0, "Preset " + std::to_string(e),
                e % 128, e % 3, e % 128);
  }
  auto start = std::chrono::steady_clock::now();
  TMappingsArray set;
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  int entries = 0;
  for (int i = 0; i < set.Count(); ++i)
    if (TMapping* m = set.MappingAt(i))
      for (int b = 0; b < MappingBanks; ++b)
        for (int p = 0; p < MappingPrograms; ++p) entries += m->SlotFilled(b, p);
  EXPECT_EQ(20 * 500, entries);
  std::cout << "[ figure ] loading 20 mappings of 500 entries: " << ms << " ms" << std::endl;
  RecordProperty("load_ms", static_cast<int>(ms));
}

// A mapping name is one key below the mappings: "" and names with a backslash name none, even when
// such a key exists (a mapping's own bank list).
TEST_F(MappingsArrayTest, OnlyOneKeyNamesAStoredMapping) {
  StoreMapping("Demo", 1, true, {{0, 0}});
  { TRegKey key(kMappings + "\\Demo\\BankNames", true); }
  EXPECT_TRUE(StoredMappingExists("Demo"));
  EXPECT_TRUE(StoredMappingExists("demo"));
  EXPECT_FALSE(StoredMappingExists("Demo\\BankNames"));
  EXPECT_FALSE(StoredMappingExists(""));
  EXPECT_FALSE(StoredMappingExists("Brand New"));
  TMappingsArray set;
  EXPECT_EQ(NameOf(set.GetOrCreateMapping("Demo\\BankNames")), "default");
}
