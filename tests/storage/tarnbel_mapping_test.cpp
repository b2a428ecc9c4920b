#include <gtest/gtest.h>

#include <algorithm>

#include "registry_internal.h"
#include "registry_test_support.h"
#include "tarnbel_mapping.h"

using namespace testsupport;

namespace {
const std::string kMappings = "Software\\tarnbel\\mappings";
const std::string kPiano = "C:\\sf\\piano.sf2";
const std::string kDrums = "C:\\sf\\drums.sf2";
const std::string kWaves = "C:\\waves";

class MappingTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTarnbelKey(); }
  void TearDown() override { ResetTarnbelKey(); }
};

std::unique_ptr<TMapping> Open(const std::string& name) {
  return std::make_unique<TMapping>(name, false, nullptr, "");
}

// Everything a mapping holds in memory, as text, for comparisons.
std::vector<std::string> Contents(const TMapping& m) {
  std::vector<std::string> out;
  for (int b = 0; b < MappingBanks; ++b)
    for (int p = 0; p < MappingPrograms; ++p)
      if (const TMappingInactiveItem* item = m.Slot(b, p))
        out.push_back("slot " + std::to_string(b) + "/" + std::to_string(p) + " " + item->SourceFileText() + " " +
                      item->EntryString(false));
  for (const auto& item : m.Inactive) out.push_back("parked " + item->SourceFileText() + " " + item->EntryString(true));
  for (const auto* list : {m.BankNames.get(), m.BankColors.get(), m.BankBackgrounds.get()})
    for (const std::string& s : list->Items()) out.push_back("bank " + s);
  return out;
}

void Fill(TMapping& m) {
  m.AddItem(kPiano, 0, true, 1, "Grand Piano", 5, 0, 10);
  m.AddItem(kPiano, 0, true, 2, "Bright Piano", 1, 0, 1);
  m.AddItem(kDrums, 32768, true, 3, "Kit", 0, 128, 0);
  m.AddItem(kWaves, 3, true, 4, "loops\\beat.wav|Beat", 0, 200, 7);
  m.AddItem(kPiano, 0, false, 5, "Parked Piano", 6, 0, 10);
  m.SetBankName(5, "Strings");
  m.SetBankColor(3, "255");
  m.SetBankBackground(128, "C:\\bg.bmp");
  m.DefaultDrumBank = 8;
  m.DefaultMelodicBank = 2;
}
}  // namespace

TEST_F(MappingTest, StoredMappingSurvivesSaveAndLoadExactly) {
  std::vector<std::string> before;
  {
    auto m = Open("m");
    Fill(*m);
    before = Contents(*m);
  }
  auto m = Open("m");
  EXPECT_EQ(before, Contents(*m));
  EXPECT_EQ(8u, m->DefaultDrumBank);
  EXPECT_EQ(2u, m->DefaultMelodicBank);
  EXPECT_TRUE(m->Active);
  EXPECT_TRUE(m->Random);
  EXPECT_EQ(0, m->Priority);

  // The drum kit given as 32768 is stored and placed as 128.
  ASSERT_NE(nullptr, m->Slot(128, 0));
  EXPECT_EQ(m->Slot(128, 0), m->Slot(32768, 0));
  int k = m->Store->IndexOfKey(kDrums, true);
  EXPECT_EQ("128: 000: 128: 000: Kit", m->Store->GetValue(k, 0));
  EXPECT_EQ("000: 006: 000: 010:*Parked Piano", m->Inactive.at(0)->EntryString(true));

  const TMappingInactiveItem* wave = m->Slot(3, 7);
  ASSERT_NE(nullptr, wave);
  EXPECT_TRUE(wave->IsWave());
  EXPECT_EQ(kWaves + "loops\\beat.wav", wave->GetSourceName());
  EXPECT_EQ("Beat", wave->GetPresetName());
  std::vector<std::string> waves;
  m->ListWaveSources(kWaves, waves);
  EXPECT_EQ((std::vector<std::string>{kWaves + "loops\\beat.wav"}), waves);
  EXPECT_EQ("Strings", m->GetBankName(5));
  EXPECT_EQ("bank 006", m->GetBankName(6));
  EXPECT_EQ("255", m->GetBankColor(3));
  EXPECT_EQ("", m->GetBankColor(4));
  EXPECT_EQ("C:\\bg.bmp", m->GetBankBackground(128));
}

TEST_F(MappingTest, ReplacingAndRemovingEntriesKeepsStoreAndFileTableTidy) {
  auto m = Open("m");
  m->SaveOnDestroy = false;
  m->AddItem(kPiano, 0, true, 0, "Old", 1, 0, 0);
  m->AddItem(kDrums, 0, true, 0, "Other", 2, 0, 1);
  m->AddItem(kWaves, 0, true, 0, "a.wav|A", 0, 200, 2);
  ASSERT_EQ(3u, m->Files.size());
  // The new entry takes the slot; the old one was the last from its file, so the key and cell go.
  m->AddItem(kDrums, 0, true, 0, "New", 3, 0, 0);
  EXPECT_EQ(-1, m->Store->IndexOfKey(kPiano, true));
  EXPECT_EQ(2, m->Store->ValueCountByName(kDrums));
  EXPECT_EQ(-1, m->IndexOfFile(kPiano));
  EXPECT_EQ(2u, m->Files.size());
  EXPECT_EQ("New", m->Slot(0, 0)->Name);
  EXPECT_EQ(m->Slot(0, 0)->SourceFile, m->Slot(0, 1)->SourceFile);  // one cell per file

  m->RemoveItem(0, 2);
  EXPECT_EQ(-1, m->Store->IndexOfKey(kWaves, true));
  EXPECT_EQ(1u, m->Files.size());
  EXPECT_EQ(kDrums, *m->Files[0]);
  m->RemoveItem(0, 2);  // empty slot: nothing happens

  TMappingInactiveItem* parked = m->AddItem(kDrums, 0, false, 9, "Parked", 4, 0, 0);
  ASSERT_NE(nullptr, parked);
  EXPECT_EQ(9u, parked->Tag);
  EXPECT_EQ(0, m->IndexOfInactive(parked));
  EXPECT_EQ(0, m->FindInactive(0, 0));
  m->RemoveInactiveItem(0);
  EXPECT_TRUE(m->Inactive.empty());
  EXPECT_EQ(2, m->Store->ValueCountByName(kDrums));
  m->ClearSlots();
  EXPECT_EQ(0, m->Store->KeyCount());
  EXPECT_TRUE(m->Files.empty());
}

TEST_F(MappingTest, EntriesWithoutASlotAreRefusedOrKeptInTheStoreOnly) {
  {
    auto m = Open("m");
    EXPECT_EQ(nullptr, m->AddItem(kPiano, 129, false, 0, "x", 0, 0, 0));
    EXPECT_EQ(nullptr, m->AddItem(kPiano, 0, false, 0, "x", 0, 0, 128));
    EXPECT_EQ(nullptr, m->AddItem("", 0, false, 0, "x", 0, 0, 1));
    EXPECT_EQ(0, m->Store->KeyCount());
    m->AddItem(kPiano, 0, true, 0, "ok", 0, 0, 0);
  }
  const std::string key0 = kMappings + "\\m\\key0";
  WriteRawDword(key0, "Count", 5);
  WriteRawString(key0, "item1", "000: 001: 200: 000: bank too high");
  WriteRawString(key0, "item2", "000: 001: 000: 999: program too high");
  WriteRawString(key0, "item3", "000: 001: -01: 005: negative");
  WriteRawString(key0, "item4", "abc");
  {
    auto m = Open("m");
    EXPECT_EQ(5, m->Store->ValueCount(0));
    EXPECT_EQ("ok", m->Slot(0, 0)->Name);  // first in Store order wins the slot over "abc"
    EXPECT_EQ(nullptr, m->Slot(0, 5));
    EXPECT_TRUE(m->Inactive.empty());
  }
  // Saved back as they were.
  EXPECT_EQ("000: 001: 200: 000: bank too high", std::string(reinterpret_cast<const char*>(
                                                      ReadRaw(key0, "item1").data.data())));
  EXPECT_TRUE(ValueExists(key0, "item4"));
}

TEST_F(MappingTest, FirstActiveEntryInStoreOrderTakesTheSlot) {
  const std::string path = kMappings + "\\m";
  WriteRawDword(path, "Count", 2);
  WriteRawString(path, "item0", kPiano);
  WriteRawString(path, "item1", kDrums);
  WriteRawDword(path + "\\key0", "Count", 1);
  WriteRawString(path + "\\key0", "item0", "000: 001: 000: 004: first");
  WriteRawDword(path + "\\key1", "Count", 1);
  WriteRawString(path + "\\key1", "item0", "000: 002: 000: 004: second");
  auto m = Open("m");
  m->SaveOnDestroy = false;
  EXPECT_EQ("first", m->Slot(0, 4)->Name);
  EXPECT_EQ(kPiano, m->Slot(0, 4)->SourceFileText());
}

TEST_F(MappingTest, SourceLookupsPreferTheHighestTargetBank) {
  auto m = Open("m");
  m->SaveOnDestroy = false;
  m->AddItem(kPiano, 2, true, 0, "a", 5, 1, 0);
  m->AddItem(kPiano, 7, true, 0, "b", 5, 1, 9);
  m->AddItem(kPiano, 7, true, 0, "c", 5, 1, 20);
  m->AddItem(kWaves, 4, true, 0, "w.wav|W", 127, 200, 0);
  EXPECT_EQ("b", m->FindItemBySource(kPiano, 1, 5)->Name);
  EXPECT_EQ(nullptr, m->FindItemBySource(kDrums, 1, 5));

  uint8_t used[MappingBanks][MappingPrograms];
  std::fill(&used[0][0], &used[0][0] + sizeof used, 7);
  m->MarkUsedSourcePresets(kPiano, used);
  int marked = 0;
  for (auto& row : used)
    for (uint8_t cell : row) marked += cell;
  EXPECT_EQ(1, marked);
  EXPECT_EQ(1, used[1][5]);
  m->MarkUsedSourcePresets(kWaves + "w.wav", used);  // a wave entry has no row
}

TEST_F(MappingTest, BankAttributesAreSavedAtOnceForStoredMappingsOnly) {
  auto m = Open("m");
  m->SaveOnDestroy = false;
  m->BankColors->SaveOnDestroy = false;
  m->SetBankColor(3, "111");
  m->SetBankColor(3, "222");
  EXPECT_EQ((std::vector<std::string>{"003:222"}), m->BankColors->Items());
  EXPECT_TRUE(ValueExists(kMappings + "\\m\\BankColors", "item0"));
  m->SetBankColor(3, "");
  EXPECT_FALSE(ValueExists(kMappings + "\\m\\BankColors", "item0"));
  EXPECT_EQ("", m->GetBankColor(3));

  ResetTarnbelKey();
  {
    TMapping temp("t", true, nullptr, "");
    temp.AddItem(kPiano, 0, true, 0, "x", 0, 0, 0);
    temp.SetBankName(1, "One");
    EXPECT_EQ("One", temp.GetBankName(1));
  }
  EXPECT_FALSE(KeyExists("Software\\tarnbel\\BSSM"));
  EXPECT_FALSE(KeyExists(kMappings + "\\t"));
}

TEST_F(MappingTest, DeleteFromRegistryRemovesEverythingAndWritesNothingAfter) {
  {
    auto m = Open("m");
    Fill(*m);
  }
  {
    auto m = Open("m");
    m->DeleteFromRegistry();
  }
  EXPECT_FALSE(KeyExists(kMappings + "\\m"));
  EXPECT_TRUE(KeyExists(kMappings));

  // Deleted from outside while open: its saves fail and make nothing below the key again.
  {
    auto m = Open("m");
    Fill(*m);
    EXPECT_TRUE(m->SaveSettings());
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CURRENT_USER, (kMappings + "\\m").c_str()));
    m->AddItem(kDrums, 32768, true, 0, "Late Kit", 1, 128, 1);
    EXPECT_FALSE(m->SaveSettings());
    m->SetBankName(7, "Late");
  }  // freed with its save on
  EXPECT_FALSE(KeyExists(kMappings + "\\m"));
}

namespace {
const std::string kStored = kMappings + "\\m";

// The mapping "m" as the registry holds it: one key, the piano file, with these lines.
void StoreLines(const std::vector<std::string>& lines) {
  WriteRawDword(kStored, "Count", 1);
  WriteRawString(kStored, "item0", kPiano);
  WriteRawDword(kStored + "\\key0", "Count", uint32_t(lines.size()));
  for (size_t i = 0; i < lines.size(); ++i) WriteRawString(kStored + "\\key0", "item" + std::to_string(i), lines[i]);
}

std::vector<std::string> StoredLines() {
  auto m = Open("m");
  m->SaveOnDestroy = false;
  return m->Store->KeyCount() ? m->Store->Keys().Values(0).Items() : std::vector<std::string>{};
}

int EntryCount(const TMapping& m) {
  int count = int(m.Inactive.size());
  for (int b = 0; b < MappingBanks; ++b)
    for (int p = 0; p < MappingPrograms; ++p) count += m.SlotFilled(b, p);
  return count;
}
}  // namespace

// A negative count of the file list or of a file's entries hides nothing, and the next save keeps all.
TEST_F(MappingTest, NegativeStoredCountsKeepEveryEntry) {
  for (const std::string& countAt : {kStored, kStored + "\\key0"}) {
    SCOPED_TRACE(countAt);
    ResetTarnbelKey();
    StoreLines({"000: 001: 000: 001: One", "000: 002: 000: 002: Two", "000: 003: 000: 003: Three"});
    WriteRawDword(countAt, "Count", uint32_t(-1));
    {
      auto m = Open("m");
      EXPECT_EQ(3, EntryCount(*m));
      m->AddItem(kDrums, 0, true, 0, "Four", 4, 0, 4);
    }  // saved on free
    auto m = Open("m");
    EXPECT_EQ(4, EntryCount(*m));
    ASSERT_NE(nullptr, m->Slot(0, 3));
    EXPECT_EQ("Three", m->Slot(0, 3)->Name);
  }
}

// Removing an entry removes the very line it was read from, however it was spelt; the others stay as they are.
TEST_F(MappingTest, RemovingAnEntryRemovesItsOwnStoredLine) {
  struct TCase {
    const char* What;
    std::vector<std::string> Lines;
    std::string Removed;  // the name of the entry removed
    std::vector<std::string> Left;
  } cases[] = {
      {"tab before the name", {"000: 005: 002: 010:\tGrand Piano"}, "Grand Piano", {}},
      {"other separators", {"000; 005; 002; 010; Grand Piano"}, "Grand Piano", {}},
      {"no blank, no name", {"000: 005: 002: 010:"}, "", {}},
      {"another mark", {"000: 005: 002: 010:-Grand Piano"}, "Grand Piano", {}},
      {"parked, other separators", {"000; 005; 002; 010;*Parked"}, "Parked", {}},
      {"parked twins in other case", {"000: 001: 002: 010:*Piano", "000: 001: 002: 010:*PIANO"}, "PIANO",
       {"000: 001: 002: 010:*Piano"}},
      {"beside a line that is no entry", {"garbage", "000: 005: 002: 010:\tX"}, "X", {"garbage"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    ResetTarnbelKey();
    StoreLines(c.Lines);
    {
      auto m = Open("m");
      m->SaveOnDestroy = false;
      int parked = -1;
      for (size_t i = 0; i < m->Inactive.size(); ++i)
        if (m->Inactive[i]->Name == c.Removed) parked = int(i);
      if (parked >= 0) {
        m->RemoveInactiveItem(parked);
      } else {
        ASSERT_NE(nullptr, m->Slot(2, 10));
        EXPECT_EQ(c.Removed, m->Slot(2, 10)->Name);
        m->RemoveItem(2, 10);
      }
      m->SaveSettings();
    }
    EXPECT_EQ(c.Left, StoredLines());
  }
}

// A stored line that is no entry fills no slot and is never written back changed.
TEST_F(MappingTest, LinesThatAreNoEntriesAreNotShownAndStayAsTheyAre) {
  const std::vector<std::string> lines = {"garbage", "000: 004: 000: 00", "abc: 005: 002: 010: letters",
                                          "[C:\\a.sf2]", "12: 5: 2: 10: short fields", "000: 001: 000: 007: Seven"};
  StoreLines(lines);
  {
    auto m = Open("m");
    EXPECT_EQ(1, EntryCount(*m));
    ASSERT_NE(nullptr, m->Slot(0, 7));
    EXPECT_EQ("Seven", m->Slot(0, 7)->Name);
    // Removing the only entry keeps the file's key: the other lines are still its lines.
    m->RemoveItem(0, 7);
    m->AddItem(kPiano, 1, true, 0, "Added", 9, 0, 9);
  }  // saved on free
  std::vector<std::string> expected(lines.begin(), lines.end() - 1);
  expected.push_back("000: 009: 001: 009: Added");
  EXPECT_EQ(expected, StoredLines());
}

// A save stores the bank lists with the entries, however they were filled; a mapping freed unsaved stores none.
TEST_F(MappingTest, SaveStoresTheBankListsWithTheEntries) {
  const std::vector<std::string> text = {"[Bank backgrounds]", "003:255", "", "[Bank colors]", "003:65280", "",
                                         "[Bank names]", "003:Strings", "", "[" + kPiano + "]",
                                         "000: 001: 003: 001: Violin"};
  {
    TMapping m("m", false, &text, "");
    m.SaveOnDestroy = false;
    EXPECT_TRUE(m.SaveSettings());
    for (const char* list : {"BankNames", "BankColors", "BankBackgrounds"}) {
      TRegArray stored(kStored + "\\" + list, true);
      stored.SaveOnDestroy = false;
      EXPECT_EQ(1, stored.Count()) << list;
    }
    m.SetBankColor(4, "1", false);
    m.BankNames->Clear();
  }  // freed unsaved: the colour set for showing and the cleared names stay unstored
  auto m = Open("m");
  EXPECT_EQ("Strings", m->GetBankName(3));
  EXPECT_EQ("65280", m->GetBankColor(3));
  EXPECT_EQ("", m->GetBankColor(4));
  EXPECT_EQ("255", m->GetBankBackground(3));
  ASSERT_NE(nullptr, m->Slot(3, 1));
  EXPECT_EQ("Violin", m->Slot(3, 1)->Name);
  // A list left unchanged is not written over what another window stored meanwhile.
  Open("m")->SetBankName(5, "Brass");
  m->AddItem(kPiano, 5, true, 0, "Horn", 2, 0, 2);
  EXPECT_TRUE(m->SaveSettings());
  EXPECT_EQ("Brass", Open("m")->GetBankName(5));
}
