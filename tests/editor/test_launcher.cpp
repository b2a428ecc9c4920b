#include "test_launcher.h"

#include "ipc.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "toolbar.h"

using namespace ui;

namespace editortest {

namespace {

TAction* LauncherAction(TForm* holder, TActionList* list, const char* name, const char* caption) {
  auto* action = new TAction(holder);
  action->SetName(name);
  action->SetCaption(caption);
  action->SetActionList(list);
  action->OnExecute = [](TObject*) {};
  return action;
}

}  // namespace

TTestLauncher::TTestLauncher() : FHolder(new TForm(nullptr)) {
  FImages = new TImageList(FHolder);
  FGrayImages = new TImageList(FHolder);
  auto* list = new TActionList(FHolder);
  list->SetImages(FImages);
  FActions.Monitor = LauncherAction(FHolder, list, "MonitorAction", "Monitor...");
  FActions.MappingsManager = LauncherAction(FHolder, list, "MappingsManagerAction", "Manager...");
  FActions.MappingsEditor = LauncherAction(FHolder, list, "MappingsEditorAction", "Editor...");
  FActions.Preferences = LauncherAction(FHolder, list, "PreferencesAction", "Preferences...");
  FActions.About = LauncherAction(FHolder, list, "AboutAction", "About...");
  Launcher = this;
}

TTestLauncher::~TTestLauncher() {
  if (Launcher == this) Launcher = nullptr;
  FHolder->Free();
}

void TTestLauncher::PostMappingsChanged() {
  ++MappingsChanged;
  if (OnMappingsChanged) OnMappingsChanged();
  if (!ReloadsManager) return;
  if (auto* manager = dynamic_cast<TManagerWindowOps*>(MappingsManagerForm)) manager->ReloadMappings();
  if (ServerLink) ServerLink->Notify(WM_TB_MAPPINGS_CHANGED);
}

void TTestLauncher::ApplyExportVisibility(TActionList* list, TWinControl* toolbar) {
  for (const std::string& host : HiddenHosts)
    for (int i = 0; i < list->ActionCount(); ++i)
      if (list->Actions(i)->Name().find(host) != std::string::npos) list->Actions(i)->SetVisible(false);
  if (auto* bar = dynamic_cast<TToolBar*>(toolbar)) bar->ArrangeButtons();
}

bool TTestLauncher::RunServer(bool wait) {
  ++ServerStarts;
  return StartServer && StartServer(wait);
}

}  // namespace editortest
