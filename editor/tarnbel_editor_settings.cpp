#include "tarnbel_editor_settings.h"


#include "mapping_name.h"
#include "registry_internal.h"
#include "sys_utils.h"

TEditorSettings EditorSettings;

namespace {

// A value of another type than the setting's (a hand-edited registry) reads as the default, written back.
DWORD StoredType(TRegKey& key, const std::string& name, DWORD& size) {
  DWORD type = REG_NONE;
  size = 0;
  if (!key.Opened() || RegQueryValueExA(key.Handle(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return REG_NONE;
  return type;
}

std::string ReadText(TRegKey& key, const std::string& name, const std::string& defaultValue) {
  DWORD size = 0;
  if (StoredType(key, name, size) != REG_SZ) {
    key.WriteString(name, defaultValue);
    return defaultValue;
  }
  return key.ReadString(name, defaultValue);
}

int ReadNumber(TRegKey& key, const std::string& name, int defaultValue) {
  DWORD size = 0;
  if (StoredType(key, name, size) != REG_DWORD || size != sizeof(DWORD)) {
    key.WriteInteger(name, defaultValue);
    return defaultValue;
  }
  return key.ReadInteger(name, defaultValue);
}

bool ReadSwitch(TRegKey& key, const std::string& name, bool defaultValue) {
  int value = ReadNumber(key, name, defaultValue ? 1 : 0);
  if (value == 0 || value == 1) return value == 1;
  key.WriteBool(name, defaultValue);
  return defaultValue;
}

}  // namespace

void ReadEditorSettings(TRegKey& key) {
  TEditorSettings& s = EditorSettings;
  const TEditorSettings defaults;
  s.CurrentEditorMapping = ReadText(key, "CurrentEditorMapping", defaults.CurrentEditorMapping);
  // A name no mapping can have (too long, a backslash) would reach the window captions and the choice.
  if (!MappingNameProblem(s.CurrentEditorMapping).empty()) {
    s.CurrentEditorMapping = defaults.CurrentEditorMapping;
    key.WriteString("CurrentEditorMapping", s.CurrentEditorMapping);
  }
  s.DefaultWaveBank = ReadNumber(key, "DefaultWaveBank", defaults.DefaultWaveBank);
  s.SwitchToNextWave = ReadSwitch(key, "SwitchToNextWave", defaults.SwitchToNextWave);
  s.DetachConfirmation = ReadSwitch(key, "DetachConfirmation", defaults.DetachConfirmation);
  s.ConflictsConfirmation = ReadSwitch(key, "ConflictsConfirmation", defaults.ConflictsConfirmation);
  s.FileMask = ReadText(key, "FileMask", defaults.FileMask);
  s.ShowListDividers = ReadSwitch(key, "ShowListDividers", defaults.ShowListDividers);
  s.ColoredBankHeaders = ReadSwitch(key, "ColoredBankHeaders", defaults.ColoredBankHeaders);
  s.ColoredBankItems = ReadSwitch(key, "ColoredBankItems", defaults.ColoredBankItems);
  s.ColoredBackground = ReadSwitch(key, "ColoredBackground", defaults.ColoredBackground);
  s.AutoloadPreview = ReadSwitch(key, "AutoloadPreview", defaults.AutoloadPreview);
  s.EditorAutosaveMappingPath = ReadText(key, "EditorAutosaveMappingPath", ui::ProgramFolder());
  s.EditorAutosaveMapping = ReadSwitch(key, "EditorAutosaveMapping", defaults.EditorAutosaveMapping);
  s.EditorAutoRefreshTreeView = ReadSwitch(key, "EditorAutoRefreshTreeView", defaults.EditorAutoRefreshTreeView);
}

int WaveBankInRange(int bank) { return bank < 0 ? 0 : bank > 127 ? 127 : bank; }
