#pragma once
// Program-wide variables of the tools program: the settings key, the link to the server, the
// windows that exist at most once (null while closed), the server's last reports and the command line.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "form.h"
#include "ipc.h"
#include "registry_internal.h"

// HKCU\Software\tarnbel, made by the monitor's creation.
extern std::unique_ptr<TRegKey> Settings;
// The link to "tarnbel_running", made by the monitor's creation.
extern std::unique_ptr<TIPCLink> ServerLink;

// The monitor as a plain form: set while it exists, for the windows that know it only as the window
// their closed messages go to.
extern ui::TForm* MonitorForm;
// The windows opened by the launcher's actions; each is null while its window is closed.
extern ui::TForm* MappingsForm;
extern ui::TForm* MappingsManagerForm;
extern ui::TForm* AboutForm;
extern ui::TForm* OptionsForm;

// When true, the tools program closes its windows when the server stops.
extern bool FollowServer;

// The server's last reported state; 7 before any report.
constexpr int32_t ServerStateIdle = 0;
constexpr int32_t ServerStateBusy = 1;
constexpr int32_t ServerStateError = 2;
constexpr int32_t ServerStateOff = 3;
constexpr int32_t ServerStateUnknown = 7;
extern int32_t ServerState;

// Cache figures of the current route as the server last reported them.
extern int32_t CacheMax;
extern int32_t CacheFree;
extern int32_t CacheCount;

// The long month names the program's date formatting uses.
extern std::array<std::string, 12> LongMonthNames;
// The long name of month 1-12: LongMonthNames' when set, else the system's.
std::string LongMonthName(int month);

// The command line after the program's own name, as the program block split it.
extern std::vector<std::string> ToolsParams;

// The monitor's form, or null while there is none or its destruction has begun.
ui::TForm* LiveMonitorForm();
