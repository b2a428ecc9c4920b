// Figures of a running route: thru latency (played into the bus until the output has it), the time
// from a program change to its preset being in the card, for a small and a large preset, and (run by
// hand: test_midi_bus.exe --gtest_also_run_disabled_tests --gtest_filter=RouteLatencyTest.DISABLED_*)
// what a flood of program changes leaves in the card.
#include <gtest/gtest.h>

#include <cstdio>

#include "route_test_support.h"
#include "tarnbel_sf_thread.h"

using namespace routetest;
using miditest::Pack;

namespace {

int64_t Now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

class RouteLatencyTest : public RouteTest {
 protected:
  void SetUp() override {
    RouteTest::SetUp();
    UseKeysSynthAndCard(64u * 1024 * 1024);
  }
  // The cache holds (bank, program) and the card has taken it.
  static bool Loaded(TRouteThread& route, int bank, int program) {
    TSafePresetList& cache = route.Input()->SFThread()->Cache();
    TReadLock lock(cache);
    const TPresetList& list = cache.List();
    for (int i = list.Find(bank, program); i >= 0; i = list.FindNext(i, bank, program))
      if (!list[i].Pending && !list[i].Releasing) return true;
    return false;
  }
  static void Report(const char* what, const std::vector<double>& samples) {
    std::printf("[ latency ] %s over %zu: p50 %.1f us, p99 %.1f us\n", what, samples.size(),
                miditest::Percentile(samples, 50), miditest::Percentile(samples, 99));
  }
  void Flood(int perSecond, int seconds);
};

}  // namespace

TEST_F(RouteLatencyTest, ThruThroughARunningRoute) {
  StoreMapping("main", 1, {{0, 0, 0, 1}});
  LoadMappings();
  OpenRoute("Keys", Card, "Synth");
  const size_t count = 10000;
  std::vector<double> samples;
  for (size_t i = 0; i < count; ++i) {
    ASSERT_EQ(TVirtualMidiBus::Play("Keys", Pack(0x90, static_cast<uint8_t>(i & 127), 1)), TVirtualPlayResult::Played);
    if (i % 512 == 511 || i + 1 == count) {
      std::vector<TVirtualMidiEvent> events;
      ASSERT_TRUE(TVirtualMidiBus::WaitOutput("Synth", i + 1 - samples.size(), 10000, events));
      for (const TVirtualMidiEvent& e : events) samples.push_back(miditest::CounterMicroseconds(e.Played, e.Arrived));
    }
    if (i % 64 == 63) Pump();
  }
  ASSERT_EQ(samples.size(), count);
  Report("thru, route running", samples);
}

TEST_F(RouteLatencyTest, ProgramChangeToPresetInCard) {
  const uint32_t small = 50 * 1024;        // frames of 2 bytes: 100 kB
  const uint32_t large = 5 * 1024 * 512;   // 5 MB
  Builder.AddPresetWithSamples("Small A", 1, 0, {small});
  Builder.AddPresetWithSamples("Small B", 1, 1, {small});
  Builder.AddPresetWithSamples("Large A", 1, 2, {large});
  Builder.AddPresetWithSamples("Large B", 1, 3, {large});
  Builder.Write(Bank);
  StoreMapping("main", 1, {{0, 0, 1, 0}, {0, 1, 1, 1}, {1, 0, 1, 2}, {1, 1, 1, 3}});
  LoadMappings();
  TRouteSettings settings;
  settings.UnloadOrphanPreset = true;  // each change unloads the other preset: every change loads
  SetRouteSettings(settings);
  TRouteThread& route = OpenRoute("Keys", Card, "Synth");

  for (int bank : {0, 1}) {
    const size_t rounds = bank == 0 ? 500 : 100;
    std::vector<double> samples;
    Play("Keys", {Pack(0xB0, 0, static_cast<uint8_t>(bank))});
    for (size_t i = 0; i < rounds; ++i) {
      const int program = static_cast<int>(i & 1);
      const int64_t start = Now();
      Play("Keys", {Pack(0xC0, static_cast<uint8_t>(program), 0)});
      while (!Loaded(route, bank, program)) {
        if (miditest::CounterMicroseconds(start, Now()) > 10e6) FAIL() << "no load of " << bank << ":" << program;
      }
      samples.push_back(miditest::CounterMicroseconds(start, Now()));
      if (i % 64 == 63) Pump();
    }
    Report(bank == 0 ? "program change to 100 kB preset in card" : "program change to 5 MB preset in card", samples);
  }
}

// Program changes round-robin on all 16 channels at perSecond for seconds, each channel stepping
// through 128 presets of 128 kB on a card that holds 20 of them: how many of the presets the last change
// of each channel asked for are in the card a second after the flood, and when all 16 are.
void RouteLatencyTest::Flood(int perSecond, int seconds) {
  const uint32_t frames = 64 * 1024;
  std::vector<Slot> slots;
  for (uint16_t p = 0; p < 128; ++p) {
    Builder.AddPresetWithSamples("F" + std::to_string(p), 1, p, {frames});
    slots.push_back({0, p, 1, p});
    slots.push_back({128, p, 1, p});
  }
  Builder.Write(Bank);
  UseCard(20ull * 2 * frames);
  StoreMapping("main", 1, slots);
  LoadMappings();
  TRouteThread& route = OpenRoute("Keys", Card, "Synth");

  const int changes = perSecond * seconds;
  auto programOf = [](int change) { return ((change / 16) * 5 + (change % 16) * 8) % 128; };
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const int64_t start = Now();
  for (int i = 0; i < changes; ++i) {
    const int64_t due = start + static_cast<int64_t>(i) * frequency.QuadPart / perSecond;
    while (Now() < due) Pump();
    Play("Keys", {Pack(static_cast<uint8_t>(0xC0 + i % 16), static_cast<uint8_t>(programOf(i)), 0)});
  }
  const int64_t end = Now();
  auto held = [&] {
    int count = 0;
    for (int i = changes - 16; i < changes; ++i) count += Loaded(route, i % 16 == 9 ? CacheDrumKitBank : 0, programOf(i));
    return count;
  };
  int atOneSecond = 0, count = 0;
  double ms = 0;
  while (count < 16 && ms < 10000) {
    Pump();
    count = held();
    ms = miditest::CounterMicroseconds(end, Now()) / 1000;
    if (ms <= 1000) atOneSecond = count;
  }
  std::printf("[ flood ] %d program changes in %.1f s on 16 channels: %d of the last 16 presets held 1 s after, "
              "%d after %.0f ms\n",
              changes, miditest::CounterMicroseconds(start, end) / 1e6, atOneSecond, count, ms);
}

TEST_F(RouteLatencyTest, DISABLED_FigureThirtySecondsOfProgramChangesAtAThousandASecond) { Flood(1000, 30); }
TEST_F(RouteLatencyTest, DISABLED_FigureTwoThousandProgramChangesInTwoSeconds) { Flood(1000, 2); }
