#pragma once
// What the installer suite's tests share: the folders of its prefix, file times, shell links read
// back, snapshots of an installation's traces, and removing every trace between tests.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace installertest {

// The program folder as the suite lays it out (kit) and where the end-to-end tests put it, both without
// a trailing backslash; run_suite.sh names them.
std::string KitFolder();
std::string ProgramFolderUnderTest();
// This suite's own folder, with a trailing backslash: the installer's routines take it as the program
// folder when they run in-process.
std::string SuiteFolder();
// Winamp's folder as the tests install it, with a trailing backslash.
std::string WinampFolder();
// The desktop folder and the Start menu's programs folder, without a trailing backslash.
std::string DesktopFolder();
std::string ProgramsFolder();

// A file of the system folder and of the temporary folder.
std::string SystemFile(const std::string& name);
std::string TempFile(const std::string& name);
// The lines of a text (ended by LF or CR LF); a last line end starts no line.
std::vector<std::string> Lines(const std::string& text);

// The last-write time as one number; 0 when the file is missing.
uint64_t WriteTime(const std::string& path);
bool SetWriteTime(const std::string& path, uint64_t time);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// Copies a folder tree; the files keep their times.
bool CopyTree(const std::string& from, const std::string& to);
// Every file under the folder: path after the folder -> last-write time.
std::map<std::string, uint64_t> FileTimes(const std::string& folder);

// The child window (any depth) with exactly that text; null when none.
HWND ChildWithText(HWND parent, const std::string& text);

// A shell link as IShellLink reads it.
struct TShellLinkInfo {
  bool Read = false;
  std::string Target;
  std::string WorkingFolder;
};
TShellLinkInfo ReadShellLink(const std::string& linkFile);

// Winamp's uninstall entry with "UninstallString" of that registry type and data (a string type gets
// its terminating zero); RemoveWinampEntry takes the entry away.
void WriteWinampEntry(DWORD type, const std::string& data);
void RemoveWinampEntry();

// A file opened without sharing for the object's life, as a program that uses it holds it.
class THeldFile {
 public:
  explicit THeldFile(const std::string& path);
  ~THeldFile();
  THeldFile(const THeldFile&) = delete;
  THeldFile& operator=(const THeldFile&) = delete;
  bool Held() const { return FFile != INVALID_HANDLE_VALUE; }

 private:
  HANDLE FFile;
};

// Every trace of an installation that exists, by name: the program folder and its files with their
// times, the plug-in and the driver, links with their targets, the Start-menu group, the uninstall
// entry's values, the registration, the removal's batch. Equal snapshots mean nothing changed; after a
// removal only what the user added may be left.
std::map<std::string, std::string> InstallationTraces(const std::string& programFolder);
// Removes every trace of an installation and the tests' Winamp.
void RemoveInstallation(const std::string& programFolder);

}  // namespace installertest
