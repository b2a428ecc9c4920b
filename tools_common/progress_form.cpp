#include "progress_form.h"

using namespace ui;

UI_CLASSINFO(TProgressForm)

namespace {
const int kClientWidth = 248, kClientHeight = 21;
}

TProgressForm::TProgressForm(TComponent* owner) : TForm(owner) {
  SetName("ProgressForm");
  SetCaption("ProgressForm");
  SetBorderStyle(bsSingle);
  SetBorderIcons(0);
  SetFormStyle(fsStayOnTop);
  SetPosition(poScreenCenter);
  // It takes no input: the job's window keeps the keyboard and the mouse.
  SetEnabled(false);

  ProgressBar1 = new TProgressBar(this);
  ProgressBar1->SetName("ProgressBar1");
  ProgressBar1->SetParent(this);
  ProgressBar1->SetSmooth(true);
  ProgressBar1->SetMin(0);
  ProgressBar1->SetMax(100);
  ProgressBar1->SetAlign(alClient);

  // The frame's size is the system's: measure it on the window itself.
  SetBounds(0, 0, kClientWidth, kClientHeight);
  RECT window, client;
  GetWindowRect(Handle(), &window);
  GetClientRect(Handle(), &client);
  SetBounds(0, 0, kClientWidth + (window.right - window.left) - client.right,
            kClientHeight + (window.bottom - window.top) - client.bottom);

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(500);
  Timer1->OnTimer = [this](TObject*) {
    Timer1->SetEnabled(false);
    Show();
  };
  Timer1->SetEnabled(true);
}

void TProgressForm::ShowAtOnce() {
  Timer1->SetEnabled(false);
  Show();
  UpdateWindow(Handle());
}
