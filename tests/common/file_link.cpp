#include "file_link.h"

#include <windows.h>

#include "pump_until.h"

namespace testsupport {

std::string HostName(const std::string& path) {
  using TUnixName = char*(CDECL*)(LPCWSTR);
  auto unixName = reinterpret_cast<TUnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return std::string();
  WCHAR wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return std::string();
  char* name = unixName(wide);
  if (!name) return std::string();
  std::string result(name);
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

namespace {
bool Exists(const std::string& path) {
  WIN32_FIND_DATAA data;
  HANDLE found = FindFirstFileA(path.c_str(), &data);
  if (found == INVALID_HANDLE_VALUE) return false;
  FindClose(found);
  return true;
}

// Runs a host program; the host program runs beside Wine's processes, so the caller waits for
// what it does.
bool RunHost(const char* program, std::string command) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(program, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}
}  // namespace

bool MakeSymbolicLink(const std::string& link, const std::string& target) {
  std::string hostLink = HostName(link), hostTarget = HostName(target);
  if (hostLink.empty() || hostTarget.empty()) {
    const DWORD allowUnprivileged = 0x2;
    return CreateSymbolicLinkA(link.c_str(), target.c_str(), allowUnprivileged) && Exists(link);
  }
  return RunHost("Z:\\bin\\ln", "/bin/ln -s \"" + hostTarget + "\" \"" + hostLink + "\"") &&
         PumpUntil([&] { return Exists(link); }, 5000);
}

bool RemoveSymbolicLink(const std::string& link) {
  if (!Exists(link)) return true;
  std::string hostLink = HostName(link);
  if (hostLink.empty()) return DeleteFileA(link.c_str()) != 0;
  return RunHost("Z:\\bin\\rm", "/bin/rm -f \"" + hostLink + "\"") && PumpUntil([&] { return !Exists(link); }, 5000);
}

}  // namespace testsupport
