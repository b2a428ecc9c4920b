// The progress window of long jobs: shown only for jobs that outlast its timer.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdio>

#include "application.h"
#include "pump_until.h"
#include "progress_form.h"
#include "sys_utils.h"

using namespace ui;

namespace {

using ProgressPtr = std::unique_ptr<TProgressForm, TFreeDeleter>;

struct JobOutcome {
  bool Shown = false;
  DWORD ShownAfter = 0;
};

// A job of the given length that advances the bar and lets the loop run after each step, as callers do.
JobOutcome RunJob(TProgressForm* form, DWORD lengthMs) {
  JobOutcome outcome;
  DWORD start = GetTickCount();
  for (DWORD now = start; now - start < lengthMs; now = GetTickCount()) {
    form->SetProgress(int((now - start) * 100 / lengthMs));
    Application().ProcessMessages();
    if (!outcome.Shown && IsWindowVisible(form->Handle())) {
      outcome.Shown = true;
      outcome.ShownAfter = GetTickCount() - start;
    }
    Sleep(5);
  }
  return outcome;
}

}  // namespace

TEST(ProgressForm, IsASmallDisabledTopmostWindowWithAWholeBar) {
  ProgressPtr form(new TProgressForm(nullptr));
  HWND window = form->Handle();
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 248);
  EXPECT_EQ(client.bottom, 21);
  EXPECT_FALSE(IsWindowEnabled(window));
  EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(GetWindowLongPtrA(window, GWL_STYLE) & WS_SYSMENU);
  RECT bar;
  GetClientRect(form->ProgressBar1->Handle(), &bar);
  EXPECT_EQ(bar.right, 248);
  EXPECT_EQ(bar.bottom, 21);
  EXPECT_TRUE(GetWindowLongPtrA(form->ProgressBar1->Handle(), GWL_STYLE) & PBS_SMOOTH);
  EXPECT_EQ(SendMessageA(form->ProgressBar1->Handle(), PBM_GETRANGE, FALSE, 0), 100);

  // The progress text is the caption; the maximum can be set and the position stays within it.
  form->SetText("Adding preset: Piano");
  char caption[64] = {};
  GetWindowTextA(window, caption, sizeof(caption));
  EXPECT_STREQ(caption, "Adding preset: Piano");
  form->SetMax(7);
  form->SetProgress(9);
  EXPECT_EQ(SendMessageA(form->ProgressBar1->Handle(), PBM_GETRANGE, FALSE, 0), 7);
  EXPECT_EQ(SendMessageA(form->ProgressBar1->Handle(), PBM_GETPOS, 0, 0), 7);
}

TEST(ProgressForm, AShortJobNeverShowsItALongOneShowsItAfterHalfASecond) {
  ProgressPtr quick(new TProgressForm(nullptr));
  JobOutcome shortJob = RunJob(quick.get(), 300);
  EXPECT_FALSE(shortJob.Shown) << "shown after " << shortJob.ShownAfter << " ms";
  quick.reset();

  ProgressPtr slow(new TProgressForm(nullptr));
  JobOutcome longJob = RunJob(slow.get(), 2000);
  ASSERT_TRUE(longJob.Shown);
  std::printf("progress window shown after %lu ms of a 2 s job\n", static_cast<unsigned long>(longJob.ShownAfter));
  EXPECT_GE(longJob.ShownAfter, 490u);
  EXPECT_LE(longJob.ShownAfter, 1000u);
  // Centred on the work area.
  RECT work, r;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(slow->Handle(), &r);
  EXPECT_NEAR((r.left + r.right) / 2, (work.left + work.right) / 2, 1);
  EXPECT_NEAR((r.top + r.bottom) / 2, (work.top + work.bottom) / 2, 1);
}

TEST(ProgressForm, ShownAtOnceWhenTheCallerAsks) {
  ProgressPtr form(new TProgressForm(nullptr));
  form->ShowAtOnce();
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_FALSE(form->Timer1->Enabled());
}
