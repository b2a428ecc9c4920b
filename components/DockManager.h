#pragma once
// Dockable toolbars for a window: rows of toolbars in dock panels at its edges, torn off to float, shown and
// hidden from a popup menu, with places, visibility and style kept under the window's registry key.
#include <memory>
#include <string>
#include <vector>

#include "form.h"
#include "menus.h"
#include "std_controls.h"
#include "timer.h"
#include "toolbar.h"

class TDockManager;
class TCustomizeToolbarsForm;

namespace ui {
class TImageList;
}

// One toolbar docked in a panel, with the state of its mouse drag and of the row layout.
struct TDockedToolbar {
  explicit TDockedToolbar(ui::TToolBar* toolbar) : Toolbar(toolbar) {}
  ui::TToolBar* Toolbar;
  bool Placed = false;
  int Moves = 0;
  bool Pressed = false;
  int PressX = 0, PressY = 0;
  int LastX = -1, LastY = -1;
  ui::TDragMode SavedDragMode = ui::dmManual;
};

class TPanelDockManager {
 public:
  TPanelDockManager(TDockManager* owner, ui::TPanel* panel);
  ~TPanelDockManager();
  TPanelDockManager(const TPanelDockManager&) = delete;
  TPanelDockManager& operator=(const TPanelDockManager&) = delete;

  ui::TPanel* Panel() const { return FPanel; }
  ui::TForm* Form() const;
  // Rows are columns in a panel at the left or right edge.
  bool Vertical() const;
  int ToolbarCount() const { return int(FToolbars.size()); }
  TDockedToolbar* Toolbars(int index) const { return FToolbars.at(size_t(index)).get(); }
  TDockedToolbar* Find(ui::TToolBar* toolbar) const;
  ui::TTimer* RealignTimer() const { return FRealignTimer; }

  void AddToolbar(ui::TToolBar* toolbar);
  // Safe to call again for a toolbar already gone from the panel.
  void RemoveToolbar(ui::TToolBar* toolbar);
  void ArrangeToolbars();
  void ExpandToolbars();
  // The manager lets go of a panel or toolbar being freed.
  void Forget(ui::TComponent* component);

 private:
  void ToolbarMouseMove(ui::TToolBar* toolbar, int x, int y);
  void StartDrag(ui::TToolBar* toolbar);
  void Realign();
  int Along(const ui::TControl* c) const;
  int Across(const ui::TControl* c) const;
  void Place(ui::TControl* c, int along, int across);

  TDockManager* FOwner;
  ui::TPanel* FPanel;
  std::vector<std::unique_ptr<TDockedToolbar>> FToolbars;
  ui::TTimer* FRealignTimer;
};

class TDockManager {
 public:
  TDockManager(ui::TForm* form, const std::string& sharedToolbarCaption, ui::TImageList* sharedGrayImages,
               ui::TImageList* sharedImages, ui::TImageList* ownGrayImages, ui::TImageList* ownImages,
               const std::string& root);
  // Stores the layout of every toolbar and lets go of everything it hooked.
  ~TDockManager();
  TDockManager(const TDockManager&) = delete;
  TDockManager& operator=(const TDockManager&) = delete;

  ui::TForm* Form() const { return FForm; }
  const std::string& KeyPath() const { return FKeyPath; }
  int PanelCount() const { return int(FPanels.size()); }
  TPanelDockManager* PanelManagers(int index) const { return FPanels.at(size_t(index)).get(); }
  TPanelDockManager* PanelManagerOf(const ui::TWinControl* panel) const;
  bool Dockable() const { return FDockable; }
  bool Flat() const { return FFlat; }
  bool Border() const { return FBorder; }
  bool HotTrack() const { return FHotTrack; }
  ui::TPopupMenu* PopupMenu() const { return FPopupMenu; }
  TCustomizeToolbarsForm* CustomizeForm() const { return FCustomizeForm; }
  // The window's toolbars, in its component order.
  std::vector<ui::TToolBar*> Toolbars() const;

  void AddDockPanel(ui::TPanel* panel);
  void SetFlat(bool b);
  void SetBorder(bool b);
  void SetDockable(bool b);
  void SetHotTrack(bool b);
  void ArrangeToolbars();
  void ExpandToolbars();
  void ShowCustomizeForm();

 private:
  friend class TPanelDockManager;
  class TWatcher;
  void ApplyFlat();
  void ApplyBorder();
  void ApplyHotTrack();
  void RestoreToolbar(ui::TToolBar* toolbar);
  void StoreToolbar(ui::TToolBar* toolbar);
  void PopupMenuShown();
  void ToggleToolbar(const std::string& caption, bool wasChecked);
  void StoreBool(const std::string& name, bool value);
  void Forget(ui::TComponent* component);

  ui::TForm* FForm;
  std::string FSharedToolbarCaption;
  ui::TImageList *FSharedGrayImages, *FSharedImages, *FOwnGrayImages, *FOwnImages;
  std::string FKeyPath;
  bool FFlat = true, FBorder = true, FDockable = true, FHotTrack = true;
  std::vector<std::unique_ptr<TPanelDockManager>> FPanels;
  ui::TPopupMenu* FPopupMenu = nullptr;
  TCustomizeToolbarsForm* FCustomizeForm = nullptr;
  std::unique_ptr<TWatcher> FWatcher;
};

// An empty, borderless panel at an edge of the form, for toolbars to dock into. Aligned panels of one side
// keep the order in which they are made at their places.
ui::TPanel* MakeDockPanel(ui::TForm* form, const char* name, ui::TAlign align, int left, int top, int width,
                          int height);
