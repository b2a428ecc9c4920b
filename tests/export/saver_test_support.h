#pragma once
// What the writer's tests share: test waves with known points, answered dialogs, shell commands.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cached_preset_record.h"
#include "oracle_programs.h"

namespace savertest {

// The points a wave holds, per channel, as 16-bit values.
struct WavePoints {
  std::vector<int16_t> Left, Right;
};
// A PCM wave of 8 or 16 bits whose points are not silence.
WavePoints WriteTestWave(const std::string& path, uint16_t channels, uint16_t bits, uint32_t frames);

CachedPresetRecord Record(const std::string& name, int32_t bank, int32_t program, const std::string& file,
                          int32_t sourceBank, int32_t sourcePreset);

// Answers every file dialog with the file name while it lives; counts the questions.
class FileDialogAnswer {
 public:
  explicit FileDialogAnswer(const std::string& fileName, bool ok = true);
  ~FileDialogAnswer();
  int Asked = 0;
  std::string LastTitle, LastInitialDir;
};

using testsupport::RunShell;

// A folder below a test's temporary folder, removed with its files at the end.
class SubFolder {
 public:
  explicit SubFolder(const std::string& path);
  ~SubFolder();
  const std::string Path;
};

}  // namespace savertest
