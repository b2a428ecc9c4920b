#pragma once
// For end-to-end tests of the server: the real tarnbel.exe as a child process, and a window titled
// as the tools program's that records what the server sends it.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "program_process.h"
#include "recording_window.h"

namespace e2e {

using TReceived = testsupport::TRecordedMessage;

// The hidden top-level window "tb_tools_fake_window_running". Thread messages posted to the test's
// thread are recorded too (with a null window), since the server answers outside clients that way.
class TToolsWindow : public testsupport::TRecordingWindow {
 public:
  TToolsWindow();
  ~TToolsWindow();

  std::vector<MSG> ThreadMessages;

  // Pumps until the predicate holds or the time is up.
  bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
  void PumpFor(DWORD ms) { PumpUntil([] { return false; }, ms); }
  // Waits for the next message of the id arriving after `from` (an index into Received).
  const TReceived* WaitFor(UINT id, size_t from = 0, DWORD timeoutMs = 5000);
  const MSG* WaitForThreadMessage(UINT id, DWORD timeoutMs = 5000);
  void Clear() {
    Received.clear();
    ThreadMessages.clear();
  }
};

// tarnbel.exe from beside the test, started in its own folder (the tray icons lie there).
class TServerProcess {
 public:
  TServerProcess() = default;
  ~TServerProcess() { Stop(); }
  TServerProcess(const TServerProcess&) = delete;
  TServerProcess& operator=(const TServerProcess&) = delete;

  bool Start();
  bool Running() const { return FProgram.Running(); }
  // The exit code once ended within the time; false while it still runs.
  bool WaitExit(DWORD timeoutMs, DWORD& exitCode) { return FProgram.WaitExit(timeoutMs, exitCode); }
  // Asks for the exit as the tray menu does, then waits; a server that does not end is killed.
  void Stop();
  DWORD ProcessId() const { return FProgram.ProcessId(); }
  // The bytes the process holds for itself alone (its private bytes); 0 when they cannot be read.
  size_t PrivateBytes() const;

 private:
  TProgramProcess FProgram;
};

// The server's window, looked up by its title among the top-level windows; null when none.
HWND ServerWindow();
// The top-level box captioned "tarnbel" of the process (its text: testsupport::BoxText).
HWND FindServerBox(DWORD processId);
// The visible tracked popup menu ("#32768") of the process; null when none.
HWND FindServerMenu(DWORD processId);
// Asks a server left over from an interrupted run to exit; true when none is left.
bool EndLeftoverServer();

}  // namespace e2e
