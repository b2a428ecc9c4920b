#include "sys_utils.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace ui {

std::string UpperCase(const std::string& s) {
  std::string r = s;
  if (!r.empty()) CharUpperBuffA(&r[0], DWORD(r.size()));
  return r;
}

std::string LowerCase(const std::string& s) {
  std::string r = s;
  if (!r.empty()) CharLowerBuffA(&r[0], DWORD(r.size()));
  return r;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string r;
  if (n > 0) {
    std::vector<char> buf(size_t(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), format, args);
    r.assign(buf.data(), size_t(n));
  }
  va_end(args);
  return r;
}

std::string ProgramFolder() {
  std::vector<char> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), DWORD(buf.size()));
    if (n == 0) return std::string();
    if (n < buf.size()) return ExtractFilePath(std::string(buf.data(), n));
    buf.resize(buf.size() * 2);
  }
}

std::string ExtractFilePath(const std::string& fileName) {
  size_t p = fileName.find_last_of("\\:/");
  return p == std::string::npos ? std::string() : fileName.substr(0, p + 1);
}

std::string ExtractFileName(const std::string& fileName) {
  size_t p = fileName.find_last_of("\\:/");
  return p == std::string::npos ? fileName : fileName.substr(p + 1);
}

std::string ExtractFileExt(const std::string& fileName) {
  std::string name = ExtractFileName(fileName);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ExcludeTrailingBackslash(const std::string& s) {
  return !s.empty() && s.back() == '\\' ? s.substr(0, s.size() - 1) : s;
}

std::string IncludeTrailingBackslash(const std::string& s) {
  return !s.empty() && s.back() == '\\' ? s : s + "\\";
}

std::string SysErrorMessage(unsigned long code) {
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string r = n && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  while (!r.empty() && (r.back() == '\n' || r.back() == '\r' || r.back() == ' ' || r.back() == '.')) r.pop_back();
  return r;
}

}  // namespace ui
