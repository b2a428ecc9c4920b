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
  UseLogicFixedBank = settings.ReadBool("UseLogicFixedBank", false);
}
