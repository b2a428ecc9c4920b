#include "reg_export.h"

#include <windows.h>

#include <fstream>
#include <sstream>

namespace testsupport {

std::string ExportRegistryKey(const std::string& key) {
  char folder[MAX_PATH], file[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  if (!GetTempFileNameA(folder, "reg", 0, file)) return std::string();
  std::string command = "reg.exe export \"" + key + "\" \"" + file + "\" /y";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  std::string text;
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                     &process)) {
    DWORD exitCode = 1;
    if (WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (exitCode == 0) {
      std::ifstream in(file, std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      text = bytes.str();
    }
  }
  DeleteFileA(file);
  return text;
}

}  // namespace testsupport
