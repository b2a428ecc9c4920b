#include "export_output.h"

#include <windows.h>

#include <exception>

#include "message_box.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "tarnbel_func_vcl.h"
#include "tarnbel_mapping.h"
#include "tarnbel_tools_globals.h"
#include "text_compare.h"

namespace {

void Warn(const std::string& text) { ui::ShowMessageBox(text, "tarnbel", MB_OK | MB_ICONWARNING); }

bool IsDeviceName(const std::string& name) {
  // Windows takes the part before the first dot, without trailing blanks, as the device.
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (SameTextAscii(base, device)) return true;
  if (base.size() != 4 || base[3] < '1' || base[3] > '9') return false;
  std::string stem = base.substr(0, 3);
  return SameTextAscii(stem, "COM") || SameTextAscii(stem, "LPT");
}

std::string BankText(int bank) { return IntToStrZero(bank, 3); }

bool IsSlash(char c) { return c == '\\' || c == '/'; }

}  // namespace

TRegKey& ToolsSettingsKey(std::unique_ptr<TRegKey>& own) {
  if (Settings) return *Settings;
  own = std::make_unique<TRegKey>(TarnbelKeyPath, true);
  return *own;
}

bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ') return false;
  for (unsigned char c : name)
    if (c < 32 || std::string("\\/:*?\"<>|").find(char(c)) != std::string::npos) return false;
  return !IsDeviceName(name);
}

std::string ExportBaseFolder(const std::string& chosen) {
  const std::string program = ui::ProgramFolder();
  std::string folder = chosen;
  const bool drive = folder.size() >= 2 && folder[1] == ':', rooted = !folder.empty() && IsSlash(folder[0]);
  if (drive && folder.size() > 2 && !IsSlash(folder[2]))
    folder.insert(2, "\\");  // as "C:" is taken for "C:\"
  else if (rooted && !(folder.size() > 1 && IsSlash(folder[1])))
    folder = program.substr(0, program.find('\\')) + folder;
  else if (!drive && !rooted)
    folder = program + folder;
  return ui::IncludeTrailingBackslash(folder);
}

std::string MappingOutputFolder(const std::string& chosen, const std::string& mappingName) {
  if (!IsPlainFileName(mappingName)) {
    Warn("The mapping's name \"" + mappingName + "\" can't be a folder name: nothing was exported.");
    return std::string();
  }
  const std::string below = "tarnbel\\" + mappingName;
  std::string folder = ExportBaseFolder(chosen) + below;
  PrepareOutputFolder(folder, ui::ProgramFolder() + below);
  return folder;
}

bool CheckBankFiles(std::vector<TBankFile>& files, const std::vector<std::string>& taken, const std::string& takenBy) {
  for (const TBankFile& f : files)
    if (!IsPlainFileName(f.FileName)) {
      Warn("Bank " + BankText(f.Bank) + " is named \"" + f.Label +
           "\", which can't be a file name: nothing was exported.");
      return false;
    }
  std::vector<TBankFile> kept;
  std::string clashes;
  for (const TBankFile& f : files) {
    const TBankFile* first = nullptr;
    for (const TBankFile& k : kept)
      if (AnsiSameText(k.FileName, f.FileName)) first = &k;
    bool isTaken = false;
    for (const std::string& name : taken) isTaken = isTaken || AnsiSameText(name, f.FileName);
    if (isTaken)
      clashes += "\r\nBank " + BankText(f.Bank) + " \"" + f.Label + "\" gives \"" + f.FileName + "\", which " +
                 takenBy + " writes: bank " + BankText(f.Bank) + " was left out.";
    else if (first)
      clashes += "\r\nBanks " + BankText(first->Bank) + " \"" + first->Label + "\" and " + BankText(f.Bank) + " \"" +
                 f.Label + "\" both give \"" + f.FileName + "\": bank " + BankText(f.Bank) + " was left out.";
    else
      kept.push_back(f);
  }
  if (!clashes.empty()) Warn("Some banks were not exported:" + clashes);
  files.swap(kept);
  return true;
}

bool CheckMappingFileName(const std::string& fileName, const std::string& mappingName) {
  if (IsPlainFileName(fileName)) return true;
  Warn("The mapping's name \"" + mappingName + "\" can't be part of a file name: nothing was exported.");
  return false;
}

std::string BankLabel(const TMapping& mapping, int bank) {
  std::string name = mapping.GetBankName(bank);
  return name.empty() ? BankDisplayName(bank) : name;
}

bool HasEntries(const TMapping& mapping, int bank) {
  for (int program = 0; program < MappingPrograms; ++program)
    if (mapping.SlotFilled(bank, program)) return true;
  return false;
}

std::vector<int> BanksWithEntries(const TMapping& mapping, bool withDrums) {
  std::vector<int> banks;
  for (int bank = 0; bank < (withDrums ? MappingBanks : DrumKitBank); ++bank)
    if (HasEntries(mapping, bank)) banks.push_back(bank);
  return banks;
}

std::string LineText(const std::string& text) {
  std::string line = text;
  for (char& c : line)
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  return line;
}

bool GuardExport(const std::function<bool()>& body) {
  try {
    return body();
  } catch (const std::exception& e) {
    ui::ShowMessageBox(std::string("The export failed: ") + e.what(), "tarnbel", MB_OK | MB_ICONERROR);
  } catch (...) {
    ui::ShowMessageBox("The export failed.", "tarnbel", MB_OK | MB_ICONERROR);
  }
  return false;
}
