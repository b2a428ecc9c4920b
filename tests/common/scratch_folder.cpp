#include "scratch_folder.h"

#include <windows.h>

#include <algorithm>

namespace testsupport {

TScratchFolder::TScratchFolder(const std::string& prefix) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  static int serial = 0;
  for (;;) {
    FPath = std::string(temp) + prefix + "_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
    if (CreateDirectoryA(FPath.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
}

TScratchFolder::~TScratchFolder() { RemoveTree(FPath); }

bool WriteTextFile(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
  CloseHandle(file);
  return ok;
}

namespace {
// Wide names with the long-path prefix reach folders deeper than the ANSI calls can.
void RemoveTreeW(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE found = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (found != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName, child = path + L"\\" + name;
      if (name == L"." || name == L"..") continue;
      bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
      if (folder && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveTreeW(child);
      } else if (!DeleteFileW(child.c_str()) &&
                 !(SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL) && DeleteFileW(child.c_str()))) {
        RemoveDirectoryW(child.c_str());
      }
    } while (FindNextFileW(found, &data));
    FindClose(found);
  }
  RemoveDirectoryW(path.c_str());
}
}  // namespace

void RemoveTree(const std::string& path) {
  if (path.empty()) return;
  std::wstring wide(path.size() + 1, L'\0');
  wide.resize(size_t(MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], int(wide.size()))));
  if (wide.empty()) return;
  wide.pop_back();
  RemoveTreeW(L"\\\\?\\" + wide);
}

std::vector<std::string> FilesIn(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\" + pattern).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace testsupport
