// The automatic exports after an applied change: which run, where their files go, and what a folder that
// cannot be made or a file that cannot be written leave behind.
#include <gtest/gtest.h>

#include "auto_export.h"
#include "export_settings.h"
#include "folders.h"
#include "export_test_support.h"
#include "message_box_recorder.h"
#include "saver_test_support.h"
#include "scratch_folder.h"
#include "standin_support.h"
#include "sys_utils.h"
#include "tarnbel_func.h"

using namespace exporttest;

namespace {

struct TSetting {
  bool& On;
  std::string& Path;
  const char* Folder;
};

class AutomaticExports : public ::testing::Test {
 protected:
  void SetUp() override {
    for (TSetting& s : Settings) {
      s.On = false;
      s.Path = Folder[s.Folder];
    }
  }
  void TearDown() override {
    for (TSetting& s : Settings) s.On = false;
  }
  void AllOn() {
    for (TSetting& s : Settings) s.On = true;
  }
  bool Run() {
    return RunAutomaticExports([this] {
      ++Built;
      auto current = Orchestra();
      current->Name = "current";
      return current;
    });
  }
  // The files of the exports whose folders are given, relative to the scratch folder.
  std::vector<std::string> Written(const std::vector<std::string>& folders) {
    std::vector<std::string> files;
    for (const std::string& f : folders)
      for (const std::string& file : FilesBelow(Folder[f])) files.push_back(f + "\\" + file);
    return SortedPaths(files);
  }

  testsupport::TScratchFolder Folder{"auto"};
  testsupport::MessageBoxRecorder Boxes;
  int Built = 0;
  std::vector<TSetting> Settings = {
      {AutocreateCakewalk, CakewalkPath, "cakewalk"}, {AutocreateCubase1, CubasePath, "cubase"},
      {AutocreateCubase12, CubasePath, "cubase"},     {AutocreateMapping, MappingPath, "mapping"},
      {AutocreateMassiva, MassivaPath, "massiva"},    {AutocreateEncore, EncorePath, "encore"},
      {AutocreateEvolution, EvolutionPath, "evolution"}, {AutocreateQuartz, QuartzPath, "quartz"}};
};

const std::vector<std::string> CakewalkFiles = {"cakewalk\\tarnbel\\current\\drums.ins", "cakewalk\\tarnbel\\current\\melodic.ins"};

}  // namespace

TEST_F(AutomaticExports, NothingOnBuildsNothing) {
  EXPECT_TRUE(Run());
  EXPECT_EQ(Built, 0);
  EXPECT_TRUE(FilesBelow(Folder.Path()).empty());
}

TEST_F(AutomaticExports, EveryExportOnWritesEveryFileIntoItsFolderAndMakesVanishedFolders) {
  AllOn();
  CakewalkPath = Folder["gone\\deeper"];
  EXPECT_TRUE(Run());
  EXPECT_EQ(Built, 1);
  EXPECT_TRUE(Boxes.Boxes.empty());
  std::vector<std::string> expected = {
      "encore\\tarnbel\\current\\bank 000.ini", "encore\\tarnbel\\current\\drumsets.ini",
      "encore\\tarnbel\\current\\Strings and Pads.ini", "evolution\\tarnbel\\current\\drums.pls",
      "evolution\\tarnbel\\current\\melodic.pls", "gone\\deeper\\tarnbel\\current\\drums.ins",
      "gone\\deeper\\tarnbel\\current\\melodic.ins", "mapping\\current.txt", "massiva\\tarnbel\\current\\bank 000.mxp",
      "massiva\\tarnbel\\current\\drumsets.mxp", "massiva\\tarnbel\\current\\Strings and Pads.mxp",
      "quartz\\sets\\current_drums.set", "quartz\\sets\\current_melodic.set", "cubase\\tarnbel\\current\\bank 000.dev",
      "cubase\\tarnbel\\current\\drums.dev", "cubase\\tarnbel\\current\\Strings .dev"};
  for (int first = 0; first < 129; first += 12)
    expected.push_back("cubase\\tarnbel\\current\\m" + IntToStrZero(first, 3) + "-" + IntToStrZero(first + 11, 3) + ".dev");
  EXPECT_EQ(FilesBelow(Folder.Path()), SortedPaths(expected));
}

TEST_F(AutomaticExports, AFolderThatCannotBeMadeGoesToTheProgramFolderAndTheRestRunOn) {
  AutocreateCakewalk = AutocreateMassiva = true;
  CakewalkPath = "Q:\\unmapped";
  const std::string fallback = ui::ProgramFolder() + "tarnbel\\current";
  EXPECT_TRUE(Run());
  std::vector<std::string> fellBack = FilesBelow(fallback);
  testsupport::RemoveTree(ui::ProgramFolder() + "tarnbel");
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text, "Can't create directory: Q:\\unmapped");
  EXPECT_EQ(fellBack, SortedPaths({"drums.ins", "melodic.ins"}));
  EXPECT_EQ(Written({"massiva"}).size(), 3u);
}

// A read-only file and a full disk: each failed file keeps its old content, nothing temporary is left,
// and the exports after the failed one still run.
TEST_F(AutomaticExports, AFailedWriteKeepsTheOldFileAndTheNextExportRuns) {
  AutocreateCakewalk = AutocreateCubase12 = AutocreateMassiva = true;
  const std::string readOnly = Folder["cakewalk\\tarnbel\\current\\melodic.ins"];
  ForceDirectories(Folder["cakewalk\\tarnbel\\current"]);
  testsupport::WriteBytes(readOnly, "old melodic");
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);

  const std::string unixDir = "/tmp/tarnbel_full_" + std::to_string(GetCurrentProcessId());
  DWORD code = 1;
  bool full = savertest::RunShell("mkdir -p " + unixDir + " && mount -t tmpfs -o size=64k tmpfs " + unixDir, 20000, &code) &&
              code == 0;
  const std::string disk = "Z:" + unixDir + "\\tarnbel\\current\\";
  if (full) {
    CubasePath = "Z:" + unixDir;
    CreateDirectoryA(("Z:" + unixDir + "\\tarnbel").c_str(), nullptr);
    CreateDirectoryA(disk.c_str(), nullptr);
    for (int first = 0; first < 129; first += 12)
      testsupport::WriteBytes(disk + "m" + IntToStrZero(first, 3) + "-" + IntToStrZero(first + 11, 3) + ".dev", "old");
  }
  EXPECT_FALSE(Run());
  std::vector<std::string> onDisk = full ? FilesBelow(disk) : std::vector<std::string>{};
  size_t whole = 0, old = 0;
  for (const std::string& file : onDisk) {
    std::string bytes = testsupport::ReadBytes(disk + file);
    whole += bytes.size() == 32004;
    old += bytes == "old";
  }
  if (full) savertest::RunShell("umount " + unixDir + " && rmdir " + unixDir, 20000);
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);

  EXPECT_EQ(testsupport::ReadBytes(readOnly), "old melodic");
  EXPECT_EQ(Written({"cakewalk"}), SortedPaths({"cakewalk\\tarnbel\\current\\melodic.ins"}));
  EXPECT_EQ(Written({"massiva"}).size(), 3u);
  ASSERT_GE(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text.rfind("Can't write " + readOnly + ": ", 0), 0u) << Boxes.Boxes[0].Text;
  if (!full) GTEST_SKIP() << "a small tmpfs cannot be mounted here (not root or no mount rights): no full disk to write to";
  EXPECT_EQ(Boxes.Boxes.size(), 2u);
  EXPECT_EQ(onDisk.size(), 11u) << "a temporary file was left";
  EXPECT_GE(old, 1u);
  EXPECT_EQ(whole + old, 11u);
}
