#include "streams.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "sys_utils.h"
#include "ui_exceptions.h"

namespace ui {

void TMemoryStream::SetSize(int64_t size) {
  FData.resize(size_t(size < 0 ? 0 : size));
  if (FPosition > Size()) FPosition = Size();
}

void TMemoryStream::SetPosition(int64_t position) { FPosition = position < 0 ? 0 : position; }

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || FPosition >= Size()) return 0;
  int64_t n = std::min(count, Size() - FPosition);
  std::memcpy(buffer, FData.data() + FPosition, size_t(n));
  FPosition += n;
  return n;
}

void TMemoryStream::ReadBuffer(void* buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return;
  if (FPosition + count > Size()) FData.resize(size_t(FPosition + count));
  std::memcpy(FData.data() + FPosition, buffer, size_t(count));
  FPosition += count;
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  HANDLE f = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) throw EReadError(Format("Cannot open file \"%s\"", fileName.c_str()));
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(f, &size) && size.QuadPart < 0x7FFFFFFF;
  std::vector<uint8_t> data;
  if (ok) {
    data.resize(size_t(size.QuadPart));
    DWORD got = 0;
    ok = data.empty() || (ReadFile(f, data.data(), DWORD(data.size()), &got, nullptr) && got == data.size());
  }
  CloseHandle(f);
  if (!ok) throw EReadError("Stream read error");
  FData.swap(data);
  FPosition = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
  HANDLE f = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) throw EReadError(Format("Cannot create file \"%s\"", fileName.c_str()));
  DWORD put = 0;
  bool ok = FData.empty() || (WriteFile(f, FData.data(), DWORD(FData.size()), &put, nullptr) && put == FData.size());
  CloseHandle(f);
  if (!ok) throw EReadError("Stream write error");
}

}  // namespace ui
