// The text definitions of a known mapping, byte for byte, and the layouts' edge cases.
#include <gtest/gtest.h>

#include "export_test_support.h"
#include "message_box_recorder.h"
#include "scratch_folder.h"
#include "standin_support.h"
#include "tarnbel_export.h"

using namespace exporttest;

namespace {

const std::string Rule = "; " + std::string(70, '-');

std::string Section(const std::string& title) { return Crlf({"", Rule, "", title, ""}); }

std::string EmptySections() {
  std::string text;
  for (const char* title : {".Note Names", ".Controller Names", ".RPN Names", ".NRPN Names", ".Instrument Definitions"})
    text += Section(title);
  return text;
}

std::vector<std::string> Join(std::vector<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::string EncoreFile(const std::string& number, const std::string& label, int program, const std::string& name) {
  std::vector<std::string> lines = {"[DEVICE]", "TITLE=tarnbel (" + number + ") " + label, "ABBREVIATION=tb" + number,
                                    "0=NONE"};
  for (int p = 0; p < 128; ++p) lines.push_back(std::to_string(p + 1) + "=" + (p == program ? name : "-"));
  return Crlf(lines);
}

}  // namespace

TEST(TextExports, OrchestraByteForByte) {
  testsupport::TScratchFolder folder("text");
  testsupport::MessageBoxRecorder boxes;
  auto mapping = Orchestra();
  const std::string L = LongName;
  for (auto exporter : {&ExportCakewalkIns, &ExportEvolutionPls, &ExportQuartzSet, &ExportEncoreIni, &ExportMassivaMxp})
    EXPECT_TRUE(exporter(folder.Path(), *mapping));
  std::string bank0 = EncoreFile("000", "bank 000", 0, "Grand Piano");
  bank0.replace(bank0.find("3=-"), 3, "3=Strings");
  const std::map<std::string, std::string> expected = {
      {"sets\\Orchestra_drums.set", Crlf({"[0]", "35=Kick"})},
      {"sets\\Orchestra_melodic.set", Crlf({"", "[0]", "0=Grand Piano", "2=Strings", "", "[640]", "10=" + L})},
      {"tarnbel\\Orchestra\\bank 000.ini", bank0},
      {"tarnbel\\Orchestra\\bank 000.mxp", Crlf({"0,0,Grand Piano", "0,2,Strings"})},
      {"tarnbel\\Orchestra\\drums.ins",
       Section(".Patch Names") + Crlf({"[tarnbel Orchestra drumsets]", "35=Kick", ""}) + EmptySections() +
           Crlf({"[tarnbel Orchestra drums]", "BankSelMethod=1", "Patch[0]=tarnbel Orchestra drumsets",
                 "Patch[*]=tarnbel Orchestra drumsets", "Drum[*,*]=1"})},
      {"tarnbel\\Orchestra\\drums.pls",
       Crlf(Join({{"patc", "Orchestra drums", "d Orchestra"}, AllPrograms({{35, "Kick"}})}))},
      {"tarnbel\\Orchestra\\drumsets.ini", EncoreFile("128", "drumsets", 35, "Kick")},
      {"tarnbel\\Orchestra\\drumsets.mxp", Crlf({"128,35,Kick"})},
      {"tarnbel\\Orchestra\\melodic.ins",
       Section(".Patch Names") +
           Crlf({"[bank 000]", "0=Grand Piano", "2=Strings", "", "[Strings and Pads]", "10=" + L, ""}) +
           EmptySections() +
           Crlf({"[tarnbel Orchestra]", "BankSelMethod=1", "Patch[0]=bank 000", "Patch[5]=Strings and Pads"})},
      {"tarnbel\\Orchestra\\melodic.pls", Crlf(Join({{"patc", "Orchestra", "Orchestra"},
                                                     AllPrograms({{0, "Grand Piano"}, {2, "Strings"}}),
                                                     std::vector<std::string>(4, "*"),
                                                     {"*Strings and Pads"},
                                                     AllPrograms({{10, L}}),
                                                     std::vector<std::string>(122, "*")}))},
      {"tarnbel\\Orchestra\\Strings and Pads.ini", EncoreFile("005", "Strings and Pads", 10, L)},
      {"tarnbel\\Orchestra\\Strings and Pads.mxp", Crlf({"5,10," + L})},
  };
  std::vector<std::string> names;
  for (const auto& file : expected) {
    names.push_back(file.first);
    EXPECT_EQ(testsupport::ReadBytes(folder[file.first]), file.second) << file.first;
  }
  EXPECT_EQ(FilesBelow(folder.Path()), SortedPaths(names));
  EXPECT_TRUE(boxes.Boxes.empty());
}

// Each case: the mapping's entries and labels, the export, a file below the folder and its whole text.
TEST(TextExports, LayoutEdges) {
  struct Case {
    const char* What;
    std::vector<std::tuple<int, int, std::string>> Entries;
    bool (*Export)(const std::string&, const TMapping&);
    std::string Chosen, File, Text;
  };
  const std::vector<Case> cases = {
      {"drum kits only: no bank lists, no Patch lines",
       {{128, 1, "Kit"}},
       &ExportCakewalkIns,
       "",
       "tarnbel\\M\\melodic.ins",
       Section(".Patch Names") + EmptySections() + Crlf({"[tarnbel M]", "BankSelMethod=1"})},
      {"drum kits only: a bank marker per melodic bank",
       {{128, 1, "Kit"}},
       &ExportEvolutionPls,
       "",
       "tarnbel\\M\\melodic.pls",
       Crlf(Join({{"patc"}, std::vector<std::string>(128, "*")}))},
      {"no drum kits: one marker",
       {{0, 1, "A"}},
       &ExportEvolutionPls,
       "",
       "tarnbel\\M\\drums.pls",
       Crlf({"patc", "*"})},
      {"bank 2 is [256]",
       {{2, 7, "Seven"}},
       &ExportQuartzSet,
       "",
       "sets\\M_melodic.set",
       Crlf({"", "[256]", "7=Seven"})},
      {"a chosen SETS folder gets no second level",
       {{2, 7, "Seven"}},
       &ExportQuartzSet,
       "Music\\SETS",
       "Music\\SETS\\M_drums.set",
       Crlf({"[0]"})},
  };
  for (const Case& c : cases) {
    testsupport::TScratchFolder folder("edges");
    auto mapping = MappingOf("M", c.Entries);
    EXPECT_TRUE(c.Export(c.Chosen.empty() ? folder.Path() : folder[c.Chosen], *mapping)) << c.What;
    EXPECT_EQ(testsupport::ReadBytes(folder[c.File]), c.Text) << c.What;
  }
}
