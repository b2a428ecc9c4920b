#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "midi_binding.h"
#include "midi_test_support.h"
#include "osc_midi_input.h"
#include "osc_midi_output.h"

using namespace miditest;

namespace {
using VirtualMidiBusTest = BusTest;

int RunPlayer(const std::string& arguments) { return Player(arguments).Wait(); }

// An input connected to an output, both open and started, as a route holds them.
struct ThruPair {
  RecordingInput In;
  TOSC_MIDIOutput Out;
  ThruPair() {
    TVirtualMidiBus::AddInput("Thru In");
    TVirtualMidiBus::AddOutput("Thru Out");
    EXPECT_EQ(0u, In.Open(0));
    EXPECT_EQ(0u, Out.Open(0));
    EXPECT_EQ(0u, In.Connect(Out.Handle));
    EXPECT_EQ(0u, In.Start());
  }
};

void ExpectSequence(const std::vector<TVirtualMidiEvent>& got, size_t count) {
  ASSERT_EQ(count, got.size());
  for (size_t i = 0; i < count; ++i) {
    if (got[i].Message != Pack(0x90 + i % 16, i % 128, 1 + (i / 128) % 127)) {
      ADD_FAILURE() << "message " << i << " out of order: " << std::hex << got[i].Message;
      return;
    }
  }
}

void ReportLatency(const char* what, const std::vector<TVirtualMidiEvent>& got) {
  std::vector<double> latency;
  for (const TVirtualMidiEvent& e : got) latency.push_back(CounterMicroseconds(e.Played, e.Arrived));
  std::printf("[ latency ] %s over %zu messages: p50 %.1f us, p99 %.1f us, max %.1f us\n", what, got.size(),
              Percentile(latency, 50), Percentile(latency, 99), Percentile(latency, 100));
  for (double l : latency) ASSERT_GE(l, 0.0);
}
}  // namespace

TEST_F(VirtualMidiBusTest, ThruForwardsEveryMessageInOrderAndMeasuresLatency) {
  ThruPair route;
  const size_t count = 10000;
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  std::vector<TVirtualMidiEvent> got;
  for (size_t i = 0; i < count; ++i) {
    ASSERT_EQ(TVirtualPlayResult::Played,
              TVirtualMidiBus::Play("Thru In", Pack(0x90 + i % 16, i % 128, 1 + (i / 128) % 127)));
    // About ten times the rate a MIDI cable carries.
    QueryPerformanceCounter(&start);
    do QueryPerformanceCounter(&now);
    while ((now.QuadPart - start.QuadPart) * 10000 < frequency.QuadPart);
    if (i % 1000 == 999) TVirtualMidiBus::WaitOutput("Thru Out", 0, 0, got);
  }
  ASSERT_TRUE(TVirtualMidiBus::WaitOutput("Thru Out", count, 10000, got));
  EXPECT_EQ(0u, TVirtualMidiBus::OutputOverflows("Thru Out"));
  ExpectSequence(got, count);
  ReportLatency("thru, one process, 10 kHz", got);
  // The input's owner sees the same messages.
  ASSERT_TRUE(route.In.WaitFor(count, 10000));
  EXPECT_EQ(count, route.In.Received().size());
}

TEST_F(VirtualMidiBusTest, DisconnectingOrClosingTheOutputEndsThru) {
  ThruPair route;
  TVirtualMidiBus::Play("Thru In", Pack(0xC0, 1, 0));
  std::vector<TVirtualMidiEvent> got;
  ASSERT_TRUE(TVirtualMidiBus::WaitOutput("Thru Out", 1, 2000, got));

  ASSERT_EQ(0u, route.In.Disconnect(route.Out.Handle));
  TVirtualMidiBus::Play("Thru In", Pack(0xC0, 2, 0));
  ASSERT_TRUE(route.In.WaitFor(2, 2000));  // thru is decided as a message is delivered
  ASSERT_EQ(0u, route.In.Connect(route.Out.Handle));
  TVirtualMidiBus::Play("Thru In", Pack(0xC0, 3, 0));
  ASSERT_TRUE(route.In.WaitFor(3, 2000));
  ASSERT_TRUE(TVirtualMidiBus::WaitOutput("Thru Out", 2, 2000, got));
  EXPECT_EQ(Pack(0xC0, 3, 0), got[1].Message);

  HMIDIOUT stale = route.Out.Handle;
  ASSERT_EQ(0u, route.Out.Close());
  TOSC_MIDIOutput other;
  ASSERT_EQ(0u, other.Open(0));  // the same port, opened afresh: no connection carried over
  TVirtualMidiBus::Play("Thru In", Pack(0xC0, 4, 0));
  ASSERT_TRUE(route.In.WaitFor(4, 2000));
  // The bus forwards a message before it calls back, so any thru would be there by now.
  EXPECT_TRUE(TVirtualMidiBus::ReadOutput("Thru Out").empty());
  EXPECT_EQ(100u, route.In.Connect(stale));
  EXPECT_EQ(static_cast<uint32_t>(MMSYSERR_INVALHANDLE), route.In.LastResult);
}

namespace {
// An input whose handler holds the delivery thread until released.
class HeldInput : public RecordingInput {
 public:
  ~HeldInput() override { SetEvent(Release); }
  void OnMessage(TOSC_MIDIMessage* message) override {
    SetEvent(Entered);
    WaitForSingleObject(Release, 10000);
    RecordingInput::OnMessage(message);
  }
  HANDLE Entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE Release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};
}  // namespace

TEST_F(VirtualMidiBusTest, AFullInputQueueWaitsThenRefusesAndKeepsWhatItHolds) {
  TVirtualMidiBus::AddInput("Slow");
  HeldInput in;
  ASSERT_EQ(0u, in.Open(0));
  ASSERT_EQ(0u, in.Start());
  ASSERT_EQ(TVirtualPlayResult::Played, TVirtualMidiBus::Play("Slow", Pack(0x90, 0, 1)));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(in.Entered, 5000));
  const int queued = TVirtualMidiBus::InputQueueSize;
  for (int i = 1; i <= queued; ++i)
    ASSERT_EQ(TVirtualPlayResult::Played, TVirtualMidiBus::Play("Slow", Pack(0x90, i % 128, 1 + i / 128)));
  DWORD start = GetTickCount();
  EXPECT_EQ(TVirtualPlayResult::QueueFull, TVirtualMidiBus::Play("Slow", Pack(0xC0, 1, 0)));
  EXPECT_GE(GetTickCount() - start, 900u);
  SetEvent(in.Release);
  ASSERT_TRUE(in.WaitFor(queued + 1, 5000));
  ASSERT_TRUE(TVirtualMidiBus::WaitDelivered("Slow", 5000));  // the refused message never follows
  std::vector<TOSC_MIDIMessage> got = in.Received();
  ASSERT_EQ(size_t(queued + 1), got.size());
  for (int i = 0; i <= queued; ++i) {
    ASSERT_EQ(i % 128, got[i].Data1) << i;
    ASSERT_EQ(1 + i / 128, got[i].Data2) << i;
  }
  CloseHandle(in.Entered);
}

TEST_F(VirtualMidiBusTest, DriverMessagesToAnInputAreRecorded) {
  TVirtualMidiBus::AddInput("Tarnbel loopback 1");
  TOSC_MIDIInput in;
  ASSERT_EQ(0u, in.Open(0));
  EXPECT_EQ(static_cast<MMRESULT>(MMSYSERR_NOERROR), MidiApi().InMessage(in.Handle, 0x200C, 8204, 8204));
  EXPECT_EQ(static_cast<MMRESULT>(MMSYSERR_NOERROR), MidiApi().InMessage(in.Handle, 0x200E, 3, 17));
  std::vector<TVirtualDriverMessage> got = TVirtualMidiBus::ReadDriverMessages("Tarnbel loopback 1");
  ASSERT_EQ(2u, got.size());
  EXPECT_EQ(0x200Cu, got[0].Message);
  EXPECT_EQ(8204u, got[0].Param1);
  EXPECT_EQ(8204u, got[0].Param2);
  EXPECT_EQ(0x200Eu, got[1].Message);
  EXPECT_EQ(3u, got[1].Param1);
  EXPECT_EQ(17u, got[1].Param2);
  EXPECT_TRUE(TVirtualMidiBus::ReadDriverMessages("Tarnbel loopback 1").empty());
  EXPECT_EQ(static_cast<MMRESULT>(MMSYSERR_INVALHANDLE), MidiApi().InMessage(nullptr, 0x200C, 0, 0));
}

TEST_F(VirtualMidiBusTest, PortsComeFromTheEnvironmentOnce) {
  SetEnvironmentVariableA("TARNBEL_MIDI", "Virtual");
  SetEnvironmentVariableA("TARNBEL_MIDI_PORTS", "in:Keys;out:Synth A;bogus;in:Tarnbel loopback 1;");
  SetMidiApi(WinmmMidiApi());
  EXPECT_TRUE(BindMidiApiFromEnvironment());
  EXPECT_EQ(&VirtualMidiApi(), &MidiApi());
  EXPECT_TRUE(BindMidiApiFromEnvironment());  // names already there are not added again
  TOSC_MIDIInput in;
  TOSC_MIDIOutput out;
  ASSERT_EQ(2u, in.GetNumDevs());
  ASSERT_EQ(1u, out.GetNumDevs());
  int index;
  EXPECT_EQ(0u, in.IndexOf("Tarnbel loopback 1", index));
  EXPECT_EQ(1, index);
  EXPECT_EQ(0u, out.IndexOf("Synth A", index));

  SetEnvironmentVariableA("TARNBEL_MIDI", nullptr);
  EXPECT_FALSE(BindMidiApiFromEnvironment());
  EXPECT_EQ(&WinmmMidiApi(), &MidiApi());
  SetEnvironmentVariableA("TARNBEL_MIDI_PORTS", nullptr);
}

TEST_F(VirtualMidiBusTest, ASecondProcessPlaysIntoAnOpenInput) {
  TVirtualMidiBus::AddInput("Remote Keys");
  RecordingInput in;
  ASSERT_EQ(0u, in.Open(0));
  ASSERT_EQ(0u, in.Start());
  ASSERT_EQ(0, RunPlayer("-n 50 \"Remote Keys\" B0 00 02 C0 05 90 3C 64 80 3C 00 F8"));
  ASSERT_TRUE(in.WaitFor(250, 5000));
  std::vector<TOSC_MIDIMessage> got = in.Received();
  ASSERT_EQ(250u, got.size());
  const uint32_t expected[] = {Pack(0xB0, 0, 2), Pack(0xC0, 5, 0), Pack(0x90, 0x3C, 0x64), Pack(0x80, 0x3C, 0),
                               Pack(0xF8, 0, 0)};
  for (size_t i = 0; i < got.size(); ++i) {
    const TOSC_MIDIMessage& m = got[i];
    ASSERT_EQ(expected[i % 5], Pack(m.Status, m.Data1, m.Data2)) << "message " << i;
  }
  EXPECT_TRUE(got[1].IsProgramChange());
  EXPECT_TRUE(got[0].IsBankSelect());
}

TEST_F(VirtualMidiBusTest, ThruAcrossProcessesKeepsOrder) {
  ThruPair route;
  // A hundred different note-ons, played a hundred times, one per 100 microseconds.
  std::string bytes;
  std::vector<uint32_t> sequence;
  char text[16];
  for (int k = 0; k < 100; ++k) {
    std::snprintf(text, sizeof text, " %02X %02X %02X", 0x90 + k % 16, k, 1 + k);
    bytes += text;
    sequence.push_back(Pack(0x90 + k % 16, k, 1 + k));
  }
  Player player("-n 100 -i 100 \"Thru In\"" + bytes);
  std::vector<TVirtualMidiEvent> got;
  EXPECT_TRUE(TVirtualMidiBus::WaitOutput("Thru Out", 10000, 20000, got));
  ASSERT_EQ(0, player.Wait());
  ASSERT_EQ(10000u, got.size());
  EXPECT_EQ(0u, TVirtualMidiBus::OutputOverflows("Thru Out"));
  for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(sequence[i % 100], got[i].Message) << "message " << i;
  ReportLatency("thru, player process to this one, 10 kHz", got);
}

TEST_F(VirtualMidiBusTest, PlayerReportsMissingAndStoppedInputs) {
  EXPECT_EQ(2, RunPlayer("-w 0 \"Nowhere\" C0 01"));
  TVirtualMidiBus::AddInput("Idle");
  EXPECT_EQ(3, RunPlayer("-w 100 \"Idle\" C0 01"));
  EXPECT_EQ(1, RunPlayer("\"Idle\" C0"));     // program change lacks its data byte
  EXPECT_EQ(1, RunPlayer("\"Idle\" 3C 64"));  // no status byte
}
