#pragma once
// One of the programs beside the suite, started as a child process with a command line.
#include <windows.h>

#include <string>

namespace e2e {

std::string ProgramFolder();

class TProgramProcess {
 public:
  TProgramProcess() = default;
  ~TProgramProcess() { Stop(); }
  TProgramProcess(const TProgramProcess&) = delete;
  TProgramProcess& operator=(const TProgramProcess&) = delete;

  // Starts <program folder>\<file> with the parameters, in the program folder.
  bool Start(const std::string& file, const std::string& params = "");
  // Starts the program file (a full path) with the parameters, in the folder.
  bool StartFile(const std::string& path, const std::string& params, const std::string& folder);
  bool Running() const;
  // Pumps this thread's messages while waiting; the exit code once ended within the time.
  bool WaitExit(DWORD timeoutMs, DWORD& exitCode);
  // Asks the program's main thread to quit, then kills it when it does not end in time.
  void Stop(DWORD timeoutMs = 5000);
  DWORD ProcessId() const { return FProcess.dwProcessId; }
  DWORD StartTick() const { return FStartTick; }

 private:
  PROCESS_INFORMATION FProcess{};
  DWORD FStartTick = 0;
};

}  // namespace e2e
