#pragma once
// Helpers of the MIDI suites: a recording input, a fixture on the virtual bus, and a table that
// counts the calls going to the bus and can make some of them fail.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "midi_api.h"
#include "osc_midi_input.h"
#include "virtual_midi_bus.h"

namespace miditest {

inline uint32_t Pack(uint8_t status, uint8_t data1, uint8_t data2) {
  return status | (uint32_t(data1) << 8) | (uint32_t(data2) << 16);
}

class RecordingInput : public TOSC_MIDIInput {
 public:
  ~RecordingInput() override;
  void OnMessage(TOSC_MIDIMessage* message) override;
  // True once at least count messages arrived.
  bool WaitFor(size_t count, DWORD timeoutMs);
  std::vector<TOSC_MIDIMessage> Received();

 private:
  std::mutex FLock;
  std::condition_variable FArrived;
  std::vector<TOSC_MIDIMessage> FMessages;
};

struct CallCounts {
  std::atomic<int> InOpen{0}, InClose{0}, InStart{0}, InStop{0}, OutOpen{0}, OutClose{0};
  std::atomic<MMRESULT> InCloseResult{MMSYSERR_NOERROR};  // not 0: InClose fails with it, closing nothing
};
// Binds a table that counts and forwards to the virtual bus; returns the counters, reset.
CallCounts& BindCountingBus();

class BusTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// The player beside this test program, run as a second process.
class Player {
 public:
  explicit Player(const std::string& arguments);
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;
  // Its exit code, or -1 when it did not run or end in time.
  int Wait(DWORD timeoutMs = 60000);

 private:
  PROCESS_INFORMATION FInfo = {};
};

// The percentile p (0-100) of samples, in microseconds.
double Percentile(std::vector<double> samples, double p);
double CounterMicroseconds(int64_t from, int64_t to);

}  // namespace miditest
