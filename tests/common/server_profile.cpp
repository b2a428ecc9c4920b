#include "server_profile.h"

#include "reg_array.h"
#include "registry_internal.h"
#include "route_record.h"
#include "tarnbel_func.h"

namespace testsupport {

void StoreOneRouteProfile(const std::string& mapping, bool showMonitor) {
  TRegKey stored(std::string(TarnbelKeyPath) + "\\mappings\\" + mapping, true);
  stored.WriteInteger("Priority", 1);
  stored.WriteBool("Active", true);
  TRegArray routes(RoutesPath, false);
  routes.Add(RouteRecordToString({"Keys", "Synth", "SB Live!", RouteActive}), true);
  routes.Save();
  TRegKey settings(TarnbelKeyPath, true);
  settings.WriteBool("AutoStart", true);
  settings.WriteInteger("CurrentRoute", 1);
  for (const char* show : {"ShowControlPanel", "ShowMappingsEditor", "ShowPreferences"}) settings.WriteBool(show, false);
  settings.WriteBool("ShowMonitor", showMonitor);
}

}  // namespace testsupport
