#include <gtest/gtest.h>

#include "midi_test_support.h"
#include "osc_midi_input.h"
#include "osc_midi_output.h"

using namespace miditest;

TEST(MidiMessageTest, AccessorsFollowTheStatusRanges) {
  std::unique_ptr<TOSC_MIDIMessage> m(TOSC_MIDIMessage::FromPacked(Pack(0x93, 60, 100), 1234));
  EXPECT_EQ(1234u, m->Timestamp);
  EXPECT_EQ(0x93, m->Status);
  EXPECT_EQ(60, m->Data1);
  EXPECT_EQ(100, m->Data2);
  EXPECT_EQ(3, m->Channel());
  EXPECT_TRUE(m->IsNote());
  EXPECT_TRUE(m->IsNoteOn());

  EXPECT_FALSE(TOSC_MIDIMessage(0, 0x90, 60, 0).IsNoteOn());  // velocity 0 is a note-off
  EXPECT_TRUE(TOSC_MIDIMessage(0, 0x80, 60, 64).IsNote());
  EXPECT_FALSE(TOSC_MIDIMessage(0, 0x80, 60, 64).IsNoteOn());
  EXPECT_TRUE(TOSC_MIDIMessage(0, 0x9F, 1, 1).IsNoteOn());
  EXPECT_FALSE(TOSC_MIDIMessage(0, 0xA0, 1, 1).IsNote());

  EXPECT_TRUE(TOSC_MIDIMessage(0, 0xBF, 0, 5).IsBankSelect());
  EXPECT_FALSE(TOSC_MIDIMessage(0, 0xB0, 32, 5).IsBankSelect());
  EXPECT_FALSE(TOSC_MIDIMessage(0, 0xC0, 0, 0).IsBankSelect());
  EXPECT_TRUE(TOSC_MIDIMessage(0, 0xC0, 5, 0).IsProgramChange());
  EXPECT_TRUE(TOSC_MIDIMessage(0, 0xCF, 5, 0).IsProgramChange());
  EXPECT_FALSE(TOSC_MIDIMessage(0, 0xD0, 5, 0).IsProgramChange());
  EXPECT_EQ(15, TOSC_MIDIMessage(0, 0xCF, 5, 0).Channel());
}

using MidiPortsTest = BusTest;

TEST_F(MidiPortsTest, NamesAndLookupOverBothDirections) {
  TVirtualMidiBus::AddInput("Keys");
  TVirtualMidiBus::AddInput("Twin");
  TVirtualMidiBus::AddInput("Twin");
  TVirtualMidiBus::AddInput("A name much longer than the caps field holds");
  TVirtualMidiBus::AddOutput("Synth");
  TVirtualMidiBus::AddOutput("Synth");

  TOSC_MIDIInput in;
  EXPECT_EQ(4u, in.GetNumDevs());
  std::string name;
  EXPECT_EQ(0u, in.GetDeviceName(0, name));
  EXPECT_EQ("Keys", name);
  EXPECT_EQ(0u, in.GetDeviceName(3, name));
  EXPECT_EQ(std::string("A name much longer than the caps field holds").substr(0, MAXPNAMELEN - 1), name);
  EXPECT_EQ(2u, in.GetDeviceName(-1, name));
  EXPECT_EQ(2u, in.GetDeviceName(4, name));

  int index = -1;
  EXPECT_EQ(0u, in.IndexOf("Twin", index));
  EXPECT_EQ(2, index);
  EXPECT_EQ(3u, in.IndexOf("twin", index));  // exact match only
  EXPECT_EQ(3u, in.IndexOf("Synth", index));

  TOSC_MIDIOutput out;
  EXPECT_EQ(2u, out.GetNumDevs());
  EXPECT_EQ(0u, out.IndexOf("Synth", index));
  EXPECT_EQ(1, index);
  EXPECT_EQ(2u, out.GetDeviceName(2, name));
  EXPECT_EQ(3u, out.IndexOf("Keys", index));
}

namespace {
// A driver that fills the whole name field, with no terminating zero.
MMRESULT WINAPI FullFieldCaps(UINT_PTR, LPMIDIINCAPSA caps, UINT) {
  memset(caps->szPname, 'x', sizeof caps->szPname);
  return MMSYSERR_NOERROR;
}
MMRESULT WINAPI FailingCaps(UINT_PTR, LPMIDIINCAPSA, UINT) { return MMSYSERR_NODRIVER; }
}  // namespace

TEST_F(MidiPortsTest, NameReadStaysInsideTheCapsFieldAndFailuresGive100) {
  TVirtualMidiBus::AddInput("one");
  TMidiApi api = VirtualMidiApi();
  api.InGetDevCapsA = FullFieldCaps;
  SetMidiApi(api);
  TOSC_MIDIInput in;
  std::string name;
  EXPECT_EQ(0u, in.GetDeviceName(0, name));
  EXPECT_EQ(std::string(32, 'x'), name);

  api.InGetDevCapsA = FailingCaps;
  SetMidiApi(api);
  EXPECT_EQ(100u, in.GetDeviceName(0, name));
  EXPECT_EQ(static_cast<uint32_t>(MMSYSERR_NODRIVER), in.LastResult);
  int index = 7;
  EXPECT_EQ(3u, in.IndexOf("one", index));
  EXPECT_EQ(7, index);
}

TEST_F(MidiPortsTest, InputDeliversDataMessagesInOrderAndIgnoresTheRest) {
  TVirtualMidiBus::AddInput("Keys");
  RecordingInput in;
  ASSERT_EQ(0u, in.Open(0));
  EXPECT_EQ(1, in.Opened);
  EXPECT_EQ(TVirtualPlayResult::NotStarted, TVirtualMidiBus::Play("Keys", Pack(0x90, 1, 1)));
  ASSERT_EQ(0u, in.Start());
  EXPECT_EQ(1, in.Started);
  for (int i = 0; i < 300; ++i)
    ASSERT_EQ(TVirtualPlayResult::Played, TVirtualMidiBus::Play("Keys", Pack(0x90 + i % 16, i % 128, (i / 128) + 1)));
  ASSERT_TRUE(in.WaitFor(300, 5000));
  ASSERT_TRUE(TVirtualMidiBus::WaitDelivered("Keys", 5000));  // nothing more is on its way
  std::vector<TOSC_MIDIMessage> got = in.Received();
  ASSERT_EQ(300u, got.size());  // the open notice never reaches OnMessage
  uint32_t lastTime = 0;
  for (int i = 0; i < 300; ++i) {
    EXPECT_EQ(0x90 + i % 16, got[i].Status);
    EXPECT_EQ(i % 128, got[i].Data1);
    EXPECT_EQ(i / 128 + 1, got[i].Data2);
    EXPECT_GE(got[i].Timestamp, lastTime);
    lastTime = got[i].Timestamp;
  }
  EXPECT_LT(lastTime, 5000u);  // milliseconds since the start, not since boot

  ASSERT_EQ(0u, in.Stop());
  EXPECT_EQ(TVirtualPlayResult::NotStarted, TVirtualMidiBus::Play("Keys", Pack(0x90, 1, 1)));
  ASSERT_EQ(0u, in.Close());
  EXPECT_EQ(0, in.Opened);
}

TEST_F(MidiPortsTest, StartAndStopCallOnlyWhenTheStateChanges) {
  TVirtualMidiBus::AddInput("Keys");
  CallCounts& calls = BindCountingBus();
  {
    TOSC_MIDIInput in;
    EXPECT_EQ(0u, in.Stop());
    ASSERT_EQ(0u, in.Open(0));
    EXPECT_EQ(0u, in.Stop());
    EXPECT_EQ(0, calls.InStop);
    EXPECT_EQ(0u, in.Start());
    EXPECT_EQ(0u, in.Start());
    EXPECT_EQ(1, calls.InStart);
    EXPECT_EQ(0u, in.Close());
    EXPECT_EQ(0u, in.Close());
    EXPECT_EQ(1, calls.InClose);
  }
  EXPECT_EQ(0, calls.InStop);  // a closed port is not stopped again on destruction
  EXPECT_EQ(1, calls.InClose);
  EXPECT_EQ(100u, TOSC_MIDIInput().Start());  // not open: the call fails
}

namespace {
// An input open and started on the first of two ports, with its calls counted.
class ReopenTest : public BusTest {
 protected:
  void SetUp() override {
    BusTest::SetUp();
    TVirtualMidiBus::AddInput("First");
    TVirtualMidiBus::AddInput("Second");
    calls = &BindCountingBus();
    ASSERT_EQ(0u, in.Open(0));
    ASSERT_EQ(0u, in.Start());
  }
  void TearDown() override {
    calls->InCloseResult = MMSYSERR_NOERROR;
    in.Close();
    BusTest::TearDown();
  }
  CallCounts* calls = nullptr;
  RecordingInput in;
};
}  // namespace

TEST_F(ReopenTest, ReopeningClosesFirstAndTheNewPortStarts) {
  ASSERT_EQ(0u, in.Open(1));
  EXPECT_EQ(1, calls->InClose);
  EXPECT_EQ(2, calls->InOpen);
  EXPECT_EQ(1u, in.DeviceIndex);
  ASSERT_EQ(0u, in.Start());
  EXPECT_EQ(2, calls->InStart);
  EXPECT_EQ(TVirtualPlayResult::NotStarted, TVirtualMidiBus::Play("First", Pack(0xC0, 1, 0)));
  EXPECT_EQ(TVirtualPlayResult::Played, TVirtualMidiBus::Play("Second", Pack(0xC0, 2, 0)));
  ASSERT_TRUE(in.WaitFor(1, 2000));
  EXPECT_EQ(2, in.Received()[0].Data1);

  // A bad index: the input closes first, then refuses.
  EXPECT_EQ(2u, in.Open(5));
  EXPECT_EQ(2, calls->InClose);
  EXPECT_EQ(0, in.Opened);
  EXPECT_EQ(2u, in.Open(-1));
}

TEST_F(ReopenTest, AFailingCloseStopsTheReopenWithItsCode) {
  calls->InCloseResult = MMSYSERR_ERROR;
  EXPECT_EQ(100u, in.Open(1));
  EXPECT_EQ(static_cast<uint32_t>(MMSYSERR_ERROR), in.LastResult);
  EXPECT_EQ(1, calls->InOpen);
  EXPECT_EQ(1, in.Opened);
  EXPECT_EQ(1, in.Started);
  EXPECT_EQ(0u, in.DeviceIndex);
  // Still the first port, still playing.
  EXPECT_EQ(TVirtualPlayResult::Played, TVirtualMidiBus::Play("First", Pack(0xC0, 9, 0)));
  EXPECT_TRUE(in.WaitFor(1, 2000));
}

TEST_F(MidiPortsTest, ABusyPortFailsWithTheSystemResult) {
  TVirtualMidiBus::AddInput("Keys");
  TVirtualMidiBus::AddOutput("Synth");
  TOSC_MIDIInput first, second;
  ASSERT_EQ(0u, first.Open(0));
  EXPECT_EQ(100u, second.Open(0));
  EXPECT_EQ(static_cast<uint32_t>(MMSYSERR_ALLOCATED), second.LastResult);
  EXPECT_EQ(0, second.Opened);

  TOSC_MIDIOutput out1, out2;
  ASSERT_EQ(0u, out1.Open(0));
  EXPECT_EQ(100u, out2.Open(0));
  EXPECT_EQ(static_cast<uint32_t>(MMSYSERR_ALLOCATED), out2.LastResult);
  ASSERT_EQ(0u, out1.Close());
  EXPECT_EQ(0u, out2.Open(0));
}

TEST_F(MidiPortsTest, OutputSendsPackedMessagesAndChecksTheIndexFirst) {
  TVirtualMidiBus::AddOutput("Synth");
  CallCounts& calls = BindCountingBus();
  TOSC_MIDIOutput out;
  EXPECT_EQ(100u, out.ShortMsg(0x90, 1, 2));  // not open
  ASSERT_EQ(0u, out.Open(0));
  EXPECT_EQ(0u, out.ShortMsg(0xB3, 0, 17));
  EXPECT_EQ(0u, out.ShortMsg(0xC3, 42, 0));
  std::vector<TVirtualMidiEvent> got = TVirtualMidiBus::ReadOutput("Synth");
  ASSERT_EQ(2u, got.size());
  EXPECT_EQ(Pack(0xB3, 0, 17), got[0].Message);
  EXPECT_EQ(Pack(0xC3, 42, 0), got[1].Message);

  // Unlike the input, a bad index leaves an open output alone.
  EXPECT_EQ(2u, out.Open(1));
  EXPECT_EQ(2u, out.Open(-1));
  EXPECT_EQ(0, calls.OutClose);
  EXPECT_EQ(1, out.Opened);
  ASSERT_EQ(0u, out.Open(0));  // reopen
  EXPECT_EQ(1, calls.OutClose);
  EXPECT_EQ(2, calls.OutOpen);
}

TEST_F(MidiPortsTest, DestructionStopsAndClosesSoThePortIsFreeAgain) {
  TVirtualMidiBus::AddInput("Keys");
  TVirtualMidiBus::AddOutput("Synth");
  CallCounts& calls = BindCountingBus();
  {
    TOSC_MIDIInput in;  // the base frees what arrives
    ASSERT_EQ(0u, in.Open(0));
    ASSERT_EQ(0u, in.Start());
    EXPECT_EQ(TVirtualPlayResult::Played, TVirtualMidiBus::Play("Keys", Pack(0x90, 60, 1)));
    TOSC_MIDIOutput out;
    ASSERT_EQ(0u, out.Open(0));
  }
  EXPECT_EQ(1, calls.InStop);
  EXPECT_EQ(1, calls.InClose);
  EXPECT_EQ(1, calls.OutClose);
  TOSC_MIDIInput in;
  TOSC_MIDIOutput out;
  EXPECT_EQ(0u, in.Open(0));
  EXPECT_EQ(0u, out.Open(0));
}
