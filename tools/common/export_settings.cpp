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

void ReadExportSettings(TRegKey& settings) {
  AutocreateCubase12 = settings.ReadBool("AutocreateCubase12", false);
  AutocreateCubase1 = settings.ReadBool("AutocreateCubase1", false);
  AutocreateCakewalk = settings.ReadBool("AutocreateCakewalk", false);
  AutocreateMapping = settings.ReadBool("AutocreateMapping", false);
  AutocreateEncore = settings.ReadBool("AutocreateEncore", false);
  AutocreateQuartz = settings.ReadBool("AutocreateQuartz", false);
  AutocreateEvolution = settings.ReadBool("AutocreateEvolution", false);
  AutocreateMassiva = settings.ReadBool("AutocreateMassiva", false);
  MassivaPath = settings.ReadString("MassivaPath", "");
  MappingPath = settings.ReadString("MappingPath", "");
  CubasePath = settings.ReadString("CubasePath", "");
  CakewalkPath = settings.ReadString("CakewalkPath", "");
  EncorePath = settings.ReadString("EncorePath", "");
  EvolutionPath = settings.ReadString("EvolutionPath", "");
  QuartzPath = settings.ReadString("QuartzPath", "");
  LogicFixedBank = settings.ReadInteger("LogicFixedBank", 0);
  // A damaged value would index the Logic list.
  if (LogicFixedBank < 0 || LogicFixedBank > 128) LogicFixedBank = 0;
  UseLogicFixedBank = settings.ReadBool("UseLogicFixedBank", false);
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
