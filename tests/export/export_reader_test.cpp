// Every export of a full mapping read back by an independent reader (Python, from the file formats alone)
// and compared with the mapping; the time of all eight exports.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

#include "export_test_support.h"
#include "message_box_recorder.h"
#include "scratch_folder.h"
#include "tarnbel_export.h"
#include "tarnbel_func.h"

using namespace exporttest;

namespace {

// The names of a bank; cut to a width, without the blanks the reader takes off a cut name.
std::map<int, std::string> Names(const TMapping& mapping, int bank, size_t width = std::string::npos) {
  std::map<int, std::string> names;
  for (int p = 0; p < 128; ++p)
    if (const TMappingInactiveItem* item = mapping.Slot(bank, p)) {
      std::string name = item->GetPresetName().substr(0, width);
      if (width != std::string::npos) name.erase(name.find_last_not_of(' ') + 1);
      names[p] = name;
    }
  return names;
}

// A bank's label in the exports: FullMapping's bank 5, stored with an empty name, has none.
std::string Label(const TMapping& mapping, int b) { return b == 5 ? "bank 005" : mapping.GetBankName(b); }

std::vector<TSection> Banks(const TMapping& mapping, int from, int to, const std::string& label = "?") {
  std::vector<TSection> sections;
  for (int b = from; b <= to; ++b) sections.push_back({b, label == "?" ? Label(mapping, b) : label, Names(mapping, b)});
  return sections;
}

// What the reader should find in each file of the eight exports of a mapping whose banks all have entries.
std::vector<std::string> Expected(const TMapping& m) {
  const std::string name = m.Name, out = "tarnbel\\" + name + "\\";
  std::vector<std::string> lines;
  auto add = [&](const std::string& file, const std::string& title, const std::vector<TSection>& sections) {
    lines.push_back(ReaderLine(file, title, sections));
  };
  std::vector<TSection> text = Banks(m, 0, 128);
  text[5].Label = "";  // the mapping's text keeps its stored items as they are
  add(name + ".txt", name, text);
  add("sets\\" + name + "_drums.set", "", Banks(m, 128, 128, ""));
  add("sets\\" + name + "_melodic.set", "", Banks(m, 0, 127, ""));
  std::vector<TSection> pls = Banks(m, 0, 127);
  pls[0].Label = name;
  add(out + "melodic.pls", name, pls);
  add(out + "drums.pls", "d " + name, {{128, name + " drums", Names(m, 128)}});
  add(out + "melodic.ins", "tarnbel " + name, Banks(m, 0, 127));
  add(out + "drums.ins", "tarnbel " + name + " drums", {{128, "tarnbel " + name + " drumsets", Names(m, 128)}});
  for (int b = 0; b < 129; ++b) {
    add(out + Label(m, b) + ".ini", "", Banks(m, b, b));
    add(out + Label(m, b) + ".mxp", "", Banks(m, b, b, ""));
    std::string label = b == 128 ? "drums" : Label(m, b).substr(0, 8);
    add(out + label + ".dev", name.substr(0, 7), {{b % 128, label, Names(m, b, 20)}});
  }
  for (int first = 0; first < 129; first += 12) {
    std::vector<TSection> blocks;
    for (int b = first; b < first + 12; ++b)
      blocks.push_back(b > 128
                           ? TSection{0, "NoName", {{0, "this bank is empty"}}}
                           : TSection{b % 128, b == 128 ? "drums" : Label(m, b).substr(0, 8), Names(m, b, 20)});
    add(out + "m" + IntToStrZero(first, 3) + "-" + IntToStrZero(first + 11, 3) + ".dev", name.substr(0, 7), blocks);
  }
  return lines;
}

std::string FileOf(const std::string& line) { return line.substr(9, line.find("\",\"sections\"") - 9); }

}  // namespace

TEST(IndependentReader, ReadsEveryExportOfAFullMappingAsTheMappingHasIt) {
  testsupport::TScratchFolder folder("reader");
  testsupport::MessageBoxRecorder boxes;
  auto mapping = FullMapping("Full house");
  const auto start = std::chrono::steady_clock::now();
  for (auto exporter : {&ExportCubaseDevSeparate, &ExportCubaseDev12, &ExportCakewalkIns, &ExportEvolutionPls,
                        &ExportQuartzSet, &ExportEncoreIni, &ExportMassivaMxp})
    EXPECT_TRUE(exporter(folder.Path(), *mapping));
  EXPECT_TRUE(SaveMappingAsText(folder.Path(), mapping->Name + ".txt", *mapping));
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::cout << "all eight exports of a full mapping (129 x 128): " << ms << " ms\n";
  EXPECT_TRUE(boxes.Boxes.empty());

  std::vector<std::string> read = ReadWithPython(folder.Path()), expected = Expected(*mapping);
  ASSERT_FALSE(read.empty()) << "the reader did not run or refused a file";
  std::map<std::string, std::string> byFile;
  for (const std::string& line : read) byFile[FileOf(line)] = line;
  EXPECT_EQ(byFile.size(), expected.size());
  for (const std::string& line : expected) EXPECT_EQ(byFile[FileOf(line)], line);
}
