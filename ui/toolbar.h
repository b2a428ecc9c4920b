#pragma once
// TToolBar over the common controls' toolbar, with its TToolButtons (children of the toolbar, laid out by it).
#include <windows.h>

#include <commctrl.h>

#include "control.h"
#include "faded_image_list.h"

namespace ui {

class TImageList;
class TToolBar;

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };
enum TEdgeBorder { ebLeft, ebTop, ebRight, ebBottom };
enum TEdgeStyle { esNone, esRaised, esLowered };

class TToolButton : public TGraphicControl {
  UI_CLASS(TToolButton, TGraphicControl)
 public:
  explicit TToolButton(TComponent* owner);

  TToolBar* ToolBar() const;
  // The place among the toolbar's buttons, -1 outside a toolbar.
  int Index() const;
  TToolButtonStyle Style() const { return FStyle; }
  void SetStyle(TToolButtonStyle v);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int v);
  // Checked (a check button) or pressed (any other).
  bool Down() const { return FDown; }
  // A grouped check button going down takes the others of its group up.
  void SetDown(bool v);
  // Grouped check buttons side by side form one group.
  bool Grouped() const { return FGrouped; }
  void SetGrouped(bool v);
  // On: the down button of a group comes up when clicked again.
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool v) { FAllowAllUp = v; }
  // Shown below a drop-down button when its arrow is pressed.
  TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
  void SetDropdownMenu(TPopupMenu* menu);

  void SetCaption(const std::string& caption) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  // Only a separator's width is its own; the toolbar places every button.
  void SetBounds(int left, int top, int width, int height) override;
  void ActionChange(TAction* sender) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TToolBar;
  bool IsSeparator() const { return FStyle == tbsSeparator || FStyle == tbsDivider; }
  void Changed();
  void StateChanged();
  // The toolbar's layout placed the button here.
  void Place(const RECT& r);
  TToolButtonStyle FStyle = tbsButton;
  int FImageIndex = -1;
  bool FDown = false, FGrouped = false, FAllowAllUp = false;
  int FSeparatorWidth = 8;
  TPopupMenu* FDropdownMenu = nullptr;
  int FCommand = 0;
};

// Besides its buttons, a toolbar hosts windowed controls (a combo box, an edit): each holds a slot as
// wide as itself among the buttons, in the order the children came, and is moved onto its slot at every
// layout.
class TToolBar : public TWinControl {
  UI_CLASS(TToolBar, TWinControl)
 public:
  explicit TToolBar(TComponent* owner);

  int ButtonCount() const { return int(FButtons.size()); }
  TToolButton* Buttons(int index) const { return FButtons.at(size_t(index)); }

  // Images of the buttons; hot ones under the mouse (flat toolbars), disabled ones for disabled buttons.
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* v);
  TImageList* HotImages() const { return FHotImages; }
  void SetHotImages(TImageList* v);
  TImageList* DisabledImages() const { return FDisabledImages; }
  void SetDisabledImages(TImageList* v);
  bool Flat() const { return FFlat; }
  void SetFlat(bool v);
  bool ShowCaptions() const { return FShowCaptions; }
  void SetShowCaptions(bool v);
  // Rows wrap where the buttons no longer fit the width.
  bool Wrapable() const { return FWrapable; }
  void SetWrapable(bool v);
  // On: the toolbar takes the size of its laid-out buttons, whatever size it is given.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool v);
  int Indent() const { return FIndent; }
  void SetIndent(int v);
  // Edges drawn round the buttons on the chosen sides, and a plain border inside them.
  TSet32 EdgeBorders() const { return FEdgeBorders; }
  void SetEdgeBorders(TSet32 v);
  TEdgeStyle EdgeInner() const { return FEdgeInner; }
  void SetEdgeInner(TEdgeStyle v);
  TEdgeStyle EdgeOuter() const { return FEdgeOuter; }
  void SetEdgeOuter(TEdgeStyle v);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int v);
  int MinWidth() const { return FMinWidth; }
  void SetMinWidth(int v);
  int MinHeight() const { return FMinHeight; }
  void SetMinHeight(int v);
  // One button a row: aligned left or right, or docked in a site aligned so.
  bool Vertical() const;
  // Lays the buttons out again and, with AutoSize, fits the toolbar to them.
  void ArrangeButtons();

  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void ControlListChange(TControl* control, bool inserting) override;
  void ChildChanged(TControl* child) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TToolButton;
  // One slot of the toolbar's own window: a button, or the place of a hosted control.
  struct TSlot {
    TControl* Control;
    int Command;
  };
  int SlotIndex(const TControl* control) const;
  TToolButton* ButtonAt(int slot) const;
  void AddNativeSlot(const TSlot& slot);
  TBBUTTON NativePlaceholder(const TSlot& slot) const;
  void SyncPlaceholder(const TSlot& slot);
  void PlaceHosted(const TSlot& slot, const RECT& r);
  void SetImageList(TImageList*& field, TImageList* v);
  void ApplyImages();
  void ApplyDisabledImages();
  void ApplyStyle();
  void FrameChanged();
  int EdgeWidth(TEdgeBorder side) const;
  void CalcNonClient(RECT& r) const;
  void PaintNonClient();
  TBBUTTON NativeButton(TToolButton* b, std::string& text) const;
  BYTE NativeState(TToolButton* b) const;
  void SyncButton(TToolButton* b);
  void SyncState(TToolButton* b);
  TToolButton* ButtonOfCommand(int command) const;
  void Clicked(TToolButton* b);
  void DroppedDown(TToolButton* b);
  void UngroupOthers(TToolButton* b);

  std::vector<TToolButton*> FButtons;
  std::vector<TSlot> FSlots;  // the toolbar window's own order
  TImageList* FImages = nullptr;
  TImageList* FHotImages = nullptr;
  TImageList* FDisabledImages = nullptr;
  // Disabled buttons without disabled images of their own show these copies of the images.
  TFadedImageList FFadedImages;
  bool FFlat = false, FShowCaptions = false, FWrapable = false, FAutoSize = false;
  int FIndent = 0;
  TSet32 FEdgeBorders = 0;
  TEdgeStyle FEdgeInner = esRaised, FEdgeOuter = esLowered;
  int FBorderWidth = 0;
  int FMinWidth = 0, FMinHeight = 0;
  int FNextCommand = 1;
  bool FArranging = false;
};

}  // namespace ui
