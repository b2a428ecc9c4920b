#pragma once
// What the exporters share: where an export writes, which bank labels and names may become file names,
// and the guard that turns any failure into a box and a false result.
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TMapping;
class TRegKey;

// The tools program's settings key, or one of the caller's own (kept in own) when the program has none.
TRegKey& ToolsSettingsKey(std::unique_ptr<TRegKey>& own);

// A name Windows keeps as it is, inside its folder: not empty, no control character, none of
// \ / : * ? " < > |, not "." or "..", not ending in a dot or a blank, and no device (CON, NUL, COM1 ...).
bool IsPlainFileName(const std::string& name);

// The chosen folder with a trailing backslash; the program folder when none was chosen. A folder given
// without its drive is taken from the program folder too ("out" as its "out" folder, "\out" on its
// drive, "C:out" as "C:\out"): the current folder it would follow is wherever a file dialog went last.
std::string ExportBaseFolder(const std::string& chosen);
// ExportBaseFolder + "tarnbel\" + the mapping's name, made and ending in "\"; when it cannot be made, the
// same below the program folder, after a box naming both. Empty, after a box and with nothing made, when
// the name cannot be a folder name.
std::string MappingOutputFolder(const std::string& chosen, const std::string& mappingName);

// One file an export writes for one bank.
struct TBankFile {
  int Bank;
  std::string Label;     // the bank's label as the box names it
  std::string FileName;  // without folder
};

// Checks the files of an export before anything is written. A name that is not plain refuses the export:
// a box names the bank and its label, and the result is false. Of banks whose file names are the same
// (compared as Windows does, without case) the first stays and the later ones are left out, named with
// the first in one box. A bank whose file name is one of taken (the files that takenBy, another export,
// writes into the same folder) is left out too, and named in that box.
bool CheckBankFiles(std::vector<TBankFile>& files, const std::vector<std::string>& taken = {},
                    const std::string& takenBy = std::string());

// A box naming the mapping when a file name made of it is not plain; false then.
bool CheckMappingFileName(const std::string& fileName, const std::string& mappingName);

// The bank's label in an export: its name, or its number form (bank 005, drumsets) when it has none or
// an empty one, as the editor takes an empty name for none.
std::string BankLabel(const TMapping& mapping, int bank);

bool HasEntries(const TMapping& mapping, int bank);
// Banks with at least one filled slot, from 0 up (to 128 when withDrums).
std::vector<int> BanksWithEntries(const TMapping& mapping, bool withDrums);

// Text for a line of a text export: control characters (a CR or LF would split the line) become blanks.
std::string LineText(const std::string& text);

// Runs an export; anything thrown inside becomes a box, and false.
bool GuardExport(const std::function<bool()>& body);
