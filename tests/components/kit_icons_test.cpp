#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "KitAniFile.h"
#include "KitClipIcon.h"
#include "KitGIF.h"
#include "KitIconList.h"
#include "KitWinUtils.h"
#include "ShelLink.h"
#include "clipboard.h"
#include "form.h"
#include "icon_builder.h"
#include "message_box_recorder.h"
#include "pump_until.h"
#include "picture.h"
#include "ui_exceptions.h"

using namespace ui;

namespace {

void Put(TMemoryStream& s, const std::string& bytes) {
  s.Write(bytes.data(), int64_t(bytes.size()));
  s.SetPosition(0);
}

std::string Cursor(int bits, uint16_t hot) { return icontest::BuildIconFile(2, {{16, 16, bits, hot, hot}}); }

std::unique_ptr<TIcon> Icon(int bits) {
  auto icon = std::make_unique<TIcon>();
  TMemoryStream s;
  Put(s, icontest::BuildIconFile(1, {{16, 16, bits, 0, 0}}));
  icon->LoadFromStream(s);
  return icon;
}

}  // namespace

TEST(AnimatedCursor, FramesAssignsAndSaving) {
  icontest::AniRecipe recipe;
  recipe.Frames = 2;
  recipe.Rates = {6, 12};
  recipe.Icons = {Cursor(4, 3), Cursor(8, 5)};
  recipe.Title = "title";
  TAnimatedCursorImage ani;
  TMemoryStream s;
  Put(s, icontest::BuildAniFile(recipe));
  ani.LoadFromStream(s);
  ASSERT_EQ(ani.FrameCount(), 2);
  EXPECT_EQ(ani.Title, "title");
  EXPECT_EQ(ani.ColorCount, 256);
  EXPECT_EQ(ani.GetFrame(1).JiffRate, 12u);
  EXPECT_EQ(ani.GetFrame(1).HotSpot.x, 5);
  EXPECT_FALSE(ani.GetFrame(0).Icon->Empty());

  TAnimatedCursorImage copy;
  copy.Assign(&ani);
  EXPECT_EQ(copy.FrameCount(), 2);
  EXPECT_EQ(copy.GetFrame(0).JiffRate, 6u);

  TIcon icon;
  icon.Assign(&ani);
  EXPECT_EQ(icon.Width(), 16);
  TBitmap strip;
  strip.Assign(&ani);
  EXPECT_EQ(strip.Width(), 32);
  EXPECT_EQ(strip.Height(), 16);
  TIconList list;
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  list.Assign(&ani);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(changes, 1);

  TGIFImage gif;
  gif.Assign(&ani);
  ASSERT_EQ(gif.FrameCount(), 2);
  EXPECT_EQ(gif.Frames(1).Interval, 200);  // 12 jiffies

  testsupport::MessageBoxRecorder boxes;
  TMemoryStream out;
  EXPECT_THROW(ani.SaveToStream(out), EAbort);
  ASSERT_EQ(boxes.Boxes.size(), 1u);
  EXPECT_EQ(boxes.Boxes[0].Text, SNotImplemented);

  TMemoryStream bad;
  Put(bad, "RIFF\0\0\0\0WAVE");
  EXPECT_THROW(ani.LoadFromStream(bad), EReadError);
  copy.Assign(nullptr);
  EXPECT_EQ(copy.FrameCount(), 0);
}

TEST(IconList, OperationsEventsAndStream) {
  TIconList list;
  int changes = 0;
  list.OnChange = [&] { ++changes; };
  auto a = Icon(4), b = Icon(8);
  list.Add(a.get());
  list.Add(b.get());
  EXPECT_EQ(changes, 2);
  list.BeginUpdate();
  list.Exchange(0, 1);
  list.Move(0, 1);
  list.Put(2, a.get());
  list.BeginUpdate();
  list.Delete(2);
  list.EndUpdate();
  EXPECT_EQ(changes, 2);
  list.EndUpdate();
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_NE(list.Get(0), a.get());  // copies are stored
  EXPECT_EQ(list.IndexOf(list.Get(1)), 1);
  EXPECT_THROW(list.Delete(5), EStringListError);
  // A stored icon's own change is the list's, inside brackets only once at the end.
  list.Get(0)->Assign(b.get());
  EXPECT_EQ(changes, 4);
  list.BeginUpdate();
  list.Get(0)->SetHandle(nullptr);
  list.Get(1)->SetHandle(nullptr);
  EXPECT_EQ(changes, 4);
  list.EndUpdate();
  EXPECT_EQ(changes, 5);
  list.Put(0, a.get());
  EXPECT_EQ(changes, 6);

  list.Insert(1, nullptr);
  TMemoryStream s;
  list.WriteData(s);
  s.SetPosition(0);
  TIconList back;
  back.ReadData(s);
  ASSERT_EQ(back.Count(), 3);
  EXPECT_TRUE(back.Get(1) == nullptr || back.Get(1)->Empty());
  EXPECT_EQ(back.Get(0)->Width(), 16);

  TMemoryStream lying;
  const uint32_t count = 0xFFFFFFFF;
  lying.Write(&count, 4);
  lying.SetPosition(0);
  EXPECT_THROW(back.ReadData(lying), EReadError);
  EXPECT_EQ(back.Count(), 0);
}

TEST(ClipIcon, IconsTravelThroughTheClipboardAsPictures) {
  RegisterClipIcon();
  ASSERT_NE(CF_ICON, 0u);
  auto icon = Icon(8);
  Clipboard().Assign(CF_ICON, *icon);
  TPicture picture;
  {
    TClipboardOpen open;
    ASSERT_TRUE(TPicture::SupportsClipboardFormat(CF_ICON));
    picture.LoadFromClipboardFormat(CF_ICON, GetClipboardData(CF_ICON));
  }
  auto* back = dynamic_cast<TIcon*>(picture.Graphic());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Width(), 16);
}

namespace {

class LinkProbe : public TShellLink {
 public:
  using TShellLink::MouseEnter;
  using TShellLink::MouseLeave;
  using TShellLink::TShellLink;
};

}  // namespace

TEST(ShellLink, FontAfterEnterLeaveSequencesAndClicks) {
  std::unique_ptr<TForm, TFreeDeleter> form(new TForm(nullptr));
  LinkProbe& link = *new LinkProbe(form.get());
  link.FocusFont()->SetStyle(1 << fsUnderline);
  link.FocusFont()->SetColor(clBlue);
  const TColor normal = link.Font()->Color();
  // Wine's leave can come late: a second enter before it must not keep the hover font.
  link.MouseEnter();
  EXPECT_EQ(link.Font()->Color(), clBlue);
  link.MouseEnter();
  link.MouseLeave();
  EXPECT_EQ(link.Font()->Color(), normal);
  EXPECT_EQ(link.Font()->Style(), 0u);
  link.MouseLeave();
  EXPECT_EQ(link.Font()->Color(), normal);

  std::vector<std::string> opened;
  auto previous = ShellLinkOpen;
  ShellLinkOpen = [&](const std::string& verb, const std::string& target) { opened.push_back(verb + " " + target); };
  int clicks = 0;
  link.OnClick = [&](TObject*) { ++clicks; };
  link.Click();
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(clicks, 1);
  link.SetLink("http://example.invalid/" + std::string(300, 'a'));
  EXPECT_EQ(link.Link().size(), 255u);
  link.Click();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].substr(0, 12), "open http://");
  EXPECT_EQ(clicks, 2);
  ShellLinkOpen = previous;
}

TEST(ShellLink, RealMouseMessagesAndTheShellsOpen) {
  std::unique_ptr<TForm, TFreeDeleter> form(new TForm(nullptr));
  form->SetBounds(0, 0, 300, 200);
  auto* link = new TShellLink(form.get());
  link->SetParent(form.get());
  link->SetBounds(20, 20, 120, 20);
  link->SetCaption("a link");
  link->FocusFont()->SetColor(clBlue);
  const TColor normal = link->Font()->Color();
  form->Show();
  HWND p = form->Handle();
  // In, moved inside, in again before the late leave, out: the normal font is back.
  SendMessageA(p, WM_MOUSEMOVE, 0, MAKELPARAM(30, 25));
  EXPECT_EQ(link->Font()->Color(), clBlue);
  SendMessageA(p, WM_MOUSEMOVE, 0, MAKELPARAM(40, 25));
  SendMessageA(p, WM_MOUSEMOVE, 0, MAKELPARAM(200, 150));
  SendMessageA(p, WM_MOUSEMOVE, 0, MAKELPARAM(30, 25));
  SendMessageA(p, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(link->Font()->Color(), normal);
  EXPECT_FALSE(link->Hovered());

  // A link to a small program: the shell runs it, and it leaves its marker.
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string marker = std::string(folder) + "tarnbel_link_marker.txt";
  const std::string script = std::string(folder) + "tarnbel_link_test.bat";
  DeleteFileA(marker.c_str());
  {
    FILE* f = fopen(script.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fprintf(f, "@echo ran> \"%s\"\r\n", marker.c_str());
    fclose(f);
  }
  link->SetLink(script);
  SendMessageA(p, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 25));
  SendMessageA(p, WM_LBUTTONUP, 0, MAKELPARAM(30, 25));
  EXPECT_TRUE(testsupport::PumpUntil([&] { return GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; },
                                     10000));
  DeleteFileA(marker.c_str());
  DeleteFileA(script.c_str());
}
