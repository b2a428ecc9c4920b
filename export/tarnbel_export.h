#pragma once
// Writing a mapping out as files other programs read: Cubase module device files, Cakewalk instrument
// definitions, Evolution and Massiva patch maps, Quartz sound name sets, Encore device files and the
// mapping's own text form.
//
// Each export writes into the chosen folder + "tarnbel\" + the mapping's name (Quartz into a "sets"
// folder), replacing earlier files only once a new file is whole. Each returns true when every file was
// written; a failure has already been shown in a box naming the file and the system's error.
#include <string>

class TMapping;

// One .dev file per bank with entries, named after the bank's label (its first 8 characters).
bool ExportCubaseDevSeparate(const std::string& folder, const TMapping& mapping);
// Eleven .dev files of twelve banks each, m000-011.dev to m120-131.dev.
bool ExportCubaseDev12(const std::string& folder, const TMapping& mapping);
// "melodic.ins" and "drums.ins".
bool ExportCakewalkIns(const std::string& folder, const TMapping& mapping);
// "melodic.pls" and "drums.pls".
bool ExportEvolutionPls(const std::string& folder, const TMapping& mapping);
// name + "_melodic.set" and name + "_drums.set" in the folder's "sets" folder.
bool ExportQuartzSet(const std::string& folder, const TMapping& mapping);
// One bank label + ".ini" per bank with entries.
bool ExportEncoreIni(const std::string& folder, const TMapping& mapping);
// One bank label + ".mxp" per bank with entries.
bool ExportMassivaMxp(const std::string& folder, const TMapping& mapping);

// The mapping's text form saved as fileName in the folder (made when missing). False after a box when
// the file could not be written; an existing file is then kept as it was.
bool SaveMappingAsText(const std::string& folder, const std::string& fileName, const TMapping& mapping);
