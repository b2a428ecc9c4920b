#pragma once
// A numeric edit with up and down buttons: TKitSpinEdit, the diagonal two-part TKitSpinButton it uses by
// default, and TKitUpDown, the standard up-down it uses in the other button style.
#include <memory>
#include <string>

#include "bitmap.h"
#include "comctrls.h"
#include "control.h"
#include "std_controls.h"
#include "timer.h"

enum TValueType { vtInteger, vtFloat, vtHex };
enum TSpinButtonKind { bkStandard, bkDiagonal };
enum TSpinButtonState { sbNotDown, sbTopDown, sbBottomDown };

// Two triangular halves split by the diagonal from the bottom-left to the top-right corner. Held down, a
// half steps again after 400 ms and then every 100 ms.
class TKitSpinButton : public ui::TGraphicControl {
  UI_CLASS(TKitSpinButton, ui::TGraphicControl)
 public:
  explicit TKitSpinButton(ui::TComponent* owner);
  ~TKitSpinButton() override;

  ui::TBitmap* UpGlyph() const { return FUpGlyph.get(); }
  // Nothing restores the default bitmap.
  void SetUpGlyph(ui::TBitmap* glyph);
  ui::TBitmap* DownGlyph() const { return FDownGlyph.get(); }
  void SetDownGlyph(ui::TBitmap* glyph);
  ui::TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(ui::TWinControl* control);
  // The half that looks pressed.
  TSpinButtonState Down() const { return FDown; }
  // The half a client point lies in.
  TSpinButtonState HalfAt(int x, int y) const;
  // The repeat timer runs.
  bool Repeating() const;

  ui::TNotifyEvent OnTopClick, OnBottomClick;

  void Paint(ui::TCanvas& canvas) override;
  void SetBounds(int left, int top, int width, int height) override;
  void SetEnabled(bool enabled) override;

 protected:
  void Destroying() override;
  void Notification(ui::TComponent* component, ui::TOperation operation) override;
  void MouseDown(ui::TMouseButton button, ui::TSet32 shift, int x, int y) override;
  void MouseMove(ui::TSet32 shift, int x, int y) override;
  void MouseUp(ui::TMouseButton button, ui::TSet32 shift, int x, int y) override;

 private:
  void SetDown(TSpinButtonState state);
  void HalfClick(TSpinButtonState half);
  void TimerExpired();
  void StopRepeat();
  void GlyphsChanged();
  void DrawImage(ui::TBitmap& image, TSpinButtonState pressed);
  std::unique_ptr<ui::TBitmap> FUpGlyph, FDownGlyph;
  std::unique_ptr<ui::TBitmap> FImages[3];
  ui::TWinControl* FFocusControl = nullptr;
  ui::TTimer* FRepeatTimer = nullptr;
  TSpinButtonState FDown = sbNotDown;
  TSpinButtonState FPressedHalf = sbNotDown;
  bool FDragging = false;
};

// A standard up-down with range -1 to 1 held at 0: every click shows only as a change request, so it
// never sticks at a limit.
class TKitUpDown : public ui::TUpDown {
  UI_CLASS(TKitUpDown, ui::TUpDown)
 public:
  explicit TKitUpDown(ui::TComponent* owner);
  void WndProc(ui::TMessage& message) override;
};

class TKitSpinEdit : public ui::TEdit {
  UI_CLASS(TKitSpinEdit, ui::TEdit)
 public:
  explicit TKitSpinEdit(ui::TComponent* owner);

  double Value() const;
  void SetValue(double v);
  double MinValue() const { return FMinValue; }
  void SetMinValue(double v);
  double MaxValue() const { return FMaxValue; }
  void SetMaxValue(double v);
  double Increment() const { return FIncrement; }
  void SetIncrement(double v) { FIncrement = v; }
  TValueType ValueType() const { return FValueType; }
  void SetValueType(TValueType v);
  int Decimal() const { return FDecimal; }
  void SetDecimal(int v);
  bool EditorEnabled() const { return FEditorEnabled; }
  void SetEditorEnabled(bool v) { FEditorEnabled = v; }
  bool ArrowKeys() const { return FArrowKeys; }
  void SetArrowKeys(bool v) { FArrowKeys = v; }
  TSpinButtonKind ButtonKind() const { return FButtonKind; }
  void SetButtonKind(TSpinButtonKind v);
  ui::TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(ui::TAlignment v);
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool v) { FAutoSelect = v; }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool v);

  // v limited to the range when MinValue and MaxValue differ.
  double CheckValue(double v) const;
  virtual void UpClick();
  virtual void DownClick();
  virtual bool IsValidChar(char key) const;

  // The button in use: a TKitSpinButton (diagonal) or a TKitUpDown (standard).
  TKitSpinButton* SpinButton() const { return FButton; }
  TKitUpDown* UpDown() const { return FUpDown; }
  int ButtonWidth() const;
  int MinHeight();

  ui::TNotifyEvent OnTopClick, OnBottomClick;

  void SetBounds(int left, int top, int width, int height) override;
  void SetEnabled(bool enabled) override;
  void WndProc(ui::TMessage& message) override;

 protected:
  void CreateParams(ui::TCreateParams& params) override;
  void CreateWnd() override;
  void KeyDown(WORD& key, ui::TSet32 shift) override;
  void KeyPress(char& key) override;

 private:
  void Step(bool up);
  std::string FormatValue(double v) const;
  void RecreateButton();
  void LayoutButton();
  void SetEditRect();
  double FMinValue = 0, FMaxValue = 0, FIncrement = 1;
  TValueType FValueType = vtInteger;
  int FDecimal = 2;
  bool FEditorEnabled = true, FArrowKeys = true, FAutoSelect = true, FAutoSize = true;
  TSpinButtonKind FButtonKind = bkDiagonal;
  ui::TAlignment FAlignment = ui::taLeftJustify;
  bool FChanging = false;
  ui::TWinControl* FButtonHolder = nullptr;
  TKitSpinButton* FButton = nullptr;
  TKitUpDown* FUpDown = nullptr;
};
