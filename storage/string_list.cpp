#include "string_list.h"

#include <windows.h>

#include <cstdio>
#include <memory>

namespace {
struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;
}  // namespace

namespace {
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> result;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t stop = end > start && text[end - 1] == '\r' ? end - 1 : end;
    result.push_back(text.substr(start, stop - start));
    start = end + 1;
  }
  return result;
}

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
}  // namespace

bool LoadStringsFromFile(const std::string& fileName, std::vector<std::string>& lines) {
  File file(std::fopen(fileName.c_str(), "rb"));
  if (!file) return false;
  std::string text;
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, got);
  if (std::ferror(file.get())) return false;
  lines = SplitLines(text);
  return true;
}

bool LoadStringsFromFile(const std::string& fileName, std::vector<std::string>& lines, unsigned long& error) {
  HANDLE handle = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return false;
  }
  std::unique_ptr<void, HandleCloser> file(handle);
  std::string text;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(handle, buffer, sizeof buffer, &got, nullptr)) {
      error = GetLastError();
      return false;
    }
    if (got == 0) break;
    text.append(buffer, got);
  }
  lines = SplitLines(text);
  error = 0;
  return true;
}

bool SaveStringsToFile(const std::string& fileName, const std::vector<std::string>& lines) {
  File file(std::fopen(fileName.c_str(), "wb"));
  if (!file) return false;
  for (const std::string& line : lines) {
    if (std::fwrite(line.data(), 1, line.size(), file.get()) != line.size()) return false;
    if (std::fwrite("\r\n", 1, 2, file.get()) != 2) return false;
  }
  return std::fflush(file.get()) == 0;
}

bool SaveBytesReplacing(const std::string& fileName, const std::string& bytes, unsigned long& error) {
  error = ERROR_SUCCESS;
  // Windows refuses to replace a read-only file; not every system running the program does.
  DWORD attributes = GetFileAttributesA(fileName.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    error = ERROR_ACCESS_DENIED;
    return false;
  }
  size_t slash = fileName.find_last_of("\\/:");
  std::string folder = slash == std::string::npos ? "." : fileName.substr(0, slash + 1);
  char temp[MAX_PATH];
  if (!GetTempFileNameA(folder.c_str(), "tbs", 0, temp)) {
    error = GetLastError();
    return false;
  }
  HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool written = file != INVALID_HANDLE_VALUE;
  if (written && !bytes.empty()) {
    DWORD done = 0;
    written = WriteFile(file, bytes.data(), DWORD(bytes.size()), &done, nullptr) && done == bytes.size();
  }
  if (written) written = FlushFileBuffers(file) != 0;
  if (!written) error = GetLastError();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (written && !MoveFileExA(temp, fileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
    written = false;
  }
  if (!written) {
    DeleteFileA(temp);
    if (error == ERROR_SUCCESS) error = ERROR_WRITE_FAULT;
  }
  return written;
}

bool SaveStringsReplacing(const std::string& fileName, const std::vector<std::string>& lines, unsigned long& error) {
  std::string text;
  for (const std::string& line : lines) text.append(line).append("\r\n");
  return SaveBytesReplacing(fileName, text, error);
}
