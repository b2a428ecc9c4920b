#include "tarnbel_register_wendrel.h"

#include "osc_sfmanager.h"

const sfman::DriverRecord DriverRegistrationRecord = {"wendrel.dll", "WendrelEntry"};

namespace {
// Calls one of the two registration exports; false when the library or the export is missing.
bool CallRegistrationExport(const char* exportName, int32_t& result) {
  TOSC_SFManager manager;
  if (manager.Library() == nullptr) return false;
  auto proc = sfman::ExportOf<sfman::RegisterProc>(manager.Library(), exportName);
  if (proc == nullptr) return false;
  result = proc(&DriverRegistrationRecord);
  return true;
}
}  // namespace

bool RegisterDriverDevice() {
  int32_t result = -1;
  return CallRegistrationExport(sfman::RegisterDeviceName, result) && result == 0;
}

void UnregisterDriverDevice() {
  int32_t result = 0;
  CallRegistrationExport(sfman::UnRegisterDeviceName, result);
}
