// tb_midiplay: plays MIDI short messages into an input of the virtual MIDI bus.
//
//   tb_midiplay [-w ms] [-n count] [-i microseconds] "<input name>" <byte>...
//
// Bytes are hexadecimal (C0 05 or 0xC0); each status byte starts a message (three bytes for
// 80-BF and E0-EF, two for C0-DF, one for F8-FF). -w waits that long for the input to be started
// (default 5000), -n plays the whole sequence that many times, -i spaces the messages.
// Exit codes: 0 played, 1 bad command line, 2 no such input, 3 input not started, 4 messages lost.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "virtual_midi_bus.h"

namespace {
int Usage(const char* why) {
  std::fprintf(stderr, "tb_midiplay: %s\nusage: tb_midiplay [-w ms] [-n count] [-i microseconds] \"<input>\" <hex byte>...\n",
               why);
  return 1;
}

bool ParseNumber(const char* text, long& value) {
  char* end = nullptr;
  value = std::strtol(text, &end, 10);
  return end && *end == '\0' && end != text && value >= 0;
}

int MessageLength(unsigned status) {
  if (status >= 0xF8) return 1;
  if (status >= 0xF0) return 0;  // system exclusive and common messages are not short messages here
  if (status >= 0xC0 && status <= 0xDF) return 2;
  return 3;
}

bool ParseMessages(int argc, char** argv, int first, std::vector<uint32_t>& messages, std::string& error) {
  std::vector<unsigned> bytes;
  for (int i = first; i < argc; ++i) {
    char* end = nullptr;
    unsigned long b = std::strtoul(argv[i], &end, 16);
    if (!end || *end != '\0' || end == argv[i] || b > 0xFF) {
      error = std::string("not a byte: ") + argv[i];
      return false;
    }
    bytes.push_back(static_cast<unsigned>(b));
  }
  for (size_t i = 0; i < bytes.size();) {
    int length = bytes[i] >= 0x80 ? MessageLength(bytes[i]) : 0;
    if (length == 0 || i + length > bytes.size()) {
      error = "bytes do not form short messages";
      return false;
    }
    uint32_t packed = 0;
    for (int k = 0; k < length; ++k) {
      if (k > 0 && bytes[i + k] >= 0x80) {
        error = "data byte expected";
        return false;
      }
      packed |= bytes[i + k] << (8 * k);
    }
    messages.push_back(packed);
    i += length;
  }
  return true;
}

void Pause(const LARGE_INTEGER& frequency, long microseconds) {
  if (microseconds <= 0) return;
  if (microseconds >= 2000) {
    Sleep(static_cast<DWORD>(microseconds / 1000));
    return;
  }
  LARGE_INTEGER start, now;
  QueryPerformanceCounter(&start);
  do QueryPerformanceCounter(&now);
  while ((now.QuadPart - start.QuadPart) * 1000000 < frequency.QuadPart * microseconds);
}
}  // namespace

int main(int argc, char** argv) {
  long wait = 5000, count = 1, interval = 0;
  int i = 1;
  for (; i + 1 < argc && argv[i][0] == '-' && argv[i][1] != '\0' && argv[i][2] == '\0'; i += 2) {
    long value;
    if (!ParseNumber(argv[i + 1], value)) return Usage("bad option value");
    switch (argv[i][1]) {
      case 'w': wait = value; break;
      case 'n': count = value; break;
      case 'i': interval = value; break;
      default: return Usage("unknown option");
    }
  }
  if (i >= argc) return Usage("no input name");
  std::string input = argv[i];
  std::vector<uint32_t> messages;
  std::string error;
  if (!ParseMessages(argc, argv, i + 1, messages, error)) return Usage(error.c_str());

  TVirtualMidiBus::ConfigureFromEnvironment();
  if (!TVirtualMidiBus::WaitInputStarted(input, static_cast<DWORD>(wait))) {
    bool exists = TVirtualMidiBus::HasInput(input);
    std::fprintf(stderr, "tb_midiplay: input \"%s\" %s\n", input.c_str(), exists ? "is not started" : "does not exist");
    return exists ? 3 : 2;
  }
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (long n = 0; n < count; ++n) {
    for (uint32_t message : messages) {
      TVirtualPlayResult r = TVirtualMidiBus::Play(input, message);
      if (r != TVirtualPlayResult::Played) {
        std::fprintf(stderr, "tb_midiplay: message %08lX lost\n", static_cast<unsigned long>(message));
        return r == TVirtualPlayResult::NotStarted ? 3 : 4;
      }
      Pause(frequency, interval);
    }
  }
  return 0;
}
