#include "midi_test_support.h"

#include <algorithm>
#include <chrono>

namespace miditest {

RecordingInput::~RecordingInput() {
  Stop();
  Close();
}

void RecordingInput::OnMessage(TOSC_MIDIMessage* message) {
  {
    std::lock_guard<std::mutex> guard(FLock);
    FMessages.push_back(*message);
  }
  delete message;
  FArrived.notify_all();
}

bool RecordingInput::WaitFor(size_t count, DWORD timeoutMs) {
  std::unique_lock<std::mutex> guard(FLock);
  return FArrived.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return FMessages.size() >= count; });
}

std::vector<TOSC_MIDIMessage> RecordingInput::Received() {
  std::lock_guard<std::mutex> guard(FLock);
  return FMessages;
}

namespace {
CallCounts gCounts;

MMRESULT WINAPI CountInOpen(LPHMIDIIN h, UINT id, DWORD_PTR cb, DWORD_PTR inst, DWORD flags) {
  ++gCounts.InOpen;
  return VirtualMidiApi().InOpen(h, id, cb, inst, flags);
}
MMRESULT WINAPI CountInClose(HMIDIIN h) {
  ++gCounts.InClose;
  MMRESULT fault = gCounts.InCloseResult;
  return fault != MMSYSERR_NOERROR ? fault : VirtualMidiApi().InClose(h);
}
MMRESULT WINAPI CountInStart(HMIDIIN h) {
  ++gCounts.InStart;
  return VirtualMidiApi().InStart(h);
}
MMRESULT WINAPI CountInStop(HMIDIIN h) {
  ++gCounts.InStop;
  return VirtualMidiApi().InStop(h);
}
MMRESULT WINAPI CountOutOpen(LPHMIDIOUT h, UINT id, DWORD_PTR cb, DWORD_PTR inst, DWORD flags) {
  ++gCounts.OutOpen;
  return VirtualMidiApi().OutOpen(h, id, cb, inst, flags);
}
MMRESULT WINAPI CountOutClose(HMIDIOUT h) {
  ++gCounts.OutClose;
  return VirtualMidiApi().OutClose(h);
}
}  // namespace

CallCounts& BindCountingBus() {
  TMidiApi api = VirtualMidiApi();
  api.InOpen = CountInOpen;
  api.InClose = CountInClose;
  api.InStart = CountInStart;
  api.InStop = CountInStop;
  api.OutOpen = CountOutOpen;
  api.OutClose = CountOutClose;
  gCounts.InOpen = gCounts.InClose = gCounts.InStart = gCounts.InStop = gCounts.OutOpen = gCounts.OutClose = 0;
  gCounts.InCloseResult = MMSYSERR_NOERROR;
  SetMidiApi(api);
  return gCounts;
}

void BusTest::SetUp() {
  UseMidiApi(VirtualMidiApi());
  TVirtualMidiBus::RemoveAllPorts();
}

void BusTest::TearDown() {
  TVirtualMidiBus::RemoveAllPorts();
  SetMidiApi(WinmmMidiApi());
}

Player::Player(const std::string& arguments) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string exe(path, n);
  exe = exe.substr(0, exe.find_last_of('\\') + 1) + "tb_midiplay.exe";
  std::string command = "\"" + exe + "\" " + arguments;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &FInfo)) FInfo = {};
}

Player::~Player() {
  if (!FInfo.hProcess) return;
  if (WaitForSingleObject(FInfo.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(FInfo.hProcess, 99);
    WaitForSingleObject(FInfo.hProcess, 5000);
  }
  CloseHandle(FInfo.hThread);
  CloseHandle(FInfo.hProcess);
}

int Player::Wait(DWORD timeoutMs) {
  DWORD code = static_cast<DWORD>(-1);
  if (FInfo.hProcess && WaitForSingleObject(FInfo.hProcess, timeoutMs) == WAIT_OBJECT_0)
    GetExitCodeProcess(FInfo.hProcess, &code);
  return static_cast<int>(code);
}

double Percentile(std::vector<double> samples, double p) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  size_t rank = static_cast<size_t>(p / 100.0 * (samples.size() - 1) + 0.5);
  return samples[std::min(rank, samples.size() - 1)];
}

double CounterMicroseconds(int64_t from, int64_t to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to - from) * 1e6 / double(frequency.QuadPart);
}

}  // namespace miditest
