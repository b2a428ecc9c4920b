#include "unix_shell.h"

#include <algorithm>

#include "oracle_programs.h"
#include "standin_support.h"

namespace testsupport {

namespace {

std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string UniqueUnixPath(const std::string& stem) {
  static int serial = 0;
  return "/tmp/" + stem + "_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
}

}  // namespace

TSmallDisk::TSmallDisk(int kilobytes) : FUnixPath(UniqueUnixPath("tarnbel_full")), FPath(WindowsPath(FUnixPath)) {
  DWORD code = 1;
  FMounted = RunShell("mkdir -p " + FUnixPath + " && mount -t tmpfs -o size=" + std::to_string(kilobytes) +
                              "k tmpfs " + FUnixPath,
                          20000, &code) &&
             code == 0;
  if (!FMounted) RunShell("rmdir " + FUnixPath, 10000);
}

TSmallDisk::~TSmallDisk() {
  if (FMounted) RunShell("umount " + FUnixPath + " && rmdir " + FUnixPath, 20000);
}

TReadOnlyFolder::TReadOnlyFolder(const std::string& stem)
    : FUnixPath(UniqueUnixPath(stem)), FPath(WindowsPath(FUnixPath)) {}

TReadOnlyFolder::~TReadOnlyFolder() {
  Unmount();
  RunShell("rm -rf " + FUnixPath, 20000);
}

bool TReadOnlyFolder::Mount() {
  DWORD code = 1;
  FMounted = RunShell("mount --bind " + FUnixPath + " " + FUnixPath + " && mount -o remount,ro,bind " + FUnixPath,
                      20000, &code) &&
             code == 0;
  // A bind mount that could not be made read-only is taken away again.
  if (!FMounted) RunShell("umount " + FUnixPath, 20000);
  return FMounted;
}

void TReadOnlyFolder::Unmount() {
  if (FMounted) RunShell("umount " + FUnixPath, 20000);
  FMounted = false;
}

std::string FluidsynthPresetReport(const std::string& sf2File) {
  const std::string unixDir = UniqueUnixPath("tarnbel_fluid");
  const std::string dir = WindowsPath(unixDir);
  CreateDirectoryA(dir.c_str(), nullptr);
  std::string report;
  if (CopyFileA(sf2File.c_str(), (dir + "\\in.sf2").c_str(), FALSE)) {
    HANDLE cmds = CreateFileA((dir + "\\cmds").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(cmds, "inst 1\n", 7, &put, nullptr);
    CloseHandle(cmds);
    DWORD code = 1;
    if (RunShell("cd " + unixDir + " && fluidsynth -n -a file -F /dev/null -f cmds in.sf2 < /dev/null > report.txt 2>&1",
                     60000, &code))
      report = ReadBytes(dir + "\\report.txt");
  }
  RunShell("rm -rf " + unixDir, 10000);
  return report;
}

}  // namespace testsupport
