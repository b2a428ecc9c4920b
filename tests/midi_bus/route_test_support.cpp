#include "route_test_support.h"

#include "abstract_sf_device.h"
#include "pump_until.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "server_box.h"
#include "tarnbel_protocol.h"
#include "standin_support.h"
#include "thread_post.h"
#include "vendor_library.h"

namespace {
// The device layer keeps the vendor libraries for the process; the stand-in helpers let them go.
const bool standinReleaserSet = (testsupport::SetStandinReleaser(&ReleaseVendorLibraries), true);
}  // namespace

namespace routetest {

void RouteTest::SetUp() {
  BusTest::SetUp();
  testsupport::ResetTarnbelKey();
  SetRouteSettings(TRouteSettings());
  SetRouteThreadList(&List);
  Boxes.reset(new testsupport::MessageBoxRecorder);
  // Melodic presets 0:0-0:9, drum kits 128:0-128:4.
  for (uint16_t p = 0; p < 10; ++p) Builder.AddPresetWithSamples("P" + std::to_string(p), 0, p, {2000});
  for (uint16_t k = 0; k < 5; ++k) Builder.AddPresetWithSamples("Kit" + std::to_string(k), 128, k, {2000});
  Bank = Folder.File("bank.sf2");
  Builder.Write(Bank);
}

void RouteTest::TearDown() {
  CloseRoutes();
  SetRouteThreadList(nullptr);
  SetServerMappings(nullptr);
  Mappings.reset();
  Pump();
  Boxes.reset();
  Config.reset();
  SetRouteSettings(TRouteSettings());
  testsupport::ResetTarnbelKey();
  BusTest::TearDown();
}

void RouteTest::UseKeysSynthAndCard(uint64_t memory) {
  TVirtualMidiBus::AddInput("Keys");
  TVirtualMidiBus::AddOutput("Synth");
  UseCard(memory);
}

void RouteTest::UseCard(uint64_t memory, const std::string& extra) {
  Config.reset();  // the old config puts its saved text back as it goes
  Config.reset(new testsupport::StandinConfig("sfman.device=10k," + std::to_string(memory) + ",SB Live! Synth A\n" + extra));
}

void RouteTest::StoreMapping(const std::string& name, int priority, const std::vector<Slot>& slots, int defaultMelodic,
                             int defaultDrums) {
  {
    TMapping m(name, false, nullptr, "");
    for (const Slot& s : slots) {
      std::string preset = s.SourceBank == 128 ? "Kit" + std::to_string(s.SourceProgram) : "P" + std::to_string(s.SourceProgram);
      m.AddItem(Bank, s.Bank, true, 0, preset, s.SourceProgram, s.SourceBank, s.Program);
    }
    m.DefaultMelodicBank = static_cast<uint32_t>(defaultMelodic);
    m.DefaultDrumBank = static_cast<uint32_t>(defaultDrums);
    m.SaveSettings();
  }
  TRegKey key("Software\\tarnbel\\mappings\\" + name, true);
  key.WriteInteger("Priority", priority);
  key.WriteBool("Active", true);
}

void RouteTest::LoadMappings() {
  SetServerMappings(nullptr);
  Mappings.reset(new TSafeMappingsArray);
  SetServerMappings(Mappings.get());
}

TRouteThread& RouteTest::OpenRoute(const std::string& input, const std::string& device, const std::string& output) {
  List.Routes.push_back(TAdvancedThread::Make<TRouteThread>(input, device, output));
  TRouteThread& route = *List.Routes.back();
  EXPECT_TRUE(route.WaitReady());
  TSyncMessage open(route.ThreadID(), TM_ROUTE_OPEN);
  EXPECT_TRUE(open.Send());
  return route;
}

void RouteTest::CloseRoutes() {
  for (size_t i = List.Routes.size(); i-- > 0;) {
    TRouteThread& route = *List.Routes[i];
    TSyncMessage(route.ThreadID(), TM_ROUTE_1063).Send();
    TAdvancedThread::PostAsOwner(route.ThreadID(), TM_ROUTE_CLOSE, 0, 0);
    route.Stop();
    List.Routes.pop_back();
  }
}

void RouteTest::Play(const std::string& input, const std::vector<uint32_t>& messages) {
  for (uint32_t m : messages) ASSERT_EQ(TVirtualMidiBus::Play(input, m), TVirtualPlayResult::Played);
}

void RouteTest::Settle(TRouteThread& route) {
  // Once the bus has handed every played message to the input's callback, their posts are queued
  // ahead of the channels request, which the route answers only after handling them.
  EXPECT_TRUE(TVirtualMidiBus::WaitDelivered(route.InputName(), 5000)) << "input " << route.InputName();
  Channels(route);
}

TRouteThread::TChannelPairs RouteTest::Channels(TRouteThread& route) {
  TGetChannelsMessage request(route.ThreadID(), 0);
  request.Send();
  return request.Channels;
}

std::string RouteTest::CardPresetOn(const std::string& deviceName, int bank, int program) {
  TAbstractSFDevice card;
  std::vector<std::string> names;
  card.GetDeviceNames(names);
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] != deviceName || !card.Open(static_cast<int32_t>(i))) continue;
    std::string name;
    if (!card.GetPresetName(bank, program, name)) name.clear();
    card.Close();
    return name;
  }
  return std::string();
}

bool RouteTest::WaitCardPreset(int bank, int program, const std::string& name, DWORD timeoutMs) {
  return testsupport::PumpUntil([&] { return CardPreset(bank, program) == name; }, timeoutMs, [&] { Pump(20); });
}

void RouteTest::Pump(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!HandleBoxRequest(msg)) Reports.push_back(msg);
    }
    if (ms) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLPOSTMESSAGE);
  } while (GetTickCount() - start < ms);
}

size_t RouteTest::ReportCount(UINT id) const {
  size_t n = 0;
  for (const MSG& msg : Reports) n += msg.message == id;
  return n;
}

}  // namespace routetest
