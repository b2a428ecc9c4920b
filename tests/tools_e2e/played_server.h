#pragma once
// The real server as the tools program's end-to-end cases play it, MIDI on the virtual bus (the stored
// profile comes from server_profile.h).
#include <windows.h>

#include <string>

#include "program_process.h"

namespace e2e {

// Starts tarnbel.exe with the ports "Keys" (in) and "Synth" (out), or those given; a tray log when a path is
// given.
inline bool StartServerOnBus(TProgramProcess& server, const std::string& trayLog = "",
                             const std::string& ports = "in:Keys;out:Synth") {
  SetEnvironmentVariableA("TARNBEL_MIDI", "virtual");
  SetEnvironmentVariableA("TARNBEL_MIDI_PORTS", ports.c_str());
  if (!trayLog.empty()) SetEnvironmentVariableA("TARNBEL_TRAY_LOG", trayLog.c_str());
  bool started = server.Start("tarnbel.exe");
  SetEnvironmentVariableA("TARNBEL_MIDI", nullptr);
  SetEnvironmentVariableA("TARNBEL_MIDI_PORTS", nullptr);
  SetEnvironmentVariableA("TARNBEL_TRAY_LOG", nullptr);
  return started;
}

}  // namespace e2e
