#pragma once
// The plain controls: panel, push button, one-line edit.
#include "control.h"

namespace ui {

enum TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public TWinControl {
  UI_CLASS(TPanel, TWinControl)
 public:
  explicit TPanel(TComponent* owner);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut v);

 protected:
  void PaintWindow(TCanvas& canvas) override;

 private:
  TBevelCut FBevelOuter = bvRaised;
};

class TButton : public TWinControl {
  UI_CLASS(TButton, TWinControl)
 public:
  explicit TButton(TComponent* owner);
  bool Default() const { return FDefault; }
  void SetDefault(bool v);
  // Set on a button of a modal form: clicking it closes the form with this result.
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int v) { FModalResult = v; }
  void Click() override;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  bool FDefault = false;
  int FModalResult = 0;
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
  TNotifyEvent OnChange;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  bool FReadOnly = false;
  int FMaxLength = 0;
};

}  // namespace ui
