#pragma once
// The launcher as the editor and the manager see it: its window actions on a list with its images, and the
// notices, server starts and editor requests recorded.
#include <functional>
#include <string>
#include <vector>

#include "action.h"
#include "form.h"
#include "image_list.h"
#include "tool_windows.h"

namespace editortest {

class TTestLauncher : public TLauncherOps {
 public:
  TTestLauncher();
  ~TTestLauncher() override;
  TTestLauncher(const TTestLauncher&) = delete;
  TTestLauncher& operator=(const TTestLauncher&) = delete;

  TLauncherActions WindowActions() override { return FActions; }
  ui::TImageList* ActionImages() override { return FImages; }
  ui::TImageList* GrayActionImages() override { return FGrayImages; }
  // Counted; with ReloadsManager as the launcher does it too: the open manager reloads, the server hears of it.
  void PostMappingsChanged() override;
  // Hides the actions of the hidden hosts and re-lays the toolbar.
  void ApplyExportVisibility(ui::TActionList* list, ui::TWinControl* toolbar) override;
  // Counted; the start is StartServer's answer, a failure without it.
  bool RunServer(bool wait) override;
  void EditMapping(const std::string& mapping) override { Edited.push_back(mapping); }

  bool ReloadsManager = false;
  int MappingsChanged = 0;
  std::function<void()> OnMappingsChanged;
  int ServerStarts = 0;
  std::function<bool(bool wait)> StartServer;
  std::vector<std::string> Edited;
  // Hosts whose exports are hidden ("Cubase", "Logic", ...).
  std::vector<std::string> HiddenHosts;

 private:
  ui::TForm* FHolder;
  ui::TImageList* FImages;
  ui::TImageList* FGrayImages;
  TLauncherActions FActions;
};

}  // namespace editortest
