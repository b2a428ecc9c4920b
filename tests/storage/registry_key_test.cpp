#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "registry_faults.h"
#include "registry_internal.h"
#include "registry_test_support.h"

using namespace testsupport;

namespace {
const char* const kPath = "Software\\tarnbel\\regkey_test";

class RegKeyTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTarnbelKey(); }
  void TearDown() override { ResetTarnbelKey(); }
};
}  // namespace

TEST_F(RegKeyTest, MissingValuesAreReadAsDefaultsAndWrittenBack) {
  TRegKey key(kPath, true);
  ASSERT_TRUE(key.Opened());
  EXPECT_EQ("abc", key.ReadString("s", "abc"));
  EXPECT_EQ(300, key.ReadInteger("i", 300));
  EXPECT_TRUE(key.ReadBool("b", true));
  key.Flush();

  RawValue s = ReadRaw(kPath, "s");
  ASSERT_TRUE(s.found);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), s.type);
  EXPECT_EQ((std::vector<uint8_t>{'a', 'b', 'c', 0}), s.data);
  RawValue i = ReadRaw(kPath, "i");
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), i.type);
  EXPECT_EQ((std::vector<uint8_t>{0x2C, 0x01, 0, 0}), i.data);
  EXPECT_EQ((std::vector<uint8_t>{1, 0, 0, 0}), ReadRaw(kPath, "b").data);
}

TEST_F(RegKeyTest, StoredValuesWinOverDefaults) {
  {
    TRegKey key(kPath, true);
    key.WriteString("s", "stored");
    key.WriteString("empty", "");
    key.WriteInteger("neg", -5);
    key.WriteBool("f", false);
  }
  TRegKey key(kPath, false);
  ASSERT_TRUE(key.Opened());
  EXPECT_EQ("stored", key.ReadString("s", "x"));
  EXPECT_EQ("", key.ReadString("empty", "x"));
  EXPECT_EQ((std::vector<uint8_t>{0}), ReadRaw(kPath, "empty").data);
  EXPECT_EQ(-5, key.ReadInteger("neg", 7));
  EXPECT_FALSE(key.ReadBool("f", true));
}

TEST_F(RegKeyTest, LongStringsAreReadWhole) {
  std::string big(5000, 'x');
  big[4999] = 'y';
  TRegKey key(kPath, true);
  key.WriteString("big", big);
  EXPECT_EQ(big, key.ReadString("big", ""));
}

// What an integer read makes of each stored form: a DWORD as its number, a short decimal text as the number
// it spells; anything else (another type, another size, text that is no number or longer than four bytes)
// reads as the default, which takes the damaged value's place.
TEST_F(RegKeyTest, IntegerReadsTakeDwordsAndShortDecimalTextsAndReplaceAnythingElse) {
  struct TCase {
    const char* Name;
    DWORD Type;
    std::vector<uint8_t> Data;
    int32_t Read;
    bool Replaced;
  };
  const TCase cases[] = {
      {"dword", REG_DWORD, {0xFB, 0xFF, 0xFF, 0xFF}, -5, false},
      {"text 2", REG_SZ, {'2', 0}, 2, false},
      {"text 1", REG_SZ, {'1', 0}, 1, false},
      {"text -12", REG_SZ, {'-', '1', '2', 0}, -12, false},
      {"expandable 100", REG_EXPAND_SZ, {'1', '0', '0', 0}, 100, false},
      {"text ab", REG_SZ, {'a', 'b', 0}, 9, true},
      {"text minus", REG_SZ, {'-', 0}, 9, true},
      {"empty text", REG_SZ, {0}, 9, true},
      {"text 1234", REG_SZ, {'1', '2', '3', '4', 0}, 9, true},
      {"binary of four", REG_BINARY, {1, 0, 0, 0}, 9, true},
      {"binary of one", REG_BINARY, {0x7F}, 9, true},
      {"empty binary", REG_BINARY, {}, 9, true},
      {"short dword", REG_DWORD, {1, 0}, 9, true},
      {"big-endian dword", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1}, 9, true},
  };
  for (const TCase& c : cases) {
    WriteRaw(kPath, c.Name, c.Type, c.Data.data(), DWORD(c.Data.size()));
    TRegKey key(kPath, false);
    EXPECT_EQ(c.Read, key.ReadInteger(c.Name, 9)) << c.Name;
    RawValue stored = ReadRaw(kPath, c.Name);
    if (c.Replaced) {
      EXPECT_EQ(static_cast<DWORD>(REG_DWORD), stored.type) << c.Name;
      EXPECT_EQ((std::vector<uint8_t>{9, 0, 0, 0}), stored.data) << c.Name;
    } else {
      EXPECT_EQ(c.Type, stored.type) << c.Name << ": left as it is";
      EXPECT_EQ(c.Data, stored.data) << c.Name;
    }
  }
}

TEST_F(RegKeyTest, ShortBinaryValuesReadAsTextWithoutGarbage) {
  WriteRaw(kPath, "none", REG_BINARY, nullptr, 0);
  uint8_t noNul[2] = {'h', 'i'};
  WriteRaw(kPath, "nonul", REG_BINARY, noNul, 2);
  TRegKey key(kPath, false);
  EXPECT_EQ("", key.ReadString("none", "d"));
  EXPECT_EQ("hi", key.ReadString("nonul", "d"));
}

TEST_F(RegKeyTest, ReadBoolIsTrueOnlyForOne) {
  WriteRawDword(kPath, "two", 2);
  WriteRawDword(kPath, "one", 1);
  TRegKey key(kPath, false);
  EXPECT_FALSE(key.ReadBool("two", true));
  EXPECT_TRUE(key.ReadBool("one", false));
}

TEST_F(RegKeyTest, FailedOpenIsNotOpenedAndDoesNothing) {
  {
    TRegKey missing("Software\\tarnbel\\nowhere", false);
    EXPECT_FALSE(missing.Opened());
    EXPECT_EQ("d", missing.ReadString("s", "d"));
    EXPECT_EQ(4, missing.ReadInteger("i", 4));
    missing.WriteString("w", "x");
    missing.DeleteKey("anything");
    std::vector<std::string> names;
    missing.GetKeyNames(names);
    EXPECT_TRUE(names.empty());
    TRegKeyInfo info;
    EXPECT_FALSE(missing.GetKeyInfo(info));
  }
  EXPECT_FALSE(KeyExists("Software\\tarnbel\\nowhere"));

  // A path that cannot be created: a value of that name sits where the parent key would be
  // is not possible in the registry, so use an invalid root instead.
  TRegKey bad("Software\\tarnbel\\x", true, reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x12345678)));
  EXPECT_FALSE(bad.Opened());
  EXPECT_EQ("d", bad.ReadString("s", "d"));
  EXPECT_EQ(3, bad.ReadInteger("i", 3));
}

TEST_F(RegKeyTest, DeleteKeyRemovesWholeTreeButNeverTheKeyItself) {
  WriteRawString(kPath + std::string("\\a\\b\\c"), "v", "1");
  WriteRawString(kPath + std::string("\\a\\d"), "v", "1");
  WriteRawString(kPath + std::string("\\keep"), "v", "1");
  TRegKey key(kPath, false);
  key.DeleteKey("");
  key.DeleteKey("\\");
  EXPECT_TRUE(KeyExists(kPath));
  key.DeleteKey("does_not_exist");
  key.DeleteKey("a");
  EXPECT_FALSE(KeyExists(kPath + std::string("\\a")));
  EXPECT_TRUE(KeyExists(kPath + std::string("\\keep")));
}

TEST_F(RegKeyTest, KeyNamesAndInfo) {
  WriteRawString(kPath + std::string("\\one"), "v", "1");
  WriteRawString(kPath + std::string("\\a_much_longer_key_name"), "v", "1");
  WriteRawString(kPath, "value", "xyz");
  TRegKey key(kPath, false);
  std::vector<std::string> names;
  key.GetKeyNames(names);
  std::vector<std::string> expected = SubkeyNames(kPath);
  EXPECT_EQ(expected, names);
  EXPECT_EQ(2u, names.size());
  TRegKeyInfo info;
  ASSERT_TRUE(key.GetKeyInfo(info));
  EXPECT_EQ(2u, info.NumSubKeys);
  EXPECT_EQ(1u, info.NumValues);
  EXPECT_GE(info.MaxSubKeyLen, std::string("a_much_longer_key_name").size());
}

TEST_F(RegKeyTest, DeleteValueAndPathTrimming) {
  TRegKey key("\\" + std::string(kPath) + "\\", true);
  EXPECT_EQ(kPath, key.Path());
  key.WriteString("gone", "x");
  key.DeleteValue("gone");
  EXPECT_FALSE(ValueExists(kPath, "gone"));
}

TEST_F(RegKeyTest, CreatesWritesAndDeletesReportTheSystemsResult) {
  WriteRawString(kPath + std::string("\\child\\grand"), "v", "1");
  struct TStep {
    const char* What;
    std::function<LONG()> Run;
  };
  TRegKey key(kPath, false);
  std::vector<TStep> steps{
      {"create", [] { return TRegKey(kPath + std::string("\\made"), true).Status(); }},
      {"write string", [&] { return key.WriteString("s", "x"); }},
      {"write integer", [&] { return key.WriteInteger("i", 7); }},
      {"write bool", [&] { return key.WriteBool("b", true); }},
      {"delete value", [&] { return key.DeleteValue("s"); }},
      {"delete key", [&] { return key.DeleteKey("child"); }},
  };
  for (TStep& step : steps) {
    // Failed by the seam: the error comes back and the registry stays as it was.
    {
      RegistryFaultAt fault(1, ERROR_ACCESS_DENIED);
      EXPECT_EQ(ERROR_ACCESS_DENIED, step.Run()) << step.What;
      EXPECT_TRUE(fault.Fired()) << step.What;
    }
    EXPECT_FALSE(KeyExists(kPath + std::string("\\made"))) << step.What;
    EXPECT_TRUE(KeyExists(kPath + std::string("\\child\\grand"))) << step.What;
    EXPECT_FALSE(ValueExists(kPath, "i")) << step.What;
  }
  for (TStep& step : steps) EXPECT_EQ(ERROR_SUCCESS, step.Run()) << step.What;
  EXPECT_TRUE(KeyExists(kPath + std::string("\\made")));
  EXPECT_FALSE(KeyExists(kPath + std::string("\\child")));
  EXPECT_EQ(7u, ReadRaw(kPath, "i").data[0]);

  // The system's own refusals come back too: a missing value, a key that is not open.
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.DeleteValue("never"));
  TRegKey missing("Software\\tarnbel\\nowhere", false);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, missing.Status());
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, missing.WriteString("w", "x"));

  // A tree's delete stops at its first failure: the grandchild goes, the failed child stays.
  WriteRawString(kPath + std::string("\\child\\grand"), "v", "1");
  {
    RegistryFaultAt fault(2);
    EXPECT_EQ(ERROR_ACCESS_DENIED, key.DeleteKey("child"));
  }
  EXPECT_TRUE(KeyExists(kPath + std::string("\\child")));
  EXPECT_FALSE(KeyExists(kPath + std::string("\\child\\grand")));
}
