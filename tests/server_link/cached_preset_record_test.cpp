#include <gtest/gtest.h>

#include <cstddef>

#include "cached_preset_record.h"
#include "tarnbel_mapping.h"

namespace {
uint32_t U32At(const std::vector<uint8_t>& b, size_t offset) {
  return b[offset] | b[offset + 1] << 8 | b[offset + 2] << 16 | static_cast<uint32_t>(b[offset + 3]) << 24;
}
std::string ShortStringAt(const std::vector<uint8_t>& b, size_t offset) {
  return std::string(reinterpret_cast<const char*>(&b[offset + 1]), b[offset]);
}

CachedPresetRecord Sample() {
  CachedPresetRecord r = EmptyPresetRecord();
  r.Loading = 1;
  r.Removing = 0;
  r.Bank = 32768;
  r.Program = 127;
  SetShortString(r.PresetName, "Standard Kit");
  r.LastUsed = 0xA1B2C3D4u;
  r.Unused270 = 0x11111111u;
  r.EntryId = 77;
  r.Channel = 9;
  SetShortString(r.SourceFile, "C:\\sf\\drums.sf2");
  SetShortString(r.MappingName, NoneMarker);
  r.SourceBank = 128;
  r.SourcePreset = 3;
  r.Unused802 = 0x22222222u;
  return r;
}
}  // namespace

TEST(CachedPresetRecord, EncodedBytesSitAtTheirOffsets) {
  std::vector<uint8_t> b = EncodeCachedPresetRecords({Sample(), EmptyPresetRecord()});
  ASSERT_EQ(2 * 806u, b.size());
  EXPECT_EQ(1, b[0]);
  EXPECT_EQ(0, b[1]);
  EXPECT_EQ(32768u, U32At(b, 2));
  EXPECT_EQ(127u, U32At(b, 6));
  EXPECT_EQ("Standard Kit", ShortStringAt(b, 10));
  EXPECT_EQ(0xA1B2C3D4u, U32At(b, 266));
  EXPECT_EQ(77u, U32At(b, 274));
  EXPECT_EQ(9u, U32At(b, 278));
  EXPECT_EQ("C:\\sf\\drums.sf2", ShortStringAt(b, 282));
  EXPECT_EQ(std::string("\x01\x03\x03"), ShortStringAt(b, 538));
  EXPECT_EQ(128u, U32At(b, 794));
  EXPECT_EQ(3u, U32At(b, 798));
  // The second record starts right after the first; the tools' unknown numbers are -1.
  EXPECT_EQ(0xFFFFFFFFu, U32At(b, 806 + 278));
  EXPECT_EQ(0xFFFFFFFFu, U32At(b, 806 + 794));
  EXPECT_EQ(0u, b[806 + 10]);
}

TEST(CachedPresetRecord, DecodeTakesWholeRecordsOnlyAndRoundTrips) {
  std::vector<uint8_t> b = EncodeCachedPresetRecords({Sample(), Sample()});
  b.resize(b.size() + 100, 0xEE);  // a torn third record
  std::vector<CachedPresetRecord> records = DecodeCachedPresetRecords(b.data(), b.size());
  ASSERT_EQ(2u, records.size());
  EXPECT_EQ(32768, records[1].Bank);
  EXPECT_EQ(9, records[1].Channel);
  EXPECT_EQ("Standard Kit", GetShortString(records[1].PresetName));
  EXPECT_EQ(NoneMarker, GetShortString(records[1].MappingName));
  EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 2 * 806), EncodeCachedPresetRecords(records));
  EXPECT_TRUE(DecodeCachedPresetRecords(b.data(), 805).empty());
  EXPECT_TRUE(DecodeCachedPresetRecords(nullptr, 806).empty());
}

TEST(CachedPresetRecord, ShortStringsAreCutAt255AndReadByTheirLengthByte) {
  CachedPresetRecord r = EmptyPresetRecord();
  std::string longName(300, 'n');
  SetShortString(r.PresetName, longName);
  EXPECT_EQ(255, r.PresetName[0]);
  EXPECT_EQ(longName.substr(0, 255), GetShortString(r.PresetName));
  SetShortString(r.SourceFile, "abc");
  r.SourceFile[4] = 'X';  // bytes after the length are not part of the text
  EXPECT_EQ("abc", GetShortString(r.SourceFile));
  SetShortString(r.MappingName, "");
  EXPECT_EQ("", GetShortString(r.MappingName));
}

TEST(CachedPresetRecord, FilledFromAMappingEntry) {
  TMappingInactiveItem item;
  item.TargetBank = 128;
  item.TargetProgram = 4;
  item.SourceBank = WaveSourceBank;
  item.Name = "loops\\beat.wav|Beat";
  CachedPresetRecord r = Sample();
  FillPresetRecord(item, r);
  EXPECT_EQ(0, r.Loading);
  EXPECT_EQ(128, r.Bank);
  EXPECT_EQ(4, r.Program);
  EXPECT_EQ("loops\\beat.wav|Beat", GetShortString(r.PresetName));
  EXPECT_EQ(0xFFFFFFFFu, r.LastUsed);
  EXPECT_EQ(-1, r.Channel);
  EXPECT_EQ(-1, r.SourceBank);
  EXPECT_EQ(-1, r.SourcePreset);
  EXPECT_EQ("", GetShortString(r.SourceFile));
  EXPECT_EQ(NoneMarker, GetShortString(r.MappingName));  // left as it was
  EXPECT_EQ(0x11111111u, r.Unused270);
}
