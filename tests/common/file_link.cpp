#include "file_link.h"

#include <windows.h>

#include "pump_until.h"

namespace testsupport {

namespace {
// The host's name of a Windows path under Wine; "" elsewhere.
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

bool Exists(const std::string& path) {
  WIN32_FIND_DATAA data;
  HANDLE found = FindFirstFileA(path.c_str(), &data);
  if (found == INVALID_HANDLE_VALUE) return false;
  FindClose(found);
  return true;
}
}  // namespace

bool MakeSymbolicLink(const std::string& link, const std::string& target) {
  std::string hostLink = HostName(link), hostTarget = HostName(target);
  if (hostLink.empty() || hostTarget.empty()) {
    const DWORD allowUnprivileged = 0x2;
    return CreateSymbolicLinkA(link.c_str(), target.c_str(), allowUnprivileged) && Exists(link);
  }
  std::string command = "/bin/ln -s \"" + hostTarget + "\" \"" + hostLink + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA("Z:\\bin\\ln", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // The host program runs beside Wine's processes: wait for what it made.
  return PumpUntil([&] { return Exists(link); }, 5000);
}

}  // namespace testsupport
