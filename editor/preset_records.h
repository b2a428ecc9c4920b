#pragma once
// The records the SoundFont writer takes, made from the rows selected in the editor's lists.
#include <string>
#include <vector>

#include "attached_row.h"
#include "cached_preset_record.h"

// A selected row of the presets list.
struct TSourcePreset {
  bool Wave = false;
  int Bank = 0;  // the preset's own bank and program in its file
  int Program = 0;
  std::string Caption;
  std::string Path;  // the wave file, or the SoundFont file the preset is in
};

// Selected attached rows, given in list order, taken from the last to the first; an inactive entry only
// when separate. Each record asks for the entry's slot (bank 128 as 32768) with the name the list shows.
std::vector<CachedPresetRecord> EntryPresetRecords(const std::vector<TAttachedRow>& rows, bool separate);

// Selected source rows, given in list order, taken from the last to the first. A preset keeps its bank and
// program; waves get 0:0 each when separate, else the slots from program 0 of waveBank on (the next
// bank after 127 programs, bank 0 after 127).
std::vector<CachedPresetRecord> SourcePresetRecords(const std::vector<TSourcePreset>& rows, bool separate,
                                                    int waveBank);
