#pragma once
// TKitSpeedButton: a windowless push button with a strip of up to five state glyphs, a flat look with hot
// tracking, auto-repeat while held, exclusive groups and a drop-down menu. TKitButtonGlyph makes and draws
// its glyph images, which all buttons share through the glyph cache (KitGlyphList.h).
#include <functional>
#include <memory>
#include <string>

#include "KitGlyphList.h"
#include "bitmap.h"
#include "control.h"
#include "menus.h"
#include "timer.h"

enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TKitDropDownMenuPos { dmpBottom, dmpRight };
// The button states, in the order of the glyph strip's cells.
enum TKitButtonState { rbsUp, rbsDisabled, rbsDown, rbsExclusive, rbsInactive };
using TKitNumGlyphs = int;  // 1 to 5

// Where glyph and caption go inside a painted rectangle.
struct TKitButtonLayout {
  POINT GlyphPos{0, 0};
  // The caption's rectangle, with the drop-down mark's room when the mark follows the caption.
  RECT TextBounds{0, 0, 0, 0};
  // The drop-down mark's rectangle (7 by 4), when one is drawn.
  RECT MarkRect{0, 0, 0, 0};
};

// The caption's size inside a room of the given width and height (already limited to the room).
using TCaptionMeasure = std::function<SIZE(int roomWidth, int roomHeight)>;
// Places glyph (glyphSize; 0 by 0 without one) and caption in a client rectangle of clientSize, then offsets
// everything by origin. margin and spacing -1 mean "centred" and "computed".
TKitButtonLayout CalcButtonLayout(SIZE clientSize, POINT origin, SIZE glyphSize, const TCaptionMeasure& measure,
                                  TButtonLayout layout, int margin, int spacing, bool drawMark);

// The glyph strip and its images for one button.
class TKitButtonGlyph {
 public:
  TKitButtonGlyph();
  ~TKitButtonGlyph();
  TKitButtonGlyph(const TKitButtonGlyph&) = delete;
  TKitButtonGlyph& operator=(const TKitButtonGlyph&) = delete;

  ui::TBitmap* Glyph() { return &FOriginal; }
  // A copy of the bitmap (nullptr empties it); the glyph count follows the strip's shape.
  void SetGlyph(ui::TBitmap* glyph);
  // Call after drawing on Glyph() directly.
  void GlyphChanged();
  TKitNumGlyphs NumGlyphs() const { return FNumGlyphs; }
  // Above 5 is 5; 0 and below are ignored.
  void SetNumGlyphs(TKitNumGlyphs value);
  ui::TColor TransparentColor() const { return FTransparentColor; }
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool v);
  ui::TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(ui::TAlignment v);

  // One cell of the strip; 0 by 0 for an empty or zero-sided glyph.
  SIZE CellSize() const;
  // The strip cell a state's image comes from, or -1 when it is made from another (disabled, inactive).
  static int CellOfState(TKitButtonState state, int numGlyphs);
  // The image of a state in the shared list, made on first use; -1 when there is nothing to draw.
  int GlyphIndex(TKitButtonState state);
  TGlyphList* GlyphList() const { return FGlyphList; }
  // Lets every image go (system colours or the glyph changed).
  void Invalidate();

  // Draws glyph, drop-down mark and caption into rect of the canvas; returns the text's rectangle.
  RECT Draw(ui::TCanvas& canvas, const RECT& rect, POINT offset, const std::string& caption, TButtonLayout layout,
            int margin, int spacing, bool drawMark, TKitButtonState glyphState, TKitButtonState textState);

  std::function<void()> OnChange;

 private:
  void MakeCell(int cell, ui::TBitmap& out) const;
  void DrawMark(HDC dc, const RECT& mark, bool disabled) const;
  void DrawCaption(ui::TCanvas& canvas, const std::string& caption, RECT bounds, bool disabled) const;
  UINT TextFlags() const;
  void Changed();
  ui::TBitmap FOriginal;
  TGlyphList* FGlyphList = nullptr;
  int FIndexs[5] = {-1, -1, -1, -1, -1};
  ui::TColor FTransparentColor = ui::clNone;
  TKitNumGlyphs FNumGlyphs = 1;
  bool FWordWrap = false;
  ui::TAlignment FAlignment = ui::taCenter;
};

class TKitSpeedButton : public ui::TGraphicControl {
  UI_CLASS(TKitSpeedButton, ui::TGraphicControl)
 public:
  explicit TKitSpeedButton(ui::TComponent* owner);
  ~TKitSpeedButton() override;

  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int v);
  TButtonStyle Style() const { return FStyle; }
  void SetStyle(TButtonStyle v);
  bool Down() const { return FDown; }
  void SetDown(bool v);
  bool Flat() const { return FFlat; }
  void SetFlat(bool v);
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool v);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout v);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int v);
  int Margin() const { return FMargin; }
  void SetMargin(int v);
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int v) { FModalResult = v; }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool v);
  bool MarkDropDown() const { return FMarkDropDown; }
  void SetMarkDropDown(bool v);
  ui::TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
  void SetDropDownMenu(ui::TPopupMenu* menu);
  TKitDropDownMenuPos MenuPosition() const { return FMenuPosition; }
  void SetMenuPosition(TKitDropDownMenuPos v) { FMenuPosition = v; }
  bool GrayedInactive() const { return FGrayedInactive; }
  void SetGrayedInactive(bool v);
  bool AllowTimer() const { return FAllowTimer; }
  void SetAllowTimer(bool v);
  int InitPause() const { return FInitPause; }
  void SetInitPause(int v) { FInitPause = uint16_t(v); }
  int RepeatInterval() const { return FRepeatInterval; }
  void SetRepeatInterval(int v) { FRepeatInterval = uint16_t(v); }
  ui::TAlignment Alignment() const { return FGlyph->Alignment(); }
  void SetAlignment(ui::TAlignment v) { FGlyph->SetAlignment(v); }
  bool WordWrap() const { return FGlyph->WordWrap(); }
  void SetWordWrap(bool v) { FGlyph->SetWordWrap(v); }
  ui::TBitmap* Glyph() const { return FGlyph->Glyph(); }
  void SetGlyph(ui::TBitmap* glyph) { FGlyph->SetGlyph(glyph); }
  TKitNumGlyphs NumGlyphs() const { return FGlyph->NumGlyphs(); }
  void SetNumGlyphs(TKitNumGlyphs v) { FGlyph->SetNumGlyphs(v); }
  TKitButtonGlyph* ButtonGlyph() const { return FGlyph.get(); }

  TKitButtonState State() const { return FState; }
  bool Dragging() const { return FDragging; }
  bool MenuTracking() const { return FMenuTracking; }
  bool Hovered() const { return FHovered; }
  // The repeat timer runs.
  bool Repeating() const { return FRepeatTimer && FRepeatTimer->Enabled(); }
  // Where the drop-down menu opens, in client coordinates.
  POINT MenuPoint() const;
  // Drops the menu at a client point: always when manual, else only for a menu that pops up by itself.
  bool CheckMenuDropDown(POINT clientPoint, bool manual);

  // The click: the parent form takes ModalResult, then OnClick runs.
  virtual void ClickWithModalResult();
  void Click() override { ClickWithModalResult(); }
  void Paint(ui::TCanvas& canvas) override;
  void Loaded() override;
  void WndProc(ui::TMessage& message) override;
  bool DialogChar(char key) override;
  void ActionChange(ui::TAction* sender) override;
  void SetEnabled(bool enabled) override;
  void SetVisible(bool visible) override;

  // The buttons that exist now.
  static int ButtonCount();

 protected:
  void Destroying() override;
  void Notification(ui::TComponent* component, ui::TOperation operation) override;
  void MouseDown(ui::TMouseButton button, ui::TSet32 shift, int x, int y) override;
  void MouseMove(ui::TSet32 shift, int x, int y) override;
  void MouseUp(ui::TMouseButton button, ui::TSet32 shift, int x, int y) override;
  void DblClick() override;
  virtual void PressMouse(ui::TMouseButton button, ui::TSet32 shift, int x, int y);
  // Glyph, mark and caption into the painted rectangle.
  virtual void PaintGlyphAndText(ui::TCanvas& canvas, const RECT& rect, bool drawMark, TKitButtonState state);
  // The state the button is drawn in now (12.1 and 12.2 of its paint: settled, then inactive when flat).
  TKitButtonState SettleState();
  TKitButtonState PaintedState() const;

 private:
  void ButtonPressed(int group, TKitSpeedButton* sender);
  void UpdateExclusive();
  void UpdateTracking();
  void SetHovered(bool hovered);
  bool CursorOverButton() const;
  // A press that cannot end by a release (capture lost, disabled, hidden): no click, timer off, drawn up.
  void EndPress();
  void TimerExpired();
  // A setter of something the button shows: repainted when it changed.
  template <class T>
  void ChangeLook(T& field, T value) {
    if (field == value) return;
    field = value;
    Invalidate();
  }
  void DrawFrame(HDC dc, RECT& rect, TKitButtonState state) const;
  void FillDither(HDC dc, const RECT& rect) const;
  int FGroupIndex = 0;
  TButtonStyle FStyle = bsAutoDetect;
  std::unique_ptr<TKitButtonGlyph> FGlyph;
  ui::TBitmap FDrawImage;
  bool FDown = false;
  bool FDragging = false;
  bool FFlat = false;
  bool FHovered = false;
  bool FAllowAllUp = false;
  TButtonLayout FLayout = blGlyphTop;
  int FSpacing = 1;
  int FMargin = -1;
  int FModalResult = 0;
  bool FTransparent = false;
  bool FMarkDropDown = true;
  ui::TPopupMenu* FDropDownMenu = nullptr;
  TKitDropDownMenuPos FMenuPosition = dmpBottom;
  bool FGrayedInactive = true;
  bool FMenuTracking = false;
  ui::TTimer* FRepeatTimer = nullptr;
  bool FAllowTimer = false;
  uint16_t FInitPause = 500;
  uint16_t FRepeatInterval = 100;
  bool FClicking = false;
  TKitButtonState FState = rbsUp;
};
