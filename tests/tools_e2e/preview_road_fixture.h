#pragma once
// The road of preview seen from outside: the real tarnbel.exe on the stand-in card and the virtual MIDI bus
// (two normal routes, Keys and Pads), the real tb_tools.exe with its editor on the mapping "E2E". The files:
// bank.sf2 ("Grand Piano" 0:0, "Warm Pad" 0:3), other.sf2 ("Other Piano" 0:0, "Other Pad" 0:3), and in the
// folder "waves" ah.wav (16-bit) and deep.wav (24-bit). The mapping's entries, bank 0: Warm Pad at 9, Grand
// Piano at 10, Other Piano at 11, ah.wav at 12, deep.wav at 13.
// Every road must leave no payload file or atom of the two programs behind: TearDown checks it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "cached_preset_record.h"
#include "program_process.h"
#include "recording_window.h"
#include "remote_list_view.h"
#include "standin_support.h"

namespace previewe2e {

constexpr DWORD kWaitMs = 20000;
extern const char* const kPreviewRoute;

bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs);

}  // namespace previewe2e

class PreviewRoadFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  HWND ServerWindow() const;
  LRESULT Query(UINT id, LPARAM lParam = 0);
  // The inputs of the routes the server runs, sorted.
  std::vector<std::string> RouteInputs();
  std::vector<CachedPresetRecord> Cached();
  // The cache holds one loaded preset, a preview of that file's bank and program.
  bool OnlyPreviewOf(const std::string& file, int bank, int program);

  // The server with a tray log (its tips tell the card's memory).
  void StartServer();
  // The tools program, which sees the bus's ports in its route dialog, with the editor on "E2E".
  void OpenEditor();
  void CloseEditor();
  void PressF7();
  // The row of the attached list whose caption ends with the text; -1 when none.
  int AttachedRow(const std::string& captionEnd);
  // Selects the entry by a click, then lets go of a key over the list: the release previews it.
  void SelectAndRelease(const std::string& captionEnd);
  // The route dialog "choose route:", once shown.
  HWND AwaitRouteDialog();
  // The "Misc" toolbar's first button, the preview mode's, is down.
  bool PreviewButtonDown();
  std::string EditorStatus();
  // The last tray tip of the server.
  std::string TrayTip();
  // The monitor's cached presets: state, channel, bank, program, name, mapping, file, bank in file, preset.
  std::vector<testsupport::TRemoteRow> MonitorRows();
  void ShowMonitor();
  // A server that the editor started has no handle here: its thread is asked to quit, killed when it does not.
  void EndServerStartedByTools();

  testsupport::TempFolder Folder;
  testsupport::TRecordingWindow Listener{"tarnbel preview road listener"};
  std::string Bank, Other, Waves, Wave16, Wave24;
  // The card's sample bytes of Warm Pad and of ah.wav.
  uint64_t WarmPadBytes = 0, Wave16Bytes = 0;
  e2e::TProgramProcess Server, Tools;
  HWND Editor = nullptr, Attached = nullptr, Presets = nullptr;

 private:
  std::set<std::string> FFilesBefore, FAtomsBefore;
};
