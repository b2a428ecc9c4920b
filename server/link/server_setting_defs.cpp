#include "server_setting_defs.h"

#include "registry_internal.h"

int32_t ReadSetting(TRegKey& key, const TServerSettingDef& setting) {
  int32_t value = key.ReadInteger(setting.Name, setting.Default);
  return value < setting.Min || value > setting.Max ? setting.Default : value;
}

bool ReadSettingFlag(TRegKey& key, const TServerSettingDef& setting) {
  return key.ReadBool(setting.Name, setting.Default != 0);
}

void WriteSetting(TRegKey& key, const TServerSettingDef& setting, int32_t value) {
  key.WriteInteger(setting.Name, value);
}

void WriteSettingFlag(TRegKey& key, const TServerSettingDef& setting, bool value) {
  key.WriteBool(setting.Name, value);
}
