#include "tool_windows.h"

#include <algorithm>
#include <vector>

#include "tarnbel_tools_globals.h"

TToolWindowMakers ToolWindowMakers;
TLauncherOps* Launcher = nullptr;

namespace {

struct TModalEntry {
  ui::TForm* Form;
  bool ReleaseAfter;
};
std::vector<TModalEntry> modalForms;

TModalEntry* FindModal(ui::TForm* form) {
  for (TModalEntry& entry : modalForms)
    if (entry.Form == form) return &entry;
  return nullptr;
}

}  // namespace

void PostClosedMessage(UINT id) {
  ui::TForm* monitor = LiveMonitorForm();
  if (!monitor) return;
  HWND window = monitor->Handle();
  while (!PostMessageA(window, id, 0, 0) && IsWindow(window)) Sleep(0);
}

ui::TModalResult ShowOnceWindowModal(ui::TForm* form) {
  modalForms.push_back({form, false});
  // Also when the loop ends by an exception: the entry goes, and a release asked for meanwhile happens.
  struct TLeave {
    ui::TForm* Form;
    ~TLeave() {
      auto entry = std::find_if(modalForms.begin(), modalForms.end(),
                                [this](const TModalEntry& e) { return e.Form == Form; });
      bool release = entry->ReleaseAfter;
      modalForms.erase(entry);
      if (release) Form->Release();
    }
  } leave{form};
  return form->ShowModal();
}

bool InOnceWindowModal(ui::TForm* form) { return FindModal(form) != nullptr; }

void ReleaseOnceWindow(ui::TForm* form) {
  if (TModalEntry* entry = FindModal(form)) {
    entry->ReleaseAfter = true;
    form->SetModalResult(ui::mrCancel);
    return;
  }
  form->Release();
}
