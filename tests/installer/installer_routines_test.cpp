// The installer's single steps, in-process: this suite's folder stands as the program folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "installer.h"
#include "file_link.h"
#include "installer_suite.h"
#include "oracle_programs.h"
#include "scratch_folder.h"
#include "standin_support.h"

using namespace installertest;
using testsupport::WriteTextFile;

namespace {

// A file of the suite's folder, made for the test and removed after it.
class TProgramFiles {
 public:
  ~TProgramFiles() {
    for (auto path = FPaths.rbegin(); path != FPaths.rend(); ++path) {
      SetFileAttributesA(path->c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!DeleteFileA(path->c_str())) RemoveDirectoryA(path->c_str());
    }
  }
  std::string Add(const std::string& relative, const std::string& text = "x", uint64_t time = 0) {
    std::string path = SuiteFolder() + relative;
    size_t slash = relative.rfind('\\');
    if (slash != std::string::npos) Folder(relative.substr(0, slash));
    WriteTextFile(path, text);
    if (time) SetWriteTime(path, time);
    FPaths.push_back(path);
    return path;
  }
  void Folder(const std::string& relative) {
    for (size_t end = relative.find('\\'); ; end = relative.find('\\', end + 1)) {
      std::string path = SuiteFolder() + relative.substr(0, end);
      if (CreateDirectoryA(path.c_str(), nullptr)) FPaths.push_back(path);
      if (end == std::string::npos) return;
    }
  }

 private:
  std::vector<std::string> FPaths;
};

// 2003-06-15 12:00 and a minute later, as file times.
const uint64_t Stamp = 126999792000000000ull;
const uint64_t Later = Stamp + 600000000ull;

// A file whose time cannot be set, as on a medium that cannot be written; false where the host may not.
bool SetImmutable(const std::string& path, bool on) {
  DWORD code = 1;
  return testsupport::RunShell(std::string("chattr ") + (on ? "+i '" : "-i '") + testsupport::HostName(path) + "'",
                               20000, &code) && code == 0;
}

}  // namespace

TEST(InstallerRoutines, WinampFolderComesFromItsUninstallEntryOrThereIsNoWinamp) {
  struct TCase {
    const char* What;
    bool Entry;
    DWORD Type;
    std::string Data;
    std::string Folder;  // "" for no Winamp
  };
  const TCase cases[] = {
      {"quoted, with an argument", true, REG_SZ, "\"C:\\Program Files\\Winamp\\UninstWA.exe\" /S",
       "C:\\Program Files\\Winamp\\"},
      {"quoted, an argument holding a path", true, REG_SZ, "\"C:\\Winamp 5\\UninstWA.exe\" /log=C:\\x\\y.txt",
       "C:\\Winamp 5\\"},
      {"unquoted", true, REG_SZ, "C:\\Program Files\\Winamp\\UninstWA.exe", "C:\\Program Files\\Winamp\\"},
      {"unquoted, arguments holding a path", true, REG_SZ, "C:\\Program Files\\Winamp\\UNINSTWA.EXE /S /D=C:\\x",
       "C:\\Program Files\\Winamp\\"},
      {"expandable", true, REG_EXPAND_SZ, "%SystemDrive%\\Winamp\\uninst.exe", "C:\\Winamp\\"},
      {"a number", true, REG_DWORD, std::string("\x01\0\0\0", 4), ""},
      {"empty", true, REG_SZ, "", ""},
      {"relative", true, REG_SZ, "Winamp\\UninstWA.exe", ""},
      {"without a folder", true, REG_SZ, "\"UninstWA.exe\" /S", ""},
      {"no entry", false, REG_SZ, "", ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    if (c.Entry) WriteWinampEntry(c.Type, c.Data);
    else RemoveWinampEntry();
    std::string folder = "unchanged";
    EXPECT_EQ(FindWinampFolder(folder), !c.Folder.empty());
    EXPECT_EQ(folder, c.Folder.empty() ? "unchanged" : c.Folder);
    // No Winamp: removal has nothing to do (installation asks for the folder: the end-to-end tests).
    if (c.Folder.empty()) {
      EXPECT_TRUE(UninstallWinampPlugin("in_tbvox.dll"));
    }
  }
  RemoveWinampEntry();
}

TEST(InstallerRoutines, StampReachesTheListedFilesOnceTheReferenceHasATime) {
  struct TCase {
    const char* What;
    bool Reference, List;
    bool Result, Stamped, ListKept;
    bool ListReadOnly = false, FileImmutable = false;
  };
  const TCase cases[] = {
      {"reference and list", true, true, true, true, false},
      {"no reference: nothing stamped, the list kept", false, true, false, false, true},
      {"no list: nothing to stamp", true, false, true, false, false},
      {"a list that cannot be deleted: stamped as installed, and said", true, true, false, true, true, true},
      {"a file that cannot be stamped: named, the list kept and stamped", true, true, false, true, true, false, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TProgramFiles files;
    if (c.Reference) files.Add("wendrel.dll", "driver", Stamp);
    std::string listed = files.Add("Listed.TXT", "x", Later), inFolder = files.Add("Stamp Sub\\B.txt", "x", Later);
    std::string unlisted = files.Add("Stamp Sub\\c.txt", "x", Later);
    // Listed case-blind; a listed file that is not there is passed over.
    std::string list = c.List ? files.Add("instlist.txt", "listed.txt\r\nSTAMP SUB\\b.txt\r\nmissing.txt\r\nwendrel.dll\r\n")
                              : SuiteFolder() + "instlist.txt";
    if (c.ListReadOnly) SetFileAttributesA(list.c_str(), FILE_ATTRIBUTE_READONLY);
    if (c.FileImmutable && !SetImmutable(inFolder, true)) continue;
    uint64_t suiteTime = WriteTime(SuiteFolder() + "test_installer.exe");
    bool listKept = !c.ListReadOnly;
    std::vector<std::string> unstamped;
    EXPECT_EQ(StampInstalledFiles("wendrel.dll", "instlist.txt", unstamped, &listKept), c.Result);
    EXPECT_EQ(listKept, c.ListReadOnly);
    if (c.ListReadOnly || c.FileImmutable) {
      EXPECT_EQ(WriteTime(list), Stamp);
    }
    EXPECT_EQ(unstamped, c.FileImmutable ? std::vector<std::string>{inFolder} : std::vector<std::string>{});
    uint64_t expected = c.Stamped ? Stamp : Later;
    EXPECT_EQ(WriteTime(listed), expected);
    EXPECT_EQ(WriteTime(inFolder), c.FileImmutable ? Later : expected);
    if (c.FileImmutable) SetImmutable(inFolder, false);
    EXPECT_EQ(WriteTime(unlisted), Later);
    EXPECT_EQ(WriteTime(SuiteFolder() + "test_installer.exe"), suiteTime);
    EXPECT_EQ(FileExists(list), c.ListKept);
  }
}

TEST(InstallerRoutines, RemovalDeletesTheFilesBearingTheStampAndNothingElse) {
  TProgramFiles files;
  files.Add("wendrel.dll", "driver", Stamp);
  std::string installed = files.Add("Removal Sub\\installed.txt", "x", Stamp);
  std::string installedToo = files.Add("Removal Sub\\Deeper\\installed.txt", "x", Stamp);
  std::string changed = files.Add("Removal Sub\\changed by the user.txt", "x", Stamp + 1);
  std::string users = files.Add("Removal Sub\\the user's.txt", "x");
  std::string held = files.Add("held.txt", "x", Stamp);
  std::vector<std::string> left;
  {
    THeldFile holding(held);
    EXPECT_FALSE(DeleteStampedFiles("wendrel.dll", "instlist.txt", left));
  }
  // The reference stays with them, so that a later removal finds them.
  EXPECT_EQ(left, (std::vector<std::string>{held, SuiteFolder() + "wendrel.dll"}));
  EXPECT_FALSE(FileExists(installed));
  EXPECT_FALSE(FileExists(installedToo));
  EXPECT_TRUE(FileExists(changed));
  EXPECT_TRUE(FileExists(users));
  EXPECT_TRUE(FileExists(SuiteFolder() + "test_installer.exe"));
  // Run again once it can go, it takes it and the reference.
  left.clear();
  EXPECT_TRUE(DeleteStampedFiles("wendrel.dll", "instlist.txt", left));
  EXPECT_FALSE(FileExists(held));
  EXPECT_FALSE(FileExists(SuiteFolder() + "wendrel.dll"));

  // Folders go only when empty.
  EXPECT_TRUE(RemoveProgramSubfolder("Removal Sub\\Deeper"));
  EXPECT_FALSE(RemoveProgramSubfolder("Removal Sub"));
  EXPECT_TRUE(FolderExists(SuiteFolder() + "Removal Sub"));
  EXPECT_TRUE(RemoveProgramSubfolder("never there"));

  // Without the reference, the running program bears the stamp.
  left.clear();
  std::string stamped = files.Add("stamped.txt", "x", WriteTime(SuiteFolder() + "test_installer.exe"));
  EXPECT_TRUE(DeleteStampedFiles("wendrel.dll", "instlist.txt", left));
  EXPECT_FALSE(FileExists(stamped));
  EXPECT_TRUE(FileExists(SuiteFolder() + "test_installer.exe"));
}

// A list the installation kept names the files it could not stamp; one that came later names none.
TEST(InstallerRoutines, RemovalTakesTheUnstampedFilesOfAListOnlyWhenTheInstallationKeptIt) {
  struct TCase {
    const char* What;
    uint64_t ListTime, StampedTime;
    bool UnstampedGoes;
  };
  const TCase cases[] = {
      {"kept and stamped: some files could not be stamped", Stamp, Stamp, true},
      {"kept as it was: no file could be stamped", Later, Later, true},
      {"put there after an installation that stamped its files", Later, Stamp, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TProgramFiles files;
    files.Add("wendrel.dll", "driver", Stamp);
    files.Add("instlist.txt", "stamped.txt\r\nunstamped.txt\r\n", c.ListTime);
    std::string stamped = files.Add("stamped.txt", "x", c.StampedTime);
    std::string unstamped = files.Add("unstamped.txt", "x", Later);
    std::vector<std::string> left;
    EXPECT_TRUE(DeleteStampedFiles("wendrel.dll", "instlist.txt", left));
    EXPECT_FALSE(FileExists(stamped));
    EXPECT_NE(FileExists(unstamped), c.UnstampedGoes);
    EXPECT_FALSE(FileExists(SuiteFolder() + "instlist.txt"));
  }
}

// An earlier installation copied the read-only attribute along: its copies go all the same.
TEST(InstallerRoutines, ACopyLeftReadOnlyIsRemovedAllTheSame) {
  WriteWinampEntry(REG_SZ, "\"" + WinampFolder() + "UninstWA.exe\" /S");
  CreateDirectoryA(WinampFolder().c_str(), nullptr);
  CreateDirectoryA((WinampFolder() + "plugins").c_str(), nullptr);
  const std::pair<std::string, std::function<bool()>> copies[] = {
      {SystemFile("wendrel.dll"), [] { return DeleteFromSystemFolder("wendrel.dll"); }},
      {WinampFolder() + "plugins\\in_tbvox.dll", [] { return UninstallWinampPlugin("in_tbvox.dll"); }},
  };
  for (const auto& copy : copies) {
    ASSERT_TRUE(WriteTextFile(copy.first, "an earlier copy"));
    ASSERT_TRUE(SetFileAttributesA(copy.first.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(copy.second()) << copy.first;
    EXPECT_FALSE(FileExists(copy.first)) << copy.first;
  }
  RemoveInstallation(ProgramFolderUnderTest());
}

TEST(InstallerRoutines, TheBatchHoldsItsPathsAsTheyAreAndEndsWithinAMinute) {
  struct TCase {
    bool RemoveFolder;
    std::string Text;
  };
  const std::string head =
      "@echo off\r\n"
      "set tries=0\r\n"
      ":try\r\n"
      "del \"C:\\a%%b%%c\\x.exe\"\r\n"
      "if not exist \"C:\\a%%b%%c\\x.exe\" goto removed\r\n"
      "set /a tries+=1\r\n"
      "if %tries% geq 60 goto end\r\n"
      "ping -n 2 127.0.0.1 >nul\r\n"
      "goto try\r\n"
      ":removed\r\n";
  const std::string tail =
      ":end\r\n"
      "del \"C:\\users\\100%%\\Temp\\delself.bat\"\r\n";
  const TCase cases[] = {
      {true, head + "rmdir \"C:\\a%%b%%c\"\r\n" + tail},
      {false, head + tail},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(DeleteSelfBatchText("C:\\a%b%c\\x.exe", "C:\\users\\100%\\Temp\\delself.bat", c.RemoveFolder), c.Text)
        << c.RemoveFolder;
}
