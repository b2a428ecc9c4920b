#pragma once
// The small progress window of long jobs: it shows only when the job still runs 500 ms after it was made.
#include <string>

#include "comctrls.h"
#include "form.h"
#include "timer.h"

class TProgressForm : public ui::TForm {
  UI_CLASS(TProgressForm, ui::TForm)
 public:
  explicit TProgressForm(ui::TComponent* owner);

  // The progress text is the window's caption.
  void SetText(const std::string& text) { SetCaption(text); }
  void SetMax(int max) { ProgressBar1->SetMax(max); }
  void SetProgress(int position) { ProgressBar1->SetPosition(position); }
  // Shows the window now, without waiting for its timer.
  void ShowAtOnce();

  ui::TProgressBar* ProgressBar1;
  ui::TTimer* Timer1;
};
