#pragma once
// Drives modal dialogs of the test's own GUI thread from a second thread, as a user would: it finds the
// windows by title, sends the controls' own messages and posts clicks (a sent click would block in the
// modal loop it opens). Failures are collected, not asserted: the GUI thread reports them after the loop.
#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "dialog_windows.h"

namespace testsupport {

class DialogDriver {
 public:
  std::vector<std::string> Failures;

  // Runs steps on a second thread while modal runs here. After a failure the windows with the given
  // titles are closed, innermost first, so the modal loop ends.
  void Run(const std::function<void()>& steps, const std::function<void()>& modal,
           const std::vector<const char*>& titles) {
    std::thread driver([&] {
      try {
        steps();
      } catch (const std::string& failure) {
        Failures.push_back(failure);
        for (const char* title : titles)
          Until([&] {
            HWND w = Visible(title);
            if (w) PostMessageA(w, WM_CLOSE, 0, 0);
            return w == nullptr;
          }, 5000);
      }
    });
    modal();
    driver.join();
  }

  void Check(bool condition, const std::string& what) {
    if (!condition) throw std::string(what);
  }

  static HWND Visible(const char* title) { return VisibleWindow(title); }

  // Waits up to timeoutMs for a visible top-level window with that title.
  HWND WaitFor(const char* title, DWORD timeoutMs = 5000) {
    HWND w = nullptr;
    Check(Until([&] { return (w = Visible(title)) != nullptr; }, timeoutMs), std::string("no window ") + title);
    return w;
  }

  void WaitGone(const char* title, DWORD timeoutMs = 5000) {
    Check(Until([&] { return Visible(title) == nullptr; }, timeoutMs), std::string("still open: ") + title);
  }

  // The driver's thread owns no window: it polls without a loop of its own.
  static bool Until(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
      if (GetTickCount() - start > timeoutMs) return false;
      Sleep(10);
    }
    return true;
  }

  // The children of one window class, top to bottom.
  static std::vector<HWND> Children(HWND parent, const char* className) { return ChildrenOf(parent, className); }

  HWND Button(HWND dialog, const std::string& caption) {
    HWND button = ChildWithCaption(dialog, caption, "TButton");
    Check(button != nullptr, "no button " + caption);
    return button;
  }

  void Click(HWND dialog, const std::string& caption) { PostMessageA(Button(dialog, caption), BM_CLICK, 0, 0); }

  static std::vector<std::string> ComboItems(HWND combo) { return ComboEntries(combo); }

  // Selects the entry with that text in a list of the dialog, with the notice a user's pick sends.
  void Choose(HWND /*dialog*/, HWND combo, const std::string& text) {
    Check(ChooseEntry(combo, text), "no entry " + text);
  }

  static std::string ComboText(HWND combo) { return ComboSelection(combo); }
};

}  // namespace testsupport

// The names the tools program's tests have always used.
namespace toolstest {
using testsupport::DialogDriver;
}  // namespace toolstest
