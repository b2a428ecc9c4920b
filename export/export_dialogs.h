#pragma once
// The dialogs in front of the exports: the folder prompt of each manual export and the save dialog of
// the mapping's text file.
#include <string>

class TMapping;
namespace ui {
class TComponent;
}

// Asks for a folder, starting in the settings value valueName. On OK the folder is stored there and
// returned; otherwise "" and the value stays as it was.
std::string ChooseExportDir(ui::TComponent* owner, const std::string& title, const std::string& valueName);

// Each asks for the folder (remembered in its own settings value) and exports the mapping there. True
// when a folder was chosen and every file written.
bool ExportCubaseDev12Dialog(ui::TComponent* owner, const TMapping& mapping);
bool ExportCubaseDevSeparateDialog(ui::TComponent* owner, const TMapping& mapping);
bool ExportCakewalkInsDialog(ui::TComponent* owner, const TMapping& mapping);
bool ExportMassivaMxpDialog(ui::TComponent* owner, const TMapping& mapping);
bool ExportEncoreIniDialog(ui::TComponent* owner, const TMapping& mapping);
bool ExportEvolutionPlsDialog(ui::TComponent* owner, const TMapping& mapping);
bool ExportQuartzSetDialog(ui::TComponent* owner, const TMapping& mapping);

// Asks where to save the mapping's text file (starting in "DialogMappingPath", named after the mapping)
// and saves it there. Without overwriteSilently the user confirms replacing a file; with it the proposed
// file is replaced unasked, but once the user picks another file the question comes back. True when saved.
bool SaveMappingFileDialog(ui::TComponent* owner, const TMapping& mapping, bool overwriteSilently);
