#include "installer_suite.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "file_find.h"
#include "program_process.h"
#include "registry_test_support.h"
#include "scratch_folder.h"

namespace installertest {

namespace {

const char* const UninstallEntry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\tarnbel";
const char* const WinampEntry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp";
const char* const DevicesKey = "Software\\SoundFont\\Devices";
const char* const Group = "tarnbel v1.24.2";

std::string Environment(const char* name, const char* fallback) {
  char value[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
  return length > 0 && length < sizeof(value) ? std::string(value, length) : std::string(fallback);
}

std::string ShellFolder(int id) {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

// Names and texts of the files and links an installation makes, beside the program folder.
std::vector<std::string> DesktopLinks() {
  return {DesktopFolder() + "\\tarnbel v1.24.2.lnk", DesktopFolder() + "\\tarnbel tools v1.24.2.lnk"};
}

std::string GroupFolder() { return ProgramsFolder() + "\\" + Group; }

void AddFileTraces(std::map<std::string, std::string>& traces, const std::string& folder) {
  for (const auto& file : FileTimes(folder)) traces["file " + folder + "\\" + file.first] = std::to_string(file.second);
}

void AddFileTrace(std::map<std::string, std::string>& traces, const std::string& path) {
  if (FileExists(path)) traces["file " + path] = std::to_string(WriteTime(path));
}

void AddLinkTrace(std::map<std::string, std::string>& traces, const std::string& path) {
  if (!FileExists(path)) return;
  TShellLinkInfo link = ReadShellLink(path);
  traces["link " + path] = link.Target + " | " + link.WorkingFolder;
}

void AddValueTrace(std::map<std::string, std::string>& traces, const std::string& key, const std::string& name) {
  testsupport::RawValue value = testsupport::ReadRaw(key, name, HKEY_LOCAL_MACHINE);
  if (value.found)
    traces["value HKLM\\" + key + "\\" + name] = std::string(value.data.begin(), value.data.end());
}

struct TChildSearch {
  std::string Text;
  HWND Found;
};

// Callbacks are stdcall on 32-bit Windows, which a lambda cannot be.
BOOL CALLBACK FindChildWithText(HWND child, LPARAM context) {
  auto* search = reinterpret_cast<TChildSearch*>(context);
  char caption[256] = {};
  GetWindowTextA(child, caption, sizeof(caption));
  if (search->Text != caption) return TRUE;
  search->Found = child;
  return FALSE;
}

}  // namespace

std::string SystemFile(const std::string& name) {
  char folder[MAX_PATH] = {};
  GetSystemDirectoryA(folder, sizeof(folder));
  return std::string(folder) + "\\" + name;
}

std::string TempFile(const std::string& name) {
  char folder[MAX_PATH] = {};
  GetTempPathA(sizeof(folder), folder);
  return std::string(folder) + name;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = std::min(text.find('\n', start), text.size());
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string KitFolder() { return Environment("TARNBEL_PROGRAM_KIT", "C:\\tarnbel kit"); }
std::string ProgramFolderUnderTest() {
  return Environment("TARNBEL_PROGRAM_FOLDER", "C:\\Program Files\\tarnbel v1.24.2");
}

std::string SuiteFolder() { return e2e::ProgramFolder(); }

std::string WinampFolder() { return "C:\\Program Files\\Winamp\\"; }
std::string DesktopFolder() { return ShellFolder(CSIDL_DESKTOPDIRECTORY); }
std::string ProgramsFolder() { return ShellFolder(CSIDL_PROGRAMS); }

uint64_t WriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
}

bool SetWriteTime(const std::string& path, uint64_t time) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME value{DWORD(time), DWORD(time >> 32)};
  bool set = SetFileTime(file, nullptr, nullptr, &value) != FALSE;
  CloseHandle(file);
  return set;
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CopyTree(const std::string& from, const std::string& to) {
  if (!CreateDirectoryA(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  WIN32_FIND_DATAA data;
  HANDLE found = FindFirstFileA((from + "\\*").c_str(), &data);
  if (found == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ok = CopyTree(from + "\\" + name, to + "\\" + name) && ok;
    else ok = CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE) && ok;
  } while (FindNextFileA(found, &data));
  FindClose(found);
  return ok;
}

std::map<std::string, uint64_t> FileTimes(const std::string& folder) {
  std::map<std::string, uint64_t> times;
  TFindFileRecursive finder(folder);
  for (std::string path = finder.Next(); !path.empty(); path = finder.Next())
    times[path.substr(folder.size() + 1)] = WriteTime(path);
  return times;
}

HWND ChildWithText(HWND parent, const std::string& text) {
  TChildSearch search{text, nullptr};
  EnumChildWindows(parent, &FindChildWithText, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

TShellLinkInfo ReadShellLink(const std::string& linkFile) {
  TShellLinkInfo info;
  HRESULT com = CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  std::wstring wide(linkFile.begin(), linkFile.end());
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
    char target[MAX_PATH] = {}, folder[MAX_PATH] = {};
    info.Read = SUCCEEDED(link->GetPath(target, sizeof(target), nullptr, SLGP_RAWPATH)) &&
                SUCCEEDED(link->GetWorkingDirectory(folder, sizeof(folder)));
    info.Target = target;
    info.WorkingFolder = folder;
  }
  if (file) file->Release();
  if (link) link->Release();
  if (SUCCEEDED(com)) CoUninitialize();
  return info;
}

void WriteWinampEntry(DWORD type, const std::string& data) {
  RemoveWinampEntry();
  std::string stored = type == REG_SZ || type == REG_EXPAND_SZ ? data + '\0' : data;
  testsupport::WriteRaw(WinampEntry, "UninstallString", type, stored.data(), DWORD(stored.size()), HKEY_LOCAL_MACHINE);
}

void RemoveWinampEntry() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, WinampEntry); }

THeldFile::THeldFile(const std::string& path)
    : FFile(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}

THeldFile::~THeldFile() {
  if (FFile != INVALID_HANDLE_VALUE) CloseHandle(FFile);
}

std::map<std::string, std::string> InstallationTraces(const std::string& programFolder) {
  std::map<std::string, std::string> traces;
  if (FolderExists(programFolder)) traces["folder " + programFolder] = "";
  AddFileTraces(traces, programFolder);
  AddFileTrace(traces, WinampFolder() + "plugins\\in_tbvox.dll");
  AddFileTrace(traces, SystemFile("wendrel.dll"));
  AddFileTrace(traces, TempFile("delself.bat"));
  for (const std::string& link : DesktopLinks()) AddLinkTrace(traces, link);
  if (FolderExists(GroupFolder())) traces["folder " + GroupFolder()] = "";
  for (const char* name : {"tarnbel", "tarnbel tools", "tarnbel help"})
    AddLinkTrace(traces, GroupFolder() + "\\" + name + ".lnk");
  AddValueTrace(traces, UninstallEntry, "DisplayName");
  AddValueTrace(traces, UninstallEntry, "UninstallString");
  if (testsupport::KeyExists(UninstallEntry, HKEY_LOCAL_MACHINE)) traces["key HKLM\\" + std::string(UninstallEntry)] = "";
  AddValueTrace(traces, DevicesKey, "wendrel.dll");
  return traces;
}

void RemoveInstallation(const std::string& programFolder) {
  testsupport::RemoveTree(programFolder);
  std::string winamp = WinampFolder();
  testsupport::RemoveTree(winamp.substr(0, winamp.size() - 1));
  RemoveWinampEntry();
  for (const std::string& link : DesktopLinks()) DeleteFileA(link.c_str());
  // A test may have put a file where the group goes.
  if (!DeleteFileA(GroupFolder().c_str())) testsupport::RemoveTree(GroupFolder());
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallEntry);
  HKEY devices;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, DevicesKey, 0, KEY_SET_VALUE, &devices) == ERROR_SUCCESS) {
    RegDeleteValueA(devices, "wendrel.dll");
    RegCloseKey(devices);
  }
  // Also a copy left read-only.
  SetFileAttributesA(SystemFile("wendrel.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(SystemFile("wendrel.dll").c_str());
  DeleteFileA(TempFile("delself.bat").c_str());
}

}  // namespace installertest
