#include "unix_shell.h"

#include <algorithm>


namespace testsupport {

namespace {

std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string ReadWhole(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

std::string UniqueUnixPath(const std::string& stem) {
  static int serial = 0;
  return "/tmp/" + stem + "_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
}

}  // namespace

std::string HostPath(const std::string& windowsPath) {
  using TUnixName = char*(CDECL*)(LPCWSTR);
  auto unixName = reinterpret_cast<TUnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  WCHAR wide[MAX_PATH];
  if (!unixName || !MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH)) return std::string();
  char* name = unixName(wide);
  std::string result = name ? name : "";
  if (name) HeapFree(GetProcessHeap(), 0, name);
  return result;
}

bool RunUnixShell(const std::string& command, DWORD timeoutMs, DWORD* exitCode) {
  // Wine hands a Unix program no process to wait on: the command leaves its exit code in a marker file.
  const std::string unixMarker = UniqueUnixPath("tarnbel_sh") + ".done";
  const std::string marker = WindowsPath(unixMarker);
  DeleteFileA(marker.c_str());
  std::string line = "Z:\\bin\\sh -c \"(" + command + "); echo $? > " + unixMarker + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  const DWORD start = GetTickCount();
  std::string code;
  while ((code = ReadWhole(marker)).empty() && GetTickCount() - start < timeoutMs) Sleep(20);
  DeleteFileA(marker.c_str());
  if (code.empty()) return false;
  if (exitCode) *exitCode = DWORD(std::stoul(code));
  return true;
}

TSmallDisk::TSmallDisk(int kilobytes) : FUnixPath(UniqueUnixPath("tarnbel_full")), FPath(WindowsPath(FUnixPath)) {
  DWORD code = 1;
  FMounted = RunUnixShell("mkdir -p " + FUnixPath + " && mount -t tmpfs -o size=" + std::to_string(kilobytes) +
                              "k tmpfs " + FUnixPath,
                          20000, &code) &&
             code == 0;
  if (!FMounted) RunUnixShell("rmdir " + FUnixPath, 10000);
}

TSmallDisk::~TSmallDisk() {
  if (FMounted) RunUnixShell("umount " + FUnixPath + " && rmdir " + FUnixPath, 20000);
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
    if (RunUnixShell("cd " + unixDir + " && fluidsynth -n -a file -F /dev/null -f cmds in.sf2 < /dev/null > report.txt 2>&1",
                     60000, &code))
      report = ReadWhole(dir + "\\report.txt");
  }
  RunUnixShell("rm -rf " + unixDir, 10000);
  return report;
}

}  // namespace testsupport
