// tb_demo: the listening side of the demo run.
//
//   tb_demo setup <folder>     writes <folder>\demo.sf2 and stores a fresh profile: an active mapping
//                              "Demo" of its presets, the active route Keys --> Synth --> SB Live!,
//                              the server turning on by itself and opening no tools window
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

int Usage() {
  Say("usage: tb_demo setup <folder> | tb_demo watch <seconds>");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Usage();
  const std::string command = argv[1];
  if (command == "setup") return Setup(argv[2]);
  if (command != "watch") return Usage();
  char* end = nullptr;
  long seconds = std::strtol(argv[2], &end, 10);
  if (!end || *end != '\0' || seconds <= 0) return Usage();
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
