#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "protocol_payloads.h"
#include "tarnbel_protocol.h"

TEST(ProtocolPayloads, EntryListsEndEveryEntryWithTheTerminator) {
  EXPECT_EQ("", EncodeEntryList({}));
  EXPECT_EQ(std::string("a\x01\x01" "b\x01"), EncodeEntryList({"a", "", "b"}));
  EXPECT_EQ((std::vector<std::string>{"a", "", "b"}), DecodeEntryList(std::string("a\x01\x01" "b\x01")));
  EXPECT_EQ((std::vector<std::string>{"a"}), DecodeEntryList(std::string("a\x01unended")));
  EXPECT_TRUE(DecodeEntryList("").empty());
  // The route list of a server that is off is an empty text.
  EXPECT_EQ("", EncodeRouteList(false, {"In A"}));
  EXPECT_EQ(std::string("[no info]\x01" "In A\x01"), EncodeRouteList(true, {"In A"}));
  // Three mappings listed bottom up with their priorities.
  EXPECT_EQ(std::string("C\x01" "1\x01" "B\x01" "2\x01" "A\x01" "3\x01"),
            EncodeMappingOrder({{"C", 1}, {"B", 2}, {"A", 3}}));
  EXPECT_EQ(std::string("N\x01-2\x01"), EncodeMappingOrder({{"N", -2}}));
}

TEST(ProtocolPayloads, BankAndProgramParameters) {
  int32_t bank = 0, program = 0;
  for (int32_t drums : {128, 32768}) {
    LPARAM lamp = EncodeLampParam(drums, 35);
    EXPECT_EQ(0x80000023u, static_cast<uint32_t>(lamp));
    DecodeLampParam(lamp, bank, program);
    EXPECT_EQ(32768, bank);
    EXPECT_EQ(35, program);
  }
  DecodeLampParam(EncodeLampParam(127, 0), bank, program);
  EXPECT_EQ(127, bank);
  EXPECT_EQ(0, program);

  LPARAM changed = EncodePresetChangedParam(32768, 127);
  EXPECT_EQ(0x8000007Fu, static_cast<uint32_t>(changed));
  DecodePresetChangedParam(changed, bank, program);
  EXPECT_EQ(32768, bank);
  EXPECT_EQ(127, program);

  LPARAM requester = 0;
  ASSERT_TRUE(EncodeMMRequesterParam(0xFFFF, 3, requester));
  DWORD thread = 0;
  uint16_t loopback = 0;
  DecodeMMRequesterParam(requester, thread, loopback);
  EXPECT_EQ(0xFFFFu, thread);
  EXPECT_EQ(3, loopback);
  // A longer id would name some other thread once cut: refused.
  EXPECT_FALSE(EncodeMMRequesterParam(0x10001, 3, requester));
}

TEST(ProtocolPayloads, FixedBlocksAreCheckedAgainstTheirSizes) {
  TMMPresetsBlock block{};
  std::vector<uint8_t> payload(256, 7);
  ASSERT_TRUE(DecodeMMPresetsBlock(payload, block));
  EXPECT_EQ(7, block[255]);
  payload.push_back(0);
  EXPECT_FALSE(DecodeMMPresetsBlock(payload, block));
  EXPECT_FALSE(DecodeMMPresetsBlock({}, block));

  TMMDrumWords words{};
  words[0] = 0x1234;
  words[127] = 0xFFFF;
  std::vector<uint8_t> encoded = EncodeMMDrumWords(words);
  ASSERT_EQ(256u, encoded.size());
  EXPECT_EQ(0x34, encoded[0]);  // little-endian
  EXPECT_EQ(0x12, encoded[1]);
  TMMDrumWords back{};
  ASSERT_TRUE(DecodeMMDrumWords(encoded, back));
  EXPECT_EQ(words, back);
  encoded.pop_back();
  EXPECT_FALSE(DecodeMMDrumWords(encoded, back));
}

TEST(ProtocolPayloads, BankNamesFitTheirSlots) {
  std::vector<std::string> names{"Piano", std::string(30, 'x'), "", "\xc4rger"};
  std::vector<uint8_t> block = EncodeBankNames(names);
  ASSERT_EQ(3328u, block.size());
  EXPECT_EQ(0, block[26 + 20]);  // cut to 20 characters and zero-ended
  std::vector<std::string> back;
  ASSERT_TRUE(DecodeBankNames(block, back));
  ASSERT_EQ(128u, back.size());
  EXPECT_EQ("Piano", back[0]);
  EXPECT_EQ(std::string(20, 'x'), back[1]);
  EXPECT_EQ("", back[2]);
  EXPECT_EQ("\xc4rger", back[3]);
  EXPECT_EQ("", back[127]);
  // A slot without its zero is read to the slot's end, never into the next name.
  std::vector<uint8_t> unended(3328, 'y');
  ASSERT_TRUE(DecodeBankNames(unended, back));
  EXPECT_EQ(std::string(26, 'y'), back[0]);
  EXPECT_FALSE(DecodeBankNames(std::vector<uint8_t>(3327), back));
}

TEST(ProtocolPayloads, BankProgramBlocksMustHoldExactlyTheirCount) {
  std::vector<BankProgramRecord> records{{32768, 1, {1, 2, 3}, NoRequestedPair}, {5, 6, {0, 0, 0}, 0x00050006u}};
  std::vector<uint8_t> block = EncodeBankProgramBlock(records);
  ASSERT_EQ(4u + 48u, block.size());
  EXPECT_EQ(2, block[0]);
  std::vector<BankProgramRecord> back;
  ASSERT_TRUE(DecodeBankProgramBlock(block, back));
  ASSERT_EQ(2u, back.size());
  EXPECT_EQ(32768, back[0].Bank);
  EXPECT_EQ(3u, back[0].Carried[2]);
  EXPECT_EQ(0x00050006u, back[1].RequestedPair);

  EXPECT_TRUE(DecodeBankProgramBlock(EncodeBankProgramBlock({}), back));
  EXPECT_TRUE(back.empty());

  std::vector<uint8_t> shortBlock(block.begin(), block.end() - 1);
  EXPECT_FALSE(DecodeBankProgramBlock(shortBlock, back));
  EXPECT_TRUE(back.empty());
  std::vector<uint8_t> longBlock = block;
  longBlock.resize(block.size() + 24);  // a whole record more than counted
  EXPECT_FALSE(DecodeBankProgramBlock(longBlock, back));
  std::vector<uint8_t> huge = block;
  huge[0] = huge[1] = huge[2] = huge[3] = 0xFF;  // a count no block holds
  EXPECT_FALSE(DecodeBankProgramBlock(huge, back));
  EXPECT_FALSE(DecodeBankProgramBlock(std::vector<uint8_t>{1, 0}, back));
}

TEST(ProtocolPayloads, CacheListMustMatchTheAnnouncedCount) {
  std::vector<CachedPresetRecord> records(2, EmptyPresetRecord());
  records[0].Bank = 32768;
  SetShortString(records[1].MappingName, NoneMarker);
  std::vector<uint8_t> payload = EncodeCachedPresetRecords(records);
  std::vector<CachedPresetRecord> back;
  ASSERT_TRUE(DecodeCacheList(payload, 2, back));
  ASSERT_EQ(2u, back.size());
  EXPECT_EQ(32768, back[0].Bank);
  EXPECT_EQ(NoneMarker, GetShortString(back[1].MappingName));
  EXPECT_FALSE(DecodeCacheList(payload, 3, back));
  EXPECT_TRUE(back.empty());
  payload.pop_back();
  EXPECT_FALSE(DecodeCacheList(payload, 2, back));
  EXPECT_TRUE(DecodeCacheList({}, 0, back));
  EXPECT_FALSE(DecodeCacheList({}, 0xFFFFFFFFu, back));
}

TEST(ProtocolPayloads, PayloadCarryingIds) {
  for (UINT id : {WM_TB_SELECT_ROUTE, WM_TB_MAPPING_ORDER, WM_TB_CACHE_LIST, WM_TB_ROUTE_LIST,
                  WM_TB_MM_LOAD_DRUMS, WM_TB_WINAMP_LOAD_PRESETS, WM_TB_SET_FILE_TEXT})
    EXPECT_TRUE(MessageCarriesPayload(id)) << id;
  for (UINT id : {WM_TB_PREVIEW_PRESET, WM_TB_UNLOAD_PRESET, WM_TB_CACHE_COUNT, WM_TB_QUERY_BANK_NAMES, TM_QUIT})
    EXPECT_FALSE(MessageCarriesPayload(id)) << id;
}
