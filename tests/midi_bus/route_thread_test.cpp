// Routes end to end: MIDI into the virtual bus, through the route thread and its mapping-applying input,
// into the stand-in card, and on through the thru connection.
#include <gtest/gtest.h>

#include "pump_until.h"
#include "route_test_support.h"
#include "tarnbel_protocol.h"
#include "tarnbel_sf_thread.h"

using namespace routetest;
using miditest::Pack;

namespace {

class RouteThreadTest : public RouteTest {
 protected:
  void SetUp() override {
    RouteTest::SetUp();
    UseKeysSynthAndCard(8u * 1024 * 1024);
  }
};

std::vector<uint32_t> Received(const std::string& output, size_t count) {
  std::vector<TVirtualMidiEvent> events;
  TVirtualMidiBus::WaitOutput(output, count, 5000, events);
  std::vector<uint32_t> messages;
  for (const TVirtualMidiEvent& e : events) messages.push_back(e.Message);
  return messages;
}

}  // namespace

TEST_F(RouteThreadTest, ProgramChangesAndBankSelectsLoadTheMappedPresetsAndPassThruInOrder) {
  StoreMapping("main", 1,
               {{0, 0, 0, 1}, {0, 1, 0, 2}, {5, 2, 0, 3}, {128, 0, 128, 0}, {128, 1, 128, 2}});
  LoadMappings();
  TRouteThread& route = OpenRoute("Keys", Card, "Synth");
  ASSERT_TRUE(route.InputOpen());
  ASSERT_TRUE(route.ThruConnected());
  ASSERT_TRUE(route.HasSFThread());

  const std::vector<uint32_t> played = {
      Pack(0xC0, 0, 0),                         // channel 1: 0:0 plays P1
      Pack(0xB1, 0, 5), Pack(0xC1, 2, 0),       // channel 2: bank 5, 5:2 plays P3
      Pack(0xB2, 32, 9), Pack(0xC2, 1, 0),      // controller 32 is no bank select: 0:1 plays P2
      Pack(0xC9, 1, 0),                         // channel 10: drum kit 1 plays Kit2
      Pack(0xC3, 9, 0),                         // 0:9 is mapped nowhere
      Pack(0x90, 60, 100), Pack(0x80, 60, 0)};
  Play("Keys", played);
  EXPECT_EQ(Received("Synth", played.size()), played);  // unchanged and in order

  EXPECT_TRUE(WaitCardPreset(0, 0, "P1"));
  EXPECT_TRUE(WaitCardPreset(5, 2, "P3"));
  EXPECT_TRUE(WaitCardPreset(0, 1, "P2"));
  EXPECT_TRUE(WaitCardPreset(32768, 1, "Kit2"));
  EXPECT_EQ(CardPreset(0, 9), "");

  TRouteThread::TChannelPairs channels = Channels(route);
  EXPECT_EQ(channels[1].Bank, 5);
  EXPECT_EQ(channels[1].Program, 2);
  EXPECT_EQ(channels[9].Bank, 32768);
  EXPECT_EQ(channels[9].Program, 1);
  EXPECT_EQ(channels[3].Program, 9);  // the program is kept, nothing loaded
  EXPECT_EQ(route.Input()->Channels[3].Loaded, 0);
  EXPECT_EQ(route.Input()->Channels[0].Loaded, 1);
  EXPECT_TRUE(Boxes->Boxes.empty());
}

// A song's first tick sets each channel two or three times in a row; the presets each channel keeps
// fit the card together, those it passed through do not.
TEST_F(RouteThreadTest, ASongsFirstTickLeavesEveryChannelHoldingItsLastPreset) {
  std::vector<Slot> slots{{128, 0, 128, 0}, {128, 1, 128, 1}, {128, 2, 128, 2}};
  std::vector<uint32_t> tick{Pack(0xC9, 0, 0), Pack(0xC9, 1, 0), Pack(0xC9, 2, 0)};
  for (int p = 0; p < 24; ++p) {  // channels 1-8 take three programs each
    slots.push_back({0, p, 0, p % 10});
    tick.push_back(Pack(static_cast<uint8_t>(0xC0 + p / 3), static_cast<uint8_t>(p), 0));
  }
  StoreMapping("main", 1, slots);
  LoadMappings();
  UseCard(10 * Builder.PresetSampleBytes(0));
  OpenRoute("Keys", Card, "Synth");
  Play("Keys", tick);
  auto held = [&] {
    int count = CardPreset(32768, 2) == "Kit2";
    for (int p = 2; p < 24; p += 3) count += CardPreset(0, p) == "P" + std::to_string(p % 10);
    return count;
  };
  EXPECT_TRUE(testsupport::PumpUntil([&] { return held() == 9; }, 10000, [&] { Pump(20); })) << held() << " of 9";
}

TEST_F(RouteThreadTest, UnmappedSlotsFallBackToTheDefaultBankAndDrumKit) {
  // Default melodic bank 3, default drum kit 2.
  StoreMapping("main", 1, {{3, 4, 0, 5}, {128, 2, 128, 3}}, 3, 2);
  LoadMappings();
  TRouteThread& route = OpenRoute("Keys", Card, "Synth");

  // Bank 7 program 4 is not mapped: the default bank's slot 3:4 is loaded under 7:4.
  Play("Keys", {Pack(0xB0, 0, 7), Pack(0xC0, 4, 0)});
  EXPECT_TRUE(WaitCardPreset(7, 4, "P5"));

  // A note on channel 10 with no program change seen loads the default kit.
  Play("Keys", {Pack(0x99, 36, 90)});
  EXPECT_TRUE(WaitCardPreset(32768, 2, "Kit3"));
  Settle(route);
  EXPECT_EQ(route.Input()->Channels[9].Loaded, 1);

  // A bank select on channel 10 keeps the drum bank but asks for the kit again at the next note.
  Play("Keys", {Pack(0xB9, 0, 4)});
  Settle(route);
  EXPECT_EQ(route.Input()->Channels[9].Bank, 32768);
  EXPECT_EQ(route.Input()->Channels[9].Loaded, 0);
  Play("Keys", {Pack(0x99, 36, 90)});
  Settle(route);
  EXPECT_EQ(route.Input()->Channels[9].Loaded, 1);

  // Without the default bank an unmapped program changes only the channel's program.
  TRouteSettings settings;
  settings.UseDefaultMelodicBank = false;
  SetRouteSettings(settings);
  Play("Keys", {Pack(0xB1, 0, 8), Pack(0xC1, 4, 0)});
  Settle(route);
  EXPECT_EQ(route.Input()->Channels[1].Program, 4);
  EXPECT_EQ(route.Input()->Channels[1].Loaded, 0);
  EXPECT_EQ(CardPreset(8, 4), "");
}

TEST_F(RouteThreadTest, TheSameFromASecondProcess) {
  StoreMapping("main", 1, {{0, 3, 0, 7}, {128, 4, 128, 4}});
  LoadMappings();
  OpenRoute("Keys", Card, "Synth");
  miditest::Player player("\"Keys\" C0 03 C9 04 90 40 7F");
  EXPECT_EQ(player.Wait(), 0);
  EXPECT_TRUE(WaitCardPreset(0, 3, "P7"));
  EXPECT_TRUE(WaitCardPreset(32768, 4, "Kit4"));
  EXPECT_EQ(Received("Synth", 3), (std::vector<uint32_t>{Pack(0xC0, 3, 0), Pack(0xC9, 4, 0), Pack(0x90, 0x40, 0x7F)}));
}
