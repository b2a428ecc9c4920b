#pragma once
// The export settings: which exports the mappings manager makes again after each applied change, into
// which folders, and the Logic export's fixed bank. Read at start-up, written by the export set-up window.
#include <cstdint>
#include <string>

class TRegKey;

extern bool AutocreateMapping;
extern std::string MappingPath;
extern bool AutocreateCubase12;
extern bool AutocreateCubase1;
extern std::string CubasePath;
extern bool AutocreateCakewalk;
extern std::string CakewalkPath;
extern bool AutocreateMassiva;
extern std::string MassivaPath;
extern bool AutocreateEvolution;
extern std::string EvolutionPath;
extern bool AutocreateEncore;
extern std::string EncorePath;
extern bool AutocreateQuartz;
extern std::string QuartzPath;
extern bool UseLogicFixedBank;
extern int32_t LogicFixedBank;  // 0-128

// Reads the seventeen values; missing ones, and ones stored with another type, get their defaults written
// back. A Logic bank outside 0-128 reads as 0.
void ReadExportSettings(TRegKey& settings);
// Writes the seventeen values and flushes the key.
void WriteExportSettings(TRegKey& settings);
