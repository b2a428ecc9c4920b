#include "tarnbel_tools_globals.h"

std::unique_ptr<TRegKey> Settings;
std::unique_ptr<TIPCLink> ServerLink;

ui::TForm* MonitorForm = nullptr;
ui::TForm* MappingsForm = nullptr;
ui::TForm* MappingsManagerForm = nullptr;
ui::TForm* AboutForm = nullptr;
ui::TForm* OptionsForm = nullptr;

bool FollowServer = true;
int32_t ServerState = ServerStateUnknown;

int32_t CacheMax = 0;
int32_t CacheFree = 0;
int32_t CacheCount = 0;

std::array<std::string, 12> LongMonthNames;

std::vector<std::string> ToolsParams;

ui::TForm* LiveMonitorForm() { return MonitorForm && !MonitorForm->IsDestroying() ? MonitorForm : nullptr; }
