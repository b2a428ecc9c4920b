#include <gtest/gtest.h>

#include <algorithm>

#include "reg_array.h"
#include "registry_test_support.h"

using namespace testsupport;

namespace {
const char* const kPath = "Software\\tarnbel\\list_test";

class RegArrayTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTarnbelKey(); }
  void TearDown() override { ResetTarnbelKey(); }
};

std::vector<std::string> Loaded(const std::string& path = kPath) {
  TRegArray list(path, true);
  list.SaveOnDestroy = false;
  return list.Items();
}

bool HasValue(const std::string& name) {
  std::vector<std::string> names = ValueNames(kPath);
  return std::find(names.begin(), names.end(), name) != names.end();
}
}  // namespace

TEST_F(RegArrayTest, RoundTripsEmptySingleAndManyItemsWithSeparators) {
  std::vector<std::vector<std::string>> cases = {
      {},
      {"only"},
      {"in\x01out\x01[none]\x01[active]", "000: 005: 002: 010:*Grand Piano", "[C:\\a.sf2]", "x|y", "a=b", "  lead"}};
  for (int n = 0; n < 40; ++n) cases.back().push_back("item number " + std::to_string(n));
  for (const auto& items : cases) {
    {
      TRegArray list(kPath, false);
      list.Clear();
      list.AddStrings(items);
    }  // saved on destroy
    EXPECT_EQ(items, Loaded());
    EXPECT_EQ(items.size(), ReadRaw(kPath, "Count").data[0] + 0u);
  }
}

TEST_F(RegArrayTest, AddWithoutDuplicatesMovesTheEqualItemToTheEnd) {
  TRegArray list(kPath, false);
  list.SaveOnDestroy = false;
  list.Clear();
  list.Add("x", true);
  list.Add("y", true);
  EXPECT_EQ(-1, list.Add("x", false));
  EXPECT_EQ((std::vector<std::string>{"y", "x"}), list.Items());
  EXPECT_EQ(-1, list.Add("x", false));  // already last: nothing changes
  EXPECT_EQ((std::vector<std::string>{"y", "x"}), list.Items());
  EXPECT_EQ(-1, list.Add("Y", false));  // found without regard to case, new spelling kept
  EXPECT_EQ((std::vector<std::string>{"x", "Y"}), list.Items());
  EXPECT_EQ(2, list.Add("z", false));
  EXPECT_EQ(1, list.IndexOf("y", false));
  EXPECT_FALSE(list.Delete(-1));
  EXPECT_FALSE(list.Delete(3));
  EXPECT_TRUE(list.Delete(0));

  std::vector<std::string> out{"keep"};
  list.SetItem(0, "");
  list.AssignTo(out, true);
  EXPECT_EQ((std::vector<std::string>{"keep", "z"}), out);  // empty items are not handed on
}

TEST_F(RegArrayTest, ShorterListLeavesNoStaleItemsBehind) {
  WriteRawString(kPath, "item7", "stale beyond the count");
  {
    TRegArray list(kPath, false);
    list.Clear();
    list.AddStrings({"a", "b", "c", "d", "e"});
  }
  {
    TRegArray list(kPath, true);
    EXPECT_TRUE(list.Delete(1));
    EXPECT_TRUE(list.Delete(1));
    EXPECT_TRUE(list.Delete(1));
  }
  EXPECT_EQ((std::vector<std::string>{"a", "e"}), Loaded());
  std::vector<std::string> names = ValueNames(kPath);
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"Count", "item0", "item1"}), names);
}

TEST_F(RegArrayTest, GapsLoadShorterAndEmptyItemIsWrittenBack) {
  WriteRawDword(kPath, "Count", 3);
  WriteRawString(kPath, "item0", "a");
  WriteRawString(kPath, "item2", "c");
  EXPECT_EQ((std::vector<std::string>{"a", "c"}), Loaded());
  RawValue item1 = ReadRaw(kPath, "item1");
  ASSERT_TRUE(item1.found);
  EXPECT_EQ((std::vector<uint8_t>{0}), item1.data);
}

TEST_F(RegArrayTest, DamagedCountDoesNotFillTheKeyWithEmptyItems) {
  WriteRawDword(kPath, "Count", 50000000);
  WriteRawString(kPath, "item0", "a");
  WriteRawString(kPath, "item3", "d");
  EXPECT_EQ((std::vector<std::string>{"a", "d"}), Loaded());
  EXPECT_LE(ValueNames(kPath).size(), 5u);
}

TEST_F(RegArrayTest, ListOpenedWithoutLoadingKeepsTheStoredItems) {
  {
    TRegArray list(kPath, false);
    list.Clear();
    list.AddStrings({"a", "b"});
  }
  { TRegArray untouched(kPath, false); }  // freed with SaveOnDestroy set
  EXPECT_EQ((std::vector<std::string>{"a", "b"}), Loaded());
  {
    TRegArray list(kPath, false);
    list.Save();
    EXPECT_EQ(2, list.Add("c", true));  // a change works on the stored items
  }
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Loaded());
  {
    TRegArray list(kPath, false);
    list.Clear();  // an explicit clear is a change and is saved
  }
  EXPECT_TRUE(Loaded().empty());
  EXPECT_FALSE(HasValue("item0"));
}

TEST_F(RegArrayTest, DeleteFromRegistryRemovesTheKeyAndWritesNothingMore) {
  std::string path = std::string(kPath) + "\\child";
  {
    TRegArray list(path, false);
    list.Clear();
    list.Add("a", true);
  }
  ASSERT_TRUE(KeyExists(path));
  {
    TRegArray list(path, true);
    list.DeleteFromRegistry();
    list.Add("b", true);
  }
  EXPECT_FALSE(KeyExists(path));
  EXPECT_TRUE(KeyExists(kPath));
}

// A "Count" that does not read as four bytes still gets its default written back, but the default
// is the number of stored items: an eight-byte count must not hide the list.
TEST_F(RegArrayTest, CountThatCannotBeReadIsTakenFromTheStoredItems) {
  const uint64_t wide = 2;
  WriteRaw(kPath, "Count", REG_QWORD, &wide, sizeof(wide));
  WriteRawString(kPath, "item0", "a");
  WriteRawString(kPath, "item1", "b");
  WriteRawString(kPath, "item2", "c");
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Loaded());
  RawValue count = ReadRaw(kPath, "Count");
  ASSERT_EQ(count.data.size(), 4u);
  EXPECT_EQ(count.data[0], 3u);
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Loaded());  // and so again next time

  // No count at all: the same; an empty key still reads as empty with 0 written back.
  ResetTarnbelKey();
  WriteRawString(kPath, "item0", "a");
  WriteRawString(kPath, "item4", "e");
  EXPECT_EQ((std::vector<std::string>{"a", "e"}), Loaded());
  ResetTarnbelKey();
  EXPECT_TRUE(Loaded().empty());
  EXPECT_EQ(ReadRaw(kPath, "Count").data, (std::vector<uint8_t>{0, 0, 0, 0}));
}

// No save writes a negative count: the stored items decide, as for one too large, and a change saved after
// keeps them. A count of 0 stays 0 (a save cut short may leave items behind its count).
TEST_F(RegArrayTest, NegativeCountIsTakenFromTheStoredItemsAndZeroStaysZero) {
  struct TCase {
    uint32_t Count;
    std::vector<std::string> Loaded;
    DWORD Type = REG_DWORD;  // a count of another type does not read: the items decide
  } cases[] = {
      {uint32_t(-1), {"a", "b", "d"}},
      {uint32_t(-3), {"a", "b", "d"}},
      {0x80000000u, {"a", "b", "d"}},
      {0, {}},
      {2, {"a", "b"}},
      {2, {"a", "b", "d"}, REG_BINARY},
      {0x636261, {"a", "b", "d"}, REG_SZ},  // "abc"
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(int32_t(c.Count));
    ResetTarnbelKey();
    WriteRaw(kPath, "Count", c.Type, &c.Count, 4);
    WriteRawString(kPath, "item0", "a");
    WriteRawString(kPath, "item1", "b");
    WriteRawString(kPath, "item3", "d");
    EXPECT_EQ(c.Loaded, Loaded());
    {
      TRegArray list(kPath, true);
      list.Add("new", true);
    }  // saved on destroy
    std::vector<std::string> saved = c.Loaded;
    saved.push_back("new");
    EXPECT_EQ(saved, Loaded());
  }
}
