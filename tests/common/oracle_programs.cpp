#include "oracle_programs.h"

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

std::string RegQueryTree(const std::string& path, DWORD timeoutMs) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return std::string();
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::string line = "reg.exe query \"HKCU\\" + path + "\" /s";
  PROCESS_INFORMATION process{};
  bool started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                &startup, &process);
  CloseHandle(writeEnd);
  std::string output;
  if (started) {
    // Read while it runs: a full pipe would keep reg.exe from ending.
    const DWORD start = GetTickCount();
    bool ended = false;
    while (GetTickCount() - start < timeoutMs) {
      DWORD available = 0, read = 0;
      char buffer[4096];
      if (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        if (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr)) output.append(buffer, read);
        continue;
      }
      if (ended) break;
      // One more look at the pipe after the end: what it wrote last may still be there.
      ended = WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!ended) output.clear();
  }
  CloseHandle(readEnd);
  return output;
}

}  // namespace testsupport
