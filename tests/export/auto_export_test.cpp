// The automatic exports after an applied change: which run, where their files go, and what a folder that
// cannot be made or a file that cannot be written leave behind.
#include "auto_export.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "export_settings.h"
#include "export_test_support.h"
#include "folders.h"
#include "message_box_recorder.h"
#include "saver_test_support.h"
#include "scratch_folder.h"
#include "standin_support.h"
#include "sys_utils.h"
#include "tarnbel_func.h"

using namespace exporttest;

namespace {

class AutomaticExports : public ::testing::Test {
 protected:
  void SetUp() override { Set(false); }
  void TearDown() override { Set(false); }
  // Every export on or off, each into its own folder.
  void Set(bool on) {
    for (auto& [flag, folder, name] : Settings) {
      flag = on;
      folder = Folder[name];
    }
  }
  bool Run() {
    return RunAutomaticExports([this] {
      ++Built;
      auto current = Orchestra();
      current->Name = "current";
      return current;
    });
  }

  testsupport::TScratchFolder Folder{"auto"};
  testsupport::MessageBoxRecorder Boxes;
  int Built = 0;
  std::vector<std::tuple<bool&, std::string&, const char*>> Settings = {
      {AutocreateCakewalk, CakewalkPath, "cakewalk"},    {AutocreateCubase1, CubasePath, "cubase"},
      {AutocreateCubase12, CubasePath, "cubase"},        {AutocreateMapping, MappingPath, "mapping"},
      {AutocreateMassiva, MassivaPath, "massiva"},       {AutocreateEncore, EncorePath, "encore"},
      {AutocreateEvolution, EvolutionPath, "evolution"}, {AutocreateQuartz, QuartzPath, "quartz"}};
};

std::string DriverFile(int first) { return "m" + IntToStrZero(first, 3) + "-" + IntToStrZero(first + 11, 3) + ".dev"; }

}  // namespace

TEST_F(AutomaticExports, NothingOnBuildsNothing) {
  EXPECT_TRUE(Run());
  EXPECT_EQ(Built, 0);
  EXPECT_TRUE(FilesBelow(Folder.Path()).empty());
}

TEST_F(AutomaticExports, EveryExportOnWritesEveryFileIntoItsFolderAndMakesVanishedFolders) {
  Set(true);
  CakewalkPath = Folder["gone\\deeper"];
  EXPECT_TRUE(Run());
  EXPECT_EQ(Built, 1);
  EXPECT_TRUE(Boxes.Boxes.empty());
  std::vector<std::string> expected = {"mapping\\current.txt", "quartz\\sets\\current_drums.set",
                                       "quartz\\sets\\current_melodic.set"};
  const std::vector<std::pair<std::string, std::vector<std::string>>> perBank = {
      {"gone\\deeper", {"drums.ins", "melodic.ins"}},
      {"evolution", {"drums.pls", "melodic.pls"}},
      {"encore", {"bank 000.ini", "drumsets.ini", "Strings and Pads.ini"}},
      {"massiva", {"bank 000.mxp", "drumsets.mxp", "Strings and Pads.mxp"}},
      {"cubase", {"bank 000.dev", "drums.dev", "Strings .dev"}}};
  for (const auto& [folder, files] : perBank)
    for (const std::string& file : files) expected.push_back(folder + "\\tarnbel\\current\\" + file);
  for (int first = 0; first < 129; first += 12) expected.push_back("cubase\\tarnbel\\current\\" + DriverFile(first));
  EXPECT_EQ(FilesBelow(Folder.Path()), SortedPaths(expected));
}

TEST_F(AutomaticExports, AFolderThatCannotBeMadeGoesToTheProgramFolderAndTheRestRunOn) {
  AutocreateCakewalk = AutocreateCubase1 = AutocreateMassiva = true;
  CakewalkPath = CubasePath = "Q:\\unmapped";
  const std::string program = ui::ProgramFolder();
  const std::vector<std::string> beside = testsupport::FilesIn(program);
  EXPECT_TRUE(Run());
  std::vector<std::string> fellBack = FilesBelow(program + "tarnbel\\current");
  testsupport::RemoveTree(program + "tarnbel");
  const std::string box = "Can't create directory: Q:\\unmapped\\tarnbel\\current\r\nWriting into " + program +
                          "tarnbel\\current\\ instead.";
  EXPECT_EQ(Boxes.Texts(), std::vector<std::string>(2, box));
  EXPECT_EQ(fellBack, SortedPaths({"bank 000.dev", "drums.dev", "drums.ins", "melodic.ins", "Strings .dev"}));
  EXPECT_EQ(testsupport::FilesIn(program), beside) << "files were written loose beside the program";
  EXPECT_EQ(FilesBelow(Folder["massiva"]).size(), 3u);
}

// No folder chosen, or one without a drive: every export writes below the program folder what it writes
// below a chosen one, wherever a file dialog left the current folder.
TEST_F(AutomaticExports, NoFolderOrARelativeOneMeansTheProgramFolderForEveryExport) {
  Set(true);
  for (auto& setting : Settings) std::get<1>(setting) = Folder["chosen"];
  EXPECT_TRUE(Run());
  const std::vector<std::string> chosen = FilesBelow(Folder["chosen"]);
  const std::string program = ui::ProgramFolder();
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  SetCurrentDirectoryA(Folder["chosen"].c_str());  // where a file dialog went
  for (const std::string relative : {"", "relout"}) {
    for (auto& setting : Settings) std::get<1>(setting) = relative;
    const std::vector<std::string> before = FilesBelow(program + relative);
    EXPECT_TRUE(Run());
    std::vector<std::string> added;
    for (const std::string& file : FilesBelow(program + relative))
      if (std::find(before.begin(), before.end(), file) == before.end()) added.push_back(file);
    for (const char* made : {"tarnbel", "sets", "relout"}) testsupport::RemoveTree(program + made);
    DeleteFileA((program + "current.txt").c_str());
    EXPECT_EQ(added, chosen) << relative;
  }
  SetCurrentDirectoryA(current);
  EXPECT_TRUE(Boxes.Boxes.empty());
}

// A read-only file and a full disk: each failed file keeps its old content, nothing temporary is left, and
// the exports after the failed one still run.
TEST_F(AutomaticExports, AFailedWriteKeepsTheOldFileAndTheNextExportRuns) {
  AutocreateCakewalk = AutocreateCubase12 = AutocreateMassiva = true;
  const std::string readOnly = Folder["cakewalk\\tarnbel\\current\\melodic.ins"];
  ForceDirectories(Folder["cakewalk\\tarnbel\\current"]);
  testsupport::WriteBytes(readOnly, "old melodic");
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  // A 64 kB disk already holding the eleven old files (as the SoundFont writer's tests make a full disk).
  const std::string unixDir = "/tmp/tarnbel_full_" + std::to_string(GetCurrentProcessId()), disk = "Z:" + unixDir;
  DWORD code = 1;
  bool full =
      savertest::RunShell("mkdir -p " + unixDir + " && mount -t tmpfs -o size=64k tmpfs " + unixDir, 20000, &code) &&
      code == 0;
  if (full) {
    CubasePath = disk;
    ForceDirectories(disk + "\\tarnbel\\current");
  }
  for (int first = 0; full && first < 129; first += 12)
    testsupport::WriteBytes(disk + "\\tarnbel\\current\\" + DriverFile(first), "old");
  EXPECT_FALSE(Run());
  size_t whole = 0, old = 0, left = full ? FilesBelow(disk).size() : 0;
  for (int first = 0; full && first < 129; first += 12) {
    std::string bytes = testsupport::ReadBytes(disk + "\\tarnbel\\current\\" + DriverFile(first));
    whole += bytes.size() == 32004;
    old += bytes == "old";
  }
  if (full) savertest::RunShell("umount " + unixDir + " && rmdir " + unixDir, 20000);
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);

  EXPECT_EQ(testsupport::ReadBytes(readOnly), "old melodic");
  EXPECT_EQ(FilesBelow(Folder["cakewalk"]), std::vector<std::string>{"tarnbel\\current\\melodic.ins"});
  EXPECT_EQ(FilesBelow(Folder["massiva"]).size(), 3u);
  ASSERT_GE(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text.rfind("Can't write " + readOnly + ": ", 0), 0u) << Boxes.Boxes[0].Text;
  if (!full)
    GTEST_SKIP() << "a small tmpfs cannot be mounted here (not root or no mount rights): no full disk to write to";
  EXPECT_EQ(Boxes.Boxes.size(), 2u);
  EXPECT_EQ(left, 11u) << "a temporary file was left";
  EXPECT_GE(old, 1u);
  EXPECT_EQ(whole + old, 11u);
}
