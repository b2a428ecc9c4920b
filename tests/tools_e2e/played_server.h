#pragma once
// The real server as the tools program's end-to-end cases play it: one active route Keys --> Synth -->
// SB Live! that starts at once, the monitor the only window the server shows, MIDI on the virtual bus.
#include <windows.h>

#include <string>

#include "program_process.h"
#include "reg_array.h"
#include "registry_internal.h"
#include "route_record.h"
#include "tarnbel_func.h"

namespace e2e {

inline void StoreKeysRouteWithMonitor() {
  TRegArray routes(RoutesPath, false);
  routes.Add(RouteRecordToString({"Keys", "Synth", "SB Live!", RouteActive}), true);
  routes.Save();
  TRegKey settings(TarnbelKeyPath, true);
  settings.WriteBool("AutoStart", true);
  settings.WriteInteger("CurrentRoute", 1);
  for (const char* show : {"ShowControlPanel", "ShowMappingsEditor", "ShowPreferences"}) settings.WriteBool(show, false);
  settings.WriteBool("ShowMonitor", true);
}

// Starts tarnbel.exe with the ports "Keys" (in) and "Synth" (out); a tray log when a path is given.
inline bool StartServerOnBus(TProgramProcess& server, const std::string& trayLog = "") {
  SetEnvironmentVariableA("TARNBEL_MIDI", "virtual");
  SetEnvironmentVariableA("TARNBEL_MIDI_PORTS", "in:Keys;out:Synth");
  if (!trayLog.empty()) SetEnvironmentVariableA("TARNBEL_TRAY_LOG", trayLog.c_str());
  bool started = server.Start("tarnbel.exe");
  SetEnvironmentVariableA("TARNBEL_MIDI", nullptr);
  SetEnvironmentVariableA("TARNBEL_MIDI_PORTS", nullptr);
  SetEnvironmentVariableA("TARNBEL_TRAY_LOG", nullptr);
  return started;
}

}  // namespace e2e
