#include "export_dialogs.h"

#include <windows.h>

#include <memory>

#include "choose_directory.h"
#include "dialogs.h"
#include "export_output.h"
#include "registry_internal.h"
#include "sys_utils.h"
#include "tarnbel_export.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"

using namespace ui;

namespace {

using TExporter = bool (*)(const std::string& folder, const TMapping& mapping);

bool ExportWithDialog(TComponent* owner, const TMapping& mapping, const std::string& title,
                      const std::string& valueName, TExporter exporter) {
  std::string folder = ChooseExportDir(owner, title, valueName);
  return !folder.empty() && exporter(folder, mapping);
}

const char* const CubaseTitle = "Choose directory for Cubase .dev files:";

}  // namespace

std::string ChooseExportDir(TComponent* owner, const std::string& title, const std::string& valueName) {
  std::unique_ptr<TRegKey> own;
  TRegKey& settings = ToolsSettingsKey(own);
  std::string folder = settings.ReadString(valueName, "");
  if (ChooseDirectory(owner, folder, title) != mrOk) return std::string();
  settings.WriteString(valueName, folder);
  return folder;
}

bool ExportCubaseDev12Dialog(TComponent* owner, const TMapping& mapping) {
  return ExportWithDialog(owner, mapping, CubaseTitle, "DialogCubasePath", &ExportCubaseDev12);
}

bool ExportCubaseDevSeparateDialog(TComponent* owner, const TMapping& mapping) {
  return ExportWithDialog(owner, mapping, CubaseTitle, "DialogCubasePath", &ExportCubaseDevSeparate);
}

bool ExportCakewalkInsDialog(TComponent* owner, const TMapping& mapping) {
  return ExportWithDialog(owner, mapping, "Choose directory for Cakewalk .ins files:", "DialogCakewalkPath",
                          &ExportCakewalkIns);
}

bool ExportMassivaMxpDialog(TComponent* owner, const TMapping& mapping) {
  return ExportWithDialog(owner, mapping, "Choose directory for Massiva .mxp files:", "DialogMassivaPath",
                          &ExportMassivaMxp);
}

bool ExportEncoreIniDialog(TComponent* owner, const TMapping& mapping) {
  return ExportWithDialog(owner, mapping, "Choose directory for Encore .ini files:", "DialogEncorePath",
                          &ExportEncoreIni);
}

bool ExportEvolutionPlsDialog(TComponent* owner, const TMapping& mapping) {
  return ExportWithDialog(owner, mapping, "Choose directory for Evolution .pls files:", "DialogEvolutionPath",
                          &ExportEvolutionPls);
}

bool ExportQuartzSetDialog(TComponent* owner, const TMapping& mapping) {
  return ExportWithDialog(owner, mapping, "Choose directory for Quartz .set files:", "DialogQuartzPath",
                          &ExportQuartzSet);
}

// The dialog is owned by the active form, which is the caller's.
bool SaveMappingFileDialog(TComponent*, const TMapping& mapping, bool overwriteSilently) {
  std::unique_ptr<TRegKey> own;
  TRegKey& settings = ToolsSettingsKey(own);
  TSaveDialog dialog(nullptr);
  dialog.SetDefaultExt("txt");
  dialog.SetFilter("Mapping files (*.txt)|*.txt|All files (*.*)|*.*");
  dialog.SetInitialDir(settings.ReadString("DialogMappingPath", ""));
  // A mapping's name may hold characters a file name cannot (a colon names a stream).
  dialog.SetFileName(SanitizeFileName(mapping.Name) + ".txt");
  if (overwriteSilently) dialog.AskOverwriteOnlyAfterChange();
  else dialog.SetOptions(dialog.Options() | 1u << ofOverwritePrompt);
  if (!dialog.Execute()) return false;
  std::string folder = ExtractFilePath(dialog.FileName());
  settings.WriteString("DialogMappingPath", folder);
  return SaveMappingAsText(folder, dialog.FileName().substr(folder.size()), mapping);
}
