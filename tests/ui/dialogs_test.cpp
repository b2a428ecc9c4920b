#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "bitmap.h"
#include "clipboard.h"
#include "dialogs.h"
#include "message_box.h"
#include "picture.h"
#include "std_controls.h"
#include "sys_utils.h"
#include "text_compare.h"
#include "timer.h"
#include "pump_until.h"
#include "remote_message_box.h"
#include "ui_exceptions.h"
#include "ui_test_support.h"

using namespace ui;
using namespace uitest;

namespace {

// Answers every file dialog with a fixed result while it lives, keeping what was asked.
class FileDialogScript {
 public:
  FileDialogScript(bool answer, std::string chosen) {
    FPrevious = SetFileDialogHandler([this, answer, chosen](TFileDialogRequest& r) {
      Asked = r;
      ++Runs;
      if (answer) r.FileName = chosen;
      return answer;
    });
  }
  ~FileDialogScript() { SetFileDialogHandler(FPrevious); }
  TFileDialogRequest Asked;
  int Runs = 0;

 private:
  TFileDialogHandler FPrevious;
};

struct TDialogSearch {
  DWORD ThreadId;
  const char* Title;
  HWND Found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TDialogSearch*>(param);
  char title[64] = {};
  GetWindowTextA(window, title, sizeof title);
  if (IsWindowVisible(window) && GetWindowThreadProcessId(window, nullptr) == search->ThreadId &&
      std::string(title) == search->Title) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

TEST(Dialogs, FileDialogsAskThroughTheirSeamAndKeepTheChoice) {
  FormPtr form(new TForm(nullptr));
  form->Show();
  auto* save = new TSaveDialog(form.get());
  save->SetFilter("Mapping files (*.txt)|*.txt|All files (*.*)|*.*");
  save->SetDefaultExt("txt");
  save->SetInitialDir("C:\\mappings");
  save->SetOptions(save->Options() | (1u << ofOverwritePrompt));
  save->SetFileName("old.txt");
  {
    FileDialogScript script(true, "C:\\mappings\\new.txt");
    EXPECT_TRUE(save->Execute());
    EXPECT_TRUE(script.Asked.Save);
    EXPECT_EQ("Mapping files (*.txt)|*.txt|All files (*.*)|*.*", script.Asked.Filter);
    EXPECT_EQ("txt", script.Asked.DefaultExt);
    EXPECT_EQ("C:\\mappings", script.Asked.InitialDir);
    EXPECT_EQ("old.txt", script.Asked.FileName);
    EXPECT_TRUE(script.Asked.Options & (1u << ofOverwritePrompt));
    EXPECT_EQ(form->Handle(), script.Asked.Owner);
  }
  EXPECT_EQ("C:\\mappings\\new.txt", save->FileName());
  ASSERT_EQ(1u, save->Files().size());
  {
    FileDialogScript script(false, "ignored");
    auto* open = new TOpenDialog(form.get());
    open->SetFileName("kept.txt");
    EXPECT_FALSE(open->Execute());
    EXPECT_FALSE(script.Asked.Save);
    EXPECT_EQ("kept.txt", open->FileName());
  }
}

TEST(Dialogs, TheSystemsSaveDialogIsDrivenThroughItsFileNameBox) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string folder = temp;
  FormPtr form(new TForm(nullptr));
  form->Show();
  auto* save = new TSaveDialog(form.get());
  save->SetTitle("Export the mapping");
  save->SetFilter("Mapping files (*.txt)|*.txt");
  save->SetDefaultExt("txt");
  save->SetInitialDir(folder);
  std::atomic<bool> typed{false};
  DWORD gui = GetCurrentThreadId();
  std::thread user([&] {
    HWND dialog = nullptr;
    for (int i = 0; i < 500 && !dialog; ++i) {
      TDialogSearch search{gui, "Export the mapping", nullptr};
      EnumWindows(&MatchDialog, reinterpret_cast<LPARAM>(&search));
      dialog = search.Found;
      if (!dialog) Sleep(20);
    }
    if (!dialog) return;
    // The file name box, then OK.
    if (!SetDlgItemTextA(dialog, 0x47C, "tarnbel export")) SetDlgItemTextA(dialog, 0x480, "tarnbel export");
    typed = true;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  });
  bool chosen = save->Execute();
  user.join();
  ASSERT_TRUE(typed);
  EXPECT_TRUE(chosen);
  // The default extension was added; the folder is the initial one.
  std::string expected = folder + "tarnbel export.txt";
  EXPECT_TRUE(AnsiSameText(expected, save->FileName())) << save->FileName();
}

TEST(Dialogs, ColorDialogAndInputQueryRunThroughTheirSeams) {
  auto* dialog = new TColorDialog(nullptr);
  std::unique_ptr<TColorDialog, TFreeDeleter> owner(dialog);
  dialog->SetColor(clRed);
  dialog->SetOptions((1u << cdFullOpen) | (1u << cdAnyColor));
  TColorDialogRequest asked;
  TColorDialogHandler previous = SetColorDialogHandler([&](TColorDialogRequest& r) {
    asked = r;
    r.CustomColors[0] = RGB(1, 2, 3);
    r.Color = clLime;
    return true;
  });
  EXPECT_TRUE(dialog->Execute());
  EXPECT_EQ(clRed, asked.Color);
  EXPECT_TRUE(asked.Options & (1u << cdFullOpen));
  EXPECT_TRUE(asked.Options & (1u << cdAnyColor));
  EXPECT_EQ(clLime, dialog->Color());
  // The custom colours stay with the component for the next run; a cancel keeps the colour.
  SetColorDialogHandler([&](TColorDialogRequest& r) {
    asked = r;
    r.Color = clBlue;
    return false;
  });
  EXPECT_FALSE(dialog->Execute());
  EXPECT_EQ(COLORREF(RGB(1, 2, 3)), asked.CustomColors[0]);
  EXPECT_EQ(clLime, dialog->Color());
  SetColorDialogHandler(previous);

  std::string value = "old";
  TInputQueryHandler before = SetInputQueryHandler([](const std::string& caption, const std::string& prompt,
                                                      std::string& v) {
    v = caption + "/" + prompt + "/" + v;
    return true;
  });
  EXPECT_TRUE(InputQuery("New mapping", "Enter new mapping name:", value));
  EXPECT_EQ("New mapping/Enter new mapping name:/old", value);
  SetInputQueryHandler(before);
}

TEST(Dialogs, TheInputQueryFormTakesTypedTextAndEnterOrEscape) {
  // The user types into the query form while it runs modally, then presses Enter (or Escape).
  auto answer = [](const std::string& keys, WORD finish, std::string& value) {
    std::unique_ptr<TTimer, TFreeDeleter> timer(new TTimer(nullptr));
    timer->SetInterval(20);
    std::string caption;
    timer->OnTimer = [&](TObject*) {
      TForm* query = Screen().ActiveForm();
      if (!query || !query->Visible() || !GetFocus()) return;
      timer->SetEnabled(false);
      caption = query->Caption();
      for (char c : keys) PostMessageA(GetFocus(), WM_CHAR, WPARAM(BYTE(c)), 1);
      PostMessageA(GetFocus(), WM_KEYDOWN, finish, 1);
    };
    bool ok = InputQuery("New mapping", "Enter new mapping name:", value);
    EXPECT_EQ("New mapping", caption);
    return ok;
  };
  std::string value = "default";
  EXPECT_TRUE(answer("rock", VK_RETURN, value));
  EXPECT_EQ("rock", value);  // the old text was selected and replaced
  value = "kept";
  EXPECT_FALSE(answer("zzz", VK_ESCAPE, value));
  EXPECT_EQ("kept", value);
}

TEST(Clipboard, TextBuffersAndPicturesGoThroughTheClipboard) {
  Clipboard().SetAsText("Logic patch list");
  EXPECT_TRUE(Clipboard().HasFormat(CF_TEXT));
  EXPECT_EQ("Logic patch list", Clipboard().AsText());

  // Two formats inside one bracket: the second does not empty out the first.
  UINT format = TClipboard::RegisterFormat("tarnbel test format");
  EXPECT_EQ(format, TClipboard::RegisterFormat("tarnbel test format"));
  const uint8_t bytes[] = {0, 1, 2, 250, 0, 7};
  {
    TClipboardOpen open;
    Clipboard().SetAsText("both");
    Clipboard().SetBuffer(format, bytes, sizeof bytes);
  }
  EXPECT_EQ("both", Clipboard().AsText());
  std::vector<uint8_t> back = Clipboard().GetBuffer(format);
  ASSERT_GE(back.size(), sizeof bytes);
  EXPECT_EQ(0, memcmp(bytes, back.data(), sizeof bytes));
  // A later write empties it first.
  Clipboard().SetAsText("alone");
  EXPECT_FALSE(Clipboard().HasFormat(format));

  // A bitmap out and back through the picture's clipboard format.
  TBitmap bitmap;
  bitmap.SetSize(4, 3);
  bitmap.Canvas().SetPixel(1, 1, clRed);
  Clipboard().Assign(CF_BITMAP, bitmap);
  ASSERT_TRUE(Clipboard().HasFormat(CF_BITMAP));
  TPicture picture;
  EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_BITMAP));
  {
    TClipboardOpen open;
    picture.LoadFromClipboardFormat(CF_BITMAP, GetClipboardData(CF_BITMAP));
  }
  ASSERT_NE(nullptr, picture.Graphic());
  EXPECT_EQ(4, picture.Width());
  EXPECT_EQ(3, picture.Height());
  EXPECT_EQ(COLORREF(RGB(255, 0, 0)), COLORREF(picture.Bitmap()->Canvas().Pixels(1, 1)));
  EXPECT_FALSE(TPicture::SupportsClipboardFormat(format));
  EXPECT_THROW(picture.LoadFromClipboardFormat(format, nullptr), EInvalidGraphic);
}

// A box is as wide as its longest word: a long name without blanks would run off the screen.
TEST(Dialogs, AMessageBoxStaysWithinTheScreenAndShowsItsWholeText) {
  for (const std::string& text : {"Mapping \"" + std::string(218, 'W') + "\" already exists.", std::string(2000, 'x')}) {
    std::thread shower([text] { ShowMessageBox(text, "wide box test", MB_OK); });
    HWND box = nullptr;
    if (!testsupport::PumpUntil([&] { return (box = testsupport::FindMessageBoxOf(GetCurrentProcessId())) != nullptr; }, 5000)) {
      shower.detach();  // a box that never came must not hold the suite
      FAIL() << "no box";
    }
    RECT rect{};
    GetWindowRect(box, &rect);
    EXPECT_LE(rect.right - rect.left, GetSystemMetrics(SM_CXSCREEN));
    std::string shown;
    for (char ch : testsupport::MessageBoxText(box))
      if (ch != '\r' && ch != '\n') shown += ch;
    EXPECT_EQ(text, shown);
    testsupport::ClickMessageBoxButton(box, IDOK);
    shower.join();
  }
}

// A name in a double-byte code page is broken and shortened between its characters, never inside one.
TEST(Dialogs, BoxTextKeepsDoubleByteCharactersWhole) {
  std::string name;
  for (int i = 0; i < 20000; ++i) name += "\x93\xfa\x96\x7b";  // kanji of code page 932
  HDC dc = GetDC(nullptr);
  for (size_t length : {size_t(400), name.size()}) {
    const std::string shown = FitBoxText("Input \"" + name.substr(0, length) + "\"", dc, 640, 240, 40, 932);
    EXPECT_NE(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, shown.data(), int(shown.size()), nullptr, 0), 0)
        << length << " bytes of kanji shown as " << shown.size();
  }
  ReleaseDC(nullptr, dc);
}
