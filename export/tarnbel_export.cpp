#include "tarnbel_export.h"

#include <utility>
#include <vector>

#include "export_output.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "tarnbel_func_vcl.h"
#include "tarnbel_mapping.h"

namespace {

using TLines = std::vector<std::string>;
using TNamedLines = std::vector<std::pair<std::string, TLines>>;

std::string Label(const TMapping& mapping, int bank) { return LineText(BankLabel(mapping, bank)); }

std::string PresetName(const TMapping& mapping, int bank, int program) {
  const TMappingInactiveItem* item = mapping.Slot(bank, program);
  return item ? LineText(item->GetPresetName()) : std::string();
}

// "p=name" for each filled program of the bank.
void AddPrograms(TLines& lines, const TMapping& mapping, int bank) {
  for (int p = 0; p < MappingPrograms; ++p)
    if (mapping.SlotFilled(bank, p)) lines.push_back(std::to_string(p) + "=" + PresetName(mapping, bank, p));
}

// The 128 names of a bank, "-" for an empty slot.
void AddAllPrograms(TLines& lines, const TMapping& mapping, int bank) {
  for (int p = 0; p < MappingPrograms; ++p)
    lines.push_back(mapping.SlotFilled(bank, p) ? PresetName(mapping, bank, p) : "-");
}

void AddSection(TLines& lines, const std::string& title) {
  lines.insert(lines.end(), {"", "; " + std::string(70, '-'), "", title, ""});
}

void AddEmptySections(TLines& lines) {
  for (const char* title : {".Note Names", ".Controller Names", ".RPN Names", ".NRPN Names", ".Instrument Definitions"})
    AddSection(lines, title);
}

TLines MelodicIns(const TMapping& mapping, const std::vector<int>& banks) {
  TLines lines;
  AddSection(lines, ".Patch Names");
  for (int bank : banks) {
    lines.push_back("[" + Label(mapping, bank) + "]");
    AddPrograms(lines, mapping, bank);
    lines.push_back("");
  }
  AddEmptySections(lines);
  lines.insert(lines.end(), {"[tarnbel " + LineText(mapping.Name) + "]", "BankSelMethod=1"});
  for (int bank : banks) lines.push_back("Patch[" + std::to_string(bank) + "]=" + Label(mapping, bank));
  return lines;
}

TLines DrumsIns(const TMapping& mapping) {
  const std::string kits = "tarnbel " + LineText(mapping.Name) + " drumsets";
  TLines lines;
  AddSection(lines, ".Patch Names");
  lines.push_back("[" + kits + "]");
  AddPrograms(lines, mapping, DrumKitBank);
  lines.push_back("");
  AddEmptySections(lines);
  lines.insert(lines.end(), {"[tarnbel " + LineText(mapping.Name) + " drums]", "BankSelMethod=1", "Patch[0]=" + kits,
                             "Patch[*]=" + kits, "Drum[*,*]=1"});
  return lines;
}

TLines MelodicPls(const TMapping& mapping, const std::vector<int>& banks) {
  TLines lines = {"patc"};
  size_t next = 0;  // the next bank with entries
  for (int bank = 0; bank < DrumKitBank; ++bank) {
    if (next == banks.size() || banks[next] != bank) {
      lines.push_back("*");
      continue;
    }
    if (next++ == 0)
      lines.insert(lines.end(), {LineText(mapping.Name), LineText(mapping.Name)});
    else
      lines.push_back("*" + Label(mapping, bank));
    AddAllPrograms(lines, mapping, bank);
  }
  return lines;
}

TLines DrumsPls(const TMapping& mapping, bool drums) {
  TLines lines = {"patc"};
  if (!drums) {
    lines.push_back("*");
    return lines;
  }
  lines.insert(lines.end(), {LineText(mapping.Name) + " drums", "d " + LineText(mapping.Name)});
  AddAllPrograms(lines, mapping, DrumKitBank);
  return lines;
}

TLines MelodicSet(const TMapping& mapping, const std::vector<int>& banks) {
  TLines lines;
  for (int bank : banks) {
    lines.insert(lines.end(), {"", "[" + std::to_string(bank * 128) + "]"});
    AddPrograms(lines, mapping, bank);
  }
  return lines;
}

TLines DrumsSet(const TMapping& mapping) {
  TLines lines = {"[0]"};
  AddPrograms(lines, mapping, DrumKitBank);
  return lines;
}

TLines EncoreFile(const TMapping& mapping, int bank) {
  const std::string number = IntToStrZero(bank, 3);
  TLines lines = {"[DEVICE]", "TITLE=tarnbel (" + number + ") " + Label(mapping, bank), "ABBREVIATION=tb" + number,
                  "0=NONE"};
  for (int p = 0; p < MappingPrograms; ++p)
    lines.push_back(std::to_string(p + 1) + "=" + (mapping.SlotFilled(bank, p) ? PresetName(mapping, bank, p) : "-"));
  return lines;
}

TLines MassivaFile(const TMapping& mapping, int bank) {
  TLines lines;
  for (int p = 0; p < MappingPrograms; ++p)
    if (mapping.SlotFilled(bank, p))
      lines.push_back(std::to_string(bank) + "," + std::to_string(p) + "," + PresetName(mapping, bank, p));
  return lines;
}

// Writes the files in turn; the first that fails ends the export (its box has been shown).
bool WriteFiles(const std::string& folder, const TNamedLines& files) {
  for (const auto& file : files)
    if (!SaveTextFile(folder + file.first, file.second)) return false;
  return true;
}

// One file per bank with entries (drums included), named label + extension.
bool ExportBankFiles(const std::string& chosen, const TMapping& mapping, const std::string& extension,
                     TLines (*content)(const TMapping&, int)) {
  std::vector<TBankFile> files;
  for (int bank : BanksWithEntries(mapping, true)) {
    std::string label = BankLabel(mapping, bank);
    files.push_back({bank, label, label + extension});
  }
  if (!CheckBankFiles(files)) return false;
  std::string folder = MappingOutputFolder(chosen, mapping.Name);
  if (folder.empty()) return false;
  TNamedLines named;
  for (const TBankFile& f : files) named.emplace_back(f.FileName, content(mapping, f.Bank));
  return WriteFiles(folder, named);
}

}  // namespace

bool ExportCakewalkIns(const std::string& folder, const TMapping& mapping) {
  return GuardExport([&] {
    std::string out = MappingOutputFolder(folder, mapping.Name);
    return !out.empty() && WriteFiles(out, {{"melodic.ins", MelodicIns(mapping, BanksWithEntries(mapping, false))},
                                            {"drums.ins", DrumsIns(mapping)}});
  });
}

bool ExportEvolutionPls(const std::string& folder, const TMapping& mapping) {
  return GuardExport([&] {
    std::string out = MappingOutputFolder(folder, mapping.Name);
    return !out.empty() && WriteFiles(out, {{"melodic.pls", MelodicPls(mapping, BanksWithEntries(mapping, false))},
                                            {"drums.pls", DrumsPls(mapping, HasEntries(mapping, DrumKitBank))}});
  });
}

bool ExportQuartzSet(const std::string& folder, const TMapping& mapping) {
  return GuardExport([&] {
    const std::string melodic = mapping.Name + "_melodic.set", drums = mapping.Name + "_drums.set";
    if (!CheckMappingFileName(melodic, mapping.Name) || !CheckMappingFileName(drums, mapping.Name)) return false;
    std::string out = ExportBaseFolder(folder);
    if (out.size() < 6 || ui::UpperCase(out.substr(out.size() - 6)) != "\\SETS\\") out += "sets\\";
    PrepareOutputFolder(out, ui::ProgramFolder() + "sets");
    return WriteFiles(out,
                      {{melodic, MelodicSet(mapping, BanksWithEntries(mapping, false))}, {drums, DrumsSet(mapping)}});
  });
}

bool ExportEncoreIni(const std::string& folder, const TMapping& mapping) {
  return GuardExport([&] { return ExportBankFiles(folder, mapping, ".ini", &EncoreFile); });
}

bool ExportMassivaMxp(const std::string& folder, const TMapping& mapping) {
  return GuardExport([&] { return ExportBankFiles(folder, mapping, ".mxp", &MassivaFile); });
}

bool SaveMappingAsText(const std::string& folder, const std::string& fileName, const TMapping& mapping) {
  return GuardExport([&] {
    std::vector<std::string> lines;
    mapping.ExportToText(lines);
    std::string target = ExportBaseFolder(folder);
    PrepareOutputFolder(target);
    return SaveTextFile(target + fileName, lines);
  });
}
