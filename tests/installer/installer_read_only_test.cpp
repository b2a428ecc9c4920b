// Installation and removal on what cannot be deleted: read-only program files (as copied from a CD) and a
// program folder on a read-only medium. Each deletion is looked at, what stays is said in a box that fits
// the screen, and the program stays with its uninstall entry, so that the removal can be run again.
#include <gtest/gtest.h>
#include <windows.h>

#include "installer_road.h"
#include "registry_test_support.h"
#include "unix_shell.h"

using namespace installertest;

namespace {

void SetReadOnly(const std::string& folder, bool readOnly) {
  for (const auto& file : FileTimes(folder))
    SetFileAttributesA((folder + "\\" + file.first).c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

bool ReadOnly(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

const char* const NotComplete = "Uninstallation is not complete. These could not be removed:";

}  // namespace

class InstallerReadOnly : public InstallerRoad {
 protected:
  // Runs the removal as the uninstall entry says, answering Yes; the boxes, and where the last one lay.
  std::vector<TShownBox> Remove(RECT& lastBox) {
    DWORD code = 99;
    return RunSetup(UninstallString(), code, [&](const TShownBox& box, HWND window) {
      if (box.Caption == "Confirmation") return IDYES;
      GetWindowRect(window, &lastBox);
      return IDOK;
    });
  }

  // The removal names the first ten of the program's files, all still there, and counts the others;
  // its box lies on the screen; the program and its entry stay.
  void ExpectEverythingLeft(size_t files) {
    const std::string entry = UninstallString();
    RECT box{};
    std::vector<TShownBox> boxes = Remove(box);
    ASSERT_EQ(boxes.size(), 2u);
    std::vector<std::string> lines = Lines(boxes[1].Text);
    ASSERT_EQ(lines.size(), 12u) << boxes[1].Text;
    EXPECT_EQ(lines[0], NotComplete);
    for (size_t i = 1; i <= 10; ++i) {
      EXPECT_EQ(lines[i].substr(0, Folder.size() + 1), Folder + "\\") << lines[i];
      EXPECT_TRUE(FileExists(lines[i])) << lines[i];
    }
    // Every file but this program, which stays to run the removal again.
    EXPECT_EQ(lines[11], "... and " + std::to_string(files - 1 - 10) + " more.");
    EXPECT_GE(box.left, 0);
    EXPECT_GE(box.top, 0);
    EXPECT_LE(box.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_LE(box.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(FileTimes(Folder).size(), files);
    EXPECT_EQ(UninstallString(), entry);
  }

  // Once the files can go, the removal run again from the entry takes everything.
  void ExpectSecondRemovalCompletes() {
    RECT box{};
    std::vector<TShownBox> boxes = Remove(box);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].Text, "Uninstallation complete.");
    EXPECT_TRUE(WaitTraces({}));
  }
};

TEST_F(InstallerReadOnly, ReadOnlyFilesMakeWritableCopiesAndARemovalThatCanBeRunAgain) {
  SetReadOnly(Folder, true);
  const size_t files = FileTimes(Folder).size();
  DWORD code = 99;
  std::vector<TShownBox> boxes = RunTools("-INSTALL", code);
  ASSERT_EQ(boxes.size(), 2u);
  const std::string cantDelete = "Can't delete " + ProgramFile("instlist.txt") + ": ";
  EXPECT_EQ(boxes[0].Text.substr(0, cantDelete.size()), cantDelete);
  EXPECT_GT(boxes[0].Text.size(), cantDelete.size()) << "the reason";
  EXPECT_EQ(boxes[1].Text, "Installation complete.");
  EXPECT_EQ(code, 1u);
  // The list stays with the installed files, marked as one of them.
  EXPECT_EQ(WriteTime(ProgramFile("instlist.txt")), WriteTime(ProgramFile("wendrel.dll")));
  const std::string copies[] = {SystemFile("wendrel.dll"), WinampFolder() + "plugins\\in_tbvox.dll"};
  for (const std::string& copy : copies) EXPECT_FALSE(ReadOnly(copy)) << copy;

  // A reinstallation replaces the copies without a word.
  boxes = RunTools("-REINSTALL", code);
  ASSERT_EQ(boxes.size(), 1u) << boxes[0].Text;
  EXPECT_EQ(boxes[0].Text, "Reinstallation complete.");

  ASSERT_NO_FATAL_FAILURE(ExpectEverythingLeft(files));
  for (const std::string& copy : copies) EXPECT_FALSE(FileExists(copy)) << copy;
  SetReadOnly(Folder, false);
  ExpectSecondRemovalCompletes();
}

// Mounted read-only after installation, or before it (then no file can be marked, and that is said).
class InstallerReadOnlyMedium : public InstallerReadOnly, public ::testing::WithParamInterface<bool> {};

TEST_P(InstallerReadOnlyMedium, AFolderOnAReadOnlyMediumIsNamedAsLeftNotAsRemoved) {
  const bool before = GetParam();
  testsupport::TReadOnlyFolder medium("tarnbel_read_only");
  ASSERT_NO_FATAL_FAILURE(UseProgramFolder(medium.Path()));
  if (before && !medium.Mount()) GTEST_SKIP() << "no read-only mount can be made here";
  DWORD code = 99;
  std::vector<TShownBox> boxes = RunTools("-INSTALL", code);
  ASSERT_EQ(boxes.size(), before ? 2u : 1u);
  EXPECT_EQ(boxes.back().Text, "Installation complete.");
  EXPECT_EQ(code, before ? 1u : 0u);
  if (before) {  // the reason, the first ten files and the count of the others
    const std::string cantMark = "Can't mark these installed files for removal: ";
    EXPECT_EQ(boxes[0].Text.substr(0, cantMark.size()), cantMark);
    EXPECT_GT(boxes[0].Text.find('\r'), cantMark.size());
    EXPECT_EQ(Lines(boxes[0].Text).size(), 12u) << boxes[0].Text;
  }
  const size_t files = FileTimes(Folder).size();
  if (!before && !medium.Mount()) GTEST_SKIP() << "no read-only mount can be made here";
  ASSERT_NO_FATAL_FAILURE(ExpectEverythingLeft(files));
  medium.Unmount();
  ExpectSecondRemovalCompletes();
}

INSTANTIATE_TEST_SUITE_P(MountedAfterAndBeforeInstallation, InstallerReadOnlyMedium, ::testing::Bool());
