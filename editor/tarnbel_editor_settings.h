#pragma once
// The mapping editor's settings: values of the tools program's settings key, read once when the editor
// window is made; the preferences dialog and the editor's toggles write them back at once.
#include <string>

class TRegKey;

struct TEditorSettings {
  std::string CurrentEditorMapping = "default";
  int DefaultWaveBank = 100;
  bool SwitchToNextWave = true;
  bool DetachConfirmation = true;
  bool ConflictsConfirmation = true;
  std::string FileMask = "*.sf2;*.wav";
  bool ShowListDividers = true;
  bool ColoredBankHeaders = true;
  bool ColoredBankItems = true;
  bool ColoredBackground = false;
  bool AutoloadPreview = false;
  std::string EditorAutosaveMappingPath;  // the program's folder by default
  bool EditorAutosaveMapping = false;
  bool EditorAutoRefreshTreeView = true;
};

extern TEditorSettings EditorSettings;

// Reads every editor setting from the key; a missing or unreadable value gets its default, written back.
void ReadEditorSettings(TRegKey& key);
// The first bank for wave files, brought into the melodic banks 0-127 (a hand-edited value may lie outside).
int WaveBankInRange(int bank);
