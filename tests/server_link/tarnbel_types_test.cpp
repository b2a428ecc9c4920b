#include <gtest/gtest.h>

#include <cstring>

#include "tarnbel_types.h"

namespace {
std::vector<uint8_t> Block(uint32_t count, const std::vector<BankProgramRecord>& records) {
  std::vector<uint8_t> block(4 + records.size() * sizeof(BankProgramRecord));
  std::memcpy(block.data(), &count, 4);
  if (!records.empty()) std::memcpy(block.data() + 4, records.data(), records.size() * sizeof(BankProgramRecord));
  return block;
}
BankProgramRecord Record(int bank, int program, uint32_t pair = NoRequestedPair) {
  return BankProgramRecord{bank, program, {1, 2, 3}, pair};
}
}  // namespace

TEST(BankProgramRecords, RequestedPairHoldsBankAndProgram) {
  BankProgramRecord r = Record(0, 0, 0x0080FFFFu);
  EXPECT_EQ(128, RequestedBank(r));
  EXPECT_EQ(-1, RequestedProgram(r));
  r.RequestedPair = NoRequestedPair;
  EXPECT_EQ(-1, RequestedBank(r));
  r.RequestedPair = 0x00030005u;
  EXPECT_EQ(3, RequestedBank(r));
  EXPECT_EQ(5, RequestedProgram(r));
}

TEST(BankProgramRecords, BlockIsNeverReadPastItsEnd) {
  std::vector<BankProgramRecord> records;
  std::vector<uint8_t> block = Block(2, {Record(1, 2), Record(32768, 7)});
  ASSERT_TRUE(ReadBankProgramRecords(block.data(), block.size(), records));
  ASSERT_EQ(2u, records.size());
  EXPECT_EQ(32768, records[1].Bank);
  EXPECT_EQ(3u, records[1].Carried[2]);

  // The count claims more than the block holds: only whole records inside it are taken.
  block = Block(1000000, {Record(1, 2)});
  block.resize(block.size() + 10);
  EXPECT_FALSE(ReadBankProgramRecords(block.data(), block.size(), records));
  EXPECT_EQ(1u, records.size());
  EXPECT_FALSE(ReadBankProgramRecords(block.data(), 3, records));
  EXPECT_TRUE(records.empty());
  EXPECT_FALSE(ReadBankProgramRecords(nullptr, 100, records));

  std::vector<BankProgramRecord> copy;
  CopyBankProgramRecords({Record(4, 4)}, copy);
  ASSERT_EQ(1u, copy.size());
  EXPECT_EQ(4, copy[0].Program);
}

TEST(BankProgramRecords, HasBankProgramMatchesTheDrumBankEitherWay) {
  std::vector<BankProgramRecord> records = {Record(0, 1), Record(128, 5), Record(32768, 6)};
  EXPECT_TRUE(HasBankProgram(records, 0, 1));
  EXPECT_FALSE(HasBankProgram(records, 1, 0));
  EXPECT_TRUE(HasBankProgram(records, 32768, 5));
  EXPECT_TRUE(HasBankProgram(records, 128, 6));
  EXPECT_TRUE(HasBankProgram(records, 32768, 6));
  EXPECT_FALSE(HasBankProgram({}, 0, 0));
}

TEST(ExtractField, WordsEndAtEveryDelimiter) {
  const std::string d = "\x01";
  EXPECT_EQ("a", ExtractField(1, "a\x01" "3\x01\x01" "c", d));
  EXPECT_EQ("3", ExtractField(2, "a\x01" "3\x01\x01" "c", d));
  EXPECT_EQ("", ExtractField(3, "a\x01" "3\x01\x01" "c", d));
  EXPECT_EQ("c", ExtractField(4, "a\x01" "3\x01\x01" "c", d));
  EXPECT_EQ("", ExtractField(5, "a\x01" "3\x01\x01" "c", d));
  EXPECT_EQ("", ExtractField(0, "a", d));
  EXPECT_EQ("b", ExtractField(2, "a b,c", " ,"));
  EXPECT_EQ("c", ExtractField(3, "a b,c", " ,"));
}
