#pragma once
// Writing presets out as SoundFont 2 files through the vendor's SoundFont Edit Engine.
#include <string>

#include "cached_preset_record.h"

namespace ui {
class TComponent;
}

// One file holding every record's preset; the user chooses the file, starting with defaultFileName.
// The records' file names are cleared as they are handled.
void SavePresetsAsSoundFont(ui::TComponent* owner, CachedPresetRecord* records, int count,
                            const std::string& defaultFileName);

// One file per record's preset, in a folder the user chooses.
void SavePresetsAsSeparateSoundFonts(ui::TComponent* owner, CachedPresetRecord* records, int count);
