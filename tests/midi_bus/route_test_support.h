#pragma once
// Routes run end to end in the test: the test thread plays the server's main thread (route threads
// report to it, boxes come to it), the virtual bus carries the MIDI and the stand-in card loads.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "message_box_recorder.h"
#include "midi_test_support.h"
#include "route_settings.h"
#include "route_thread.h"
#include "sf2_builder.h"
#include "standin_support.h"
#include "tarnbel_globals.h"
#include "tarnbel_mappings_array.h"

namespace routetest {

// The card's one 10k-family device, as the device list names it.
constexpr const char* Card = "SB Live!";

// One slot of a stored mapping: target bank and program, and the preset of the test bank it plays.
struct Slot {
  int Bank;
  int Program;
  int SourceBank;
  int SourceProgram;
};

class TestRouteList : public TRouteThreadList {
 public:
  int Count() const override { return static_cast<int>(Routes.size()); }
  TRouteThread* At(int index) const override { return Routes[static_cast<size_t>(index)].get(); }
  std::vector<std::unique_ptr<TRouteThread>> Routes;
};

class RouteTest : public miditest::BusTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The usual bench: input "Keys", output "Synth" and a card of that much memory.
  void UseKeysSynthAndCard(uint64_t memory);
  // The card's config; call before the first route opens.
  void UseCard(uint64_t memory, const std::string& extra = "");
  void StoreMapping(const std::string& name, int priority, const std::vector<Slot>& slots, int defaultMelodic = 0,
                    int defaultDrums = 0);
  // (Re)loads the server's set of mappings from the registry.
  void LoadMappings();
  // Made, ready, opened (synchronously) and listed as the server does.
  TRouteThread& OpenRoute(const std::string& input, const std::string& device, const std::string& output);
  void CloseRoutes();

  void Play(const std::string& input, const std::vector<uint32_t>& messages);
  // Returns once the route has handled every message delivered to its input so far.
  void Settle(TRouteThread& route);
  TRouteThread::TChannelPairs Channels(TRouteThread& route);
  // The card's own answer: the name of the preset loaded at (bank, program), "" when none.
  std::string CardPreset(int bank, int program) { return CardPresetOn(Card, bank, program); }
  std::string CardPresetOn(const std::string& deviceName, int bank, int program);
  // Waits (running the main loop) until the card holds that name there.
  bool WaitCardPreset(int bank, int program, const std::string& name, DWORD timeoutMs = 10000);
  // Runs the main loop: boxes are shown (and recorded), everything else is kept in Reports.
  void Pump(DWORD ms = 0);
  size_t ReportCount(UINT id) const;

  testsupport::TempFolder Folder;
  sf2test::Sf2Builder Builder;
  std::string Bank;
  std::unique_ptr<testsupport::StandinConfig> Config;
  std::unique_ptr<TSafeMappingsArray> Mappings;
  TestRouteList List;
  std::unique_ptr<testsupport::MessageBoxRecorder> Boxes;
  std::vector<MSG> Reports;
};

}  // namespace routetest
