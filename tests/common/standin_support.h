#pragma once
// For tests of the device layer: the stand-in vendor libraries live in the system folder; tests
// give them a config file there (and put back what was there before), or take a library away.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

std::string SystemFolder();

// A suite whose code keeps the vendor libraries loaded for the process registers how to let them
// go; the config and removal objects below call it on either side, so a changed config or a
// removed library is met by a fresh load.
void SetStandinReleaser(void (*release)());

// Writes "simcard.ini" beside the stand-ins for the object's life. The libraries read it when
// they are loaded, so every back end and facade of the test must be created after this object
// and freed before it.
class StandinConfig {
 public:
  explicit StandinConfig(const std::string& text);
  ~StandinConfig();
  StandinConfig(const StandinConfig&) = delete;
  StandinConfig& operator=(const StandinConfig&) = delete;

 private:
  std::string FPath;
  bool FHadFile = false;
  std::string FOldText;
};

// Moves a stand-in library out of the system folder for the object's life.
class StandinRemoved {
 public:
  explicit StandinRemoved(const std::string& fileName);
  ~StandinRemoved();
  StandinRemoved(const StandinRemoved&) = delete;
  StandinRemoved& operator=(const StandinRemoved&) = delete;

 private:
  std::string FPath;
  std::string FAside;
  bool FMoved = false;
};

// A fresh folder under the temp folder, removed with its files at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return FPath; }
  std::string File(const std::string& name) const { return FPath + "\\" + name; }

 private:
  std::string FPath;
};

// A RIFF WAVE file with the given format and frames of silence.
bool WriteWaveFile(const std::string& path, uint16_t formatTag, uint16_t channels, uint16_t bits,
                   uint32_t frames);
bool WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

}  // namespace testsupport
