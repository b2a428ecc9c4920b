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
#include "clipboard.h"
#include "fake_shell_folder.h"
#include "standin_support.h"

using testsupport::TempFolder;

namespace {

const POINT kAt = {120, 120};

HWND FindTrackedMenu(DWORD guiThread) {
  HWND menu = FindWindowA("#32768", nullptr);
  return menu && IsWindowVisible(menu) && GetWindowThreadProcessId(menu, nullptr) == guiThread ? menu : nullptr;
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
  TMenuDriver(UINT target, WPARAM finalKey, DWORD waitMs = 5000)
      : FGui(GetCurrentThreadId()), FThread([this, target, finalKey, waitMs] { Run(target, finalKey, waitMs); }) {}
  ~TMenuDriver() { FThread.join(); }
  bool Opened() const { return FOpened; }
  bool Reached() const { return FReached; }
  bool CallbackWindowSeen() const { return FCallbackSeen; }

 private:
  void Run(UINT target, WPARAM finalKey, DWORD waitMs) {
    HWND popup = nullptr;
    if (!WaitFor([&] { return (popup = FindTrackedMenu(FGui)) != nullptr; }, waitMs)) return;
    FOpened = true;
    FCallbackSeen = FindWindowA("ItemPropMenuCallbackHelper", "ItemPropCallbackProcessor") != nullptr;
    auto menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    FReached = target == 0;
    // One key at a time: a Down still queued behind a slow one would move past the target after we saw it.
    bool moved = true;
    for (int step = 0; menu && moved && !FReached && step < 2 * GetMenuItemCount(menu); ++step) {
      UINT before = HilitedId(menu);
      PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
      moved = WaitFor([&] { return HilitedId(menu) != before; }, 10000);
      FReached = moved && HilitedId(menu) == target;
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

struct TRun {
  bool Result = false, Rename = true, Opened = false, Reached = false, CallbackSeen = false;
};

// Shows the menu while a second thread moves to the target entry and presses the key.
TRun RunMenu(IShellFolder* folder, LPCITEMIDLIST* items, UINT count, UINT target, WPARAM key, DWORD waitMs = 5000) {
  TRun run;
  TMenuDriver driver(target, key, waitMs);
  run.Result = DisplayContextMenu(folder, items, 0, run.Rename, count, kAt, nullptr);
  run.Opened = driver.Opened();
  run.Reached = driver.Reached();
  run.CallbackSeen = driver.CallbackWindowSeen();
  return run;
}

// A real file in the test's own folder, its parent folder and its relative ID.
class RealItemMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    FFile = FTemp.File("piano.sf2");
    testsupport::WriteBytes(FFile, "sf2");
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, FFile.c_str(), -1, wide, MAX_PATH);
    ASSERT_HRESULT_SUCCEEDED(SHParseDisplayName(wide, nullptr, &FAbsolute, 0, nullptr));
    ASSERT_HRESULT_SUCCEEDED(
        SHBindToParent(FAbsolute, IID_IShellFolder, reinterpret_cast<void**>(&FFolder), &FItem));
  }
  void TearDown() override {
    if (FFolder) FFolder->Release();
    CoTaskMemFree(FAbsolute);
    OleUninitialize();
  }
  // The id our menu gives the shell's command with this verb, read from a menu of our own.
  UINT IdOfVerb(const char* verb) {
    IContextMenu* menu = nullptr;
    if (FAILED(FFolder->GetUIObjectOf(nullptr, 1, &FItem, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu))))
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
  TRun Run(UINT target, WPARAM key) { return RunMenu(FFolder, &FItem, 1, target, key); }

  TempFolder FTemp;
  std::string FFile;
  IShellFolder* FFolder = nullptr;
  LPITEMIDLIST FAbsolute = nullptr;
  LPCITEMIDLIST FItem = nullptr;  // inside FAbsolute
};

}  // namespace

TEST_F(RealItemMenu, EscapeAfterMovingToCopyInvokesNothingAndClearsTheHint) {
  UINT copy = IdOfVerb("copy");
  ASSERT_NE(0u, copy);
  ui::Clipboard().SetAsText("marker");
  THintRecorder hints;
  TRun run = Run(copy, VK_ESCAPE);
  EXPECT_TRUE(run.Reached);
  EXPECT_TRUE(run.Result);
  EXPECT_FALSE(run.Rename);
  EXPECT_TRUE(hints.Saw("copy|"));  // Wine's menu has no help texts
  ASSERT_FALSE(hints.Hints.empty());
  EXPECT_EQ("", hints.Hints.back());
  EXPECT_EQ("marker", ui::Clipboard().AsText());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(FFile.c_str()));
  EXPECT_EQ(nullptr, FindWindowA("ItemPropMenuCallbackHelper", "ItemPropCallbackProcessor"));
}

TEST_F(RealItemMenu, CopyPutsTheFileOnTheClipboard) {
  UINT copy = IdOfVerb("copy");
  ASSERT_NE(0u, copy);
  ui::Clipboard().SetAsText("marker");
  TRun run = Run(copy, VK_RETURN);
  EXPECT_TRUE(run.Reached);
  EXPECT_TRUE(run.CallbackSeen);
  EXPECT_TRUE(run.Result);
  EXPECT_FALSE(run.Rename);
  std::vector<std::string> files = ClipboardFiles();
  ASSERT_EQ(1u, files.size());
  EXPECT_EQ(0, lstrcmpiA(FFile.c_str(), files[0].c_str())) << files[0];
}

TEST_F(RealItemMenu, AFailingCommandGivesFalse) {
  // Wine's Create Link fails (E_INVALIDARG) for a file in a plain folder.
  UINT link = IdOfVerb("link");
  ASSERT_NE(0u, link);
  TRun run = Run(link, VK_RETURN);
  EXPECT_TRUE(run.Reached);
  EXPECT_FALSE(run.Result);
  EXPECT_FALSE(run.Rename);
}

namespace {

// A menu of our own: which interfaces it offers, what it was asked and what it did.
class TFakeMenu : public IContextMenu3 {
 public:
  enum : UINT { kOther = 18, kAlpha = 0, kBeta = 1, kGamma = 5, kRen = 7, kDrawn = 8 };  // command offsets
  int Level = 3;                 // 1: IContextMenu only, 2: up to IContextMenu2, 3: all three
  HRESULT QueryResult = S_OK;
  HRESULT InvokeResult = S_OK;
  LONG Refs = 1;
  std::vector<int> Invoked;
  std::vector<UINT> Handled2, Handled3;  // messages given to HandleMenuMsg / HandleMenuMsg2

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IContextMenu) ||
        (Level >= 2 && IsEqualIID(iid, IID_IContextMenu2)) || (Level >= 3 && IsEqualIID(iid, IID_IContextMenu3))) {
      *out = static_cast<IContextMenu3*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++Refs); }
  STDMETHODIMP_(ULONG) Release() override { return ULONG(--Refs); }

  STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT, UINT flags) override {
    if (FAILED(QueryResult)) return QueryResult;
    EXPECT_EQ(UINT(CMF_EXPLORE | CMF_CANRENAME), flags);
    HMENU more = CreatePopupMenu();
    AppendMenuA(more, MF_STRING, first + kGamma, "Gamma");
    InsertMenuA(menu, index, MF_BYPOSITION | MF_STRING, first + kOther, "Nineteen");
    InsertMenuA(menu, index + 1, MF_BYPOSITION | MF_STRING, first + kAlpha, "Alpha");
    // At position 2: read as a command, its index would name Beta.
    InsertMenuA(menu, index + 2, MF_BYPOSITION | MF_POPUP, UINT_PTR(more), "More");
    InsertMenuA(menu, index + 3, MF_BYPOSITION | MF_STRING, first + kRen, "Ren");
    InsertMenuA(menu, index + 4, MF_BYPOSITION | MF_STRING, first + kBeta, "Beta");
    InsertMenuA(menu, index + 5, MF_BYPOSITION | MF_OWNERDRAW, first + kDrawn, nullptr);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, kDrawn + 1);
  }
  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override {
    EXPECT_EQ(0u, HIWORD(info->lpVerb));
    Invoked.push_back(int(LOWORD(info->lpVerb)));
    return InvokeResult;
  }
  STDMETHODIMP GetCommandString(UINT_PTR offset, UINT kind, UINT*, LPSTR text, UINT size) override {
    const char* verb = offset == kOther ? "other" : offset == kAlpha ? "alpha" : offset == kBeta ? "beta"
                     : offset == kRen ? "Rename" : nullptr;
    if (kind == GCS_HELPTEXTA && offset == kBeta) verb = "Beta help";
    else if (kind != GCS_VERBA) verb = nullptr;
    if (!verb) {
      lstrcpynA(text, "junk", int(size));  // a failing call may leave anything behind
      return E_FAIL;
    }
    lstrcpynA(text, verb, int(size));
    return S_OK;
  }
  STDMETHODIMP HandleMenuMsg(UINT msg, WPARAM, LPARAM lParam) override {
    Handled2.push_back(msg);
    Measure(msg, lParam);
    return S_OK;
  }
  STDMETHODIMP HandleMenuMsg2(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
    Handled3.push_back(msg);
    Measure(msg, lParam);
    if (result) *result = 0;
    return S_OK;
  }

 private:
  static void Measure(UINT msg, LPARAM lParam) {
    if (msg != WM_MEASUREITEM) return;
    auto mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    mis->itemWidth = 40;
    mis->itemHeight = 16;
  }
};

bool Contains(const std::vector<UINT>& messages, UINT msg) {
  for (UINT m : messages)
    if (m == msg) return true;
  return false;
}

// A folder that hands out the fake menu.
class TMenuFolder : public TFakeShellFolder {
 public:
  explicit TMenuFolder(TFakeMenu* menu) : FMenu(menu) {}
  HRESULT UIResult = S_OK;

  STDMETHODIMP GetUIObjectOf(HWND, UINT count, LPCITEMIDLIST*, REFIID iid, UINT*, void** out) override {
    *out = nullptr;
    EXPECT_EQ(2u, count);
    if (FAILED(UIResult)) return UIResult;
    return FMenu->QueryInterface(iid, out);
  }

 private:
  TFakeMenu* FMenu;
};

TRun RunFakeMenu(TMenuFolder& folder, UINT target, WPARAM key, DWORD waitMs = 5000) {
  BYTE empty[2] = {0, 0};
  LPCITEMIDLIST items[] = {reinterpret_cast<LPCITEMIDLIST>(empty), reinterpret_cast<LPCITEMIDLIST>(empty)};
  return RunMenu(&folder, items, 2, target, key, waitMs);
}

}  // namespace

TEST(KitItemProps, ChosenCommands) {
  struct Case {
    const char* what;
    UINT offset;
    HRESULT invokeResult;
    bool result, rename;
    int invoked;  // -1: nothing
  } cases[] = {
      {"plain command", TFakeMenu::kBeta, S_OK, true, false, int(TFakeMenu::kBeta)},
      {"failing command", TFakeMenu::kBeta, E_INVALIDARG, false, false, int(TFakeMenu::kBeta)},
      {"the shell's rename id", TFakeMenu::kOther, S_OK, true, true, -1},
      {"an entry whose verb is rename", TFakeMenu::kRen, E_FAIL, true, true, -1},
  };
  for (const Case& c : cases) {
    TFakeMenu menu;
    menu.InvokeResult = c.invokeResult;
    TMenuFolder folder(&menu);
    TRun run = RunFakeMenu(folder, c.offset + 1, VK_RETURN);
    EXPECT_TRUE(run.Reached) << c.what;
    EXPECT_EQ(c.result, run.Result) << c.what;
    EXPECT_EQ(c.rename, run.Rename) << c.what;
    EXPECT_EQ(c.invoked < 0 ? std::vector<int>{} : std::vector<int>{c.invoked}, menu.Invoked) << c.what;
    EXPECT_EQ(1, menu.Refs) << c.what;  // every interface it handed out was released
  }
}

TEST(KitItemProps, HintsSkipSubmenusAndFailedTexts) {
  TFakeMenu menu;
  TMenuFolder folder(&menu);
  THintRecorder hints;
  // Down over "Nineteen", "Alpha" and the "More" submenu to "Ren", then Escape.
  TRun run = RunFakeMenu(folder, TFakeMenu::kRen + 1, VK_ESCAPE);
  EXPECT_TRUE(run.Reached);
  EXPECT_TRUE(run.Result);
  EXPECT_FALSE(run.Rename);
  EXPECT_TRUE(menu.Invoked.empty());
  EXPECT_EQ((std::vector<std::string>{"other|", "alpha|", "Rename|", ""}), hints.Hints);

  TRun beta = RunFakeMenu(folder, TFakeMenu::kBeta + 1, VK_ESCAPE);
  EXPECT_TRUE(beta.Reached);
  EXPECT_TRUE(hints.Saw("beta|Beta help"));
}

TEST(KitItemProps, MenuMessagesGoToTheNewestInterface) {
  for (int level = 1; level <= 3; ++level) {
    TFakeMenu menu;
    menu.Level = level;
    TMenuFolder folder(&menu);
    TRun run = RunFakeMenu(folder, 0, VK_ESCAPE);
    EXPECT_TRUE(run.Opened) << level;
    EXPECT_TRUE(run.Result) << level;
    const std::vector<UINT>& got = level == 3 ? menu.Handled3 : menu.Handled2;
    const std::vector<UINT>& none = level == 3 ? menu.Handled2 : menu.Handled3;
    if (level == 1) {
      EXPECT_TRUE(menu.Handled2.empty() && menu.Handled3.empty());
    } else {
      EXPECT_TRUE(Contains(got, WM_INITMENUPOPUP)) << level;
      EXPECT_TRUE(Contains(got, WM_MEASUREITEM)) << level;
      EXPECT_TRUE(none.empty()) << level;
    }
    EXPECT_EQ(1, menu.Refs) << level;
  }
}

TEST(KitItemProps, NoMenuWhenTheShellGivesNone) {
  TFakeMenu menu;
  TMenuFolder folder(&menu);
  folder.UIResult = E_NOINTERFACE;
  TRun noObject = RunFakeMenu(folder, 0, VK_ESCAPE, 1000);
  EXPECT_FALSE(noObject.Result);
  EXPECT_FALSE(noObject.Opened);
  EXPECT_FALSE(noObject.Rename);

  folder.UIResult = S_OK;
  menu.QueryResult = E_FAIL;
  TRun noItems = RunFakeMenu(folder, 0, VK_ESCAPE, 1000);
  EXPECT_FALSE(noItems.Result);
  EXPECT_FALSE(noItems.Opened);
  EXPECT_EQ(1, menu.Refs);
}
