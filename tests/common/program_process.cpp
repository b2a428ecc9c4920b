#include "program_process.h"

#include <cstdio>

namespace e2e {

std::string ProgramFolder() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string folder(path, length < sizeof(path) ? length : 0);
  return folder.substr(0, folder.rfind('\\') + 1);
}

bool TProgramProcess::Start(const std::string& file, const std::string& params) {
  return StartFile(ProgramFolder() + file, params, ProgramFolder());
}

bool TProgramProcess::StartFile(const std::string& path, const std::string& params, const std::string& folder) {
  Stop();
  std::string command = "\"" + path + "\"" + (params.empty() ? "" : " " + params);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  FStartTick = GetTickCount();
  for (int attempt = 1;; ++attempt) {
    if (CreateProcessA(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                       &FProcess))
      return true;
    const DWORD error = GetLastError();
    std::fprintf(stderr, "CreateProcess of %s failed: error %lu\n", command.c_str(), error);
    FProcess = PROCESS_INFORMATION{};
    // Wine answers ERROR_INTERNAL_ERROR when the new process ended before it had finished starting. Seen
    // rarely under load, for different programs, just after an earlier instance ended, with nothing of
    // the program's own output; each failure is printed above. Any other reason fails the start.
    if (error != ERROR_INTERNAL_ERROR || attempt == 3) return false;
  }
}

bool TProgramProcess::Running() const {
  return FProcess.hProcess && WaitForSingleObject(FProcess.hProcess, 0) == WAIT_TIMEOUT;
}

bool TProgramProcess::WaitExit(DWORD timeoutMs, DWORD& exitCode) {
  if (!FProcess.hProcess) return false;
  DWORD start = GetTickCount();
  while (WaitForSingleObject(FProcess.hProcess, 0) == WAIT_TIMEOUT) {
    if (GetTickCount() - start >= timeoutMs) return false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    MsgWaitForMultipleObjects(1, &FProcess.hProcess, FALSE, 20, QS_ALLINPUT);
  }
  return GetExitCodeProcess(FProcess.hProcess, &exitCode) != 0;
}

void TProgramProcess::Stop(DWORD timeoutMs) {
  if (!FProcess.hProcess) return;
  if (Running()) {
    PostThreadMessageA(FProcess.dwThreadId, WM_QUIT, 0, 0);
    DWORD code;
    if (!WaitExit(timeoutMs, code)) {
      // Said, since what the program still had queued (a payload file, say) is then left behind.
      std::fprintf(stderr, "process %lu did not end within %lu ms of its quit message: terminated\n",
                   FProcess.dwProcessId, timeoutMs);
      TerminateProcess(FProcess.hProcess, 1);
    }
    WaitForSingleObject(FProcess.hProcess, 5000);
  }
  CloseHandle(FProcess.hProcess);
  CloseHandle(FProcess.hThread);
  FProcess = PROCESS_INFORMATION{};
}

}  // namespace e2e
