#include "standin_support.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace testsupport {

std::string SystemFolder() {
  char path[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  return std::string(path, length);
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

namespace {
void (*standinReleaser)() = nullptr;
void ReleaseStandins() {
  if (standinReleaser) standinReleaser();
}
}  // namespace

void SetStandinReleaser(void (*release)()) { standinReleaser = release; }

StandinConfig::StandinConfig(const std::string& text) : FPath(SystemFolder() + "\\simcard.ini") {
  ReleaseStandins();
  FHadFile = GetFileAttributesA(FPath.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (FHadFile) FOldText = ReadBytes(FPath);
  WriteBytes(FPath, text);
}

StandinConfig::~StandinConfig() {
  if (FHadFile) {
    WriteBytes(FPath, FOldText);
  } else {
    DeleteFileA(FPath.c_str());
  }
  ReleaseStandins();
}

StandinRemoved::StandinRemoved(const std::string& fileName)
    : FPath(SystemFolder() + "\\" + fileName), FAside(FPath + ".aside") {
  ReleaseStandins();
  FMoved = MoveFileExA(FPath.c_str(), FAside.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

StandinRemoved::~StandinRemoved() {
  if (FMoved) MoveFileExA(FAside.c_str(), FPath.c_str(), MOVEFILE_REPLACE_EXISTING);
  ReleaseStandins();
}

TempFolder::TempFolder() {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  static int serial = 0;
  FPath = std::string(temp) + "tarnbel_test_" + std::to_string(GetCurrentProcessId()) + "_" +
          std::to_string(++serial);
  CreateDirectoryA(FPath.c_str(), nullptr);
}

namespace {
// The folder with everything in it: a folder left behind would meet a later run that gets the same process id.
void RemoveFolder(const std::string& path) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveFolder(path + "\\" + name);
      else DeleteFileA((path + "\\" + name).c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(path.c_str());
}
}  // namespace

TempFolder::~TempFolder() { RemoveFolder(FPath); }

namespace {
void Put16(std::string& s, uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, static_cast<uint16_t>(v & 0xFFFF));
  Put16(s, static_cast<uint16_t>(v >> 16));
}
}  // namespace

bool WriteWaveFile(const std::string& path, uint16_t formatTag, uint16_t channels, uint16_t bits, uint32_t frames) {
  const uint32_t blockAlign = channels * ((bits + 7) / 8);
  const uint32_t dataBytes = frames * blockAlign;
  std::string s = "RIFF";
  Put32(s, 4 + 8 + 16 + 8 + dataBytes);
  s += "WAVEfmt ";
  Put32(s, 16);
  Put16(s, formatTag);
  Put16(s, channels);
  Put32(s, 22050);
  Put32(s, 22050 * blockAlign);
  Put16(s, static_cast<uint16_t>(blockAlign));
  Put16(s, bits);
  s += "data";
  Put32(s, dataBytes);
  s.append(dataBytes, '\0');
  return WriteBytes(path, s);
}

}  // namespace testsupport
