#pragma once
// The "Toolbars" dialog: shows and hides a window's toolbars, switches their style, finds a lost one.
#include <string>

#include "form.h"
#include "list_controls.h"
#include "std_controls.h"
#include "timer.h"

class TDockManager;

class TCustomizeToolbarsForm : public ui::TForm {
  UI_CLASS(TCustomizeToolbarsForm, ui::TForm)
 public:
  explicit TCustomizeToolbarsForm(ui::TComponent* owner);

  TDockManager* DockManager() const { return FDockManager; }
  void SetDockManager(TDockManager* manager) { FDockManager = manager; }
  // Checks each toolbar's row when the toolbar is visible.
  void ShowChecks();

  ui::TCheckListBox* CheckListBox1;
  ui::TCheckBox* FlatCheckBox;
  ui::TCheckBox* FrameCheckBox;
  ui::TCheckBox* DockableCheckBox;
  ui::TCheckBox* HotTrackCheckBox;
  ui::TCheckBox* GrabbersCheckBox;
  ui::TButton* Button1;
  ui::TTimer* Timer1;

 private:
  ui::TCheckBox* MakeBox(const std::string& name, const std::string& caption, int top);
  void CheckClicked();
  void FindClicked();
  TDockManager* FDockManager = nullptr;
};
