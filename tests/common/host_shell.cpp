#include "host_shell.h"

#include <algorithm>

#include "standin_support.h"

namespace testsupport {

bool RunShell(const std::string& command, DWORD timeoutMs, DWORD* exitCode) {
  // Wine hands a Unix program no process to wait on: the command leaves its exit code in a marker file.
  static int serial = 0;
  const std::string unixMarker =
      "/tmp/tarnbel_sh_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial) + ".done";
  std::string marker = "Z:" + unixMarker;
  std::replace(marker.begin(), marker.end(), '/', '\\');
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
  while ((code = testsupport::ReadBytes(marker)).empty() && GetTickCount() - start < timeoutMs) Sleep(20);
  DeleteFileA(marker.c_str());
  if (code.empty()) return false;
  if (exitCode) *exitCode = DWORD(std::stoul(code));
  return true;
}

}  // namespace testsupport
