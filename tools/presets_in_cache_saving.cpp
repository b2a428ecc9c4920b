// Saving the monitor's cached presets: as a text list, a mapping file, a new stored mapping or SoundFonts.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "dialogs.h"
#include "export_dialogs.h"
#include "message_box.h"
#include "presets_in_cache_form.h"
#include "str_to_int.h"
#include "sys_utils.h"
#include "tarnbel_fakeform.h"
#include "tarnbel_func.h"
#include "tarnbel_func_vcl.h"
#include "tarnbel_mapping.h"
#include "tarnbel_sf2_saver.h"
#include "tarnbel_tools_globals.h"
#include "text_compare.h"

using namespace ui;

namespace {

const char* const ProgramVersionLine = ";tarnbel v1.24.2";

// The player's file name without folder and extension; empty when there is none.
std::string DefaultBaseName() {
  if (!FakeForm) return "";
  std::string name = FakeForm->FileName.substr(FakeForm->FileName.find_last_of("\\/:") + 1);
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string FileNameOnly(const std::string& path) { return path.substr(path.find_last_of("\\/:") + 1); }

std::string WithoutExtension(const std::string& name) {
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string BankPart(int32_t bank) { return bank == 128 ? "drm" : IntToStrZero(bank, 3); }

// Entries for the collected records, the top row's first.
void AddEntries(TMapping& mapping, const std::vector<CachedPresetRecord>& records) {
  for (auto r = records.rbegin(); r != records.rend(); ++r)
    mapping.AddItem(GetShortString(r->SourceFile), r->Bank, true, 0, GetShortString(r->PresetName), r->SourcePreset,
                    r->SourceBank, r->Program);
}

void Inform(const std::string& text) { ShowMessageBox(text, "tarnbel", MB_OK | MB_ICONINFORMATION); }

}  // namespace

std::vector<CachedPresetRecord> TPresetsInCacheForm::CollectPresets(bool all) {
  std::vector<CachedPresetRecord> records;
  TListItems& items = ListView1->Items();
  for (int i = items.Count() - 1; i >= 0; --i) {
    TListItem* item = items[i];
    if (!all && !item->Selected()) continue;
    CachedPresetRecord r;
    // Every byte is set: the writer gets nothing left over from memory.
    std::memset(&r, 0, sizeof(r));
    auto column = [item](int c) { return item->SubItem(c - 1); };
    r.Bank = StrToIntDef(column(pcBank), 128);
    r.Program = StrToIntDef(column(pcProgram), 0);
    SetShortString(r.PresetName, column(pcName));
    r.Channel = StrToIntDef(column(pcChannel), -1);
    SetShortString(r.SourceFile, column(pcFile));
    SetShortString(r.MappingName, column(pcMapping));
    r.SourceBank = column(pcBankInFile) == "d" ? 128 : StrToIntDef(column(pcBankInFile), 200);
    r.SourcePreset = StrToIntDef(column(pcPresetInFile), 200);
    records.push_back(r);
  }
  return records;
}

void TPresetsInCacheForm::SavePresetsAsText(bool all) {
  std::vector<CachedPresetRecord> records = CollectPresets(all);
  std::string base = DefaultBaseName();
  SaveDialog1->SetTitle("Choose name and location for text file:");
  SaveDialog1->SetFilter("Text files|*.txt|All files|*.*");
  SaveDialog1->SetDefaultExt("txt");
  SaveDialog1->SetInitialDir(Settings ? Settings->ReadString("LastTextFolder", "") : "");
  SaveDialog1->SetFileName(base.empty() ? "" : base + ".txt");
  SaveDialog1->SetOptions(SaveDialog1->Options() | (1u << ofOverwritePrompt) | (1u << ofPathMustExist));
  if (!SaveDialog1->Execute()) return;
  std::string fileName = SaveDialog1->FileName();
  if (Settings) Settings->WriteString("LastTextFolder", ExtractFilePath(fileName));

  size_t longest = 0;
  for (const CachedPresetRecord& r : records) longest = std::max(longest, GetShortString(r.PresetName).size());
  // Groups by file, in the order the files first show from the top row down (the records run bottom up).
  std::vector<std::string> files;
  std::map<std::string, std::vector<std::string>> groups;
  for (auto r = records.rbegin(); r != records.rend(); ++r) {
    std::string file = GetShortString(r->SourceFile);
    if (!groups.count(file)) files.push_back(file);
    groups[file].push_back(BankPart(r->SourceBank) + ":" + IntToStrZero(r->SourcePreset, 3) + " " +
                           PadRight(GetShortString(r->PresetName), longest + 2) + " as " + BankPart(r->Bank) + ":" +
                           IntToStrZero(r->Program, 3));
  }
  std::vector<std::string> lines = {ProgramVersionLine, ";" + WithoutExtension(FileNameOnly(fileName))};
  for (const std::string& file : files) {
    std::vector<std::string>& group = groups[file];
    std::stable_sort(group.begin(), group.end(),
                     [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
    lines.insert(lines.end(), {"", "", "[" + file + "]", ""});
    lines.insert(lines.end(), group.begin(), group.end());
  }
  SaveTextFile(fileName, lines);
}

void TPresetsInCacheForm::SavePresetsAsMappingFile(bool all) {
  std::vector<CachedPresetRecord> records = CollectPresets(all);
  if (records.empty()) return;
  std::string name = DefaultBaseName();
  if (name.empty()) name = "cached";
  // A temporary mapping: a stored mapping of the same name stays as it is.
  TMapping mapping(name, true, nullptr, "");
  AddEntries(mapping, records);
  SaveMappingFileDialog(this, mapping, false);
}

void TPresetsInCacheForm::CreateMappingFromPresets(bool all) {
  std::vector<CachedPresetRecord> records = CollectPresets(all);
  std::string name = DefaultBaseName();
  if (!InputQuery("New mapping", "Enter new mapping name:", name) || name.empty()) return;
  if (name.find('\\') != std::string::npos) {
    Inform("Mapping name cannot contain a \"\\\" character.");
    return;
  }
  std::vector<std::string> names;
  GetMappingNames(names);
  for (const std::string& existing : names)
    if (UpperCase(existing) == UpperCase(name)) {
      Inform("Can't create mapping. \"" + name + "\" already exists.");
      return;
    }
  // The key is made first: a name the registry refuses leaves nothing behind.
  std::string path = std::string(TarnbelKeyPath) + "\\mappings\\" + name;
  HKEY key = nullptr;
  LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr);
  if (result != ERROR_SUCCESS) {
    ShowMessageBox("Can't create mapping \"" + name + "\": " + SysErrorMessage(DWORD(result)), "tarnbel",
                   MB_OK | MB_ICONERROR);
    return;
  }
  RegCloseKey(key);
  {
    TMapping mapping(name, false, nullptr, "");
    AddEntries(mapping, records);
    mapping.Active = false;
    mapping.Random = false;
    mapping.Store->Key().WriteBool("Active", false);
    mapping.Store->Key().WriteBool("Random", false);
  }
  if (FakeForm) FakeForm->PostMappingsChanged();
}

void TPresetsInCacheForm::SavePresetsAsSoundFonts(bool all, bool separate) {
  std::vector<CachedPresetRecord> records = CollectPresets(all);
  if (separate) {
    SavePresetsAsSeparateSoundFonts(this, records.data(), int(records.size()));
    return;
  }
  if (records.empty()) return;
  std::string base = DefaultBaseName();
  SavePresetsAsSoundFont(this, records.data(), int(records.size()), base.empty() ? "" : base + ".sf2");
}
