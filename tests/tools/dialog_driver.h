#pragma once
// Drives modal dialogs of the test's own GUI thread from a second thread, as a user would: it finds the
// windows by title, sends the controls' own messages and posts clicks (a sent click would block in the
// modal loop it opens). Failures are collected, not asserted: the GUI thread reports them after the loop.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace toolstest {

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

  static HWND Visible(const char* title) {
    HWND w = FindWindowA(nullptr, title);
    return w && IsWindowVisible(w) ? w : nullptr;
  }

  // Waits up to timeoutMs for a visible top-level window with that title.
  HWND WaitFor(const char* title, DWORD timeoutMs = 5000) {
    HWND w = nullptr;
    Check(Until([&] { return (w = Visible(title)) != nullptr; }, timeoutMs), std::string("no window ") + title);
    return w;
  }

  void WaitGone(const char* title, DWORD timeoutMs = 5000) {
    Check(Until([&] { return Visible(title) == nullptr; }, timeoutMs), std::string("still open: ") + title);
  }

  static bool Until(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
      if (GetTickCount() - start > timeoutMs) return false;
      Sleep(10);
    }
    return true;
  }

  struct Search {
    const char* Class;
    std::vector<HWND> Found;
  };
  // Callbacks are stdcall on 32-bit Windows, which a lambda cannot be.
  static BOOL CALLBACK CollectChild(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    if (std::string(name) == s->Class) s->Found.push_back(w);
    return TRUE;
  }

  // The children of one window class, top to bottom.
  static std::vector<HWND> Children(HWND parent, const char* className) {
    Search search{className, {}};
    EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&search));
    std::sort(search.Found.begin(), search.Found.end(), [](HWND a, HWND b) {
      RECT ra, rb;
      GetWindowRect(a, &ra);
      GetWindowRect(b, &rb);
      return ra.top < rb.top;
    });
    return search.Found;
  }

  HWND Button(HWND dialog, const std::string& caption) {
    for (HWND b : Children(dialog, "TButton")) {
      char text[64] = {};
      GetWindowTextA(b, text, sizeof text);
      if (caption == text) return b;
    }
    Check(false, "no button " + caption);
    return nullptr;
  }

  void Click(HWND dialog, const std::string& caption) { PostMessageA(Button(dialog, caption), BM_CLICK, 0, 0); }

  static std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    int count = int(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      char text[256] = {};
      SendMessageA(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
      items.push_back(text);
    }
    return items;
  }

  // Selects the entry with that text and sends the notice that CB_SETCURSEL does not.
  void Choose(HWND dialog, HWND combo, const std::string& text) {
    int index = int(SendMessageA(combo, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(text.c_str())));
    Check(index >= 0, "no entry " + text);
    SendMessageA(combo, CB_SETCURSEL, WPARAM(index), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  }

  static std::string ComboText(HWND combo) {
    int index = int(SendMessageA(combo, CB_GETCURSEL, 0, 0));
    if (index < 0) return "";
    char text[256] = {};
    SendMessageA(combo, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text));
    return text;
  }
};

}  // namespace toolstest
