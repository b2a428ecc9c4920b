// The source browser: the tree's selection fills the presets list with the presets of a SoundFont file or
// the wave files of a folder, attached ones marked.
#include <fstream>
#include <memory>
#include <set>

#include "phdr_chunk.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "tarnbel_mappings_form.h"

using namespace ui;

void TMappingsForm::RefreshPresetsPane() {
  if (!Mapping || FFillingPresets) return;
  // A long job reads the rows it works on: the list is filled again once it is over.
  if (Busy()) {
    FPresetsRefreshPending = true;
    return;
  }
  FFillingPresets = true;
  StopPreview();
  TListItems& items = PresetsListView->Items();
  items.BeginUpdate();
  RemoveHeaderRows(PresetsListView);
  items.Clear();
  SourcePath = SystemTreeView->Selection();
  if (DirectoryOrDriveExists(SourcePath)) {
    FillWaveFolder(SourcePath);
  } else if (FileExistsNotDir(SourcePath)) {
    std::string upper = UpperCase(SourcePath);
    if (upper.size() >= 4 && upper.compare(upper.size() - 4, 4, ".WAV") == 0) {
      std::string folder = ExtractFilePath(SourcePath);
      AddWaveRow(SourcePath.substr(folder.size()),
                 Mapping->FindItemBySource(SourcePath, int(WaveSourceBank), int(WaveSourceBank)) != nullptr);
    } else {
      FillSoundFont(SourcePath);
    }
  }
  BuildPresetsList();
  items.EndUpdate();
  FFillingPresets = false;
}

void TMappingsForm::AddWaveRow(const std::string& fileName, bool attached) {
  TListItem* row = PresetsListView->Items().Add();
  row->SetCaption(fileName);
  row->SetData(&WaveRowMarker);
  row->SetImageIndex(int(WaveSourceBank));
  row->SetOverlayIndex(int(WaveSourceBank));
  row->SetStateIndex(RowIcon(rkWave, attached ? rmNone : rmUnattached));
}

void TMappingsForm::FillWaveFolder(const std::string& folder) {
  std::string dir = IncludeTrailingBackslash(folder);
  std::vector<std::string> sources;
  Mapping->ListWaveSources(dir, sources);
  std::set<std::string> attached;
  for (const std::string& source : sources) attached.insert(UpperCase(source));
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "*.wav").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    AddWaveRow(data.cFileName, attached.count(UpperCase(dir + data.cFileName)) > 0);
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

void TMappingsForm::FillSoundFont(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  TphdrChunk headers;
  if (!in || !headers.Load(in, -1)) return;
  struct TUsedPresets {
    uint8_t Table[MappingBanks][MappingPrograms];
  };
  auto used = std::make_unique<TUsedPresets>();
  Mapping->MarkUsedSourcePresets(fileName, used->Table);
  for (size_t i = 0; i < headers.Presets.size(); ++i) {
    const SF2PresetHeader& header = headers.Presets[i];
    int bank = header.wBank, program = header.wPreset;
    bool attached = ValidSlot(bank, program) && used->Table[bank][program];
    TListItem* row = PresetsListView->Items().Add();
    row->SetCaption((bank == DrumKitBank ? std::string("drum") : IntToStrZero(bank, 3)) + ": " +
                    IntToStrZero(program, 3) + ": " + headers.GetPresetNameAt(i));
    row->SetData(&PresetRowMarker);
    row->SetImageIndex(bank);
    row->SetOverlayIndex(program);
    row->SetStateIndex(RowIcon(bank == DrumKitBank ? rkDrum : rkMelodic, attached ? rmNone : rmUnattached));
  }
}

// No folder is watched yet.
void TMappingsForm::FreeFolderMonitors() {}
