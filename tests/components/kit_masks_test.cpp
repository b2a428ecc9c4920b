#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KitMasks.h"

TEST(KitMasks, ParseFileMasks) {
  struct Case {
    const char* text;
    std::vector<std::string> masks;
  } cases[] = {
      {"", {"*"}},
      {"*.WAV;*.sf2", {"*.sf2", "*.wav"}},  // lower-cased and sorted
      {"*.sf2;", {"*.sf2"}},                 // a closing ";" adds no empty mask
      {"*.sf2;;*.wav", {"", "*.sf2", "*.wav"}},
      {";", {""}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> masks = {"stale"};
    ParseFileMasks(c.text, masks);
    EXPECT_EQ(c.masks, masks) << c.text;
  }
}

TEST(KitMasks, MatchesMask) {
  struct Case {
    const char *name, *mask;
    bool matches;
  } cases[] = {
      {"readme", "*", true},
      {"readme", "*.*", false},
      {"a.b", "*.*", true},
      {"abc", "a?c", true},
      {"ac", "a?c", false},
      {"abc", "abc", true},
      {"abc", "", false},
      {"", "?", false},
      {"a.sf2", "*.sf2", true},
      {"a.sf2x", "*.sf2", false},
      {"sf2", "*.sf2", false},
      {".sf2", "*.sf2", true},
      {"ab", "a?", true},
      {"a", "a?", false},
      {"abc", "a*", true},
      {"abcd", "a*c", false},     // the trailing literal must end the name
      {"abcbd", "a*b*d", true},
      {"xaby", "*ab*", true},
      {"xay", "*ab*", false},
      {"abab.x", "*ab.x", true},
      {"axbxc", "a*X*c", false},  // both already lower-cased: no case folding here
      {"abxbyd", "a*b?d", false}, // no backing up: "b" binds at its first occurrence
      {"a1b", "a?b", true},
      {"ab", "a??", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.matches, MatchesMask(c.name, c.mask)) << c.name << " / " << c.mask;
}

TEST(KitMasks, MatchesMaskList) {
  std::vector<std::string> sf2, all, withEmpty, question;
  ParseFileMasks("*.sf2", sf2);
  ParseFileMasks("", all);
  ParseFileMasks("*.sf2;;*.wav", withEmpty);
  ParseFileMasks("a?c;*.*", question);
  struct Case {
    const char* name;
    const std::vector<std::string>* masks;
    bool matches;
  } cases[] = {
      {"Piano.SF2", &sf2, true},
      {"a.sf2x", &sf2, false},
      {"sf2", &sf2, false},
      {"readme", &all, true},
      {"a.b.c", &all, true},
      {"drum.WAV", &withEmpty, true},
      {"noext", &withEmpty, false},  // the empty mask matches nothing
      {"readme", &question, true},   // tested as "readme." against "*.*"
  };
  for (const Case& c : cases) EXPECT_EQ(c.matches, MatchesMaskList(c.name, *c.masks)) << c.name;

  std::vector<std::string> none;
  EXPECT_TRUE(MatchesMaskList("anything", none));
  std::vector<std::string> only = {"a?c"};
  EXPECT_FALSE(MatchesMaskList("abc", only));  // "abc." is one character too long
  EXPECT_TRUE(MatchesMask("abc", "a?c"));
}
