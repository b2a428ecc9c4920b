#pragma once
// An edit box with a small button inside its right edge, for fields in which the user chooses a folder:
// TCustomComboEdit (the behaviour), TComboEdit (the published form) and TEditButton (the button).
//
// The class library here has no masked edit: the combo edit stands on the plain edit, and EditMask is a
// text kept for the published form that nothing applies.
#include <string>

#include "KitCtrls.h"
#include "std_controls.h"

enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };

class TCustomComboEdit;

class TEditButton : public TKitSpeedButton {
  UI_CLASS(TEditButton, TKitSpeedButton)
 public:
  explicit TEditButton(ui::TComponent* owner);
  void Paint(ui::TCanvas& canvas) override;
  void ClickWithModalResult() override;

 protected:
  void PressMouse(ui::TMouseButton button, ui::TSet32 shift, int x, int y) override;

 private:
  TCustomComboEdit* Edit() const;
  bool FNoAction = false;
};

class TCustomComboEdit : public ui::TEdit {
  UI_CLASS(TCustomComboEdit, ui::TEdit)
 public:
  explicit TCustomComboEdit(ui::TComponent* owner);

  ui::TShortCut ClickKey() const { return FClickKey; }
  void SetClickKey(ui::TShortCut v) { FClickKey = v; }
  // The user's read-only wish; the window is read-only also while DirectInput is off.
  virtual bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool v);
  bool DirectInput() const { return FDirectInput; }
  void SetDirectInput(bool v);
  // On: the button (and the click key) works on a read-only edit too.
  bool AlwaysEnableButton() const { return FAlwaysEnableButton; }
  void SetAlwaysEnableButton(bool v) { FAlwaysEnableButton = v; }
  ui::TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(ui::TAlignment v);
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool v) { FAutoSelect = v; }
  int ButtonWidth() const;
  void SetButtonWidth(int v);
  std::string ButtonHint() const;
  void SetButtonHint(const std::string& v);
  TGlyphKind GlyphKind() const { return FGlyphKind; }
  void SetGlyphKind(TGlyphKind v);
  ui::TBitmap* Glyph() const;
  void SetGlyph(ui::TBitmap* glyph);
  TKitNumGlyphs NumGlyphs() const;
  void SetNumGlyphs(TKitNumGlyphs v);
  const std::string& EditMask() const { return FEditMask; }
  void SetEditMask(const std::string& v) { FEditMask = v; }
  bool CanModify() const { return !ReadOnly(); }

  TEditButton* Button() const { return FButton; }
  ui::TWinControl* ButtonContainer() const { return FBtnControl; }
  // The smaller text height of the system font and the edit's font, with room for the border.
  int MinHeight();
  // What the published form stores: Glyph only for gkCustom, ButtonWidth only when not the kind's own.
  bool IsGlyphStored() const { return FGlyphKind == gkCustom; }
  bool IsButtonWidthStored() const;

  // The button's click: OnButtonClick, then the popup when there is one.
  virtual void ButtonClick();

  ui::TNotifyEvent OnButtonClick;

  void SetBounds(int left, int top, int width, int height) override;
  void SetEnabled(bool enabled) override;
  void WndProc(ui::TMessage& message) override;

  // The popup operations; the combo edits here have no popup, so they do nothing.
  virtual ui::TBitmap* GetDefaultGlyph() { return nullptr; }
  virtual void PopupDropDown(bool /*disableEdit*/) {}
  virtual void ShowPopup(POINT /*origin*/) {}
  virtual void HidePopup() {}
  virtual bool AcceptPopup(std::string& /*value*/) { return true; }
  virtual void AcceptValue(const std::string& value);
  virtual void SetPopupValue(const std::string& /*value*/) {}
  virtual std::string GetPopupValue() { return Text(); }
  virtual std::string FormatValue(const std::string& value) const { return value; }
  bool PopupVisible() const { return FPopupVisible; }

 protected:
  void Destroying() override;
  void CreateParams(ui::TCreateParams& params) override;
  void CreateWnd() override;
  void FontChanged() override;
  void KeyDown(WORD& key, ui::TSet32 shift) override;
  void KeyPress(char& key) override;
  void CtlColor(ui::TMessage& message) override;

 private:
  void PopupCloseUp(bool accept);
  void UpdateButtonBounds();
  void SetEditRect();
  void UpdateEditReadOnly();
  void RecreateGlyph();
  ui::TWinControl* FBtnControl = nullptr;
  TEditButton* FButton = nullptr;
  ui::TShortCut FClickKey = ui::scAlt | VK_DOWN;
  bool FReadOnly = false;
  bool FDirectInput = true;
  bool FAlwaysEnableButton = false;
  ui::TAlignment FAlignment = ui::taLeftJustify;
  bool FAutoSelect = true;
  bool FPopupVisible = false;
  bool FFocused = false;
  TGlyphKind FGlyphKind = gkCustom;
  int FDefNumGlyphs = 1;
  std::string FEditMask;
  bool FCreating = false;
};

class TComboEdit : public TCustomComboEdit {
  UI_CLASS(TComboEdit, TCustomComboEdit)
 public:
  using TCustomComboEdit::TCustomComboEdit;
};

// The ellipsis glyph for a button of that width: max(1, width - 6) by 4, three 2 by 2 dots; what would
// fall outside the bitmap is left out.
void MakeEllipsisGlyph(ui::TBitmap& glyph, int buttonWidth);
