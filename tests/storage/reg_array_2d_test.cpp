#include <gtest/gtest.h>

#include <algorithm>

#include "reg_array_2d.h"
#include "registry_test_support.h"
#include "text_compare.h"

using namespace testsupport;

namespace {
const std::string kPath = "Software\\tarnbel\\tree_test";

class RegArray2DTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTarnbelKey(); }
  void TearDown() override { ResetTarnbelKey(); }
};

using Tree = std::vector<std::pair<std::string, std::vector<std::string>>>;

void Store(const Tree& tree) {
  TRegArray2D store(kPath, true);
  store.Clear();
  int k, v;
  for (const auto& key : tree) {
    if (key.second.empty()) store.FindOrAddKey(key.first);
    for (const std::string& value : key.second) store.AddKeyValue(key.first, value, k, v);
  }
}

Tree Loaded() {
  TRegArray2D store(kPath, true);
  store.SaveOnDestroy = false;
  Tree tree;
  for (int i = 0; i < store.KeyCount(); ++i) tree.emplace_back(store.GetKeyName(i), store.Keys().Values(i).Items());
  return tree;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}
}  // namespace

TEST_F(RegArray2DTest, RoundTripsZeroOneAndManyKeys) {
  Tree many;
  for (int k = 0; k < 12; ++k) {
    std::vector<std::string> values;
    for (int v = 0; v < k % 4; ++v) values.push_back("000: 00" + std::to_string(v) + ": 000: 001: v\x01|" + std::to_string(k));
    many.emplace_back("C:\\sf\\file" + std::to_string(k) + ".sf2", values);
  }
  for (const Tree& tree : {Tree{}, Tree{{"C:\\a.sf2", {"v1"}}}, many}) {
    Store(tree);
    EXPECT_EQ(tree, Loaded());
  }
}

TEST_F(RegArray2DTest, LookupsAndExportSections) {
  TRegArray2D store(kPath, true);
  store.SaveOnDestroy = false;
  int k, v;
  store.AddKeyValue("C:\\x.sf2", "v1", k, v);
  store.AddKeyValue("c:\\X.SF2", "v2", k, v);  // same key, found without regard to case
  EXPECT_EQ(0, k);
  EXPECT_EQ(1, v);
  store.AddKeyValue("D:\\y.sf2", "w", k, v);
  EXPECT_EQ(1, k);
  EXPECT_EQ(-1, store.ValueCount(-1));
  EXPECT_EQ(2, store.ValueCountByName("C:\\X.sf2"));
  store.Find("c:\\x.sf2", "V2", false, k, v);
  EXPECT_EQ(0, k);
  EXPECT_EQ(1, v);
  EXPECT_EQ(-1, store.FindValue("nowhere", "v1", true));
  EXPECT_FALSE(store.DeleteValueByName("C:\\x.sf2", "absent", true));
  EXPECT_FALSE(store.DeleteKeyAt(2));

  std::vector<std::string> lines;
  store.ExportSections(lines);
  EXPECT_EQ((std::vector<std::string>{"[C:\\x.sf2]", "v1", "v2", "", "[D:\\y.sf2]", "w", ""}), lines);
}

TEST_F(RegArray2DTest, DeletingAKeyMovesTheLastIntoItsPlaceAndDropsTheSurplus) {
  Store({{"a", {"a1"}}, {"b", {"b1", "b2"}}, {"c", {"c1", "c2", "c3"}}});
  {
    TRegArray2D store(kPath, true);
    EXPECT_TRUE(store.DeleteKeyAt(0));
  }
  EXPECT_EQ((Tree{{"c", {"c1", "c2", "c3"}}, {"b", {"b1", "b2"}}}), Loaded());
  EXPECT_EQ((std::vector<std::string>{"key0", "key1"}), Sorted(SubkeyNames(kPath)));
  EXPECT_FALSE(ValueExists(kPath, "item2"));
  EXPECT_EQ((std::vector<std::string>{"Count", "item0", "item1", "item2"}), Sorted(ValueNames(kPath + "\\key0")));
}

TEST_F(RegArray2DTest, RenamedDuplicatesAreMergedOnSaveButCaseVariantsAreNot) {
  Store({{"a.sf2", {"1"}}, {"b.sf2", {"2", "3"}}, {"c.sf2", {"4"}}});
  {
    TRegArray2D store(kPath, true);
    store.SetKey(2, "A.sf2");
    store.SetKey(1, "a.sf2");
    EXPECT_TRUE(store.Modified());
  }
  Tree tree = Loaded();
  ASSERT_EQ(2u, tree.size());
  EXPECT_EQ((Tree{{"a.sf2", {"1", "3", "2"}}, {"A.sf2", {"4"}}}), tree);
}

TEST_F(RegArray2DTest, MissingNameDoesNotShiftLaterNamesOntoOtherValues) {
  Store({{"a", {"a1"}}, {"b", {"b1"}}, {"c", {"c1", "c2"}}});
  testsupport::WriteRawString(kPath, "item1", "");
  EXPECT_EQ((Tree{{"a", {"a1"}}, {"c", {"c1", "c2"}}}), Loaded());
  {
    TRegArray2D store(kPath, false);  // names only: the moved key's values are read all the same
    EXPECT_EQ(2, store.KeyCount());
  }
  EXPECT_EQ((Tree{{"a", {"a1"}}, {"c", {"c1", "c2"}}}), Loaded());
  EXPECT_EQ((std::vector<std::string>{"key0", "key1"}), Sorted(SubkeyNames(kPath)));
}

TEST_F(RegArray2DTest, NamesOnlyStoreNeverWritesEmptyValueListsOverStoredOnes) {
  Store({{"a", {"a1", "a2"}}, {"b", {"b1"}}, {"c", {"c1"}}});
  {
    TRegArray2D store(kPath, false);
    EXPECT_EQ(3, store.KeyCount());
    EXPECT_EQ(0, store.ValueCount(0));  // values are not read
  }
  EXPECT_EQ((Tree{{"a", {"a1", "a2"}}, {"b", {"b1"}}, {"c", {"c1"}}}), Loaded());
  {
    TRegArray2D store(kPath, false);
    store.DeleteKeyAt(0);  // the last key's stored values move into key0
    int k, v;
    store.AddKeyValue("b", "b2", k, v);  // appended to the stored values
  }
  EXPECT_EQ((Tree{{"c", {"c1"}}, {"b", {"b1", "b2"}}}), Loaded());
}

TEST_F(RegArray2DTest, NewKeyIgnoresStaleValuesOfItsSubkey) {
  Store({{"a", {"a1"}}});
  testsupport::WriteRawDword(kPath + "\\key1", "Count", 1);
  testsupport::WriteRawString(kPath + "\\key1", "item0", "stale");
  {
    TRegArray2D store(kPath, true);
    int k = store.FindOrAddKey("new");
    EXPECT_EQ(0, store.ValueCount(k));
    store.AddValue(k, "fresh");
  }
  EXPECT_EQ((Tree{{"a", {"a1"}}, {"new", {"fresh"}}}), Loaded());
}

TEST_F(RegArray2DTest, DeletingAllKeysLeavesAnEmptyTree) {
  Store({{"a", {"a1"}}, {"b", {"b1"}}});
  {
    TRegArray2D store(kPath, true);
    EXPECT_TRUE(store.DeleteValueByName("a", "A1", true));
    EXPECT_TRUE(store.DeleteKeyByName("A", true));
    EXPECT_TRUE(store.DeleteKeyByName("b", false));
  }
  EXPECT_TRUE(Loaded().empty());
  EXPECT_TRUE(SubkeyNames(kPath).empty());
  EXPECT_EQ((std::vector<std::string>{"Count"}), ValueNames(kPath));
}

TEST_F(RegArray2DTest, KeysAreFoundAsTheSystemComparesNamesAfterEveryChange) {
  TRegArray2D store(kPath, true);
  store.SaveOnDestroy = false;
  // Case in the system's code page, a soft hyphen the comparison passes over, and names that differ.
  const std::vector<std::string> names = {"C:\\a.sf2", "c:\\A.SF2", "\xC9T\xC9.sf2", "\xE9t\xE9.sf2", "a\xAD.sf2",
                                          "a.sf2", "ab.sf2", "", "\xAD", "stra\xDF" "e.sf2", "strasse.sf2"};
  auto expectSystemLookups = [&](const char* after) {
    for (const std::string& name : names) {
      int expected = -1;
      for (int k = 0; k < store.KeyCount() && expected < 0; ++k)
        if (AnsiSameText(store.GetKeyName(k), name)) expected = k;
      EXPECT_EQ(expected, store.IndexOfKey(name, true)) << after << ": \"" << name << "\"";
    }
  };
  for (const std::string& name : names) store.Keys().AddKey(name, false);
  expectSystemLookups("adding");
  store.DeleteKeyAt(1);  // the last key moves into its place
  store.DeleteKeyAt(store.KeyCount() - 1);
  expectSystemLookups("deleting");
  store.SetKey(0, "ab.sf2");
  store.SetKey(2, "C:\\A.sf2");
  expectSystemLookups("renaming");
  store.Clear();
  expectSystemLookups("clearing");
  EXPECT_EQ(0, store.FindOrAddKey("x"));
  EXPECT_EQ(0, store.IndexOfKey("X", true));
}
