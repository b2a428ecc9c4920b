#include "tarnbel_tools_globals.h"

#include <windows.h>

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

std::string LongMonthName(int month) {
  if (month < 1 || month > 12) return std::string();
  if (!LongMonthNames[size_t(month - 1)].empty()) return LongMonthNames[size_t(month - 1)];
  SYSTEMTIME day{};
  day.wYear = 2000;
  day.wMonth = WORD(month);
  day.wDay = 1;
  char name[64] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, 0, &day, "MMMM", name, sizeof name);
  return name;
}

std::vector<std::string> ToolsParams;

ui::TForm* LiveMonitorForm() { return MonitorForm && !MonitorForm->IsDestroying() ? MonitorForm : nullptr; }
