#include "tray_icon.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ico_writer.h"
#include "rate_limit.h"
#include "tarnbel_protocol.h"
#include "tick_clock.h"

namespace {

int IconWidth(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return -1;
  BITMAP bitmap{};
  GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

// Runs the test inside a fresh folder as current directory.
class TrayIconFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    FFolder = std::string(temp) + "tarnbel_tray_test";
    CreateDirectoryA(FFolder.c_str(), nullptr);
    CreateDirectoryA((FFolder + "\\icons").c_str(), nullptr);
    CreateDirectoryA((FFolder + "\\icons\\tray").c_str(), nullptr);
    GetCurrentDirectoryA(MAX_PATH, FPrevious);
    SetCurrentDirectoryA(FFolder.c_str());
  }
  void TearDown() override {
    SetCurrentDirectoryA(FPrevious);
    for (const char* name : {"idle.ico", "working.ico", "error.ico", "disabled.ico"})
      DeleteFileA((FFolder + "\\icons\\tray\\" + name).c_str());
    RemoveDirectoryA((FFolder + "\\icons\\tray").c_str());
    RemoveDirectoryA((FFolder + "\\icons").c_str());
    RemoveDirectoryA(FFolder.c_str());
  }
  std::string Tray(const char* name) { return FFolder + "\\icons\\tray\\" + name; }

  std::string FFolder;
  char FPrevious[MAX_PATH] = {};
};

}  // namespace

TEST_F(TrayIconFolderTest, FilesAreReadAtTheirOwnSizeAndMissingOrBrokenOnesFallBackToMainIcon) {
  ASSERT_TRUE(testsupport::WriteSolidIcoFile(Tray("idle.ico"), 24, 0x00FF00));
  ASSERT_TRUE(testsupport::WriteSolidIcoFile(Tray("working.ico"), 48, 0x0080FF));
  HANDLE broken = CreateFileA(Tray("error.ico").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(broken, "not an icon", 11, &written, nullptr);
  CloseHandle(broken);

  TTrayIconSet icons;
  icons.Load(GetModuleHandleA(nullptr));
  ASSERT_NE(icons.MainIcon, nullptr) << "the suite links the program's resources";
  EXPECT_EQ(IconWidth(icons.Idle), 24);
  EXPECT_EQ(IconWidth(icons.Working), 48);
  EXPECT_EQ(icons.Error, icons.MainIcon);
  EXPECT_EQ(icons.Disabled, icons.MainIcon);
  icons.Clear();
  EXPECT_EQ(icons.Idle, nullptr);
}

TEST(TrayIcons, CommittedStateIconsAreSixteenPixelIcons) {
  for (const char* name : {"idle.ico", "working.ico", "error.ico", "disabled.ico"}) {
    std::string path = std::string("Z:") + TARNBEL_SOURCE_DIR + "/resources/icons/tray/" + name;
    HANDLE icon = LoadImageA(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE);
    ASSERT_NE(icon, nullptr) << path;
    EXPECT_EQ(IconWidth(static_cast<HICON>(icon)), 16) << name;
    DestroyIcon(static_cast<HICON>(icon));
  }
}

namespace {

struct TNotifyCall {
  DWORD message;
  UINT flags;
  HWND window;
  UINT id;
  UINT callback;
  HICON icon;
  std::string tip;
};
std::vector<TNotifyCall> notifyCalls;

BOOL RecordNotify(DWORD message, NOTIFYICONDATAA* data) {
  notifyCalls.push_back({message, data->uFlags, data->hWnd, data->uID, data->uCallbackMessage, data->hIcon,
                         (data->uFlags & NIF_TIP) ? std::string(data->szTip) : std::string()});
  return TRUE;
}

}  // namespace

TEST(TrayIcons, FirstChangeAddsLaterOnesModifyOnlyTheirPartAndRemoveDeletes) {
  notifyCalls.clear();
  TNotifyIconFunction previous = SetNotifyIconFunction(&RecordNotify);
  HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234));
  HICON first = LoadIconA(nullptr, IDI_APPLICATION);
  HICON second = LoadIconA(nullptr, IDI_WARNING);
  {
    TTrayIcon tray(window);
    tray.SetIcon(first);
    tray.SetTip(std::string(100, 'x'));
    tray.SetIcon(second);
    tray.Remove();
    tray.Remove();
    tray.SetTip("no info");
  }  // freed while added: deleted
  SetNotifyIconFunction(previous);

  ASSERT_EQ(notifyCalls.size(), 6u);
  EXPECT_EQ(notifyCalls[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(notifyCalls[0].flags, static_cast<UINT>(NIF_ICON | NIF_MESSAGE));
  EXPECT_EQ(notifyCalls[0].window, window);
  EXPECT_EQ(notifyCalls[0].id, 0u);
  EXPECT_EQ(notifyCalls[0].callback, WM_TB_TRAY_CALLBACK);
  EXPECT_EQ(notifyCalls[0].icon, first);
  EXPECT_EQ(notifyCalls[1].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(notifyCalls[1].flags & (NIF_ICON | NIF_TIP), static_cast<UINT>(NIF_TIP));
  EXPECT_EQ(notifyCalls[1].tip, std::string(63, 'x'));
  EXPECT_EQ(notifyCalls[2].message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(notifyCalls[2].flags & (NIF_ICON | NIF_TIP), static_cast<UINT>(NIF_ICON));
  EXPECT_EQ(notifyCalls[2].icon, second);
  EXPECT_EQ(notifyCalls[3].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(notifyCalls[4].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_EQ(notifyCalls[4].tip, "no info");
  EXPECT_EQ(notifyCalls[5].message, static_cast<DWORD>(NIM_DELETE));
}

namespace {
uint32_t fakeNow = 0;
uint32_t FakeClock() { return fakeNow; }

class RateLimitTest : public ::testing::Test {
 protected:
  void SetUp() override { FPrevious = SetTickFunction(&FakeClock); }
  void TearDown() override { SetTickFunction(FPrevious); }
  TTickFunction FPrevious = nullptr;
};
}  // namespace

TEST_F(RateLimitTest, CallsInsideTheIntervalAreDeferredToTheTickNotLost) {
  TRateLimit limit(500);
  fakeNow = 1000;
  EXPECT_TRUE(limit.Allow());
  EXPECT_FALSE(limit.TakePending());
  fakeNow = 1200;
  EXPECT_FALSE(limit.Allow());
  fakeNow = 1499;
  EXPECT_FALSE(limit.Allow());
  EXPECT_TRUE(limit.Pending());
  // The tick runs the deferred call at once, and only once.
  EXPECT_TRUE(limit.TakePending());
  EXPECT_TRUE(limit.Allow());
  EXPECT_FALSE(limit.TakePending());
  fakeNow = 1999;
  EXPECT_TRUE(limit.Allow()) << "500 ms after the deferred run";
}

TEST_F(RateLimitTest, IntervalHoldsAcrossTheClockWrap) {
  TRateLimit limit(500);
  fakeNow = 0xFFFFFF00u;
  EXPECT_TRUE(limit.Allow());
  fakeNow = 0x50;  // 336 ms later
  EXPECT_FALSE(limit.Allow());
  fakeNow = 0x100;  // 512 ms later
  EXPECT_TRUE(limit.Allow());
}
