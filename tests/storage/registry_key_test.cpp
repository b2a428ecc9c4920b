#include <gtest/gtest.h>

#include <functional>

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

TEST_F(RegKeyTest, IntegerReadIgnoresTypeButFallsBackOnLongData) {
  WriteRawString(kPath, "short", "ab");     // 3 bytes with its NUL: read as a number
  WriteRawString(kPath, "three", "abc");    // 4 bytes: still fits
  WriteRawString(kPath, "long", "abcd");    // 5 bytes: too long, replaced by the default
  TRegKey key(kPath, false);
  EXPECT_EQ('a' | ('b' << 8), key.ReadInteger("short", 9));
  EXPECT_EQ('a' | ('b' << 8) | ('c' << 16), key.ReadInteger("three", 9));
  EXPECT_EQ(9, key.ReadInteger("long", 9));
  RawValue replaced = ReadRaw(kPath, "long");
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), replaced.type);
  EXPECT_EQ((std::vector<uint8_t>{9, 0, 0, 0}), replaced.data);
}

TEST_F(RegKeyTest, ShortBinaryValuesReadWithoutGarbage) {
  uint8_t one = 0x7F;
  WriteRaw(kPath, "one", REG_BINARY, &one, 1);
  WriteRaw(kPath, "none", REG_BINARY, nullptr, 0);
  uint8_t noNul[2] = {'h', 'i'};
  WriteRaw(kPath, "nonul", REG_BINARY, noNul, 2);
  TRegKey key(kPath, false);
  EXPECT_EQ(0x7F, key.ReadInteger("one", 5));
  EXPECT_EQ(0, key.ReadInteger("none", 5));
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
