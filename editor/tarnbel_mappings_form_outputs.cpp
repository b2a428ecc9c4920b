// What the editor makes of the edited mapping: the HTML page, the Logic patch list on the clipboard,
// SoundFont files of the selected presets, and the exports, which get the mapping as it is edited.
#include <memory>

#include "export_dialogs.h"
#include "export_output.h"
#include "logic_patch_list.h"
#include "message_box.h"
#include "preset_records.h"
#include "registry_internal.h"
#include "sys_utils.h"
#include "tarnbel_editor_settings.h"
#include "tarnbel_func.h"
#include "tarnbel_func_vcl.h"
#include "tarnbel_mappings_form.h"
#include "tarnbel_sf2_saver.h"
#include "ui_exceptions.h"

using namespace ui;

namespace {

const char* const kBoxCaption = "tarnbel";
const char* const kNoSelectionText =
    "The list was not created. Please select at least one preset in Attached Presets list.";
const char* const kHtmlPathValue = "DialogHTMLPath";

using TExportDialog = bool (*)(TComponent* owner, const TMapping& mapping);

bool SaveMappingFileDialogOverwritingProposed(TComponent* owner, const TMapping& mapping) {
  return SaveMappingFileDialog(owner, mapping, true);
}

// The selected rows of the presets list, each with the file it stands for.
std::vector<TSourcePreset> SelectedSourcePresets(TListView* list, const std::string& sourcePath) {
  const bool folder = DirectoryOrDriveExists(sourcePath);
  std::vector<TSourcePreset> presets;
  for (TListItem* row = list->GetNextItem(nullptr, LVNI_SELECTED); row; row = list->GetNextItem(row, LVNI_SELECTED)) {
    if (!TMappingsForm::IsSourceRow(row)) continue;
    TSourcePreset preset;
    preset.Wave = TMappingsForm::IsWaveRow(row);
    preset.Bank = row->ImageIndex();
    preset.Program = row->OverlayIndex();
    preset.Caption = row->Caption();
    preset.Path = preset.Wave && folder ? IncludeTrailingBackslash(sourcePath) + preset.Caption : sourcePath;
    presets.push_back(preset);
  }
  return presets;
}

// The list shows its state before the writer's dialog comes up over it.
void PaintNow(TWinControl* control) {
  control->Invalidate();
  if (control->HandleAllocated()) UpdateWindow(control->Handle());
}

}  // namespace

void TMappingsForm::HookOutputActions() {
  SaveMappingAsHTMLAction->OnExecute = [this](TObject*) { SaveMappingAsHTMLActionExecute(); };
  CreateLogicAction->OnExecute = [this](TObject*) { CreateLogicActionExecute(); };
  SaveAsSoundFontAction->OnExecute = [this](TObject*) { SaveSelectedAsSoundFont(false); };
  SaveAsSeparateSoundFontsAction->OnExecute = [this](TObject*) { SaveSelectedAsSoundFont(true); };
  const std::pair<TAction*, TExportDialog> exports[] = {
      {CreateCubase12Action, &ExportCubaseDev12Dialog},
      {CreateCubase1Action, &ExportCubaseDevSeparateDialog},
      {CreateCakewalkAction, &ExportCakewalkInsDialog},
      {CreateMassivaAction, &ExportMassivaMxpDialog},
      {CreateEvolutionAction, &ExportEvolutionPlsDialog},
      {CreateEncoreAction, &ExportEncoreIniDialog},
      {CreateQuartzAction, &ExportQuartzSetDialog},
      {SaveMappingInFileAction, &SaveMappingFileDialogOverwritingProposed},
  };
  for (const auto& exported : exports) {
    TExportDialog dialog = exported.second;
    exported.first->OnExecute = [this, dialog](TObject*) {
      if (Mapping) dialog(this, *Mapping);
    };
    exported.first->SetEnabled(true);
  }
  SaveMappingAsHTMLAction->SetEnabled(true);
}

std::vector<TAttachedRow> TMappingsForm::AttachedRows(bool selectedOnly) {
  std::vector<TAttachedRow> rows;
  TListItems& items = FilesListView->Items();
  for (int i = 0; i < items.Count(); ++i) {
    TListItem* item = items[i];
    TAttachedRow row;
    row.Entry = EntryOfRow(item);
    if (selectedOnly && !(row.Entry && item->Selected())) continue;
    row.Inactive = row.Entry && RowMarkOf(item->StateIndex()) == rmInactive;
    row.Caption = item->Caption();
    row.HeaderBank = row.Entry ? -1 : item->ImageIndex();
    rows.push_back(row);
  }
  return rows;
}

// ---- The HTML page.

THtmlPageLook TMappingsForm::HtmlPageLook() {
  THtmlPageLook look;
  look.ColoredBankItems = EditorSettings.ColoredBankItems;
  look.ColoredBankHeaders = EditorSettings.ColoredBankHeaders;
  look.ColoredBackground = EditorSettings.ColoredBackground;
  look.GroupedBySourceFile = FilesMode() == fmBySource;
  // The list's own colours: a bank without one gets it now, as the list would when it draws the bank.
  look.BankFontColor = [this](int bank) { return BankFontColor(bank); };
  look.BankBackColor = [this](int bank) { return BankBackColor(bank); };
  return look;
}

void TMappingsForm::SaveMappingAsHTMLActionExecute() {
  if (!Mapping) return;
  std::unique_ptr<TRegKey> own;
  TRegKey& settings = ToolsSettingsKey(own);
  SaveDialog1->SetFilter("HTML files|*.htm;*.html|All files (*.*)|*.*");
  SaveDialog1->SetDefaultExt("htm");
  SaveDialog1->SetInitialDir(settings.ReadString(kHtmlPathValue, ""));
  // A mapping's name may hold characters a file name cannot (a colon names a stream).
  SaveDialog1->SetFileName(SanitizeFileName(MappingName) + ".htm");
  SaveDialog1->AskOverwriteOnlyAfterChange();
  if (!SaveDialog1->Execute()) return;
  const std::string fileName = SaveDialog1->FileName(), folder = ExtractFilePath(fileName);
  settings.WriteString(kHtmlPathValue, folder);
  WriteMappingHTML(folder, fileName.substr(folder.size()));
}

void TMappingsForm::WriteMappingHTML(const std::string& folder, const std::string& fileName) {
  if (!Mapping) return;
  const std::vector<TAttachedRow> rows = AttachedRows(false);
  std::vector<std::string> page;
  {
    // The window comes back and the progress goes on every road out, a throw included.
    TBusyScope busy(*this);
    struct TProgressEnd {
      TMappingsForm& Form;
      ~TProgressEnd() { Form.EndProgress(); }
    } progressEnd{*this};
    BeginProgress("Creating HTML", int(rows.size()));
    page = BuildMappingHtml(MappingName, rows, HtmlPageLook(), HtmlClockNow(), [this] { StepProgress(); });
  }
  std::string out = folder;
  PrepareOutputFolder(out);
  SaveTextFile(out + fileName, page);
}

// ---- The Logic patch list.

void TMappingsForm::BuildLogicPatchList(TLogicTable& table) { table.Fill(AttachedRows(false)); }

void TMappingsForm::CreateLogicActionExecute() {
  TLogicTable table;
  BuildLogicPatchList(table);
  TListItem* row = FirstSelectedEntryRow();
  if (!row) {
    ShowMessageBox(kNoSelectionText, kBoxCaption, MB_OK | MB_ICONINFORMATION, Handle());
    return;
  }
  PutLogicListOnClipboard(table.BankText(int(EntryOfRow(row)->TargetBank)), Handle());
}

// ---- SoundFont files of the selected presets.

void TMappingsForm::SaveSelectedAsSoundFont(bool separate) {
  std::vector<CachedPresetRecord> records;
  TWinControl* focused = FocusedControl();
  if (focused == FilesListView && FilesListView->SelCount() > 0) {
    PaintNow(SystemTreeView);
    PaintNow(FilesListView);
    records = EntryPresetRecords(AttachedRows(true), separate);
  } else if (focused == PresetsListView && PresetsListView->SelCount() > 0) {
    PaintNow(SystemTreeView);
    PaintNow(PresetsListView);
    records = SourcePresetRecords(SelectedSourcePresets(PresetsListView, SourcePath), separate,
                                  EditorSettings.DefaultWaveBank);
  }
  if (records.empty()) return;
  // The writer's steps serve the queue: the window that owns its progress is not freed meanwhile.
  TBusyScope busy(*this);
  if (separate) SavePresetsAsSeparateSoundFonts(this, records.data(), int(records.size()));
  else SavePresetsAsSoundFont(this, records.data(), int(records.size()), "");
}
