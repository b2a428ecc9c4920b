#include "export_settings.h"

#include "registry_internal.h"

bool AutocreateMapping = false;
std::string MappingPath;
bool AutocreateCubase12 = false;
bool AutocreateCubase1 = false;
std::string CubasePath;
bool AutocreateCakewalk = false;
std::string CakewalkPath;
bool AutocreateMassiva = false;
std::string MassivaPath;
bool AutocreateEvolution = false;
std::string EvolutionPath;
bool AutocreateEncore = false;
std::string EncorePath;
bool AutocreateQuartz = false;
std::string QuartzPath;
bool UseLogicFixedBank = false;
int32_t LogicFixedBank = 0;

namespace {

// A value stored with another type than the program writes (a hand-edited profile) reads as missing, so
// it gets its default back instead of its bytes taken for a folder or a number.
void DropOtherType(TRegKey& settings, const char* name, DWORD type) {
  DWORD stored = 0;
  if (RegQueryValueExA(settings.Handle(), name, nullptr, &stored, nullptr, nullptr) != ERROR_SUCCESS) return;
  if (stored != type && !(type == REG_SZ && stored == REG_EXPAND_SZ)) settings.DeleteValue(name);
}

bool ReadFlag(TRegKey& settings, const char* name) {
  DropOtherType(settings, name, REG_DWORD);
  return settings.ReadBool(name, false);
}

std::string ReadFolder(TRegKey& settings, const char* name) {
  DropOtherType(settings, name, REG_SZ);
  return settings.ReadString(name, "");
}

}  // namespace

void ReadExportSettings(TRegKey& settings) {
  AutocreateCubase12 = ReadFlag(settings, "AutocreateCubase12");
  AutocreateCubase1 = ReadFlag(settings, "AutocreateCubase1");
  AutocreateCakewalk = ReadFlag(settings, "AutocreateCakewalk");
  AutocreateMapping = ReadFlag(settings, "AutocreateMapping");
  AutocreateEncore = ReadFlag(settings, "AutocreateEncore");
  AutocreateQuartz = ReadFlag(settings, "AutocreateQuartz");
  AutocreateEvolution = ReadFlag(settings, "AutocreateEvolution");
  AutocreateMassiva = ReadFlag(settings, "AutocreateMassiva");
  MassivaPath = ReadFolder(settings, "MassivaPath");
  MappingPath = ReadFolder(settings, "MappingPath");
  CubasePath = ReadFolder(settings, "CubasePath");
  CakewalkPath = ReadFolder(settings, "CakewalkPath");
  EncorePath = ReadFolder(settings, "EncorePath");
  EvolutionPath = ReadFolder(settings, "EvolutionPath");
  QuartzPath = ReadFolder(settings, "QuartzPath");
  DropOtherType(settings, "LogicFixedBank", REG_DWORD);
  LogicFixedBank = settings.ReadInteger("LogicFixedBank", 0);
  // A damaged value would index the Logic list.
  if (LogicFixedBank < 0 || LogicFixedBank > 128) LogicFixedBank = 0;
  UseLogicFixedBank = ReadFlag(settings, "UseLogicFixedBank");
}

void WriteExportSettings(TRegKey& settings) {
  settings.WriteInteger("LogicFixedBank", LogicFixedBank);
  settings.WriteBool("UseLogicFixedBank", UseLogicFixedBank);
  settings.WriteBool("AutocreateCubase12", AutocreateCubase12);
  settings.WriteBool("AutocreateCubase1", AutocreateCubase1);
  settings.WriteBool("AutocreateCakewalk", AutocreateCakewalk);
  settings.WriteBool("AutocreateMapping", AutocreateMapping);
  settings.WriteBool("AutocreateEncore", AutocreateEncore);
  settings.WriteBool("AutocreateQuartz", AutocreateQuartz);
  settings.WriteBool("AutocreateEvolution", AutocreateEvolution);
  settings.WriteBool("AutocreateMassiva", AutocreateMassiva);
  settings.WriteString("MassivaPath", MassivaPath);
  settings.WriteString("MappingPath", MappingPath);
  settings.WriteString("CubasePath", CubasePath);
  settings.WriteString("CakewalkPath", CakewalkPath);
  settings.WriteString("EncorePath", EncorePath);
  settings.WriteString("EvolutionPath", EvolutionPath);
  settings.WriteString("QuartzPath", QuartzPath);
  settings.Flush();
}
