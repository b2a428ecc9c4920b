#pragma once
// The host's own programs from a test under Wine: a small full disk, a read-only folder, and fluidsynth as
// an independent reader of SoundFont files.
#include <windows.h>

#include <string>

namespace testsupport {

// A tmpfs of a few kilobytes mounted for the test's life, to fill up. Mounted() is false where the test may
// not mount (not root): the test then skips.
class TSmallDisk {
 public:
  explicit TSmallDisk(int kilobytes);
  ~TSmallDisk();
  TSmallDisk(const TSmallDisk&) = delete;
  TSmallDisk& operator=(const TSmallDisk&) = delete;
  bool Mounted() const { return FMounted; }
  // The mount point as a Windows path, without a trailing backslash.
  const std::string& Path() const { return FPath; }

 private:
  std::string FUnixPath, FPath;
  bool FMounted = false;
};

// A folder of the host's /tmp, made for the test and removed after it, that can be mounted read-only over
// itself for a while. Mount() is false where the test may not mount (not root): the test then skips.
class TReadOnlyFolder {
 public:
  explicit TReadOnlyFolder(const std::string& stem);
  ~TReadOnlyFolder();
  TReadOnlyFolder(const TReadOnlyFolder&) = delete;
  TReadOnlyFolder& operator=(const TReadOnlyFolder&) = delete;
  bool Mount();
  void Unmount();
  // The folder as a Windows path, without a trailing backslash.
  const std::string& Path() const { return FPath; }

 private:
  std::string FUnixPath, FPath;
  bool FMounted = false;
};

// What fluidsynth says loading the file and listing its presets ("inst 1"): each preset as "bbb-ppp name",
// and any "error:" or "warning:" it finds. Empty when it could not run.
std::string FluidsynthPresetReport(const std::string& sf2File);

}  // namespace testsupport
