// Bank labels and mapping names that cannot be file names, banks whose files would be one file, and names
// holding line breaks.
#include <gtest/gtest.h>

#include "export_test_support.h"
#include "message_box_recorder.h"
#include "scratch_folder.h"
#include "standin_support.h"
#include "tarnbel_export.h"

using namespace exporttest;

namespace {
using TExporter = bool (*)(const std::string&, const TMapping&);
const std::vector<TExporter> All = {&ExportCubaseDevSeparate, &ExportCubaseDev12, &ExportCakewalkIns,
                                    &ExportEvolutionPls,      &ExportQuartzSet,   &ExportEncoreIni,
                                    &ExportMassivaMxp};
}  // namespace

TEST(ExportNames, ALabelOrNameThatIsNoPlainFileNameStopsTheExportWithABox) {
  for (const char* label : {"..\\x", "a/b", "c:d", "CON", "nul", "com1.x", "Tab\tbed"})
    for (TExporter exporter : {&ExportCubaseDevSeparate, &ExportEncoreIni, &ExportMassivaMxp}) {
      testsupport::TScratchFolder folder("labels");
      testsupport::MessageBoxRecorder boxes;
      auto mapping = MappingOf("M", {{0, 0, "A"}, {3, 1, "B"}}, {{3, label}});
      EXPECT_FALSE(exporter(folder.Path(), *mapping)) << label;
      ASSERT_EQ(boxes.Boxes.size(), 1u) << label;
      EXPECT_EQ(boxes.Boxes[0].Text,
                "Bank 003 is named \"" + std::string(label) + "\", which can't be a file name: nothing was exported.");
      EXPECT_TRUE(FilesBelow(folder.Path()).empty()) << label;
    }
  for (const char* name : {"..", "a/b", "x:y", "NUL", "trailing."})
    for (TExporter exporter : All) {
      testsupport::TScratchFolder folder("names");
      testsupport::MessageBoxRecorder boxes;
      auto mapping = MappingOf(name, {{0, 0, "A"}});
      bool plainForQuartz = exporter == &ExportQuartzSet && (std::string(name) == ".." || std::string(name) == "NUL" ||
                                                             std::string(name) == "trailing.");
      EXPECT_EQ(exporter(folder.Path(), *mapping), plainForQuartz) << name;
      EXPECT_EQ(boxes.Boxes.size(), plainForQuartz ? 0u : 1u) << name;
      if (!plainForQuartz) {
        EXPECT_TRUE(FilesBelow(folder.Path()).empty()) << name;
      }
    }
}

// The first bank keeps the file, the later one is left out and both are named in one box.
TEST(ExportNames, BanksGivingOneFileNameKeepTheFirst) {
  struct Case {
    std::map<int, std::string> Labels;
    TExporter Exporter;
    std::string File, Kept, Box;
  };
  const std::vector<Case> cases = {
      {{{3, "Strings"}, {7, "strings"}},
       &ExportEncoreIni,
       "Strings.ini",
       "ABBREVIATION=tb003",
       "Banks 003 \"Strings\" and 007 \"strings\" both give \"strings.ini\": bank 007 was left out."},
      {{{4, "drumsets"}},
       &ExportMassivaMxp,
       "drumsets.mxp",
       "4,1,B",
       "Banks 004 \"drumsets\" and 128 \"drumsets\" both give \"drumsets.mxp\": bank 128 was left out."},
      {{{9, "Drums"}},
       &ExportCubaseDevSeparate,
       "Drums.dev",
       std::string(1, '\x09'),
       "Banks 009 \"Drums\" and 128 \"drums\" both give \"drums.dev\": bank 128 was left out."},
      {{{3, "Long name A"}, {7, "Long nameB"}},
       &ExportCubaseDevSeparate,
       "Long nam.dev",
       std::string(1, '\x03'),
       "Banks 003 \"Long name A\" and 007 \"Long nameB\" both give \"Long nam.dev\": bank 007 was left out."},
      {{{5, "m000-011 Strings"}},  // the other layout's file in the same folder
       &ExportCubaseDevSeparate,
       "drums.dev",
       "drums",
       "Bank 005 \"m000-011 Strings\" gives \"m000-011.dev\", which the Cubase export of 12 banks per file writes: "
       "bank 005 was left out."},
  };
  for (const Case& c : cases) {
    testsupport::TScratchFolder folder("clash");
    testsupport::MessageBoxRecorder boxes;
    std::vector<std::tuple<int, int, std::string>> entries = {{128, 1, "Kit"}};
    for (const auto& label : c.Labels) entries.emplace_back(label.first, 1, "B");
    auto mapping = MappingOf("M", entries, c.Labels);
    EXPECT_TRUE(c.Exporter(folder.Path(), *mapping)) << c.File;
    std::string kept = testsupport::ReadBytes(folder["tarnbel\\M\\" + c.File]);
    EXPECT_NE(kept.find(c.Kept), std::string::npos) << c.File;
    EXPECT_EQ(FilesBelow(folder["tarnbel\\M"]).size(), c.Labels.size()) << c.File;
    ASSERT_EQ(boxes.Boxes.size(), 1u) << c.File;
    EXPECT_EQ(boxes.Boxes[0].Text, "Some banks were not exported:\r\n" + c.Box);
  }
}

// A name or label with CR, LF or another control character becomes one line with blanks.
TEST(ExportNames, LineBreaksInNamesBecomeBlanks) {
  testsupport::TScratchFolder folder("breaks");
  testsupport::MessageBoxRecorder boxes;
  auto mapping =
      MappingOf("M", {{0, 0, "Line\r\nBreak"}, {5, 3, "Lone\rCR\nLF"}, {128, 1, "K\x1Bit"}}, {{5, "Soft\r\nPads"}});
  for (TExporter exporter : {&ExportCakewalkIns, &ExportEvolutionPls, &ExportQuartzSet})
    EXPECT_TRUE(exporter(folder.Path(), *mapping));
  auto plain = MappingOf("P", {{0, 0, "Line\r\nBreak"}, {128, 1, "K\x1Bit"}});
  for (TExporter exporter : {&ExportEncoreIni, &ExportMassivaMxp}) EXPECT_TRUE(exporter(folder.Path(), *plain));
  EXPECT_TRUE(boxes.Boxes.empty());
  // The reader refuses a file with a lone CR or LF.
  EXPECT_EQ(ReadWithPython(folder.Path()).size(), 10u) << "the reader found a split line";
  for (const std::string& file : FilesBelow(folder.Path())) {
    std::string text = testsupport::ReadBytes(folder[file]);
    EXPECT_EQ(text.find("Line"), text.find("Line  Break")) << file << ": wherever the name stands, it stands whole";
  }
  EXPECT_NE(testsupport::ReadBytes(folder["tarnbel\\M\\melodic.pls"]).find("*Soft  Pads\r\n"), std::string::npos);
  EXPECT_NE(testsupport::ReadBytes(folder["tarnbel\\M\\melodic.ins"]).find("3=Lone CR LF\r\n"), std::string::npos);
}
