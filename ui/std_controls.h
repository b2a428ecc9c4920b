#pragma once
// The plain controls: panel, group box, push button, check box, radio button, one-line edit, memo.
#include "control.h"
#include "strings.h"

namespace ui {

enum TBevelCut { bvNone, bvLowered, bvRaised };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TPanel : public TWinControl {
  UI_CLASS(TPanel, TWinControl)
 public:
  explicit TPanel(TComponent* owner);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut v);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut v);
  // On: the panel fits its visible children (its height when aligned to the top or bottom, its width when
  // aligned to a side); a panel with none has no height or width.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool v);
  // Re-fits an auto-sized panel now (children that change report themselves).
  void AdjustSize() { FitChildren(); }

 protected:
  void PaintWindow(TCanvas& canvas) override;
  void ControlListChange(TControl* control, bool inserting) override;
  void ChildChanged(TControl* child) override;

 private:
  void FitChildren(TControl* leaving = nullptr);
  TBevelCut FBevelOuter = bvRaised;
  TBevelCut FBevelInner = bvNone;
  bool FAutoSize = false;
  bool FFitting = false;
};

// A frame with a caption around other controls.
class TGroupBox : public TWinControl {
  UI_CLASS(TGroupBox, TWinControl)
 public:
  explicit TGroupBox(TComponent* owner);
  void SetCaption(const std::string& caption) override;

 protected:
  void PaintWindow(TCanvas& canvas) override;
};

class TButton : public TWinControl {
  UI_CLASS(TButton, TWinControl)
 public:
  explicit TButton(TComponent* owner);
  // Enter clicks the form's default button (unless another button has the focus).
  bool Default() const { return FDefault; }
  void SetDefault(bool v);
  // Escape clicks the form's cancel button.
  bool Cancel() const { return FCancel; }
  void SetCancel(bool v) { FCancel = v; }
  // Set on a button of a modal form: clicking it closes the form with this result.
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int v) { FModalResult = v; }
  void Click() override;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  bool FDefault = false;
  bool FCancel = false;
  int FModalResult = 0;
};

// Setting the state from code clicks the box too, as the user's click does.
class TCheckBox : public TWinControl {
  UI_CLASS(TCheckBox, TWinControl)
 public:
  explicit TCheckBox(TComponent* owner);
  bool Checked() const { return FState == cbChecked; }
  void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState v);
  // The user's clicks pass through the grey state too.
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool v) { FAllowGrayed = v; }
  void ActionChange(TAction* sender) override;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
  bool FClicksDisabled = false;
};

// Checking one turns off the other radio buttons of the same parent (BM_SETCHECK alone does not).
class TRadioButton : public TWinControl {
  UI_CLASS(TRadioButton, TWinControl)
 public:
  explicit TRadioButton(TComponent* owner);
  bool Checked() const { return FChecked; }
  void SetChecked(bool v);
  void ActionChange(TAction* sender) override;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  bool FChecked = false;
  bool FClicksDisabled = false;
};

class TEdit : public TWinControl {
  UI_CLASS(TEdit, TWinControl)
 public:
  explicit TEdit(TComponent* owner);
  std::string Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool v);
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int v);
  void SelectAll();
  TNotifyEvent OnChange;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  bool FReadOnly = false;
  int FMaxLength = 0;
};

class TMemo;

// A memo's lines: read from the window when asked for, written to it on every change.
class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TMemo* memo) : FMemo(memo) {}
  void SetStrings(int index, const std::string& s) override;
  int AddObject(const std::string& s, TObject* object) override;
  void Insert(int index, const std::string& s, TObject* object = nullptr) override;
  void Delete(int index) override;
  void Clear() override;
  // Takes the window's text without writing it back.
  void Load(const std::string& text);

 protected:
  void SetUpdateState(bool updating) override;

 private:
  void Changed();
  TMemo* FMemo;
  bool FUpdating = false, FLoading = false;
};

class TMemo : public TEdit {
  UI_CLASS(TMemo, TEdit)
 public:
  explicit TMemo(TComponent* owner);
  TStrings* Lines();
  void SetLines(TStrings* lines) { Lines()->Assign(lines); }
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool v);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle v);
  // Off: Tab and Enter are the dialog's keys, not the memo's.
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool v) { FWantTabs = v; }
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool v) { FWantReturns = v; }
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  TMemoStrings FLines{this};
  bool FWordWrap = true, FWantTabs = false, FWantReturns = true;
  TScrollStyle FScrollBars = ssNone;
};

}  // namespace ui
