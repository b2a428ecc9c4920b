#pragma once
// A MIDI bus with named input and output ports shared by every process of one Windows session
// (named shared memory, one named mutex, named events per port). The winmm-like table of
// VirtualMidiApi() runs the ports; the functions below play into inputs and read what outputs
// received, from any process.
//
// Ports are configured by name: AddInput/AddOutput, or the environment variable
// TARNBEL_MIDI_PORTS, read when a program binds the bus: entries separated by ';', each
// "in:<name>" or "out:<name>", for example "in:Keyboard;in:Tarnbel loopback 1;out:Synth".
// Names not yet on the bus are added; names are kept up to 63 characters.
//
// Short messages played into an input are delivered, in order, on a thread of the process that
// opened it, as MIM_DATA callbacks with the packed message and the milliseconds since the input
// was started. An input connected to outputs (midiConnect) forwards every short message to them
// as it is delivered. Driver messages sent to an input (midiInMessage) are recorded.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "midi_api.h"

// The winmm-like table that runs the bus's ports.
const TMidiApi& VirtualMidiApi();

struct TVirtualMidiEvent {
  uint32_t Message = 0;    // packed short message
  uint32_t Timestamp = 0;  // milliseconds since the input was started (0 when sent to the output directly)
  int64_t Played = 0;      // performance counter when played into the bus
  int64_t Arrived = 0;     // performance counter when the output received it
};

struct TVirtualDriverMessage {
  uint32_t Message = 0;
  uint64_t Param1 = 0;
  uint64_t Param2 = 0;
};

enum class TVirtualPlayResult { Played, NoSuchInput, NotStarted, QueueFull, BusUnavailable };

class TVirtualMidiBus {
 public:
  static constexpr int MaxPorts = 16;
  static constexpr int NameLength = 63;
  static constexpr int InputQueueSize = 1024;   // messages waiting for delivery per input
  static constexpr int OutputQueueSize = 4096;  // received messages kept per output until read
  static constexpr int DriverLogSize = 64;

  // Add a port at the end (the same name may be added twice); its device index, or -1 when the
  // bus is full, the name is empty or the bus cannot be opened.
  static int AddInput(const std::string& name);
  static int AddOutput(const std::string& name);
  // Removes every port; handles still open become invalid.
  static void RemoveAllPorts();
  static void ConfigureFromEnvironment();

  // Plays one short message into the last input of that name. Only a started input takes it;
  // when its queue is full this waits up to a second for room.
  static TVirtualPlayResult Play(const std::string& input, uint32_t message);
  static bool WaitInputStarted(const std::string& input, DWORD timeoutMs);
  // Waits until every message played into the input so far has been handed to its callback.
  static bool WaitDelivered(const std::string& input, DWORD timeoutMs);
  static bool HasInput(const std::string& input);

  // What the last output of that name received since the previous read, oldest first.
  static std::vector<TVirtualMidiEvent> ReadOutput(const std::string& output);
  // Reads into events until it holds at least count entries or the time is up.
  static bool WaitOutput(const std::string& output, size_t count, DWORD timeoutMs,
                         std::vector<TVirtualMidiEvent>& events);
  // Messages an output lost because nobody read them in time.
  static uint32_t OutputOverflows(const std::string& output);

  // Driver messages sent to the last input of that name since the previous read.
  static std::vector<TVirtualDriverMessage> ReadDriverMessages(const std::string& input);
};
