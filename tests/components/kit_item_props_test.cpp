#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "KitItemProps.h"
#include "application.h"
#include "standin_support.h"

using testsupport::TempFolder;

namespace {

const POINT kAt = {120, 120};

struct TMenuSearch {
  DWORD ThreadId;
  HWND Found;
};

BOOL CALLBACK MatchMenuWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TMenuSearch*>(param);
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) == "#32768" && IsWindowVisible(window) &&
      GetWindowThreadProcessId(window, nullptr) == search->ThreadId) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindTrackedMenu(DWORD guiThread) {
  TMenuSearch search{guiThread, nullptr};
  EnumWindows(&MatchMenuWindow, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(10))
    if (done()) return true;
  return done();
}

UINT HilitedId(HMENU menu) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i)
    if (GetMenuState(menu, UINT(i), MF_BYPOSITION) & MF_HILITE) return GetMenuItemID(menu, i);
  return 0;
}

// Drives the GUI thread's tracked menu from a second thread: moves down until the entry with the given id
// (0: none) is highlighted, then presses the final key (Enter or Escape).
class TMenuDriver {
 public:
  TMenuDriver(UINT target, WPARAM finalKey)
      : FGui(GetCurrentThreadId()), FThread([this, target, finalKey] { Run(target, finalKey); }) {}
  ~TMenuDriver() { FThread.join(); }
  bool Opened() const { return FOpened; }
  bool Reached() const { return FReached; }
  bool CallbackWindowSeen() const { return FCallbackSeen; }

 private:
  void Run(UINT target, WPARAM finalKey) {
    HWND popup = nullptr;
    if (!WaitFor([&] { return (popup = FindTrackedMenu(FGui)) != nullptr; })) return;
    FOpened = true;
    FCallbackSeen = FindWindowA("ItemPropMenuCallbackHelper", "ItemPropCallbackProcessor") != nullptr;
    auto menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    FReached = target == 0;
    for (int step = 0; menu && !FReached && step < 2 * GetMenuItemCount(menu); ++step) {
      UINT before = HilitedId(menu);
      PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
      WaitFor([&] { return HilitedId(menu) != before; }, 1000);
      FReached = HilitedId(menu) == target;
    }
    PostMessageA(popup, WM_KEYDOWN, FReached ? finalKey : VK_ESCAPE, 0);
    WaitFor([&] { return !IsWindow(popup) || !IsWindowVisible(popup); });
  }

  DWORD FGui;
  std::atomic<bool> FOpened{false}, FReached{false}, FCallbackSeen{false};
  std::thread FThread;
};

// Every hint the application shows while a menu runs.
class THintRecorder {
 public:
  THintRecorder() {
    ui::Application().OnHint = [this](ui::TObject*) { Hints.push_back(ui::Application().Hint()); };
  }
  ~THintRecorder() { ui::Application().OnHint = nullptr; }
  bool Saw(const std::string& hint) const {
    for (const std::string& h : Hints)
      if (h == hint) return true;
    return false;
  }
  std::vector<std::string> Hints;
};

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (auto p = static_cast<const char*>(GlobalLock(data))) text = p;
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

void SetClipboardText(const std::string& text) {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
  GlobalUnlock(block);
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
}

std::vector<std::string> ClipboardFiles() {
  std::vector<std::string> files;
  if (!OpenClipboard(nullptr)) return files;
  if (auto drop = static_cast<HDROP>(GetClipboardData(CF_HDROP))) {
    UINT n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < n; ++i) {
      char name[MAX_PATH] = {};
      DragQueryFileA(drop, i, name, MAX_PATH);
      files.push_back(name);
    }
  }
  CloseClipboard();
  return files;
}

// A real file in the test's own folder, its parent folder and its relative ID.
class RealItemMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    FFile = FTemp.File("piano.sf2");
    testsupport::WriteBytes(FFile, "sf2");
    IShellFolder* desktop = nullptr;
    ASSERT_HRESULT_SUCCEEDED(SHGetDesktopFolder(&desktop));
    LPITEMIDLIST folder = nullptr;
    ASSERT_HRESULT_SUCCEEDED(SHParseDisplayName(Wide(FTemp.Path()).c_str(), nullptr, &folder, 0, nullptr));
    HRESULT hr = desktop->BindToObject(folder, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&FFolder));
    CoTaskMemFree(folder);
    desktop->Release();
    ASSERT_HRESULT_SUCCEEDED(hr);
    ULONG eaten = 0;
    std::wstring name = L"piano.sf2";
    ASSERT_HRESULT_SUCCEEDED(FFolder->ParseDisplayName(nullptr, nullptr, &name[0], &eaten, &FItem, nullptr));
  }
  void TearDown() override {
    CoTaskMemFree(FItem);
    if (FFolder) FFolder->Release();
    OleUninitialize();
  }
  static std::wstring Wide(const std::string& s) {
    std::wstring w(s.size() + 1, L'\0');
    w.resize(size_t(MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &w[0], int(w.size()))) - 1);
    return w;
  }
  // The id our menu gives the shell's command with this verb, read from a menu of our own.
  UINT IdOfVerb(const char* verb) {
    IContextMenu* menu = nullptr;
    LPCITEMIDLIST items[] = {FItem};
    if (FAILED(FFolder->GetUIObjectOf(nullptr, 1, items, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu))))
      return 0;
    HMENU popup = CreatePopupMenu();
    UINT found = 0;
    if (SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_EXPLORE | CMF_CANRENAME))) {
      for (int i = 0; i < GetMenuItemCount(popup) && !found; ++i) {
        UINT id = GetMenuItemID(popup, i);
        char text[MAX_PATH] = {};
        if (id >= 1 && id <= 0x7FFF && SUCCEEDED(menu->GetCommandString(id - 1, GCS_VERBA, nullptr, text, MAX_PATH)) &&
            lstrcmpiA(text, verb) == 0)
          found = id;
      }
    }
    DestroyMenu(popup);
    menu->Release();
    return found;
  }
  bool Show(bool& rename) {
    LPCITEMIDLIST items[] = {FItem};
    return DisplayContextMenu(FFolder, items, SFGAO_CANCOPY, rename, 1, kAt, nullptr);
  }

  TempFolder FTemp;
  std::string FFile;
  IShellFolder* FFolder = nullptr;
  LPITEMIDLIST FItem = nullptr;
};

}  // namespace

TEST_F(RealItemMenu, EscapeAfterMovingToCopyInvokesNothingAndClearsTheHint) {
  UINT copy = IdOfVerb("copy");
  ASSERT_NE(0u, copy);
  SetClipboardText("marker");
  THintRecorder hints;
  bool rename = true;
  bool shown;
  {
    TMenuDriver driver(copy, VK_ESCAPE);
    shown = Show(rename);
    // Leaving the scope joins the driver.
  }
  EXPECT_TRUE(shown);
  EXPECT_FALSE(rename);
  EXPECT_TRUE(hints.Saw("copy|"));  // Wine's menu has no help texts
  ASSERT_FALSE(hints.Hints.empty());
  EXPECT_EQ("", hints.Hints.back());
  EXPECT_EQ("marker", ClipboardText());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(FFile.c_str()));
  EXPECT_EQ(nullptr, FindWindowA("ItemPropMenuCallbackHelper", "ItemPropCallbackProcessor"));
}

TEST_F(RealItemMenu, CopyPutsTheFileOnTheClipboard) {
  UINT copy = IdOfVerb("copy");
  ASSERT_NE(0u, copy);
  SetClipboardText("marker");
  bool rename = true;
  bool shown;
  bool reached, callbackSeen;
  {
    TMenuDriver driver(copy, VK_RETURN);
    shown = Show(rename);
    reached = driver.Reached();
    callbackSeen = driver.CallbackWindowSeen();
  }
  EXPECT_TRUE(reached);
  EXPECT_TRUE(callbackSeen);
  EXPECT_TRUE(shown);
  EXPECT_FALSE(rename);
  std::vector<std::string> files = ClipboardFiles();
  ASSERT_EQ(1u, files.size());
  EXPECT_EQ(0, lstrcmpiA(FFile.c_str(), files[0].c_str())) << files[0];
}

TEST_F(RealItemMenu, AFailingCommandGivesFalse) {
  // Wine's Create Link fails (E_INVALIDARG) for a file in a plain folder.
  UINT link = IdOfVerb("link");
  ASSERT_NE(0u, link);
  bool rename = true;
  bool shown, reached;
  {
    TMenuDriver driver(link, VK_RETURN);
    shown = Show(rename);
    reached = driver.Reached();
  }
  EXPECT_TRUE(reached);
  EXPECT_FALSE(shown);
  EXPECT_FALSE(rename);
}
