#pragma once
// Controls without a window of their own: label, bevel, shape, image.
#include <memory>

#include "control.h"
#include "picture.h"

namespace ui {

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TLabel : public TGraphicControl {
  UI_CLASS(TLabel, TGraphicControl)
 public:
  explicit TLabel(TComponent* owner);
  void SetCaption(const std::string& caption) override;
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment v);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout v);
  // On: the label takes the size of its text.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool v);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool v);
  // Off: the label fills its rectangle with its colour first.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool v);
  // On: '&' marks the letter that, with Alt, focuses FocusControl.
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool v);
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* control);

  void Paint(TCanvas& canvas) override;
  bool DialogChar(char key) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void FontChanged() override;

 private:
  UINT TextFlags() const;
  void AdjustBounds();
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FAutoSize = true, FWordWrap = false, FTransparent = true, FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
  UI_CLASS(TBevel, TGraphicControl)
 public:
  explicit TBevel(TComponent* owner);
  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape v);
  TBevelStyle Style() const { return FStyle; }
  void SetStyle(TBevelStyle v);
  void Paint(TCanvas& canvas) override;

 private:
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
  UI_CLASS(TShape, TGraphicControl)
 public:
  explicit TShape(TComponent* owner);
  TShapeType Shape() const { return FShape; }
  void SetShape(TShapeType v);
  const TBrush& Brush() const { return FBrush; }
  void SetBrush(const TBrush& brush);
  const TPen& Pen() const { return FPen; }
  void SetPen(const TPen& pen);
  TColor BrushColor() const { return FBrush.Color; }
  void SetBrushColor(TColor color);
  void Paint(TCanvas& canvas) override;

 private:
  TShapeType FShape = stRectangle;
  TBrush FBrush;
  TPen FPen;
};

class TImage : public TGraphicControl {
  UI_CLASS(TImage, TGraphicControl)
 public:
  explicit TImage(TComponent* owner);
  TPicture* Picture() { return &FPicture; }
  void SetPicture(TPicture* picture) { FPicture.Assign(picture); }
  // On: the control takes the size of its picture.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool v);
  bool Center() const { return FCenter; }
  void SetCenter(bool v);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool v);
  void Paint(TCanvas& canvas) override;

 private:
  void PictureChanged();
  TPicture FPicture;
  bool FAutoSize = false, FCenter = false, FStretch = false;
};

}  // namespace ui
