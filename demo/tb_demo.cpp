// tb_demo: the listening side of the demo run.
//
//   tb_demo setup <folder>     writes <folder>\demo.sf2 and stores a fresh profile: an active mapping
//                              "Demo" of its presets, the active route Keys --> Synth --> SB Live!,
//                              the server turning on by itself and opening no tools window
//   tb_demo monitor <seconds>  waits for the tools program's monitor to show the presets the demo plays,
//                              then prints its rows; exit code 0 once they show, else 1
//   tb_demo tools-end <seconds> exit code 0 once no tools program's window is left, else 1
//   tb_demo watch <seconds>    acts as the tools program's window and prints what the server reports;
//                              exit code 0 once a preset was seen loaded into the card, else 1;
//                              2 while a tools program runs
//
// Exit code 2: bad command line or a setup that failed.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "demo_say.h"
#include "demo_watcher.h"
#include "reg_array.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "remote_list_view.h"
#include "route_record.h"
#include "sf2_builder.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"

namespace {

const RouteRecord kRoute{"Keys", "Synth", "SB Live!", RouteActive};
const char* const kMappingName = "Demo";

// A preset of the demo bank and the slot of the mapping that plays it.
struct TDemoPreset {
  const char* Name;
  uint16_t Bank, Program;                 // in the file
  int TargetBank, TargetProgram;          // in the mapping
  std::vector<uint32_t> Frames;           // sample lengths: the card's memory use shows them
};

const std::vector<TDemoPreset> kPresets = {
    {"Grand Piano", 0, 0, 0, 0, {300000, 250000, 200000}},
    {"Warm Pad", 0, 3, 1, 89, {400000}},
    {"Room Kit", 128, 8, 128, 8, {60000, 40000, 30000, 20000}},
};

int Setup(const std::string& folder) {
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string file = folder + "\\demo.sf2";
  sf2test::Sf2Builder builder;
  builder.BankName = "tarnbel demo bank";
  for (const TDemoPreset& p : kPresets) builder.AddPresetWithSamples(p.Name, p.Bank, p.Program, p.Frames);
  if (!builder.Write(file)) {
    Say("tb_demo: cannot write " + file);
    return 2;
  }

  testsupport::ResetTarnbelKey();
  {
    TMapping mapping(kMappingName, false, nullptr, "");
    for (size_t i = 0; i < kPresets.size(); ++i) {
      const TDemoPreset& p = kPresets[i];
      mapping.AddItem(file, p.TargetBank, true, 0, p.Name, p.Program, p.Bank, p.TargetProgram);
      Say("mapping " + std::string(kMappingName) + ": " + FormatBankProgram(p.TargetBank, p.TargetProgram) +
          " plays \"" + p.Name + "\" (demo.sf2 " + std::to_string(p.Bank) + ":" + std::to_string(p.Program) +
          ", " + std::to_string(builder.PresetSampleBytes(i) / 1024) + "k of samples)");
    }
    mapping.SaveSettings();
  }
  TRegKey mappingKey(std::string(TarnbelKeyPath) + "\\mappings\\" + kMappingName, true);
  mappingKey.WriteInteger("Priority", 1);
  mappingKey.WriteBool("Active", true);

  TRegArray routes(RoutesPath, false);
  routes.Add(RouteRecordToString(kRoute), true);
  routes.Save();

  TRegKey settings(TarnbelKeyPath, true);
  settings.WriteBool("AutoStart", true);
  // No tools program is started for the windows it would show.
  for (const char* show : {"ShowControlPanel", "ShowMonitor", "ShowMappingsEditor", "ShowPreferences"})
    settings.WriteBool(show, false);
  Say("route " + kRoute.Input + " --> " + kRoute.Output + " --> " + kRoute.Device + " stored; the server turns on by itself");
  return 0;
}

// Channel, bank and program texts of the rows the played program changes give.
const std::vector<std::vector<std::string>> kPlayed = {{"1", "0", "0"}, {"2", "1", "89"}, {"10", "d", "8"}};

bool ShowsPlayed(const std::vector<testsupport::TRemoteRow>& rows) {
  for (const std::vector<std::string>& played : kPlayed) {
    bool found = false;
    for (const testsupport::TRemoteRow& row : rows)
      found = found || (row.Texts.size() > 3 && std::vector<std::string>(row.Texts.begin() + 1, row.Texts.begin() + 4) == played);
    if (!found) return false;
  }
  return true;
}

int WatchMonitor(DWORD timeoutMs) {
  DWORD start = GetTickCount();
  std::vector<testsupport::TRemoteRow> rows;
  bool shown = false;
  do {
    HWND monitor = testsupport::FindTopWindowStartingWith(0, "tarnbel monitor");
    HWND list = monitor ? testsupport::FindListViewWithColumns(monitor, 9) : nullptr;
    if (list) rows = testsupport::ReadRemoteListView(list, 9);
    shown = ShowsPlayed(rows);
    if (!shown) Sleep(200);
  } while (!shown && GetTickCount() - start < timeoutMs);
  Say("the monitor shows " + std::to_string(rows.size()) + " cached presets (channel, bank, program, name, mapping):");
  for (const testsupport::TRemoteRow& row : rows) {
    std::string line = " ";
    for (int c = 1; c <= 5 && c < int(row.Texts.size()); ++c) line += " " + row.Texts[size_t(c)];
    Say(line);
  }
  Say(shown ? "the played presets show in the monitor" : "the played presets do not show in the monitor");
  return shown ? 0 : 1;
}

int Usage() {
  Say("usage: tb_demo setup <folder> | tb_demo monitor <seconds> | tb_demo tools-end <seconds> | "
      "tb_demo watch <seconds>");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Usage();
  const std::string command = argv[1];
  if (command == "setup") return Setup(argv[2]);
  if (command != "watch" && command != "monitor" && command != "tools-end") return Usage();
  char* end = nullptr;
  long seconds = std::strtol(argv[2], &end, 10);
  if (!end || *end != '\0' || seconds <= 0) return Usage();
  if (command == "monitor") return WatchMonitor(static_cast<DWORD>(seconds) * 1000);
  if (command == "tools-end") {
    DWORD start = GetTickCount();
    while (FindWindowA(nullptr, TOOLS_WINDOW_TITLE)) {
      if (GetTickCount() - start >= static_cast<DWORD>(seconds) * 1000) return 1;
      Sleep(100);
    }
    Say("the tools program has ended");
    return 0;
  }
  // The tools program and this listener never own the tools window's title at once: the listener holds
  // the tools program's instance while it runs, and does not start while a tools program runs.
  HANDLE instance = CreateMutexA(nullptr, FALSE, TOOLS_INSTANCE_MUTEX);
  if (!instance || GetLastError() == ERROR_ALREADY_EXISTS || FindWindowA(nullptr, TOOLS_WINDOW_TITLE)) {
    Say("tb_demo: a tools program is running; quit it to watch");
    if (instance) CloseHandle(instance);
    return 2;
  }
  TDemoWatcher watcher(kRoute.Input + " --> " + kRoute.Output + " --> " + kRoute.Device);
  bool loaded = watcher.Run(static_cast<DWORD>(seconds) * 1000);
  CloseHandle(instance);
  return loaded ? 0 : 1;
}
