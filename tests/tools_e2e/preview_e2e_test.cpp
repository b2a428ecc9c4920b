// The road of preview, with the real tb_tools.exe and tarnbel.exe, the stand-in card and the virtual MIDI bus:
// F7 with no preview route stored asks for one ("choose route:"); chosen, it is stored and the server runs it
// alone; a SoundFont entry selected in the editor is loaded there as a preview; F7 again brings the normal
// routes back with nothing of the preview left in the cache. With no server running, F7 offers to start
// one; closing the editor ends its preview.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "dialog_windows.h"
#include "peer_programs.h"
#include "preview_road_fixture.h"
#include "registry_internal.h"
#include "remote_message_box.h"
#include "route_record.h"
#include "tarnbel_func.h"
#include "tarnbel_protocol.h"

namespace {

using namespace previewe2e;

class PreviewE2E : public PreviewRoadFixture {
 protected:
  // The cache holds only this preset of bank.sf2, loaded, as a preview.
  bool OnlyPreviewOf(int program) { return PreviewRoadFixture::OnlyPreviewOf(Bank, 0, program); }
  int RowOf(const std::string& caption) { return AttachedRow(caption); }
  // The box that offers to start the server, shown by the editor.
  HWND AwaitRunServerBox() {
    HWND box = nullptr;
    EXPECT_TRUE(Pump([&] { return (box = testsupport::FindMessageBoxOf(Tools.ProcessId(), "tarnbel")) != nullptr; }));
    if (box) {
      EXPECT_EQ(testsupport::MessageBoxText(box), "You should run tarnbel to use preview function. Run it now?");
    }
    return box;
  }
};

}  // namespace

TEST_F(PreviewE2E, TheChosenRouteRunsAloneAndLoadsTheSelectedEntryUntilF7EndsIt) {
  StartServer();
  OpenEditor();

  // No route stored: F7 asks for one.
  PressF7();
  HWND choose = nullptr;
  ASSERT_TRUE(Pump([&] {
    choose = testsupport::FindWindowOf(Tools.ProcessId(), "", "choose route:");
    return choose && IsWindowVisible(choose);
  }));
  std::vector<HWND> combos = testsupport::ChildrenOf(choose, "TComboBox");
  ASSERT_EQ(combos.size(), 3u);
  ASSERT_TRUE(testsupport::ChooseEntry(combos[0], "Keys"));
  ASSERT_TRUE(testsupport::ChooseEntry(combos[1], "Synth"));
  ASSERT_TRUE(testsupport::ChooseEntry(combos[2], "SB Live!"));
  PostMessageA(testsupport::ChildWithCaption(choose, "OK"), BM_CLICK, 0, 0);
  ASSERT_TRUE(Pump([&] { return !IsWindow(choose) || !IsWindowVisible(choose); }));
  EXPECT_TRUE(Pump([] {
    return TRegKey(TarnbelKeyPath, false).ReadString(PreviewRouteValue, "") == "Keys\x01Synth\x01SB Live!\x01";
  }));
  ASSERT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys"}; }));

  // The SoundFont entry selected: its preset is loaded alone, as a preview, by its bank and program in the file.
  SelectAndRelease("000: 009: Warm Pad");
  ASSERT_TRUE(Pump([&] { return OnlyPreviewOf(3); }));

  // Key release to preset in the card: Down and Up go between the two entries; the press only moves the
  // selection, the release previews.
  std::vector<double> times;
  for (int i = 0; i < 20; ++i) {
    const bool piano = i % 2 == 0;
    const WORD key = piano ? VK_DOWN : VK_UP;
    const int row = RowOf(piano ? "000: 010: Grand Piano" : "000: 009: Warm Pad");
    PostMessageA(Attached, WM_KEYDOWN, key, 1);
    ASSERT_TRUE(Pump([&] { return testsupport::ReadRemoteListView(Attached, 1)[size_t(row)].Selected; }));
    LARGE_INTEGER start, now, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    PostMessageA(Attached, WM_KEYUP, key, LPARAM(0xC0000001));
    ASSERT_TRUE(Pump([&] { return OnlyPreviewOf(piano ? 0 : 3); }));
    QueryPerformanceCounter(&now);
    times.push_back(double(now.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));
  }
  std::sort(times.begin(), times.end());
  std::cout << "key release to preset in card over 20: p50 " << times[9] << " ms, p99 " << times[19] << " ms\n";

  // F7 again: the normal routes, nothing cached.
  PressF7();
  ASSERT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys", "Pads"}; }));
  EXPECT_TRUE(Pump([&] { return Cached().empty(); }));
}

TEST_F(PreviewE2E, WithNoServerF7OffersToStartItNoStartsNothingYesStartsItInPreview) {
  ASSERT_EQ(TRegKey(TarnbelKeyPath, true).WriteString(PreviewRouteValue, kPreviewRoute), ERROR_SUCCESS);
  ASSERT_EQ(ServerWindow(), nullptr);
  OpenEditor();

  PressF7();
  HWND box = AwaitRunServerBox();
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(testsupport::ClickMessageBoxButton(box, IDNO));
  ASSERT_TRUE(Pump([&] { return !IsWindow(box) || !IsWindowVisible(box); }));

  // Preview stayed off: F7 asks again instead of ending it, and nothing was started in between.
  PressF7();
  box = AwaitRunServerBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(ServerWindow(), nullptr);
  ASSERT_TRUE(testsupport::ClickMessageBoxButton(box, IDYES));

  // The started server runs the preview route alone, and the selected entry is loaded there.
  ASSERT_TRUE(Pump([&] { return ServerWindow() != nullptr; }));
  ASSERT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys"}; }));
  SelectAndRelease("000: 009: Warm Pad");
  ASSERT_TRUE(Pump([&] { return OnlyPreviewOf(3); }));
}

TEST_F(PreviewE2E, ClosingTheEditorWhileAPresetPreviewsEndsThePreview) {
  ASSERT_EQ(TRegKey(TarnbelKeyPath, true).WriteString(PreviewRouteValue, kPreviewRoute), ERROR_SUCCESS);
  StartServer();
  OpenEditor();
  PressF7();
  ASSERT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys"}; }));
  SelectAndRelease("000: 009: Warm Pad");
  ASSERT_TRUE(Pump([&] { return OnlyPreviewOf(3); }));

  // The monitor names the previewed preset's mapping "preview".
  PostMessageA(testsupport::FindWindowOf(Tools.ProcessId(), "", TOOLS_WINDOW_TITLE), WM_TB_SHOW_MONITOR, 0, 0);
  EXPECT_TRUE(Pump([&] {
    std::vector<testsupport::TRemoteRow> rows = MonitorRows();
    return rows.size() == 1 && rows[0].Texts[4] == "Warm Pad" && rows[0].Texts[5] == "preview";
  }));

  PostMessageA(Editor, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Pump([&] { return !IsWindow(Editor) || !IsWindowVisible(Editor); }));
  EXPECT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys", "Pads"}; }));
  EXPECT_TRUE(Pump([&] { return Cached().empty(); }));
}
