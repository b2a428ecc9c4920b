#include "auto_export.h"

#include <string>

#include "export_output.h"
#include "export_settings.h"
#include "tarnbel_export.h"
#include "tarnbel_mapping.h"

namespace {

bool SaveCurrentText(const std::string& folder, const TMapping& mapping) {
  return SaveMappingAsText(folder, "current.txt", mapping);
}

struct TAutomaticExport {
  const bool& On;
  const std::string& Folder;
  bool (*Export)(const std::string& folder, const TMapping& mapping);
};

}  // namespace

bool RunAutomaticExports(const TCurrentMappingBuilder& buildCurrent) {
  const TAutomaticExport exports[] = {
      {AutocreateCakewalk, CakewalkPath, &ExportCakewalkIns},
      {AutocreateCubase1, CubasePath, &ExportCubaseDevSeparate},
      {AutocreateCubase12, CubasePath, &ExportCubaseDev12},
      {AutocreateMapping, MappingPath, &SaveCurrentText},
      {AutocreateMassiva, MassivaPath, &ExportMassivaMxp},
      {AutocreateEncore, EncorePath, &ExportEncoreIni},
      {AutocreateEvolution, EvolutionPath, &ExportEvolutionPls},
      {AutocreateQuartz, QuartzPath, &ExportQuartzSet},
  };
  bool any = false;
  for (const TAutomaticExport& e : exports) any = any || e.On;
  if (!any) return true;
  std::unique_ptr<TMapping> current;
  if (!GuardExport([&] { return (current = buildCurrent()) != nullptr; })) return false;
  bool all = true;
  for (const TAutomaticExport& e : exports)
    if (e.On && !e.Export(e.Folder, *current)) all = false;
  return all;
}
