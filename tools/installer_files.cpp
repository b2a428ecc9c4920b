// Deletions and copies of installed files, the installation stamp, the program's subfolders and the batch
// that deletes the program after it ended.
#include <windows.h>

#include <set>

#include "file_find.h"
#include "installer.h"
#include "sys_utils.h"

namespace {

// Tries of the batch, a second apart, before it gives up on a program that does not end.
constexpr int DeleteSelfTries = 60;

bool ReadLastWriteTime(const std::string& path, FILETIME& time) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  time = data.ftLastWriteTime;
  return true;
}

bool WriteLastWriteTime(const std::string& path, const FILETIME& time) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool written = SetFileTime(file, nullptr, nullptr, &time) != FALSE;
  DWORD error = GetLastError();
  CloseHandle(file);
  SetLastError(error);
  return written;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// The lines of a text file, upper-cased; none when it cannot be read.
std::set<std::string> ReadListLines(const std::string& path) {
  std::set<std::string> lines;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) text.append(buffer, read);
  CloseHandle(file);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (end > start) lines.insert(ui::UpperCase(text.substr(start, end - start)));
    start = end + 1;
  }
  return lines;
}

// Every file under the program folder, in the finder's order.
std::vector<std::string> ProgramFiles() {
  std::vector<std::string> files;
  TFindFileRecursive finder(ui::ProgramFolder());
  for (std::string path = finder.Next(); !path.empty(); path = finder.Next()) files.push_back(path);
  return files;
}

bool MakeWritable(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!(attributes & FILE_ATTRIBUTE_READONLY)) return true;
  attributes &= ~DWORD(FILE_ATTRIBUTE_READONLY);
  return SetFileAttributesA(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

// A path as a batch line must hold it: the command interpreter would expand percent signs.
std::string Quoted(const std::string& path) {
  std::string text = "\"";
  for (char c : path) text += c == '%' ? std::string("%%") : std::string(1, c);
  return text + "\"";
}

}  // namespace

bool FileIsGone(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool DeleteFileConfirmed(const std::string& path) {
  if (FileIsGone(path)) return true;
  DWORD error = DeleteFileA(path.c_str()) ? DWORD(ERROR_WRITE_PROTECT) : GetLastError();
  if (FileIsGone(path)) return true;
  SetLastError(error);
  return false;
}

bool CopyWritable(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) && MakeWritable(to);
}

bool DeleteInstalledCopy(const std::string& path) {
  MakeWritable(path);
  return DeleteFileConfirmed(path);
}

std::string ThisProgramPath() {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  return length > 0 && length < sizeof(path) ? std::string(path, length) : std::string();
}

bool StampInstalledFiles(const std::string& referenceFile, const std::string& listFile,
                         std::vector<std::string>& unstamped, bool* listKept) {
  if (listKept) *listKept = false;
  const std::string folder = ui::ProgramFolder();
  const std::string listPath = folder + listFile;
  std::set<std::string> listed = ReadListLines(listPath);
  FILETIME stamp{};
  if (!ReadLastWriteTime(folder + referenceFile, stamp)) return false;
  std::vector<std::string> files = ProgramFiles();
  DWORD error = ERROR_SUCCESS;
  for (auto file = files.rbegin(); file != files.rend(); ++file) {
    if (!listed.count(ui::UpperCase(file->substr(folder.size())))) continue;
    if (!WriteLastWriteTime(*file, stamp)) {
      error = GetLastError();
      unstamped.push_back(*file);
    }
  }
  // Removal finds the files that kept their own time by the list, which therefore stays, marked as kept
  // by the installation where it can be.
  bool done = unstamped.empty();
  if (!done) WriteLastWriteTime(listPath, stamp);
  else if (!DeleteFileConfirmed(listPath)) {
    error = GetLastError();
    WriteLastWriteTime(listPath, stamp);
    if (listKept) *listKept = true;
    done = false;
  }
  if (!done) SetLastError(error);
  return done;
}

bool DeleteStampedFiles(const std::string& referenceFile, const std::string& listFile,
                        std::vector<std::string>& left) {
  const std::string folder = ui::ProgramFolder();
  const std::string reference = folder + referenceFile, list = folder + listFile;
  // This program was stamped with the others: its time stands in for a reference that is gone.
  FILETIME stamp{};
  if (!ReadLastWriteTime(reference, stamp) && !ReadLastWriteTime(ThisProgramPath(), stamp)) {
    left.push_back(folder + ": " + ui::SysErrorMessage(GetLastError()));
    return false;
  }
  const std::set<std::string> listed = ReadListLines(list);
  const std::string self = ui::UpperCase(ThisProgramPath());
  const std::string referenceName = ui::UpperCase(reference), listName = ui::UpperCase(list);
  std::vector<std::pair<std::string, bool>> found;  // listed or stamped, and whether stamped
  bool listedStamped = false;
  for (const std::string& file : ProgramFiles()) {
    FILETIME time{};
    const std::string name = ui::UpperCase(file);
    if (name == self || name == referenceName || name == listName) continue;
    const bool isListed = listed.count(name.substr(folder.size())) > 0;
    const bool isStamped = ReadLastWriteTime(file, time) && SameTime(time, stamp);
    if (isListed || isStamped) found.emplace_back(file, isStamped);
    listedStamped = listedStamped || (isListed && isStamped);
  }
  // The list names the files that could not be stamped only when the installation kept it: it bears the
  // stamp, or none of its files could take one. A list put there later (unpacked again for a
  // reinstallation) leaves the files the user changed since, as their own times do.
  FILETIME listTime{};
  const bool listKept = !listedStamped || (ReadLastWriteTime(list, listTime) && SameTime(listTime, stamp));
  const size_t leftBefore = left.size();
  for (auto file = found.rbegin(); file != found.rend(); ++file)
    if ((file->second || listKept) && !DeleteFileConfirmed(file->first)) left.push_back(file->first);
  for (const std::string& path : {list, reference})
    if (left.size() != leftBefore ? !FileIsGone(path) : !DeleteFileConfirmed(path)) left.push_back(path);
  return left.size() == leftBefore;
}

bool RemoveProgramSubfolder(const std::string& relativeFolder) {
  std::string path = ui::ProgramFolder() + relativeFolder;
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  return RemoveDirectoryA(path.c_str()) != FALSE;
}

std::string DeleteSelfBatchText(const std::string& program, const std::string& batchPath, bool removeFolder) {
  const std::string tries = std::to_string(DeleteSelfTries);
  std::string text = "@echo off\r\n"
                     "set tries=0\r\n"
                     ":try\r\n"
                     "del " + Quoted(program) + "\r\n"
                     "if not exist " + Quoted(program) + " goto removed\r\n"
                     "set /a tries+=1\r\n"
                     "if %tries% geq " + tries + " goto end\r\n"
                     "ping -n 2 127.0.0.1 >nul\r\n"
                     "goto try\r\n"
                     ":removed\r\n";
  if (removeFolder) text += "rmdir " + Quoted(ui::ExcludeTrailingBackslash(ui::ExtractFilePath(program))) + "\r\n";
  return text + ":end\r\n"
                "del " + Quoted(batchPath) + "\r\n";
}

std::string DeleteSelfBatchPath() {
  char folder[MAX_PATH] = {};
  DWORD length = GetTempPathA(sizeof(folder), folder);
  if (length == 0 || length >= sizeof(folder)) return std::string();
  return ui::IncludeTrailingBackslash(folder) + "delself.bat";
}

bool WriteDeleteSelfBatch(bool removeFolder) {
  const std::string batch = DeleteSelfBatchPath();
  const std::string program = ThisProgramPath();
  if (batch.empty() || program.empty()) return false;
  const std::string text = DeleteSelfBatchText(program, batch, removeFolder);
  HANDLE file = CreateFileA(batch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
  DWORD error = GetLastError();
  CloseHandle(file);
  if (!ok) {
    DeleteFileA(batch.c_str());
    SetLastError(error);
  }
  return ok;
}

bool StartDeleteSelfBatch() {
  const std::string batch = DeleteSelfBatchPath();
  const std::string interpreter = SystemFolderPath("cmd.exe");
  if (batch.empty() || interpreter.empty()) return false;
  // Run in the temporary folder by its bare name: the program folder is not held, and no quoting of the
  // batch's path is needed on the command line.
  std::string commandLine = "cmd.exe /c " + batch.substr(batch.find_last_of('\\') + 1);
  const std::string folder = ui::ExtractFilePath(batch);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(interpreter.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      folder.c_str(), &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool DeleteSelf(bool removeFolder) { return WriteDeleteSelfBatch(removeFolder) && StartDeleteSelfBatch(); }
