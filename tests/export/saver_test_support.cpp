#include "saver_test_support.h"

#include <algorithm>

#include "dialogs.h"
#include "scratch_folder.h"
#include "standin_support.h"

namespace savertest {

namespace {
void Put16(std::string& s, uint32_t v) {
  s += char(v & 0xFF);
  s += char((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
}  // namespace

WavePoints WriteTestWave(const std::string& path, uint16_t channels, uint16_t bits, uint32_t frames) {
  WavePoints points;
  std::string data;
  for (uint32_t i = 0; i < frames; ++i) {
    for (uint16_t c = 0; c < channels; ++c) {
      int16_t value;
      if (bits == 8) {
        uint8_t byte = uint8_t((i * 7 + c * 64 + 1) % 256);
        data += char(byte);
        value = int16_t((byte - 128) * 256);
      } else {
        value = int16_t(int(i * 37 % 4001) - 2000 + (c ? 300 : 0));
        Put16(data, uint16_t(value));
      }
      (c ? points.Right : points.Left).push_back(value);
    }
  }
  const uint32_t align = channels * bits / 8;
  std::string s = "RIFF";
  Put32(s, uint32_t(4 + 24 + 8 + data.size()));
  s += "WAVEfmt ";
  Put32(s, 16);
  Put16(s, 1);
  Put16(s, channels);
  Put32(s, 22050);
  Put32(s, 22050 * align);
  Put16(s, align);
  Put16(s, bits);
  s += "data";
  Put32(s, uint32_t(data.size()));
  testsupport::WriteBytes(path, s + data);
  return points;
}

CachedPresetRecord Record(const std::string& name, int32_t bank, int32_t program, const std::string& file,
                          int32_t sourceBank, int32_t sourcePreset) {
  CachedPresetRecord r = EmptyPresetRecord();
  r.Bank = bank;
  r.Program = program;
  SetShortString(r.PresetName, name);
  SetShortString(r.SourceFile, file);
  r.SourceBank = sourceBank;
  r.SourcePreset = sourcePreset;
  return r;
}

namespace {
ui::TFileDialogHandler previousHandler;
}

FileDialogAnswer::FileDialogAnswer(const std::string& fileName, bool ok) {
  previousHandler = ui::SetFileDialogHandler([this, fileName, ok](ui::TFileDialogRequest& request) {
    ++Asked;
    LastTitle = request.Title;
    LastInitialDir = request.InitialDir;
    request.FileName = fileName;
    return ok;
  });
}

FileDialogAnswer::~FileDialogAnswer() { ui::SetFileDialogHandler(previousHandler); }

namespace {
void RemoveFolder(const std::string& path) {
  for (const std::string& name : testsupport::FilesIn(path)) DeleteFileA((path + "\\" + name).c_str());
  RemoveDirectoryA(path.c_str());
}
}  // namespace

// A folder left by an earlier run of the same process id goes first.
SubFolder::SubFolder(const std::string& path) : Path(path) {
  RemoveFolder(path);
  CreateDirectoryA(path.c_str(), nullptr);
}

SubFolder::~SubFolder() { RemoveFolder(Path); }

}  // namespace savertest
