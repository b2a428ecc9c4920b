// The records the SoundFont writer gets from the editor's selections, field by field, and the Logic list's
// table of names.
#include <gtest/gtest.h>

#include "logic_patch_list.h"
#include "preset_records.h"
#include "tarnbel_mapping.h"

namespace {

struct TExpected {
  int32_t Bank, Program;
  std::string Name, File;
  int32_t SourceBank, SourcePreset;
};

// Every field: what the editor sets, and -1 or empty in what it does not know.
void ExpectRecords(const std::vector<CachedPresetRecord>& records, const std::vector<TExpected>& expected,
                   const std::string& what) {
  ASSERT_EQ(records.size(), expected.size()) << what;
  for (size_t i = 0; i < records.size(); ++i) {
    const CachedPresetRecord& r = records[i];
    const TExpected& e = expected[i];
    EXPECT_EQ(r.Bank, e.Bank) << what << " #" << i;
    EXPECT_EQ(r.Program, e.Program) << what << " #" << i;
    EXPECT_EQ(GetShortString(r.PresetName), e.Name) << what << " #" << i;
    EXPECT_EQ(GetShortString(r.SourceFile), e.File) << what << " #" << i;
    EXPECT_EQ(r.SourceBank, e.SourceBank) << what << " #" << i;
    EXPECT_EQ(r.SourcePreset, e.SourcePreset) << what << " #" << i;
    EXPECT_EQ(r.Loading, 0) << what;
    EXPECT_EQ(r.Removing, 0) << what;
    EXPECT_EQ(r.LastUsed, 0xFFFFFFFFu) << what;
    EXPECT_EQ(r.EntryId, 0xFFFFFFFFu) << what;
    EXPECT_EQ(r.Channel, -1) << what;
    EXPECT_EQ(GetShortString(r.MappingName), "") << what;
    EXPECT_EQ(r.Unused270, 0u) << what;
  }
}

TAttachedRow Row(const TMappingInactiveItem* entry, bool inactive, const std::string& caption = "") {
  TAttachedRow row;
  row.Entry = entry;
  row.Inactive = inactive;
  row.Caption = caption;
  return row;
}

TSourcePreset Source(bool wave, int bank, int program, const std::string& caption, const std::string& path) {
  TSourcePreset preset;
  preset.Wave = wave;
  preset.Bank = bank;
  preset.Program = program;
  preset.Caption = caption;
  preset.Path = path;
  return preset;
}

}  // namespace

TEST(PresetRecords, AttachedEntriesFromTheLastSelectedToTheFirst) {
  TMapping m("records", true, nullptr, "");
  m.AddItem("C:\\sf\\gm.sf2", 3, true, 0, "Piano", 1, 0, 4);
  m.AddItem("C:\\sf\\gm.sf2", 128, true, 0, "Kit", 0, 128, 9);
  m.AddItem("C:\\waves\\", 100, true, 0, "hit.wav|Big hit", 200, 200, 7);
  TMappingInactiveItem* parked = m.AddItem("C:\\sf\\other.sf2", 3, false, 0, "Parked", 2, 0, 4);
  const std::vector<TAttachedRow> rows = {Row(m.Slot(3, 4), false), Row(nullptr, false, " bank 003"),
                                          Row(parked, true), Row(m.Slot(128, 9), false), Row(m.Slot(100, 7), false)};
  const TExpected wave{100, 7, "Big hit", "C:\\waves\\hit.wav", 200, 200};
  const TExpected kit{32768, 9, "Kit", "C:\\sf\\gm.sf2", 128, 0};
  const TExpected piano{3, 4, "Piano", "C:\\sf\\gm.sf2", 0, 1};
  ExpectRecords(EntryPresetRecords(rows, false), {wave, kit, piano}, "one file: the parked entry left out");
  ExpectRecords(EntryPresetRecords(rows, true), {wave, kit, {3, 4, "Parked", "C:\\sf\\other.sf2", 0, 2}, piano},
                "separate files: the parked entry too");
}

TEST(PresetRecords, SourcePresetsAndWavesFromTheLastSelectedToTheFirst) {
  const std::string sf = "C:\\sf\\gm.sf2";
  const std::string longName = "A preset name of more than forty characters in all";
  const std::vector<TSourcePreset> presets = {Source(false, 0, 5, "000: 005: " + longName, sf),
                                              Source(false, 128, 0, "drum: 000: Standard", sf)};
  ExpectRecords(SourcePresetRecords(presets, false, 100),
                {{32768, 0, "Standard", sf, 128, 0}, {0, 5, longName.substr(0, 40), sf, 0, 5}}, "presets of a file");

  std::vector<TSourcePreset> waves;
  for (const char* name : {"a.wav", "b.wav", "c.wav"}) waves.push_back(Source(true, 200, 200, name, std::string("C:\\w\\") + name));
  auto wave = [](int bank, int program, const char* name) {
    return TExpected{bank, program, name, std::string("C:\\w\\") + name, 200, 200};
  };
  struct Case {
    const char* What;
    bool Separate;
    int WaveBank;
    std::vector<TExpected> Expected;
  } cases[] = {
      {"from the first program of the wave bank", false, 100, {wave(100, 0, "c.wav"), wave(100, 1, "b.wav"), wave(100, 2, "a.wav")}},
      {"a hand-edited bank brought into range", false, 500, {wave(127, 0, "c.wav"), wave(127, 1, "b.wav"), wave(127, 2, "a.wav")}},
      {"each its own file at 0:0", true, 100, {wave(0, 0, "c.wav"), wave(0, 0, "b.wav"), wave(0, 0, "a.wav")}},
  };
  for (const Case& c : cases) ExpectRecords(SourcePresetRecords(waves, c.Separate, c.WaveBank), c.Expected, c.What);

  // A full bank goes on in the next; after bank 127 comes bank 0.
  std::vector<TSourcePreset> many(130, Source(true, 200, 200, "w.wav", "C:\\w\\w.wav"));
  std::vector<CachedPresetRecord> records = SourcePresetRecords(many, false, 127);
  ASSERT_EQ(records.size(), 130u);
  EXPECT_EQ(records[127].Bank, 127);
  EXPECT_EQ(records[127].Program, 127);
  EXPECT_EQ(records[128].Bank, 0);
  EXPECT_EQ(records[128].Program, 0);
  EXPECT_EQ(records[129].Program, 1);
}

TEST(LogicPatchList, OneLinePerProgramOfTheBankFromTheEntriesInForce) {
  TMapping m("logic", true, nullptr, "");
  m.AddItem("C:\\sf\\gm.sf2", 2, true, 0, "Piano", 0, 0, 0);
  m.AddItem("C:\\sf\\gm.sf2", 2, true, 0, "Organ", 5, 0, 2);
  TMappingInactiveItem* parked = m.AddItem("C:\\sf\\gm.sf2", 2, false, 0, "Parked", 6, 0, 1);
  m.AddItem("C:\\sf\\gm.sf2", 128, true, 0, "Kit", 0, 128, 127);
  TLogicTable table;
  table.Fill({Row(m.Slot(2, 0), false, "002: 000: Piano"), Row(parked, true, "002: 001: Parked"),
              Row(nullptr, false, " bank 002"), Row(m.Slot(2, 2), false, "002: 002: Organ\r\nline two"),
              Row(m.Slot(128, 127), false, "drum: 127: Standard kit")});
  struct Case {
    int Bank;
    std::vector<std::pair<int, std::string>> Lines;  // the others are "-"
  } cases[] = {
      {2, {{0, "Piano"}, {2, "Organ  line two"}}},  // a line break in a name keeps the list at 128 lines
      {128, {{127, "Standard kit"}}},
      {5, {}},
  };
  for (const Case& c : cases) {
    std::string expected;
    for (int program = 0; program < 128; ++program) {
      std::string line = "-";
      for (const auto& named : c.Lines)
        if (named.first == program) line = named.second;
      expected += line + "\r\n";
    }
    EXPECT_EQ(table.BankText(c.Bank), expected) << c.Bank;
  }
}
