#include "tb_tools_program.h"

#include <windows.h>

#include "KitClipIcon.h"
#include "KitGIF.h"
#include "about_form.h"
#include "application.h"
#include "ipc.h"
#include "options_form.h"
#include "presets_in_cache_form.h"
#include "sys_utils.h"
#include "tarnbel_add_route_form.h"
#include "tarnbel_mappings_form.h"
#include "tarnbel_mappings_manager_form.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "tarnbel_validator.h"
#include "tool_windows.h"
#include "tools_instance.h"

std::vector<std::string> SplitParameters(const std::string& commandLine) {
  std::vector<std::string> params;
  size_t i = 0;
  const size_t n = commandLine.size();
  for (;;) {
    while (i < n && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
    if (i >= n) break;
    std::string param;
    bool quoted = false;
    for (; i < n && (quoted || (commandLine[i] != ' ' && commandLine[i] != '\t')); ++i) {
      if (commandLine[i] == '"') quoted = !quoted;
      else param += commandLine[i];
    }
    params.push_back(param);
  }
  return params;
}

bool IsSetupSwitch(const std::string& parameter) {
  std::string upper = ui::UpperCase(parameter);
  return upper == "-INSTALL" || upper == "-UNINSTALL" || upper == "-REINSTALL";
}

int RunToolsProgram(const std::vector<std::string>& params) {
  ToolsParams = params;
  // The windows this folder has; the editor's and the others' makers come with their folders.
  ToolWindowMakers.Preferences = [](ui::TComponent* owner) { return new TOptionsForm(owner); };
  RegisterAboutWindow();
  RegisterIntegrityChecker();
  RegisterEditorWindow();
  RegisterRouteDialog();
  RegisterManagerWindow();
  ToolWindowMakers.Setup = [](const std::string& command) {
    TPresetsInCacheForm* monitor = Monitor();
    return monitor ? monitor->RunSetupCommand(command) : 1;
  };

  TToolsInstance instance;
  bool refused = !instance.First();
  if (refused) {
    TIPCLink running(TOOLS_WINDOW_TITLE, 0);
    if (!running.PeerWindow() && TToolsInstance::RunningWindow(RUNNING_WINDOW_TIMEOUT_MS)) running.FindPeer();
    running.Notify(WM_TB_TOOLS_ACTIVATE);
  }
  const bool settingUp = !params.empty() && IsSetupSwitch(params[0]);
  if (settingUp) {
    TIPCLink tools(TOOLS_WINDOW_TITLE, 0);
    if (tools.PeerWindow()) {
      tools.Notify(WM_TB_INSTALLER_BLOCKED);
    } else {
      TIPCLink server(SERVER_WINDOW_TITLE, 0);
      if (server.PeerWindow()) {
        server.Notify(WM_TB_INSTALLER_RUNNING);
        refused = true;
      }
    }
  }
  // A refused set-up command did not do its job: the script that ran it hears a failure.
  if (refused) return settingUp ? 1 : 0;

  // The picture kinds the kit adds: GIF files and clipboard data, icons on the clipboard.
  RegisterGIFImage();
  RegisterClipIcon();
  auto* monitor = ui::Application().CreateForm<TPresetsInCacheForm>();
  int exitCode = 0;
  if (monitor->EndRequested()) {
    exitCode = monitor->ExitCode();
  } else {
    if (!params.empty()) ui::Application().ShowMainForm = false;
    ui::Application().Run();
  }
  if (PresetsInCacheForm) PresetsInCacheForm->Free();
  ServerLink.reset();
  Settings.reset();
  return exitCode;
}
