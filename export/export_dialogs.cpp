#include "export_dialogs.h"

#include <memory>

#include "dialogs.h"
#include "registry_internal.h"
#include "sys_utils.h"
#include "tarnbel_export.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_tools_globals.h"

using namespace ui;

namespace {

// The tools program's settings key, or one of its own when the program has none yet.
TRegKey& SettingsKey(std::unique_ptr<TRegKey>& own) {
  if (Settings) return *Settings;
  own = std::make_unique<TRegKey>(TarnbelKeyPath, true);
  return *own;
}

}  // namespace

// The dialog is owned by the active form, which is the caller's.
bool SaveMappingFileDialog(TComponent*, const TMapping& mapping, bool overwriteSilently) {
  std::unique_ptr<TRegKey> own;
  TRegKey& settings = SettingsKey(own);
  TSaveDialog dialog(nullptr);
  dialog.SetDefaultExt("txt");
  dialog.SetFilter("Mapping files (*.txt)|*.txt|All files (*.*)|*.*");
  dialog.SetInitialDir(settings.ReadString("DialogMappingPath", ""));
  dialog.SetFileName(mapping.Name + ".txt");
  TSet32 options = dialog.Options();
  if (!overwriteSilently) options |= 1u << ofOverwritePrompt;
  dialog.SetOptions(options);
  if (!dialog.Execute()) return false;
  std::string folder = ExtractFilePath(dialog.FileName());
  settings.WriteString("DialogMappingPath", folder);
  return SaveMappingAsText(folder, dialog.FileName().substr(folder.size()), mapping);
}
