#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "KitConst.h"
#include "KitDateUtil.h"
#include "KitFileUtil.h"
#include "KitMaxMin.h"
#include "KitStrUtils.h"
#include "KitWinUtils.h"
#include "form.h"
#include "message_box_recorder.h"
#include "sys_utils.h"
#include "ui_exceptions.h"

using namespace ui;

TEST(KitStrUtils, ReplaceStr) {
  struct Case {
    const char *s, *search, *replacement, *expected;
  } cases[] = {
      {"aaa", "aa", "a", "aa"},          // inserted text is not scanned again
      {"abcabc", "b", "xx", "axxcaxxc"},
      {"abc", "", "x", "abc"},           // an empty search never matches
      {"", "a", "b", ""},
      {"abc", "abcd", "x", "abc"},
      {"a.b.c", ".", "", "abc"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, ReplaceStr(c.s, c.search, c.replacement)) << c.s << "/" << c.search;
}

TEST(KitStrUtils, Words) {
  struct Case {
    const char* s;
    int count;
    int n;
    int position;
    const char* word;
  } cases[] = {
      {"1, 2,,3", 3, 2, 4, "2"},
      {"1, 2,,3", 3, 3, 7, "3"},
      {"1, 2,,3", 3, 4, 0, ""},
      {"", 0, 1, 0, ""},
      {",, ,", 0, 1, 0, ""},
      {"  lead trail  ", 2, 1, 3, "lead"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.count, WordCount(c.s, " ,")) << c.s;
    EXPECT_EQ(c.position, WordPosition(c.n, c.s, " ,")) << c.s << " #" << c.n;
    EXPECT_EQ(c.word, ExtractWord(c.n, c.s, " ,")) << c.s << " #" << c.n;
  }
  EXPECT_EQ("x  ", DelBSpace("   x  "));
  EXPECT_EQ("\tx", DelBSpace("\tx"));
}

TEST(KitStrUtils, XorScramble) {
  EXPECT_EQ("616263", XorEncode("", "abc"));
  EXPECT_EQ("abc", XorDecode("", "616263"));
  EXPECT_EQ("a b", XorDecode("", "61zz62"));  // a pair that is not hex reads as a blank
  EXPECT_EQ("a", XorDecode("", "617"));       // an odd last character is ignored
  std::string secret = std::string("pass\0word\xFF", 10);
  std::string coded = XorEncode("key", secret);
  EXPECT_EQ(20u, coded.size());
  EXPECT_EQ(coded, ui::LowerCase(coded));
  EXPECT_EQ(secret, XorDecode("key", coded));
  EXPECT_EQ("0a", XorEncode("k", "a"));  // 'a' ^ 'k' = 0x0a
}

TEST(KitFileUtil, NormalDirAndFolders) {
  struct Case {
    const char *in, *out;
  } cases[] = {{"C", "C:\\"}, {"z", "z:\\"}, {"C:", "C:"}, {"C:\\x", "C:\\x\\"}, {"C:\\x\\", "C:\\x\\"},
               {"", ""},      {"1", "1\\"}};
  for (const Case& c : cases) EXPECT_EQ(c.out, NormalDir(c.in)) << c.in;
  std::string temp = GetTempDir();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ('\\', temp.back());
  EXPECT_TRUE(DirExists(temp));
  EXPECT_NE('\\', GetWindowsDir().back());
  EXPECT_TRUE(DirExists(GetSystemDir()));
  EXPECT_FALSE(DirExists(GetSystemDir() + "\\no-such-folder"));
  EXPECT_FALSE(DirExists(""));
}

TEST(KitWinUtils, SmallRoutines) {
  EXPECT_EQ(3, Max(-2, 3));
  EXPECT_EQ(-2, Min(-2, 3));
  EXPECT_EQ(TColor(0x020000FF), PaletteColor(clRed));
  EXPECT_EQ(TColor(0x02000000 | GetSysColor(COLOR_BTNFACE)), PaletteColor(clBtnFace));
  EXPECT_EQ(nullptr, AllocMemo(0));
  void* block = AllocMemo(16);
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(0, static_cast<char*>(block)[15]);
  FreeMemo(block);
  EXPECT_EQ(nullptr, block);
  // Unaligned starts and lengths that are not a multiple of four.
  char a[16] = "abcdefghijklmno", b[16] = "xbcdefghijklmnQ";
  EXPECT_TRUE(CompareMem(a + 1, b + 1, 13));
  EXPECT_FALSE(CompareMem(a + 1, b + 1, 14));
  EXPECT_TRUE(CompareMem(a, b, 0));
  HMemCpy(a, a + 1, 5);
  EXPECT_EQ(0, std::memcmp(a, "bcdeffg", 7));
  EXPECT_NO_THROW(RaiseWin32Error(0));
  try {
    RaiseWin32Error(ERROR_FILE_NOT_FOUND);
    FAIL();
  } catch (const EWin32Error& e) {
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), e.ErrorCode);
    EXPECT_EQ(0u, std::string(e.what()).find("Win32 Error.  Code: 2.\n"));
  }
  // Another holder's reference to the OLE automation library stays.
  HMODULE ole = LoadLibraryA("oleaut32.dll");
  ASSERT_NE(nullptr, ole);
  FreeUnusedOle();
  FreeUnusedOle();
  EXPECT_EQ(ole, GetModuleHandleA("oleaut32.dll"));
  FreeLibrary(ole);
}

TEST(KitWinUtils, KillMessagePutsBackARemovedQuit) {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
  }
  PostThreadMessageA(GetCurrentThreadId(), WM_APP + 3, 0, 0);
  KillMessage(nullptr, WM_APP + 3);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_APP + 3, WM_APP + 3, PM_NOREMOVE));
  PostQuitMessage(7);
  KillMessage(nullptr, WM_QUIT);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(UINT(WM_QUIT), m.message);
  EXPECT_EQ(7u, m.wParam);
}

TEST(KitWinUtils, MinimizeTextAndNotImplemented) {
  TBitmap bmp;
  bmp.SetSize(10, 10);
  TCanvas& c = bmp.Canvas();
  EXPECT_EQ("fits", MinimizeText("fits", c, 1000));
  std::string cut = MinimizeText("a rather long text here", c, c.TextWidth("a rather..."));
  EXPECT_EQ("a rather...", cut);
  EXPECT_EQ("...", MinimizeText("abc", c, 0));
  testsupport::MessageBoxRecorder boxes;
  EXPECT_THROW(NotImplemented(), EAbort);
  ASSERT_EQ(1u, boxes.Boxes.size());
  EXPECT_EQ(SNotImplemented, boxes.Boxes[0].Text);
  EXPECT_TRUE(boxes.Boxes[0].Flags & MB_ICONINFORMATION);
}

TEST(KitConst, CursorsFromResources) {
  RegisterKitCursors();
  HCURSOR hand = Screen().Cursors(crHand), drag = Screen().Cursors(crDragHand);
  EXPECT_EQ(LoadCursorA(GetModuleHandleA(nullptr), "KIT_HANDCUR"), hand);
  EXPECT_NE(nullptr, hand);
  EXPECT_NE(hand, drag);
  EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), drag);
  // The flag is recorded at start from the locale and stays the same.
  EXPECT_EQ(FourDigitYear(), FourDigitYear());
}

TEST(KitWinUtils, ForegroundTaskIsOneOfThisThreadsWindows) {
  std::unique_ptr<TForm, TFreeDeleter> form(new TForm(nullptr));
  form->Show();
  SetForegroundWindow(form->Handle());
  EXPECT_TRUE(IsForegroundTask());
  bool otherThread = true;
  std::thread([&] { otherThread = IsForegroundTask(); }).join();
  EXPECT_FALSE(otherThread);
}
