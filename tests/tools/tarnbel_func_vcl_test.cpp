#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "action.h"
#include "application.h"
#include "form.h"
#include "ico_writer.h"
#include "image_list.h"
#include "message_box_recorder.h"
#include "pump_until.h"
#include "sys_utils.h"
#include "tarnbel_func_vcl.h"
#include "timer.h"

using namespace ui;

namespace {

using FormPtr = std::unique_ptr<TForm, TFreeDeleter>;

// A folder under icons\ beside the test program, removed again at the end.
class IconFolder {
 public:
  explicit IconFolder(const std::string& name) : Name(name), Path(ProgramFolder() + "icons\\" + name + "\\") {
    CreateDirectoryA((ProgramFolder() + "icons").c_str(), nullptr);
    CreateDirectoryA(Path.c_str(), nullptr);
  }
  ~IconFolder() {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((Path + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do DeleteFileA((Path + fd.cFileName).c_str());
      while (FindNextFileA(h, &fd));
      FindClose(h);
    }
    RemoveDirectoryA(Path.c_str());
  }
  void Solid(const std::string& file, COLORREF color) {
    ASSERT_TRUE(testsupport::WriteSolidIcoFile(Path + file, 16, color));
  }
  std::string Name, Path;
};

struct ActionForm {
  FormPtr Form{new TForm(nullptr)};
  TImageList* Colour;
  TImageList* Grey;
  TAction* Open;
  TAction* Save;
  explicit ActionForm(bool withLists = true) {
    Colour = withLists ? new TImageList(Form.get()) : nullptr;
    Grey = withLists ? new TImageList(Form.get()) : nullptr;
    if (withLists) Colour->SetName("ActionsImageList"), Grey->SetName("GrayActionsImageList");
    Open = new TAction(Form.get());
    Open->SetName("OpenAction");
    Save = new TAction(Form.get());
    Save->SetName("SaveAction");
  }
};

HICON MainIcon() { return LoadIconA(GetModuleHandleA(nullptr), "MAINICON"); }

}  // namespace

TEST(PrepareOutputFolder, RootsEmptyNewAndImpossibleFolders) {
  testsupport::MessageBoxRecorder boxes;
  std::string folder = "C:\\";
  PrepareOutputFolder(folder);
  EXPECT_EQ("C:\\", folder);
  folder = "";
  PrepareOutputFolder(folder);
  EXPECT_EQ(ProgramFolder(), folder);
  EXPECT_TRUE(boxes.Boxes.empty());

  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string base = std::string(temp) + "tb_prepare_" + std::to_string(GetCurrentProcessId());
  folder = base + "\\a\\b";
  PrepareOutputFolder(folder);
  EXPECT_EQ(base + "\\a\\b\\", folder);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder.c_str()));
  RemoveDirectoryA((base + "\\a\\b").c_str());
  RemoveDirectoryA((base + "\\a").c_str());
  RemoveDirectoryA(base.c_str());
  EXPECT_TRUE(boxes.Boxes.empty());

  // Q: does not exist under Wine: the folder cannot be made.
  folder = "Q:\\export\\tarnbel\\";
  PrepareOutputFolder(folder);
  EXPECT_EQ(ProgramFolder(), folder);
  ASSERT_EQ(1u, boxes.Boxes.size());
  EXPECT_EQ("Can't create directory: Q:\\export\\tarnbel\r\nWriting into " + ProgramFolder() + " instead.",
            boxes.Boxes[0].Text);
  EXPECT_TRUE(boxes.Boxes[0].Flags & MB_ICONWARNING);
}

TEST(LoadActionImages, WithoutAnyIconEveryActionShowsTheMainIcon) {
  ASSERT_NE(nullptr, MainIcon());
  ActionForm f;
  LoadActionImages(f.Form.get(), "no_such_folder", {"Open", "Save"}, 1);
  EXPECT_EQ(1, f.Colour->Count());
  EXPECT_EQ(1, f.Grey->Count());
  EXPECT_EQ(0, f.Open->ImageIndex());
  EXPECT_EQ(0, f.Save->ImageIndex());
}

TEST(LoadActionImages, DefaultIconStandsInForAMissingOrBrokenOne) {
  IconFolder icons("vcl_default_" + std::to_string(GetCurrentProcessId()));
  icons.Solid("default.ico", RGB(0, 0, 255));
  icons.Solid("Open.ico", RGB(255, 0, 0));
  std::ofstream(icons.Path + "Save.ico") << "not an icon at all";
  ActionForm f;
  // Lists that already hold images: the default is where it was added, not at 0.
  TIcon main;
  main.SetHandle(CopyIcon(MainIcon()));
  f.Colour->AddIcon(main);
  f.Grey->AddIcon(main);
  LoadActionImages(f.Form.get(), icons.Name, {"Open", "Save"}, 1);
  EXPECT_EQ(3, f.Colour->Count());
  EXPECT_EQ(3, f.Grey->Count());
  EXPECT_EQ(2, f.Open->ImageIndex());
  EXPECT_EQ(1, f.Save->ImageIndex());
}

TEST(LoadActionImages, MissingListsAndComponentsThatAreNotActions) {
  IconFolder icons("vcl_odd_" + std::to_string(GetCurrentProcessId()));
  icons.Solid("Open.ico", RGB(0, 128, 0));
  ActionForm bare(false);
  EXPECT_NO_THROW(LoadActionImages(bare.Form.get(), icons.Name, {"Open"}, 0));
  EXPECT_EQ(-1, bare.Open->ImageIndex());
  EXPECT_NO_THROW(LoadActionImages(nullptr, icons.Name, {"Open"}, 0));

  ActionForm f;
  auto* impostor = new TTimer(f.Form.get());
  impostor->SetEnabled(false);
  impostor->SetName("TimerAction");
  LoadActionImages(f.Form.get(), icons.Name, {"Open", "Timer"}, 5);  // a last index past the names
  EXPECT_EQ(2, f.Colour->Count());  // MAINICON as default, then Open
  EXPECT_EQ(1, f.Open->ImageIndex());
}

TEST(LoadIconList, NamedIconsElseTheMainIcon) {
  IconFolder icons("vcl_list_" + std::to_string(GetCurrentProcessId()));
  icons.Solid("lamp.ico", RGB(255, 255, 0));
  std::unique_ptr<TImageList, TFreeDeleter> list(new TImageList(nullptr));
  LoadIconList(list.get(), icons.Name, {"lamp", "missing", "lamp"}, 2);
  EXPECT_EQ(3, list->Count());
  LoadIconList(nullptr, icons.Name, {"lamp"}, 0);
}

TEST(ColorToHtml, StoredOrderAndSystemColours) {
  EXPECT_EQ("#FF0000", ColorToHtml(0x0000FF));
  EXPECT_EQ("#563412", ColorToHtml(0x123456));
  EXPECT_EQ("#000000", ColorToHtml(0));
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  char expected[8];
  sprintf(expected, "#%02X%02X%02X", GetRValue(face), GetGValue(face), GetBValue(face));
  EXPECT_EQ(expected, ColorToHtml(TColor(0x8000000F)));
  EXPECT_EQ("#FFFFFF", ColorToHtml(TColor(0x02FFFFFF)));  // palette-relative flag dropped
}

namespace {

// Draws the colour and the grey image of one action side by side.
class TIconForm : public TForm {
 public:
  using TForm::TForm;
  TImageList* Colour = nullptr;
  TImageList* Grey = nullptr;
  int Index = 0;
  int Paints = 0;

 protected:
  void PaintWindow(TCanvas& canvas) override {
    Colour->Draw(canvas, 10, 10, Index);
    Grey->Draw(canvas, 40, 10, Index);
    ++Paints;
  }
};

}  // namespace

TEST(Screenshot, FormShowsAnIconAndItsGreyCopy) {
  IconFolder icons("vcl_shot_" + std::to_string(GetCurrentProcessId()));
  icons.Solid("Play.ico", RGB(255, 0, 0));
  std::unique_ptr<TIconForm, TFreeDeleter> form(new TIconForm(nullptr));
  auto* colour = new TImageList(form.get());
  colour->SetName("ActionsImageList");
  auto* grey = new TImageList(form.get());
  grey->SetName("GrayActionsImageList");
  auto* play = new TAction(form.get());
  play->SetName("PlayAction");
  LoadActionImages(form.get(), icons.Name, {"Play"}, 0);
  form->Colour = colour;
  form->Grey = grey;
  form->Index = play->ImageIndex();
  ASSERT_EQ(1, form->Index);
  form->SetFormStyle(fsStayOnTop);
  form->SetBounds(100, 100, 200, 120);
  form->Show();
  ASSERT_TRUE(testsupport::PumpUntil([&] { return form->Paints > 0; }, 3000));
  testsupport::PumpFor(100);
  UpdateWindow(form->Handle());

  POINT origin{0, 0};
  ClientToScreen(form->Handle(), &origin);
  HDC screen = GetDC(nullptr);
  // Inside the icons (their one-pixel border is transparent).
  COLORREF coloured = GetPixel(screen, origin.x + 10 + 8, origin.y + 10 + 8);
  std::vector<COLORREF> greys;
  for (int dy = 2; dy < 14; dy += 4)
    for (int dx = 2; dx < 14; dx += 4) greys.push_back(GetPixel(screen, origin.x + 40 + dx, origin.y + 10 + dy));
  COLORREF border = GetPixel(screen, origin.x + 40, origin.y + 10);
  ReleaseDC(nullptr, screen);

  EXPECT_EQ(RGB(255, 0, 0), coloured);
  for (COLORREF g : greys) {
    EXPECT_EQ(GetRValue(g), GetGValue(g));
    EXPECT_EQ(GetGValue(g), GetBValue(g));
    EXPECT_EQ(76, GetRValue(g));  // pure red in grey
  }
  // The transparent border shows the form's face, not the 0x101010 background of the copy.
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), border);
}
