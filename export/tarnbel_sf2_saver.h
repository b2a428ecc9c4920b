#pragma once
// Writing presets out as SoundFont 2 files through the vendor's SoundFont Edit Engine.
#include <functional>
#include <string>
#include <vector>

#include "cached_preset_record.h"
#include "sf_edit_engine_api.h"

namespace ui {
class TComponent;
}

class TSFEdit;

// One file holding every record's preset; the user chooses the file, starting with defaultFileName.
// The records' file names are cleared as they are handled.
void SavePresetsAsSoundFont(ui::TComponent* owner, CachedPresetRecord* records, int count,
                            const std::string& defaultFileName);

// One file per record's preset, in a folder the user chooses.
void SavePresetsAsSeparateSoundFonts(ui::TComponent* owner, CachedPresetRecord* records, int count);

// The library loads (it is freed again at once).
bool CanLoadLibrary(const std::string& path);
// The engine library: "SFEDT32Name", the search path, the folder of the program that opens .sf2 files,
// then the user's choice. Empty when none loads.
std::string LocateSfEditEngine();
// LocateSfEditEngine; a found path is stored as "SFEDT32Name", else the user is told.
std::string EnsureSfEditEngine();

// Twenty decimal digits.
std::string MakeRandomName();
// The name cut to 20 characters, with "1", "2", ... within the 20 when the list holds it already;
// the result is added to the list.
std::string MakeUniqueSoundFontName(std::vector<std::string>& list, const std::string& name);
// Gives every sample and every instrument of sf a name that no other one of its kind in sf has.
void MakeUniqueEngineNames(TSFEdit& engine, sfedit::Handle sf);

// The folder question of the separate-files saver; ChooseDirectory unless replaced (tests).
using TSaverFolderChooser = std::function<int(ui::TComponent* owner, std::string& folder, const std::string& caption)>;
TSaverFolderChooser SetSaverFolderChooser(TSaverFolderChooser chooser);
