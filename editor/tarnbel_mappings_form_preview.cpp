// Hearing presets through the server's preview route: the editor tells the server which file, bank and
// program to load there and when to stop; preview mode opens and closes the route, whose ports are chosen
// in the route dialog and stored as "PreviewRoute".
#include "message_box.h"
#include "registry_internal.h"
#include "route_record.h"
#include "sys_utils.h"
#include "tarnbel_editor_settings.h"
#include "tarnbel_func.h"
#include "tarnbel_mappings_form.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"

using namespace ui;

namespace {

const char* const RunServerQuestion = "You should run tarnbel to use preview function. Run it now?";

std::string SettingsString(const char* name) {
  if (Settings) return Settings->ReadString(name, "");
  return TRegKey(TarnbelKeyPath, true).ReadString(name, "");
}

void WriteSettingsString(const char* name, const std::string& value) {
  if (Settings) Settings->WriteString(name, value);
  else TRegKey(TarnbelKeyPath, true).WriteString(name, value);
}

// The stored preview route; a value that is no route counts as none.
bool StoredPreviewRoute(RouteRecord& route) {
  route = RouteRecord();
  if (ParsePreviewRoute(SettingsString(PreviewRouteValue), route)) return true;
  route = RouteRecord();
  return false;
}

std::string SourceKey(const std::string& path, int bank, int program) {
  return path + '\x01' + std::to_string(bank) + '\x01' + std::to_string(program);
}

}  // namespace

void TMappingsForm::HookPreviewActions() {
  PreviewModeAction->OnExecute = [this](TObject*) { PreviewModeActionExecute(); };
  PreviewRouteAction->OnExecute = [this](TObject*) { PreviewRouteActionExecute(); };
  StartInPreviewModeAction->OnExecute = [this](TObject*) {
    EditorSettings.AutoloadPreview = !StartInPreviewModeAction->Checked();
    StartInPreviewModeAction->SetChecked(EditorSettings.AutoloadPreview);
    if (Settings) Settings->WriteBool("AutoloadPreview", EditorSettings.AutoloadPreview);
    else TRegKey(TarnbelKeyPath, true).WriteBool("AutoloadPreview", EditorSettings.AutoloadPreview);
  };
  for (TAction* action : {PreviewModeAction, StartInPreviewModeAction, PreviewRouteAction})
    action->OnUpdate = [action](TObject*) { action->SetEnabled(true); };
}

void TMappingsForm::StopPreview() {
  if (PreviewedRow == -1) return;
  PreviewedRow = -1;
  FPreviewedSource.clear();
  if (ServerLink) ServerLink->Notify(WM_TB_PREVIEW_STOP);
}

void TMappingsForm::SendPreview(const std::string& path, int bank, int program, int previewedRow) {
  PreviewedRow = previewedRow;
  FPreviewedSource = SourceKey(path, bank, program);
  // The preset goes only with its file: alone it would play that bank and program of the previous file.
  if (ServerLink && ServerLink->SendString(path, WM_TB_PREVIEW_FILE) &&
      ServerLink->Post(WM_TB_PREVIEW_PRESET, WPARAM(bank), LPARAM(program)))
    return;
  PreviewedRow = -1;
  FPreviewedSource.clear();
}

void TMappingsForm::PreviewPresetInFile() {
  TListItem* row = nullptr;
  for (TListItem* selected = PresetsListView->GetNextItem(nullptr, LVNI_SELECTED); selected && !row;
       selected = PresetsListView->GetNextItem(selected, LVNI_SELECTED))
    if (IsSourceRow(selected)) row = selected;
  if (!row) return;
  const std::string path = SourcePathOfRow(row);
  const int bank = row->ImageIndex(), program = row->OverlayIndex();
  // The same source sounds already, wherever a regroup has put its row.
  if (PreviewedRow != -1 && SourceKey(path, bank, program) == FPreviewedSource) return;
  StopPreview();
  SendPreview(path, bank, program, row->Index());
}

void TMappingsForm::PreviewAttachedItem(TMappingInactiveItem* entry) {
  if (!entry) return;
  StopPreview();
  SendPreview(entry->GetSourceName(), int(entry->SourceBank), int(entry->SourceProgram), PreviewedAttachedEntry);
}

// The server reports whether its preview route is open.
void TMappingsForm::SetPreviewMode(bool on) { PreviewModeAction->SetChecked(on); }

void TMappingsForm::PreviewModeActionExecute() {
  if (PreviewModeAction->Checked()) {
    if (ServerLink) ServerLink->Notify(WM_TB_PREVIEW_OFF);
    return;
  }
  RouteRecord route;
  if (!StoredPreviewRoute(route)) PreviewRouteActionExecute();
  if (!StoredPreviewRoute(route)) return;
  if (!ServerLink || !ServerLink->PeerExists()) {
    bool started = ShowMessageBox(RunServerQuestion, "tarnbel", MB_YESNO | MB_ICONINFORMATION, Handle()) == IDYES &&
                   Launcher && Launcher->RunServer(true);
    if (!started) {
      PreviewModeAction->SetChecked(false);
      return;
    }
  }
  if (ServerLink) ServerLink->Notify(WM_TB_PREVIEW_ON);
}

void TMappingsForm::PreviewRouteActionExecute() {
  if (!ToolWindowMakers.ChooseRoute) return;
  const std::string old = SettingsString(PreviewRouteValue);
  RouteRecord route;
  StoredPreviewRoute(route);
  if (!ToolWindowMakers.ChooseRoute(this, route)) return;
  const std::string value = PreviewRouteToString(route);
  WriteSettingsString(PreviewRouteValue, value);
  if (value != old && ServerLink) ServerLink->Notify(WM_TB_PREVIEW_ROUTE_CHANGED);
}
