#pragma once
// Drag and drop between controls, and dock drags: one drag at a time, held by the capture of a hidden window,
// so the cursor may go anywhere until a button comes up, Escape is pressed or the capture is lost.
#include "control.h"

namespace ui {

// What a dock drag carries to the sites it passes.
class TDragDockObject {
 public:
  TDragDockObject(TControl* control, const RECT& dockRect) : FControl(control), FDockRect(dockRect) {}
  TControl* Control() const { return FControl; }
  // The screen rectangle the control takes where it is dropped; a site's OnDockOver may change it.
  const RECT& DockRect() const { return FDockRect; }
  void SetDockRect(const RECT& r) { FDockRect = r; }

 private:
  TControl* FControl;
  RECT FDockRect;
};

// The control being dragged, or nullptr.
TControl* DragSource();
// Read in the end-of-drag events: whether the drag ended by the button's release, not by Escape or a lost
// capture (both end it without a target, as a release over no taker does).
bool DragEndedByDrop();
// Begins a dock drag of the control whatever its drag kind (a floating window's caption does this).
void BeginDockDrag(TControl* control, bool immediate, int threshold = -1);

// Scrolls the window one line or column towards the edge a client point is near: within the font's height of
// the edge, scroll bars counted 16 pixels when they have a range. True when the window scrolled.
bool ScrollNearEdges(TWinControl* control, int x, int y);

// The dock site under a screen point for a dock drag of the control: the nearest site holding the point, else a
// site within 10 pixels of it (so an empty site of no height can be found); nullptr when none.
TWinControl* FindDockSite(POINT screenPoint, TControl* dragged);

// Kept by the controls: a control that goes ends its drag or stops being the target; sites come and go.
void DragControlGone(TControl* control);
void DockSiteChanged(TWinControl* site, bool isSite);

}  // namespace ui
