#pragma once
// Dock sites and the small tool window a floating control lives in.
#include "drag_drop.h"
#include "form.h"

namespace ui {

// The window of one floating control: sized to it, shown while it is visible; closing it hides the control.
// Owned by the control; dragging its caption is a dock drag of the control.
class TFloatDockForm : public TForm {
  UI_CLASS(TFloatDockForm, TForm)
 public:
  explicit TFloatDockForm(TControl* client);
  TControl* Client() const;
  // The window rectangle that holds a control at a screen rectangle.
  static RECT FrameAround(const RECT& client);
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void ChildChanged(TControl* child) override;
  void ControlListChange(TControl* control, bool inserting) override;

 private:
  friend class TControl;
  // Places the window's top-left corner at the point and fits it round the client.
  void PlaceAt(POINT topLeft);
  void FitClient();
  bool FFitting = false;
};

}  // namespace ui
