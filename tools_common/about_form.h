#pragma once
// TAboutForm: the about box. Opened by the launcher's about action; when it closes it tells the monitor,
// which frees it. Ctrl+Alt+Shift+I shows or hides a hidden panel.
#include "ShelLink.h"
#include "form.h"
#include "graphic_controls.h"
#include "std_controls.h"

class TAboutForm : public ui::TForm {
  UI_CLASS(TAboutForm, ui::TForm)
 public:
  explicit TAboutForm(ui::TComponent* owner);

  ui::TShape* Shape1;
  ui::TImage* Image1;  // the logo
  ui::TLabel* Label1;  // title, version and credits
  ui::TLabel* Label2;
  TShellLink* ShellLink1;
  TShellLink* ShellLink2;
  ui::TButton* CloseButton;
  ui::TPanel* Panel1;  // hidden until the shortcut
  ui::TImage* Image2;
  ui::TLabel* Label3;

  // True once this box has told the monitor that it closed.
  bool ClosedPosted() const { return FClosedPosted; }

 private:
  void LoadLogo();
  void FormCloseQuery(bool& canClose);
  void FormKeyDown(WORD& key, ui::TSet32 shift);
  void CloseButtonClick();
  // The monitor hears of the close once per box: a second notice could free a box opened again since.
  void PostClosedOnce();

  bool FClosedPosted = false;
};

// The launcher's maker for the about box.
void RegisterAboutWindow();
