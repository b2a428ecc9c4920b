// Preview with the real programs, beyond the plain road: what a preview puts in the card and how the editor
// shows it (waves among them, a format the card cannot play), and what stored values that are no route or
// no colour, or an entry whose file went away, do to the editor and the server.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "dialog_windows.h"
#include "preview_road_fixture.h"
#include "reg_array.h"
#include "reg_export.h"
#include "registry_internal.h"
#include "remote_message_box.h"
#include "route_record.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "peer_programs.h"
#include "x_server_pixels.h"

using namespace previewe2e;
using testsupport::TRemoteRow;

namespace {

const char* const kMappingKey = "HKCU\\Software\\tarnbel\\mappings\\E2E";

void StorePreviewRoute(const std::string& value) {
  ASSERT_EQ(TRegKey(TarnbelKeyPath, true).WriteString(PreviewRouteValue, value), ERROR_SUCCESS);
}
std::string StoredPreviewRoute() { return TRegKey(TarnbelKeyPath, false).ReadString(PreviewRouteValue, ""); }

// Bank 0's item of the mapping's list ("BankColors", "BankBackgrounds") as stored, without its "000:".
std::string StoredOfBank0(const std::string& list) {
  TRegArray stored(std::string(TarnbelKeyPath) + "\\mappings\\E2E\\" + list, true);
  stored.SaveOnDestroy = false;
  for (const std::string& item : stored.Items())
    if (item.compare(0, 4, "000:") == 0) return item.substr(4);
  return "";
}

// A light colour as the editor draws one for a background: red from 129 counts 1, green above 0x80 2, blue
// above 0x80 1; light is 2 or more.
bool IsLightColour(COLORREF c) {
  return c != CLR_INVALID &&
         (GetRValue(c) >= 129 ? 1 : 0) + (GetGValue(c) > 0x80 ? 2 : 0) + (GetBValue(c) > 0x80 ? 1 : 0) >= 2;
}

// The selected rows' captions of a list.
std::vector<std::string> SelectedCaptions(HWND list) {
  std::vector<std::string> captions;
  for (const TRemoteRow& row : testsupport::ReadRemoteListView(list, 1))
    if (row.Selected) captions.push_back(row.Texts[0]);
  return captions;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

class PreviewInputsE2E : public PreviewRoadFixture {
 protected:
  // Enter over the attached list goes from the selected entry to its source.
  void PressEnter() {
    PostMessageA(Attached, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(Attached, WM_KEYUP, VK_RETURN, LPARAM(0xC0000001));
  }
  // The screen's pixel near the right end of the attached row.
  COLORREF RowPixel(int row) {
    RECT r = testsupport::RemoteItemRect(Attached, row);
    POINT at{r.right - 3, (r.top + r.bottom) / 2};
    ClientToScreen(Attached, &at);
    std::vector<COLORREF> pixels = testsupport::XServerPixels({at});
    return pixels.empty() ? CLR_INVALID : pixels[0];
  }
};

TEST_F(PreviewInputsE2E, EachPreviewFillsTheCardAloneAndAWaveOfNoCardFormatIsSaidInTheStatusBar) {
  StorePreviewRoute(kPreviewRoute);
  StartServer();
  OpenEditor();
  EXPECT_FALSE(PreviewButtonDown());
  PressF7();
  ASSERT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys"}; }));
  EXPECT_TRUE(Pump([&] { return PreviewButtonDown(); }));
  ShowMonitor();

  // Each preview replaces the last one in the card: the server's memory report counts its samples alone, and
  // the monitor names the kind of its source ("wave" for a wave file).
  const struct {
    const char* Entry;
    std::string File;
    int Bank, Program;
    uint64_t Bytes;
    const char* BankInFile;
  } previews[] = {
      {"009: Warm Pad", Bank, 0, 3, WarmPadBytes, "0"},
      {"012: ah", Wave16, int(WaveSourceBank), int(WaveSourceBank), Wave16Bytes, "wave"},
  };
  for (const auto& p : previews) {
    SCOPED_TRACE(p.Entry);
    SelectAndRelease(p.Entry);
    ASSERT_TRUE(Pump([&] { return OnlyPreviewOf(p.File, p.Bank, p.Program); }));
    const std::string used = ", " + std::to_string(p.Bytes / 1024) + "k used, ";
    EXPECT_TRUE(Pump([&] { return TrayTip().find(used) != std::string::npos && EndsWith(TrayTip(), " 1 cached"); }))
        << TrayTip();
    EXPECT_TRUE(Pump([&] {
      std::vector<TRemoteRow> rows = MonitorRows();
      return rows.size() == 1 && rows[0].Texts[5] == "preview" && rows[0].Texts[6] == p.File &&
             rows[0].Texts[7] == p.BankInFile;
    }));
  }

  // A 24-bit wave: the card refuses it, and the editor says so where it shows its status.
  SelectAndRelease("013: deep");
  EXPECT_TRUE(Pump([&] { return EditorStatus() == "Unsupported wave format"; })) << EditorStatus();
  EXPECT_TRUE(Pump([&] { return Cached().empty(); }));
  EXPECT_EQ(testsupport::FindMessageBoxOf(Server.ProcessId()), nullptr);

  PressF7();
  ASSERT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys", "Pads"}; }));
  EXPECT_TRUE(Pump([&] { return !PreviewButtonDown(); }));
  CloseEditor();
}

// No server runs here: a route that does not parse counts as none, so F7 asks for one before anything else.
TEST_F(PreviewInputsE2E, AStoredRouteThatIsNoRouteIsAskedAnewAndAColourThatIsNoColourIsChosenAnew) {
  ASSERT_EQ(TRegKey(TarnbelKeyPath, true).WriteBool("ColoredBackground", true), ERROR_SUCCESS);
  const struct {
    const char* Route;
    const char* Colour;
  } cases[] = {{"abc", "-5"}, {"Keys\x01Synth\x01", "x"}, {"Keys\x01", "16777216"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Route) + " / " + c.Colour);
    StorePreviewRoute(c.Route);
    {
      TMapping mapping("E2E", false, nullptr, "");
      mapping.SetBankColor(0, c.Colour);
      mapping.SetBankBackground(0, c.Colour);
    }
    OpenEditor();

    // Drawn with colours chosen again: a light background of its own, which the screen shows. Showing stores
    // nothing: the stored values stay as they are until the mapping is saved.
    const int row = AttachedRow("010: Grand Piano");
    ASSERT_GE(row, 0);
    ASSERT_FALSE(testsupport::ReadRemoteListView(Attached, 1)[size_t(row)].Selected);
    EXPECT_TRUE(Pump([&] { return RowPixel(row) != RGB(255, 255, 255) && IsLightColour(RowPixel(row)); }))
        << std::hex << RowPixel(row);
    EXPECT_EQ(StoredOfBank0("BankBackgrounds"), c.Colour);
    EXPECT_EQ(StoredOfBank0("BankColors"), c.Colour);

    // F7 opens the route dialog with no port chosen and OK off; Cancel leaves the stored value and starts nothing.
    PressF7();
    HWND dialog = AwaitRouteDialog();
    ASSERT_NE(dialog, nullptr);
    std::vector<HWND> combos = testsupport::ChildrenOf(dialog, "TComboBox");
    ASSERT_EQ(combos.size(), 3u);
    for (HWND combo : combos) EXPECT_EQ(testsupport::ComboSelection(combo), RouteNone);
    EXPECT_FALSE(IsWindowEnabled(testsupport::ChildWithCaption(dialog, "OK")));
    PostMessageA(testsupport::ChildWithCaption(dialog, "Cancel"), BM_CLICK, 0, 0);
    ASSERT_TRUE(Pump([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }));
    EXPECT_EQ(StoredPreviewRoute(), c.Route);
    EXPECT_EQ(testsupport::FindMessageBoxOf(Tools.ProcessId()), nullptr);
    EXPECT_EQ(ServerWindow(), nullptr);

    CloseEditor();
    Tools.Stop();
  }
}

TEST_F(PreviewInputsE2E, AnEntryWhoseFileWentAwaySelectsNoOtherPresetAndTheServerSaysItIsNotFound) {
  StorePreviewRoute(kPreviewRoute);
  StartServer();
  OpenEditor();
  // Gone before the tree ever showed its folder.
  ASSERT_TRUE(DeleteFileA(Bank.c_str()));
  PressF7();
  ASSERT_TRUE(Pump([&] { return RouteInputs() == std::vector<std::string>{"Keys"}; }));

  // The source list shows other.sf2, whose 0:3 has the bank and program of the gone file's entry.
  SelectAndRelease("011: Other Piano");
  ASSERT_TRUE(Pump([&] { return OnlyPreviewOf(Other, 0, 0); }));
  PressEnter();
  const std::vector<std::string> otherPiano{"000: 000: Other Piano"};
  ASSERT_TRUE(Pump([&] { return SelectedCaptions(Presets) == otherPiano; }));
  const std::string stored = testsupport::ExportRegistryKey(kMappingKey);
  ASSERT_FALSE(stored.empty());

  // Its preview: the server cannot find it and says so, once.
  SelectAndRelease("009: Warm Pad");
  HWND box = nullptr;
  ASSERT_TRUE(Pump([&] { return (box = testsupport::FindMessageBoxOf(Server.ProcessId(), "tarnbel")) != nullptr; }));
  EXPECT_EQ(testsupport::MessageBoxText(box),
            "One or more of requested presets not found - file not found or have no such preset. Do you want to fix "
            "this problem?");
  ASSERT_TRUE(testsupport::ClickMessageBoxButton(box, IDNO));
  ASSERT_TRUE(Pump([&] { return !IsWindow(box) || !IsWindowVisible(box); }));

  // Enter on it: the tree cannot show the file (it goes to the file's folder at most), so no preset of another
  // file is selected for it. The monitor, asked for after the keys, shows once the editor has handled them.
  PressEnter();
  ShowMonitor();
  ASSERT_TRUE(Pump([&] {
    HWND monitor = testsupport::FindTopWindowStartingWith(Tools.ProcessId(), "tarnbel monitor");
    return monitor && IsWindowVisible(monitor);
  }));
  for (const std::string& caption : SelectedCaptions(Presets)) EXPECT_EQ(caption, otherPiano[0]);
  EXPECT_TRUE(Cached().empty());
  EXPECT_TRUE(Tools.Running());
  EXPECT_TRUE(Server.Running());

  // Closing saves, which checks the mapping first and asks where the file went: "Cancel all" changes nothing.
  PostMessageA(Editor, WM_CLOSE, 0, 0);
  HWND checker = nullptr;
  ASSERT_TRUE(Pump([&] {
    checker = testsupport::FindWindowOf(Tools.ProcessId(), "", "Choose a location of the source file");
    return checker && IsWindowVisible(checker);
  }));
  PostMessageA(testsupport::ChildWithCaption(checker, "Cancel all"), BM_CLICK, 0, 0);
  ASSERT_TRUE(Pump([&] { return !IsWindow(Editor) || !IsWindowVisible(Editor); }));
  EXPECT_EQ(testsupport::ExportRegistryKey(kMappingKey), stored);
  EXPECT_EQ(StoredPreviewRoute(), kPreviewRoute);
}
