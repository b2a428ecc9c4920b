// Figures, not checks: the time to read generated mapping texts of distinct sections, into a temporary
// mapping and into a stored one (whose registry writes are timed and counted apart). Run by hand:
//   GTEST_ALSO_RUN_DISABLED_TESTS=1 GTEST_FILTER='MappingImportFigures.*' scripts/test.sh storage -V
// TARNBEL_FIGURE_KB lists the text sizes in KB (default 64,256,1024).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "registry_test_support.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"

using namespace testsupport;

namespace {

// The head of an exported text, then sections of one short entry each, every one of another file, until the
// text has its size (about 45 bytes a section).
std::vector<std::string> TextOfDistinctSections(size_t bytes, int& sections) {
  std::vector<std::string> lines = {"[Name]", "figures", "", "[Bank backgrounds]", "",
                                    "[Bank colors]", "001:255", "", "[Bank names]", "001:One", ""};
  size_t size = 0;
  for (sections = 0; size < bytes; ++sections) {
    const int slot = sections % (MappingBanks * MappingPrograms);
    lines.push_back("[C:\\sf\\" + IntToStrZero(sections, 6) + ".sf2]");
    lines.push_back("000: " + IntToStrZero(sections % 128, 3) + ": " + IntToStrZero(slot / MappingPrograms, 3) + ": " +
                    IntToStrZero(slot % MappingPrograms, 3) + ": P");
    lines.emplace_back();
    for (size_t i = lines.size() - 3; i < lines.size(); ++i) size += lines[i].size() + 2;
  }
  return lines;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Values stored under the key and every key below it.
DWORD StoredValues(const std::string& path) {
  DWORD values = 0;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(key);
  for (const std::string& sub : SubkeyNames(path)) values += StoredValues(path + "\\" + sub);
  return values;
}

TEST(MappingImportFigures, DISABLED_ReadingTextsOfDistinctSections) {
  const char* sizes = std::getenv("TARNBEL_FIGURE_KB");
  std::istringstream list(sizes ? sizes : "64,256,1024");
  for (std::string kb; std::getline(list, kb, ',');) {
    int sections = 0;
    const std::vector<std::string> text = TextOfDistinctSections(std::stoul(kb) * 1024, sections);
    auto start = std::chrono::steady_clock::now();
    { TMapping temporary("figures", true, &text, ""); }
    const double reading = SecondsSince(start);

    ResetTarnbelKey();
    start = std::chrono::steady_clock::now();
    auto stored = std::make_unique<TMapping>("figures", false, &text, "");
    const double storedReading = SecondsSince(start);
    start = std::chrono::steady_clock::now();
    stored.reset();
    const double writing = SecondsSince(start);
    const DWORD values = StoredValues("Software\\tarnbel\\mappings\\figures");
    std::printf("%5s KB, %6d sections: read into a mapping in %.2f s; a stored mapping read in %.2f s, "
                "then saved in %.2f s (%lu values written)\n",
                kb.c_str(), sections, reading, storedReading, writing, static_cast<unsigned long>(values));
    std::fflush(stdout);
    ResetTarnbelKey();
  }
}

}  // namespace
